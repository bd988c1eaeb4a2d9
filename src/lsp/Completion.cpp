// Completion from a parse cut at the cursor. The parser's state at the cut
// says what may stand there (a member of the class body, a statement, an
// operand, a member after a dot, the event or command a handler implements,
// a state, a type), and the compiler as it stands there says which names
// are visible: the scopes from the innermost block out, the class, the
// script's functions and constants, the base class's built-ins, the states
// declared so far. States private to their grammar files are told by the
// tree the cursor stands on. Everything is copied into items before the cut
// parse is freed.
#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "lsp/Cursor.h"
#include "parser/Compiler.h"
#include "parser/DeclarationsGrammar.h"
#include "parser/EntryStates.h"
#include "parser/Resolve.h"
#include "parser/Suggestions.h"

namespace {

// The protocol's CompletionItemKind values used here.
enum EItemKind { eMethod = 2, eFunctionItem = 3, eField = 5, eVariable = 6, eClassItem = 7, eEnum = 13,
                 eKeyword = 14, eEnumMember = 20, eConstantItem = 21, eEventItem = 23 };

// Ranks order the list: what is closest to the cursor first.
enum ERank { eRankLocal, eRankMember, eRankScriptConstant, eRankScriptFunction, eRankBuiltin, eRankHandler,
             eRankBuiltinConstant, eRankState, eRankKeyword, eRankType };

struct SItem {
    SItem(std::string l, int k, int r, std::string d = std::string())
        : label(std::move(l)), kind(k), rank(r), detail(std::move(d)) {}

    std::string label;
    int kind = eVariable;
    int rank = eRankLocal;
    std::string detail;
    std::string labelDetail;  // an event's parameters after its name
    std::string snippet;      // inserted instead of the label
    int more = 0;             // overloads beyond the one in detail
};

// The items by key; the first of a key wins, as the first scope that has a
// name hides the others.
class CItems {
public:
    // The item already there for the key, or null once `item` is added.
    SItem* Add(SItem item, std::string key = std::string());
    Json ToJson(const std::string& prefix) const;

private:
    std::vector<SItem> m_Items;
    std::unordered_map<std::string, size_t> m_ByKey;
};

SItem* CItems::Add(SItem item, std::string key) {
    if (key.empty()) key = item.label;
    auto [it, added] = m_ByKey.emplace(std::move(key), m_Items.size());
    if (!added) return &m_Items[it->second];
    m_Items.push_back(std::move(item));
    return nullptr;
}

// The client filters and ranks as the user types; it is sent only the names
// that hold the typed letters in order, which the longer words it will be
// asked about next also need.
bool HoldsInOrder(const std::string& name, const std::string& prefix) {
    size_t i = 0;
    for (char c : name)
        if (i < prefix.size() && FoldCase(c) == FoldCase(prefix[i])) ++i;
    return i == prefix.size();
}

Json CItems::ToJson(const std::string& prefix) const {
    Json list = Json::array();
    for (const SItem& item : m_Items) {
        if (!HoldsInOrder(item.label, prefix)) continue;
        Json j{{"label", item.label}, {"kind", item.kind}, {"sortText", std::to_string(item.rank) + item.label}};
        std::string detail = item.detail;
        if (item.more) detail += " (+" + std::to_string(item.more) + " overload" + (item.more > 1 ? "s" : "") + ")";
        if (!detail.empty()) j["detail"] = detail;
        if (!item.labelDetail.empty()) j["labelDetails"] = {{"detail", item.labelDetail}};
        if (!item.snippet.empty()) {
            j["insertText"] = item.snippet;
            j["insertTextFormat"] = 2;
            j["filterText"] = item.label;
        }
        list.push_back(std::move(j));
    }
    return Json{{"isIncomplete", !prefix.empty()}, {"items", std::move(list)}};
}

bool IsOwn(const std::string& name) { return !name.empty() && name[0] == '$'; }

template <class T>
const T* As(const CNode* n) {
    return NodeAs<T>(const_cast<CNode*>(n));
}

std::string TypeText(const CType* t) {
    if (t && t->IsKind(CType::eInt) && t->m_EnumItems.GetSize()) return "enum";
    return ScriptTypeName(t);
}

// --- what may stand at the cursor ------------------------------------------------

enum class ESite {
    eNone,
    eClassName,       // the class a script names in its head
    eMember,          // a member of the class body starts
    eConsts,          // ... or the consts section, first in the body
    eStatement,       // a statement starts
    eDoWhile,         // "while" after a do's statement
    eExpression,      // an operand starts
    eAfterDot,        // a member of the object before "."
    eEvent,           // the event a handler implements
    eCommand,
    eStateToDefine,   // a state named after "state" in the class body
    eDefinedState,    // the target of a state change
    eAnyState,        // a state returned from a state body
    eType,            // a parameter's type
    eResultType,      // after "function"
    eAttribute,       // a command's attributes
};

struct SSite {
    SSite(ESite k = ESite::eNone) : kind(k) {}

    ESite kind;
    bool declarations = false;  // a statement start where declarations may stand too
    bool orElse = false;        // after the statement of an if
    bool inLoop = false;        // break and continue are legal
};

// The public states of the grammar with what may follow when the cut stops
// before their token.
struct SStateSite {
    StateFn state;
    ESite site;
};

const SStateSite kStateSites[] = {
    {xStart, ESite::eClassName},       {Class1, ESite::eClassName},      {Consts1, ESite::eConsts},
    {ClassBlock1b, ESite::eMember},    {ClassBlock2, ESite::eMember},    {ClassBlock3, ESite::eMember},
    {ClassBlock4, ESite::eMember},     {ClassBlock5, ESite::eMember},    {ClassBlock6, ESite::eMember},
    {State1, ESite::eMember},          {State4, ESite::eMember},         {Event1, ESite::eMember},
    {Event5, ESite::eMember},          {xFunction1, ESite::eMember},     {xFunction7, ESite::eMember},
    {xCommand1, ESite::eMember},       {xCommand12, ESite::eMember},     {State2, ESite::eStateToDefine},
    {Event2, ESite::eEvent},           {xCommand2, ESite::eCommand},     {xFunction1b, ESite::eResultType},
    {ArgDeclaration1, ESite::eType},   {xCommand5, ESite::eAttribute},   {xCommand9, ESite::eAttribute},
    {xCommand10, ESite::eAttribute},   {xCommand13, ESite::eAttribute},  {Instruction1, ESite::eStatement},
    {Expression1, ESite::eExpression}, {Declaration1, ESite::eStatement},
};

bool IsClassBlock(const CNode* n) {
    return n->GetKind() == CToken::eBlockInstruction && n->GetParent() &&
           n->GetParent()->GetKind() == CToken::eClass;
}

bool IsLoop(const CNode* n) {
    int32_t k = n->GetKind();
    return k == CToken::eWhile || k == CToken::eDo || k == CToken::eFor;
}

bool InLoop(const CNode* n, bool self) {
    return (self && IsLoop(n)) || n->FindAncestor(CToken::eWhile, {CToken::eDo, CToken::eFor, CToken::eCommand});
}

SSite Statement(const CNode* n, bool self, bool orElse = false) {
    SSite s(ESite::eStatement);
    s.orElse = orElse;
    s.inLoop = InLoop(n, self);
    return s;
}

// The roles after which an operand may come: the follow table's rows that
// allow a name, the start of an expression (7) and a call's "(" (13)
// included.
SSite ExpressionSite(int32_t previousRole) {
    if (previousRole == CToken::eRoleDot) return SSite{ESite::eAfterDot};
    for (int32_t r : {int32_t(CToken::eRoleBinary), int32_t(CToken::eRolePrefix), int32_t(CToken::eRoleOpen), 7,
                      int32_t(CToken::eRoleOpenBracket), 13})
        if (previousRole == r) return SSite{ESite::eExpression};
    return SSite{};
}

// "return" in a function or event handler takes an expression, in a state
// body a state, in a command nothing.
SSite ReturnSite(const CNode* ret) {
    if (ret->FindAncestor(CToken::eFunction, {CToken::eEvent, CToken::eClass})) return SSite{ESite::eExpression};
    if (ret->FindAncestor(CToken::eState, {CToken::eClass})) return SSite{ESite::eAnyState};
    return SSite{};
}

// States private to the statements' and expressions' files, told by the
// node they stand on, its children so far and the token before the cursor.
SSite TreeSite(const CCompiler& c, int32_t previous) {
    const CNode* n = c.m_pNode.Get();
    if (!n) return SSite{};
    if (InExpression(n)) return ExpressionSite(c.m_nPrevRole);
    size_t children = n->GetChildCount();
    switch (n->GetKind()) {
    case CToken::eReturn: return children ? SSite{} : ReturnSite(n);
    case CToken::eStateInstr: return children ? SSite{} : SSite{ESite::eDefinedState};
    case CToken::eFor:
        if (children < 3 && (previous == CToken::eParenthesesLeft || previous == CToken::eSemicolon))
            return SSite{ESite::eExpression};
        return children == 4 ? Statement(n, false) : SSite{};
    case CToken::eIf: return children >= 2 ? Statement(n, false, children == 2) : SSite{};
    case CToken::eWhile: return children == 2 ? Statement(n, false) : SSite{};
    case CToken::eDo: return children == 1 && previous != CToken::eWhile ? SSite{ESite::eDoWhile} : SSite{};
    case CToken::eBlockInstruction: return IsClassBlock(n) ? SSite{ESite::eMember} : Statement(n, false);
    default: return SSite{};
    }
}

// After an error the rest of the member is skipped; inside a body the
// cursor is among the statements of the member that broke.
SSite RecoverySite(const CCompiler& c, int32_t previous) {
    int braces = c.m_Nesting.m_nBraces + (previous == CToken::eBracesLeft) - (previous == CToken::eBracesRight);
    return braces <= 1 ? SSite{ESite::eMember} : SSite{ESite::eStatement};
}

SSite SiteAt(const CCompiler& c, int32_t previous) {
    if (c.IsRecovering()) return RecoverySite(c, previous);
    for (const SStateSite& s : kStateSites) {
        if (s.state != c.m_pfnState) continue;
        const CNode* n = c.m_pNode.Get();
        if (s.site != ESite::eStatement || !n) return SSite{s.site};
        if (IsClassBlock(n)) return SSite{ESite::eMember};
        SSite site = Statement(n, true);
        site.declarations = c.m_pfnState == Declaration1;
        return site;
    }
    return TreeSite(c, previous);
}

// --- what is offered ---------------------------------------------------------------

void AddKeywords(CItems& items, std::initializer_list<const char*> words) {
    for (const char* w : words) items.Add(SItem{w, eKeyword, eRankKeyword});
}

void AddClassNames(CItems& items) {
    for (const CType* t : GetBuiltinLibrary().GetClasses()) {
        const CType* parent = t->GetParent();
        std::string detail = "class " + t->GetName();
        if (parent && !parent->GetName().empty()) detail += " : " + parent->GetName();
        items.Add(SItem{t->GetName(), eClassItem, eRankType, detail});
    }
}

void AddVariables(CItems& items, const CVariableList* list, int kind, int rank) {
    for (size_t i = 0; list && i < list->GetSize(); ++i) {
        const CVariable* v = list->Get(i);
        if (IsOwn(v->GetName())) continue;
        std::string type = TypeText(v->GetType());
        items.Add(SItem{v->GetName(), type == "enum" ? int(eEnum) : kind, rank, type + " " + v->GetName()});
    }
}

void AddFunction(CItems& items, const CFunction& f, int kind, int rank) {
    if (IsOwn(f.m_strName)) return;
    if (SItem* there = items.Add(SItem{f.m_strName, kind, rank, FormatSignature(f)}))
        if (there->kind == kind) ++there->more;
}

void AddFunctions(CItems& items, const CType* cls, bool dotOnly, int kind) {
    for (const CType* t = cls; t; t = t->GetParent())
        for (size_t i = 0; t->m_pFunctions && i < t->m_pFunctions->GetSize(); ++i) {
            const CFunction* f = t->m_pFunctions->Get(i);
            if (!dotOnly || f->m_bDotCallable) AddFunction(items, *f, kind, eRankBuiltin);
        }
}

void AddConstants(CItems& items, const CConstantList& list, int rank) {
    for (const CNamedConstant& k : list)
        items.Add(SItem{k.m_strName, eConstantItem, rank, "const " + k.m_strName + " = " + std::to_string(k.m_nValue)});
}

void AddStates(CItems& items, const CStatesTable& states, ESite which) {
    for (size_t i = 0; i < states.GetSize(); ++i) {
        bool defined = states[i].m_bDefined != 0;
        if ((which == ESite::eDefinedState && !defined) || (which == ESite::eStateToDefine && defined)) continue;
        items.Add(SItem{states[i].m_strName, eEnumMember, eRankState, "state " + std::to_string(i)});
    }
}

// The variables a name at `cursor` may mean, innermost scope first; at the
// class block the parameters of the enclosing handler or function come
// before the class variables. Returns the class node.
const CNode* AddScopes(CItems& items, const CNode* cursor) {
    const CNode* heads[3] = {};
    const CNode* a = cursor;
    for (; a && a->GetKind() != CToken::eClass; a = a->GetParent()) {
        int32_t kind = a->GetKind();
        int head = kind == CToken::eCommand ? 0 : kind == CToken::eEvent ? 1 : kind == CToken::eFunction ? 2 : -1;
        if (head >= 0 && !heads[head]) heads[head] = a;
        const CBlockNode* block = As<CBlockNode>(a);
        if (!block) continue;
        if (IsClassBlock(a))
            for (const CNode* h : heads)
                if (h) AddVariables(items, GetParameterList(const_cast<CNode*>(h)), eVariable, eRankLocal);
        AddVariables(items, block->PeekScope(), IsClassBlock(a) ? eField : eVariable,
                     IsClassBlock(a) ? eRankMember : eRankLocal);
    }
    return a;
}

// The names an operand may be, in the order name resolution tries them.
void AddOperands(CItems& items, const CCompiler& c, const CNode* cursor) {
    const CClassNode* cls = As<CClassNode>(AddScopes(items, cursor));
    const CType* base = c.m_pBaseClass.Get();
    if (cls) AddConstants(items, cls->m_Constants, eRankScriptConstant);
    for (const CType* t = base; t; t = t->GetParent()) AddConstants(items, t->m_Constants, eRankBuiltinConstant);
    for (size_t i = 0; cls && i < cls->m_Functions.GetSize(); ++i)
        AddFunction(items, *cls->m_Functions[i]->GetFunction(), eFunctionItem, eRankScriptFunction);
    AddFunctions(items, base, false, eFunctionItem);
    AddStates(items, c.m_States, ESite::eAnyState);
}

// After a broken statement the cursor is back on the class block; the
// routine that broke is the block's last member, still whole up to there.
const CNode* BrokenRoutineBody(const CCompiler& c) {
    const CNode* block = c.m_pNode.Get();
    const CNode* last = block ? block->GetChild(block->GetChildCount() - 1) : nullptr;
    if (!last || last->GetKind() == CToken::eBlockInstruction) return block;
    const CNode* body = last->GetChild(0);
    return body && body->GetKind() == CToken::eBlockInstruction ? body : block;
}

// A parameter name for a snippet: "value", "text" or "aUnit", numbered when
// the type comes again.
std::string ParameterName(const CType* t, std::unordered_map<std::string, int>& seen) {
    std::string name = t->IsKind(CType::eString) ? "text" : "value";
    if (t->IsKind(CType::eClass) && !t->GetName().empty())
        name = "a" + std::string(1, char(std::toupper(static_cast<unsigned char>(t->GetName()[0])))) + t->GetName().substr(1);
    int n = ++seen[name];
    return n > 1 ? name + std::to_string(n) : name;
}

// The head after "event" or "command": the name and the exact parameter
// list, the parameters' names to be filled in.
SItem HandlerItem(const CFunction& f, int kind) {
    SItem item{f.m_strName, kind, eRankHandler, FormatSignature(f)};
    std::unordered_map<std::string, int> seen;
    std::string params, snippet;
    for (size_t i = 0; i < f.GetParamCount(); ++i) {
        std::string type = ScriptTypeName(f.GetParam(i));
        params += (i ? ", " : "") + type;
        snippet += (i ? ", " : "") + type + " ${" + std::to_string(i + 1) + ":" + ParameterName(f.GetParam(i), seen) + "}";
    }
    item.labelDetail = "(" + params + ")";
    item.snippet = f.m_strName + "(" + snippet + ")";
    return item;
}

// The events (commands) of the base class and its parents that the script
// does not handle yet, in the order of their indexes.
template <class ListOf, class Handled>
void AddHandlers(CItems& items, const CType* base, ListOf listOf, Handled handled, int kind) {
    std::vector<const CType*> chain;
    for (const CType* t = base; t; t = t->GetParent()) chain.insert(chain.begin(), t);
    size_t index = 0;
    for (const CType* t : chain)
        for (size_t i = 0; listOf(t) && i < listOf(t)->GetSize(); ++i, ++index)
            if (!handled(index) && !IsOwn(listOf(t)->Get(i)->m_strName)) {
                SItem item = HandlerItem(*listOf(t)->Get(i), kind);
                items.Add(item, item.label + item.labelDetail);
            }
}

template <class T>
bool Holds(const CDynArray<CRefPtr<T>>& table, size_t index) {
    return index < table.GetSize() && table[index].Get() != nullptr;
}

void AddEvents(CItems& items, const CCompiler& c, bool commands) {
    const CClassNode* cls = FindClassNode(c.m_pNode.Get());
    if (!cls || !c.m_pBaseClass) return;
    if (commands)
        AddHandlers(items, c.m_pBaseClass.Get(), [](const CType* t) { return t->m_pCommands.Get(); },
                    [&](size_t i) { return Holds(cls->m_CommandHandlers, i); }, eMethod);
    else
        AddHandlers(items, c.m_pBaseClass.Get(), [](const CType* t) { return t->m_pEvents.Get(); },
                    [&](size_t i) { return Holds(cls->m_EventHandlers, i); }, eEventItem);
}

// The class of the object before the dot the cursor follows.
const CType* DotClass(const CCompiler& c) {
    const CNode* dot = c.m_pNode.Get();
    const CVariableNode* object = dot ? As<CVariableNode>(dot->GetChild(0)) : nullptr;
    const CType* t = object && object->m_pVariable ? object->m_pVariable->GetType() : nullptr;
    return t && t->IsKind(CType::eClass) ? t : nullptr;
}

void AddStatementStart(CItems& items, const CCompiler& c, const SSite& site, const CNode* cursor) {
    AddKeywords(items, {"if", "while", "for", "do", "return", "state", "assert", "verify"});
    if (site.inLoop) AddKeywords(items, {"break", "continue"});
    if (site.orElse) AddKeywords(items, {"else"});
    if (site.declarations) {
        AddKeywords(items, {"int"});
        AddClassNames(items);
    }
    AddOperands(items, c, cursor);
}

void Collect(const CCompiler& c, const SCursorText& at, CItems& items) {
    SSite site = SiteAt(c, at.previous);
    switch (site.kind) {
    case ESite::eNone: return;
    case ESite::eClassName: return AddClassNames(items);
    case ESite::eConsts: AddKeywords(items, {"consts"}); [[fallthrough]];
    case ESite::eMember:
        AddKeywords(items, {"int", "enum", "state", "event", "command", "function"});
        return AddClassNames(items);
    case ESite::eStatement:
        return AddStatementStart(items, c, site, c.IsRecovering() ? BrokenRoutineBody(c) : c.m_pNode.Get());
    case ESite::eDoWhile: return AddKeywords(items, {"while"});
    case ESite::eExpression: return AddOperands(items, c, c.m_pNode.Get());
    case ESite::eAfterDot: {
        const CType* cls = DotClass(c);
        for (const CType* t = cls; t; t = t->GetParent()) AddVariables(items, t->m_pVariables.Get(), eField, eRankMember);
        return AddFunctions(items, cls, true, eMethod);
    }
    case ESite::eEvent: return AddEvents(items, c, false);
    case ESite::eCommand: return AddEvents(items, c, true);
    case ESite::eStateToDefine:
    case ESite::eDefinedState:
    case ESite::eAnyState: return AddStates(items, c.m_States, site.kind);
    case ESite::eType:
        AddKeywords(items, {"int", "string"});
        return AddClassNames(items);
    case ESite::eResultType: return AddKeywords(items, {"int"});
    case ESite::eAttribute:
        return AddKeywords(items, {"button", "description", "priority", "hotkey", "hidden", "item", "advanced"});
    }
}

}  // namespace

Json Completion(const SFeatureInput& input, SPosition position) {
    CDocumentTokens tokens(input.text);
    SCursorText at = ReadCursor(tokens, input.text, tokens.GetLines().ToOffset(position, input.encoding));
    CItems items;
    if (!at.inert) CutAtCursor(input, tokens, at, [&](const CCompiler& c) { Collect(c, at, items); });
    return items.ToJson(at.prefix);
}
