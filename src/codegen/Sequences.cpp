// The fixed instruction sequences that the translation is built from. The
// value being computed is always in EAX; ECX holds a qualifying object, EDX
// and ECX are scratch for multiplication and division; ESI is the script
// object, EBX the game object it controls, EDI the loop budget.
#include <algorithm>

#include "codegen/CodeGen.h"
#include "lexer/Token.h"

// ---- operands ----

COperand CCodeGen::VarOperand(const CVarSlot& var) {
    switch (var.m_nKind) {
    case CVarSlot::eMember: return COperand::Dword(eESI, var.m_nSlot);
    case CVarSlot::eParam: return COperand::Dword(eEBP, var.m_nSlot + 8);
    default: return COperand::Dword(eEBP, -var.m_nSlot - 4);
    }
}

COperand CCodeGen::NameOperand(const CNameRef& name) {
    return name.m_bQualified ? COperand::Dword(eECX, name.m_Var.m_nSlot) : VarOperand(name.m_Var);
}

COperand CCodeGen::ConstOperand(const CConstRef& c) {
    switch (c.m_nKind) {
    case CConstRef::eInteger: return COperand::Imm(c.m_nValue);
    case CConstRef::eString:
        if (*c.m_pDataIndex < 0 && Emitting()) *c.m_pDataIndex = int32_t(AppendString(c.m_strText));
        return COperand::Address(std::max(*c.m_pDataIndex, 0));
    case CConstRef::eOther: break;
    }
    Fail("a constant that is neither an int nor a string");
    return COperand();
}

// The engine adds the data block's address to every 32-bit word that holds
// a string's offset; such a word is always an instruction's last four bytes.
void CCodeGen::EmitWithValue(uint16_t id, ERegister r, const COperand& value) {
    if (Emit(id, r, value) && value.m_nKind == COperand::eAddress)
        m_Relocations.Add(GetCodeSize() - 4);
}

// ---- loads, stores, constants ----

void CCodeGen::LoadObject(const CNameRef& name) {
    if (name.m_bQualified) Emit(CInstr::eMov, eECX, VarOperand(name.m_Object));
}

void CCodeGen::EmitLoad(const CNameRef& name) {
    LoadObject(name);
    Emit(CInstr::eMov, eEAX, NameOperand(name));
}

void CCodeGen::EmitStore(const CNameRef& name) {
    LoadObject(name);
    Emit(CInstr::eMov, NameOperand(name), eEAX);
}

void CCodeGen::EmitLoadVar(const CVarSlot& var) { Emit(CInstr::eMov, eEAX, VarOperand(var)); }
void CCodeGen::EmitStoreVar(const CVarSlot& var) { Emit(CInstr::eMov, VarOperand(var), eEAX); }
void CCodeGen::EmitLoadAddress(const CVarSlot& var) { Emit(CInstr::eLea, eEAX, VarOperand(var)); }

void CCodeGen::EmitLoadConst(const CConstRef& constant) {
    EmitWithValue(CInstr::eMov, eEAX, ConstOperand(constant));
}

void CCodeGen::EmitLoadInt(int32_t value) { Emit(CInstr::eMov, eEAX, COperand::Imm(value)); }

void CCodeGen::EmitCmpConst(const CConstRef& constant) {
    EmitWithValue(CInstr::eCmp, eEAX, ConstOperand(constant));
}

void CCodeGen::EmitCmp(const CNameRef& name) {
    LoadObject(name);
    Emit(CInstr::eCmp, eEAX, NameOperand(name));
}

void CCodeGen::EmitCmpVar(const CVarSlot& var) { Emit(CInstr::eCmp, eEAX, VarOperand(var)); }
void CCodeGen::EmitZeroEax() { Emit(CInstr::eXor, eEAX, eEAX); }
void CCodeGen::EmitPushEax() { Emit(CInstr::ePush, eEAX); }
void CCodeGen::EmitPopEax() { Emit(CInstr::ePop, eEAX); }
void CCodeGen::EmitPushObject() { Emit(CInstr::ePush, eEBX); }

// ---- arithmetic ----

void CCodeGen::EmitUnary(int32_t kind) {
    switch (kind) {
    case CToken::eBitNot: Emit(CInstr::eNot, eEAX); return;
    case CToken::eMinusUnary: Emit(CInstr::eNeg, eEAX); return;
    case CToken::ePlusPlus: Emit(CInstr::eInc, eEAX); return;
    case CToken::eMinusMinus: Emit(CInstr::eDec, eEAX); return;
    case CToken::ePlusUnary: return;
    default: Fail(std::string("no unary instruction for ") + CToken::GetKindName(kind));
    }
}

// The ALU instruction for an arithmetic kind that maps onto one, else 0.
static uint16_t AluFor(int32_t kind) {
    switch (kind) {
    case CToken::ePlus: return CInstr::eAdd;
    case CToken::eMinus: return CInstr::eSub;
    case CToken::eBitAnd: return CInstr::eAnd;
    case CToken::eBitXor: return CInstr::eXor;
    case CToken::eBitOr: return CInstr::eOr;
    default: return 0;
    }
}

// EDX:EAX / divisor; the quotient stays in EAX, the remainder moves there.
// IDIV takes no immediate, so a constant divisor goes through ECX.
void CCodeGen::EmitDivide(int32_t kind, const COperand& divisor) {
    Emit(CInstr::eCdq);
    if (divisor.IsImmediate()) {
        EmitWithValue(CInstr::eMov, eECX, divisor);
        Emit(CInstr::eIdiv, eECX);
    } else {
        Emit(CInstr::eIdiv, divisor);
    }
    if (kind == CToken::eModulus) Emit(CInstr::eMov, eEAX, eEDX);
}

// EAX = EAX op right, where right is a constant, a variable or a register.
void CCodeGen::EmitArithmetic(int32_t kind, const COperand& right) {
    if (uint16_t alu = AluFor(kind)) return EmitWithValue(alu, eEAX, right);
    switch (kind) {
    case CToken::eMultiply:
        if (right.IsImmediate()) {  // IMUL takes no immediate: through EDX
            EmitWithValue(CInstr::eMov, eEDX, right);
            Emit(CInstr::eImul, eEDX);
        } else {
            Emit(CInstr::eImul, right);
        }
        return;
    case CToken::eDivide:
    case CToken::eModulus: return EmitDivide(kind, right);
    default: Fail(std::string("no arithmetic for ") + CToken::GetKindName(kind));
    }
}

void CCodeGen::EmitBinary(int32_t kind, const CConstRef& right) {
    const COperand c = ConstOperand(right);
    if (!c.IsNone()) EmitArithmetic(kind, c);
}

void CCodeGen::EmitBinary(int32_t kind, const CNameRef& right) {
    LoadObject(right);
    EmitArithmetic(kind, NameOperand(right));
}

// The left value waits in the temporary and the right one is in EAX: the
// operators that commute use the temporary as the right operand; the two
// that do not turn the operands around.
void CCodeGen::EmitBinaryTemp(int32_t kind, const CVarSlot& temporary) {
    const COperand t = VarOperand(temporary);
    switch (kind) {
    case CToken::eMinus:  // t - EAX = -(EAX - t)
        EmitArithmetic(kind, t);
        Emit(CInstr::eNeg, eEAX);
        return;
    case CToken::eDivide:
    case CToken::eModulus:  // the divisor is EAX, the dividend the temporary
        Emit(CInstr::eMov, eEDX, eEAX);
        Emit(CInstr::eMov, eEAX, t);
        Emit(CInstr::eMov, eECX, eEDX);
        return EmitDivide(kind, COperand(eECX));
    default: return EmitArithmetic(kind, t);
    }
}

// ---- jumps and calls ----

void CCodeGen::EmitJumpTo(uint16_t id, CLabel* label) {
    if (Emit(id, COperand::Address(0))) m_JumpFixups.Add(SJumpFixup{GetCodeSize() - 4, label});
}

// Jump-if-true and jump-if-false instruction per relation, and the relation
// with its operands swapped.
struct SRelation {
    int32_t m_nKind, m_nSwapped;
    uint16_t m_nIfTrue, m_nIfFalse;
};
static constexpr SRelation kRelations[] = {
    {CToken::eLT, CToken::eGT, CInstr::eJl, CInstr::eJge},
    {CToken::eLE, CToken::eGE, CInstr::eJle, CInstr::eJg},
    {CToken::eGT, CToken::eLT, CInstr::eJg, CInstr::eJle},
    {CToken::eGE, CToken::eLE, CInstr::eJge, CInstr::eJl},
    {CToken::eEQ, CToken::eEQ, CInstr::eJe, CInstr::eJne},
    {CToken::eNE, CToken::eNE, CInstr::eJne, CInstr::eJe},
};

static const SRelation* FindRelation(int32_t kind) {
    for (const SRelation& r : kRelations)
        if (r.m_nKind == kind) return &r;
    return nullptr;
}

void CCodeGen::EmitJcc(int32_t relation, CLabel* label, EJump when, EOrder order) {
    const SRelation* r = FindRelation(relation);
    if (r && order == EOrder::eSwapped) r = FindRelation(r->m_nSwapped);
    if (!r) return Fail(std::string("no conditional jump for ") + CToken::GetKindName(relation));
    EmitJumpTo(when == EJump::eIfTrue ? r->m_nIfTrue : r->m_nIfFalse, label);
}

void CCodeGen::EmitJmp(CLabel* label) { EmitJumpTo(CInstr::eJmp, label); }

void CCodeGen::EmitTestJump(CLabel* label, EJump when) {
    Emit(CInstr::eAnd, eEAX, eEAX);
    EmitJumpTo(when == EJump::eIfTrue ? CInstr::eJne : CInstr::eJe, label);
}

void CCodeGen::EmitCallLabel(CLabel* body) { EmitJumpTo(CInstr::eCall, body); }

void CCodeGen::EmitCallBuiltin(uint32_t builtin) {
    if (Emit(CInstr::eCall, COperand::Address(0)))
        m_ExternalCalls.Add(SExternalCall{GetCodeSize() - 4, builtin});
}

void CCodeGen::EmitLoopGuard(CLabel* returnLabel) {
    Emit(CInstr::eSub, eEDI, COperand::Imm(1));
    EmitJumpTo(CInstr::eJe, returnLabel);
}

// ---- routine frame ----

bool CCodeGen::CopyFrameCode(const SFrameCode& kept, const SFrame& frame) {
    const size_t count = kept.m_Bytes.size();
    if (!Emitting() || !count || !(kept.m_Frame == frame)) return false;
    uint8_t* at = m_Code.Room(count);
    std::copy(kept.m_Bytes.begin(), kept.m_Bytes.end(), at);
    m_Code.End(at + count);
    return true;
}

void CCodeGen::KeepFrameCode(SFrameCode& kept, const SFrame& frame, uint32_t start) {
    if (!Emitting()) return;
    kept.m_Frame = frame;
    kept.m_Bytes.assign(m_Code.GetData() + start, m_Code.GetData() + GetCodeSize());
}

void CCodeGen::EmitPrologue(const SFrame& frame) {
    SFrameCode& kept = m_Prologues[frame.m_nKind % SFrame::kKinds];
    if (CopyFrameCode(kept, frame)) return;
    const uint32_t start = GetCodeSize();
    Emit(CInstr::ePush, eEBP);
    Emit(CInstr::eMov, eEBP, eESP);
    if (frame.m_nLocals) Emit(CInstr::eSub, eESP, COperand::Imm(int32_t(frame.m_nLocals)));
    if (frame.m_nKind != SFrame::eFunction) {
        Emit(CInstr::ePush, eESI);
        Emit(CInstr::ePush, eEBX);
        Emit(CInstr::ePush, eECX);
        Emit(CInstr::eMov, eESI, COperand::Dword(eEBP, 8));
        Emit(CInstr::eMov, eEBX, COperand::Dword(eESI, -12));
    }
    if (frame.m_nKind == SFrame::eRoutine) {
        Emit(CInstr::ePush, eEDI);
        Emit(CInstr::eMov, eEDI, COperand::Dword(eESI, 4));
    }
    if (frame.m_nLocals) {
        // Every local starts at 0.
        Emit(CInstr::eXor, eEAX, eEAX);
        for (uint32_t k = 0; k < (frame.m_nLocals + 3) / 4; ++k)
            Emit(CInstr::eMov, COperand::Dword(eEBP, -4 - 4 * int32_t(k)), eEAX);
    }
    KeepFrameCode(kept, frame, start);
}

void CCodeGen::EmitEpilogue(const SFrame& frame) {
    SFrameCode& kept = m_Epilogues[frame.m_nKind % SFrame::kKinds];
    if (CopyFrameCode(kept, frame)) return;
    const uint32_t start = GetCodeSize();
    if (frame.m_nKind == SFrame::eRoutine) Emit(CInstr::ePop, eEDI);
    if (frame.m_nKind != SFrame::eFunction) {
        Emit(CInstr::ePop, eECX);
        Emit(CInstr::ePop, eEBX);
        Emit(CInstr::ePop, eESI);
    }
    if (frame.m_nLocals) Emit(CInstr::eMov, eESP, eEBP);
    Emit(CInstr::ePop, eEBP);
    Emit(CInstr::eRet, COperand::Imm(int32_t(frame.m_nBytesToPop)));
    KeepFrameCode(kept, frame, start);
}
