// The kinds of unit below unit: civil units and the armed tank family.
// Each declares its own reference counting and saving members, then the
// functions of its specialty.
// Rows are in member order. A function row starts with its built-in number;
// an event's or command's index is its place, counted after the ancestors'.
#include "builtins/BuiltinRows.h"

using namespace BuiltinRows;

// ---- civil -----------------------------------------------------------------

constexpr SBuiltinMemberDesc s_civilFunctions[] = {
    Fn(168, "$Release", {civil}, V),
    Fn(167, "$AddRef", {civil}, V),
    Fn(166, "$Serialize", {civil}, V),
};

constinit const SBuiltinClassDesc kBuiltinCivilDesc = {
    .m_nId = EBuiltinClass::eCivil,
    .m_pszName = "civil",
    .m_nParent = EBuiltinClass::eUnit,
    .m_nClassNumber = 9,
    .m_Functions = s_civilFunctions,
};

// ---- civilaircraft ---------------------------------------------------------

constexpr SBuiltinMemberDesc s_civilAircraftFunctions[] = {
    Fn(171, "$Release", {civilaircraft}, V),
    Fn(170, "$AddRef", {civilaircraft}, V),
    Fn(169, "$Serialize", {civilaircraft}, V),
};

constinit const SBuiltinClassDesc kBuiltinCivilAircraftDesc = {
    .m_nId = EBuiltinClass::eCivilAircraft,
    .m_pszName = "civilaircraft",
    .m_nParent = EBuiltinClass::eCivil,
    .m_nClassNumber = 8,
    .m_Functions = s_civilAircraftFunctions,
};

// ---- tank ------------------------------------------------------------------

constexpr SBuiltinMemberDesc s_tankFunctions[] = {
    Fn(195, "$Release", {tank}, V),
    Fn(194, "$AddRef", {tank}, V),
    Fn(193, "$Serialize", {tank}, V),
    Fn(192, "GetCannonsCount", {}, I),
    Fn(191, "GetCannonType", {I}, I),
    Fn(190, "GetCannonShootRange", {I}, I),
    Fn(189, "GetCannonMinimumShootRange", {I}, I),
    Fn(188, "GetCannonSightRange", {I}, I),
    Fn(187, "CannonFireToTarget", {I, unit, I}, V),
    Fn(186, "CannonFireGround", {I, I, I, I, I}, V),
    Fn(185, "IsTargetInCannonRange", {I, unit}, I),
    Fn(184, "IsPointInCannonRange", {I, I, I, I}, I),
    Fn(183, "SetCannonFireMode", {I, I}, V),
    Fn(182, "StopCannonFire", {I}, V),
    Fn(181, "CannonRequiresSupply", {I}, I, Dot),
    Fn(180, "CanCannonFireToAircraft", {I}, I, Dot),
    Fn(179, "CanCannonFireToGround", {I}, I, Dot),
    Fn(178, "GetCannonHPDamage", {I}, I, Dot),
    Fn(177, "GetCannonElectronicDamage", {I}, I, Dot),
    Fn(176, "GetCannonAngleToTarget", {I, unit}, I),
    Fn(175, "GetCannonAngleToPoint", {I, I, I, I}, I),
    Fn(174, "CanCannonTurnFullAngle", {I}, I),
    Fn(173, "HaveCannonsMissingAmmo", {}, I),
    Fn(172, "GetAmmoCount", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinTankDesc = {
    .m_nId = EBuiltinClass::eTank,
    .m_pszName = "tank",
    .m_nParent = EBuiltinClass::eUnit,
    .m_nClassNumber = 2,
    .m_Functions = s_tankFunctions,
};

// ---- aircraft --------------------------------------------------------------

constexpr SBuiltinMemberDesc s_aircraftFunctions[] = {
    Fn(198, "$Release", {aircraft}, V),
    Fn(197, "$AddRef", {aircraft}, V),
    Fn(196, "$Serialize", {aircraft}, V),
};

constinit const SBuiltinClassDesc kBuiltinAircraftDesc = {
    .m_nId = EBuiltinClass::eAircraft,
    .m_pszName = "aircraft",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 7,
    .m_Functions = s_aircraftFunctions,
};

// ---- sapper ----------------------------------------------------------------

constexpr SBuiltinMemberDesc s_sapperFunctions[] = {
    Fn(222, "$Release", {sapper}, V),
    Fn(221, "$AddRef", {sapper}, V),
    Fn(220, "$Serialize", {sapper}, V),
    Fn(219, "CallPutMine", {}, V),
    Fn(218, "IsPuttingMine", {}, I),
    Fn(217, "HaveMines", {}, I),
    Fn(216, "GetMinesCount", {}, I),
    Fn(215, "IsGoodPointForMine", {I, I, I}, I),
    Fn(214, "AddMineAreaClose", {I, I, I, I, I, I}, I),
    Fn(213, "AddMineAreaMedium", {I, I, I, I, I, I}, I),
    Fn(212, "AddMineAreaFar", {I, I, I, I, I, I}, I),
    Fn(211, "AddMineLine", {I, I, I, I, I, I}, I),
    Fn(210, "AddMinePoint", {I, I, I}, I),
    Fn(209, "ResetMinePoints", {}, V),
    Fn(208, "HaveMinePoints", {}, I),
    Fn(207, "GetCurrMinePointX", {}, I),
    Fn(206, "GetCurrMinePointY", {}, I),
    Fn(205, "GetCurrMinePointZ", {}, I),
    Fn(204, "NextMinePoint", {}, I),
    Fn(203, "IsCurrentMineArea", {}, I),
    Fn(202, "IsCurrentMineAreaClose", {}, I),
    Fn(201, "IsCurrentMineAreaMedium", {}, I),
    Fn(200, "IsCurrentMineAreaFar", {}, I),
    Fn(199, "IsCurrentMineLineAndPoints", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinSapperDesc = {
    .m_nId = EBuiltinClass::eSapper,
    .m_pszName = "sapper",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 3,
    .m_Functions = s_sapperFunctions,
};

// ---- repairer --------------------------------------------------------------

constexpr SBuiltinMemberDesc s_repairerFunctions[] = {
    Fn(251, "$Release", {repairer}, V),
    Fn(250, "$AddRef", {repairer}, V),
    Fn(249, "$Serialize", {repairer}, V),
    Fn(248, "CallRepair", {unit}, V),
    Fn(247, "CallConvert", {unit}, V),
    Fn(246, "CallUpgrade", {unit}, V),
    Fn(245, "IsRepairing", {}, I),
    Fn(244, "IsConverting", {}, I),
    Fn(243, "IsUpgrading", {}, I),
    Fn(242, "CanRepairTanks", {}, I),
    Fn(241, "CanRepairBuildings", {}, I),
    Fn(240, "CanConvertTanks", {}, I),
    Fn(239, "CanConvertBuildings", {}, I),
    Fn(238, "CanConvertHealthyTanks", {}, I),
    Fn(237, "CanConvertHealthyBuildings", {}, I),
    Fn(236, "CanUpgrade", {}, I),
    Fn(235, "CanBeRepaired", {unit}, I),
    Fn(234, "CanBeConverted", {unit}, I),
    Fn(233, "CanBeUpgraded", {unit}, I),
    Fn(232, "IsInGoodPointForOperateOnTarget", {unit}, I),
    Fn(231, "IsGoodPointForOperateOnTarget", {unit, I, I, I}, I),
    Fn(230, "GetOperateOnTargetLocationX", {unit}, I),
    Fn(229, "GetOperateOnTargetLocationY", {unit}, I),
    Fn(228, "GetOperateOnTargetLocationZ", {unit}, I),
    Fn(227, "SetUpgradeWeapons", {I}, V),
    Fn(226, "SetUpgradeChasis", {I}, V),
    Fn(225, "SetUpgradeShield", {I}, V),
    Fn(224, "LockTargetForConverting", {unit}, V),
    Fn(223, "UnlockTargetForConverting", {}, V),
};

constinit const SBuiltinClassDesc kBuiltinRepairerDesc = {
    .m_nId = EBuiltinClass::eRepairer,
    .m_pszName = "repairer",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 4,
    .m_Functions = s_repairerFunctions,
};

// ---- supplier --------------------------------------------------------------

constexpr SBuiltinMemberDesc s_supplierFunctions[] = {
    Fn(277, "$Release", {supplier}, V),
    Fn(276, "$AddRef", {supplier}, V),
    Fn(275, "$Serialize", {supplier}, V),
    Fn(274, "CallLoadAmmo", {}, V),
    Fn(273, "CallPutAmmo", {}, V),
    Fn(272, "IsLoadingAmmo", {}, I),
    Fn(271, "IsPuttingAmmo", {}, I),
    Fn(270, "HaveObjectsForSupply", {}, I),
    Fn(269, "SetSupplyCenterBuilding", {unit}, I),
    Fn(268, "GetSupplyCenterBuilding", {}, unit),
    Fn(267, "GetSupplyCenterLoadPositionX", {}, I),
    Fn(266, "GetSupplyCenterLoadPositionY", {}, I),
    Fn(265, "GetSupplyCenterLoadPositionZ", {}, I),
    Fn(264, "GetSupplyCenterAssemblyPositionX", {}, I),
    Fn(263, "GetSupplyCenterAssemblyPositionY", {}, I),
    Fn(262, "GetSupplyCenterAssemblyPositionZ", {}, I),
    Fn(261, "GetCurrentObjectForSupply", {}, unit),
    Fn(260, "CanCurrentObjectBeSupplied", {}, I),
    Fn(259, "WasCurrentObjectSupplied", {}, I),
    Fn(258, "NextObjectForSupply", {}, I),
    Fn(257, "GetCurrentPutSupplyPositionX", {}, I),
    Fn(256, "GetCurrentPutSupplyPositionY", {}, I),
    Fn(255, "GetCurrentPutSupplyPositionZ", {}, I),
    Fn(254, "IsInGoodCurrentPutSupplyLocation", {}, I),
    Fn(253, "CheckCurrentPutSupplyLocation", {}, V),
    Fn(252, "FindSupplyCenter", {}, unit),
};

constinit const SBuiltinClassDesc kBuiltinSupplierDesc = {
    .m_nId = EBuiltinClass::eSupplier,
    .m_pszName = "supplier",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 5,
    .m_Functions = s_supplierFunctions,
};

// ---- builder ---------------------------------------------------------------

constexpr SBuiltinMemberDesc s_builderFunctions[] = {
    Fn(301, "$Release", {builder}, V),
    Fn(300, "$AddRef", {builder}, V),
    Fn(299, "$Serialize", {builder}, V),
    Fn(298, "CallBuildBuilding", {}, V),
    Fn(297, "CallBuildCurrentElement", {}, V),
    Fn(296, "IsBuildWorking", {}, I),
    Fn(295, "SetBuildTypeBuildBuilding", {I, I, I, I, I}, V),
    Fn(294, "SetBuildTypeBuildElements", {I}, V),
    Fn(293, "GetCurrentBuildType", {}, I),
    Fn(292, "IsInGoodPointForCurrentBuild", {}, I),
    Fn(291, "IsGoodPointForCurrentBuild", {I, I, I}, I),
    Fn(290, "GetCurrentBuildLocationX", {}, I),
    Fn(289, "GetCurrentBuildLocationY", {}, I),
    Fn(288, "GetCurrentBuildLocationZ", {}, I),
    Fn(287, "AddElementsLine", {I, I, I, I, I, I}, I),
    Fn(286, "AddElementPoint", {I, I, I}, I),
    Fn(285, "IsGoodElementPointForBuild", {I, I, I}, I),
    Fn(284, "RemoveAllElements", {}, V),
    Fn(283, "GetCurrentElementX", {}, I),
    Fn(282, "GetCurrentElementY", {}, I),
    Fn(281, "GetCurrentElementZ", {}, I),
    Fn(280, "HaveElementsForBuild", {}, I),
    Fn(279, "NextElementPoint", {}, I),
    Fn(278, "IsLastElement", {}, I),
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

constexpr SBuiltinMemberDesc s_transporterFunctions[] = {
    Fn(322, "$Release", {transporter}, V),
    Fn(321, "$AddRef", {transporter}, V),
    Fn(320, "$Serialize", {transporter}, V),
    Fn(319, "CallGetUnit", {I, I, I}, V),
    Fn(318, "CallPutUnit", {I, I, I}, V),
    Fn(317, "CallDropUnit", {I, I, I}, V),
    Fn(316, "IsGettingUnit", {}, I),
    Fn(315, "IsPuttingUnit", {}, I),
    Fn(314, "IsDroppingUnit", {}, I),
    Fn(313, "HaveUnitOnHook", {}, I),
    Fn(312, "CanPutUnitFromHookInPoint", {I, I, I}, I),
    Fn(311, "IsUnitToGetInPoint", {I, I, I}, I),
    Fn(310, "FindFreePlaceToPutUnitFromHook", {I, I, I, I}, I),
    Fn(309, "GetFoundFreePlaceToPutUnitX", {}, I),
    Fn(308, "GetFoundFreePlaceToPutUnitY", {}, I),
    Fn(307, "GetFoundFreePlaceToPutUnitZ", {}, I),
    Fn(306, "SetAutoGetPoint", {I, I, I}, V),
    Fn(305, "InvalidateAutoGetPoint", {}, V),
    Fn(304, "SetAutoPutPoint", {I, I, I}, V),
    Fn(303, "InvalidateAutoPutPoint", {}, V),
    Fn(302, "CheckCanGetUnit", {unit}, I),
};

constinit const SBuiltinClassDesc kBuiltinTransporterDesc = {
    .m_nId = EBuiltinClass::eTransporter,
    .m_pszName = "transporter",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 10,
    .m_Functions = s_transporterFunctions,
};

// ---- movingbuilding --------------------------------------------------------

constexpr SBuiltinMemberDesc s_movingBuildingFunctions[] = {
    Fn(327, "$Release", {movingbuilding}, V),
    Fn(326, "$AddRef", {movingbuilding}, V),
    Fn(325, "$Serialize", {movingbuilding}, V),
    Fn(324, "CallBuildingToSiegeMode", {}, V),
    Fn(323, "IsBuildingToSiegeMode", {}, I),
};

constinit const SBuiltinClassDesc kBuiltinMovingBuildingDesc = {
    .m_nId = EBuiltinClass::eMovingBuilding,
    .m_pszName = "movingbuilding",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 11,
    .m_Functions = s_movingBuildingFunctions,
};

// ---- saboteur --------------------------------------------------------------

constexpr SBuiltinMemberDesc s_saboteurFunctions[] = {
    Fn(330, "$Release", {saboteur}, V),
    Fn(329, "$AddRef", {saboteur}, V),
    Fn(328, "$Serialize", {saboteur}, V),
};

constinit const SBuiltinClassDesc kBuiltinSaboteurDesc = {
    .m_nId = EBuiltinClass::eSaboteur,
    .m_pszName = "saboteur",
    .m_nParent = EBuiltinClass::eTank,
    .m_nClassNumber = 12,
    .m_Functions = s_saboteurFunctions,
};
