// The class tree over the per-class tables, and the expansion of series and
// families into single members. Everything here is computed from the tables
// on demand; nothing is cached, so there is no state to initialise.
#include "builtins/BuiltinTables.h"

#include <cstdio>
#include <cstring>

#include "builtins/BuiltinRows.h"

namespace {

// Indexed by EBuiltinClass, i.e. in class-tree order.
const SBuiltinClassDesc* const s_classTree[kBuiltinClassCount] = {
    &kBuiltinRootDesc,        &kBuiltinCommandObjectDesc, &kBuiltinUnitDesc,
    &kBuiltinCivilDesc,       &kBuiltinCivilAircraftDesc, &kBuiltinTankDesc,
    &kBuiltinAircraftDesc,    &kBuiltinSapperDesc,        &kBuiltinRepairerDesc,
    &kBuiltinSupplierDesc,    &kBuiltinBuilderDesc,       &kBuiltinTransporterDesc,
    &kBuiltinMovingBuildingDesc, &kBuiltinSaboteurDesc,   &kBuiltinPlatoonDesc,
    &kBuiltinObjectDesc,      &kBuiltinPlayerDesc,        &kBuiltinMissionDesc,
    &kBuiltinCampaignDesc,    &kBuiltinUnitExDesc,        &kBuiltinPUnitDesc,
    &kBuiltinTutorialDesc,
};

constexpr EBuiltinClass s_creationOrder[] = {
    EBuiltinClass::eUnit,        EBuiltinClass::ePlatoon,        EBuiltinClass::eCampaign,
    EBuiltinClass::eMission,     EBuiltinClass::ePlayer,         EBuiltinClass::eObject,
    EBuiltinClass::eCommandObject, EBuiltinClass::eTutorial,     EBuiltinClass::eUnitEx,
    EBuiltinClass::ePUnit,       EBuiltinClass::eSapper,         EBuiltinClass::eSupplier,
    EBuiltinClass::eCivil,       EBuiltinClass::eTank,           EBuiltinClass::eRepairer,
    EBuiltinClass::eBuilder,     EBuiltinClass::eAircraft,       EBuiltinClass::eCivilAircraft,
    EBuiltinClass::eTransporter, EBuiltinClass::eMovingBuilding, EBuiltinClass::eSaboteur,
};

constexpr EBuiltinClass s_nameableOrder[] = {
    EBuiltinClass::eUnit,           EBuiltinClass::eUnitEx,   EBuiltinClass::ePlatoon,
    EBuiltinClass::eCampaign,       EBuiltinClass::eMission,  EBuiltinClass::ePlayer,
    EBuiltinClass::eSapper,         EBuiltinClass::eSupplier, EBuiltinClass::eCivil,
    EBuiltinClass::eTank,           EBuiltinClass::eRepairer, EBuiltinClass::eBuilder,
    EBuiltinClass::eAircraft,       EBuiltinClass::eCivilAircraft, EBuiltinClass::ePUnit,
    EBuiltinClass::eTransporter,    EBuiltinClass::eMovingBuilding, EBuiltinClass::eSaboteur,
    EBuiltinClass::eTutorial,
};

int RowSize(const SBuiltinMemberDesc& row) {
    if (row.m_bFamily) return kBuiltinFamilySize;
    return row.m_nSeries ? row.m_nSeries : 1;
}

// Copies name + decimal suffix into the record's own buffer.
std::string_view NumberedName(const char* stem, int suffix, char (&buffer)[64]) {
    int n = std::snprintf(buffer, sizeof buffer, "%s%d", stem, suffix);
    return {buffer, size_t(n)};
}

// Fills `m` with form `form` (0-based) of `row`. A family form with k extra
// parameters and pattern p (int 0, string 1, last parameter fastest) is form
// 2^k - 2 + p, so k grows with the form and the patterns count in binary.
void ExpandRow(const SBuiltinMemberDesc& row, int form, SBuiltinMember& m) {
    m.m_strName = row.m_nSeries ? NumberedName(row.m_pszName, form, m.m_szNameBuffer)
                                : std::string_view(row.m_pszName);
    m.m_nResult = row.m_nResult;
    m.m_nMarks = row.m_nMarks;
    m.m_nParams = row.m_nParams;
    m.m_nNumber = row.m_nNumber == kNoBuiltinNumber ? kNoBuiltinNumber : row.m_nNumber - form;
    std::memcpy(m.m_Params, row.m_Params, row.m_nParams);
    if (!row.m_bFamily) return;
    int extra = 1;
    while (form >= (2 << extra) - 2) ++extra;
    int pattern = form - ((2 << (extra - 1)) - 2);
    for (int bit = extra - 1; bit >= 0; --bit)
        m.m_Params[m.m_nParams++] = ((pattern >> bit) & 1) ? kBuiltinString : kBuiltinInt;
}

}  // namespace

const SBuiltinClassDesc& GetBuiltinClassDesc(EBuiltinClass c) {
    return *s_classTree[int(c)];
}

std::string_view GetBuiltinClassName(EBuiltinClass c) {
    return GetBuiltinClassDesc(c).m_pszName;
}

std::span<const EBuiltinClass> GetBuiltinCreationOrder() {
    return s_creationOrder;
}

std::span<const EBuiltinClass> GetBuiltinNameableOrder() {
    return s_nameableOrder;
}

int CountBuiltinMembers(std::span<const SBuiltinMemberDesc> rows) {
    int total = 0;
    for (const SBuiltinMemberDesc& row : rows) total += RowSize(row);
    return total;
}

int CountBuiltinConstants(std::span<const SBuiltinConstantDesc> rows) {
    int total = 0;
    for (const SBuiltinConstantDesc& row : rows) total += row.m_nSeries ? row.m_nSeries : 1;
    return total;
}

void ForEachBuiltinMember(std::span<const SBuiltinMemberDesc> rows, CBuiltinVisitor<SBuiltinMember> visit) {
    SBuiltinMember m;
    int position = 0;
    for (const SBuiltinMemberDesc& row : rows) {
        for (int form = 0, n = RowSize(row); form < n; ++form) {
            ExpandRow(row, form, m);
            m.m_nPosition = position++;
            visit(m);
        }
    }
}

void ForEachBuiltinConstant(std::span<const SBuiltinConstantDesc> rows,
                            CBuiltinVisitor<SBuiltinConstant> visit) {
    SBuiltinConstant k;
    for (const SBuiltinConstantDesc& row : rows) {
        if (!row.m_nSeries) {
            k.m_strName = row.m_pszName;
            k.m_nValue = int32_t(row.m_nPattern);
            visit(k);
            continue;
        }
        for (int i = 0; i < row.m_nSeries; ++i) {
            k.m_strName = NumberedName(row.m_pszName, i, k.m_szNameBuffer);
            k.m_nValue = int32_t(row.m_nPattern + uint32_t(i));
            visit(k);
        }
    }
}

int GetBuiltinFunctionTotal() {
    int total = 0;
    for (const SBuiltinClassDesc* desc : s_classTree) total += CountBuiltinMembers(desc->m_Functions);
    return total;
}
