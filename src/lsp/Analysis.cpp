// The compilation runs as the command line runs it (same directory rules,
// same include search) except that open documents shadow the disk and the
// symbol index watches the parse. A parse cut at a cursor runs the same way
// with a watcher that only waits for the stop. A fault inside the compiler becomes the
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

CCompileOptions OptionsFor(const std::string& unit, const SServerConfig& config, const CFileProvider& files) {
    CCompileOptions options;
    options.m_bWarnings = config.warnings;
    options.m_strDirectory = config.directory.empty() ? DirectoryOf(unit) : config.directory;
    options.m_IncludeDirs = config.includeDirs;
    options.m_pFiles = &files;
    // Every broken member: what the editor shows, and what lets a cut parse
    // reach a cursor below a broken member.
    options.m_bAllErrors = true;
    return options;
}

// Tells the compiler's stop to the caller of ParseToCursor.
class CStopWatcher : public CSymbolObserver {
public:
    explicit CStopWatcher(const std::function<void(const CCompiler&)>& stopped) : m_Stopped(stopped) {}
    void Declared(const SSymbolSite&, const SSymbolDeclaration&) override {}
    void Recorded(const CVariable&) override {}
    void Valued(int32_t) override {}
    void Used(const SSymbolSite&, const SSymbolUse&) override {}
    void Stopped(const CCompiler& compiler) override { m_Stopped(compiler); }

private:
    const std::function<void(const CCompiler&)>& m_Stopped;
};

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
    CCompileOptions options = OptionsFor(unit, config, files);
    options.m_pObserver = analysis->index.get();
    options.m_bUniqueDiagnostics = true;  // each warning once
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

bool ParseToCursor(const SCutSource& source, const CStopAt& stop,
                   const std::function<void(const CCompiler&)>& stopped, std::vector<CDiagnostic>* errors) {
    if (source.unit.empty()) return false;
    CDocumentFiles files(source.texts, source.files ? *source.files : PlatformFiles());
    CCompileOptions options = OptionsFor(source.unit, source.config, files);
    options.m_bWarnings = false;
    options.m_nMaxErrors = 0;  // every error before the cursor is recovered from
    CStopWatcher watcher(stopped);
    options.m_pObserver = &watcher;
    options.m_StopAt = stop;
    try {
        CCompileResult result = Compile(source.unit, options, GetBuiltinLibrary());
        if (errors) *errors = std::move(result.m_Diagnostics);
        return result.m_bStopped;
    } catch (const std::exception&) {
        return false;
    }
}
