// What the built-in library must contain, written down independently of the
// tables: the class tree with the script-class numbers the engine knows the
// classes by. Shared by the table tests and the library tests, with the
// spelling of a member's signature that both compare.
#pragma once
#include <string>

#include "builtins/BuiltinTables.h"

struct SExpectedClass {
    const char* m_pszName;
    const char* m_pszParent;  // "" for the root class and its children
    int m_nClassNumber;
};

// In class-tree order, i.e. indexed by EBuiltinClass.
inline constexpr SExpectedClass kExpectedClasses[] = {
    {"", "", -1},
    {"$CommandObject", "", -1},
    {"unit", "$CommandObject", 1},
    {"civil", "unit", 9},
    {"civilaircraft", "civil", 8},
    {"tank", "unit", 2},
    {"aircraft", "tank", 7},
    {"sapper", "tank", 3},
    {"repairer", "tank", 4},
    {"supplier", "tank", 5},
    {"builder", "tank", 6},
    {"transporter", "tank", 10},
    {"movingbuilding", "tank", 11},
    {"saboteur", "tank", 12},
    {"platoon", "$CommandObject", 13},
    {"$Object", "", -1},
    {"player", "", 15},
    {"mission", "$Object", 16},
    {"campaign", "$Object", 14},
    {"unitex", "unit", 0},
    {"punit", "unit", 17},
    {"tutorial", "campaign", 18},
};

// Signatures are spelled "Name(p1,p2):result[,dot][,global]" with the types
// i, s, v, a or a class name.
inline std::string BuiltinTypeSpelling(TBuiltinType t) {
    switch (t) {
    case kBuiltinInt: return "i";
    case kBuiltinString: return "s";
    case kBuiltinVoid: return "v";
    case kBuiltinArray: return "a";
    default:
        if (!IsBuiltinClassType(t)) return "?";
        return std::string(GetBuiltinClassName(EBuiltinClass(t)));
    }
}

inline std::string MarksSpelling(bool dot, bool global) {
    return std::string(dot ? ",dot" : "") + (global ? ",global" : "");
}

inline std::string MemberSignature(const SBuiltinMember& m) {
    std::string text(m.m_strName);
    text += '(';
    for (int i = 0; i < m.m_nParams; ++i) {
        if (i) text += ',';
        text += BuiltinTypeSpelling(m.m_Params[i]);
    }
    return text + "):" + BuiltinTypeSpelling(m.m_nResult) + MarksSpelling(m.IsDotCallable(), m.IsGlobal());
}
