// Expressions are built directly in the syntax tree, one token per step. An
// operand is attached below the cursor and becomes the cursor; an operator
// climbs from the cursor by priority and is inserted above the highest node
// that binds at least as tightly. The follow table decides where an
// expression ends: the first token that may not follow the previous one is
// given back to the statement, so there is no list of terminators. Searches
// for names and the class start from the statement, not from the cursor, so
// their cost does not grow with the nesting.
#include <array>

#include "parser/EntryStates.h"
#include "parser/Grammar.h"
#include "parser/Observe.h"
#include "parser/Resolve.h"
#include "parser/Suggestions.h"
#include "parser/TypeOf.h"

using namespace grammar;

namespace {

// Roles that exist only in m_nPrevRole.
constexpr int32_t kRoleStart = 7;
constexpr int32_t kRoleAfterCallParen = 13;
constexpr int kRoles = 14;

// kFollow[previous role] lists the roles that may come next, as bits.
constexpr uint32_t Bits(std::initializer_list<int> roles) {
    uint32_t b = 0;
    for (int r : roles) b |= 1u << r;
    return b;
}

// A "]" may follow a "]" so that an index can itself be indexed.
constexpr uint32_t kFollow[kRoles] = {
    /* 0 none      */ 0,
    /* 1 binary    */ Bits({2, 4, 5, 8, 9}),
    /* 2 prefix    */ Bits({2, 4, 5, 8, 9}),
    /* 3 suffix    */ Bits({1, 3, 6, 12}),
    /* 4 constant  */ Bits({1, 3, 6, 12}),
    /* 5 "("       */ Bits({2, 4, 5, 8, 9}),
    /* 6 ")" "," : */ Bits({1, 3, 6, 12}),
    /* 7 start     */ Bits({2, 4, 5, 8, 9}),
    /* 8 function  */ Bits({5}),
    /* 9 name      */ Bits({1, 3, 6, 10, 11, 12}),
    /* 10 "."      */ Bits({9}),
    /* 11 "["      */ Bits({2, 4, 5, 8, 9}),
    /* 12 "]"      */ Bits({1, 3, 6, 8, 9, 11, 12}),
    /* 13 call "(" */ Bits({2, 4, 5, 6, 8, 9}),
};

constexpr bool MayFollow(int32_t previous, int32_t role) {
    return previous >= 0 && previous < kRoles && role >= 0 && role < kRoles &&
           (kFollow[previous] >> role & 1u) != 0;
}

// The expression properties of every kind, read from the list that CToken's
// come from, here at compile time so that the tables built from them below
// cost nothing when the compiler starts.
struct SKindProperties {
    int32_t m_nRole, m_nAlternate, m_nAssociativity;
};

// The list names alternates by their kinds.
constexpr std::array<SKindProperties, CToken::eKindCount> KindTable() {
    using enum CToken::EKind;
    return {{
#define TOKEN(name, role, priority, alternate, assoc) {role, alternate, assoc},
#include "lexer/TokenKinds.def"
#undef TOKEN
    }};
}

constexpr std::array<SKindProperties, CToken::eKindCount> kKinds = KindTable();

// As CToken gives them: all 0 for a number outside the enumeration.
constexpr SKindProperties KindProperties(int32_t kind) {
    return kind >= 0 && kind < CToken::eKindCount ? kKinds[kind] : SKindProperties{};
}

// What a token of `kind` is after the role `previous`: that kind, or its
// alternate when only the alternate may follow, with its role; kind -1 when
// neither may follow, which ends the expression. "state" is read as a name.
struct SMeaning {
    int32_t m_nKind;
    int32_t m_nRole;
};

constexpr SMeaning MeaningOf(int32_t previous, int32_t kind) {
    int32_t role = kind == CToken::eState ? int32_t(CToken::eRoleName) : KindProperties(kind).m_nRole;
    if (!MayFollow(previous, role)) {
        kind = KindProperties(kind).m_nAlternate;
        role = KindProperties(kind).m_nRole;
    }
    return MayFollow(previous, role) ? SMeaning{kind, role} : SMeaning{-1, role};
}

// Every answer of MeaningOf, one row per previous role.
using CMeanings = std::array<std::array<SMeaning, CToken::eKindCount>, kRoles>;

constexpr CMeanings AllMeanings() {
    CMeanings all{};
    for (int32_t previous = 0; previous < kRoles; ++previous)
        for (int32_t kind = 0; kind < CToken::eKindCount; ++kind) all[previous][kind] = MeaningOf(previous, kind);
    return all;
}

constexpr CMeanings kMeanings = AllMeanings();

SMeaning Meaning(int32_t previous, int32_t kind) {
    if (uint32_t(previous) < uint32_t(kRoles) && uint32_t(kind) < uint32_t(CToken::eKindCount))
        return kMeanings[previous][kind];
    return MeaningOf(previous, kind);
}

void AttachOperand(CCompiler& c, CNode* node) { Enter(c, node); }

// The caller's reference keeps `value` alive until the node holds it.
void AttachConstant(CCompiler& c, CConstValue* value) {
    AttachOperand(c, MakeRef<CConstNode>(value).Get());
}

// The value a literal token stands for.
CRefPtr<CConstValue> LiteralValue(const CToken& t) {
    switch (t.m_nKind) {
    case CToken::eNull: return CConstValue::MakeNull();
    case CToken::eTrue: return CConstValue::MakeInt(1);
    case CToken::eFalse: return CConstValue::MakeInt(0);
    case CToken::eNumber: return CConstValue::MakeInt(t.m_nValue);
    default: return CConstValue::MakeText(t.m_szText);
    }
}

[[gnu::noinline]] void AttachLiteral(CCompiler& c) { AttachConstant(c, LiteralValue(c.m_Scanner.GetToken()).Get()); }

// --- names ----------------------------------------------------------------

// The node made for a name becomes the cursor; a function name allows only
// "(" next, and is remembered until its argument list closes. The caller
// holds `node` (null after a failed resolution).
void AttachResolved(CCompiler& c, CNode* node, bool inPlace) {
    if (c.m_pObserver) NoteUse(c, node);
    if (!node) return;
    if (inPlace)
        c.m_pNode = node;
    else
        AttachOperand(c, node);
    if (node->GetKind() == CToken::eFunctionName) {
        c.m_nPrevRole = CToken::eRoleFunction;
        c.m_OpenCalls.push_back({node, c.TokenPlace()});
    }
}

// A name of a body that no scope holds resolves alike in every body until
// the script declares a constant, or a function of that name.
CResolved ResolveInBody(CCompiler& c, std::string_view name, uint32_t hash) {
    bool noBlock = false;
    const CNode* context = ContextNode(c);
    if (CVariable* v = FindVariableInScopes(context, name, noBlock)) return CResolved{0, new CVariableNode(v)};
    if (noBlock) return CResolved{eErrInternal, nullptr};
    if (CRefPtr<CNode> known = c.m_ClassNames.MakeNode(name, hash)) return CResolved{0, std::move(known)};
    CResolved r = ResolveClassName(context, c.m_pBaseClass.Get(), c.m_States, name);
    if (!r.m_nError) c.m_ClassNames.Add(name, hash, r.m_pNode.Get());
    return r;
}

// A name not after a dot: variables, constants, functions, then states. In
// a body a name used before is made from what it resolved to then.
[[gnu::noinline]] void ResolveName(CCompiler& c) {
    size_t size = 0;
    const char* text = TokenText(c);
    const uint32_t hash = CNameCache::Hash(text, size);
    const std::string_view name(text, size);
    if (c.m_pBody)
        if (CRefPtr<CNode> known = c.m_Names.MakeNode(name, hash))
            return AttachResolved(c, known.Get(), false);
    CResolved r = c.m_pBody ? ResolveInBody(c, name, hash)
                            : ::ResolveName(ContextNode(c), c.m_pBaseClass.Get(), c.m_States, name);
    if (c.m_pBody && !r.m_nError) c.m_Names.Add(name, hash, r.m_pNode.Get());
    AttachResolved(c, r.m_pNode.Get(), false);
    if (r.m_nError == eErrUnknownName) {
        CSuggester suggester(TokenText(c));
        OfferVisibleNames(c.m_pNode.Get(), c.m_pBaseClass.Get(), c.m_States, suggester);
        return c.SetNameError(r.m_nError, NameFault(c, suggester));
    }
    if (r.m_nError) c.SetError(r.m_nError);
}

// The class of the object before a dot, or null.
const CType* ObjectClass(const CNode* dot) {
    const CVariableNode* object = dynamic_cast<const CVariableNode*>(dot->GetChild(0));
    return object && object->m_pVariable ? object->m_pVariable->GetType() : nullptr;
}

// A name after a dot: a member of the class of the variable before the dot;
// the member node takes the place of the dot and keeps that variable.
[[gnu::noinline]] void ResolveMember(CCompiler& c) {
    CRefPtr<CNode> dot = c.m_pNode;
    const CType* cls = ObjectClass(dot.Get());
    CResolved r = ::ResolveMember(dot.Get(), TokenText(c));
    AttachResolved(c, r.m_pNode.Get(), true);
    if (r.m_nError == eErrUnknownMember || r.m_nError == eErrNotDotCallable) {
        CSuggester suggester(TokenText(c));
        OfferDotMembers(cls, suggester);
        return c.SetNameError(r.m_nError, NameFault(c, suggester));
    }
    if (r.m_nError) c.SetError(r.m_nError);
}

// The name of an open call, taken off the list of open calls.
CNamePlace TakeCallName(CCompiler& c, const CNode* call) {
    for (size_t i = c.m_OpenCalls.size(); i-- > 0;)
        if (c.m_OpenCalls[i].first == call) {
            CNamePlace place = std::move(c.m_OpenCalls[i].second);
            c.m_OpenCalls.resize(i);
            return place;
        }
    return CNamePlace();
}

// No function of that name takes these arguments: the ones that could have
// been meant.
CNameFault NoSuitableFunction(CCompiler& c, CCallNode* call, CNamePlace place) {
    CNameFault fault;
    const CType* target = call->m_pObject ? call->m_pObject->GetType() : c.m_pBaseClass.Get();
    fault.m_Candidates = CallCandidates(call, target, !call->m_pObject, call->m_pFunction->m_strName);
    fault.m_Place = std::move(place);
    return fault;
}

// --- nesting ----------------------------------------------------------------

// A node that nests what follows it: an open "(" (a group or an argument
// list) or "[", a prefix or suffix operator, an assignment. Other operators
// do not: a chain of them is as long as the script makes it, and between
// two nesting nodes on the cursor's path only a few of them stand, in
// rising priority.
constexpr bool IsNestingKind(int32_t kind) {
    const int32_t role = KindProperties(kind).m_nRole;
    return kind == CToken::eParenthesesLeft || kind == CToken::eBracketsLeft || role == CToken::eRolePrefix ||
           role == CToken::eRoleSuffix || (role == CToken::eRoleBinary && KindProperties(kind).m_nAssociativity == 2);
}

// IsNestingKind of every kind: it is asked at every step of the walks below.
using CNestingKinds = std::array<bool, CToken::eKindCount>;

constexpr CNestingKinds NestingKinds() {
    CNestingKinds nesting{};
    for (int32_t kind = 0; kind < CToken::eKindCount; ++kind) nesting[size_t(kind)] = IsNestingKind(kind);
    return nesting;
}

constexpr CNestingKinds kNestingKinds = NestingKinds();

bool IsNestingNode(const CNode* n) {
    const int32_t kind = n->GetKind();
    return uint32_t(kind) < uint32_t(CToken::eKindCount) ? kNestingKinds[size_t(kind)] : IsNestingKind(kind);
}

// The nesting nodes from n up to the expression root. Every nesting node is
// listed with its count when it is made; a node that has left the cursor's
// path never returns to it, so the entries after the nearest nesting node
// above n are dropped on the way, and each costs one step in all.
size_t Levels(CCompiler& c, const CNode* n) {
    size_t walked = 0;
    for (; n && n->GetKind() != CToken::eHardStop && !IsNestingNode(n); n = n->GetParent())
        if (++walked > kMaxNesting) return kMaxNesting + 1;
    auto& listed = c.m_ExpressionLevels;
    while (!listed.empty() && listed.back().first != n) listed.pop_back();
    return listed.empty() ? 0 : listed.back().second;
}

// A nesting node just made, refused past the bound.
void NoteNesting(CCompiler& c, const CNode* node) {
    const size_t levels = Levels(c, node->GetParent()) + 1;
    if (levels > kMaxNesting) return c.SetError(eErrNestingTooDeep);
    c.m_ExpressionLevels.push_back({node, levels});
}

// --- parentheses and calls ------------------------------------------------

CNode* OpenParen(CCompiler& c) {
    if (c.m_pNode->GetKind() == CToken::eParenthesesLeft) return c.m_pNode.Get();
    return c.m_pNode->FindAncestor(CToken::eParenthesesLeft, CToken::eHardStop);
}

// "(" inside a call: the argument list is complete.
void CloseCall(CCompiler& c, CNode* open) {
    CRefPtr<CNode> call = open->GetParent();
    if (CNode* last = open->GetChild(0)) {
        last->SetPriority(100);
        open->ReplaceByFirstChild();
    } else {
        call->DropLastChild();
    }
    c.m_pNode = call;
    auto* node = static_cast<CCallNode*>(call.Get());
    CNamePlace name = TakeCallName(c, node);
    int32_t error = ResolveCall(node, c.m_pBaseClass.Get(), ContextNode(c));
    if (error == eErrNoSuitableFunction) return c.SetNameError(error, NoSuitableFunction(c, node, std::move(name)));
    if (error) return c.SetError(error);
    NoteCall(c, name, node);
    node->m_pType = nullptr;  // typed again from the chosen function
}

// ")" closes a call's argument list or seals a group, which later operators
// then climb over like an operand.
[[gnu::noinline]] void CloseParen(CCompiler& c) {
    CRefPtr<CNode> open = OpenParen(c);
    if (!open) return GiveBackAndReturn(c);
    CNode* parent = open->GetParent();
    if (parent && parent->GetKind() == CToken::eFunctionName) return CloseCall(c, open.Get());
    CNode* inner = open->GetChild(0);
    if (!inner) return c.SetError(eErrUnexpectedCloseParen);
    c.m_pNode = inner;
    inner->SetPriority(100);
    open->ReplaceByFirstChild();
}

// "," ends one argument and opens the next below the call.
[[gnu::noinline]] void NextArgument(CCompiler& c) {
    CRefPtr<CNode> open = c.m_pNode->FindAncestor(CToken::eParenthesesLeft, CToken::eHardStop);
    CNode* call = open ? open->GetParent() : nullptr;
    if (!call || call->GetKind() != CToken::eFunctionName) return c.SetError(eErrCommaWithoutFunction);
    open->ReplaceByFirstChild();
    call->AddChild(open.Get(), -1);
    c.m_pNode = open;
    c.m_nPrevRole = CToken::eRoleOpen;
}

[[gnu::noinline]] void OpenParenthesis(CCompiler& c) {
    bool call = c.m_pNode->GetKind() == CToken::eFunctionName;
    Enter(c, MakeRef<CNode>(CToken::eParenthesesLeft).Get());
    if (call) c.m_nPrevRole = kRoleAfterCallParen;
    NoteNesting(c, c.m_pNode.Get());
}

[[gnu::noinline]] void CloseBracket(CCompiler& c) {
    CNode* open = c.m_pNode->FindAncestor(CToken::eBracketsLeft, CToken::eHardStop);
    if (!open) return GiveBackAndReturn(c);
    c.m_pNode = open;
    open->SetKind(CToken::eBrackets);
}

// An open "[" holds priority 0 until its "]", as an open "(" does, so the
// operators of the index stay inside it.
[[gnu::noinline]] void InsertOperator(CCompiler& c, int32_t kind) {
    CRefPtr<CNode> made = MakeRef<CNode>(kind);
    CNode* node = made.Get();
    c.m_pNode->InsertByPriority(node, -1, CToken::GetAssociativity(kind));
    if (kind == CToken::eBracketsLeft) node->SetPriority(0);
    c.m_pNode = std::move(made);  // the tree holds it too: no count is lost
    if (IsNestingNode(node)) NoteNesting(c, node);
}

[[gnu::noinline]] void StateVariable(CCompiler& c) {
    CVariable* state = FindStateVariable(ContextNode(c));
    if (!state) return c.SetError(eErrInternal);
    AttachOperand(c, MakeRef<CVariableNode>(state).Get());
}

void Expression2(CCompiler& c);
void Expression3(CCompiler& c);

// The error for an unfinished node on the path from the cursor to the root.
int32_t CheckNode(CNode* n) {
    switch (CToken::GetRole(n->GetKind())) {
    case CToken::eRoleBinary:
        return n->GetChild(0) && n->GetChild(1) && !n->GetChild(2) ? 0 : eErrDualOperator;
    case CToken::eRolePrefix:
    case CToken::eRoleSuffix:
        return n->GetChild(0) && !n->GetChild(1) ? 0 : eErrPrefixOperator;
    case CToken::eRoleOpen:
        return eErrUnpairedParen;
    case CToken::eRoleDot:
        return eErrUnknownMember;
    case CToken::eRoleOpenBracket:
        return eErrExpectedCloseBracket;
    default:
        return 0;
    }
}

}  // namespace

// Expression = { a token the follow table allows after the one before }:
// hangs a new root below the cursor and reads the tokens below it.
void Expression1(CCompiler& c) {
    c.m_nPrevRole = kRoleStart;
    c.m_ExpressionLevels.clear();
    Enter(c, MakeRef<CNode>(CToken::eHardStop).Get());
    GiveBack(c);
    Call(c, Expression2, Expression3);
}

namespace {

// A name after a dot is a member, any other a name of the script's scopes.
void AttachName(CCompiler& c) { return c.m_pNode->GetKind() == CToken::eDot ? ResolveMember(c) : ResolveName(c); }

// The step for each kind that is not an operator inserted by priority, by
// kind (null for the operators); "state" is the state variable.
constexpr CStatesByKind kStepByKind = StatesByKind({
    {CToken::eState, StateVariable},         {CToken::eNull, AttachLiteral},
    {CToken::eTrue, AttachLiteral},          {CToken::eFalse, AttachLiteral},
    {CToken::eNumber, AttachLiteral},        {CToken::eQuotedString, AttachLiteral},
    {CToken::eText, AttachName},             {CToken::eParenthesesLeft, OpenParenthesis},
    {CToken::eComma, NextArgument},          {CToken::eParenthesesRight, CloseParen},
    {CToken::eBracketsRight, CloseBracket},
});

// Expression: one more token, or the first one that may not follow, which
// ends the expression without being taken. It runs once per token, so every
// case hands over to a handler kept out of line: the dispatch itself then
// saves no registers and sets up no frame. A meaning's kind is -1 or a kind
// of the enumeration.
void Expression2(CCompiler& c) {
    const SMeaning meaning = Meaning(c.m_nPrevRole, c.m_Scanner.GetToken().m_nKind);
    // The ending token is not taken; m_nPrevRole keeps the role of the last
    // token that was, which the check of the finished expression reads.
    if (meaning.m_nKind < 0) return GiveBackAndReturn(c);
    c.m_nPrevRole = meaning.m_nRole;
    if (StateFn step = kStepByKind[size_t(meaning.m_nKind)]) return step(c);
    InsertOperator(c, meaning.m_nKind);
}

// Expression ...: the finished expression is complete and typed; back to the
// statement with the ending token.
void Expression3(CCompiler& c) {
    // A function name that "(" never followed would become a call that pushes
    // no arguments for a callee that pops them.
    if (c.m_nPrevRole == CToken::eRoleFunction && c.m_pNode->GetKind() == CToken::eFunctionName)
        return c.SetError(eErrExpectedOpenParen);
    CNode* n = c.m_pNode.Get();
    for (; n && n->GetKind() != CToken::eHardStop; n = n->GetParent())
        if (int32_t code = CheckNode(n)) return c.SetError(code);
    if (!n) return c.SetError(eErrInternal);
    if (CNode* top = n->GetChild(0))
        if (!TypeOf(top)) return c.SetError(eErrInvalidType);
    c.m_pNode = n->GetParent();
    GiveBackAndReturn(c);
}

}  // namespace
