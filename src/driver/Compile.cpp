// One script from the command line: the compilation, then what it reports
// in the order it arose, the object file, the summary line only once the
// file is safely in place, and last the depfile.
#include <cstdio>

#include "compile/Paths.h"
#include "driver/Depfile.h"
#include "driver/Driver.h"
#include "driver/Process.h"
#include "objfile/ObjectFile.h"

namespace {

CCompileOptions OptionsOf(const CompileRequest& request) {
    CCompileOptions o;
    o.m_bWarnings = request.warnings;
    o.m_bTree = request.printTree;
    o.m_IncludeDirs = request.includeDirs;
    o.m_pTranslations = request.translations;
    return o;
}

void PrintSummary(const CompileRequest& request) {
    if (request.format == EDiagnosticFormat::eText) std::fputs("    0 error(s), 0 warning(s)\n", stdout);
}

bool WriteObject(const CCompileResult& result, const CompileRequest& request) {
    if (SaveUnit(*result.m_pUnit, request.output, result.m_strClassName, result.m_pBaseClass->m_nClassNumber,
                             request.guid))
        return true;
    Report(FileError(request.output, 0, "Cannot write", request.output), request.format);
    return false;
}

}  // namespace

CompileRequest MakeRequest(const CommandLine& line, const std::string& source, const std::string& output,
                           const CTranslations& translations) {
    CompileRequest r;
    r.source = source;
    r.output = output;
    r.warnings = line.warnings;
    // JSON output is for programs and holds nothing but diagnostics.
    r.printTree = line.printTree && line.format == EDiagnosticFormat::eText;
    r.checkOnly = line.check;
    r.format = line.format;
    r.includeDirs = line.includeDirs;
    if (line.depfile && !line.check) r.depfile = DepfilePathFor(output);
    r.translations = &translations;
    return r;
}

int PrintResult(const CCompileResult& result, const CompileRequest& request) {
    const std::vector<CDiagnostic>& all = result.m_Diagnostics;
    for (size_t i = 0; i <= all.size(); ++i) {
        if (i == result.m_nTreeAt) std::fputs(result.m_strTree.c_str(), stdout);
        if (i < all.size()) Report(all[i], request.format);
    }
    switch (result.m_nStatus) {
    case ECompileStatus::eAccepted: return 0;
    case ECompileStatus::eInternal: return 3;
    default: return 1;
    }
}

int CompileScript(const CompileRequest& request) {
    CCompileResult result = Compile(request.source, OptionsOf(request), GetBuiltinLibrary());
    if (int status = PrintResult(result, request)) return status;
    if (!request.checkOnly && !WriteObject(result, request)) return 1;
    PrintSummary(request);
    if (request.depfile.empty() || request.checkOnly) return 0;
    if (WriteDepfile(request.depfile, request.output, result.m_Files)) return 0;
    Report(FileError(request.depfile, 0, "Cannot write", request.depfile), request.format);
    return 1;
}

int CompileGuarded(const CompileRequest& request) {
    std::string path = JoinWithCurrentDirectory(request.source);
    SetFaultLine(Format(InternalFault(path.empty() ? request.source : path), request.format));
    InjectFaultFor(request.source);
    return CompileScript(request);
}
