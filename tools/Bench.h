// The script bench: one compiled unit bound at fixed 32-bit addresses and run
// on an emulated IA-32 processor as the engine would run it. Every built-in
// function is a stub that records its call and pops its arguments; the
// reference counting, array and serialization functions are emulated so that
// the generated code sees consistent answers.
//
// Address space (everything else is unmapped, so a stray access faults):
//   code 0x00400000 (read, execute)      data block 0x00600000 (read)
//   stubs 0x00800000, 4 bytes per built-in number
//   script object page 0x00A00000, the object at +16, [object-12] = game object
//   stack below 0x01000000 (1 MiB)        return sentinel 0x00700000
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BuiltinIndex.h"
#include "codegen/CodeGen.h"

struct uc_struct;

struct SBuiltinCall {
    uint32_t m_nNumber = 0;
    std::string m_strName;
    std::string m_strSignature;     // "root: void Trace(string)"
    bool m_bHasObject = false;
    uint32_t m_nObject = 0;
    std::vector<uint32_t> m_Args;   // as the callee sees them, first parameter first
    std::vector<std::string> m_Strings;  // per argument: its text when it is a string
    uint32_t m_nResult = 0;
    std::string m_strNote;          // what an emulated function did

    // "Name(1, "text") on 0x6A000000 -> 0  [note]"
    std::string Format() const;
};

struct SRunResult {
    bool m_bOk = false;
    std::string m_strError;
    uint32_t m_nEax = 0;
    std::vector<SBuiltinCall> m_Calls;
};

class CBench {
public:
    static constexpr uint32_t kCode = 0x00400000, kData = 0x00600000, kReturn = 0x00700000,
                              kStubs = 0x00800000, kObjectPage = 0x00A00000,
                              kObject = kObjectPage + 16, kStackTop = 0x01000000,
                              kStackSize = 0x00100000, kGameObject = 0x6A000000;

    explicit CBench(const CBuiltinIndex& index);
    ~CBench();
    CBench(const CBench&) = delete;
    CBench& operator=(const CBench&) = delete;

    // Binds the loaded (unbound) unit and maps it; false with a reason.
    bool Attach(CRefPtr<CCodeGen> unit, std::string& error);
    CCodeGen& GetUnit() { return *m_pUnit; }

    // The value a built-in function returns, by name (default 0).
    void SetReturn(const std::string& name, uint32_t value) { m_Returns[name] = value; }
    void SetVariable(uint32_t slot, uint32_t value);
    uint32_t GetVariable(uint32_t slot) const;
    uint32_t GetVariableCount() const;
    void SetLoopBudget(uint32_t budget) { SetVariable(4, budget); }
    void SetStepLimit(uint64_t steps) { m_nStepLimit = steps; }
    void SetGameObject(uint32_t address);
    // A fresh array handle holding the values.
    uint32_t NewArray(const std::vector<int32_t>& values);
    const std::vector<int32_t>& GetArray(uint32_t handle) { return m_Arrays[handle]; }
    // Reference counts kept by the emulated $AddRef/$Release.
    int32_t GetRefCount(uint32_t object) const;

    // Entry addresses (0 when the unit has no such routine).
    uint32_t StateEntry(uint32_t state) const;
    uint32_t EventEntry(uint32_t event) const;
    uint32_t CommandEntry(uint32_t command) const;

    // Calls a routine that takes the script object (state, handler,
    // $Destructor, $Serialize) with the arguments in parameter order.
    SRunResult Call(uint32_t entry, const std::vector<uint32_t>& args);

    // Used by the emulator hooks.
    void OnStub(uint64_t address);
    void OnAccess(uint64_t address, int size, bool write);
    void OnInvalid(uint64_t address, int type);

private:
    bool Map(uint32_t address, uint32_t size, uint32_t perms, const void* bytes, size_t count);
    void Fail(const std::string& message);
    uint32_t ReadWord(uint32_t address);
    void WriteWord(uint32_t address, uint32_t value);
    std::string ReadText(uint32_t address);
    std::string Where();
    uint32_t Emulate(const SBuiltinEntry& entry, SBuiltinCall& call);
    void Check(uint32_t entry, uint32_t espBefore, SRunResult& result);

    const CBuiltinIndex& m_Index;
    CRefPtr<CCodeGen> m_pUnit;
    uc_struct* m_pUc = nullptr;
    std::map<std::string, uint32_t> m_Returns;
    std::map<uint32_t, std::vector<int32_t>> m_Arrays;
    std::map<uint32_t, int32_t> m_RefCounts;
    uint32_t m_nNextArray = 0xA0000001;
    uint64_t m_nStepLimit = 1000000;
    uint32_t m_nDataBytes = 0;
    uint32_t m_nCodeBytes = 0;
    std::vector<SBuiltinCall>* m_pCalls = nullptr;
    std::string m_strError;
};
