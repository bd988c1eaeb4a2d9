// What the parser tells whoever watches a parse (the language server's symbol
// index): each declaration of the script at its name, and each name that an
// expression or a state change resolves. Every call is about the current
// token, described by a site. The observer copies what it keeps: records
// and nodes may be freed as soon as the parse moves on, and their addresses
// reused (a script function's record lives as long as the compilation). A
// parse without an observer pays one null test per call. A parse asked to
// stop at a place (a cursor) tells the observer once, with the compiler as
// it stands there, and reads no further.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

class CCompiler;
class CFunction;
class CType;
class CVariable;

enum class ESymbolKind : uint8_t {
    eClass,     // the script's class: the quoted name in its head
    eMember,    // a variable of the class body
    eLocal,     // a variable of a body or block
    eParam,     // a parameter of an event, command or function
    eEnum,      // an enum variable
    eEnumItem,  // one caption of the enum variable declared last
    eConstant,  // a script constant, or a built-in one
    eState,
    eEvent,     // an event handler of the script
    eCommand,   // a command handler of the script
    eFunction,  // a script function, or a built-in one
};

// The current token: the file it came from, its line, its first column (both
// from 1) and its text (a quoted string's without the quotes).
struct SSymbolSite {
    const std::string& m_strFile;
    int m_nLine;
    int m_nColumn;
    std::string_view m_strText;
};

struct SSymbolDeclaration {
    ESymbolKind m_nKind;
    // The class of the script (for eClass: its base class) or of a variable
    // whose type is known at its name; null otherwise.
    const CType* m_pType = nullptr;
};

// What a resolved name stands for. Names of the script are told apart by
// their records (variables) or by name (functions, constants, states).
struct SSymbolUse {
    ESymbolKind m_nKind;
    const CVariable* m_pVariable = nullptr;  // variables and parameters
    // Calls: the first function of that name, before the arguments choose.
    const CFunction* m_pFunction = nullptr;
    bool m_bScriptFunction = false;
    // A member after a dot: the class of the object before the dot.
    const CType* m_pObjectClass = nullptr;
};

class CSymbolObserver {
public:
    virtual ~CSymbolObserver() = default;
    virtual void Declared(const SSymbolSite& site, const SSymbolDeclaration& declaration) = 0;
    // The record of the variable or parameter declared last, its type final.
    virtual void Recorded(const CVariable& variable) = 0;
    // The value of the constant or enum item declared last.
    virtual void Valued(int32_t value) = 0;
    virtual void Used(const SSymbolSite& site, const SSymbolUse& use) = 0;
    // The record of the script function declared last, its head complete.
    virtual void RecordedFunction(const CFunction&) {}
    // A call's arguments chose `chosen` among the functions of its name; the
    // site is the name, which Used reported before.
    virtual void CallResolved(const SSymbolSite&, const CFunction& /*chosen*/) {}
    // The parse stopped before the first token at or past the stop place;
    // the compiler holds the tree, scopes and states as they are there.
    virtual void Stopped(const CCompiler&) {}
};
