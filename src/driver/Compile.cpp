// The compile flow, as the list of phases it runs: open the source, run the
// parser one token at a time (handling include and the translation warning
// before a state sees a token), then generate code and write the object file.
// Every diagnostic carries the chain of includes that led to its file.
#include <cstdio>

#include "driver/Depfile.h"
#include "driver/Diagnostics.h"
#include "driver/Driver.h"
#include "driver/Paths.h"
#include "driver/StartupFiles.h"
#include "parser/Compiler.h"
#include "parser/Errors.h"
#include "parser/TreeDump.h"
#include "platform/Platform.h"

namespace {


bool NeedsTranslationWarning(const CToken& t) {
    for (const char* p = t.m_szText; *p; ++p)
        if (*p < '0' || *p > '9') return !IsTranslated(t.m_szText);
    return false;
}

bool FileExists(const std::string& path) {
    platform::FileHandle f = platform::OpenFile(path, platform::OpenFor::Read);
    if (f == platform::kInvalidFile) return false;
    platform::CloseFile(f);
    return !platform::IsDirectory(path);
}

// The scanner stamps a token with the column after its first character.
int ColumnOf(const CToken& t) { return t.m_nColumn > 1 ? t.m_nColumn - 1 : t.m_nColumn; }

class CCompileRun {
public:
    CCompileRun(const CompileRequest& request, CCompiler& compiler) : m_Request(request), m_Compiler(compiler) {
        m_Compiler.m_bWarnings = request.warnings ? 1 : 0;
    }

    bool Run();
    // Open, parse and check the source; false after a diagnostic.
    bool Front();

private:
    bool Parse();
    bool OpenInclude();
    bool IsOpen(const std::string& path) const;
    // The include path to open: the current directory first, then the
    // include directories; "" when none has the file (searched lists them).
    std::string FindInclude(const std::string& name, const std::string& first,
                            std::vector<std::string>& searched) const;
    void WarnAboutTranslation();
    bool Accepted();
    // includedAt: the line of an include whose file the diagnostic names.
    void Report(CDiagnostic d, int column = 0, int includedAt = 0);

    const CompileRequest& m_Request;
    CCompiler& m_Compiler;
    // m_IncludeLines[d]: the line in frame d-1 whose include opened frame d.
    std::vector<int> m_IncludeLines{0};
    std::vector<std::string> m_Dependencies;
};

void CCompileRun::Report(CDiagnostic d, int column, int includedAt) {
    d.column = column;
    // Only the JSON form shows the chain.
    if (m_Request.format != EDiagnosticFormat::eJson) return ::Report(d, m_Request.format);
    std::vector<std::string> chain = m_Compiler.m_Scanner.GetIncludeChain();
    for (size_t i = 0; i + 1 < chain.size() && i + 1 < m_IncludeLines.size(); ++i)
        d.includes.push_back({chain[i], m_IncludeLines[i + 1]});
    // A file that could not be opened was still included from the current one.
    if (includedAt > 0 && !chain.empty()) d.includes.push_back({chain.back(), includedAt});
    ::Report(d, m_Request.format);
}

void CCompileRun::WarnAboutTranslation() {
    const CToken& t = m_Compiler.m_Scanner.GetToken();
    if (t.m_nKind == CToken::eQuotedString && m_Compiler.m_bWarnings && NeedsTranslationWarning(t))
        Report(TranslationWarning(m_Compiler.m_Scanner.GetFileName(), t.m_nLine, t.m_szText), ColumnOf(t));
}

bool CCompileRun::IsOpen(const std::string& path) const {
    for (const std::string& open : m_Compiler.m_Scanner.GetIncludeChain())
        if (open == path) return true;
    return false;
}

std::string CCompileRun::FindInclude(const std::string& name, const std::string& first,
                                     std::vector<std::string>& searched) const {
    if (m_Request.includeDirs.empty() || platform::IsAbsolutePath(platform::NativePath(name)) ||
        FileExists(first))
        return first;
    for (const std::string& dir : m_Request.includeDirs) {
        std::string joined = dir;
        if (!joined.empty() && joined.back() != '/' && joined.back() != '\\')
            joined += platform::kPathSeparator;
        std::string path = JoinWithCurrentDirectory(joined + name);
        if (path.empty()) continue;
        if (FileExists(path)) return path;
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
    std::string first = JoinWithCurrentDirectory(text);
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
    if (path.empty() || !scanner.Open(path)) {
        CDiagnostic d = FileError(path.empty() ? first : path, line, "File not found", text);
        d.searched = std::move(searched);
        Report(std::move(d), column, line);
        return false;
    }
    m_IncludeLines.resize(size_t(scanner.GetDepth()));
    m_IncludeLines.back() = line;
    m_Dependencies.push_back(path);
    return true;
}

// Runs the state machine to End or Error; false when an include failed.
bool CCompileRun::Parse() {
    CCompiler& c = m_Compiler;
    c.Begin();
    while (!c.IsFinished()) {
        c.m_Scanner.NextToken();
        WarnAboutTranslation();
        if (c.m_Scanner.Is(CToken::eInclude)) {
            if (!OpenInclude()) return false;
            continue;
        }
        c.RunState();
    }
    return true;
}

bool CCompileRun::Accepted() {
    CCompiler& c = m_Compiler;
    const CToken& last = c.m_Scanner.GetToken();
    int code = 0;
    if (c.m_nError != 0 || c.m_pfnState == Error)
        code = c.m_nError;
    else if (!c.m_pBaseClass)
        code = eErrExpectedClassName;
    else
        return true;
    Report(ParserError(c.m_Scanner.GetFileName(), last.m_nLine, GetErrorText(code)), ColumnOf(last));
    return false;
}

bool CCompileRun::Front() {
    const std::string& source = m_Request.source;
    std::string path = JoinWithCurrentDirectory(source);
    if (path.empty()) {
        Report(FileError(source, 0, "Path too long", source));
        return false;
    }
    if (!m_Compiler.m_Scanner.Open(path)) {
        Report(FileError(path, 0, "File not found", source));
        return false;
    }
    m_Dependencies.push_back(path);
    return Parse() && Accepted();
}

bool CCompileRun::Run() {
    if (!Front()) return false;
    if (m_Request.printTree) std::fputs(DumpTree(m_Compiler.m_pRoot.Get()).c_str(), stdout);
    if (!GenerateAndWrite(m_Compiler, m_Request)) return false;
    if (m_Request.depfile.empty() || m_Request.checkOnly) return true;
    if (WriteDepfile(m_Request.depfile, m_Request.output, m_Dependencies)) return true;
    Report(FileError(m_Request.depfile, 0, "Cannot write", m_Request.depfile));
    return false;
}

}  // namespace

bool CompileScript(const CompileRequest& request) {
    CCompiler compiler;
    CCompileRun run(request, compiler);
    return run.Run();
}

bool CompileToUnit(const CompileRequest& request, CCompiler& compiler, CCodeGen& gen) {
    CCompileRun run(request, compiler);
    return run.Front() && GenerateCode(compiler, gen, request);
}
