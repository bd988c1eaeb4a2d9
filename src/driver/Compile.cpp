// One script from the command line: the compilation, then what it reports
// in the order it arose, the object file, the summary line only once the
// file is safely in place, and last the depfile.
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

#include "compile/Paths.h"
#include "driver/Depfile.h"
#include "driver/Driver.h"
#include "driver/Process.h"
#include "objfile/ObjectFile.h"
#include "platform/Platform.h"

namespace {

CCompileOptions OptionsOf(const CompileRequest& request) {
    CCompileOptions o;
    o.m_bWarnings = request.warnings;
    o.m_bTree = request.printTree;
    o.m_bAllErrors = request.allErrors;
    o.m_nMaxErrors = request.maxErrors;
    o.m_bUniqueDiagnostics = request.uniqueDiagnostics;
    o.m_IncludeDirs = request.includeDirs;
    o.m_pTranslations = request.translations;
    return o;
}

void PrintSummary(const CompileRequest& request) {
    if (request.format != EDiagnosticFormat::eJson) std::fputs("    0 error(s), 0 warning(s)\n", stdout);
}

// The lines of the files diagnostics point at, each file read once.
class CSourceLines {
public:
    // The text of a line without its line end; "" when there is none.
    const std::string& Line(const std::string& path, int line) {
        auto [it, fresh] = m_Files.try_emplace(path);
        if (fresh) it->second = ReadLines(path);
        static const std::string kNone;
        return line > 0 && size_t(line) <= it->second.size() ? it->second[size_t(line) - 1] : kNone;
    }

private:
    // A file in UTF-16 is not shown: its bytes are not the text the scanner saw.
    static std::vector<std::string> ReadLines(const std::string& path) {
        std::vector<std::string> lines;
        std::ifstream in(platform::NativePath(path), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
        }
        if (!lines.empty() && lines[0].rfind("\xEF\xBB\xBF", 0) == 0) lines[0].erase(0, 3);
        if (!lines.empty() && lines[0].rfind("\xFF\xFE", 0) == 0) lines.clear();
        return lines;
    }

    std::map<std::string, std::vector<std::string>> m_Files;
};

void Print(const CDiagnostic& d, const CompileRequest& request, CSourceLines& sources) {
    if (request.format != EDiagnosticFormat::ePretty) return Report(d, request.format);
    std::string text = FormatPretty(d, sources.Line(d.file, d.line), request.colour);
    std::fwrite(text.data(), 1, text.size(), stdout);
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
    r.printTree = line.printTree && line.format != EDiagnosticFormat::eJson;
    r.checkOnly = line.check;
    r.allErrors = line.allErrors;
    r.maxErrors = line.maxErrors;
    r.uniqueDiagnostics = line.workflow;
    r.format = line.format;
    r.colour = line.colour;
    r.includeDirs = line.includeDirs;
    if (line.depfile && !line.check) r.depfile = DepfilePathFor(output);
    r.translations = &translations;
    return r;
}

int PrintResult(const CCompileResult& result, const CompileRequest& request) {
    const std::vector<CDiagnostic>& all = result.m_Diagnostics;
    CSourceLines sources;
    for (size_t i = 0; i <= all.size(); ++i) {
        if (i == result.m_nTreeAt) std::fputs(result.m_strTree.c_str(), stdout);
        if (i < all.size()) Print(all[i], request, sources);
    }
    switch (result.m_nStatus) {
    case ECompileStatus::eAccepted: return 0;
    case ECompileStatus::eInternal: return 3;
    default: return 1;
    }
}

namespace {

// Freeing a large unit's tree, types and code node by node costs about 6 %
// of the run at a million lines, just before the process returns all its
// memory at once anyway. The result stays reachable, so leak checkers do
// not count it; only the last one is kept.
void LeaveToExit(std::unique_ptr<CCompileResult> result) {
    static CCompileResult* s_pLast = nullptr;
    delete s_pLast;
    s_pLast = result.release();
}

int Finish(const CCompileResult& result, const CompileRequest& request) {
    if (int status = PrintResult(result, request)) return status;
    if (!request.checkOnly && !WriteObject(result, request)) return 1;
    PrintSummary(request);
    if (request.depfile.empty() || request.checkOnly) return 0;
    if (WriteDepfile(request.depfile, request.output, result.m_Files)) return 0;
    Report(FileError(request.depfile, 0, "Cannot write", request.depfile), request.format);
    return 1;
}

}  // namespace

int CompileScript(const CompileRequest& request) {
    auto result = std::make_unique<CCompileResult>(Compile(request.source, OptionsOf(request), GetBuiltinLibrary()));
    int status = Finish(*result, request);
    if (request.lastInProcess) LeaveToExit(std::move(result));
    return status;
}

int CompileGuarded(const CompileRequest& request) {
    std::string path = JoinWithCurrentDirectory(request.source);
    SetFaultLine(Format(InternalFault(path.empty() ? request.source : path), request.format));
    InjectFaultFor(request.source);
    return CompileScript(request);
}
