// The game's object model as constant tables: one descriptor per built-in
// class (name, parent, script-class number) with its functions, events,
// commands and constants in member order. Rows that stand for many members (a
// numbered series such as UserNoParam0..9, or a family of 126 overloads) stay
// one row here and are expanded by ForEachBuiltinMember, so the tables read
// like the member lists they come from.
//
// Every function row carries its built-in number, the engine's index of the
// function; across all classes the numbers are 0..N-1, each once. Events and
// commands have no number: their index is their place in the list flattened
// over the ancestors.
//
// This layer knows nothing of the semantic records; CBuiltinLibrary turns
// it into CType/CFunction objects. Names and numbers can be read here without
// building anything.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

// Classes in the order of the class tree.
enum class EBuiltinClass : uint8_t {
    eRoot,
    eCommandObject,
    eUnit,
    eCivil,
    eCivilAircraft,
    eTank,
    eAircraft,
    eSapper,
    eRepairer,
    eSupplier,
    eBuilder,
    eTransporter,
    eMovingBuilding,
    eSaboteur,
    ePlatoon,
    eObject,
    ePlayer,
    eMission,
    eCampaign,
    eUnitEx,
    ePUnit,
    eTutorial,
    eCount,
    eNone = 0xFF,
};

constexpr int kBuiltinClassCount = int(EBuiltinClass::eCount);

// A type in a description: a class (its EBuiltinClass value) or a basic type.
using TBuiltinType = uint8_t;
constexpr TBuiltinType kBuiltinInt = 0xF1;
constexpr TBuiltinType kBuiltinString = 0xF2;
constexpr TBuiltinType kBuiltinVoid = 0xF3;
constexpr TBuiltinType kBuiltinArray = 0xF4;

constexpr TBuiltinType BuiltinClassType(EBuiltinClass c) { return TBuiltinType(c); }
constexpr bool IsBuiltinClassType(TBuiltinType t) { return t < kBuiltinClassCount; }

// Marks of a function.
constexpr uint8_t kBuiltinDot = 1;     // callable after a dot on another object
constexpr uint8_t kBuiltinGlobal = 2;  // the engine runs it without an object

constexpr int kMaxBuiltinParams = 15;
constexpr int kNoBuiltinNumber = -1;  // events and commands
// A family: fixed leading parameters, then k = 1..6 more, each int or string.
constexpr int kBuiltinFamilyMaxExtra = 6;
constexpr int kBuiltinFamilySize = 126;  // 2 + 4 + ... + 64

// One row of a function, event or command table.
struct SBuiltinMemberDesc {
    const char* m_pszName;
    TBuiltinType m_Params[kMaxBuiltinParams];
    uint8_t m_nParams;
    TBuiltinType m_nResult;
    uint8_t m_nMarks;
    uint8_t m_nSeries;  // 0: one member; n: n members named m_pszName + "0".."n-1"
    bool m_bFamily;     // kBuiltinFamilySize overloads of one name
    // Number of the row's first function; each further one takes the next
    // lower number. kNoBuiltinNumber for events and commands.
    int16_t m_nNumber;
};

// One row of a constant table. Values are 32-bit patterns; a pattern of
// 0x80000000 or more is a negative int.
struct SBuiltinConstantDesc {
    const char* m_pszName;
    uint32_t m_nPattern;
    uint8_t m_nSeries = 0;  // n: n constants with suffixes 0..n-1, values m_nPattern + suffix
};

struct SBuiltinClassDesc {
    EBuiltinClass m_nId;
    const char* m_pszName;  // empty for the root class
    EBuiltinClass m_nParent;
    int32_t m_nClassNumber;
    std::span<const SBuiltinMemberDesc> m_Functions = {};
    std::span<const SBuiltinMemberDesc> m_Events = {};
    std::span<const SBuiltinMemberDesc> m_Commands = {};
    std::span<const SBuiltinConstantDesc> m_Constants = {};
};

// One expanded member. The name may point into this record (numbered series),
// so it is valid only as long as the record is.
struct SBuiltinMember {
    std::string_view m_strName;
    TBuiltinType m_Params[kMaxBuiltinParams];
    int m_nParams;
    TBuiltinType m_nResult;
    uint8_t m_nMarks;
    int m_nPosition;  // own position in the class's list, 0-based
    int m_nNumber;    // built-in number; kNoBuiltinNumber for events and commands
    char m_szNameBuffer[64];

    std::span<const TBuiltinType> GetParams() const { return {m_Params, size_t(m_nParams)}; }
    bool IsGlobal() const { return (m_nMarks & kBuiltinGlobal) != 0; }
    bool IsDotCallable() const { return (m_nMarks & kBuiltinDot) != 0; }
};

struct SBuiltinConstant {
    std::string_view m_strName;
    int32_t m_nValue;
    char m_szNameBuffer[64];
};

// A non-owning callable reference; the visitors are called thousands of times
// at start-up, so they are not wrapped in std::function.
template <class Arg>
class CBuiltinVisitor {
public:
    template <class F>
    CBuiltinVisitor(F& f) : m_pObject(&f), m_pfnCall([](void* o, const Arg& a) { (*static_cast<F*>(o))(a); }) {}
    void operator()(const Arg& a) const { m_pfnCall(m_pObject, a); }

private:
    void* m_pObject;
    void (*m_pfnCall)(void*, const Arg&);
};

// Descriptor of one class; every EBuiltinClass below eCount has one.
const SBuiltinClassDesc& GetBuiltinClassDesc(EBuiltinClass c);
// The class name as a script writes it ("" for the root class).
std::string_view GetBuiltinClassName(EBuiltinClass c);

// The named classes in the order their records are created.
std::span<const EBuiltinClass> GetBuiltinCreationOrder();
// The classes a script may name, in the order of their class numbers.
std::span<const EBuiltinClass> GetBuiltinNameableOrder();

// Number of members or constants after expansion.
int CountBuiltinMembers(std::span<const SBuiltinMemberDesc> rows);
int CountBuiltinConstants(std::span<const SBuiltinConstantDesc> rows);

// Expands the rows in member order.
void ForEachBuiltinMember(std::span<const SBuiltinMemberDesc> rows, CBuiltinVisitor<SBuiltinMember> visit);
void ForEachBuiltinConstant(std::span<const SBuiltinConstantDesc> rows,
                            CBuiltinVisitor<SBuiltinConstant> visit);

// Number of built-in functions over all classes.
int GetBuiltinFunctionTotal();
