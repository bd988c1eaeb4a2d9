// The compile flow, as the list of phases it runs: open the source, run the
// parser one token at a time (handling include and the translation warning
// before a state sees a token), translating each routine when its body
// closes, then the end of the unit. Every diagnostic carries the chain of
// includes that led to its file. Nothing outside the CCompileRun of one
// call is written. With all errors asked for, each parser error is reported
// as it is found and the parser recovers at the next class member; no unit
// is made once any error was found.
//
// Streaming: the body of a routine is made in an arena; once the routine is
// translated the body is detached from its head and the arena reset, so the
// tree holds no more than one body, or two batches of them. A script of a
// megabyte or more is translated alongside the parse: its bodies fill one of
// two arenas, each full batch goes to a second thread, and the parser fills
// the other arena meanwhile; the last batch is translated on this thread.
// A smaller script translates each routine where it closes. A parse
// that fails later still produces no unit: what was generated is dropped. With
// m_bKeepTree nothing is streamed: the whole tree is parsed into counted
// nodes, as the listing and the tools that read bodies need, and generated
// at the end. A parse cut at a stop place (a cursor) ends there, before the
// token that reaches it, and translates nothing.
#include "compile/Compile.h"

#include <memory>
#include <set>
#include <tuple>

#include "codegen/Translate.h"
#include "compile/Paths.h"
#include "compile/TranslationWorker.h"
#include "parser/Compiler.h"
#include "parser/Errors.h"
#include "parser/TreeDump.h"
#include "platform/Platform.h"

namespace {

// The scanner stamps a token with the column after its first character.
int Column(int stamped) { return stamped > 1 ? stamped - 1 : stamped; }
int ColumnOf(const CToken& t) { return Column(t.m_nColumn); }

// Below a megabyte of source the thread costs more than it saves (the
// second arena's pages are touched once per run, and a batch waiting is
// translated out of the cache); routines are translated where they close.
constexpr size_t kBatchingSourceBytes = 1024 * 1024;
// A batch goes to the translating thread once it has this many routines or
// arena bytes: large enough that handing over costs little against parsing
// it, small enough that bodies waiting take little memory.
constexpr size_t kBatchRoutines = 8192;
constexpr size_t kBatchBytes = 1024 * 1024;

class CCompileRun : public CRoutineListener {
public:
    CCompileRun(const CCompileOptions& options, const CBuiltinLibrary& library, CCompileResult& result)
        : m_Options(options),
          m_Files(options.m_pFiles ? *options.m_pFiles : PlatformFiles()),
          m_Compiler(library),
          m_Result(result) {
        m_Compiler.m_bWarnings = options.m_bWarnings ? 1 : 0;
        m_Compiler.m_bRecover = options.m_bAllErrors;
        m_Compiler.m_pObserver = options.m_pObserver;
        if (!KeepsTree()) m_Compiler.m_pRoutines = this;
    }

    void Run(const std::string& source);

    void BodyOpening(CCompiler& c, CNode* routine) override;
    void RoutineClosed(CCompiler& c, CNode* routine) override;

private:
    bool KeepsTree() const { return m_Options.m_bTree || m_Options.m_bKeepTree; }
    // Whether closed routines are still to be translated.
    bool Translates(const CCompiler& c) const;
    // Detaches the bodies made in an arena from their heads and resets it.
    void FreeBodies(size_t arena);
    // The filled arena's routines go to the translating thread, once the
    // batch before them is done; the parser goes on in the other arena.
    void HandOver();
    // Waits for the batch on the translating thread and frees its bodies.
    void CollectBatch();
    // The routines of an arena translated on this thread, their bodies freed.
    void TranslateHere(size_t arena);
    // Every routine translated: the batch handed over, then the last one.
    void FinishRoutines();
    // Open, parse and check the source; false after a diagnostic.
    bool Front(const std::string& source);
    bool Parse();
    // False when an include failed or the parse reached its stop place.
    bool RunStates();
    // The loop of RunStates, inlined where `stops` is a constant: a run
    // without a stop place tests nothing for it.
    [[gnu::always_inline]] inline bool RunStatesWith(bool stops);
    bool StopsAtCursor() const { return m_Options.m_StopAt.m_nLine > 0; }
    // The current token is at or past the stop place.
    bool ReachedStop();
    // Reports the error the parser recorded; false once there were too many.
    bool ReportParserError();
    bool OpenInclude();
    bool IsOpen(const std::string& path) const;
    // The include path to open: the current directory first, then the
    // include directories; "" when none has the file (searched lists them).
    std::string FindInclude(const std::string& name, const std::string& first,
                            std::vector<std::string>& searched) const;
    std::string Join(const std::string& name) const { return JoinWithDirectory(m_Options.m_strDirectory, name); }
    // For a quoted string as the current token.
    void WarnAboutTranslation();
    bool NeedsTranslationWarning(const CToken& t) const;
    bool Accepted();
    // The unit generator, begun on the script's class at its first use.
    CUnitGenerator& Unit();
    bool Generate(const std::string& source);
    void KeepParse();
    // For a file that could not be included: the file and line of the include.
    void Report(CDiagnostic d, int column = 0, const CIncludeSite* includedAt = nullptr);

    const CCompileOptions& m_Options;
    const CFileProvider& m_Files;
    // Bodies in the making; declared before the compiler, whose tree may
    // still link to them when a parse fails, so they outlive that tree.
    // The parser fills one arena; the other is free or with the worker.
    CArena m_Bodies[2];
    std::vector<CRefPtr<CNode>> m_Heads[2];  // the routines whose bodies each holds
    size_t m_nFilling = 0;
    bool m_bHandedOver = false;  // the other arena's batch is with the worker
    // Routines go to the worker in batches (once the source is long enough).
    bool m_bBatching = m_Options.m_nBatchRoutines != 0;
    CRefPtr<CCodeGen> m_pGen;
    std::unique_ptr<CUnitGenerator> m_pUnit;
    bool m_bGenerated = true;  // false once a routine failed to generate
    CCompiler m_Compiler;
    CCompileResult& m_Result;
    // m_IncludeLines[d]: the line in frame d-1 whose include opened frame d.
    std::vector<int> m_IncludeLines{0};
    int m_nParserErrors = 0;
    std::set<std::tuple<std::string, int, int, std::string>> m_Reported;
    // The file of the last token, whether it is the stop file, and the
    // depth at which the stop file was open (0: not yet).
    std::string m_strStopSeen;
    bool m_bInStopFile = false;
    int m_nStopDepth = 0;
    // Started with the first full batch; declared last, so it has finished
    // with the tree and the unit before either goes.
    std::unique_ptr<CTranslationWorker> m_pWorker;
};

// The name an error is about: its columns when it stands on the error's
// line, else a note that shows where it stands.
void AddNameFault(CDiagnostic& d, const CNameFault& fault) {
    const CNamePlace& place = fault.m_Place;
    if (place.m_strName.empty()) return;
    d.name = place.m_strName;
    int column = Column(place.m_nColumn);
    if (place.m_nLine == d.line) {
        d.column = column;
        d.endColumn = column + int(place.m_strName.size());
    } else {
        d.notes.push_back({"'" + place.m_strName + "' is named here", d.file, place.m_nLine, column});
    }
    d.suggestions = fault.m_Suggestions;
    for (const std::string& candidate : fault.m_Candidates) d.notes.push_back({"candidate: " + candidate, "", 0, 0});
}

void CCompileRun::Report(CDiagnostic d, int column, const CIncludeSite* includedAt) {
    if (column) d.column = column;
    if (m_Options.m_bUniqueDiagnostics && !m_Reported.emplace(d.file, d.line, d.column, d.message).second) return;
    // Only the files whose include succeeded: a failed open leaves a frame.
    std::vector<std::string> chain = m_Compiler.m_Scanner.GetIncludeChain();
    for (size_t i = 0; i + 1 < chain.size() && i + 1 < m_IncludeLines.size(); ++i)
        d.includes.push_back({chain[i], m_IncludeLines[i + 1]});
    if (includedAt) d.includes.push_back(*includedAt);
    m_Result.m_Diagnostics.push_back(std::move(d));
}

bool CCompileRun::NeedsTranslationWarning(const CToken& t) const {
    for (const char* p = t.m_szText; *p; ++p)
        if (*p < '0' || *p > '9')
            return !m_Options.m_pTranslations || !m_Options.m_pTranslations->count(t.m_szText);
    return false;
}

void CCompileRun::WarnAboutTranslation() {
    const CToken& t = m_Compiler.m_Scanner.GetToken();
    if (m_Compiler.m_bWarnings && NeedsTranslationWarning(t))
        Report(TranslationWarning(m_Compiler.m_Scanner.GetFileName(), t.m_nLine, t.m_szText), ColumnOf(t));
}

bool CCompileRun::IsOpen(const std::string& path) const {
    for (const std::string& open : m_Compiler.m_Scanner.GetIncludeChain())
        if (open == path) return true;
    return false;
}

std::string CCompileRun::FindInclude(const std::string& name, const std::string& first,
                                     std::vector<std::string>& searched) const {
    if (m_Options.m_IncludeDirs.empty() || platform::IsAbsolutePath(platform::NativePath(name)) ||
        m_Files.Exists(first))
        return first;
    for (const std::string& dir : m_Options.m_IncludeDirs) {
        std::string joined = dir;
        if (!joined.empty() && joined.back() != '/' && joined.back() != '\\')
            joined += platform::kPathSeparator;
        std::string path = Join(joined + name);
        if (path.empty()) continue;
        if (m_Files.Exists(path)) return path;
        searched.push_back(path);
    }
    return std::string();
}

// Consumes include and its file name and opens the file; false after an error.
bool CCompileRun::OpenInclude() {
    CScanner& scanner = m_Compiler.m_Scanner;
    std::string from = scanner.GetFileName();
    scanner.NextToken();
    const CToken& name = scanner.GetToken();
    if (name.m_nKind != CToken::eQuotedString) {
        Report(FileError(scanner.GetFileName(), name.m_nLine, "Expected file name", name.GetText()),
               ColumnOf(name));
        return false;
    }
    std::string text = name.m_szText;
    int line = name.m_nLine;
    int column = ColumnOf(name);
    std::string first = Join(text);
    if (first.empty()) {
        Report(FileError(from, line, "Path too long", text), column);
        return false;
    }
    std::vector<std::string> searched;
    std::string path = FindInclude(text, first, searched);
    // A file that includes itself, directly or not, would never end.
    if (!path.empty() && (IsOpen(path) || scanner.GetDepth() >= CScanner::kMaxFrames)) {
        Report(FileError(from, line, "Include nesting too deep", text), column);
        return false;
    }
    if (path.empty() || !scanner.Open(path, m_Files)) {
        CDiagnostic d = FileError(path.empty() ? first : path, line, "File not found", text);
        d.searched = std::move(searched);
        CIncludeSite site{from, line};
        Report(std::move(d), column, &site);
        return false;
    }
    m_IncludeLines.resize(size_t(scanner.GetDepth()));
    m_IncludeLines.back() = line;
    m_Result.m_Files.push_back(path);
    return true;
}

void CCompileRun::BodyOpening(CCompiler&, CNode* routine) {
    SetNodeArena(&m_Bodies[m_nFilling]);
    m_Heads[m_nFilling].push_back(routine);
}

CUnitGenerator& CCompileRun::Unit() {
    if (m_pUnit) return *m_pUnit;
    m_pGen = MakeRef<CCodeGen>();
    m_pUnit = std::make_unique<CUnitGenerator>(*m_pGen);
    CNode* root = m_Compiler.m_pRoot.Get();
    auto* cls = dynamic_cast<CClassNode*>(root ? root->GetChild(0) : nullptr);
    if (!cls || !m_pUnit->Begin(cls)) m_bGenerated = false;
    return *m_pUnit;
}

// Nothing is generated once the script has an error: it gets no unit.
// Recovery clears m_nError, so an earlier error shows in the count.
bool CCompileRun::Translates(const CCompiler& c) const {
    return c.m_nError == 0 && m_nParserErrors == 0 && m_bGenerated && !StopsAtCursor();
}

void CCompileRun::RoutineClosed(CCompiler& c, CNode*) {
    SetNodeArena(nullptr);
    if (!Translates(c)) return FreeBodies(m_nFilling);
    if (!m_bBatching) m_bBatching = c.m_Scanner.GetBytesRead() >= kBatchingSourceBytes;
    if (!m_bBatching) return TranslateHere(m_nFilling);
    const size_t routines = m_Options.m_nBatchRoutines ? m_Options.m_nBatchRoutines : kBatchRoutines;
    if (m_Heads[m_nFilling].size() >= routines || m_Bodies[m_nFilling].GetBytesInUse() >= kBatchBytes)
        HandOver();
}

void CCompileRun::FreeBodies(size_t arena) {
    for (const CRefPtr<CNode>& head : m_Heads[arena]) head->DetachChild(0);
    m_Heads[arena].clear();
    m_Bodies[arena].Reset();
}

void CCompileRun::CollectBatch() {
    if (!m_bHandedOver) return;
    m_bHandedOver = false;
    if (!m_pWorker->Wait()) m_bGenerated = false;
    FreeBodies(1 - m_nFilling);
}

void CCompileRun::HandOver() {
    CUnitGenerator& unit = Unit();
    CollectBatch();
    if (!m_bGenerated) return FreeBodies(m_nFilling);
    unit.SlotClassVariables();
    if (!m_pWorker) m_pWorker = std::make_unique<CTranslationWorker>(unit);
    m_pWorker->Start(&m_Heads[m_nFilling], &m_Bodies[m_nFilling]);
    m_bHandedOver = true;
    m_nFilling = 1 - m_nFilling;
}

// Whatever the translation grows in a body (never more than the slots it
// rewrites) belongs to the body's arena.
void CCompileRun::TranslateHere(size_t arena) {
    CUnitGenerator& unit = Unit();
    CNodeArenaScope bodies(&m_Bodies[arena]);
    for (const CRefPtr<CNode>& head : m_Heads[arena])
        if (!m_bGenerated || !unit.Routine(head.Get())) {
            m_bGenerated = false;
            break;
        }
    FreeBodies(arena);
}

void CCompileRun::FinishRoutines() {
    CollectBatch();
    TranslateHere(m_nFilling);
}

// A stop file that ends before the place (its last token stands earlier, or
// an include of it ends) stops the parse at its end.
bool CCompileRun::ReachedStop() {
    const CScanner& scanner = m_Compiler.m_Scanner;
    const CStopAt& stop = m_Options.m_StopAt;
    if (scanner.GetFileName() != m_strStopSeen) {
        m_strStopSeen = scanner.GetFileName();
        m_bInStopFile = NormalizePath(m_strStopSeen) == NormalizePath(stop.m_strFile);
        if (m_bInStopFile && !m_nStopDepth) m_nStopDepth = scanner.GetDepth();
    }
    if (m_nStopDepth && scanner.GetDepth() < m_nStopDepth) return true;
    const CToken& t = scanner.GetToken();
    if (!m_bInStopFile) return false;
    return t.m_nKind == CToken::eEndOfFile || t.m_nLine > stop.m_nLine ||
           (t.m_nLine == stop.m_nLine && ColumnOf(t) >= stop.m_nColumn);
}

// Runs the state machine to End or Error; false when an include failed or
// the stop place was reached. Whether the run stops at a place is fixed for
// the run, so each case has a loop of its own; a token is either a string
// (the translation warning) or an include, never both.
bool CCompileRun::RunStatesWith(bool stops) {
    CCompiler& c = m_Compiler;
    CScanner& scanner = c.m_Scanner;
    while (!c.IsFinished()) {
        scanner.NextToken();
        if (stops && ReachedStop()) {
            m_Result.m_bStopped = true;
            if (m_Options.m_pObserver) m_Options.m_pObserver->Stopped(c);
            return false;
        }
        const int32_t kind = scanner.GetToken().m_nKind;
        if (kind == CToken::eQuotedString) {
            WarnAboutTranslation();
        } else if (kind == CToken::eInclude) {
            if (!OpenInclude()) return false;
            continue;
        }
        c.RunState();
    }
    return true;
}

bool CCompileRun::RunStates() { return StopsAtCursor() ? RunStatesWith(true) : RunStatesWith(false); }

// The parse, reporting each error; after an error, with all errors asked
// for, the parser goes on at the next member. False when an include failed.
bool CCompileRun::Parse() {
    CCompiler& c = m_Compiler;
    // However the parse ends, no later node of this thread goes to an arena.
    CNodeArenaScope noArenaAfter(nullptr);
    c.Begin();
    for (;;) {
        if (!RunStates()) return false;
        if (c.m_pfnState != Error) return true;
        if (!ReportParserError() || !m_Options.m_bAllErrors || !c.Recover()) return true;
    }
}

bool CCompileRun::ReportParserError() {
    CCompiler& c = m_Compiler;
    const CToken& last = c.m_Scanner.GetToken();
    bool tooMany = m_Options.m_nMaxErrors > 0 && m_nParserErrors == m_Options.m_nMaxErrors;
    CDiagnostic d = ParserError(c.m_Scanner.GetFileName(), last.m_nLine,
                                GetErrorText(tooMany ? int(eErrTooManyErrors) : c.m_nError));
    d.column = ColumnOf(last);
    if (!tooMany) AddNameFault(d, c.m_NameFault);
    Report(std::move(d));
    ++m_nParserErrors;
    return !tooMany;
}

bool CCompileRun::Accepted() {
    if (m_nParserErrors) return false;
    if (m_Compiler.m_pBaseClass) return true;
    const CToken& last = m_Compiler.m_Scanner.GetToken();
    Report(ParserError(m_Compiler.m_Scanner.GetFileName(), last.m_nLine, GetErrorText(eErrExpectedClassName)),
           ColumnOf(last));
    return false;
}

bool CCompileRun::Front(const std::string& source) {
    std::string path = Join(source);
    if (path.empty()) {
        Report(FileError(source, 0, "Path too long", source));
        return false;
    }
    if (!m_Compiler.m_Scanner.Open(path, m_Files)) {
        Report(FileError(path, 0, "File not found", source));
        return false;
    }
    m_Result.m_Files.push_back(path);
    return Parse() && Accepted();
}

// The end of the unit after the streamed routines, or the whole unit of a
// kept tree. A generator that fails (a jump whose label was never placed, a
// node or an instruction it cannot translate) is a fault of the compiler,
// not of the script.
bool CCompileRun::Generate(const std::string& source) {
    bool generated = false;
    if (KeepsTree()) {
        m_pGen = MakeRef<CCodeGen>();
        generated = GenerateUnit(m_Compiler.m_pRoot.Get(), *m_pGen);
    } else {
        FinishRoutines();
        CUnitGenerator& unit = Unit();
        generated = m_bGenerated && unit.End();
    }
    if (!generated) {
        std::string path = Join(source);
        Report(InternalFault(path.empty() ? source : path));
        return false;
    }
    m_Result.m_pUnit = m_pGen;
    return true;
}

// The parse outlives the compiler object; its scanner closes the files.
void CCompileRun::KeepParse() {
    m_Result.m_strClassName = m_Compiler.m_strClassName;
    m_Result.m_pBaseClass = m_Compiler.m_pBaseClass.Get();
    m_Result.m_pRoot = m_Compiler.m_pRoot;
    m_Result.m_States = std::move(m_Compiler.m_States);
}

void CCompileRun::Run(const std::string& source) {
    if (!Front(source)) return;
    if (m_Options.m_bTree) {
        m_Result.m_strTree = DumpTree(m_Compiler.m_pRoot.Get());
        m_Result.m_nTreeAt = m_Result.m_Diagnostics.size();
    }
    KeepParse();
    m_Result.m_nStatus = Generate(source) ? ECompileStatus::eAccepted : ECompileStatus::eInternal;
}

}  // namespace

CCompileResult Compile(const std::string& source, const CCompileOptions& options,
                       const CBuiltinLibrary& library) {
    CCompileResult result;
    CCompileRun run(options, library, result);
    run.Run(source);
    return result;
}
