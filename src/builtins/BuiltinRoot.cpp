// The root class, inherited by every class, and the two abstract bases $Object
// (parent of mission and campaign) and $CommandObject (parent of unit and
// platoon, which declares the unit commands).
// Rows are in member order; the comment before a row is its position or its
// flattened index.
#include "builtins/BuiltinRows.h"

using namespace BuiltinRows;

// ---- the root class --------------------------------------------------------

// Commands by flattened index.
constexpr SBuiltinMemberDesc s_rootCommands[] = {
    /*   0 */ Fn("$Destructor", {}, I),
    /*   1 */ Fn("$Serialize", {}, I),
};

// Functions by position (numbers 0-13, number = 13 - position).
constexpr SBuiltinMemberDesc s_rootFunctions[] = {
    /*   0 */ Fn("Trace", {S}, I, Global),
    /*   1 */ Fn("TraceD", {S}, I, Global),
    /*   2 */ Fn("Trace", {I}, I, Global),
    /*   3 */ Fn("TraceD", {I}, I, Global),
    /*   4 */ Fn("$Assert", {}, I, Global),
    /*   5 */ Fn("$SerializeInt", {I}, V),
    /*   6 */ Fn("$GetAt", {A, I}, I, Global),
    /*   7 */ Fn("$SetAt", {I, A, I}, V, Global),
    /*   8 */ Fn("Rand", {I}, I, Global),
    /*   9 */ Fn("GetEntranceX", {unit}, I, Global),
    /*  10 */ Fn("GetEntranceY", {unit}, I, Global),
    /*  11 */ Fn("GetEntranceZ", {unit}, I, Global),
    /*  12 */ Fn("GetMaxSideColor", {}, I, Global),
    /*  13 */ Fn("Distance", {I, I, I, I}, I, Global),
};

constinit const SBuiltinClassDesc kBuiltinRootDesc = {
    .m_nId = EBuiltinClass::eRoot,
    .m_pszName = "",
    .m_nParent = EBuiltinClass::eNone,
    .m_nClassNumber = -1,
    .m_Functions = s_rootFunctions,
    .m_Commands = s_rootCommands,
};

// ---- $Object ---------------------------------------------------------------

// Functions by position (numbers 410-437, number = 437 - position).
constexpr SBuiltinMemberDesc s_objectFunctions[] = {
    /*   0 */ Fn("SaveCameraPosition", {}, V, Global),
    /*   1 */ Fn("RestoreCameraPosition", {}, V, Global),
    /*   2 */ Fn("SaveCameraPosition2", {I}, V, Global),
    /*   3 */ Fn("RestoreCameraPosition2", {I}, V, Global),
    /*   4 */ Fn("LookAt", {I, I, I, I, I, I, I}, V, Global),
    /*   5 */ Fn("LookAt", {I, I, I, I, I, I, I, I}, V, Global),
    /*   6 */ Fn("LookAt", {I, I, I, I, I, I, I, I, I}, V, Global),
    /*   7 */ Fn("LookAt", {I, I, I, I, I, I, I, I, I, I}, V, Global),
    /*   8 */ Fn("EnableCameraMovement", {I}, V, Global),
    /*   9 */ Fn("EnableInterface", {I}, V, Global),
    /*  10 */ Fn("ShowVideo", {S}, V, Global),
    /*  11 */ Fn("MessageBox", {S}, V, Global),
    /*  12 */ Fn("SetAvailableWorlds", {I}, V, Global),
    /*  13 */ Fn("GetAvailableWorlds", {}, I, Global),
    /*  14 */ Fn("EndGame", {S}, V, Global),
    /*  15 */ Fn("SetTime", {I}, V, Global),
    /*  16 */ Fn("GetTime", {}, I, Global),
    /*  17 */ Fn("GetDifficultyLevel", {}, I, Global),
    /*  18 */ Fn("SendCustomEvent", {I, I, I, I, I}, V, Dot | Global),
    /*  19 */ Fn("PlayTrack", {S}, V, Global),
    /*  20 */ Fn("PlayWave", {S}, V, Global),
    /*  21 */ Fn("PlayWave", {S, I}, V, Global),
    /*  22 */ Fn("EnableGameFeature", {I, I}, V, Global),
    /*  23 */ Fn("SetLoadBitmap", {S}, V, Global),
    /*  24 */ Fn("EnableCampaign", {S}, V, Global),
    /*  25 */ Fn("DisableCampaign", {S}, V, Global),
    /*  26 */ Fn("SelectBuildPanelTab", {I}, V, Global),
    /*  27 */ Fn("ShowMissionVideoDialog", {S, S, I}, V, Global),
};

constexpr SBuiltinConstantDesc s_objectConstants[] = {
    {"volumeGeneric", 0},
    {"volumeFX", 4},
    {"volumeTrack", 1},
    {"volumeUnitTalk", 5},
    {"volumeBaseTalks", 6},
    {"volumeInterface", 7},
    {"volumeEnvironment", 9},
    {"lightsOFF", 0},
    {"lightsAUTO", 1},
};

constinit const SBuiltinClassDesc kBuiltinObjectDesc = {
    .m_nId = EBuiltinClass::eObject,
    .m_pszName = "$Object",
    .m_nParent = EBuiltinClass::eRoot,
    .m_nClassNumber = -1,
    .m_Functions = s_objectFunctions,
    .m_Constants = s_objectConstants,
};

// ---- $CommandObject --------------------------------------------------------

// Commands by flattened index.
constexpr SBuiltinMemberDesc s_commandObjectCommands[] = {
    /*   2 */ Fn("__NULL__", {}, I),
    /*   3 */ Fn("Initialize", {}, I),
    /*   4 */ Fn("Uninitialize", {}, I),
    /*   5 */ Fn("Stop", {}, I),
    /*   6 */ Fn("Land", {}, I),
    /*   7 */ Fn("Move", {I, I, I}, I),
    /*   8 */ Fn("MoveToSpecialDestination", {I, I, I}, I),
    /*   9 */ Fn("MoveToWorld", {I}, I),
    /*  10 */ Fn("Attack", {unit}, I),
    /*  11 */ Fn("AttackOnPoint", {I, I, I}, I),
    /*  12 */ Fn("Escort", {unit}, I),
    /*  13 */ Fn("HoldPosition", {}, I),
    /*  14 */ Fn("Patrol", {I, I, I}, I),
    /*  15 */ Fn("Repair", {unit}, I),
    /*  16 */ Fn("Convert", {unit}, I),
    /*  17 */ Fn("Upgrade", {unit}, I),
    /*  18 */ Fn("SetUpgradeWeapons", {I}, I),
    /*  19 */ Fn("SetUpgradeChasis", {I}, I),
    /*  20 */ Fn("SetUpgradeShield", {I}, I),
    /*  21 */ Fn("SetRepairMode", {I}, I),
    /*  22 */ Fn("SetConvertMode", {I}, I),
    /*  23 */ Fn("SetUpgradeMode", {I}, I),
    /*  24 */ Fn("Enter", {unit}, I),
    /*  25 */ Fn("SupplyAmmo", {}, I),
    /*  26 */ Fn("RecycleUnit", {}, I),
    /*  27 */ Fn("SiegeMode", {I}, I),
    /*  28 */ Fn("BuildBuilding", {I, I, I, I, I}, I),
    /*  29 */ Fn("BuildTrench", {I, I, I, I, I, I}, I),
    /*  30 */ Fn("BuildFlatTerrain", {I, I, I, I, I, I}, I),
    /*  31 */ Fn("BuildWall", {I, I, I, I, I, I}, I),
    /*  32 */ Fn("BuildRoad", {I, I, I, I, I, I}, I),
    /*  33 */ Fn("BuildWideBridge", {I, I, I, I, I, I}, I),
    /*  34 */ Fn("BuildNarrowBridge", {I, I, I, I, I, I}, I),
    /*  35 */ Fn("MineTerrainClose", {I, I, I, I, I, I}, I),
    /*  36 */ Fn("MineTerrainMedium", {I, I, I, I, I, I}, I),
    /*  37 */ Fn("MineTerrainFar", {I, I, I, I, I, I}, I),
    /*  38 */ Fn("MineTerrainLine", {I, I, I, I, I, I}, I),
    /*  39 */ Fn("MoveToSupplyCenterForLoading", {unit}, I),
    /*  40 */ Fn("TransporterGetUnit", {unit}, I),
    /*  41 */ Fn("TransporterPutUnit", {}, I),
    /*  42 */ Fn("TransporterPutUnitToPoint", {I, I, I}, I),
    /*  43 */ Fn("TransporterDropUnit", {}, I),
    /*  44 */ Fn("TransporterDropUnitToPoint", {I, I, I}, I),
    /*  45 */ Fn("TransporterSetTransportMode", {I}, I),
    /*  46 */ Fn("TransporterSetAutoGetPoint", {I, I, I}, I),
    /*  47 */ Fn("TransporterSetAutoPutPoint", {I, I, I}, I),
    /*  48 */ Fn("TransporterAirBridgeLine", {I, I, I, I, I, I}, I),
    /*  49 */ Fn("MovingBuildingToSiegeMode", {}, I),
    /*  50 */ Fn("KeepFormation", {}, I),
    /*  51 */ Fn("SetLights", {I}, I),
    /*  52 */ Fn("SetAttackMode", {I}, I),
    /*  53 */ Fn("SetMovementMode", {I}, I),
    /*  54 */ Fn("DisposePlatoon", {}, I),
    /*  55 */ Fn("AddUnitToPlatoon", {unit}, I),
    /*  56 */ Fn("RemoveUnitFromPlatoon", {unit}, I),
    /*  57 */ Fn("RotateLeft", {}, I),
    /*  58 */ Fn("RotateRigth", {}, I),
    /* 59-68 */ Series("UserNoParam", 10, {}, I),
    /* 69-78 */ Series("UserOneParam", 10, {I}, I),
    /* 79-88 */ Series("UserObject", 10, {unit}, I),
    /* 89-98 */ Series("UserPoint", 10, {I, I, I}, I),
    /* 99-108 */ Series("UserLine", 10, {I, I, I, I, I, I}, I),
    /* 109-118 */ Series("UserDoubleLine", 10, {I, I, I, I, I, I}, I),
    /* 119-128 */ Series("UserArea", 10, {I, I, I, I, I, I}, I),
    /* 129 */ Fn("SpecialNextAngle", {}, I),
    /* 130 */ Fn("SpecialPrevAngle", {}, I),
    /* 131 */ Fn("SpecialChangeUnitsScript", {}, I),
    /* 132 */ Fn("SpecialShowTransporterAutoGetPoint", {}, I),
    /* 133 */ Fn("SpecialShowTransporterAutoPutPoint", {}, I),
    /* 134 */ Fn("SpecialSetMoveFormationMode", {I}, I),
};

// Functions by position (numbers 14-17, number = 17 - position).
constexpr SBuiltinMemberDesc s_commandObjectFunctions[] = {
    /*   0 */ Fn("$Release", {unit}, V),
    /*   1 */ Fn("$AddRef", {unit}, V),
    /*   2 */ Fn("$Serialize", {CommandObject}, V),
    /*   3 */ Fn("ChangedCommandValue", {}, V),
};

constexpr SBuiltinConstantDesc s_commandObjectConstants[] = {
    {"findTargetWaterUnit", 1},
    {"findTargetFlyingUnit", 2},
    {"findTargetNormalUnit", 4},
    {"findTargetBuildingUnit", 8},
    {"findTargetAnyUnit", 15},
    {"findTargetWall", 16},
    {"findTargetBuildingRuin", 32},
    {"findTargetNotDisabledUnit", 64},
    {"findEnemyUnit", 1},
    {"findAllyUnit", 2},
    {"findNeutralUnit", 4},
    {"findOurUnit", 8},
    {"findNearestUnit", 1},
    {"findWeakestUnit", 2},
    {"findStrongestUnit", 4},
    {"findDisabledUnit", 8},
    {"findSickestUnit", 16},
    {"findDestinationCivilUnit", 1},
    {"findDestinationArmedUnit", 2},
    {"findDestinationRepairerUnit", 4},
    {"findDestinationSupplyUnit", 8},
    {"findDestinationAnyUnit", 15},
    {"notInRange", 0},
    {"inRangeTooClose", 1},
    {"inRangeBadAngleAlpha", 2},
    {"inRangeBadAngleBeta", 3},
    {"inRangeBadHit", 4},
    {"inRangeGoodHit", 5},
    {"endCannonFireNoTarget", 0},
    {"endCannonFireNotInRange", 1},
    {"endCannonFireNoAmmo", 2},
    {"cannonTypeMachine", 0},
    {"cannonTypeCannon", 1},
    {"cannonTypeRocket", 2},
    {"cannonTypeAutoRocket", 3},
    {"cannonTypeBallisticRocket", 4},
    {"cannonTypeAntiRocket", 5},
    {"cannonTypeFlare", 6},
    {"cannonTypeDropBomb", 7},
    {"cannonTypeBomb", 8},
};

constinit const SBuiltinClassDesc kBuiltinCommandObjectDesc = {
    .m_nId = EBuiltinClass::eCommandObject,
    .m_pszName = "$CommandObject",
    .m_nParent = EBuiltinClass::eRoot,
    .m_nClassNumber = -1,
    .m_Functions = s_commandObjectFunctions,
    .m_Commands = s_commandObjectCommands,
    .m_Constants = s_commandObjectConstants,
};
