// Shorthand for the table files only: the type codes and row helpers that let
// a table row read like "Name(params): result, marks". Not for use elsewhere;
// the one-letter names would collide with ordinary code.
#pragma once
#include <initializer_list>

#include "builtins/BuiltinTables.h"

namespace BuiltinRows {

constexpr TBuiltinType I = kBuiltinInt;
constexpr TBuiltinType S = kBuiltinString;
constexpr TBuiltinType V = kBuiltinVoid;
constexpr TBuiltinType A = kBuiltinArray;

// Class types, spelled as a script spells them.
constexpr TBuiltinType CommandObject = BuiltinClassType(EBuiltinClass::eCommandObject);
constexpr TBuiltinType unit = BuiltinClassType(EBuiltinClass::eUnit);
constexpr TBuiltinType civil = BuiltinClassType(EBuiltinClass::eCivil);
constexpr TBuiltinType civilaircraft = BuiltinClassType(EBuiltinClass::eCivilAircraft);
constexpr TBuiltinType tank = BuiltinClassType(EBuiltinClass::eTank);
constexpr TBuiltinType aircraft = BuiltinClassType(EBuiltinClass::eAircraft);
constexpr TBuiltinType sapper = BuiltinClassType(EBuiltinClass::eSapper);
constexpr TBuiltinType repairer = BuiltinClassType(EBuiltinClass::eRepairer);
constexpr TBuiltinType supplier = BuiltinClassType(EBuiltinClass::eSupplier);
constexpr TBuiltinType builder = BuiltinClassType(EBuiltinClass::eBuilder);
constexpr TBuiltinType transporter = BuiltinClassType(EBuiltinClass::eTransporter);
constexpr TBuiltinType movingbuilding = BuiltinClassType(EBuiltinClass::eMovingBuilding);
constexpr TBuiltinType saboteur = BuiltinClassType(EBuiltinClass::eSaboteur);
constexpr TBuiltinType platoon = BuiltinClassType(EBuiltinClass::ePlatoon);
constexpr TBuiltinType player = BuiltinClassType(EBuiltinClass::ePlayer);
constexpr TBuiltinType mission = BuiltinClassType(EBuiltinClass::eMission);
constexpr TBuiltinType campaign = BuiltinClassType(EBuiltinClass::eCampaign);
constexpr TBuiltinType unitex = BuiltinClassType(EBuiltinClass::eUnitEx);
constexpr TBuiltinType punit = BuiltinClassType(EBuiltinClass::ePUnit);

constexpr uint8_t Dot = kBuiltinDot;
constexpr uint8_t Global = kBuiltinGlobal;

constexpr SBuiltinMemberDesc Row(int number, const char* name, std::initializer_list<TBuiltinType> params,
                                 TBuiltinType result, uint8_t marks, uint8_t series, bool family) {
    SBuiltinMemberDesc d{name, {}, uint8_t(params.size()), result, marks, series, family, int16_t(number)};
    // A row with too many parameters fails to compile: the index leaves the array.
    uint8_t n = 0;
    for (TBuiltinType t : params) d.m_Params[n++] = t;
    return d;
}

// Function rows start with the built-in number the engine calls the function
// by. Object files bind calls by these numbers, so a row never changes its
// number; new functions take the next unused numbers.
// A row that stands for several functions gives the number of its first; each
// further one takes the next lower number.

// One function: number, name(params): result, marks.
constexpr SBuiltinMemberDesc Fn(int number, const char* name, std::initializer_list<TBuiltinType> params,
                                TBuiltinType result, uint8_t marks = 0) {
    return Row(number, name, params, result, marks, 0, false);
}

// count functions named name0 .. name(count-1), all alike.
constexpr SBuiltinMemberDesc Series(int number, const char* name, uint8_t count,
                                    std::initializer_list<TBuiltinType> params, TBuiltinType result,
                                    uint8_t marks = 0) {
    return Row(number, name, params, result, marks, count, false);
}

// 126 overloads: the fixed parameters, then 1..6 more, each int or string.
constexpr SBuiltinMemberDesc Family(int number, const char* name, std::initializer_list<TBuiltinType> fixed,
                                    TBuiltinType result, uint8_t marks = 0) {
    return Row(number, name, fixed, result, marks, 0, true);
}

// One event or command: name(params): result. Its index is its place.
constexpr SBuiltinMemberDesc Handler(const char* name, std::initializer_list<TBuiltinType> params,
                                     TBuiltinType result) {
    return Row(kNoBuiltinNumber, name, params, result, 0, 0, false);
}

// count events or commands named name0 .. name(count-1), all alike.
constexpr SBuiltinMemberDesc HandlerSeries(const char* name, uint8_t count,
                                           std::initializer_list<TBuiltinType> params, TBuiltinType result) {
    return Row(kNoBuiltinNumber, name, params, result, 0, count, false);
}

// count constants named name0 .. name(count-1) with values first, first + 1, ...
constexpr SBuiltinConstantDesc ConstSeries(const char* name, uint8_t count, uint32_t first) {
    return {name, first, count};
}

}  // namespace BuiltinRows

// The class descriptors, one per table file.
extern const SBuiltinClassDesc kBuiltinRootDesc;
extern const SBuiltinClassDesc kBuiltinObjectDesc;
extern const SBuiltinClassDesc kBuiltinCommandObjectDesc;
extern const SBuiltinClassDesc kBuiltinUnitDesc;
extern const SBuiltinClassDesc kBuiltinUnitExDesc;
extern const SBuiltinClassDesc kBuiltinPUnitDesc;
extern const SBuiltinClassDesc kBuiltinCivilDesc;
extern const SBuiltinClassDesc kBuiltinCivilAircraftDesc;
extern const SBuiltinClassDesc kBuiltinTankDesc;
extern const SBuiltinClassDesc kBuiltinAircraftDesc;
extern const SBuiltinClassDesc kBuiltinSapperDesc;
extern const SBuiltinClassDesc kBuiltinRepairerDesc;
extern const SBuiltinClassDesc kBuiltinSupplierDesc;
extern const SBuiltinClassDesc kBuiltinBuilderDesc;
extern const SBuiltinClassDesc kBuiltinTransporterDesc;
extern const SBuiltinClassDesc kBuiltinMovingBuildingDesc;
extern const SBuiltinClassDesc kBuiltinSaboteurDesc;
extern const SBuiltinClassDesc kBuiltinPlatoonDesc;
extern const SBuiltinClassDesc kBuiltinCampaignDesc;
extern const SBuiltinClassDesc kBuiltinTutorialDesc;
extern const SBuiltinClassDesc kBuiltinMissionDesc;
extern const SBuiltinClassDesc kBuiltinPlayerDesc;
