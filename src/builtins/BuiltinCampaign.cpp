// The campaign class and tutorial, a campaign without members of its own.
// Rows are in member order. A function row starts with its built-in number;
// an event's or command's index is its place, counted after the ancestors'.
#include "builtins/BuiltinRows.h"

using namespace BuiltinRows;

// ---- campaign --------------------------------------------------------------

constexpr SBuiltinMemberDesc s_campaignEvents[] = {
    Handler("StartMission", {I}, V),
    Handler("EndingMission", {I, I}, V),
    Handler("EndMission", {I, I}, V),
    Handler("EnableNextMission", {I, I, I}, V),
    HandlerSeries("Timer", 8, {}, V),
    HandlerSeries("CustomEvent", 8, {I, I, I, I}, I),
};

constexpr SBuiltinMemberDesc s_campaignCommands[] = {
    Handler("$Destructor", {}, I),
    Handler("Initialize", {}, I),
    Handler("DifficultyLevel", {I}, I),
};

constexpr SBuiltinMemberDesc s_campaignFunctions[] = {
    Fn(2251, "$Serialize", {campaign}, V),
    Fn(2250, "GetCampaignTime", {}, I, Global),
    Fn(2249, "RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I, I, I}, V, Global),
    Fn(2248, "RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I, I}, V, Global),
    Fn(2247, "RegisterMission", {I, S, S, S, I, I, I, I, I, I, I, I}, V, Global),
    Fn(2246, "RegisterMission", {I, S, S, S, I, I, I, I, I, I, I}, V, Global),
    Fn(2245, "RegisterMission", {I, S, S, S, I, I, I, I, I, I}, V, Global),
    Fn(2244, "EnableMission", {I, I}, V, Global),
    Fn(2243, "ActivateMission", {I, I}, V, Global),
    Fn(2242, "EnableMissionsEq", {I, I, I}, V, Global),
    Fn(2241, "EnableMissions", {I, I}, V, Global),
    Fn(2240, "ActivateMissionsEq", {I, I, I}, V, Global),
    Fn(2239, "ActivateMissions", {I, I}, V, Global),
    Fn(2238, "IsMissionEnabled", {I}, I, Global),
    Fn(2237, "IsMissionActive", {I}, I, Global),
    Fn(2236, "AreMissionsEnabled", {I}, I, Global),
    Fn(2235, "AreMissionsActive", {I}, I, Global),
    Fn(2234, "AreMissionsEnabledEq", {I, I}, I, Global),
    Fn(2233, "AreMissionsActiveEq", {I, I}, I, Global),
    Fn(2232, "GetNextMission", {I, I}, I, Global),
    Fn(2231, "GetCurrentMission", {}, I, Global),
    Fn(2230, "LoadMission", {I, I}, V, Global),
    Fn(2229, "LoadBase", {I, I}, V, Global),
    Fn(2228, "SetWorldsToLoad", {I}, V, Global),
    Fn(2227, "ForceKeepBitmapAfterStatistic", {}, V, Global),
    Fn(2226, "SetActivePlayerAndWorld", {I, I}, V, Global),
    Fn(2225, "SetTimer", {I, I}, V, Global),
    Fn(2224, "EnableChooseMissionButton", {I}, V, Global),
    Fn(2223, "CreateGamePlayer", {I, I, I, S}, V, Global),
    Fn(2222, "GetPlayerSideColor", {I}, I, Global),
    Fn(2221, "SetPlayerSideColor", {I, I}, V, Global),
    Fn(2220, "GetSeason", {}, I, Global),
    Fn(2219, "SetSeason", {I}, V, Global),
    Fn(2218, "SetMissionState", {I, I}, V, Global),
    Fn(2217, "GetMissionState", {I}, I, Global),
    Fn(2216, "LoadGameParameters", {S}, V, Global),
    Fn(2215, "LoadGameParameters", {S, S}, V, Global),
    Fn(2214, "LoadGameParameters", {S, S, S}, V, Global),
    Fn(2213, "LoadGameParameters", {S, S, S, S}, V, Global),
    Fn(2212, "LoadGameParameters", {S, S, S, S, S}, V, Global),
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
