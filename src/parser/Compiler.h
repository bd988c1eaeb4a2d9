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
#include <utility>
#include <vector>

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
    // The body block being read (null between bodies), and the number of
    // return states held when it began: statements count their nesting from
    // there.
    CNode* m_pBody = nullptr;
    size_t m_nBodyStates = 0;
    // The nesting nodes of the expression being read, in the order made,
    // each with the nesting levels down to it.
    std::vector<std::pair<const CNode*, size_t>> m_ExpressionLevels;

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
};

// Sentinels, recognised by identity; they never run.
void End(CCompiler& c);
void Error(CCompiler& c);

void xStart(CCompiler& c);
void CheckEndOfFile(CCompiler& c);
// The first state of the class head.
void Class1(CCompiler& c);
