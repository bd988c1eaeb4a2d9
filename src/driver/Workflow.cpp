// The workflow run: read the options, prepare the start-up tables once,
// then compile one script in this process or a batch in child processes,
// printing each script's block in argument order and a final count.
#include "driver/Workflow.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "builtins/BuiltinLibrary.h"
#include "driver/Depfile.h"
#include "driver/Driver.h"
#include "driver/LibrarySnapshot.h"
#include "driver/Paths.h"
#include "driver/Process.h"
#include "driver/StartupFiles.h"
#include "platform/Platform.h"
#include "support/Str.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kBanner = "----------------- Orvel C Compiler v0.002 -----------------\n";

bool HasExtension(const fs::path& p, const std::string& ext) {
    std::string name = p.filename().string();
    return name.size() > ext.size() && EqualsNoCase(name.substr(name.size() - ext.size()), ext);
}

std::string ObjectName(const fs::path& relative, const std::string& objExt) {
    fs::path stem = relative;
    stem.replace_extension();
    return stem.string() + objExt;
}

class CBatchCollector {
public:
    CBatchCollector(const WorkflowOptions& o, std::vector<CBatchEntry>& entries, CDiagnostic& error)
        : m_Options(o), m_Entries(entries), m_Error(error) {}

    bool Add(const std::string& input, bool fromList);

private:
    void AddFile(const std::string& source, const fs::path& objectRelative);
    void AddDirectory(const std::string& dir);
    bool AddList(const std::string& input);

    const WorkflowOptions& m_Options;
    std::vector<CBatchEntry>& m_Entries;
    CDiagnostic& m_Error;
    std::set<std::string> m_Sources;
};

void CBatchCollector::AddFile(const std::string& source, const fs::path& objectRelative) {
    // The same script named twice (directly and through a directory, say)
    // is compiled once.
    std::string key = fs::path(JoinWithCurrentDirectory(source)).lexically_normal().string();
    if (!m_Sources.insert(key.empty() ? source : key).second) return;
    std::string object;
    if (!m_Options.outDir.empty())
        object = (fs::path(m_Options.outDir) / ObjectName(objectRelative, m_Options.objExt)).string();
    m_Entries.push_back({source, object});
}

void CBatchCollector::AddDirectory(const std::string& dir) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && HasExtension(it->path(), m_Options.ext))
            found.push_back(it->path().lexically_relative(dir));
    // Directory order is the file system's; sorted, a build is repeatable.
    std::sort(found.begin(), found.end());
    for (const fs::path& rel : found) AddFile((fs::path(dir) / rel).string(), rel);
}

bool CBatchCollector::AddList(const std::string& input) {
    std::string name = input.substr(1);
    std::ifstream in(platform::NativePath(name), std::ios::binary);
    if (name.empty() || !in) {
        m_Error = FileError(JoinWithCurrentDirectory(name), 0, "File not found", input);
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        size_t last = line.find_last_not_of(" \t\r");
        if (!Add(line.substr(first, last - first + 1), true)) return false;
    }
    return true;
}

bool CBatchCollector::Add(const std::string& input, bool fromList) {
    if (!fromList && input.size() > 1 && input[0] == '@') return AddList(input);
    std::error_code ec;
    if (fs::is_directory(platform::NativePath(input), ec))
        AddDirectory(platform::NativePath(input));
    else
        AddFile(input, fs::path(platform::NativePath(input)).filename());
    return true;
}

std::string Normal(const std::string& path) {
    std::string joined = JoinWithCurrentDirectory(path);
    return fs::path(joined.empty() ? path : joined).lexically_normal().string();
}

// Two scripts writing one object file would overwrite each other; an object
// file that is a script (--out-dir . --obj-ext .oc) would destroy it, and a
// depfile that is an object file likewise.
bool CheckDistinctOutputs(const std::vector<CBatchEntry>& entries, bool depfiles, CDiagnostic& error) {
    std::map<std::string, size_t> sources;
    for (size_t i = 0; i < entries.size(); ++i) sources.emplace(Normal(entries[i].source), i);
    std::map<std::string, size_t> outputs;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CBatchEntry& e = entries[i];
        std::vector<std::string> written = {e.object};
        if (depfiles) written.push_back(DepfilePathFor(e.object));
        for (const std::string& out : written) {
            std::string key = Normal(out);
            std::string path = Normal(e.source);
            auto script = sources.find(key);
            if (script != sources.end()) {
                error = FileError(path, 0, "Output file", out);
                error.message += " would replace the script '" + entries[script->second].source + "'";
                return false;
            }
            auto [it, fresh] = outputs.emplace(key, i);
            if (!fresh) {
                error = FileError(path, 0, "Output file", out);
                error.message += " is written for '" + entries[it->second].source + "' already";
                return false;
            }
        }
    }
    return true;
}

void PrintText(const WorkflowOptions& o, const std::string& text) {
    if (o.format == EDiagnosticFormat::eText) std::fputs(text.c_str(), stdout);
}

// The classic "Invalid parameters" with the reason; a bare line in text,
// a diagnostic without a file in JSON.
void ReportUsageError(const std::string& reason, EDiagnosticFormat format) {
    CDiagnostic d;
    d.message = "Invalid parameters: " + reason + " (orvelc --help lists the options)";
    if (format == EDiagnosticFormat::eJson)
        Report(d, format);
    else
        std::fputs((d.message + "\n").c_str(), stdout);
}

CompileRequest MakeRequest(const WorkflowOptions& o, const std::string& source, const std::string& output) {
    CompileRequest r;
    r.source = source;
    r.output = output;
    r.warnings = o.warnings;
    // JSON output is for programs and holds nothing but diagnostics.
    r.printTree = o.printTree && o.format == EDiagnosticFormat::eText;
    r.checkOnly = o.check;
    r.format = o.format;
    r.includeDirs = o.includeDirs;
    if (o.depfile && !o.check) r.depfile = DepfilePathFor(output);
    return r;
}

// Compiles in this process; a fault prints one line and ends it with 3.
bool CompileGuarded(const CompileRequest& request) {
    std::string path = JoinWithCurrentDirectory(request.source);
    CDiagnostic fault = InternalFault(path.empty() ? request.source : path);
    SetFaultLine(request.format == EDiagnosticFormat::eJson ? FormatJson(fault) : FormatText(fault));
    InjectFaultFor(request.source);
    return CompileScript(request);
}

int RunSingle(const WorkflowOptions& o) {
    CompileRequest request = MakeRequest(o, o.inputs[0], o.inputs[1]);
    if (o.guidGiven)
        std::copy(o.guid, o.guid + 16, request.guid);
    else
        platform::NewGuid(request.guid);
    return CompileGuarded(request) ? 0 : 1;
}

class CBatchRun {
public:
    explicit CBatchRun(const WorkflowOptions& o) : m_Options(o) {}
    int Run(const std::vector<CBatchEntry>& entries);

private:
    void Done(const CBatchEntry& entry, const CJobOutcome& outcome);

    const WorkflowOptions& m_Options;
    int m_nCompiled = 0, m_nFailed = 0, m_nUpToDate = 0;
    bool m_bFault = false;
};

void CBatchRun::Done(const CBatchEntry& entry, const CJobOutcome& outcome) {
    PrintText(m_Options, entry.source + "\n");
    std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout);
    if (outcome.crashed) {
        std::string path = JoinWithCurrentDirectory(entry.source);
        Report(InternalFault(path.empty() ? entry.source : path), m_Options.format);
    }
    if (outcome.crashed || outcome.status == 3) m_bFault = true;
    if (outcome.status == 0 && !outcome.crashed)
        ++m_nCompiled;
    else
        ++m_nFailed;
}

int CBatchRun::Run(const std::vector<CBatchEntry>& entries) {
    // Up-to-date scripts are settled here; the rest go to the children.
    std::vector<size_t> work;
    std::vector<bool> skipped(entries.size(), false);
    bool incremental = m_Options.depfile && !m_Options.force && !m_Options.check;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (incremental && IsUpToDate(entries[i].object, DepfilePathFor(entries[i].object)))
            skipped[i] = true;
        else
            work.push_back(i);
    }
    // Fresh identifiers are drawn here, so no two children can share one.
    std::vector<std::array<uint8_t, 16>> guids(entries.size());
    for (auto& g : guids) platform::NewGuid(g.data());

    // In-process jobs must each start from the library as it was built.
    CConstantsSnapshot pristine;
    size_t shown = 0;
    auto showSkipped = [&](size_t upTo) {
        for (; shown < upTo; ++shown) {
            if (!skipped[shown]) continue;
            PrintText(m_Options, entries[shown].source + "\n    up to date\n");
            ++m_nUpToDate;
        }
    };
    RunJobs(
        work.size(), m_Options.jobs,
        [&](size_t k) {
            const CBatchEntry& e = entries[work[k]];
            CompileRequest request = MakeRequest(m_Options, e.source, e.object);
            std::copy(guids[work[k]].begin(), guids[work[k]].end(), request.guid);
            bool ok = CompileGuarded(request);
            if (!JobsRunInChildren()) pristine.Restore();
            return ok ? 0 : 1;
        },
        [&](size_t k, const CJobOutcome& outcome) {
            showSkipped(work[k]);
            Done(entries[work[k]], outcome);
            shown = work[k] + 1;
        });
    showSkipped(entries.size());
    std::string summary = std::to_string(m_nCompiled) + " compiled, " + std::to_string(m_nFailed) + " failed";
    if (m_nUpToDate) summary += ", " + std::to_string(m_nUpToDate) + " up to date";
    PrintText(m_Options, summary + "\n");
    return m_bFault ? 3 : m_nFailed ? 1 : 0;
}

int RunBatch(const WorkflowOptions& o) {
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    if (!CollectBatch(o, entries, error)) {
        Report(error, o.format);
        return 1;
    }
    CBatchRun run(o);
    return run.Run(entries);
}

}  // namespace

bool CollectBatch(const WorkflowOptions& options, std::vector<CBatchEntry>& entries, CDiagnostic& error) {
    CBatchCollector collector(options, entries, error);
    for (const std::string& input : options.inputs)
        if (!collector.Add(input, false)) return false;
    return options.outDir.empty() || options.check || CheckDistinctOutputs(entries, options.depfile, error);
}

int RunWorkflow(int argc, char** argv) {
    WorkflowOptions o;
    OptionsError error;
    bool ok = ParseWorkflowOptions(argc, argv, o, error);
    if (ok && o.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (ok && o.version) {
        std::fputs(VersionText(), stdout);
        return 0;
    }
    PrintText(o, kBanner);
    PrintText(o, "Compiling...\n");
    if (!ok) {
        if (error.badGuid) {
            CDiagnostic d = ParserError(error.guidNext, 0, ("Invalid guid " + error.guidText).c_str());
            Report(d, o.format);
        } else {
            ReportUsageError(error.reason, o.format);
        }
        return 1;
    }
    CDiagnostic fault = InternalFault("orvelc");
    SetFaultLine(o.format == EDiagnosticFormat::eJson ? FormatJson(fault) : FormatText(fault));
    LoadTranslations(StartupFilePath("language.lan"));
    BuildBuiltinLibrary();
    LoadScriptIndex(StartupFilePath("OrvelCEx.idx"), o.format);
    int status = o.IsBatch() ? RunBatch(o) : RunSingle(o);
    ReleaseBuiltinLibrary();
    std::fflush(stdout);
    return status;
}
