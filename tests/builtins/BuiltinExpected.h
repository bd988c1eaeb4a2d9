// What the built-in library must contain, written down independently of the
// tables: the class tree with its counts and first numbers, and one
// fingerprint per class and member kind, computed from the member lists when
// these tests were written. Shared by the table tests and the library tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "builtins/BuiltinTables.h"

struct SExpectedClass {
    const char* m_pszName;
    const char* m_pszParent;  // "" for the root class and its children
    int m_nClassNumber;
    int m_nFunctions;
    int m_nFirstNumber;  // -1 without functions
    int m_nEvents;
    int m_nFirstEvent;  // flattened index of the first own event, -1 without
    int m_nCommands;
    int m_nFirstCommand;
    int m_nConstants;
};

// In class-tree order, i.e. indexed by EBuiltinClass.
inline constexpr SExpectedClass kExpectedClasses[] = {
    {"", "", -1, 14, 0, 0, -1, 2, 0, 0},
    {"$CommandObject", "", -1, 4, 14, 0, -1, 133, 2, 40},
    {"unit", "$CommandObject", 1, 148, 18, 10, 0, 0, -1, 39},
    {"civil", "unit", 9, 3, 166, 0, -1, 0, -1, 0},
    {"civilaircraft", "civil", 8, 3, 169, 0, -1, 0, -1, 0},
    {"tank", "unit", 2, 24, 172, 0, -1, 0, -1, 0},
    {"aircraft", "tank", 7, 3, 196, 0, -1, 0, -1, 0},
    {"sapper", "tank", 3, 24, 199, 0, -1, 0, -1, 0},
    {"repairer", "tank", 4, 29, 223, 0, -1, 0, -1, 0},
    {"supplier", "tank", 5, 26, 252, 0, -1, 0, -1, 0},
    {"builder", "tank", 6, 24, 278, 0, -1, 0, -1, 7},
    {"transporter", "tank", 10, 21, 302, 0, -1, 0, -1, 0},
    {"movingbuilding", "tank", 11, 5, 323, 0, -1, 0, -1, 0},
    {"saboteur", "tank", 12, 3, 328, 0, -1, 0, -1, 0},
    {"platoon", "$CommandObject", 13, 79, 331, 0, -1, 0, -1, 36},
    {"$Object", "", -1, 28, 410, 0, -1, 0, -1, 9},
    {"player", "", 15, 816, 438, 0, -1, 1, 2, 205},
    {"mission", "$Object", 16, 958, 1254, 25, 0, 8, 2, 411},
    {"campaign", "$Object", 14, 40, 2212, 20, 0, 3, 2, 36},
    {"unitex", "unit", 0, 148, 2252, 0, -1, 0, -1, 0},
    {"punit", "unit", 17, 115, 2400, 0, -1, 0, -1, 0},
    {"tutorial", "campaign", 18, 0, -1, 0, -1, 0, -1, 0},
};

// FNV-1a (64-bit) over the members in order, each written as
// "Name(p1,p2):result[,dot][,global]\n" with types i, s, v, a or a class name,
// and over the constants as "name=value\n" (signed decimal).
struct SExpectedFingerprint {
    const char* m_pszName;
    uint64_t m_nFunctions;
    uint64_t m_nEvents;
    uint64_t m_nCommands;
    uint64_t m_nConstants;
};

inline constexpr uint64_t kEmptyFingerprint = 0xcbf29ce484222325ull;

inline constexpr SExpectedFingerprint kExpectedFingerprints[] = {
    {"", 0x6b44ddf6d8770307ull, 0xcbf29ce484222325ull, 0x25ddb3ebf73f0c7eull, 0xcbf29ce484222325ull},
    {"$CommandObject", 0x325cb380d406aba6ull, 0xcbf29ce484222325ull, 0x74fe8c884b5ccfcfull, 0x445d67787a89dd62ull},
    {"unit", 0xde2100295f009192ull, 0xf6c343e3b0cfbcfbull, 0xcbf29ce484222325ull, 0x66060e8a559fbbecull},
    {"civil", 0x1e92c6da6703a216ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"civilaircraft", 0xf990bade27dcb594ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"tank", 0x39cc313f590b50b7ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"aircraft", 0xccbd8f454a3a3e33ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"sapper", 0xcddb0acd5dd8c120ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"repairer", 0x1d36d5431fa5cc06ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"supplier", 0xd91056db7a292e71ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"builder", 0xd2f22ea9f7dcaf36ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xb1d230c755c6a129ull},
    {"transporter", 0xf81a7cea53156117ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"movingbuilding", 0x0558bc8c46871cc8ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"saboteur", 0x9d889842dc32637aull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"platoon", 0x368ceeb0e4ebfaeaull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0x81f06150d1d244e0ull},
    {"$Object", 0x423b330b864d4f3bull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0x8b034e8bf512e0a7ull},
    {"player", 0xca9ff9e6a5024030ull, 0xcbf29ce484222325ull, 0x70b338962b721e54ull, 0x07fc51a8b76a2d48ull},
    {"mission", 0x33b90e9a12fd651aull, 0x98c7627fc0885d52ull, 0xf8409e0a458681b1ull, 0x274e01bb8fc162afull},
    {"campaign", 0xccd4670af83bb3dfull, 0xf7d282a54cdd7f65ull, 0x4e31f42b47ed9790ull, 0x78762d9110a61f7cull},
    {"unitex", 0x47acbc3d75d0ca2eull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"punit", 0x690daccd07f1aad3ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
    {"tutorial", 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
};

inline uint64_t Fnv1a64(std::string_view text) {
    uint64_t h = kEmptyFingerprint;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

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
