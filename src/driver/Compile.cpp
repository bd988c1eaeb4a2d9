// The compile flow: open the source, run the parser one token at a time
// (handling include and the translation warning before a state sees a token),
// then generate code and write the object file.
#include <cstdio>

#include "driver/Diagnostics.h"
#include "driver/Driver.h"
#include "driver/Paths.h"
#include "driver/StartupFiles.h"
#include "lexer/Scanner.h"

namespace {

bool NeedsTranslationWarning(const CToken& t) {
    for (const char* p = t.m_szText; *p; ++p)
        if (*p < '0' || *p > '9') return !IsTranslated(t.m_szText);
    return false;
}

}  // namespace

void BuildLibrary() {}
void ReleaseLibrary() {}

bool CompileScript(const CompileRequest& request) {
    std::string path = JoinWithCurrentDirectory(request.source);
    if (path.empty()) {
        PrintFileError(request.source, 0, "Path too long", request.source);
        return false;
    }
    CScanner scanner;
    if (!scanner.Open(path)) {
        PrintFileError(path, 0, "File not found", request.source);
        return false;
    }
    for (;;) {
        scanner.NextToken();
        const CToken& t = scanner.GetToken();
        if (t.m_nKind == CToken::eQuotedString && request.warnings && NeedsTranslationWarning(t))
            PrintTranslationWarning(scanner.GetFileName(), t.m_nLine, t.m_szText);
        if (t.m_nKind == CToken::eInclude) {
            std::string from = scanner.GetFileName();
            scanner.NextToken();
            const CToken& name = scanner.GetToken();
            if (name.m_nKind != CToken::eQuotedString) {
                PrintFileError(scanner.GetFileName(), name.m_nLine, "Expected file name", name.GetText());
                return false;
            }
            std::string text = name.m_szText;
            int line = name.m_nLine;
            std::string include = JoinWithCurrentDirectory(text);
            if (include.empty()) {
                PrintFileError(from, line, "Path too long", text);
                return false;
            }
            bool cycle = false;
            for (const std::string& open : scanner.GetIncludeChain()) cycle = cycle || open == include;
            if (cycle || scanner.GetDepth() >= CScanner::kMaxFrames) {
                PrintFileError(from, line, "Include nesting too deep", text);
                return false;
            }
            if (!scanner.Open(include)) {
                PrintFileError(include, line, "File not found", text);
                return false;
            }
            continue;
        }
        if (t.m_nKind == CToken::eEndOfFile) break;  // stand-in until the grammar runs here
    }
    return false;
}
