// The compile flow up to the resolved unit, kept in memory. The parse loop
// mirrors the command-line compiler's, including include files, so a tool
// sees the same unit that orvelc would write.
#include "driver/CompileInMemory.h"

#include "codegen/CodeGen.h"
#include "codegen/Translate.h"
#include "driver/Diagnostics.h"
#include "driver/Paths.h"
#include "parser/Compiler.h"

namespace {

constexpr int kExpectedClassName = 11;
constexpr int kInternalError = 61;

bool IsOpen(const CScanner& scanner, const std::string& path) {
    for (const std::string& open : scanner.GetIncludeChain())
        if (open == path) return true;
    return false;
}

bool OpenInclude(CScanner& scanner) {
    std::string from = scanner.GetFileName();
    scanner.NextToken();
    const CToken& name = scanner.GetToken();
    if (name.m_nKind != CToken::eQuotedString) {
        PrintFileError(from, name.m_nLine, "Expected file name", name.GetText());
        return false;
    }
    std::string text = name.m_szText;
    int line = name.m_nLine;
    std::string path = JoinWithCurrentDirectory(text);
    if (path.empty()) {
        PrintFileError(from, line, "Path too long", text);
        return false;
    }
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

bool Parse(CCompiler& c) {
    c.Begin();
    while (!c.IsFinished()) {
        c.m_Scanner.NextToken();
        if (c.m_Scanner.Is(CToken::eInclude)) {
            if (!OpenInclude(c.m_Scanner)) return false;
            continue;
        }
        c.RunState();
    }
    return true;
}

bool Accepted(CCompiler& c) {
    const int line = c.m_Scanner.GetToken().m_nLine;
    int code = 0;
    if (c.m_nError != 0 || c.m_pfnState == Error) code = c.m_nError;
    else if (!c.m_pBaseClass) code = kExpectedClassName;
    else return true;
    PrintParserError(c.m_Scanner.GetFileName(), line, GetErrorText(code));
    return false;
}

}  // namespace

bool CompileInMemory(const std::string& source, CCompiler& compiler, CCodeGen& gen) {
    std::string path = JoinWithCurrentDirectory(source);
    if (path.empty()) {
        PrintFileError(source, 0, "Path too long", source);
        return false;
    }
    compiler.m_bWarnings = 0;
    if (!compiler.m_Scanner.Open(path)) {
        PrintFileError(path, 0, "File not found", source);
        return false;
    }
    if (!Parse(compiler) || !Accepted(compiler)) return false;
    CNode* root = compiler.m_pRoot.Get();
    PrepareTree(root);
    gen.SetPass(0);
    TranslateTree(root, gen);
    FinishBlocks(root);
    gen.SetPass(1);
    TranslateTree(root, gen);
    if (gen.ResolveJumps() == 0) return true;
    PrintParserError(compiler.m_Scanner.GetFileName(), compiler.m_Scanner.GetToken().m_nLine,
                     GetErrorText(kInternalError));
    return false;
}
