// Opening a unit either way and naming its routines. The base class comes
// from the parser for a source and from the header's class number for an
// object file, so handler names work in both cases; state and variable
// names need the source.
#include "Target.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "compile/Compile.h"
#include "support/Str.h"

namespace {

bool StartsWithContainerMagic(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[3] = {};
    in.read(reinterpret_cast<char*>(b), 3);
    return in.gcount() == 3 && b[0] == 0xFF && b[1] == 0xA1 && b[2] == 0xD0;
}

bool ParseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (*end != 0 || v < -2147483648LL || v > 4294967295LL) return false;
    value = uint32_t(v);
    return true;
}

CBlockNode* ClassBlock(CNode* root) {
    for (size_t i = 0; root && i < root->GetChildCount(); ++i) {
        CNode* c = root->GetChild(i);
        if (c && c->GetKind() == CToken::eClass && c->GetChildCount() > 0)
            return static_cast<CBlockNode*>(c->GetChild(0));
    }
    return nullptr;
}

}  // namespace

CTarget::CTarget() = default;
CTarget::~CTarget() = default;

bool CTarget::Open(const std::string& path, std::string& error) {
    if (!StartsWithContainerMagic(path)) return OpenSource(path, error);
    m_pUnit = MakeRef<CCodeGen>();
    if (!ReadUnitFile(path, m_Header, *m_pUnit, error)) return false;
    m_pBaseClass = m_Index.ClassByNumber(m_Header.m_bHasNumber ? m_Header.m_nClassNumber : 0);
    NameSlotsOnly();
    return true;
}

bool CTarget::OpenSource(const std::string& path, std::string& error) {
    std::ifstream probe(path);
    if (!probe) return error = "cannot open '" + path + "'", false;
    m_bFromSource = true;
    CCompileOptions options;
    options.m_bWarnings = false;
    m_pCompiled = std::make_unique<CCompileResult>(Compile(path, options, GetBuiltinLibrary()));
    for (const CDiagnostic& d : m_pCompiled->m_Diagnostics) std::fputs(FormatText(d).c_str(), stdout);
    if (m_pCompiled->m_nStatus != ECompileStatus::eAccepted) return error = "the script does not compile", false;
    const CCompileResult& compiled = *m_pCompiled;
    m_pUnit = compiled.m_pUnit;
    m_pBaseClass = compiled.m_pBaseClass;
    m_Header.m_strName = compiled.m_strClassName;
    m_Header.m_nClassNumber = m_pBaseClass->m_nClassNumber;
    for (size_t i = 0; i < compiled.m_States.GetSize(); ++i) m_StateNames.push_back(compiled.m_States[i].m_strName);
    CBlockNode* block = ClassBlock(compiled.m_pRoot.Get());
    CVariableList* scope = block ? block->PeekScope() : nullptr;
    for (size_t i = 0; scope && i < scope->GetSize(); ++i) {
        const CVariable* v = scope->Get(i);
        m_Variables.push_back(SClassVariable{v->GetName(), v->GetType(), uint32_t(v->m_nSlot)});
    }
    return true;
}

void CTarget::NameSlotsOnly() {
    for (uint32_t slot = 0; slot < m_pUnit->m_nDataSize; slot += 4) {
        std::string name = slot == 0 ? "$State" : slot == 4 ? "$Loop" : "@" + std::to_string(slot);
        m_Variables.push_back(SClassVariable{name, nullptr, slot});
    }
}

bool CTarget::HasRoutine(SRoutine::EKind kind, uint32_t index) const {
    const CCodeGen& u = *m_pUnit;
    switch (kind) {
    case SRoutine::eState: return index < u.m_States.GetSize();
    case SRoutine::eEvent: return index < u.m_Events.GetSize() && u.m_Events[index] != 0;
    case SRoutine::eCommand: return index < u.m_Commands.GetSize() && u.m_Commands[index].m_nPosition != 0;
    }
    return false;
}

bool CTarget::FindRoutine(const std::string& text, size_t argCount, SRoutine& out, std::string& error) const {
    uint32_t number = 0;
    if (ParseNumber(text, number)) {
        out = SRoutine{SRoutine::eState, number, 0, "state " + text};
        if (HasRoutine(SRoutine::eState, number)) return true;
        return error = "the unit has no state " + text, false;
    }
    for (size_t i = 0; i < m_StateNames.size(); ++i)
        if (m_StateNames[i] == text) {
            out = SRoutine{SRoutine::eState, uint32_t(i), 0, "state " + text};
            if (HasRoutine(SRoutine::eState, uint32_t(i))) return true;
            return error = "state " + text + " has no routine", false;
        }
    const struct {
        SRoutine::EKind kind;
        std::vector<const CFunction*> list;
        const char* word;
    } lists[] = {{SRoutine::eEvent, CBuiltinIndex::Events(m_pBaseClass), "event"},
                 {SRoutine::eCommand, CBuiltinIndex::Commands(m_pBaseClass), "command"}};
    bool named = false;
    for (const auto& l : lists)
        for (size_t i = 0; i < l.list.size(); ++i) {
            if (!EqualsNoCase(l.list[i]->m_strName, text)) continue;
            named = true;
            const size_t params = l.list[i]->GetParamCount();
            if (params != argCount || !HasRoutine(l.kind, uint32_t(i))) continue;
            out = SRoutine{l.kind, uint32_t(i), params, std::string(l.word) + " " + l.list[i]->m_strName};
            return true;
        }
    error = named ? "the unit has no handler " + text + " taking " + std::to_string(argCount) + " argument(s)"
                  : "no state, event or command is called " + text;
    return false;
}

int32_t CTarget::FindVariable(const std::string& text) const {
    uint32_t slot = 0;
    if (text.size() > 1 && text[0] == '@' && ParseNumber(text.substr(1), slot))
        return slot % 4 == 0 && slot < m_pUnit->m_nDataSize ? int32_t(slot) : -1;
    for (const SClassVariable& v : m_Variables)
        if (v.m_strName == text) return int32_t(v.m_nSlot);
    return -1;
}

uint32_t CTarget::Entry(const CBench& bench, const SRoutine& r) const {
    switch (r.m_nKind) {
    case SRoutine::eState: return bench.StateEntry(r.m_nIndex);
    case SRoutine::eEvent: return bench.EventEntry(r.m_nIndex);
    case SRoutine::eCommand: return bench.CommandEntry(r.m_nIndex);
    }
    return 0;
}

void CTarget::Prepare(CBench& bench) const {
    for (const SClassVariable& v : m_Variables)
        if (v.m_pType && v.m_pType->IsArray()) bench.SetVariable(v.m_nSlot, bench.NewArray({}));
}
