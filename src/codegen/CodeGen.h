// The code generator object: the compiled unit's image (code, data block and
// the tables the object file carries), the IA-32 encoder that appends to it,
// jump fixups, and the fixed instruction sequences out of which the
// translation builds every routine.
//
// Translation walks each routine once. Every jump and script call is
// written with a zero rel32 and a fixup, so positions never depend on where
// a label lands, and a routine's code can move as a whole (its prologue is
// emitted after its body and moved in front of it).
//
// An internal error (an instruction no form can encode, a node kind or an
// operator the generator does not know, a jump to a label never placed) is
// recorded by Fail; from then on nothing more is added, and the unit must
// not be written. Only the first reason is kept.
//
// The encoder knows nothing of the syntax tree: variables, names and
// constants reach it as the small records below, which the translation fills
// from the semantic records.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/CodeBuffer.h"
#include "codegen/Label.h"
#include "codegen/Operand.h"
#include "support/DynArray.h"
#include "support/RefObject.h"

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
    // The mnemonic of a listed id, else null: only listed ids are encoded.
    static const char* Mnemonic(uint16_t id);
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
// data block (*m_pDataIndex, -1 until stored), so one constant is stored once.
class CConstRef {
public:
    enum EKind : int32_t { eInteger, eString, eOther };
    EKind m_nKind = eOther;
    int32_t m_nValue = 0;
    std::string_view m_strText;
    int32_t* m_pDataIndex = nullptr;
};

// Which outcome of a test jumps to the label; the other falls through.
enum class EJump : uint8_t { eIfFalse, eIfTrue };
// A comparison whose operands reached CMP in the written order, or swapped
// (the right value in EAX, the left one in memory).
enum class EOrder : uint8_t { eAsWritten, eSwapped };

// The frame of one routine: what the prologue saves and sets up, and what
// the epilogue undoes and pops.
struct SFrame {
    enum EKind : uint8_t {
        eRoutine,   // state or handler: script object in ESI, game object in EBX, loop budget in EDI
        eAdded,     // $Destructor and $Serialize: the objects, no loop budget
        eFunction,  // script function: runs on its caller's registers and budget
    };
    static constexpr size_t kKinds = 3;
    EKind m_nKind = eRoutine;
    uint32_t m_nLocals = 0;      // bytes of locals and temporaries, zeroed on entry
    uint32_t m_nBytesToPop = 0;  // the arguments RET removes

    bool operator==(const SFrame&) const = default;
};

class CCodeGen : public CRefObject {
public:
    // Whoever creates a label keeps it until the jumps to it are resolved
    // (the translation holds a routine's labels until its end), so a fixup
    // links to it without counting.
    struct SJumpFixup {
        uint32_t m_nPosition;   // first byte of a rel32 in m_Code
        CLink<CLabel> m_pLabel;
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

    // ---- internal errors ----
    void Fail(std::string_view reason);
    bool HasFailed() const { return m_bFailed; }
    const std::string& GetFailure() const { return m_strFailure; }

    // ---- encoder ----
    // Appends one instruction and says whether it did; an instruction that
    // fits none of its forms is an internal error.
    // Operands travel by value: eight bytes each, they fit a register.
    bool Emit(uint16_t id, COperand a = {}, COperand b = {});
    bool Emit(uint16_t id, ERegister r) { return Emit(id, COperand(r)); }
    bool Emit(uint16_t id, ERegister r, COperand b) { return Emit(id, COperand(r), b); }
    bool Emit(uint16_t id, COperand a, ERegister r) { return Emit(id, a, COperand(r)); }
    bool Emit(uint16_t id, ERegister r1, ERegister r2) { return Emit(id, COperand(r1), COperand(r2)); }

    // ---- positions, labels ----
    uint32_t GetCodeSize() const { return uint32_t(m_Code.GetSize()); }
    // Where the image stands: the code size and the number of positions
    // recorded so far.
    struct SMark {
        uint32_t m_nCode = 0;
        size_t m_nFixups = 0, m_nCalls = 0, m_nRelocations = 0;
    };
    SMark Mark() const;
    // Moves the code emitted since `end` in front of the code emitted from
    // `start` to `end`, and every position recorded for either with it;
    // returns how far the code from `start` moved. A routine's frame is
    // known only after its body, so its prologue is emitted last.
    uint32_t MoveInFront(const SMark& start, const SMark& end);
    // The label's position becomes the current position.
    void PlaceLabel(CLabel* label);
    // Patches every fixup with target - (position + 4); a label never placed
    // (patched as a jump to position 0) is an internal error.
    void ResolveJumps();

    // ---- data block and tables ----
    // Append to the data block and return the offset.
    uint32_t AppendDword(uint32_t value);
    uint32_t AppendString(std::string_view text);   // zero-terminated
    // Grow the table when the index is past its end (new entries are 0).
    void SetState(uint32_t index, uint32_t position);
    void SetEvent(uint32_t index, uint32_t position);
    void SetCommand(uint32_t index, uint32_t position, uint32_t descriptor);

    // ---- instruction sequences ----
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
    // kind: a CToken prefix kind (eBitNot, ePlusUnary, eMinusUnary, ePlusPlus, eMinusMinus).
    void EmitUnary(int32_t kind);
    // EAX = EAX op right, for the arithmetic CToken kinds.
    void EmitBinary(int32_t kind, const CConstRef& right);
    void EmitBinary(int32_t kind, const CNameRef& right);
    // EAX = temporary op EAX.
    void EmitBinaryTemp(int32_t kind, const CVarSlot& temporary);
    // relation: a comparison CToken kind (eLT ... eNE).
    void EmitJcc(int32_t relation, CLabel* label, EJump when, EOrder order);
    void EmitJmp(CLabel* label);
    // Tests EAX as a condition: nonzero is true.
    void EmitTestJump(CLabel* label, EJump when);
    // A call to a routine of this unit (fixed up against its label) or to a
    // built-in function (bound by the engine through its number).
    void EmitCallLabel(CLabel* body);
    void EmitCallBuiltin(uint32_t builtin);
    void EmitLoopGuard(CLabel* returnLabel);
    void EmitPrologue(const SFrame& frame);
    void EmitEpilogue(const SFrame& frame);
    // One INT3 byte: keeps a handler off position 0, which its table reads as "none".
    void EmitBreakpoint() { Emit(CInstr::eInt3); }

    // The image, in the order the object file is laid out.
    CCodeBuffer m_Code;
    CDynArray<SJumpFixup> m_JumpFixups;
    CDynArray<uint8_t> m_Data;
    CDynArray<SExternalCall> m_ExternalCalls;
    CDynArray<uint32_t> m_Relocations;
    CDynArray<SCommandEntry> m_Commands;
    CDynArray<uint32_t> m_Events;
    CDynArray<uint32_t> m_States;
    uint32_t m_nDataSize = 0;

private:
    // Every writer of the image stops once generation has failed.
    bool Emitting() const { return !m_bFailed; }
    // Records that no form of the instruction takes the operands; false.
    bool FailNoEncoding(uint16_t id);
    // Grows the code buffer, then emits: the rare half of Emit.
    bool GrowAndEmit(uint16_t id, COperand a, COperand b);
    uint32_t AppendData(const void* bytes, size_t count);

    static COperand VarOperand(const CVarSlot& var);
    static COperand NameOperand(const CNameRef& name);
    // Stores a string constant's text on its first use.
    COperand ConstOperand(const CConstRef& constant);
    void LoadObject(const CNameRef& name);
    // An instruction whose last operand may be a data-block offset, which the
    // engine relocates.
    void EmitWithValue(uint16_t id, ERegister r, const COperand& value);
    void EmitArithmetic(int32_t kind, const COperand& right);
    void EmitDivide(int32_t kind, const COperand& divisor);
    void EmitJumpTo(uint16_t id, CLabel* label);

    // The code of the last prologue or epilogue emitted for one kind of
    // frame. Routines of one kind mostly have the same frame, and a frame's
    // code holds no fixup, relocation or call, so the bytes are copied
    // instead of encoded again. No bytes: none kept yet.
    struct SFrameCode {
        SFrame m_Frame;
        std::vector<uint8_t> m_Bytes;
    };
    // Appends the kept bytes if they are those of `frame`; says whether.
    bool CopyFrameCode(const SFrameCode& kept, const SFrame& frame);
    // Keeps the code emitted for `frame` since `start`.
    void KeepFrameCode(SFrameCode& kept, const SFrame& frame, uint32_t start);
    SFrameCode m_Prologues[SFrame::kKinds];
    SFrameCode m_Epilogues[SFrame::kKinds];

    bool m_bFailed = false;
    std::string m_strFailure;
};
