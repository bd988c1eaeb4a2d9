// The code generator object: the compiled unit's image (code, data block and
// the tables the object file carries), the IA-32 encoder that appends to it,
// labels with their jump fixups, and the fixed instruction sequences out of
// which the translation builds every routine.
//
// Translation runs twice over the tree. In pass 0 the sequences emit nothing
// and record nothing, so only the translation's own bookkeeping happens; in
// pass 1 they emit. Every jump and script call is written with a zero rel32
// and a fixup, so positions never depend on where a label lands.
//
// The encoder knows nothing of the syntax tree: variables, names and
// constants reach it as the small records below, which the translation fills
// from the semantic records.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "codegen/Label.h"
#include "codegen/Operand.h"
#include "support/DynArray.h"
#include "support/RefObject.h"

class CStream;

// Instruction ids: bits 8-14 select the group, the low byte the member.
class CInstr {
public:
    enum EId : uint16_t {
#define INSTR(name, id, mnemonic) name = id,
#include "codegen/Instructions.def"
#undef INSTR
    };
    static constexpr int kGroupCount = 39;
    static constexpr int Group(uint16_t id) { return (id >> 8) & 0x7F; }
    static constexpr int Member(uint16_t id) { return id & 0xFF; }
};

// Where a variable lives: its kind (numbered as the semantic model's variable
// kinds) and the byte slot the translation assigned.
class CVarSlot {
public:
    enum EKind : int32_t { eMember = 2, eParam = 3, eLocal = 4 };
    int32_t m_nKind = eLocal;
    int32_t m_nSlot = 0;
};

// A name in an expression: a variable, either of the running script or
// reached through an object variable (`object.variable`) that is loaded into
// ECX first.
class CNameRef {
public:
    CVarSlot m_Var;
    bool m_bQualified = false;
    CVarSlot m_Object;
};

// A constant operand. A string constant remembers where its text went in the
// data block (-1 until stored), so one constant is stored once.
class CConstRef {
public:
    enum EKind : int32_t { eInteger, eString, eOther };
    EKind m_nKind = eOther;
    int32_t m_nValue = 0;
    std::string_view m_strText;
    int32_t* m_pDataIndex = nullptr;
};

class CCodeGen : public CRefObject {
public:
    struct SJumpFixup {
        uint32_t m_nPosition;   // first byte of a rel32 in m_Code
        CRefPtr<CLabel> m_pLabel;
    };
    struct SExternalCall {
        uint32_t m_nPosition;   // first byte of the CALL's rel32
        uint32_t m_nBuiltin;    // built-in function number
    };
    struct SCommandEntry {
        uint32_t m_nPosition;   // routine entry; 0 = no routine
        uint32_t m_nDescriptor; // data-block offset of the descriptor
        uint32_t m_nReserved[3];
    };
    static_assert(sizeof(SCommandEntry) == 20);

    CCodeGen();

    // ---- encoder ----
    // Each returns the number of bytes appended: 0 when the id has no
    // encoder for that operand count or the operands fit none of its forms.
    int Emit(uint16_t id);
    int Emit(uint16_t id, const COperand& a);
    int Emit(uint16_t id, const COperand& a, const COperand& b);
    int Emit(uint16_t id, ERegister r) { return Emit(id, COperand(r)); }
    int Emit(uint16_t id, ERegister r, const COperand& b) { return Emit(id, COperand(r), b); }
    int Emit(uint16_t id, const COperand& a, ERegister r) { return Emit(id, a, COperand(r)); }
    int Emit(uint16_t id, ERegister r1, ERegister r2) { return Emit(id, COperand(r1), COperand(r2)); }

    // ---- passes, positions, fixups ----
    void SetPass(int32_t pass) { m_nPass = pass; }
    int32_t GetPass() const { return m_nPass; }
    uint32_t GetCodeSize() const { return uint32_t(m_Code.GetSize()); }
    void AddJumpFixup(uint32_t position, CLabel* label);
    void AddRelocation(uint32_t position);
    void AddExternalCall(uint32_t position, uint32_t builtin);

    // Creates the block's list on first use.
    CLabel* NewLabel(CRefPtr<CLabelList>& blockLabels);
    // Pass 1 only: the label's position becomes the current position.
    void PlaceLabel(CLabel* label);
    // Patches every fixup with target - (position + 4). Returns the number of
    // fixups whose label was never placed (patched as a jump to position 0);
    // anything but 0 means the unit must not be written.
    size_t ResolveJumps();

    // ---- data block and tables ----
    // Appends bytes to the data block and returns their offset.
    uint32_t AppendData(const void* bytes, size_t count);
    uint32_t AppendDword(uint32_t value);
    uint32_t AppendString(std::string_view text);   // zero-terminated
    // Grow the table when the index is past its end (new entries are 0).
    void SetState(uint32_t index, uint32_t position);
    void SetEvent(uint32_t index, uint32_t position);
    void SetCommand(uint32_t index, uint32_t position, uint32_t descriptor);

    // ---- operands ----
    static COperand VarOperand(const CVarSlot& var);
    static COperand NameOperand(const CNameRef& name);
    // Pass 1 stores a string constant's text on its first use.
    COperand ConstOperand(const CConstRef& constant);

    // ---- instruction sequences (each silent in pass 0) ----
    void LoadObject(const CVarSlot& object);
    void EmitLoad(const CNameRef& name);
    void EmitStore(const CNameRef& name);
    void EmitLoadVar(const CVarSlot& var);
    void EmitStoreVar(const CVarSlot& var);
    void EmitLoadAddress(const CVarSlot& var);
    void EmitLoadConst(const CConstRef& constant);
    void EmitLoadInt(int32_t value);
    void EmitCmpConst(const CConstRef& constant);
    void EmitCmp(const CNameRef& name);
    void EmitCmpVar(const CVarSlot& var);
    void EmitZeroEax();
    void EmitPushEax();
    void EmitPopEax();
    void EmitPushObject();
    // kind: a CToken kind (eBitNot, eMinusUnary, ePlusPlus, eMinusMinus).
    void EmitUnary(int32_t kind);
    // EAX = EAX op right, for the arithmetic CToken kinds.
    void EmitBinary(int32_t kind, const CConstRef& right);
    void EmitBinary(int32_t kind, const CNameRef& right);
    // EAX = temporary op EAX.
    void EmitBinaryTemp(int32_t kind, const CVarSlot& temporary);
    // relation: a comparison CToken kind (eLT ... eNE).
    void EmitJcc(int32_t relation, CLabel* label, bool jumpIfTrue, bool swapped);
    void EmitJmp(CLabel* label);
    void EmitTestJump(CLabel* label, bool jumpIfNonZero);
    // A call to a routine of this unit (fixed up against its label) or to a
    // built-in function (bound by the engine through its number).
    void EmitCallLabel(CLabel* body);
    void EmitCallBuiltin(uint32_t builtin);
    void EmitLoopGuard(CLabel* returnLabel);
    // Routine frame: f bytes of locals, g loop guard, n no script object.
    void EmitPrologue(uint32_t frameSize, bool loopGuard, bool noObject);
    void EmitEpilogue(uint32_t bytesToPop, uint32_t frameSize, bool loopGuard, bool noObject);

    // ---- object file (implemented in the object file library) ----
    // Writes to a temporary file beside path and renames it over path only
    // when complete; 0 leaves any earlier file untouched.
    bool Save(const std::string& path, const std::string& className, int32_t classNumber,
              const uint8_t identifier[16]) const;
    // Reads a body (the stream positioned after the container header).
    // Refuses a wrong magic or version, a truncated body, bytes after the
    // code, and counts that run past the data; on refusal the image is empty.
    bool Load(CStream& stream);
    // Binds the loaded image for code at codeAddress and data at dataAddress:
    // patches external calls and relocations in m_Code and moves the routine
    // tables. Refuses (changing nothing) when a position lies outside the
    // code or a built-in number has no entry in builtins.
    bool Bind(uint32_t codeAddress, uint32_t dataAddress, const uint32_t* builtins,
              size_t builtinCount);
    // Empties every table and the code (pass and data size back to 0).
    void Clear();

    // The image, in the order the object file is laid out.
    CDynArray<uint8_t> m_Code;
    CDynArray<SJumpFixup> m_JumpFixups;
    int32_t m_nPass = 0;
    CDynArray<uint8_t> m_Data;
    CDynArray<SExternalCall> m_ExternalCalls;
    CDynArray<uint32_t> m_Relocations;
    CDynArray<SCommandEntry> m_Commands;
    CDynArray<uint32_t> m_Events;
    CDynArray<uint32_t> m_States;
    uint32_t m_nDataSize = 0;

private:
    void EmitJumpTo(uint16_t id, CLabel* label);
    void AddRelocationIfString(const COperand& op);
    void PatchDword(uint32_t position, uint32_t value);
};
