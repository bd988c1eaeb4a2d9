// The compile flow, as the list of phases it runs: open the source, run the
// parser one token at a time (handling include and the translation warning
// before a state sees a token), then generate code and write the object file.
#include <cstdio>

#include "driver/Diagnostics.h"
#include "driver/Driver.h"
#include "driver/Paths.h"
#include "driver/StartupFiles.h"
#include "parser/Compiler.h"
#include "parser/TreeDump.h"

namespace {

constexpr int kExpectedClassName = 11;

bool NeedsTranslationWarning(const CToken& t) {
    for (const char* p = t.m_szText; *p; ++p)
        if (*p < '0' || *p > '9') return !IsTranslated(t.m_szText);
    return false;
}

void WarnAboutTranslation(const CCompiler& c) {
    const CToken& t = c.m_Scanner.GetToken();
    if (t.m_nKind == CToken::eQuotedString && c.m_bWarnings && NeedsTranslationWarning(t))
        PrintTranslationWarning(c.m_Scanner.GetFileName(), t.m_nLine, t.m_szText);
}

bool IsOpen(const CScanner& scanner, const std::string& path) {
    for (const std::string& open : scanner.GetIncludeChain())
        if (open == path) return true;
    return false;
}

// Consumes include and its file name and opens the file; false after an error.
bool OpenInclude(CScanner& scanner) {
    std::string from = scanner.GetFileName();
    scanner.NextToken();
    const CToken& name = scanner.GetToken();
    if (name.m_nKind != CToken::eQuotedString) {
        PrintFileError(scanner.GetFileName(), name.m_nLine, "Expected file name", name.GetText());
        return false;
    }
    std::string text = name.m_szText;
    int line = name.m_nLine;
    std::string path = JoinWithCurrentDirectory(text);
    if (path.empty()) {
        PrintFileError(from, line, "Path too long", text);
        return false;
    }
    // A file that includes itself, directly or not, would never end.
    if (IsOpen(scanner, path) || scanner.GetDepth() >= CScanner::kMaxFrames) {
        PrintFileError(from, line, "Include nesting too deep", text);
        return false;
    }
    if (!scanner.Open(path)) {
        PrintFileError(path, line, "File not found", text);
        return false;
    }
    return true;
}

// Runs the state machine to End or Error; false when an include failed.
bool Parse(CCompiler& c) {
    c.Begin();
    while (!c.IsFinished()) {
        c.m_Scanner.NextToken();
        WarnAboutTranslation(c);
        if (c.m_Scanner.Is(CToken::eInclude)) {
            if (!OpenInclude(c.m_Scanner)) return false;
            continue;
        }
        c.RunState();
    }
    return true;
}

}  // namespace

bool CompileScript(const CompileRequest& request) {
    std::string path = JoinWithCurrentDirectory(request.source);
    if (path.empty()) {
        PrintFileError(request.source, 0, "Path too long", request.source);
        return false;
    }
    CCompiler compiler;
    compiler.m_bWarnings = request.warnings ? 1 : 0;
    if (!compiler.m_Scanner.Open(path)) {
        PrintFileError(path, 0, "File not found", request.source);
        return false;
    }
    if (!Parse(compiler)) return false;
    const CToken& last = compiler.m_Scanner.GetToken();
    if (compiler.m_nError != 0 || compiler.m_pfnState == Error) {
        PrintParserError(compiler.m_Scanner.GetFileName(), last.m_nLine, GetErrorText(compiler.m_nError));
        return false;
    }
    if (!compiler.m_pBaseClass) {
        PrintParserError(compiler.m_Scanner.GetFileName(), last.m_nLine, GetErrorText(kExpectedClassName));
        return false;
    }
    if (request.printTree) std::fputs(DumpTree(compiler.m_pRoot.Get()).c_str(), stdout);
    return GenerateAndWrite(compiler, request);
}
