// One compilation as a value: a source, the options and the shared built-in
// library go in; the diagnostics, the status and the unit come out. Two calls
// share nothing but the library and whatever the options point to, all of
// which they only read, so compilations may run one after another or on
// several threads at once. The command line and the language server both
// call Compile; printing, writing the object file and depfiles are theirs.
#pragma once
#include <string>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "codegen/CodeGen.h"
#include "compile/Diagnostics.h"
#include "parser/Node.h"
#include "parser/SymbolObserver.h"
#include "semantic/States.h"
#include "support/Files.h"
#include "support/HashMap.h"

// Texts that count as translated (language.lan and OrvelCEx.idx); keys
// ignore letter case.
using CTranslations = CHashMap<CStr>;

// A place in a source: the file as the compile opens it (compared after
// NormalizePath), a line and a byte column, both from 1.
struct CStopAt {
    std::string m_strFile;
    int m_nLine = 0;  // 0: no stop
    int m_nColumn = 0;
};

struct CCompileOptions {
    bool m_bWarnings = true;      // warn about quoted strings without translation
    bool m_bTree = false;         // list the syntax tree of an accepted parse
    // After an error in the class body, go on at the next member; at most
    // m_nMaxErrors errors (0: no limit), then one line saying so.
    bool m_bAllErrors = false;
    int m_nMaxErrors = kMaxErrors;
    // A diagnostic repeated at one place (a string given back and delivered
    // again warns again) is reported once.
    bool m_bUniqueDiagnostics = false;
    // Keep every routine's body in the result's tree (m_bTree implies it).
    // Otherwise each routine is translated as soon as its body closes (or
    // its batch is full, see below) and its body freed, so memory follows
    // the largest routine or batch, not the script.
    bool m_bKeepTree = false;
    // Streamed routines of a source of a megabyte or more are translated in
    // batches on a second thread while the parse goes on. Nonzero: every
    // source is, in batches of at most this many routines (tests set 1 so
    // that each routine crosses to that thread).
    size_t m_nBatchRoutines = 0;
    // Relative source and include names are joined with it; empty: the
    // process's current directory.
    std::string m_strDirectory;
    // Searched for an include after the current directory.
    std::vector<std::string> m_IncludeDirs;
    const CFileProvider* m_pFiles = nullptr;          // null: the platform's files
    const CTranslations* m_pTranslations = nullptr;   // null: nothing is translated
    // Told of each declaration and resolved name as the parse goes; null: nobody.
    CSymbolObserver* m_pObserver = nullptr;
    // A parse cut at a cursor (completion): it stops before the first token
    // of that file at or past the place (or at the end of that file), tells
    // the observer, and makes no unit; no routine is translated on the way.
    CStopAt m_StopAt;
};

enum class ECompileStatus {
    eAccepted,  // the unit is complete
    eErrors,    // the diagnostics say why there is no unit
    eInternal,  // a fault inside the compiler; the last diagnostic says so
};

struct CCompileResult {
    ECompileStatus m_nStatus = ECompileStatus::eErrors;
    // Warnings and errors in the order they were found.
    std::vector<CDiagnostic> m_Diagnostics;
    // Every file read, the source first, then each include as it was opened.
    std::vector<std::string> m_Files;
    // With m_bTree, the listing of an accepted parse; it stands after the
    // first m_nTreeAt diagnostics (those of the parse).
    std::string m_strTree;
    size_t m_nTreeAt = 0;

    // What the parse and the code generation made; set once the parse is
    // accepted (m_pUnit only with status eAccepted). The tree keeps the
    // routines' bodies only with m_bKeepTree.
    CRefPtr<CCodeGen> m_pUnit;
    std::string m_strClassName;
    CType* m_pBaseClass = nullptr;  // a record of the library
    CRefPtr<CNode> m_pRoot;
    CStatesTable m_States;
    // The parse reached the stop place of the options.
    bool m_bStopped = false;
};

// source: a path as given on a command line, joined with the directory of
// the options unless it is absolute.
CCompileResult Compile(const std::string& source, const CCompileOptions& options,
                       const CBuiltinLibrary& library);
