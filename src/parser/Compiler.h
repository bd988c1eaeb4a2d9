// CCompiler: the compiler object of one compilation, with the parser engine.
// The parser is a flat machine of states: each state is a routine that looks
// at the current token, does its share of work on the tree, and chooses the
// next state. Nesting lives on m_ReturnStates, not on the native stack. The
// driver fetches one token per step and calls RunState until IsFinished; the
// code generator is owned by the driver so that dependencies point one way.
// The built-in library is only read: a script's own declarations go to its
// tree.
#pragma once
#include <cstdint>

#include "builtins/BuiltinLibrary.h"
#include "lexer/Scanner.h"
#include "parser/Node.h"
#include "semantic/States.h"
#include "semantic/Type.h"
#include "support/DynArray.h"
#include "support/RefObject.h"
#include "support/Str.h"

class CCompiler;
using StateFn = void (*)(CCompiler&);

// Hears of each routine body as the parse reaches it: the compile flow
// translates a routine as soon as its body has closed, and frees it.
class CRoutineListener {
public:
    virtual ~CRoutineListener() = default;
    // At the "{" of the body of `routine` (a state, event, function or
    // command node, the cursor), before the body's block exists.
    virtual void BodyOpening(CCompiler& c, CNode* routine) = 0;
    // After the body's "}", with the cursor still on `routine`.
    virtual void RoutineClosed(CCompiler& c, CNode* routine) = 0;
};

class CCompiler {
public:
    explicit CCompiler(const CBuiltinLibrary& library = GetBuiltinLibrary()) : m_pLibrary(&library) {}

    const CBuiltinLibrary* m_pLibrary;
    int32_t m_nError = 0;
    StateFn m_pfnState = nullptr;
    CScanner m_Scanner;
    CDynArray<StateFn> m_ReturnStates;
    CRefPtr<CNode> m_pNode;
    CRefPtr<CNode> m_pRoot;
    int32_t m_nPrevRole = 0;
    CRefPtr<CType> m_pBaseClass;
    CRefPtr<CType> m_pArgType;
    CRefPtr<CType> m_pEnumType;
    CStr m_strVarName;
    CStatesTable m_States;
    CStr m_strClassName;
    int32_t m_bWarnings = 1;
    CRoutineListener* m_pRoutines = nullptr;  // none: the bodies stay in the tree

    // Start of a parse: CheckEndOfFile as the first return state, xStart current.
    void Begin();
    // True once the current state is End or Error.
    bool IsFinished() const;
    // Runs the current state once on the current token.
    void RunState() { m_pfnState(*this); }

    void PushState(StateFn state);
    // Resumes the top return state; an empty stack is an internal error (61).
    void PopState();
    void SetError(int32_t code);

    // Called by the grammar at the start and after the end of a routine body.
    void OpenRoutineBody() {
        if (m_pRoutines) m_pRoutines->BodyOpening(*this, m_pNode.Get());
    }
    void CloseRoutine() {
        if (m_pRoutines) m_pRoutines->RoutineClosed(*this, m_pNode.Get());
    }
};

// Sentinels, recognised by identity; they never run.
void End(CCompiler& c);
void Error(CCompiler& c);

void xStart(CCompiler& c);
void CheckEndOfFile(CCompiler& c);
// The first state of the class head.
void Class1(CCompiler& c);
