// The fixed instruction sequences that the translation is built from. The
// value being computed is always in EAX; ECX holds a qualifying object, EDX
// and ECX are scratch for multiplication and division; ESI is the script
// object, EBX the game object it controls, EDI the loop budget. Every
// sequence does nothing in the layout pass.
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
    case CConstRef::eInteger: return COperand(c.m_nValue, false);
    case CConstRef::eString: {
        int32_t offset = c.m_pDataIndex ? *c.m_pDataIndex : -1;
        if (offset < 0 && m_nPass == 1) {
            offset = int32_t(AppendString(c.m_strText));
            if (c.m_pDataIndex) *c.m_pDataIndex = offset;
        }
        return COperand(offset < 0 ? 0 : offset, true);
    }
    default: return COperand();
    }
}

// The engine adds the data block's address to every 32-bit word that holds
// a string's offset; such a word is always an instruction's last four bytes.
void CCodeGen::AddRelocationIfString(const COperand& op) {
    if (op.m_nKind == COperand::eAddress) AddRelocation(GetCodeSize() - 4);
}

// ---- loads, stores, constants ----

void CCodeGen::LoadObject(const CVarSlot& object) {
    if (m_nPass == 0) return;
    Emit(CInstr::eMov, eECX, VarOperand(object));
}

void CCodeGen::EmitLoad(const CNameRef& name) {
    if (m_nPass == 0) return;
    if (name.m_bQualified) LoadObject(name.m_Object);
    Emit(CInstr::eMov, eEAX, NameOperand(name));
}

void CCodeGen::EmitStore(const CNameRef& name) {
    if (m_nPass == 0) return;
    if (name.m_bQualified) LoadObject(name.m_Object);
    Emit(CInstr::eMov, NameOperand(name), eEAX);
}

void CCodeGen::EmitLoadVar(const CVarSlot& var) {
    if (m_nPass == 1) Emit(CInstr::eMov, eEAX, VarOperand(var));
}

void CCodeGen::EmitStoreVar(const CVarSlot& var) {
    if (m_nPass == 1) Emit(CInstr::eMov, VarOperand(var), eEAX);
}

void CCodeGen::EmitLoadAddress(const CVarSlot& var) {
    if (m_nPass == 1) Emit(CInstr::eLea, eEAX, VarOperand(var));
}

void CCodeGen::EmitLoadConst(const CConstRef& constant) {
    if (m_nPass == 0) return;
    const COperand c = ConstOperand(constant);
    if (Emit(CInstr::eMov, eEAX, c)) AddRelocationIfString(c);
}

void CCodeGen::EmitLoadInt(int32_t value) {
    if (m_nPass == 1) Emit(CInstr::eMov, eEAX, COperand(value, false));
}

void CCodeGen::EmitCmpConst(const CConstRef& constant) {
    if (m_nPass == 0) return;
    const COperand c = ConstOperand(constant);
    if (Emit(CInstr::eCmp, eEAX, c)) AddRelocationIfString(c);
}

void CCodeGen::EmitCmp(const CNameRef& name) {
    if (m_nPass == 0) return;
    if (name.m_bQualified) LoadObject(name.m_Object);
    Emit(CInstr::eCmp, eEAX, NameOperand(name));
}

void CCodeGen::EmitCmpVar(const CVarSlot& var) {
    if (m_nPass == 1) Emit(CInstr::eCmp, eEAX, VarOperand(var));
}

void CCodeGen::EmitZeroEax() {
    if (m_nPass == 1) Emit(CInstr::eXor, eEAX, eEAX);
}
void CCodeGen::EmitPushEax() {
    if (m_nPass == 1) Emit(CInstr::ePush, eEAX);
}
void CCodeGen::EmitPopEax() {
    if (m_nPass == 1) Emit(CInstr::ePop, eEAX);
}
void CCodeGen::EmitPushObject() {
    if (m_nPass == 1) Emit(CInstr::ePush, eEBX);
}

// ---- arithmetic ----

void CCodeGen::EmitUnary(int32_t kind) {
    if (m_nPass == 0) return;
    switch (kind) {
    case CToken::eBitNot: Emit(CInstr::eNot, eEAX); break;
    case CToken::eMinusUnary: Emit(CInstr::eNeg, eEAX); break;
    case CToken::ePlusPlus: Emit(CInstr::eInc, eEAX); break;
    case CToken::eMinusMinus: Emit(CInstr::eDec, eEAX); break;
    default: break;
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

void CCodeGen::EmitBinary(int32_t kind, const CConstRef& right) {
    if (m_nPass == 0) return;
    const COperand c = ConstOperand(right);
    if (c.IsNone()) return;  // half a multiply or divide would be worse than nothing
    auto load = [&](ERegister r) {
        if (Emit(CInstr::eMov, r, c)) AddRelocationIfString(c);
    };
    if (uint16_t alu = AluFor(kind)) {
        if (Emit(alu, eEAX, c)) AddRelocationIfString(c);
        return;
    }
    switch (kind) {
    case CToken::eMultiply:
        load(eEDX);
        Emit(CInstr::eImul, eEDX);
        break;
    case CToken::eDivide:
    case CToken::eModulus:
        Emit(CInstr::eCdq);
        load(eECX);
        Emit(CInstr::eIdiv, eECX);
        if (kind == CToken::eModulus) Emit(CInstr::eMov, eEAX, eEDX);
        break;
    default: break;
    }
}

void CCodeGen::EmitBinary(int32_t kind, const CNameRef& right) {
    if (m_nPass == 0) return;
    const bool known = AluFor(kind) || kind == CToken::eMultiply || kind == CToken::eDivide ||
                       kind == CToken::eModulus;
    if (!known) return;
    if (right.m_bQualified) LoadObject(right.m_Object);
    const COperand var = NameOperand(right);
    if (uint16_t alu = AluFor(kind)) {
        Emit(alu, eEAX, var);
        return;
    }
    if (kind == CToken::eMultiply) {
        Emit(CInstr::eImul, var);
        return;
    }
    Emit(CInstr::eCdq);
    Emit(CInstr::eIdiv, var);
    if (kind == CToken::eModulus) Emit(CInstr::eMov, eEAX, eEDX);
}

void CCodeGen::EmitBinaryTemp(int32_t kind, const CVarSlot& temporary) {
    if (m_nPass == 0) return;
    const COperand t = VarOperand(temporary);
    switch (kind) {
    case CToken::ePlus:
    case CToken::eBitAnd:
    case CToken::eBitXor:
    case CToken::eBitOr: Emit(AluFor(kind), eEAX, t); break;
    case CToken::eMinus:  // t - EAX = -(EAX - t)
        Emit(CInstr::eSub, eEAX, t);
        Emit(CInstr::eNeg, eEAX);
        break;
    case CToken::eMultiply: Emit(CInstr::eImul, t); break;
    case CToken::eDivide:
    case CToken::eModulus:  // the divisor is EAX, the dividend the temporary
        Emit(CInstr::eMov, eEDX, eEAX);
        Emit(CInstr::eMov, eEAX, t);
        Emit(CInstr::eMov, eECX, eEDX);
        Emit(CInstr::eCdq);
        Emit(CInstr::eIdiv, eECX);
        if (kind == CToken::eModulus) Emit(CInstr::eMov, eEAX, eEDX);
        break;
    default: break;
    }
}

// ---- jumps and calls ----

void CCodeGen::EmitJumpTo(uint16_t id, CLabel* label) {
    Emit(id, COperand(0, true));
    AddJumpFixup(GetCodeSize() - 4, label);
}

// Jump-if-true and jump-if-false instruction per relation, in the order
// eLT eLE eGT eGE eEQ eNE.
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

void CCodeGen::EmitJcc(int32_t relation, CLabel* label, bool jumpIfTrue, bool swapped) {
    if (m_nPass == 0) return;
    const SRelation* r = FindRelation(relation);
    if (r && swapped) r = FindRelation(r->m_nSwapped);
    if (!r) return;
    EmitJumpTo(jumpIfTrue ? r->m_nIfTrue : r->m_nIfFalse, label);
}

void CCodeGen::EmitJmp(CLabel* label) {
    if (m_nPass == 1) EmitJumpTo(CInstr::eJmp, label);
}

void CCodeGen::EmitTestJump(CLabel* label, bool jumpIfNonZero) {
    if (m_nPass == 0) return;
    Emit(CInstr::eAnd, eEAX, eEAX);
    EmitJumpTo(jumpIfNonZero ? CInstr::eJne : CInstr::eJe, label);
}

void CCodeGen::EmitCallLabel(CLabel* body) {
    if (m_nPass == 1) EmitJumpTo(CInstr::eCall, body);
}

void CCodeGen::EmitCallBuiltin(uint32_t builtin) {
    if (m_nPass == 0) return;
    Emit(CInstr::eCall, COperand(0, true));
    AddExternalCall(GetCodeSize() - 4, builtin);
}

void CCodeGen::EmitLoopGuard(CLabel* returnLabel) {
    if (m_nPass == 0) return;
    Emit(CInstr::eSub, eEDI, COperand(1, false));
    EmitJumpTo(CInstr::eJe, returnLabel);
}

// ---- routine frame ----

void CCodeGen::EmitPrologue(uint32_t frameSize, bool loopGuard, bool noObject) {
    if (m_nPass == 0) return;
    Emit(CInstr::ePush, eEBP);
    Emit(CInstr::eMov, eEBP, eESP);
    if (frameSize) Emit(CInstr::eSub, eESP, COperand(int32_t(frameSize), false));
    if (!noObject) {
        Emit(CInstr::ePush, eESI);
        Emit(CInstr::ePush, eEBX);
        Emit(CInstr::ePush, eECX);
        Emit(CInstr::eMov, eESI, COperand::Dword(eEBP, 8));
        Emit(CInstr::eMov, eEBX, COperand::Dword(eESI, -12));
        if (loopGuard) {
            Emit(CInstr::ePush, eEDI);
            Emit(CInstr::eMov, eEDI, COperand::Dword(eESI, 4));
        }
    }
    if (frameSize) {
        // Every local starts at 0.
        Emit(CInstr::eXor, eEAX, eEAX);
        for (uint32_t k = 0; k < (frameSize + 3) / 4; ++k)
            Emit(CInstr::eMov, COperand::Dword(eEBP, -4 - 4 * int32_t(k)), eEAX);
    }
}

void CCodeGen::EmitEpilogue(uint32_t bytesToPop, uint32_t frameSize, bool loopGuard,
                            bool noObject) {
    if (m_nPass == 0) return;
    if (!noObject) {
        if (loopGuard) Emit(CInstr::ePop, eEDI);
        Emit(CInstr::ePop, eECX);
        Emit(CInstr::ePop, eEBX);
        Emit(CInstr::ePop, eESI);
    }
    if (frameSize) Emit(CInstr::eMov, eESP, eEBP);
    Emit(CInstr::ePop, eEBP);
    Emit(CInstr::eRet, COperand(int32_t(bytesToPop), false));
}
