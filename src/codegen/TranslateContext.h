// What every translation step receives, and the translator that the
// statement and routine translations share. One translator serves a whole
// unit, one routine at a time: it owns the labels of the routine in hand
// and the body label of each script function translated so far, which
// later routines call.
//
// The walk recurses once per level of real nesting (statements inside
// statements, operands inside operators), which the parser bounds; chains
// that only grow longer (a + b + ..., x == 1 || x == 2 || ..., else if ...)
// are walked in loops. Past kLevelsOnFirstStack levels, and then every
// kLevelsPerStack levels, the walk goes on on a fresh thread's stack, so no
// depth can overflow the caller's stack, whatever its size.
#pragma once
#include <vector>

#include "codegen/CodeGen.h"
#include "codegen/FunctionBodies.h"
#include "codegen/SemanticRefs.h"
#include "parser/Node.h"

// What a state routine returns when no return names a delay of its own.
constexpr int32_t kDefaultStateDelay = 20;

// Levels of the walk on the caller's stack, whose size is unknown, and on
// each stack of its own. A level takes a few hundred bytes (a few KB under
// the address sanitizer); only the pages used are committed.
constexpr size_t kLevelsOnFirstStack = 512;
constexpr size_t kLevelsPerStack = 8192;
constexpr size_t kStackBytes = 64 * 1024 * 1024;

struct CContext {
    CLabel* m_pReturn = nullptr;
    CLabel* m_pBreak = nullptr;
    CLabel* m_pContinue = nullptr;
    bool m_bStore = false;

    CContext Loop(CLabel* brk, CLabel* cont) const { return CContext{m_pReturn, brk, cont}; }
    CContext Statement() const { return CContext{m_pReturn, m_pBreak, m_pContinue}; }
    // What an expression sees: no jump target, only whether it is stored.
    CContext Expression() const { return CContext{nullptr, nullptr, nullptr, m_bStore}; }
};

// A condition as written, or under a "!" (its jumps then trade places).
enum class ESense : uint8_t { eAsWritten, eNegated };

// A condition still to translate, with its labels; for the right operand of
// a && or ||, the label placed just before it.
struct SCondition {
    CNode* m_pNode;
    CLabel* m_pTrue;
    CLabel* m_pFalse;
    EJump m_eWhen;
    ESense m_eSense;
    CLabel* m_pBefore = nullptr;
};

// What frames a routine, and what it returns by default.
enum class ERoutine : uint8_t { eState, eHandler, eFunction };

class CTranslator {
public:
    explicit CTranslator(CCodeGen& gen) : m_Gen(gen) {}

    void Translate(CNode* node, const CContext& ctx);

    // The unit around the routines: the tables sized for the base class
    // first; $Destructor, $Serialize and the data size last.
    void BeginClass(CClassNode* node);
    void EndClass();
    // Gives the class variables declared since the last call their slots
    // (slots follow declaration order, so given ones never move).
    void SlotClassVariables();
    // One routine, its class variables slotted.
    void TranslateRoutine(CNode* routine);
    // Lets the labels of the routine just translated be used again (its
    // jumps are resolved); the function bodies that later calls need are kept.
    void ForgetRoutineLabels() { m_nLabelsInUse = 0; }

private:
    void Dispatch(CNode* node, const CContext& ctx);
    void TranslateOnNewStack(CNode* node, const CContext& ctx);
    void TranslateChildren(CNode* node, const CContext& ctx);
    void TranslateBlock(CNode* block, const CContext& ctx);
    void TranslateCondition(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense);

    // Routines (states, handlers, functions).
    void TranslateState(CStateNode* node);
    void TranslateEvent(CEventNode* node);
    void TranslateCommand(CCommandNode* node);
    void TranslateFunction(CFunctionNode* node);

    // A value into EAX, and EAX stored into what the node names.
    void TranslateValue(CNode* node);
    void TranslateStore(CNode* node);
    void TranslateName(CNode* node, const CContext& ctx);
    void TranslateUnary(CNode* node);
    void TranslateCall(CNode* node);
    void TranslateBinary(CNode* node);
    void ApplyRightOperand(CNode* node);
    void TranslateAssign(CNode* node);
    void TranslateIndex(CNode* node, bool store);
    void TranslateConditionValue(CNode* node);
    void TranslateComparison(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense);
    void TranslateTest(CNode* node, CLabel* t, CLabel* f, EJump when, ESense sense);
    void TranslateIf(CNode* node, const CContext& ctx);
    void TranslateWhile(CNode* node, const CContext& ctx);
    void TranslateFor(CNode* node, const CContext& ctx);
    void TranslateDo(CNode* node, const CContext& ctx);
    void TranslateReturn(CNode* node, const CContext& ctx);
    void TranslateStateChange(CNode* node);
    void RoutineBody(CNode* routine, ERoutine kind, CVariableList* params);
    void EmitPrologue(const SFrame& frame, CVariableList* scope);
    void EmitReleaseLocals(CVariableList* scope);
    void EmitSerialize(CVariableList* scope);
    uint32_t WriteDescriptor(CCommandNode* node);
    void EmitCall(const CFunction& f);

    CLabel* NewLabel();
    void AddLabel();
    void Place(CLabel* label) { m_Gen.PlaceLabel(label); }
    CVariableList* TemporaryScope();
    CVariable* AcquireTemporary();
    void ReleaseTemporary(CVariable* temp);
    CVariable* StateVariable();

    CCodeGen& m_Gen;
    CType* m_pBaseClass = nullptr;
    CBlockNode* m_pClassBlock = nullptr;
    // Class variables slotted so far, and the class's $State once found.
    size_t m_nClassSlotted = 0;
    CVariable* m_pStateVariable = nullptr;
    // The routine being translated: its body block holds the temporaries,
    // and a return in a state names the next state. Kept here so that no
    // node deep in a chain has to climb to find them.
    CBlockNode* m_pRoutineBlock = nullptr;
    // The temporaries of that block free to lend again, highest slot first;
    // emptied with each routine, whose temporaries die with its body.
    std::vector<CVariable*> m_FreeTemporaries;
    ERoutine m_eRoutine = ERoutine::eFunction;
    // Translate calls now active, and the count at which the next one moves
    // to a new stack.
    size_t m_nDepth = 0;
    size_t m_nNextStack = kLevelsOnFirstStack;
    // The labels of the routine in hand are the first m_nLabelsInUse; the
    // rest wait to be used again, so a routine makes new labels only when
    // it needs more than any routine before it.
    std::vector<CRefPtr<CLabel>> m_Labels;
    size_t m_nLabelsInUse = 0;
    CFunctionBodies m_FunctionBodies;
    // The end labels of the else-if chains being translated and the right
    // operands of && and || still waiting, innermost last; each chain or
    // condition takes back its own. Kept across routines so that an if or
    // a condition costs no allocation.
    std::vector<CLabel*> m_IfEnds;
    std::vector<SCondition> m_Waiting;
};

// A block's own variables get slots 4 * (i + base).
void AssignSlots(CVariableList* scope, int base);
// The function of that name in a class or its parents, or null.
CFunction* FindMember(CType* cls, const char* name);
