// Containers follow the grammar: class-body declarations belong to the
// class, parameters and locals to the routine declared last, enum items to
// the enum variable declared last. Script functions are found by name
// without regard to letter case and constants and states exactly, as the
// lookup of the compiler finds them.
#include "lsp/SymbolIndex.h"

#include <algorithm>

#include "lsp/Uri.h"
#include "semantic/Function.h"
#include "semantic/Variable.h"
#include "support/Str.h"

namespace {

bool Before(const SSymbolRef& a, const SSymbolRef& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

SSymbolRef RefTo(ESymbolKind kind, bool declaration, int symbol) {
    SSymbolRef ref;
    ref.kind = kind;
    ref.declaration = declaration;
    ref.symbol = symbol;
    return ref;
}

bool IsRoutine(ESymbolKind kind) {
    return kind == ESymbolKind::eState || kind == ESymbolKind::eEvent || kind == ESymbolKind::eCommand ||
           kind == ESymbolKind::eFunction;
}

}  // namespace

std::string ScriptTypeName(const CType* type) {
    if (!type) return std::string();
    switch (type->m_nKind) {
    case CType::eInt: return "int";
    case CType::eString: return "string";
    case CType::eVoid: return "void";
    case CType::eArray: return "int[]";
    default: return type->GetName().empty() ? "root" : type->GetName();
    }
}

EBuiltinClass CSymbolIndex::ClassOf(const CType* type) const {
    for (int c = 0; c < kBuiltinClassCount; ++c)
        if (m_Library.GetClass(EBuiltinClass(c)) == type) return EBuiltinClass(c);
    return EBuiltinClass::eNone;
}

int CSymbolIndex::ContainerFor(ESymbolKind kind) const {
    switch (kind) {
    case ESymbolKind::eClass: return -1;
    case ESymbolKind::eParam:
    case ESymbolKind::eLocal: return m_nRoutine;
    case ESymbolKind::eEnumItem: return m_nEnum;
    default: return m_nClass;
    }
}

int CSymbolIndex::Add(const SSymbolSite& site, ESymbolKind kind) {
    SSymbol s;
    s.kind = kind;
    s.name = site.m_strText;
    s.file = NormalizePath(site.m_strFile);
    s.line = site.m_nLine;
    s.column = site.m_nColumn;
    s.container = ContainerFor(kind);
    m_Symbols.push_back(std::move(s));
    return int(m_Symbols.size()) - 1;
}

void CSymbolIndex::AddRef(const SSymbolSite& site, SSymbolRef ref) {
    ref.line = site.m_nLine;
    ref.column = site.m_nColumn;
    std::vector<SSymbolRef>& refs = m_Refs[NormalizePath(site.m_strFile)];
    auto at = std::lower_bound(refs.begin(), refs.end(), ref, Before);
    if (at != refs.end() && !Before(ref, *at))
        *at = std::move(ref);  // the same token told twice: the later word counts
    else
        refs.insert(at, std::move(ref));
}

void CSymbolIndex::Declared(const SSymbolSite& site, const SSymbolDeclaration& declaration) {
    ESymbolKind kind = declaration.m_nKind;
    if (kind == ESymbolKind::eState) return DeclaredState(site);
    int index = Add(site, kind);
    SSymbol& s = m_Symbols[size_t(index)];
    if (kind == ESymbolKind::eClass) {
        m_nClass = index;
        m_nBaseClass = ClassOf(declaration.m_pType);
        s.type = ScriptTypeName(declaration.m_pType);
    } else if (declaration.m_pType) {
        s.type = ScriptTypeName(declaration.m_pType);
    }
    if (IsRoutine(kind)) m_nRoutine = index;
    if (kind == ESymbolKind::eEnum) {
        m_nEnum = index;
        s.type = "enum";
    }
    m_nLast = index;
    AddRef(site, RefTo(kind, true, index));
}

// "state Name;" declares, "state Name { }" defines; all are one symbol, which
// stands where the state was named last (the definition follows the
// declarations it needs).
void CSymbolIndex::DeclaredState(const SSymbolSite& site) {
    int index = FindByName(ESymbolKind::eState, std::string(site.m_strText), false);
    if (index < 0) {
        index = Add(site, ESymbolKind::eState);
    } else {
        m_Symbols[size_t(index)].file = NormalizePath(site.m_strFile);
        m_Symbols[size_t(index)].line = site.m_nLine;
        m_Symbols[size_t(index)].column = site.m_nColumn;
    }
    m_nRoutine = m_nLast = index;
    AddRef(site, RefTo(ESymbolKind::eState, true, index));
}

void CSymbolIndex::Recorded(const CVariable& variable) {
    if (m_nLast < 0) return;
    // An address may come back for a later variable: the latest record counts.
    m_Variables[&variable] = m_nLast;
    SSymbol& s = m_Symbols[size_t(m_nLast)];
    if (s.kind != ESymbolKind::eEnum) s.type = ScriptTypeName(variable.GetType());
}

void CSymbolIndex::Valued(int32_t value) {
    if (m_nLast < 0) return;
    m_Symbols[size_t(m_nLast)].value = value;
    m_Symbols[size_t(m_nLast)].hasValue = true;
}

int CSymbolIndex::FindByName(ESymbolKind kind, const std::string& name, bool ignoreCase) const {
    for (size_t i = 0; i < m_Symbols.size(); ++i)
        if (m_Symbols[i].kind == kind && (ignoreCase ? EqualsNoCase(m_Symbols[i].name, name) : m_Symbols[i].name == name))
            return int(i);
    return -1;
}

void CSymbolIndex::Used(const SSymbolSite& site, const SSymbolUse& use) {
    std::string name(site.m_strText);
    SSymbolRef ref = RefTo(use.m_nKind, false, -1);
    switch (use.m_nKind) {
    case ESymbolKind::eFunction:
        if (use.m_bScriptFunction) {
            ref.symbol = FindByName(ESymbolKind::eFunction, name, true);
        } else {
            ref.afterDot = use.m_pObjectClass != nullptr;
            ref.builtinClass = ref.afterDot ? ClassOf(use.m_pObjectClass) : m_nBaseClass;
        }
        break;
    case ESymbolKind::eConstant:
        ref.symbol = FindByName(ESymbolKind::eConstant, name, false);
        if (ref.symbol < 0) ref.builtinClass = m_nBaseClass;
        break;
    case ESymbolKind::eState:
        ref.symbol = FindByName(ESymbolKind::eState, name, false);
        break;
    default: {
        auto it = m_Variables.find(use.m_pVariable);
        if (it != m_Variables.end()) ref.symbol = it->second;
        if (ref.symbol >= 0) ref.kind = m_Symbols[size_t(ref.symbol)].kind;
    }
    }
    if (ref.symbol < 0) ref.name = name;
    AddRef(site, std::move(ref));
}

void CSymbolIndex::RecordedFunction(const CFunction& function) {
    if (m_nRoutine >= 0 && m_Symbols[size_t(m_nRoutine)].kind == ESymbolKind::eFunction)
        m_Functions[&function] = m_nRoutine;
}

// Only a name told before as a call changes: the site of a call whose name
// and parentheses stand in different files names no token of this one.
void CSymbolIndex::CallResolved(const SSymbolSite& site, const CFunction& chosen) {
    SSymbolRef* ref = FindRef(site);
    if (!ref || ref->kind != ESymbolKind::eFunction) return;
    auto script = chosen.m_bScript ? m_Functions.find(&chosen) : m_Functions.end();
    if (script != m_Functions.end()) {
        ref->symbol = script->second;
        ref->name.clear();
    } else if (!chosen.m_bScript && ref->symbol >= 0) {
        // A built-in of the same signature wins over the script's function.
        ref->symbol = -1;
        ref->name = std::string(site.m_strText);
        ref->builtinClass = m_nBaseClass;
    }
}

SSymbolRef* CSymbolIndex::FindRef(const SSymbolSite& site) {
    const CSymbolIndex& self = *this;
    return const_cast<SSymbolRef*>(self.FindRef(site.m_strFile, site.m_nLine, site.m_nColumn));
}

const std::vector<SSymbolRef>& CSymbolIndex::GetRefs(const std::string& file) const {
    static const std::vector<SSymbolRef> kNone;
    auto it = m_Refs.find(NormalizePath(file));
    return it == m_Refs.end() ? kNone : it->second;
}

const SSymbolRef* CSymbolIndex::FindRef(const std::string& file, int line, int column) const {
    const std::vector<SSymbolRef>& refs = GetRefs(file);
    SSymbolRef key;
    key.line = line;
    key.column = column;
    auto at = std::lower_bound(refs.begin(), refs.end(), key, Before);
    return at != refs.end() && !Before(key, *at) ? &*at : nullptr;
}

int CSymbolIndex::StateIndex(const std::string& name) const {
    int index = 0;
    for (const SSymbol& s : m_Symbols) {
        if (s.kind != ESymbolKind::eState) continue;
        if (s.name == name) return index;
        ++index;
    }
    return -1;
}
