// Builds the observer's sites and use records from the current token and the
// nodes the resolution made. Nothing here changes the parse.
#include "parser/Observe.h"

#include "parser/Resolve.h"
#include "semantic/Variable.h"

namespace grammar {

namespace {

// The scanner stamps a token with the column after its first character.
int SiteColumn(int stamped) { return stamped > 1 ? stamped - 1 : stamped; }

SSymbolSite CurrentSite(const CCompiler& c) {
    const CToken& t = c.m_Scanner.GetToken();
    return SSymbolSite{c.m_Scanner.GetFileName(), t.m_nLine, SiteColumn(t.m_nColumn), t.GetText()};
}

bool IsConstantName(const CCompiler& c, const CStr& name) {
    int32_t value = 0;
    if (c.m_pBaseClass && c.m_pBaseClass->FindConstant(name, value)) return true;
    CClassNode* cls = FindClassNode(c.m_pNode.Get());
    return cls && cls->m_Constants.Find(name);
}

SSymbolUse UseOf(const CCompiler& c, const CNode* node) {
    if (auto* v = dynamic_cast<const CVariableNode*>(node)) {
        const CVariable* var = v->m_pVariable.Get();
        ESymbolKind kind = var->m_nKind == CVariable::eParam    ? ESymbolKind::eParam
                           : var->m_nKind == CVariable::eMember ? ESymbolKind::eMember
                                                                : ESymbolKind::eLocal;
        return SSymbolUse{kind, var};
    }
    if (auto* call = dynamic_cast<const CCallNode*>(node)) {
        SSymbolUse use{ESymbolKind::eFunction, nullptr, call->m_pFunction.Get(), call->m_bOwn != 0};
        if (call->m_pObject) use.m_pObjectClass = call->m_pObject->GetType();
        return use;
    }
    CStr name = c.m_Scanner.GetToken().GetText();
    return SSymbolUse{IsConstantName(c, name) ? ESymbolKind::eConstant : ESymbolKind::eState};
}

}  // namespace

void NoteDeclaration(CCompiler& c, ESymbolKind kind, const CType* type) {
    if (c.m_pObserver) c.m_pObserver->Declared(CurrentSite(c), SSymbolDeclaration{kind, type});
}

void NoteVariableName(CCompiler& c, const CType* type) {
    if (!c.m_pObserver) return;
    const CNode* block = c.m_pNode.Get();
    bool member = block && block->GetParent() && block->GetParent()->GetKind() == CToken::eClass;
    NoteDeclaration(c, member ? ESymbolKind::eMember : ESymbolKind::eLocal, type);
}

void NoteRecord(CCompiler& c, const CVariableList* list, const CStr& name) {
    if (!c.m_pObserver || !list) return;
    if (const CVariable* v = list->Find(name)) c.m_pObserver->Recorded(*v);
}

void NoteVariable(CCompiler& c, ESymbolKind kind, const CVariableList* list) {
    if (!c.m_pObserver) return;
    NoteDeclaration(c, kind);
    NoteRecord(c, list, c.m_Scanner.GetToken().GetText());
}

void NoteValue(CCompiler& c, int32_t value) {
    if (c.m_pObserver) c.m_pObserver->Valued(value);
}

void NoteUse(CCompiler& c, const CNode* node) {
    if (c.m_pObserver && node) c.m_pObserver->Used(CurrentSite(c), UseOf(c, node));
}

void NoteFunctionRecord(CCompiler& c, CFunctionNode* function) {
    if (c.m_pObserver) c.m_pObserver->RecordedFunction(*function->GetFunction());
}

void NoteCall(CCompiler& c, const CNamePlace& name, const CCallNode* call) {
    if (!c.m_pObserver || !call->m_pFunction) return;
    SSymbolSite site{c.m_Scanner.GetFileName(), name.m_nLine, SiteColumn(name.m_nColumn), name.m_strName};
    c.m_pObserver->CallResolved(site, *call->m_pFunction);
}

void NoteStateUse(CCompiler& c) {
    if (c.m_pObserver) c.m_pObserver->Used(CurrentSite(c), SSymbolUse{ESymbolKind::eState});
}

}  // namespace grammar
