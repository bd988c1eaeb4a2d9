// CCompiler: the compiler object of one compilation, with the parser engine.
// The parser is a flat machine of states: each state is a routine that looks
// at the current token, does its share of work on the tree, and chooses the
// next state. Nesting lives on m_ReturnStates, not on the native stack. The
// driver fetches one token per step and calls RunState until IsFinished; the
// code generator is owned by the driver so that dependencies point one way.
// The built-in library is only read: a script's own declarations go to its
// tree. With m_bRecover set, an error inside the class body is not the end:
// the driver reports it and calls Recover, which skips to the next member.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "lexer/Scanner.h"
#include "parser/Errors.h"
#include "parser/NameCache.h"
#include "parser/Node.h"
#include "parser/SymbolObserver.h"
#include "semantic/States.h"
#include "semantic/Type.h"
#include "support/DynArray.h"
#include "support/RefObject.h"
#include "support/Str.h"

class CCompiler;
using StateFn = void (*)(CCompiler&);

// Sentinels, recognised by identity; they never run.
void End(CCompiler& c);
void Error(CCompiler& c);

// A name as written and where it stands (line and column as the scanner
// stamps them).
struct CNamePlace {
    std::string m_strName;
    int32_t m_nLine = 0;
    int32_t m_nColumn = 0;
};

// What an error about a name adds to its message: the name, names close to
// it that are visible there, and the signatures it could have meant.
struct CNameFault {
    CNamePlace m_Place;  // empty name: the error is not about a name
    std::vector<std::string> m_Suggestions;
    std::vector<std::string> m_Candidates;
};

// Tells tokens apart: a given-back token comes again with the same key.
struct CTokenKey {
    int32_t m_nFrames = 0, m_nLine = -1, m_nColumn = -1, m_nKind = -1;
    static CTokenKey Of(const CScanner& scanner);
    bool operator==(const CTokenKey&) const = default;
};

// Braces open before the current token, and parentheses open since the last
// brace, and the kind of the token before it; each token counts once however
// often it is given back.
class CNestingTracker {
public:
    void See(const CScanner& scanner);
    // The current token stands at this depth after all (a "}" was missing).
    void Reset(int32_t braces) { m_nBraces = m_nBracesAfter = braces, m_nParens = m_nParensAfter = 0; }
    int32_t m_nBraces = 0;
    int32_t m_nParens = 0;
    int32_t m_nPrevious = -1;

private:
    int32_t m_nBracesAfter = 0;
    int32_t m_nParensAfter = 0;
    CTokenKey m_Last;
};

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
    // Set with m_pfnState where it becomes End or Error, so that the driver
    // tests one flag per token: those two are made current only by Finish
    // and SetError, never by Go. Begin and Recover clear it.
    bool m_bFinished = false;
    CScanner m_Scanner;
    std::vector<StateFn> m_ReturnStates;
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
    CSymbolObserver* m_pObserver = nullptr;  // told of declarations and resolved names

    // The name the recorded error is about; cleared with the error.
    CNameFault m_NameFault;
    // The function names whose argument lists are open, innermost last.
    std::vector<std::pair<const CNode*, CNamePlace>> m_OpenCalls;
    // The name of the event or command head being read.
    CNamePlace m_HeadName;

    // Error recovery: the open class body and the return stack inside it.
    bool m_bRecover = false;
    CRefPtr<CNode> m_pClassBlock;
    size_t m_nClassBodyStack = 0;
    CNestingTracker m_Nesting;
    CTokenKey m_ErrorToken;  // the token of the error recovered from
    bool m_bBetweenMembers = false;  // that error left no member half read
    CTokenKey m_Resumed;  // the token the last recovery resumed at

    // The body block being read (null between bodies), and the number of
    // return states held when it began: statements count their nesting from
    // there.
    CNode* m_pBody = nullptr;
    size_t m_nBodyStates = 0;
    // What the names of that body resolved to (empty between bodies), and
    // what the names that no scope holds resolved to in the class (emptied
    // when the script declares a constant, or a function of a name it holds).
    CNameCache m_Names;
    CNameCache m_ClassNames;
    // The nesting nodes of the expression being read, in the order made,
    // each with the nesting levels down to it.
    std::vector<std::pair<const CNode*, size_t>> m_ExpressionLevels;

    CRoutineListener* m_pRoutines = nullptr;  // none: the bodies stay in the tree

    // Start of a parse: CheckEndOfFile as the first return state, xStart current.
    void Begin();
    // True once the current state is End or Error.
    bool IsFinished() const { return m_bFinished; }
    // The parse is complete: End becomes the current state.
    void Finish() {
        m_pfnState = End;
        m_bFinished = true;
    }
    // Runs the current state once on the current token (inline: once a token).
    void RunState() {
        if (m_bRecover) m_Nesting.See(m_Scanner);
        m_pfnState(*this);
    }

    // Inline: a push and a pop come with nearly every token.
    void PushState(StateFn state) { m_ReturnStates.push_back(state); }
    // Resumes the top return state; an empty stack is an internal error (61).
    void PopState() {
        if (m_ReturnStates.empty()) return SetError(eErrInternal);
        m_pfnState = m_ReturnStates.back();
        m_ReturnStates.pop_back();
    }
    void SetError(int32_t code);
    // The current token as a name.
    CNamePlace TokenPlace() const;
    // SetError for an error about `fault`'s name.
    void SetNameError(int32_t code, CNameFault fault);
    // After an error inside the class body: the error is cleared and parsing
    // goes on at the next member (or the body's "}"). False, with nothing
    // changed, where nothing can be recovered: outside the class body, or at
    // the end of the file.
    bool Recover();
    // True while a recovery skips the rest of a broken member.
    bool IsRecovering() const;

    // Called by the grammar at the start and after the end of a routine body.
    void OpenRoutineBody() {
        if (m_pRoutines) m_pRoutines->BodyOpening(*this, m_pNode.Get());
    }
    void CloseRoutine() {
        if (m_pRoutines) m_pRoutines->RoutineClosed(*this, m_pNode.Get());
    }
};


void xStart(CCompiler& c);
void CheckEndOfFile(CCompiler& c);
// The first state of the class head.
void Class1(CCompiler& c);
