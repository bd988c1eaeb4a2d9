// Bodies and statements. Each state handles one token; compound statements
// keep their continuation on the return stack while their parts are read, and
// every statement that makes a node leaves it again before it returns, so
// after a complete statement the cursor is back on the block that holds it.
// Where several rules end alike they share one state: LeaveConstruct after
// the last statement of an if, LeaveLoop after that of while and for,
// StatementEnd at the closing ";". Nesting is counted in return states:
// each statement that holds another holds one while its part is read, and a
// whole else-if chain holds one, however long it is.
#include <array>

#include "parser/EntryStates.h"
#include "parser/Grammar.h"
#include "parser/Suggestions.h"
#include "parser/Observe.h"

using namespace grammar;

namespace {

CRefPtr<CNode> NewNode(int32_t kind) { return MakeRef<CNode>(kind); }

CRefPtr<CNode> NewConst(int32_t value) { return MakeRef<CConstNode>(CConstValue::MakeInt(value).Get()); }

// Opens a statement: a node of the keyword's kind becomes current.
void EnterNew(CCompiler& c, int32_t kind) { Enter(c, NewNode(kind).Get()); }

void EnterBlock(CCompiler& c) { Enter(c, MakeRef<CBlockNode>().Get()); }

// A routine's body: its block becomes current, and the nesting of its
// statements is counted from the return states held now.
void EnterBody(CCompiler& c) {
    EnterBlock(c);
    c.m_pBody = c.m_pNode.Get();
    c.m_nBodyStates = c.m_ReturnStates.size();
    c.m_Names.Clear();
}

void LeaveBody(CCompiler& c) {
    c.m_pBody = nullptr;
    c.m_Names.Clear();
    LeaveAndReturn(c);
}

// Statements and blocks around the one about to start, within its body:
// each holds one return state while its part is read.
size_t Nesting(const CCompiler& c) {
    size_t held = c.m_ReturnStates.size();
    return held > c.m_nBodyStates ? held - c.m_nBodyStates - 1 : 0;
}

// A condition that was left empty ("while ()") has no value to test.
bool EmptyCondition(CCompiler& c) {
    size_t n = c.m_pNode->GetChildCount();
    CNode* condition = n ? c.m_pNode->GetChild(n - 1) : nullptr;
    return condition && condition->GetKind() == CToken::eHardStop && !condition->GetChild(0);
}

void xSimpleInstruction1(CCompiler& c);
void If1(CCompiler& c);
void While1(CCompiler& c);
void For1(CCompiler& c);
void Do1(CCompiler& c);
void Return1(CCompiler& c);
void StateInstr1(CCompiler& c);
void Break1(CCompiler& c);
void Continue1(CCompiler& c);
void Assert1(CCompiler& c);
void Verify1(CCompiler& c);
void Block1(CCompiler& c);

// The statements that start with a keyword (each its own), by token kind;
// "state" at the start of a statement is a state change.
constexpr CStatesByKind kStatementByKind = StatesByKind({
    {CToken::eIf, If1},         {CToken::eWhile, While1},         {CToken::eFor, For1},
    {CToken::eDo, Do1},         {CToken::eReturn, Return1},       {CToken::eState, StateInstr1},
    {CToken::eBreak, Break1},   {CToken::eContinue, Continue1},   {CToken::eAssert, Assert1},
    {CToken::eVerify, Verify1},
});

StateFn StatementState(int32_t kind) {
    return uint32_t(kind) < uint32_t(CToken::eKindCount) ? kStatementByKind[size_t(kind)] : nullptr;
}

}  // namespace

// Statement = if | while | for | do | return | state | break | continue
//           | assert | verify | Block | Expression ";"
// Where a statement may start, the end of the file means a body is still open.
void Instruction1(CCompiler& c) {
    GiveBack(c);
    if (Nesting(c) > kMaxStatementNesting) return c.SetError(eErrNestingTooDeep);
    if (StateFn state = StatementState(c.m_Scanner.GetToken().m_nKind)) return Go(c, state);
    if (Is(c, CToken::eEndOfFile)) return c.SetError(eErrExpectedCloseBrace);
    if (Is(c, CToken::eBracesLeft)) return Go(c, Block1);
    if (Is(c, CToken::eBracesRight)) {
        c.PopState();
        if (c.m_pNode->GetKind() != CToken::eBlockInstruction) c.SetError(eErrUnexpectedCloseBrace);
        return;
    }
    Call(c, Expression1, xSimpleInstruction1);
}

// Any token after the last part of a construct: give it back, leave, return.
void LeaveConstruct(CCompiler& c) {
    GiveBack(c);
    LeaveAndReturn(c);
}

namespace {

// Expression ";"
void xSimpleInstruction1(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    c.PopState();
}

// ... ";" at the end of do, return, state, break, continue, assert and verify.
void StatementEnd(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

// --- bodies ---------------------------------------------------------------

void EventBlock2(CCompiler& c);
void EventBlock3(CCompiler& c);
void CommandBlock2(CCompiler& c);
void CommandBlock3(CCompiler& c);
void CommandBlock4(CCompiler& c);
void Block2(CCompiler& c);

}  // namespace

// EventBody = FunctionBody = "{" { Declaration } { Statement } "}"
void EventBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    c.OpenRoutineBody();
    EnterBody(c);
    Call(c, Declaration1, EventBlock2);
}

// CommandBody = "{" { Declaration } Statement { Statement { Declaration } Statement } "}"
void CommandBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    c.OpenRoutineBody();
    EnterBody(c);
    Go(c, CommandBlock2);
}

namespace {

// EventBody: { Declaration } Statement ...
void EventBlock2(CCompiler& c) {
    GiveBack(c);
    Call(c, Instruction1, EventBlock3);
}

// EventBody: ... Statement { Statement } "}"
void EventBlock3(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveBody(c);
    GiveBack(c);
    Call(c, Instruction1, EventBlock2);
}

// CommandBody: "{" { Declaration } ... and after every second statement
void CommandBlock2(CCompiler& c) {
    GiveBack(c);
    Call(c, Declaration1, CommandBlock3);
}

// CommandBody: { Declaration } Statement ...
void CommandBlock3(CCompiler& c) {
    GiveBack(c);
    Call(c, Instruction1, CommandBlock4);
}

// CommandBody: Statement ( "}" | Statement { Declaration } ... )
void CommandBlock4(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveBody(c);
    GiveBack(c);
    Call(c, Instruction1, CommandBlock2);
}

// Block = "{" { Statement } "}"
void Block1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    EnterBlock(c);
    Call(c, Instruction1, Block2);
}

// Block: { Statement } "}"
void Block2(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveAndReturn(c);
    GiveBack(c);
    Call(c, Instruction1, Block2);
}

// --- if, while, for, do ---------------------------------------------------

void If2(CCompiler& c);
void If3(CCompiler& c);
void If4(CCompiler& c);
void LeaveElseChain(CCompiler& c);

// IfStatement = "if" "(" Expression ")" Statement [ "else" Statement ]
void If1(CCompiler& c) {
    if (!Is(c, CToken::eIf)) return c.SetError(eErrInternal);
    Go(c, If2);
}

// "if" "(" Expression
void If2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eIf);
    Call(c, Expression1, If3);
}

// Expression ")" Statement
void If3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Call(c, Instruction1, If4);
}

// An if that is the else statement of an if: a link of an else-if chain.
bool IsElseLink(const CNode* n) {
    const CNode* parent = n->GetParent();
    return n->GetKind() == CToken::eIf && parent && parent->GetKind() == CToken::eIf && parent->GetChild(2) == n;
}

// Statement [ "else" Statement ]: the innermost if sees an "else" first, so a
// dangling else is its. A link pushes nothing: the first if of the chain
// leaves them all at its end.
void If4(CCompiler& c) {
    if (!Is(c, CToken::eElse)) {
        GiveBack(c);
        return Go(c, LeaveConstruct);
    }
    if (IsElseLink(c.m_pNode.Get())) return Go(c, Instruction1);
    Call(c, Instruction1, LeaveElseChain);
}

// Any token after the last statement of an else-if chain: leave its links
// and its first if, return.
void LeaveElseChain(CCompiler& c) {
    while (IsElseLink(c.m_pNode.Get())) Leave(c);
    LeaveConstruct(c);
}

// Any token after the body of while or for; InLoop looks for it.
void LeaveLoop(CCompiler& c) { LeaveConstruct(c); }

void While2(CCompiler& c);
void While3(CCompiler& c);

// WhileStatement = "while" "(" Expression ")" Statement
void While1(CCompiler& c) {
    if (!Is(c, CToken::eWhile)) return c.SetError(eErrInternal);
    Go(c, While2);
}

// "while" "(" Expression
void While2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eWhile);
    Call(c, Expression1, While3);
}

// Expression ")" Statement
void While3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Call(c, Instruction1, LeaveLoop);
}

void For2(CCompiler& c);
void For3(CCompiler& c);
void For4(CCompiler& c);
void For5(CCompiler& c);
void For6(CCompiler& c);
void For7(CCompiler& c);
void For8(CCompiler& c);

// An omitted part of a for statement is a placeholder node, so the for node
// always has its four children in place.
void ForPart(CCompiler& c, int32_t end, StateFn next) {
    GiveBack(c);
    if (Is(c, end)) {
        Attach(c, NewNode(CToken::eDummy).Get());
        return Go(c, next);
    }
    Call(c, Expression1, next);
}

// ForStatement = "for" "(" [ Expression ] ";" [ Expression ] ";" [ Expression ] ")" Statement
void For1(CCompiler& c) {
    if (!Is(c, CToken::eFor)) return c.SetError(eErrInternal);
    Go(c, For2);
}

// "for" "("
void For2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eFor);
    Go(c, For3);
}

// "(" [ Expression ] ";"
void For3(CCompiler& c) { ForPart(c, CToken::eSemicolon, For4); }

// [ Expression ] ";"
void For4(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    Go(c, For5);
}

// ";" [ Expression ] ";"
void For5(CCompiler& c) { ForPart(c, CToken::eSemicolon, For6); }

// [ Expression ] ";"
void For6(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    Go(c, For7);
}

// ";" [ Expression ] ")"
void For7(CCompiler& c) { ForPart(c, CToken::eParenthesesRight, For8); }

// [ Expression ] ")" Statement
void For8(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    Call(c, Instruction1, LeaveLoop);
}

void Do2(CCompiler& c);
void Do3(CCompiler& c);
void Do4(CCompiler& c);

// DoStatement = "do" Statement "while" "(" Expression ")" ";"
void Do1(CCompiler& c) {
    if (!Is(c, CToken::eDo)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eDo);
    Call(c, Instruction1, Do2);
}

// Statement "while"
void Do2(CCompiler& c) {
    if (!Is(c, CToken::eWhile)) return c.SetError(eErrDoWithoutWhile);
    Go(c, Do3);
}

// "while" "(" Expression
void Do3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    Call(c, Expression1, Do4);
}

// Expression ")" ";"
void Do4(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Go(c, StatementEnd);
}

// --- return and state changes ---------------------------------------------

// The current name is no state (or none whose body stands earlier).
void UnknownState(CCompiler& c) {
    CSuggester suggester(TokenText(c));
    OfferStates(c.m_States, suggester);
    c.SetNameError(eErrUnknownState, NameFault(c, suggester));
}

void Return2(CCompiler& c);
void Return3(CCompiler& c);
void Return4(CCompiler& c);

// ReturnStatement = "return" ";" | "return" Expression ";" | "return" Name [ "," Number ] ";"
void Return1(CCompiler& c) {
    if (!Is(c, CToken::eReturn)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eReturn);
    Go(c, Return2);
}

// "return" ( ";" | Expression | Name ): in a function or event handler the
// value is an expression; elsewhere it names the next state.
void Return2(CCompiler& c) {
    if (ContextNode(c)->FindAncestor(CToken::eFunction, CToken::eEvent, CToken::eClass)) {
        GiveBack(c);
        return Call(c, Expression1, StatementEnd);
    }
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedSemicolon);
    int32_t index = c.m_States.Find(TokenText(c));
    if (index < 0) return UnknownState(c);
    NoteStateUse(c);
    Attach(c, NewConst(index).Get());
    Go(c, Return3);
    if (!ContextNode(c)->FindAncestor(CToken::eState, CToken::eClass)) c.SetError(eErrExpectedSemicolon);
}

// Name ( ";" | "," Number ";" )
void Return3(CCompiler& c) {
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eComma)) return c.SetError(eErrExpectedSemicolon);
    Go(c, Return4);
}

// "," Number ";": the delay
void Return4(CCompiler& c) {
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedDelay);
    Attach(c, NewConst(TokenValue(c)).Get());
    Go(c, StatementEnd);
}

void StateInstr2(CCompiler& c);

// StateChange = "state" [ Name ] ";"
void StateInstr1(CCompiler& c) {
    if (!Is(c, CToken::eState)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eStateInstr);
    Go(c, StateInstr2);
}

// "state" ( ";" | Name ";" ): only a state whose body stands earlier may be
// the target.
void StateInstr2(CCompiler& c) {
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedSemicolon);
    int32_t index = c.m_States.Find(TokenText(c));
    if (index < 0) return UnknownState(c);
    NoteStateUse(c);
    Attach(c, NewConst(index).Get());
    Go(c, StatementEnd);
    if (!c.m_States[size_t(index)].m_bDefined) UnknownState(c);
}

// --- break, continue, assert, verify --------------------------------------

// A loop's body is being read while its state waits on the return stack;
// the search ends where the routine's body began.
bool InLoop(CCompiler& c) {
    for (size_t i = c.m_ReturnStates.size(); i-- > c.m_nBodyStates;)
        if (c.m_ReturnStates[i] == LeaveLoop || c.m_ReturnStates[i] == Do2) return true;
    return false;
}

// "break" ";"
void Break1(CCompiler& c) {
    if (!Is(c, CToken::eBreak)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eBreak);
    Go(c, StatementEnd);
    if (!InLoop(c)) c.SetError(eErrIllegalBreak);
}

// "continue" ";"
void Continue1(CCompiler& c) {
    if (!Is(c, CToken::eContinue)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eContinue);
    Go(c, StatementEnd);
    if (!InLoop(c)) c.SetError(eErrIllegalContinue);
}

// "assert" Expression ";"
void Assert1(CCompiler& c) {
    if (!Is(c, CToken::eAssert)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eAssert);
    Call(c, Expression1, StatementEnd);
}

// "verify" Expression ";"
void Verify1(CCompiler& c) {
    if (!Is(c, CToken::eVerify)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eVerify);
    Call(c, Expression1, StatementEnd);
}

}  // namespace
