// Signature help from the parse cut at the cursor: the innermost call whose
// argument list is open there, every function its name may mean (those of
// the object's class or the base class with their parents, then, for a call
// without an object, the script's own, letter case ignored) and the
// argument the cursor is in. Overloads that the arguments before the cursor
// already rule out are left out. A family of dozens that differ only in
// their trailing parameters shows the shortest that still fit and one line
// that stands for the longer ones.
#include "lsp/Cursor.h"
#include "parser/Compiler.h"
#include "parser/Resolve.h"
#include "parser/TypeOf.h"

namespace {

// More overloads than this are folded into the shortest and one summary.
constexpr size_t kMaxShown = 16;

struct SOverload {
    const CFunction* function;
    const CVariableList* names;  // a script function's parameters, for their names
};

// Every function of that name the call may reach, in the order the call's
// resolution tries them; an override of the same signature only once.
std::vector<SOverload> Overloads(const CCompiler& c, const CCallNode* call) {
    std::vector<SOverload> out;
    auto add = [&](const CFunction* f, const CVariableList* names) {
        for (const SOverload& o : out)
            if (CFunction::IsSame(*o.function, *f)) return;
        out.push_back({f, names});
    };
    const std::string& name = call->m_pFunction->m_strName;
    const CType* target = call->m_pObject ? call->m_pObject->GetType() : c.m_pBaseClass.Get();
    for (const CType* t = target; t; t = t->GetParent())
        for (size_t i = 0; t->m_pFunctions && i < t->m_pFunctions->GetSize(); ++i)
            if (t->m_pFunctions->Get(i)->m_strName == name) add(t->m_pFunctions->Get(i), nullptr);
    CClassNode* cls = call->m_pObject ? nullptr : FindClassNode(call);
    for (size_t i = 0; cls && i < cls->m_Functions.GetSize(); ++i)
        if (EqualsNoCase(cls->m_Functions[i]->m_strName, name))
            add(cls->m_Functions[i]->GetFunction(), cls->m_Functions[i]->GetParams());
    return out;
}

// The overload can take the arguments before the cursor and one more.
bool Fits(const CFunction& f, const std::vector<const CType*>& before) {
    if (f.GetParamCount() <= before.size() && !(before.empty() && f.GetParamCount() == 0)) return false;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] && !CType::IsSame(f.GetParam(i), before[i])) return false;
    return true;
}

struct SLabel {
    std::string text;
    Json parameters = Json::array();

    void Parameter(const std::string& p) {
        if (!parameters.empty()) text += ", ";
        parameters.push_back({{"label", {text.size(), text.size() + p.size()}}});
        text += p;
    }
};

Json Signature(const SOverload& o) {
    const CFunction& f = *o.function;
    SLabel label{ScriptTypeName(f.m_pResult.Get()) + " " + f.m_strName + "("};
    for (size_t i = 0; i < f.GetParamCount(); ++i) {
        std::string p = ScriptTypeName(f.GetParam(i));
        if (o.names && i < o.names->GetSize()) p += " " + o.names->Get(i)->GetName();
        label.Parameter(p);
    }
    Json s{{"label", label.text + ")"}, {"parameters", std::move(label.parameters)}};
    if (o.names) s["documentation"] = "function of the script";
    return s;
}

// One line for the overloads longer than the shortest: the parameters up to
// the cursor's, then "...".
Json Summary(const SOverload& shortest, size_t argument, size_t longer) {
    const CFunction& f = *shortest.function;
    SLabel label{ScriptTypeName(f.m_pResult.Get()) + " " + f.m_strName + "("};
    for (size_t i = 0; i <= argument && i < f.GetParamCount(); ++i) label.Parameter(ScriptTypeName(f.GetParam(i)));
    label.Parameter("...");
    return Json{{"label", label.text + ")"},
                {"parameters", std::move(label.parameters)},
                {"documentation", std::to_string(longer) + " more overloads take more parameters"}};
}

// The shown overloads: those that fit, folded when there are too many.
Json Signatures(std::vector<SOverload> all, const std::vector<const CType*>& before) {
    std::vector<SOverload> fit;
    for (const SOverload& o : all)
        if (Fits(*o.function, before)) fit.push_back(o);
    if (fit.empty()) fit = std::move(all);
    Json out = Json::array();
    if (fit.size() <= kMaxShown) {
        for (const SOverload& o : fit) out.push_back(Signature(o));
        return out;
    }
    size_t shortest = fit[0].function->GetParamCount();
    for (const SOverload& o : fit) shortest = std::min(shortest, o.function->GetParamCount());
    size_t longer = 0;
    for (const SOverload& o : fit) {
        if (o.function->GetParamCount() == shortest)
            out.push_back(Signature(o));
        else
            ++longer;
    }
    out.push_back(Summary(fit[0], before.size(), longer));
    return out;
}

// The call whose "(" is open at the cut, or null.
const CCallNode* OpenCall(const CCompiler& c) {
    if (c.m_OpenCalls.empty() || !InExpression(c.m_pNode.Get())) return nullptr;
    const CNode* call = c.m_OpenCalls.back().first;
    const CNode* last = call->GetChild(call->GetChildCount() - 1);
    if (!last || last->GetKind() != CToken::eParenthesesLeft) return nullptr;
    auto* node = NodeAs<CCallNode>(const_cast<CNode*>(call));
    return node && node->m_pFunction ? node : nullptr;
}

Json HelpAt(const CCompiler& c) {
    const CCallNode* call = OpenCall(c);
    if (!call) return nullptr;
    // The argument list holds the finished arguments, then the open "(".
    std::vector<const CType*> before;
    for (size_t i = 0; i + 1 < call->GetChildCount(); ++i)
        before.push_back(call->GetChild(i) ? TypeOf(call->GetChild(i)) : nullptr);
    return Json{{"signatures", Signatures(Overloads(c, call), before)},
                {"activeSignature", 0},
                {"activeParameter", before.size()}};
}

}  // namespace

Json SignatureHelp(const SFeatureInput& input, SPosition position) {
    CDocumentTokens tokens(input.text);
    SCursorText at = ReadCursor(tokens, input.text, tokens.GetLines().ToOffset(position, input.encoding));
    // Inside a string argument too: the cut then stops after the string.
    Json help;
    CutAtCursor(input, tokens, at, [&](const CCompiler& c) { help = HelpAt(c); });
    return help;
}
