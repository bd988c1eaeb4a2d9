// Name suggestions and candidate signatures. The candidate walks follow the
// lookups of name resolution (scopes innermost first, then the class, the
// script, the states) so that a suggestion never names something the
// compiler would not find at that point. Names starting with "$" belong to
// the compiler and are never offered.
#include "parser/Suggestions.h"

#include <algorithm>

#include "parser/Resolve.h"

namespace {

bool IsOwn(std::string_view name) { return !name.empty() && name[0] == '$'; }

void OfferVariables(const CVariableList* list, CNameSink& sink) {
    for (size_t i = 0; list && i < list->GetSize(); ++i)
        if (!IsOwn(list->Get(i)->GetName())) sink.Offer(list->Get(i)->GetName());
}

void OfferFunctions(const CFunctionList* list, CNameSink& sink, bool dotOnly = false) {
    for (size_t i = 0; list && i < list->GetSize(); ++i) {
        const CFunction* f = list->Get(i);
        if ((!dotOnly || f->m_bDotCallable) && !IsOwn(f->m_strName)) sink.Offer(f->m_strName);
    }
}

void OfferConstants(const CConstantList& list, CNameSink& sink) {
    for (const CNamedConstant& k : list) sink.Offer(k.m_strName);
}

bool IsClassBlock(const CNode* block) {
    return block->GetParent() && block->GetParent()->GetKind() == CToken::eClass;
}

// The scopes a name in an expression at `cursor` is looked up in.
void OfferScopes(const CNode* cursor, CNameSink& sink) {
    for (CNode* b = cursor->FindAncestor(CToken::eBlockInstruction, CToken::eClass); b;
         b = b->FindAncestor(CToken::eBlockInstruction, CToken::eClass)) {
        if (IsClassBlock(b))
            for (int32_t kind : {CToken::eCommand, CToken::eEvent, CToken::eFunction})
                if (CNode* head = cursor->FindAncestor(kind, CToken::eClass)) OfferVariables(GetParameterList(head), sink);
        if (const CBlockNode* block = dynamic_cast<const CBlockNode*>(b)) OfferVariables(block->PeekScope(), sink);
    }
}

const char* TypeName(const CType* t) {
    if (!t) return "?";
    switch (t->m_nKind) {
    case CType::eClass: return t->GetName().c_str();
    case CType::eString: return "string";
    case CType::eVoid: return "void";
    case CType::eArray: return "int[]";
    default: return "int";
    }
}

// Every member of `lists` (one list per class, from the class up) called
// `name`, formatted.
template <class ListOf>
std::vector<std::string> SignaturesNamed(const CType* cls, const std::string& name, ListOf listOf) {
    std::vector<std::string> out;
    for (const CType* t = cls; t; t = t->GetParent())
        if (const CFunctionList* list = listOf(t))
            for (size_t i = 0; i < list->GetSize(); ++i)
                if (list->Get(i)->m_strName == name) out.push_back(FormatSignature(*list->Get(i)));
    return out;
}

}  // namespace

int EditDistance(std::string_view a, std::string_view b) {
    // Three rows of the optimal-string-alignment table are enough.
    std::vector<int> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = int(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            int cost = FoldCase(a[i - 1]) == FoldCase(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && FoldCase(a[i - 1]) == FoldCase(b[j - 2]) &&
                FoldCase(a[i - 2]) == FoldCase(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// One or two letters are too few to guess from: only a change of case.
int SuggestionReach(std::string_view name) {
    if (name.size() <= 2) return 0;
    return name.size() <= 5 ? 1 : 2;
}

CSuggester::CSuggester(std::string_view name) : m_strName(name), m_nReach(SuggestionReach(name)) {}

void CSuggester::Offer(std::string_view candidate) {
    size_t longer = std::max(candidate.size(), m_strName.size());
    size_t shorter = std::min(candidate.size(), m_strName.size());
    if (longer - shorter > size_t(m_nReach) || candidate == m_strName) return;
    int distance = EqualsNoCase(candidate, m_strName) ? -1 : EditDistance(m_strName, candidate);
    if (distance > m_nReach) return;
    for (const SRanked& r : m_Ranked)
        if (r.m_strName == candidate) return;
    m_Ranked.push_back({distance, std::string(candidate)});
}

std::vector<std::string> CSuggester::Best(size_t limit) const {
    std::vector<SRanked> ranked = m_Ranked;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const SRanked& x, const SRanked& y) { return x.m_nDistance < y.m_nDistance; });
    std::vector<std::string> out;
    for (size_t i = 0; i < ranked.size() && out.size() < limit; ++i) out.push_back(ranked[i].m_strName);
    return out;
}

std::vector<std::string> Suggest(std::string_view name, const std::vector<std::string>& candidates, size_t limit) {
    CSuggester suggester(name);
    for (const std::string& c : candidates) suggester.Offer(c);
    return suggester.Best(limit);
}

void OfferVisibleNames(const CNode* cursor, const CType* baseClass, const CStatesTable& states, CNameSink& sink) {
    if (cursor) OfferScopes(cursor, sink);
    CClassNode* cls = FindClassNode(cursor);
    if (baseClass) OfferConstants(baseClass->m_Constants, sink);
    if (cls) OfferConstants(cls->m_Constants, sink);
    for (const CType* t = baseClass ? baseClass->GetParent() : nullptr; t; t = t->GetParent())
        OfferConstants(t->m_Constants, sink);
    for (size_t i = 0; cls && i < cls->m_Functions.GetSize(); ++i) sink.Offer(cls->m_Functions[i]->m_strName);
    for (const CType* t = baseClass; t; t = t->GetParent()) OfferFunctions(t->m_pFunctions.Get(), sink);
    OfferStates(states, sink);
}

void OfferDotMembers(const CType* cls, CNameSink& sink) {
    for (const CType* t = cls; t; t = t->GetParent()) {
        OfferVariables(t->m_pVariables.Get(), sink);
        OfferFunctions(t->m_pFunctions.Get(), sink, true);
    }
}

void OfferEvents(const CType* cls, CNameSink& sink) {
    for (const CType* t = cls; t; t = t->GetParent()) OfferFunctions(t->m_pEvents.Get(), sink);
}

void OfferCommands(const CType* cls, CNameSink& sink) {
    for (const CType* t = cls; t; t = t->GetParent()) OfferFunctions(t->m_pCommands.Get(), sink);
}

void OfferStates(const CStatesTable& states, CNameSink& sink) {
    for (size_t i = 0; i < states.GetSize(); ++i) sink.Offer(states[i].m_strName);
}

void OfferClassNames(const CBuiltinLibrary& library, bool basicTypes, CNameSink& sink) {
    if (basicTypes) {
        sink.Offer("int");
        sink.Offer("string");
    }
    for (const CType* t : library.GetClasses()) sink.Offer(t->GetName());
}

std::string FormatSignature(const CFunction& f) {
    std::string s;
    if (dynamic_cast<const CEvent*>(&f))
        s = "event ";
    else if (dynamic_cast<const CCommand*>(&f))
        s = "command ";
    else
        s = std::string(TypeName(f.m_pResult.Get())) + " ";
    s += f.m_strName + "(";
    for (size_t i = 0; i < f.GetParamCount(); ++i) s += (i ? ", " : "") + std::string(TypeName(f.GetParam(i)));
    return s + ")";
}

std::vector<std::string> CallCandidates(const CNode* call, const CType* target, bool withScript,
                                        const std::string& name) {
    std::vector<std::string> out =
        SignaturesNamed(target, name, [](const CType* t) { return t->m_pFunctions.Get(); });
    CClassNode* cls = withScript ? FindClassNode(call) : nullptr;
    for (size_t i = 0; cls && i < cls->m_Functions.GetSize(); ++i)
        if (EqualsNoCase(cls->m_Functions[i]->m_strName, name))
            out.push_back(FormatSignature(*cls->m_Functions[i]->GetFunction()));
    return out;
}

std::vector<std::string> EventCandidates(const CType* cls, const std::string& name) {
    return SignaturesNamed(cls, name, [](const CType* t) { return t->m_pEvents.Get(); });
}

std::vector<std::string> CommandCandidates(const CType* cls, const std::string& name) {
    return SignaturesNamed(cls, name, [](const CType* t) { return t->m_pCommands.Get(); });
}

CNameFault NameFault(const CCompiler& c, const CSuggester& suggester) {
    CNameFault fault;
    fault.m_Place = c.TokenPlace();
    fault.m_Suggestions = suggester.Best();
    return fault;
}
