// What a parse declared and where each name points, collected through the
// parser's symbol observer. One index belongs to one compilation and is
// only read once the compilation is over. Everything is copied at the call:
// the index holds no record of the compilation, only the built-in classes,
// which live as long as the process. Places are the compiler's: the file as
// it was opened (normalized), lines and byte columns from 1.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "parser/SymbolObserver.h"

struct SSymbol {
    ESymbolKind kind = ESymbolKind::eLocal;
    std::string name;
    std::string file;
    int line = 0;
    int column = 0;
    std::string type;  // "int", "string", "int[]", a class name, "enum"; "" for routines
    int32_t value = 0;
    bool hasValue = false;
    int container = -1;  // the symbol it belongs to: class, routine or enum variable
};

// A type as a script writes it: "int", "string", "int[]", a class name.
std::string ScriptTypeName(const CType* type);

// One name in the text: a declaration or a use.
struct SSymbolRef {
    int line = 0;
    int column = 0;
    ESymbolKind kind = ESymbolKind::eLocal;
    bool declaration = false;
    int symbol = -1;  // the script's symbol; -1 for a built-in member
    // Built-in members: their name and the class whose chain holds them.
    std::string name;
    EBuiltinClass builtinClass = EBuiltinClass::eNone;
    bool afterDot = false;
};

class CSymbolIndex : public CSymbolObserver {
public:
    explicit CSymbolIndex(const CBuiltinLibrary& library) : m_Library(library) {}

    void Declared(const SSymbolSite& site, const SSymbolDeclaration& declaration) override;
    void Recorded(const CVariable& variable) override;
    void Valued(int32_t value) override;
    void Used(const SSymbolSite& site, const SSymbolUse& use) override;
    void RecordedFunction(const CFunction& function) override;
    void CallResolved(const SSymbolSite& site, const CFunction& chosen) override;

    const std::vector<SSymbol>& GetSymbols() const { return m_Symbols; }
    // The names of a file in text order; empty for a file without any.
    const std::vector<SSymbolRef>& GetRefs(const std::string& file) const;
    // The name that starts at this line and column of the file, or null.
    const SSymbolRef* FindRef(const std::string& file, int line, int column) const;
    // Every file with names, each with its names in text order.
    const std::map<std::string, std::vector<SSymbolRef>>& GetAllRefs() const { return m_Refs; }
    // The base class of the script; eNone before its head was read.
    EBuiltinClass GetBaseClass() const { return m_nBaseClass; }
    // Index of the state with this name among the script's states, or -1.
    int StateIndex(const std::string& name) const;
    EBuiltinClass ClassOf(const CType* type) const;

private:
    int Add(const SSymbolSite& site, ESymbolKind kind);
    void DeclaredState(const SSymbolSite& site);
    void AddRef(const SSymbolSite& site, SSymbolRef ref);
    SSymbolRef* FindRef(const SSymbolSite& site);
    int FindByName(ESymbolKind kind, const std::string& name, bool ignoreCase) const;
    int ContainerFor(ESymbolKind kind) const;

    const CBuiltinLibrary& m_Library;
    std::vector<SSymbol> m_Symbols;
    // Kept sorted: the parser reports the names of a file in text order.
    std::map<std::string, std::vector<SSymbolRef>> m_Refs;
    std::unordered_map<const CVariable*, int> m_Variables;
    // Script functions by record, so that a call names the overload it chose.
    std::unordered_map<const CFunction*, int> m_Functions;
    EBuiltinClass m_nBaseClass = EBuiltinClass::eNone;
    int m_nClass = -1;
    int m_nRoutine = -1;
    int m_nEnum = -1;
    int m_nLast = -1;
};
