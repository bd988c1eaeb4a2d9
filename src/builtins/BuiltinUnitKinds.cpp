// The kinds of unit below unit: civil units and the armed tank family.
// Each declares its own reference counting and saving members, then the
// functions of its specialty.
// Rows are in member order; the comment before a row is its position or its
// flattened index.
#include "builtins/BuiltinRows.h"

using namespace BuiltinRows;

// ---- civil -----------------------------------------------------------------

// Functions by position (numbers 166-168, number = 168 - position).
constexpr SBuiltinMemberDesc s_civilFunctions[] = {
    /*   0 */ Fn("$Release", {civil}, V),
    /*   1 */ Fn("$AddRef", {civil}, V),
    /*   2 */ Fn("$Serialize", {civil}, V),
};

constinit const SBuiltinClassDesc kBuiltinCivilDesc = {
    .m_nId = EBuiltinClass::eCivil,
    .m_pszName = "civil",
    .m_nParent = EBuiltinClass::eUnit,
    .m_nClassNumber = 9,
    .m_Functions = s_civilFunctions,
};

// ---- civilaircraft ---------------------------------------------------------

// Functions by position (numbers 169-171, number = 171 - position).
constexpr SBuiltinMemberDesc s_civilAircraftFunctions[] = {
    /*   0 */ Fn("$Release", {civilaircraft}, V),
    /*   1 */ Fn("$AddRef", {civilaircraft}, V),
    /*   2 */ Fn("$Serialize", {civilaircraft}, V),
};

constinit const SBuiltinClassDesc kBuiltinCivilAircraftDesc = {
    .m_nId = EBuiltinClass::eCivilAircraft,
    .m_pszName = "civilaircraft",
    .m_nParent = EBuiltinClass::eCivil,
    .m_nClassNumber = 8,
    .m_Functions = s_civilAircraftFunctions,
};

// ---- tank ------------------------------------------------------------------

// Functions by position (numbers 172-195, number = 195 - position).
constexpr SBuiltinMemberDesc s_tankFunctions[] = {
    /*   0 */ Fn("$Release", {tank}, V),
    /*   1 */ Fn("$AddRef", {tank}, V),
    /*   2 */ Fn("$Serialize", {tank}, V),
    /*   3 */ Fn("GetCannonsCount", {}, I),
    /*   4 */ Fn("GetCannonType", {I}, I),
    /*   5 */ Fn("GetCannonShootRange", {I}, I),
    /*   6 */ Fn("GetCannonMinimumShootRange", {I}, I),
    /*   7 */ Fn("GetCannonSightRange", {I}, I),
    /*   8 */ Fn("CannonFireToTarget", {I, unit, I}, V),
    /*   9 */ Fn("CannonFireGround", {I, I, I, I, I}, V),
    /*  10 */ Fn("IsTargetInCannonRange", {I, unit}, I),
    /*  11 */ Fn("IsPointInCannonRange", {I, I, I, I}, I),
    /*  12 */ Fn("SetCannonFireMode", {I, I}, V),
    /*  13 */ Fn("StopCannonFire", {I}, V),
    /*  14 */ Fn("CannonRequiresSupply", {I}, I, Dot),
    /*  15 */ Fn("CanCannonFireToAircraft", {I}, I, Dot),
    /*  16 */ Fn("CanCannonFireToGround", {I}, I, Dot),
    /*  17 */ Fn("GetCannonHPDamage", {I}, I, Dot),
    /*  18 */ Fn("GetCannonElectronicDamage", {I}, I, Dot),
    /*  19 */ Fn("GetCannonAngleToTarget", {I, unit}, I),
    /*  20 */ Fn("GetCannonAngleToPoint", {I, I, I, I}, I),
    /*  21 */ Fn("CanCannonTurnFullAngle", {I}, I),
    /*  22 */ Fn("HaveCannonsMissingAmmo", {}, I),
    /*  23 */ Fn("GetAmmoCount", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinTankDesc = {
    .m_nId = EBuiltinClass::eTank,
    .m_pszName = "tank",
    .m_nParent = EBuiltinClass::eUnit,
    .m_nClassNumber = 2,
    .m_Functions = s_tankFunctions,
};

// ---- aircraft --------------------------------------------------------------

// Functions by position (numbers 196-198, number = 198 - position).
constexpr SBuiltinMemberDesc s_aircraftFunctions[] = {
    /*   0 */ Fn("$Release", {aircraft}, V),
    /*   1 */ Fn("$AddRef", {aircraft}, V),
    /*   2 */ Fn("$Serialize", {aircraft}, V),
};

constinit const SBuiltinClassDesc kBuiltinAircraftDesc = {
    .m_nId = EBuiltinClass::eAircraft,
    .m_pszName = "aircraft",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 7,
    .m_Functions = s_aircraftFunctions,
};

// ---- sapper ----------------------------------------------------------------

// Functions by position (numbers 199-222, number = 222 - position).
constexpr SBuiltinMemberDesc s_sapperFunctions[] = {
    /*   0 */ Fn("$Release", {sapper}, V),
    /*   1 */ Fn("$AddRef", {sapper}, V),
    /*   2 */ Fn("$Serialize", {sapper}, V),
    /*   3 */ Fn("CallPutMine", {}, V),
    /*   4 */ Fn("IsPuttingMine", {}, I),
    /*   5 */ Fn("HaveMines", {}, I),
    /*   6 */ Fn("GetMinesCount", {}, I),
    /*   7 */ Fn("IsGoodPointForMine", {I, I, I}, I),
    /*   8 */ Fn("AddMineAreaClose", {I, I, I, I, I, I}, I),
    /*   9 */ Fn("AddMineAreaMedium", {I, I, I, I, I, I}, I),
    /*  10 */ Fn("AddMineAreaFar", {I, I, I, I, I, I}, I),
    /*  11 */ Fn("AddMineLine", {I, I, I, I, I, I}, I),
    /*  12 */ Fn("AddMinePoint", {I, I, I}, I),
    /*  13 */ Fn("ResetMinePoints", {}, V),
    /*  14 */ Fn("HaveMinePoints", {}, I),
    /*  15 */ Fn("GetCurrMinePointX", {}, I),
    /*  16 */ Fn("GetCurrMinePointY", {}, I),
    /*  17 */ Fn("GetCurrMinePointZ", {}, I),
    /*  18 */ Fn("NextMinePoint", {}, I),
    /*  19 */ Fn("IsCurrentMineArea", {}, I),
    /*  20 */ Fn("IsCurrentMineAreaClose", {}, I),
    /*  21 */ Fn("IsCurrentMineAreaMedium", {}, I),
    /*  22 */ Fn("IsCurrentMineAreaFar", {}, I),
    /*  23 */ Fn("IsCurrentMineLineAndPoints", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinSapperDesc = {
    .m_nId = EBuiltinClass::eSapper,
    .m_pszName = "sapper",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 3,
    .m_Functions = s_sapperFunctions,
};

// ---- repairer --------------------------------------------------------------

// Functions by position (numbers 223-251, number = 251 - position).
constexpr SBuiltinMemberDesc s_repairerFunctions[] = {
    /*   0 */ Fn("$Release", {repairer}, V),
    /*   1 */ Fn("$AddRef", {repairer}, V),
    /*   2 */ Fn("$Serialize", {repairer}, V),
    /*   3 */ Fn("CallRepair", {unit}, V),
    /*   4 */ Fn("CallConvert", {unit}, V),
    /*   5 */ Fn("CallUpgrade", {unit}, V),
    /*   6 */ Fn("IsRepairing", {}, I),
    /*   7 */ Fn("IsConverting", {}, I),
    /*   8 */ Fn("IsUpgrading", {}, I),
    /*   9 */ Fn("CanRepairTanks", {}, I),
    /*  10 */ Fn("CanRepairBuildings", {}, I),
    /*  11 */ Fn("CanConvertTanks", {}, I),
    /*  12 */ Fn("CanConvertBuildings", {}, I),
    /*  13 */ Fn("CanConvertHealthyTanks", {}, I),
    /*  14 */ Fn("CanConvertHealthyBuildings", {}, I),
    /*  15 */ Fn("CanUpgrade", {}, I),
    /*  16 */ Fn("CanBeRepaired", {unit}, I),
    /*  17 */ Fn("CanBeConverted", {unit}, I),
    /*  18 */ Fn("CanBeUpgraded", {unit}, I),
    /*  19 */ Fn("IsInGoodPointForOperateOnTarget", {unit}, I),
    /*  20 */ Fn("IsGoodPointForOperateOnTarget", {unit, I, I, I}, I),
    /*  21 */ Fn("GetOperateOnTargetLocationX", {unit}, I),
    /*  22 */ Fn("GetOperateOnTargetLocationY", {unit}, I),
    /*  23 */ Fn("GetOperateOnTargetLocationZ", {unit}, I),
    /*  24 */ Fn("SetUpgradeWeapons", {I}, V),
    /*  25 */ Fn("SetUpgradeChasis", {I}, V),
    /*  26 */ Fn("SetUpgradeShield", {I}, V),
    /*  27 */ Fn("LockTargetForConverting", {unit}, V),
    /*  28 */ Fn("UnlockTargetForConverting", {}, V),
};

constinit const SBuiltinClassDesc kBuiltinRepairerDesc = {
    .m_nId = EBuiltinClass::eRepairer,
    .m_pszName = "repairer",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 4,
    .m_Functions = s_repairerFunctions,
};

// ---- supplier --------------------------------------------------------------

// Functions by position (numbers 252-277, number = 277 - position).
constexpr SBuiltinMemberDesc s_supplierFunctions[] = {
    /*   0 */ Fn("$Release", {supplier}, V),
    /*   1 */ Fn("$AddRef", {supplier}, V),
    /*   2 */ Fn("$Serialize", {supplier}, V),
    /*   3 */ Fn("CallLoadAmmo", {}, V),
    /*   4 */ Fn("CallPutAmmo", {}, V),
    /*   5 */ Fn("IsLoadingAmmo", {}, I),
    /*   6 */ Fn("IsPuttingAmmo", {}, I),
    /*   7 */ Fn("HaveObjectsForSupply", {}, I),
    /*   8 */ Fn("SetSupplyCenterBuilding", {unit}, I),
    /*   9 */ Fn("GetSupplyCenterBuilding", {}, unit),
    /*  10 */ Fn("GetSupplyCenterLoadPositionX", {}, I),
    /*  11 */ Fn("GetSupplyCenterLoadPositionY", {}, I),
    /*  12 */ Fn("GetSupplyCenterLoadPositionZ", {}, I),
    /*  13 */ Fn("GetSupplyCenterAssemblyPositionX", {}, I),
    /*  14 */ Fn("GetSupplyCenterAssemblyPositionY", {}, I),
    /*  15 */ Fn("GetSupplyCenterAssemblyPositionZ", {}, I),
    /*  16 */ Fn("GetCurrentObjectForSupply", {}, unit),
    /*  17 */ Fn("CanCurrentObjectBeSupplied", {}, I),
    /*  18 */ Fn("WasCurrentObjectSupplied", {}, I),
    /*  19 */ Fn("NextObjectForSupply", {}, I),
    /*  20 */ Fn("GetCurrentPutSupplyPositionX", {}, I),
    /*  21 */ Fn("GetCurrentPutSupplyPositionY", {}, I),
    /*  22 */ Fn("GetCurrentPutSupplyPositionZ", {}, I),
    /*  23 */ Fn("IsInGoodCurrentPutSupplyLocation", {}, I),
    /*  24 */ Fn("CheckCurrentPutSupplyLocation", {}, V),
    /*  25 */ Fn("FindSupplyCenter", {}, unit),
};

constinit const SBuiltinClassDesc kBuiltinSupplierDesc = {
    .m_nId = EBuiltinClass::eSupplier,
    .m_pszName = "supplier",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 5,
    .m_Functions = s_supplierFunctions,
};

// ---- builder ---------------------------------------------------------------

// Functions by position (numbers 278-301, number = 301 - position).
constexpr SBuiltinMemberDesc s_builderFunctions[] = {
    /*   0 */ Fn("$Release", {builder}, V),
    /*   1 */ Fn("$AddRef", {builder}, V),
    /*   2 */ Fn("$Serialize", {builder}, V),
    /*   3 */ Fn("CallBuildBuilding", {}, V),
    /*   4 */ Fn("CallBuildCurrentElement", {}, V),
    /*   5 */ Fn("IsBuildWorking", {}, I),
    /*   6 */ Fn("SetBuildTypeBuildBuilding", {I, I, I, I, I}, V),
    /*   7 */ Fn("SetBuildTypeBuildElements", {I}, V),
    /*   8 */ Fn("GetCurrentBuildType", {}, I),
    /*   9 */ Fn("IsInGoodPointForCurrentBuild", {}, I),
    /*  10 */ Fn("IsGoodPointForCurrentBuild", {I, I, I}, I),
    /*  11 */ Fn("GetCurrentBuildLocationX", {}, I),
    /*  12 */ Fn("GetCurrentBuildLocationY", {}, I),
    /*  13 */ Fn("GetCurrentBuildLocationZ", {}, I),
    /*  14 */ Fn("AddElementsLine", {I, I, I, I, I, I}, I),
    /*  15 */ Fn("AddElementPoint", {I, I, I}, I),
    /*  16 */ Fn("IsGoodElementPointForBuild", {I, I, I}, I),
    /*  17 */ Fn("RemoveAllElements", {}, V),
    /*  18 */ Fn("GetCurrentElementX", {}, I),
    /*  19 */ Fn("GetCurrentElementY", {}, I),
    /*  20 */ Fn("GetCurrentElementZ", {}, I),
    /*  21 */ Fn("HaveElementsForBuild", {}, I),
    /*  22 */ Fn("NextElementPoint", {}, I),
    /*  23 */ Fn("IsLastElement", {}, I),
};

constexpr SBuiltinConstantDesc s_builderConstants[] = {
    {"buildNone", 0},
    {"buildBuilding", 1},
    {"buildWall", 2},
    {"buildTrench", 3},
    {"buildFlatTerrain", 4},
    {"buildWideBridge", 5},
    {"buildNarrowBridge", 6},
};

constinit const SBuiltinClassDesc kBuiltinBuilderDesc = {
    .m_nId = EBuiltinClass::eBuilder,
    .m_pszName = "builder",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 6,
    .m_Functions = s_builderFunctions,
    .m_Constants = s_builderConstants,
};

// ---- transporter -----------------------------------------------------------

// Functions by position (numbers 302-322, number = 322 - position).
constexpr SBuiltinMemberDesc s_transporterFunctions[] = {
    /*   0 */ Fn("$Release", {transporter}, V),
    /*   1 */ Fn("$AddRef", {transporter}, V),
    /*   2 */ Fn("$Serialize", {transporter}, V),
    /*   3 */ Fn("CallGetUnit", {I, I, I}, V),
    /*   4 */ Fn("CallPutUnit", {I, I, I}, V),
    /*   5 */ Fn("CallDropUnit", {I, I, I}, V),
    /*   6 */ Fn("IsGettingUnit", {}, I),
    /*   7 */ Fn("IsPuttingUnit", {}, I),
    /*   8 */ Fn("IsDroppingUnit", {}, I),
    /*   9 */ Fn("HaveUnitOnHook", {}, I),
    /*  10 */ Fn("CanPutUnitFromHookInPoint", {I, I, I}, I),
    /*  11 */ Fn("IsUnitToGetInPoint", {I, I, I}, I),
    /*  12 */ Fn("FindFreePlaceToPutUnitFromHook", {I, I, I, I}, I),
    /*  13 */ Fn("GetFoundFreePlaceToPutUnitX", {}, I),
    /*  14 */ Fn("GetFoundFreePlaceToPutUnitY", {}, I),
    /*  15 */ Fn("GetFoundFreePlaceToPutUnitZ", {}, I),
    /*  16 */ Fn("SetAutoGetPoint", {I, I, I}, V),
    /*  17 */ Fn("InvalidateAutoGetPoint", {}, V),
    /*  18 */ Fn("SetAutoPutPoint", {I, I, I}, V),
    /*  19 */ Fn("InvalidateAutoPutPoint", {}, V),
    /*  20 */ Fn("CheckCanGetUnit", {unit}, I),
};

constinit const SBuiltinClassDesc kBuiltinTransporterDesc = {
    .m_nId = EBuiltinClass::eTransporter,
    .m_pszName = "transporter",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 10,
    .m_Functions = s_transporterFunctions,
};

// ---- movingbuilding --------------------------------------------------------

// Functions by position (numbers 323-327, number = 327 - position).
constexpr SBuiltinMemberDesc s_movingBuildingFunctions[] = {
    /*   0 */ Fn("$Release", {movingbuilding}, V),
    /*   1 */ Fn("$AddRef", {movingbuilding}, V),
    /*   2 */ Fn("$Serialize", {movingbuilding}, V),
    /*   3 */ Fn("CallBuildingToSiegeMode", {}, V),
    /*   4 */ Fn("IsBuildingToSiegeMode", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinMovingBuildingDesc = {
    .m_nId = EBuiltinClass::eMovingBuilding,
    .m_pszName = "movingbuilding",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 11,
    .m_Functions = s_movingBuildingFunctions,
};

// ---- saboteur --------------------------------------------------------------

// Functions by position (numbers 328-330, number = 330 - position).
constexpr SBuiltinMemberDesc s_saboteurFunctions[] = {
    /*   0 */ Fn("$Release", {saboteur}, V),
    /*   1 */ Fn("$AddRef", {saboteur}, V),
    /*   2 */ Fn("$Serialize", {saboteur}, V),
};

constinit const SBuiltinClassDesc kBuiltinSaboteurDesc = {
    .m_nId = EBuiltinClass::eSaboteur,
    .m_pszName = "saboteur",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 12,
    .m_Functions = s_saboteurFunctions,
};
