// Bodies and statements. Each state handles one token; compound statements
// keep their continuation on the return stack while their parts are read, and
// every statement that makes a node leaves it again before it returns, so
// after a complete statement the cursor is back on the block that holds it.
#include "parser/BodyStates.h"
#include "parser/DeclarationStates.h"
#include "parser/Grammar.h"

using namespace grammar;

namespace {

CRefPtr<CNode> NewNode(int32_t kind) { return MakeRef<CNode>(kind); }

CRefPtr<CNode> NewConst(int32_t value) { return MakeRef<CConstNode>(CConstValue::MakeInt(value).Get()); }

// Opens a statement: a node of the keyword's kind becomes current.
void EnterNew(CCompiler& c, int32_t kind) { Enter(c, NewNode(kind).Get()); }

void EnterBlock(CCompiler& c) { Enter(c, MakeRef<CBlockNode>().Get()); }

// A condition that was left empty ("while ()") has no value to test.
bool EmptyCondition(CCompiler& c) {
    size_t n = c.m_pNode->GetChildCount();
    CNode* condition = n ? c.m_pNode->GetChild(n - 1) : nullptr;
    return condition && condition->GetKind() == CToken::eHardStop && !condition->GetChild(0);
}

// Where a statement may start, the end of the file means a body is still open.
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

struct Dispatch {
    int32_t kind;
    StateFn state;
};

// Tested in this order; "state" at the start of a statement is a state change.
constexpr Dispatch kStatements[] = {
    {CToken::eIf, If1},         {CToken::eWhile, While1},         {CToken::eFor, For1},
    {CToken::eDo, Do1},         {CToken::eReturn, Return1},       {CToken::eState, StateInstr1},
    {CToken::eBreak, Break1},   {CToken::eContinue, Continue1},   {CToken::eAssert, Assert1},
    {CToken::eVerify, Verify1},
};

}  // namespace

// Statement = if | while | for | do | return | state | break | continue
//           | assert | verify | Block | Expression ";"
void Instruction1(CCompiler& c) {
    GiveBack(c);
    if (c.m_ReturnStates.GetSize() > kMaxNesting) return c.SetError(eErrNestingTooDeep);
    for (const Dispatch& d : kStatements)
        if (Is(c, d.kind)) return Go(c, d.state);
    if (Is(c, CToken::eEndOfFile)) return c.SetError(eErrExpectedCloseBrace);
    if (Is(c, CToken::eBracesLeft)) return Go(c, Block1);
    if (Is(c, CToken::eBracesRight)) {
        c.PopState();
        if (c.m_pNode->GetKind() != CToken::eBlockInstruction) c.SetError(eErrUnexpectedCloseBrace);
        return;
    }
    Call(c, Expression1, xSimpleInstruction1);
}

namespace {

// ExpressionStatement = Expression ";"
void xSimpleInstruction1(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    c.PopState();
}

// --- bodies ---------------------------------------------------------------

void EventBlock2(CCompiler& c);
void EventBlock3(CCompiler& c);
void FunctionBlock2(CCompiler& c);
void FunctionBlock3(CCompiler& c);
void CommandBlock2(CCompiler& c);
void CommandBlock3(CCompiler& c);
void CommandBlock4(CCompiler& c);
void Block2(CCompiler& c);

}  // namespace

// EventBody = "{" { Declaration } { Statement } "}"
void EventBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    EnterBlock(c);
    Call(c, Declaration1, EventBlock2);
}

// FunctionBody: the same as an event body.
void FunctionBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    EnterBlock(c);
    Call(c, Declaration1, FunctionBlock2);
}

// CommandBody = "{" { Declaration } Statement { Statement { Declaration } Statement } "}"
void CommandBlock1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    EnterBlock(c);
    Go(c, CommandBlock2);
}

namespace {

void EventBlock2(CCompiler& c) {
    GiveBack(c);
    Call(c, Instruction1, EventBlock3);
}

void EventBlock3(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveAndReturn(c);
    GiveBack(c);
    Call(c, Instruction1, EventBlock2);
}

void FunctionBlock2(CCompiler& c) {
    GiveBack(c);
    Call(c, Instruction1, FunctionBlock3);
}

void FunctionBlock3(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveAndReturn(c);
    GiveBack(c);
    Call(c, Instruction1, FunctionBlock2);
}

void CommandBlock2(CCompiler& c) {
    GiveBack(c);
    Call(c, Declaration1, CommandBlock3);
}

void CommandBlock3(CCompiler& c) {
    GiveBack(c);
    Call(c, Instruction1, CommandBlock4);
}

void CommandBlock4(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveAndReturn(c);
    GiveBack(c);
    Call(c, Instruction1, CommandBlock2);
}

// Block = "{" { Statement } "}"
void Block1(CCompiler& c) {
    if (!Is(c, CToken::eBracesLeft)) return c.SetError(eErrExpectedOpenBrace);
    EnterBlock(c);
    Call(c, Instruction1, Block2);
}

void Block2(CCompiler& c) {
    if (Is(c, CToken::eBracesRight)) return LeaveAndReturn(c);
    GiveBack(c);
    Call(c, Instruction1, Block2);
}

// --- if, while, for, do ---------------------------------------------------

void If2(CCompiler& c);
void If3(CCompiler& c);
void If4(CCompiler& c);
void If5(CCompiler& c);

// IfStatement = "if" "(" Expression ")" Statement [ "else" Statement ]
void If1(CCompiler& c) {
    if (!Is(c, CToken::eIf)) return c.SetError(eErrInternal);
    Go(c, If2);
}

void If2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eIf);
    Call(c, Expression1, If3);
}

void If3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Call(c, Instruction1, If4);
}

// The innermost if sees an "else" first, so a dangling else is its.
void If4(CCompiler& c) {
    if (Is(c, CToken::eElse)) return Call(c, Instruction1, If5);
    GiveBack(c);
    Go(c, If5);
}

void If5(CCompiler& c) {
    GiveBack(c);
    LeaveAndReturn(c);
}

void While2(CCompiler& c);
void While3(CCompiler& c);
void While4(CCompiler& c);

// WhileStatement = "while" "(" Expression ")" Statement
void While1(CCompiler& c) {
    if (!Is(c, CToken::eWhile)) return c.SetError(eErrInternal);
    Go(c, While2);
}

void While2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eWhile);
    Call(c, Expression1, While3);
}

void While3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Call(c, Instruction1, While4);
}

void While4(CCompiler& c) {
    GiveBack(c);
    LeaveAndReturn(c);
}

void For2(CCompiler& c);
void For3(CCompiler& c);
void For4(CCompiler& c);
void For5(CCompiler& c);
void For6(CCompiler& c);
void For7(CCompiler& c);
void For8(CCompiler& c);
void For9(CCompiler& c);

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

void For2(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    EnterNew(c, CToken::eFor);
    Go(c, For3);
}

void For3(CCompiler& c) { ForPart(c, CToken::eSemicolon, For4); }

void For4(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    Go(c, For5);
}

void For5(CCompiler& c) { ForPart(c, CToken::eSemicolon, For6); }

void For6(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    Go(c, For7);
}

void For7(CCompiler& c) { ForPart(c, CToken::eParenthesesRight, For8); }

void For8(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    Call(c, Instruction1, For9);
}

void For9(CCompiler& c) {
    GiveBack(c);
    LeaveAndReturn(c);
}

void Do2(CCompiler& c);
void Do3(CCompiler& c);
void Do4(CCompiler& c);
void DoEnd(CCompiler& c);

// DoStatement = "do" Statement "while" "(" Expression ")" ";"
void Do1(CCompiler& c) {
    if (!Is(c, CToken::eDo)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eDo);
    Call(c, Instruction1, Do2);
}

void Do2(CCompiler& c) {
    if (!Is(c, CToken::eWhile)) return c.SetError(eErrDoWithoutWhile);
    Go(c, Do3);
}

void Do3(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesLeft)) return c.SetError(eErrExpectedOpenParen);
    Call(c, Expression1, Do4);
}

void Do4(CCompiler& c) {
    if (!Is(c, CToken::eParenthesesRight)) return c.SetError(eErrExpectedCloseParen);
    if (EmptyCondition(c)) return c.SetError(eErrInvalidType);
    Go(c, DoEnd);
}

void DoEnd(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

// --- return and state changes ---------------------------------------------

void Return2(CCompiler& c);
void Return3(CCompiler& c);
void Return4(CCompiler& c);
void ReturnEnd(CCompiler& c);

// ReturnStatement = "return" ";" | "return" Expression ";" | "return" Name [ "," Number ] ";"
void Return1(CCompiler& c) {
    if (!Is(c, CToken::eReturn)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eReturn);
    Go(c, Return2);
}

// In a function or event handler the value is an expression; elsewhere it
// names the next state.
void Return2(CCompiler& c) {
    if (c.m_pNode->FindAncestor(CToken::eFunction, CToken::eEvent, CToken::eClass)) {
        GiveBack(c);
        return Call(c, Expression1, ReturnEnd);
    }
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedSemicolon);
    int32_t index = c.m_States.Find(c.m_Scanner.GetToken().m_szText);
    if (index < 0) return c.SetError(eErrUnknownState);
    Attach(c, NewConst(index).Get());
    Go(c, Return3);
    if (!c.m_pNode->FindAncestor(CToken::eState, CToken::eClass)) c.SetError(eErrExpectedSemicolon);
}

void Return3(CCompiler& c) {
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eComma)) return c.SetError(eErrExpectedSemicolon);
    Go(c, Return4);
}

void Return4(CCompiler& c) {
    if (!Is(c, CToken::eNumber)) return c.SetError(eErrExpectedDelay);
    Attach(c, NewConst(c.m_Scanner.GetToken().m_nValue).Get());
    Go(c, ReturnEnd);
}

void ReturnEnd(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

void StateInstr2(CCompiler& c);
void StateInstr3(CCompiler& c);

// StateChange = "state" [ Name ] ";"
void StateInstr1(CCompiler& c) {
    if (!Is(c, CToken::eState)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eStateInstr);
    Go(c, StateInstr2);
}

// Only a state whose body stands earlier may be the target.
void StateInstr2(CCompiler& c) {
    if (Is(c, CToken::eSemicolon)) return LeaveAndReturn(c);
    if (!Is(c, CToken::eText)) return c.SetError(eErrExpectedSemicolon);
    int32_t index = c.m_States.Find(c.m_Scanner.GetToken().m_szText);
    if (index < 0) return c.SetError(eErrUnknownState);
    Attach(c, NewConst(index).Get());
    Go(c, StateInstr3);
    if (!c.m_States[size_t(index)].m_bDefined) c.SetError(eErrUnknownState);
}

void StateInstr3(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

// --- break, continue, assert, verify --------------------------------------

void Break2(CCompiler& c);
void AssertEnd(CCompiler& c);

// The loop search stops at a command handler.
bool InLoop(CCompiler& c) {
    return c.m_pNode->FindAncestor(CToken::eDo, CToken::eWhile, CToken::eFor, CToken::eCommand) != nullptr;
}

// "break" ";"
void Break1(CCompiler& c) {
    if (!Is(c, CToken::eBreak)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eBreak);
    Go(c, Break2);
    if (!InLoop(c)) c.SetError(eErrIllegalBreak);
}

// "continue" ";"
void Continue1(CCompiler& c) {
    if (!Is(c, CToken::eContinue)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eContinue);
    Go(c, Break2);
    if (!InLoop(c)) c.SetError(eErrIllegalContinue);
}

void Break2(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

// "assert" Expression ";"
void Assert1(CCompiler& c) {
    if (!Is(c, CToken::eAssert)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eAssert);
    Call(c, Expression1, AssertEnd);
}

// "verify" Expression ";"
void Verify1(CCompiler& c) {
    if (!Is(c, CToken::eVerify)) return c.SetError(eErrInternal);
    EnterNew(c, CToken::eVerify);
    Call(c, Expression1, AssertEnd);
}

void AssertEnd(CCompiler& c) {
    if (!Is(c, CToken::eSemicolon)) return c.SetError(eErrExpectedSemicolon);
    LeaveAndReturn(c);
}

}  // namespace
