// The campaign class and tutorial, a campaign without members of its own.
// Rows are in member order; the comment before a row is its position or its
// flattened index.
#include "builtins/BuiltinRows.h"

using namespace BuiltinRows;

// ---- campaign --------------------------------------------------------------

// Events by flattened index.
constexpr SBuiltinMemberDesc s_campaignEvents[] = {
    /*   0 */ Fn("StartMission", {I}, V),
    /*   1 */ Fn("EndingMission", {I, I}, V),
    /*   2 */ Fn("EndMission", {I, I}, V),
    /*   3 */ Fn("EnableNextMission", {I, I, I}, V),
    /* 4-11 */ Series("Timer", 8, {}, V),
    /* 12-19 */ Series("CustomEvent", 8, {I, I, I, I}, I),
};

// Commands by flattened index.
constexpr SBuiltinMemberDesc s_campaignCommands[] = {
    /*   2 */ Fn("$Destructor", {}, I),
    /*   3 */ Fn("Initialize", {}, I),
    /*   4 */ Fn("DifficultyLevel", {I}, I),
};

// Functions by position (numbers 2212-2251, number = 2251 - position).
constexpr SBuiltinMemberDesc s_campaignFunctions[] = {
    /*   0 */ Fn("$Serialize", {campaign}, V),
    /*   1 */ Fn("GetCampaignTime", {}, I, Global),
    /*   2 */ Fn("RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I, I, I}, V, Global),
    /*   3 */ Fn("RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I, I}, V, Global),
    /*   4 */ Fn("RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I}, V, Global),
    /*   5 */ Fn("RegisterMission", {I, S, S, S, I, I, I, I, I, I, I}, V, Global),
    /*   6 */ Fn("RegisterMission", {I, S, S, S, I, I, I, I, I, I}, V, Global),
    /*   7 */ Fn("EnableMission", {I, I}, V, Global),
    /*   8 */ Fn("ActivateMission", {I, I}, V, Global),
    /*   9 */ Fn("EnableMissionsEq", {I, I, I}, V, Global),
    /*  10 */ Fn("EnableMissions", {I, I}, V, Global),
    /*  11 */ Fn("ActivateMissionsEq", {I, I, I}, V, Global),
    /*  12 */ Fn("ActivateMissions", {I, I}, V, Global),
    /*  13 */ Fn("IsMissionEnabled", {I}, I, Global),
    /*  14 */ Fn("IsMissionActive", {I}, I, Global),
    /*  15 */ Fn("AreMissionsEnabled", {I}, I, Global),
    /*  16 */ Fn("AreMissionsActive", {I}, I, Global),
    /*  17 */ Fn("AreMissionsEnabledEq", {I, I}, I, Global),
    /*  18 */ Fn("AreMissionsActiveEq", {I, I}, I, Global),
    /*  19 */ Fn("GetNextMission", {I, I}, I, Global),
    /*  20 */ Fn("GetCurrentMission", {}, I, Global),
    /*  21 */ Fn("LoadMission", {I, I}, V, Global),
    /*  22 */ Fn("LoadBase", {I, I}, V, Global),
    /*  23 */ Fn("SetWorldsToLoad", {I}, V, Global),
    /*  24 */ Fn("ForceKeepBitmapAfterStatistic", {}, V, Global),
    /*  25 */ Fn("SetActivePlayerAndWorld", {I, I}, V, Global),
    /*  26 */ Fn("SetTimer", {I, I}, V, Global),
    /*  27 */ Fn("EnableChooseMissionButton", {I}, V, Global),
    /*  28 */ Fn("CreateGamePlayer", {I, I, I, S}, V, Global),
    /*  29 */ Fn("GetPlayerSideColor", {I}, I, Global),
    /*  30 */ Fn("SetPlayerSideColor", {I, I}, V, Global),
    /*  31 */ Fn("GetSeason", {}, I, Global),
    /*  32 */ Fn("SetSeason", {I}, V, Global),
    /*  33 */ Fn("SetMissionState", {I, I}, V, Global),
    /*  34 */ Fn("GetMissionState", {I}, I, Global),
    /*  35 */ Fn("LoadGameParameters", {S}, V, Global),
    /*  36 */ Fn("LoadGameParameters", {S, S}, V, Global),
    /*  37 */ Fn("LoadGameParameters", {S, S, S}, V, Global),
    /*  38 */ Fn("LoadGameParameters", {S, S, S, S}, V, Global),
    /*  39 */ Fn("LoadGameParameters", {S, S, S, S, S}, V, Global),
};

constexpr SBuiltinConstantDesc s_campaignConstants[] = {
    {"playerLocal", 0},
    {"playerAI", 1},
    {"stateAvailable", 0},
    {"stateFailed", 2},
    {"stateSkiped", 3},
    {"stateAccomplished", 1},
    {"lockResearchDialog", 1},
    {"lockConstructionDialog", 2},
    {"lockUpgradeWeaponDialog", 4},
    {"lockAllianceDialog", 8},
    {"lockGiveMoneyDialog", 16},
    {"lockGiveUnitsDialog", 32},
    {"lockShowToolbar", 64},
    {"lockToolbarMap", 128},
    {"lockToolbarPanel", 256},
    {"lockToolbarNextWorld", 512},
    {"lockToolbarLevelName", 1024},
    {"lockToolbarTunnels", 2048},
    {"lockToolbarSwitchMode", 4096},
    {"lockToolbarResearching", 8192},
    {"lockToolbarConstruction", 16384},
    {"lockToolbarAlliance", 32768},
    {"lockToolbarGiveMoney", 0x10000},
    {"lockToolbarObjectives", 0x20000},
    {"lockToolbarMenu", 0x40000},
    {"lockToolbarMoney", 0x80000},
    {"lockToolbarEnergy", 0x100000},
    {"lockDisplayToolbarLevelName", 0x200000},
    {"lockDisplayToolbarMoney", 0x400000},
    {"lockDisplayToolbarEnergy", 0x800000},
    {"lockCreateBuildPanel", 0x1000000},
    {"lockCreatePanel", 0x2000000},
    {"lockCreateMap", 0x4000000},
    {"toolbarDisplayLevel", 0},
    {"toolbarDisplayMoney", 1},
    {"toolbarDisplayEnergy", 2},
};

constinit const SBuiltinClassDesc kBuiltinCampaignDesc = {
    .m_nId = EBuiltinClass::eCampaign,
    .m_pszName = "campaign",
    .m_nParent = EBuiltinClass::eObject,
    .m_nClassNumber = 14,
    .m_Functions = s_campaignFunctions,
    .m_Events = s_campaignEvents,
    .m_Commands = s_campaignCommands,
    .m_Constants = s_campaignConstants,
};

// ---- tutorial --------------------------------------------------------------

constinit const SBuiltinClassDesc kBuiltinTutorialDesc = {
    .m_nId = EBuiltinClass::eTutorial,
    .m_pszName = "tutorial",
    .m_nParent = EBuiltinClass::eCampaign,
    .m_nClassNumber = 18,
};
