// The syntax tree. Every node carries a token kind as its node kind. The tree
// is also the only record of what the script declares, so the derived nodes
// carry names, parameter lists, handler tables and attributes.
//
// Two lifetimes. The nodes of a routine's body (and the literal values they
// hold) are made in the arena that is set for the thread while the body is
// parsed: they are never counted (counting them is a no-op), their links to
// variables, functions and types are plain, and they all die at once when
// the arena is reset after the routine has been translated. Every other
// node (the root, the class and its block, the routine heads, and every
// node made while no arena is set) is a counted object that lives as long as
// its parent's slot or a cursor holds it. A counted node may hold arena
// nodes (a head its body); an arena node holds only arena nodes.
//
// Tearing down a counted tree is iterative: a node that dies moves the
// children only it holds onto a work list instead of releasing them
// recursively, so a tree nested a million levels deep is released without
// deep native recursion.
#pragma once
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <vector>

#include "lexer/Token.h"
#include "semantic/Function.h"
#include "semantic/Type.h"
#include "semantic/Variable.h"
#include "support/Arena.h"
#include "support/DynArray.h"
#include "support/NameIndex.h"
#include "support/RefObject.h"
#include "support/Str.h"

class CNode;

// Nodes and literal values made on this thread go to `arena` while it is
// set (null: counted objects of the pool). The compile flow sets it for the
// body of each routine.
void SetNodeArena(CArena* arena);

// Sets the thread's node arena for a scope; however the scope is left, no
// later node of the thread goes to it.
class CNodeArenaScope {
public:
    explicit CNodeArenaScope(CArena* arena) { SetNodeArena(arena); }
    ~CNodeArenaScope() { SetNodeArena(nullptr); }
    CNodeArenaScope(const CNodeArenaScope&) = delete;
    CNodeArenaScope& operator=(const CNodeArenaScope&) = delete;
};

// What a node is in C++ terms, so that finding out costs no run-time type
// lookup (NodeAs).
enum class ENodeClass : uint8_t { eNode, eBlock, eConst, eVariable, eCall, eState, eEvent, eFunction, eCommand, eClass };

// The child slots of a node: an array of links, the first two inside the
// node itself (most nodes have at most two children), more in the node's own
// storage (its arena, or the heap for a counted node). Slots may be empty.
// The array may point into the object, so slots are never copied.
class CNodeSlots {
public:
    CNodeSlots() = default;
    CNodeSlots(const CNodeSlots&) = delete;
    CNodeSlots& operator=(const CNodeSlots&) = delete;

    size_t GetSize() const { return m_nSize; }
    CRefPtr<CNode>& operator[](size_t i) { return m_pData[i]; }
    const CRefPtr<CNode>& operator[](size_t i) const { return m_pData[i]; }
    CRefPtr<CNode>* begin() { return m_pData; }
    CRefPtr<CNode>* end() { return m_pData + m_nSize; }
    const CRefPtr<CNode>* begin() const { return m_pData; }
    const CRefPtr<CNode>* end() const { return m_pData + m_nSize; }

private:
    friend class CNode;
    static constexpr uint32_t kInline = 2;
    CRefPtr<CNode>* Inline() { return reinterpret_cast<CRefPtr<CNode>*>(m_Inline); }
    bool IsInline() const { return m_pData == reinterpret_cast<const CRefPtr<CNode>*>(m_Inline); }
    // Empty, back on the inline slots (the caller has released the array).
    void Reset() {
        m_pData = Inline();
        m_nSize = 0;
        m_nCapacity = kInline;
    }

    CRefPtr<CNode>* m_pData = Inline();
    uint32_t m_nSize = 0;
    uint32_t m_nCapacity = kInline;
    alignas(CRefPtr<CNode>) unsigned char m_Inline[kInline * sizeof(CRefPtr<CNode>)];
};

class CNode : public CRefObject {
public:
    explicit CNode(int32_t kind);
    ~CNode() override;

    // From the thread's node arena when one is set, else from the pool.
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);

    int32_t m_nKind;
    CNode* m_pParent = nullptr;
    CNodeSlots m_Children;
    CLink<CType> m_pType;
    int32_t m_nPriority;

    // Slots are filled by AddChild and emptied by ReplaceByFirstChild; code
    // that writes m_Children itself may fill or reorder slots but should not
    // empty one (AddChild would not look back).
    int32_t GetKind() const { return m_nKind; }
    void SetKind(int32_t kind);
    void SetPriority(int32_t priority) { m_nPriority = priority; }
    int32_t GetPriority() const { return m_nPriority; }
    CNode* GetParent() const { return m_pParent; }
    size_t GetChildCount() const { return m_Children.GetSize(); }
    CNode* GetChild(size_t i) const { return i < m_Children.GetSize() ? m_Children[i].Get() : nullptr; }
    CType* GetType() const { return m_pType.Get(); }
    // Made in an arena: uncounted, and gone when the arena is reset.
    bool IsInArena() const { return m_bInArena; }
    ENodeClass GetNodeClass() const { return m_nClass; }

    // Index -1 (any negative) takes the first empty slot, else a new last one.
    // Inline for the usual append: no slot empty and room left in the array.
    void AddChild(CNode* child, int32_t index = -1) {
        CNodeSlots& slots = m_Children;
        if (index >= 0 || !child || m_nFirstFree < slots.m_nSize || slots.m_nSize == slots.m_nCapacity)
            return PlaceChild(child, index);
        new (slots.m_pData + slots.m_nSize) CRefPtr<CNode>(child);
        m_nFirstFree = ++slots.m_nSize;
        child->m_pParent = this;
    }
    // The nearest ancestor of kind `kind` or of one of `others` except the last,
    // which is the stop kind (null when reached). The node itself is not examined.
    CNode* FindAncestor(int32_t kind, std::initializer_list<int32_t> others) const;
    template <class... Kinds>
    CNode* FindAncestor(int32_t kind, int32_t k1, Kinds... rest) const {
        if constexpr (sizeof...(rest) == 0)
            return FindAncestorBefore(kind, k1);
        else
            return FindAncestor(kind, {k1, int32_t(rest)...});
    }
    // FindAncestor with the stop kind alone: the usual search for an open
    // parenthesis or bracket of the expression, inline.
    CNode* FindAncestorBefore(int32_t kind, int32_t stop) const {
        for (CNode* a = m_pParent; a; a = a->m_pParent) {
            if (a->m_nKind == kind) return a;
            if (a->m_nKind == stop) return nullptr;
        }
        return nullptr;
    }
    void InsertAbove(CNode* node, int32_t index = -1);
    void ReplaceByFirstChild();
    void DropLastChild();
    // Empties slot i (nothing when there is none) and unlinks its child.
    void DetachChild(size_t i);
    void InsertByPriority(CNode* node, int32_t index, int32_t associativity);

protected:
    // Routine heads and the class are counted wherever they are made: the
    // class node's tables hold them for the whole compilation.
    struct SCounted {};
    CNode(int32_t kind, SCounted);

    ENodeClass m_nClass = ENodeClass::eNode;  // set by each derived constructor

private:
    // AddChild for every other case: a given slot, an empty slot to refill,
    // a full array or a null child.
    void PlaceChild(CNode* child, int32_t index);
    int32_t SlotOf(const CNode* child) const;
    void MoveChildrenTo(std::vector<CNode*>& work);
    void NoteEmptySlot(size_t slot) { m_nFirstFree = uint32_t(std::min<size_t>(m_nFirstFree, slot)); }
    // Resizes the slot array; new slots are empty, dropped ones released.
    void ResizeSlots(size_t size);
    void FreeSlots();

    // Every slot below this one is known to be taken, so appending to a
    // block with many children does not rescan them.
    uint32_t m_nFirstFree = 0;
    bool m_bInArena = false;
};

// The base of the node classes that are always counted: `new` takes them
// from the pool even while an arena is set.
class CCountedNode : public CNode {
public:
    static void* operator new(size_t size) { return CRefObject::operator new(size); }
    static void operator delete(void* p, size_t size) { CRefObject::operator delete(p, size); }

protected:
    explicit CCountedNode(int32_t kind) : CNode(kind, SCounted{}) {}
};

class CBlockNode : public CNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eBlock;
    CBlockNode();
    ~CBlockNode() override;

    CRefPtr<CVariableList> m_pScope;

    CVariableList* GetScope();
    // The scope when it exists; never creates one.
    CVariableList* PeekScope() const { return m_pScope.Get(); }
};

// The value of a literal or of a constant in an expression. Made in the
// node arena when one is set, like the node that holds it.
class CConstValue : public CRefObject {
public:
    CConstValue();
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);

    // The shared int, string or null type: never counted, never changed.
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
    static constexpr ENodeClass kClass = ENodeClass::eConst;
    explicit CConstNode(CConstValue* value);
    ~CConstNode() override;

    CRefPtr<CConstValue> m_pValue;
};

class CVariableNode : public CNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eVariable;
    explicit CVariableNode(CVariable* variable, CVariable* object = nullptr);
    ~CVariableNode() override;

    CLink<CVariable> m_pVariable;
    CLink<CVariable> m_pObject;
};

class CCallNode : public CNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eCall;
    CCallNode(CFunction* function, CVariable* object, int32_t own);
    ~CCallNode() override;

    CLink<CFunction> m_pFunction;
    CLink<CVariable> m_pObject;
    int32_t m_bOwn;
};

class CStateNode : public CCountedNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eState;
    explicit CStateNode(int32_t index);

    int32_t m_nStateIndex;
};

// Events, functions and commands keep their parameters in a list that is
// created on first use.
class CEventNode : public CCountedNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eEvent;
    explicit CEventNode(const CStr& name);
    ~CEventNode() override;

    CRefPtr<CVariableList> m_pParams;
    CStr m_strName;
    int32_t m_nEventIndex = -1;

    CVariableList* GetParams();
};

class CFunctionNode : public CCountedNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eFunction;
    explicit CFunctionNode(const CStr& name);
    ~CFunctionNode() override;

    CRefPtr<CVariableList> m_pParams;
    CStr m_strName;
    CRefPtr<CFunction> m_pFunction;

    CVariableList* GetParams();
    // The function record, built from the name and the parameters on first use.
    CFunction* GetFunction();
};

class CCommandNode : public CCountedNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eCommand;
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

class CClassNode : public CCountedNode {
public:
    static constexpr ENodeClass kClass = ENodeClass::eClass;
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
    // The first script function passing CFunction::IsSame with the call.
    CFunctionNode* FindFunction(const CCallSignature& call) const;
    CFunctionNode* FindFunction(const CFunction& signature) const;
    // 0 (nothing added) when a function with the same signature exists.
    int AddFunction(CFunctionNode* node);

private:
    std::string_view NameAt(uint32_t i) const { return m_Functions[i]->m_strName; }
    uint32_t FirstNoCase(std::string_view name) const {
        return m_ByName.Find(name, [this](uint32_t i) { return NameAt(i); });
    }

    // Every function under its name, letter case ignored, in list order.
    CNameIndex m_ByName{true};
};

// n as a T when it is one (T::kClass), else null.
template <class T>
T* NodeAs(CNode* n) {
    return n && n->GetNodeClass() == T::kClass ? static_cast<T*>(n) : nullptr;
}
