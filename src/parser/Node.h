// The syntax tree. Every node carries a token kind as its node kind and is a
// counted object; a node lives as long as its parent's slot or a cursor holds
// it, and the parent link is a plain pointer. The tree is also the only record
// of what the script declares, so the derived nodes carry names, parameter
// lists, handler tables and attributes.
//
// Tearing down is iterative: a node that dies moves the children only it holds
// onto a work list instead of releasing them recursively, so a tree nested a
// million levels deep is released without deep native recursion.
#pragma once
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "lexer/Token.h"
#include "semantic/Function.h"
#include "semantic/Type.h"
#include "semantic/Variable.h"
#include "support/DynArray.h"
#include "support/HashMap.h"
#include "support/RefObject.h"
#include "support/Str.h"

class CNode : public CRefObject {
public:
    explicit CNode(int32_t kind);
    ~CNode() override;

    int32_t m_nKind;
    CNode* m_pParent = nullptr;
    CDynArray<CRefPtr<CNode>> m_Children;
    CRefPtr<CType> m_pType;
    int32_t m_nPriority;  // beside m_nFirstFree: a long script has millions of nodes

    // Slots are filled by AddChild and emptied by ReplaceByFirstChild; code
    // that writes m_Children itself may fill or reorder slots but should not
    // empty one (AddChild would not look back).
    int32_t GetKind() const { return m_nKind; }
    void SetKind(int32_t kind);
    void SetPriority(int32_t priority) { m_nPriority = priority; }
    int32_t GetPriority() const { return m_nPriority; }
    CNode* GetParent() const { return m_pParent; }
    size_t GetChildCount() const { return m_Children.GetSize(); }
    CNode* GetChild(size_t i) const;
    CType* GetType() const { return m_pType.Get(); }

    // Index -1 (any negative) takes the first empty slot, else a new last one.
    void AddChild(CNode* child, int32_t index = -1);
    // The nearest ancestor of kind `kind` or of one of `others` except the last,
    // which is the stop kind (null when reached). The node itself is not examined.
    CNode* FindAncestor(int32_t kind, std::initializer_list<int32_t> others) const;
    template <class... Kinds>
    CNode* FindAncestor(int32_t kind, int32_t k1, Kinds... rest) const {
        return FindAncestor(kind, {k1, int32_t(rest)...});
    }
    void InsertAbove(CNode* node, int32_t index = -1);
    void ReplaceByFirstChild();
    void DropLastChild();
    void InsertByPriority(CNode* node, int32_t index, int32_t associativity);

private:
    int32_t SlotOf(const CNode* child) const;
    void MoveChildrenTo(std::vector<CNode*>& work);
    void NoteEmptySlot(size_t slot) { m_nFirstFree = uint32_t(std::min<size_t>(m_nFirstFree, slot)); }

    // Every slot below this one is known to be taken, so appending to a
    // block with many children does not rescan them.
    uint32_t m_nFirstFree = 0;
};

class CBlockNode : public CNode {
public:
    CBlockNode();
    ~CBlockNode() override;

    CRefPtr<CVariableList> m_pScope;

    CVariableList* GetScope();
    // The scope when it exists; never creates one.
    CVariableList* PeekScope() const { return m_pScope.Get(); }
};

class CConstValue : public CRefObject {
public:
    CRefPtr<CType> m_pType;
    int32_t m_nValue = 0;
    CStr m_strText;
    int32_t m_nDataIndex = -1;

    static CRefPtr<CConstValue> MakeInt(int32_t value);
    static CRefPtr<CConstValue> MakeText(const CStr& text);
    static CRefPtr<CConstValue> MakeNull();
};

class CConstNode : public CNode {
public:
    explicit CConstNode(CConstValue* value);
    ~CConstNode() override;

    CRefPtr<CConstValue> m_pValue;
};

class CVariableNode : public CNode {
public:
    explicit CVariableNode(CVariable* variable, CVariable* object = nullptr);
    ~CVariableNode() override;

    CRefPtr<CVariable> m_pVariable;
    CRefPtr<CVariable> m_pObject;
};

class CCallNode : public CNode {
public:
    CCallNode(CFunction* function, CVariable* object, int32_t own);
    ~CCallNode() override;

    CRefPtr<CFunction> m_pFunction;
    CRefPtr<CVariable> m_pObject;
    int32_t m_bOwn;
};

class CStateNode : public CNode {
public:
    explicit CStateNode(int32_t index);

    int32_t m_nStateIndex;
};

// Events, functions and commands keep their parameters in a list that is
// created on first use.
class CEventNode : public CNode {
public:
    explicit CEventNode(const CStr& name);
    ~CEventNode() override;

    CRefPtr<CVariableList> m_pParams;
    CStr m_strName;
    int32_t m_nEventIndex = -1;

    CVariableList* GetParams();
};

class CFunctionNode : public CNode {
public:
    explicit CFunctionNode(const CStr& name);
    ~CFunctionNode() override;

    CRefPtr<CVariableList> m_pParams;
    CStr m_strName;
    CRefPtr<CFunction> m_pFunction;

    CVariableList* GetParams();
    // The function record, built from the name and the parameters on first use.
    CFunction* GetFunction();
};

class CCommandNode : public CNode {
public:
    enum EAttribute : uint32_t { eHotkey = 1, eHidden = 2, eAdvanced = 4 };
    enum EDefined : uint32_t {
        eDefDescription = 1,
        eDefButton = 2,
        eDefPriority = 4,
        eDefHotkey = 8,
        eDefHidden = 16,
        eDefItem = 32,
        eDefAdvanced = 64,
    };

    explicit CCommandNode(const CStr& name);
    ~CCommandNode() override;

    CStr m_strName;
    CRefPtr<CVariableList> m_pParams;
    int32_t m_nCommandIndex = -1;
    CRefPtr<CVariable> m_pButtonEnum;
    CStr m_strDescription;
    CStr m_strButton;
    int32_t m_nItem = -1;
    int32_t m_nCommandPriority = 128;
    uint32_t m_nAttributes = 0;
    uint32_t m_nDefined = 0;

    CVariableList* GetParams();
};

class CClassNode : public CNode {
public:
    CClassNode(const CStr& name, CType* baseClass);
    ~CClassNode() override;

    CStr m_strName;
    CDynArray<CRefPtr<CEventNode>> m_EventHandlers;
    CDynArray<CRefPtr<CCommandNode>> m_CommandHandlers;
    CDynArray<CRefPtr<CFunctionNode>> m_Functions;
    CRefPtr<CType> m_pBaseClass;
    // The script's own constants (its consts section).
    CConstantList m_Constants;

    // The first script function of that name, letter case ignored.
    CFunctionNode* FindFunctionByName(const CStr& name) const;
    // The first script function passing CFunction::IsSame with the signature.
    CFunctionNode* FindFunction(const CFunction& signature) const;
    // 0 (nothing added) when a function with the same signature exists.
    int AddFunction(CFunctionNode* node);

private:
    CHashMap<uint32_t> m_FirstByName;
    std::unordered_map<CStr, std::vector<uint32_t>> m_ByExactName;
};
