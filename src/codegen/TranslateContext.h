// What every translation step receives, and the helpers shared by the
// statement and routine translations.
#pragma once
#include "codegen/CodeGen.h"
#include "codegen/SemanticRefs.h"
#include "parser/Node.h"

struct CContext {
    CLabel* m_pReturn = nullptr;
    CLabel* m_pBreak = nullptr;
    CLabel* m_pContinue = nullptr;
    bool m_bStore = false;

    CContext Loop(CLabel* brk, CLabel* cont) const { return CContext{m_pReturn, brk, cont, false}; }
    CContext Statement() const { return CContext{m_pReturn, m_pBreak, m_pContinue, false}; }
};

class CTranslator {
public:
    explicit CTranslator(CCodeGen& gen) : m_Gen(gen) {}

    void Translate(CNode* node, const CContext& ctx);
    void TranslateChildren(CNode* node, const CContext& ctx);
    void TranslateCondition(CNode* node, CLabel* t, CLabel* f, bool jumpIfTrue, bool negate);

    // Routines (states, handlers, functions, the class).
    void TranslateClass(CClassNode* node);
    void TranslateState(CStateNode* node);
    void TranslateEvent(CEventNode* node);
    void TranslateCommand(CCommandNode* node);
    void TranslateFunction(CFunctionNode* node);

    CCodeGen& m_Gen;
    CType* m_pBaseClass = nullptr;
    CBlockNode* m_pClassBlock = nullptr;

private:
    void TranslateExpression(CNode* node, const CContext& ctx);
    void TranslateUnary(CNode* node);
    void TranslateCall(CCallNode* node);
    void TranslateBinary(CNode* node);
    void TranslateAssign(CNode* node);
    void TranslateIndex(CNode* node, bool store);
    void TranslateConditionValue(CNode* node);
    void TranslateComparison(CNode* node, CLabel* t, CLabel* f, bool jumpIfTrue, bool negate);
    void TranslateStatement(CNode* node, const CContext& ctx);
    void TranslateIf(CNode* node, const CContext& ctx);
    void TranslateWhile(CNode* node, const CContext& ctx);
    void TranslateFor(CNode* node, const CContext& ctx);
    void TranslateDo(CNode* node, const CContext& ctx);
    void TranslateReturn(CNode* node, const CContext& ctx);
    void TranslateStateChange(CNode* node);
    void RoutineBody(CNode* routine, CVariableList* params, int paramBase, uint32_t popExtra,
                     bool noObject, bool isState);
    void EmitReleaseLocals(CVariableList* scope);
    void EmitSerialize(CVariableList* scope);
    void WriteDescriptor(CCommandNode* node, uint32_t& offset);
    void KeepHandlerOffPositionZero();

    CLabel* NewLabel(CNode* node);
    void Place(CLabel* label) { m_Gen.PlaceLabel(label); }
    CBlockNode* RoutineBlock(CNode* node);
    CVariable* AcquireTemporary(CNode* node);
    void ReleaseTemporary(CNode* node, CVariable* temp);
    CVariable* StateVariable();
};

// A block's own variables get slots 4 * (i + base).
void AssignSlots(CVariableList* scope, int base);
// The function of that name in a class or its parents, or null.
CFunction* FindMember(CType* cls, const char* name);
