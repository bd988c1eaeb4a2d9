// Code generation and the object file, once the parser has accepted a script:
// the generated unit (an internal error when generation fails), then the
// file. The summary line comes only after the file is safely in place.
#include <cstdio>

#include "codegen/CodeGen.h"
#include "codegen/Translate.h"
#include "driver/Diagnostics.h"
#include "driver/Driver.h"
#include "objfile/ObjectFile.h"
#include "parser/Compiler.h"
#include "parser/Errors.h"

namespace {

void PrintSummary(const CompileRequest& request) {
    if (request.printSummary && request.format == EDiagnosticFormat::eText)
        std::fputs("    0 error(s), 0 warning(s)\n", stdout);
}

}  // namespace

bool GenerateCode(CCompiler& compiler, CCodeGen& gen, const CompileRequest& request) {
    if (!GenerateUnit(compiler.m_pRoot.Get(), gen)) {
        Report(ParserError(compiler.m_Scanner.GetFileName(), compiler.m_Scanner.GetToken().m_nLine,
                           GetErrorText(eErrInternal)),
               request.format);
        return false;
    }
    return true;
}

bool GenerateAndWrite(CCompiler& compiler, const CompileRequest& request) {
    CCodeGen gen;
    if (!GenerateCode(compiler, gen, request)) return false;
    if (request.checkOnly) {
        PrintSummary(request);
        return true;
    }
    if (!SaveUnit(gen, request.output, compiler.m_strClassName,
                  compiler.m_pBaseClass->m_nClassNumber, request.guid)) {
        Report(FileError(request.output, 0, "Cannot write", request.output), request.format);
        return false;
    }
    PrintSummary(request);
    return true;
}
