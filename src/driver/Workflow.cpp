// A batch of the workflow form: the scripts the inputs name, compiled in
// child processes (at most -j at a time), each script's block printed in
// argument order, then a final count.
#include "driver/Workflow.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "compile/Paths.h"
#include "driver/Depfile.h"
#include "driver/Driver.h"
#include "driver/Process.h"
#include "platform/Platform.h"
#include "support/Str.h"

namespace fs = std::filesystem;

namespace {

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
    CBatchCollector(const CommandLine& o, std::vector<CBatchEntry>& entries, CDiagnostic& error)
        : m_Options(o), m_Entries(entries), m_Error(error) {}

    bool Add(const std::string& input, bool fromList);

private:
    void AddFile(const std::string& source, const fs::path& objectRelative);
    void AddDirectory(const std::string& dir);
    bool AddList(const std::string& input);

    const CommandLine& m_Options;
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

// Headers and counts are for people; JSON holds nothing but diagnostics.
void PrintText(const CommandLine& o, const std::string& text) {
    if (o.format != EDiagnosticFormat::eJson) std::fputs(text.c_str(), stdout);
}

class CBatchRun {
public:
    CBatchRun(const CommandLine& o, const CTranslations& translations)
        : m_Options(o), m_Translations(translations) {}
    int Run(const std::vector<CBatchEntry>& entries);

private:
    void Done(const CBatchEntry& entry, const CJobOutcome& outcome);

    const CommandLine& m_Options;
    const CTranslations& m_Translations;
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
            CompileRequest request = MakeRequest(m_Options, e.source, e.object, m_Translations);
            std::copy(guids[work[k]].begin(), guids[work[k]].end(), request.guid);
            return CompileGuarded(request);
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

}  // namespace

int RunBatch(const CommandLine& o, const CTranslations& translations) {
    std::vector<CBatchEntry> entries;
    CDiagnostic error;
    if (!CollectBatch(o, entries, error)) {
        Report(error, o.format);
        return 1;
    }
    CBatchRun run(o, translations);
    return run.Run(entries);
}

bool CollectBatch(const CommandLine& options, std::vector<CBatchEntry>& entries, CDiagnostic& error) {
    CBatchCollector collector(options, entries, error);
    for (const std::string& input : options.inputs)
        if (!collector.Add(input, false)) return false;
    return options.outDir.empty() || options.check || CheckDistinctOutputs(entries, options.depfile, error);
}
