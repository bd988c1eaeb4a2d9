// The bench keeps the emulator between calls, so a test can run a command,
// then a state, then the destructor on the same script object. Faults are
// collected by the hooks and turned into one message by Check.
#include "Bench.h"

#include <unicorn/unicorn.h>

#include <cstdio>

#include "objfile/ObjectFile.h"
#include "support/LittleEndian.h"

namespace {

constexpr uint32_t kPage = 0x1000;
constexpr uint32_t kObjectPageBytes = 0x10000;  // 16 bytes of header, then at most 16380 variables
constexpr uint32_t kMaxText = 1024;
constexpr uint32_t kRegisterMarks[4] = {0xB0B0B0B0, 0x5E5E5E5E, 0xD1D1D1D1, 0xBBBB0000};
constexpr int kSaved[4] = {UC_X86_REG_EBX, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
constexpr const char* kSavedNames[4] = {"EBX", "ESI", "EDI", "EBP"};

uint32_t PageRound(uint32_t n) { return n == 0 ? kPage : (n + kPage - 1) & ~(kPage - 1); }

std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", v);
    return b;
}

bool IsCounted(const std::string& name) {
    return name == "$AddRef" || name == "$Release" || name == "$Serialize" || name == "$SerializeInt";
}

// Bytes the stub's RET removes: what the generated code pushes for the call.
uint32_t PoppedBytes(const CFunction& f) {
    if (IsCounted(f.m_strName)) return 4;  // the reference or the variable's address only
    return uint32_t(4 * f.GetParamCount()) + (f.m_bGlobal ? 0 : 4);
}

void HookStub(uc_engine*, uint64_t address, uint32_t, void* bench) {
    static_cast<CBench*>(bench)->OnStub(address);
}

void HookAccess(uc_engine*, uc_mem_type type, uint64_t address, int size, int64_t, void* bench) {
    static_cast<CBench*>(bench)->OnAccess(address, size, type == UC_MEM_WRITE);
}

bool HookInvalid(uc_engine*, uc_mem_type type, uint64_t address, int, int64_t, void* bench) {
    static_cast<CBench*>(bench)->OnInvalid(address, int(type));
    return false;
}

}  // namespace

std::string SBuiltinCall::Format() const {
    std::string s = m_strName + "(";
    for (size_t i = 0; i < m_Args.size(); ++i) {
        if (i) s += ", ";
        if (i < m_Strings.size() && !m_Strings[i].empty()) s += m_Strings[i];
        else s += std::to_string(int32_t(m_Args[i]));
    }
    s += ")";
    if (m_bHasObject) s += " on " + Hex(m_nObject);
    s += " -> " + std::to_string(int32_t(m_nResult));
    if (!m_strNote.empty()) s += "  [" + m_strNote + "]";
    return s;
}

CBench::CBench(const CBuiltinIndex& index) : m_Index(index) {}

CBench::~CBench() {
    if (m_pUc) uc_close(m_pUc);
}

bool CBench::Map(uint32_t address, uint32_t size, uint32_t perms, const void* bytes, size_t count) {
    if (uc_mem_map(m_pUc, address, size, perms) != UC_ERR_OK) return false;
    return count == 0 || uc_mem_write(m_pUc, address, bytes, count) == UC_ERR_OK;
}

bool CBench::Attach(CRefPtr<CCodeGen> unit, std::string& error) {
    m_pUnit = unit;
    CCodeGen& u = *m_pUnit;
    const size_t count = m_Index.GetCount();
    std::vector<uint32_t> stubs(count);
    std::vector<uint8_t> stubCode(count * 4, 0x90);
    for (size_t n = 0; n < count; ++n) {
        stubs[n] = kStubs + uint32_t(4 * n);
        SBuiltinEntry e = m_Index.Get(uint32_t(n));
        const uint32_t pop = e.m_pFunction ? PoppedBytes(*e.m_pFunction) : 0;
        stubCode[4 * n] = pop ? 0xC2 : 0xC3;
        if (pop) PutLe(&stubCode[4 * n + 1], pop, 2);
    }
    m_nCodeBytes = u.GetCodeSize();
    m_nDataBytes = uint32_t(u.m_Data.GetSize());
    if (u.m_nDataSize > kObjectPageBytes - 16) return error = "the script object is too large", false;
    if (!BindUnit(u, kCode, kData, stubs.data(), stubs.size()))
        return error = "the unit cannot be bound (a call or relocation lies outside its code)", false;
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &m_pUc) != UC_ERR_OK) return error = "cannot start the emulator", false;
    std::vector<uint8_t> object(16, 0);
    bool mapped = Map(kCode, PageRound(m_nCodeBytes), UC_PROT_READ | UC_PROT_EXEC, u.m_Code.GetData(), m_nCodeBytes) &&
                  Map(kData, PageRound(m_nDataBytes), UC_PROT_READ, u.m_Data.GetData(), m_nDataBytes) &&
                  Map(kStubs, PageRound(uint32_t(stubCode.size())), UC_PROT_READ | UC_PROT_EXEC, stubCode.data(), stubCode.size()) &&
                  Map(kObjectPage, kObjectPageBytes, UC_PROT_READ | UC_PROT_WRITE, nullptr, 0) &&
                  Map(kStackTop - kStackSize, kStackSize, UC_PROT_READ | UC_PROT_WRITE, nullptr, 0);
    if (!mapped) return error = "cannot map the unit", false;
    uc_hook h;
    uc_hook_add(m_pUc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(HookStub), this, kStubs, kStubs + stubCode.size() - 1);
    uc_hook_add(m_pUc, &h, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(HookAccess), this,
                kObjectPage, kObjectPage + kObjectPageBytes - 1);
    uc_hook_add(m_pUc, &h, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(HookAccess), this,
                kData, kData + PageRound(m_nDataBytes) - 1);
    uc_hook_add(m_pUc, &h, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(HookAccess), this,
                kCode, kCode + PageRound(m_nCodeBytes) - 1);
    uc_hook_add(m_pUc, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(HookInvalid), this, 1, 0);
    SetGameObject(kGameObject);
    SetLoopBudget(10000);
    return true;
}

uint32_t CBench::ReadWord(uint32_t address) {
    uint32_t v = 0;
    uc_mem_read(m_pUc, address, &v, 4);
    return v;
}

void CBench::WriteWord(uint32_t address, uint32_t value) { uc_mem_write(m_pUc, address, &value, 4); }

void CBench::SetVariable(uint32_t slot, uint32_t value) {
    if (slot + 4 <= GetVariableCount() * 4) WriteWord(kObject + slot, value);
}

uint32_t CBench::GetVariable(uint32_t slot) const {
    uint32_t v = 0;
    uc_mem_read(m_pUc, kObject + slot, &v, 4);
    return v;
}

uint32_t CBench::GetVariableCount() const { return m_pUnit ? m_pUnit->m_nDataSize / 4 : 0; }

void CBench::SetGameObject(uint32_t address) { WriteWord(kObject - 12, address); }

uint32_t CBench::NewArray(const std::vector<int32_t>& values) {
    m_Arrays[m_nNextArray] = values;
    return m_nNextArray++;
}

int32_t CBench::GetRefCount(uint32_t object) const {
    auto it = m_RefCounts.find(object);
    return it == m_RefCounts.end() ? 0 : it->second;
}

uint32_t CBench::StateEntry(uint32_t state) const {
    return state < m_pUnit->m_States.GetSize() ? m_pUnit->m_States[state] : 0;
}

uint32_t CBench::EventEntry(uint32_t event) const {
    return event < m_pUnit->m_Events.GetSize() ? m_pUnit->m_Events[event] : 0;
}

uint32_t CBench::CommandEntry(uint32_t command) const {
    return command < m_pUnit->m_Commands.GetSize() ? m_pUnit->m_Commands[command].m_nPosition : 0;
}

std::string CBench::ReadText(uint32_t address) {
    if (address < kData || address >= kData + m_nDataBytes) return "<string at " + Hex(address) + ">";
    std::string s;
    for (uint32_t a = address; a < kData + m_nDataBytes && s.size() < kMaxText; ++a) {
        char c = 0;
        uc_mem_read(m_pUc, a, &c, 1);
        if (c == 0) return "\"" + s + "\"";
        s += c;
    }
    return "<unterminated string at " + Hex(address) + ">";
}

std::string CBench::Where() {
    uint32_t eip = 0;
    uc_reg_read(m_pUc, UC_X86_REG_EIP, &eip);
    if (eip >= kCode && eip < kCode + m_nCodeBytes) {
        char b[32];
        std::snprintf(b, sizeof b, "code+0x%04X", eip - kCode);
        return b;
    }
    return Hex(eip);
}

void CBench::Fail(const std::string& message) {
    if (m_strError.empty()) m_strError = message;
    uc_emu_stop(m_pUc);
}

void CBench::OnAccess(uint64_t address, int size, bool write) {
    const uint64_t end = address + uint64_t(size);
    const bool variable = address >= kObject && end <= kObject + m_pUnit->m_nDataSize;
    const bool gameObject = !write && address >= kObject - 12 && end <= kObject - 8;
    const bool data = !write && address >= kData && end <= kData + m_nDataBytes;
    if (variable || gameObject || data) return;
    Fail(std::string(write ? "write to " : "read of ") + Hex(uint32_t(address)) +
         " outside the unit's memory at " + Where());
}

void CBench::OnInvalid(uint64_t address, int type) {
    const uint32_t a = uint32_t(address);
    const uint32_t stackBottom = kStackTop - kStackSize;
    if (type == UC_MEM_FETCH_UNMAPPED || type == UC_MEM_FETCH_PROT)
        return Fail("jump outside the code to " + Hex(a));
    if (a < stackBottom && a + 0x10000 >= stackBottom)
        return Fail("stack overflow (runaway recursion?) at " + Where());
    const bool write = type == UC_MEM_WRITE_UNMAPPED || type == UC_MEM_WRITE_PROT;
    Fail(std::string(write ? "write to " : "read of ") + Hex(a) + " outside the unit's memory at " + Where());
}

void CBench::OnStub(uint64_t address) {
    const uint32_t offset = uint32_t(address - kStubs);
    if (offset % 4 != 0) return Fail("jump outside the code to " + Hex(uint32_t(address)));
    SBuiltinCall call;
    call.m_nNumber = offset / 4;
    SBuiltinEntry e = m_Index.Get(call.m_nNumber);
    if (!e.m_pFunction) return Fail("call of built-in number " + std::to_string(call.m_nNumber) + ", which does not exist");
    const CFunction& f = *e.m_pFunction;
    call.m_strName = f.m_strName;
    call.m_strSignature = CBuiltinIndex::ClassName(e.m_pOwner) + ": " + CBuiltinIndex::Signature(f);
    uint32_t esp = 0;
    uc_reg_read(m_pUc, UC_X86_REG_ESP, &esp);
    uint32_t at = esp + 4;
    const bool counted = IsCounted(f.m_strName);
    if (!counted && !f.m_bGlobal) {
        call.m_bHasObject = true;
        call.m_nObject = ReadWord(at);
        at += 4;
    }
    const size_t params = counted ? 1 : f.GetParamCount();
    for (size_t i = 0; i < params; ++i, at += 4) {
        call.m_Args.push_back(ReadWord(at));
        const bool text = !counted && f.GetParam(i) && f.GetParam(i)->IsKind(CType::eString);
        call.m_Strings.push_back(text ? ReadText(call.m_Args.back()) : std::string());
    }
    call.m_nResult = Emulate(e, call);
    uc_reg_write(m_pUc, UC_X86_REG_EAX, &call.m_nResult);
    if (m_pCalls) m_pCalls->push_back(std::move(call));
}

// The engine's side of references, arrays and saving. Arguments are on the
// stack in the order the generated code pushes them (the first pushed is the
// deepest): $GetAt gets (index, array), $SetAt (index, array, value).
uint32_t CBench::Emulate(const SBuiltinEntry& e, SBuiltinCall& call) {
    const std::string& name = call.m_strName;
    const std::vector<uint32_t>& a = call.m_Args;
    auto returned = m_Returns.find(name);
    uint32_t result = returned == m_Returns.end() ? 0 : returned->second;
    if ((name == "$AddRef" || name == "$Release") && a[0] != 0) {
        int32_t& n = m_RefCounts[a[0]];
        n += name == "$AddRef" ? 1 : -1;
        call.m_strNote = Hex(a[0]) + " count " + std::to_string(n);
    } else if (name == "$Serialize" || name == "$SerializeInt") {
        const uint32_t addr = a[0];
        const bool inObject = addr >= kObject && addr + 4 <= kObject + m_pUnit->m_nDataSize;
        call.m_strNote = inObject ? "slot " + std::to_string(addr - kObject) + " = " +
                                        std::to_string(int32_t(ReadWord(addr)))
                                  : "address " + Hex(addr) + " is not a class variable";
    } else if (name == "$GetAt" && a.size() == 2) {
        const std::vector<int32_t>& arr = m_Arrays[a[1]];
        const int32_t i = int32_t(a[0]);
        const bool inside = i >= 0 && size_t(i) < arr.size();
        result = inside ? uint32_t(arr[size_t(i)]) : 0;
        call.m_strNote = "array " + Hex(a[1]) + "[" + std::to_string(i) + "]" + (inside ? "" : " out of range");
    } else if (name == "$SetAt" && a.size() == 3) {
        std::vector<int32_t>& arr = m_Arrays[a[1]];
        const int32_t i = int32_t(a[0]);
        if (i >= 0 && i < 1 << 20) {
            if (size_t(i) >= arr.size()) arr.resize(size_t(i) + 1, 0);
            arr[size_t(i)] = int32_t(a[2]);
        }
        call.m_strNote = "array " + Hex(a[1]) + "[" + std::to_string(i) + "] = " + std::to_string(int32_t(a[2]));
    }
    return result;
}

SRunResult CBench::Call(uint32_t entry, const std::vector<uint32_t>& args) {
    SRunResult result;
    m_strError.clear();
    m_pCalls = &result.m_Calls;
    uint32_t esp = kStackTop - 0x100;
    const uint32_t espBefore = esp;
    for (auto it = args.rbegin(); it != args.rend(); ++it) WriteWord(esp -= 4, *it);
    WriteWord(esp -= 4, kObject);
    WriteWord(esp -= 4, kReturn);
    uc_reg_write(m_pUc, UC_X86_REG_ESP, &esp);
    for (int i = 0; i < 4; ++i) uc_reg_write(m_pUc, kSaved[i], &kRegisterMarks[i]);
    uint32_t zero = 0;
    uc_reg_write(m_pUc, UC_X86_REG_EAX, &zero);
    uc_reg_write(m_pUc, UC_X86_REG_ECX, &zero);
    uc_reg_write(m_pUc, UC_X86_REG_EDX, &zero);
    const uc_err err = uc_emu_start(m_pUc, entry, kReturn, 0, m_nStepLimit);
    if (m_strError.empty() && err != UC_ERR_OK) m_strError = std::string(uc_strerror(err)) + " at " + Where();
    Check(entry, espBefore, result);
    m_pCalls = nullptr;
    return result;
}

void CBench::Check(uint32_t entry, uint32_t espBefore, SRunResult& result) {
    uc_reg_read(m_pUc, UC_X86_REG_EAX, &result.m_nEax);
    uint32_t eip = 0, esp = 0;
    uc_reg_read(m_pUc, UC_X86_REG_EIP, &eip);
    uc_reg_read(m_pUc, UC_X86_REG_ESP, &esp);
    if (m_strError.empty() && eip != kReturn)
        m_strError = "step limit of " + std::to_string(m_nStepLimit) + " instructions reached (runaway loop?) at " + Where();
    if (m_strError.empty() && esp != espBefore)
        m_strError = "stack unbalanced at return: ESP is " + std::to_string(int32_t(esp - espBefore)) +
                     " bytes off the caller's";
    for (int i = 0; i < 4 && m_strError.empty(); ++i) {
        uint32_t v = 0;
        uc_reg_read(m_pUc, kSaved[i], &v);
        if (v != kRegisterMarks[i]) m_strError = std::string(kSavedNames[i]) + " not restored at return";
    }
    result.m_bOk = m_strError.empty();
    result.m_strError = m_strError;
}
