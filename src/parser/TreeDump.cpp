#include "parser/TreeDump.h"

#include <vector>

#include "parser/Node.h"

namespace {

const char* KindName(int32_t kind) {
    const char* name = CToken::GetKindName(kind);
    const char* prefix = "CToken::e";
    for (const char* p = prefix; *p; ++p, ++name)
        if (*name != *p) return CToken::GetKindName(kind);
    return name;
}

std::string Quote(const CStr& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (ch == '\n') out += "\\n";
        else if (ch == '\t') out += "\\t";
        else out += ch;
    }
    return out + "\"";
}

std::string Details(const CNode* n) {
    switch (n->GetKind()) {
    case CToken::eClass: return " " + static_cast<const CClassNode*>(n)->m_strName;
    case CToken::eState: return " " + std::to_string(static_cast<const CStateNode*>(n)->m_nStateIndex);
    case CToken::eEvent: return " " + static_cast<const CEventNode*>(n)->m_strName;
    case CToken::eFunction: return " " + static_cast<const CFunctionNode*>(n)->m_strName;
    case CToken::eCommand: return " " + static_cast<const CCommandNode*>(n)->m_strName;
    case CToken::eNumber: {
        const CConstValue* v = static_cast<const CConstNode*>(n)->m_pValue.Get();
        if (!v) return "";
        if (v->m_pType && v->m_pType->IsKind(CType::eString)) return " " + Quote(v->m_strText);
        if (CType::IsNull(v->m_pType.Get())) return " null";
        return " " + std::to_string(v->m_nValue);
    }
    case CToken::eText: {
        auto* v = static_cast<const CVariableNode*>(n);
        std::string s = " ";
        if (v->m_pObject) s += v->m_pObject->GetName() + ".";
        return s + (v->m_pVariable ? v->m_pVariable->GetName() : std::string("?"));
    }
    case CToken::eFunctionName: {
        auto* call = static_cast<const CCallNode*>(n);
        std::string s = " ";
        if (call->m_pObject) s += call->m_pObject->GetName() + ".";
        return s + (call->m_pFunction ? call->m_pFunction->m_strName : std::string("?"));
    }
    default: return "";
    }
}

}  // namespace

std::string DumpTree(const CNode* root) {
    std::string out;
    std::vector<std::pair<const CNode*, size_t>> work;
    if (root) work.push_back({root, 0});
    while (!work.empty()) {
        auto [n, depth] = work.back();
        work.pop_back();
        out.append(2 * depth, ' ');
        out += KindName(n->GetKind());
        out += Details(n);
        out += '\n';
        for (size_t i = n->GetChildCount(); i-- > 0;)
            if (const CNode* child = n->GetChild(i)) work.push_back({child, depth + 1});
    }
    return out;
}
