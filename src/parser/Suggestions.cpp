// Name suggestions and candidate signatures. The candidate walks follow the
// lookups of name resolution (scopes innermost first, then the class, the
// script, the states) so that a suggestion never names something the
// compiler would not find at that point. Names starting with "$" belong to
// the compiler and are never offered.
#include "parser/Suggestions.h"

#include <algorithm>
#include <unordered_set>

#include "parser/Resolve.h"

namespace {

// Collects names once each, in the order they are offered.
class CNameSet {
public:
    void Add(const std::string& name) {
        if (!name.empty() && name[0] != '$' && m_Seen.insert(name).second) m_Names.push_back(name);
    }
    void AddVariables(const CVariableList* list) {
        for (size_t i = 0; list && i < list->GetSize(); ++i) Add(list->Get(i)->GetName());
    }
    void AddFunctions(const CFunctionList* list, bool dotOnly = false) {
        for (size_t i = 0; list && i < list->GetSize(); ++i)
            if (!dotOnly || list->Get(i)->m_bDotCallable) Add(list->Get(i)->m_strName);
    }
    void AddConstants(const CConstantList& list) {
        for (const CNamedConstant& k : list) Add(k.m_strName);
    }
    std::vector<std::string> Take() { return std::move(m_Names); }

private:
    std::vector<std::string> m_Names;
    std::unordered_set<std::string> m_Seen;
};

bool IsClassBlock(const CNode* block) {
    return block->GetParent() && block->GetParent()->GetKind() == CToken::eClass;
}

// The scopes a name in an expression at `cursor` is looked up in.
void AddScopes(CNameSet& names, const CNode* cursor) {
    for (CNode* b = cursor->FindAncestor(CToken::eBlockInstruction, CToken::eClass); b;
         b = b->FindAncestor(CToken::eBlockInstruction, CToken::eClass)) {
        if (IsClassBlock(b))
            for (int32_t kind : {CToken::eCommand, CToken::eEvent, CToken::eFunction})
                if (CNode* head = cursor->FindAncestor(kind, CToken::eClass))
                    names.AddVariables(GetParameterList(head));
        if (const CBlockNode* block = dynamic_cast<const CBlockNode*>(b)) names.AddVariables(block->PeekScope());
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

std::vector<std::string> Suggest(std::string_view name, const std::vector<std::string>& candidates, size_t limit) {
    int reach = SuggestionReach(name);
    // (distance, position): a case-only difference ranks as -1.
    std::vector<std::pair<int, size_t>> ranked;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::string& c = candidates[i];
        if (c == name) continue;
        size_t longer = std::max(c.size(), name.size()), shorter = std::min(c.size(), name.size());
        if (longer - shorter > size_t(reach)) continue;
        if (EqualsNoCase(c, name)) {
            ranked.push_back({-1, i});
            continue;
        }
        int d = EditDistance(name, c);
        if (d <= reach) ranked.push_back({d, i});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < ranked.size() && out.size() < limit; ++i) out.push_back(candidates[ranked[i].second]);
    return out;
}

std::vector<std::string> VisibleNames(const CNode* cursor, const CType* baseClass, const CStatesTable& states) {
    CNameSet names;
    if (cursor) AddScopes(names, cursor);
    CClassNode* cls = FindClassNode(cursor);
    if (baseClass) names.AddConstants(baseClass->m_Constants);
    if (cls) names.AddConstants(cls->m_Constants);
    for (const CType* t = baseClass ? baseClass->GetParent() : nullptr; t; t = t->GetParent())
        names.AddConstants(t->m_Constants);
    for (size_t i = 0; cls && i < cls->m_Functions.GetSize(); ++i) names.Add(cls->m_Functions[i]->m_strName);
    for (const CType* t = baseClass; t; t = t->GetParent()) names.AddFunctions(t->m_pFunctions.Get());
    for (const std::string& s : StateNames(states)) names.Add(s);
    return names.Take();
}

std::vector<std::string> DotMemberNames(const CType* cls) {
    CNameSet names;
    for (const CType* t = cls; t; t = t->GetParent()) {
        names.AddVariables(t->m_pVariables.Get());
        names.AddFunctions(t->m_pFunctions.Get(), true);
    }
    return names.Take();
}

std::vector<std::string> EventNames(const CType* cls) {
    CNameSet names;
    for (const CType* t = cls; t; t = t->GetParent()) names.AddFunctions(t->m_pEvents.Get());
    return names.Take();
}

std::vector<std::string> CommandNames(const CType* cls) {
    CNameSet names;
    for (const CType* t = cls; t; t = t->GetParent()) names.AddFunctions(t->m_pCommands.Get());
    return names.Take();
}

std::vector<std::string> StateNames(const CStatesTable& states) {
    std::vector<std::string> names;
    for (size_t i = 0; i < states.GetSize(); ++i) names.push_back(states[i].m_strName);
    return names;
}

std::vector<std::string> ClassNames(const CBuiltinLibrary& library, bool basicTypes) {
    std::vector<std::string> names;
    if (basicTypes) names = {"int", "string"};
    for (const CType* t : library.GetClasses()) names.push_back(t->GetName());
    return names;
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

CNameFault NameFault(const CCompiler& c, const std::vector<std::string>& candidates) {
    CNameFault fault;
    fault.m_Place = c.TokenPlace();
    fault.m_Suggestions = Suggest(fault.m_Place.m_strName, candidates);
    return fault;
}
