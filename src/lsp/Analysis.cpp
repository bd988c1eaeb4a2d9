// The compilation runs as the command line runs it (same directory rules,
// same include search) except that open documents shadow the disk and the
// symbol index watches the parse. A fault inside the compiler becomes the
// compiler's own internal-error diagnostic, never a dead server.
#include "lsp/Analysis.h"

#include <algorithm>

#include "compile/Compile.h"
#include "lsp/Documents.h"
#include "lsp/Uri.h"

namespace {

// The directory of a path, for documents outside any workspace folder.
std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

bool SAnalysis::Reads(const std::string& path) const {
    return std::find(files.begin(), files.end(), path) != files.end();
}

std::shared_ptr<const SAnalysis> Analyze(const std::string& unit, std::map<std::string, std::string> texts,
                                         const SServerConfig& config, const CFileProvider& fallback,
                                         const CBuiltinLibrary& library) {
    auto analysis = std::make_shared<SAnalysis>();
    analysis->unit = NormalizePath(unit);
    analysis->index = std::make_unique<CSymbolIndex>(library);
    CDocumentFiles files(texts, fallback);
    CCompileOptions options;
    options.m_bWarnings = config.warnings;
    options.m_strDirectory = config.directory.empty() ? DirectoryOf(unit) : config.directory;
    options.m_IncludeDirs = config.includeDirs;
    options.m_pFiles = &files;
    options.m_pObserver = analysis->index.get();
    // Every broken member, each warning once: what the editor shows.
    options.m_bAllErrors = true;
    options.m_bUniqueDiagnostics = true;
    try {
        CCompileResult result = Compile(unit, options, library);
        analysis->diagnostics = std::move(result.m_Diagnostics);
        for (const std::string& f : result.m_Files) analysis->files.push_back(NormalizePath(f));
    } catch (const std::exception&) {
        analysis->diagnostics = {InternalFault(unit)};
    }
    if (analysis->files.empty()) analysis->files.push_back(analysis->unit);
    for (auto& [path, text] : texts)
        if (analysis->Reads(NormalizePath(path))) analysis->texts[NormalizePath(path)] = std::move(text);
    return analysis;
}
