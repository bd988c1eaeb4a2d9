// --all-errors against the classic compiler on mended scripts. Each broken
// line of the scripts under cases/allerrors carries its mend:
//     count = Sped;        //!1 count = Speed;
// "//!N TEXT" says that with error N mended the line reads TEXT (the marker
// is a comment, so the broken script compiles as it stands). For every
// error N that --all-errors reports, the classic compiler, given a copy with
// the errors before N mended, must report exactly error N first; with every
// error mended it must accept the script. So each later error is checked to
// be what the compiler says once the earlier broken members are put right,
// and the mends themselves are checked to be real mends. The exact JSON and
// pretty output of each case is pinned by its own "expected" file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

struct SMend {
    int error = 0;
    std::string text;
};

// file (relative to the case) -> line number -> mend
using CMends = std::map<std::string, std::map<int, SMend>>;

struct SError {
    std::string file;  // relative to the case
    int line = 0;
    std::string message;
};

CMends FindMends(const fs::path& dir) {
    CMends mends;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        if (!e.is_regular_file() || name == "args" || name == "expected") continue;
        std::vector<std::string> lines = Lines(ReadFile(e.path()));
        for (size_t i = 0; i < lines.size(); ++i) {
            size_t at = lines[i].find("//!");
            if (at == std::string::npos) continue;
            std::istringstream marker(lines[i].substr(at + 3));
            SMend m;
            marker >> m.error;
            std::getline(marker >> std::ws, m.text);
            mends[fs::relative(e.path(), dir).string()][int(i + 1)] = m;
        }
    }
    return mends;
}

// A copy of the case in `to` with the mends of errors below `upTo` applied.
void WriteMended(const fs::path& from, const fs::path& to, const CMends& mends, int upTo) {
    fs::copy(from, to, fs::copy_options::recursive);
    for (const auto& [file, lines] : mends) {
        std::vector<std::string> text = Lines(ReadFile(from / file));
        for (const auto& [line, mend] : lines)
            if (mend.error < upTo) text[size_t(line - 1)] = mend.text;
        std::string joined;
        for (const std::string& l : text) joined += l + "\n";
        WriteFile(to / file, joined);
    }
}

std::vector<SError> AllErrors(const fs::path& dir) {
    RunResult r = RunProgram(ORVELC_BINARY, {"--check", "--all-errors", "--diagnostics=json", "-w-", "main.oc"},
                             dir.string());
    std::vector<SError> errors;
    for (const std::string& line : Lines(r.out)) {
        nlohmann::json d = nlohmann::json::parse(line);
        if (d["severity"] == "error")
            errors.push_back({fs::relative(d["file"].get<std::string>(), dir).string(), d["line"], d["message"]});
    }
    return errors;
}

// The first line the classic command line prints after its banner.
std::string ClassicFirstLine(const fs::path& dir, int& status) {
    RunResult r = RunProgram(ORVELC_BINARY, {"-w-", "main.oc", "out.obj"}, dir.string());
    status = r.status;
    std::string out = r.out;
    if (!TakeBanner(out)) return "no banner: " + r.out;
    return out.substr(0, out.find('\n'));
}

std::vector<fs::path> MendedCases() {
    std::vector<fs::path> dirs;
    for (const auto& e : fs::directory_iterator(fs::path(ORVEL_TEST_DATA) / "cases" / "allerrors"))
        if (e.is_directory() && !FindMends(e.path()).empty()) dirs.push_back(e.path());
    std::sort(dirs.begin(), dirs.end());
    return dirs;
}

class Mend : public ::testing::TestWithParam<fs::path> {};

TEST_P(Mend, EachLaterErrorIsTheClassicErrorOnceTheEarlierAreMended) {
    const fs::path& dir = GetParam();
    CMends mends = FindMends(dir);
    std::vector<SError> errors = AllErrors(dir);
    ASSERT_GE(errors.size(), 2u) << "a case shows several errors";
    int highest = 0;
    for (const auto& [file, lines] : mends)
        for (const auto& [line, mend] : lines) highest = std::max(highest, mend.error);
    EXPECT_EQ(int(errors.size()), highest) << "one mend for each error";

    for (size_t k = 0; k <= errors.size(); ++k) {
        ScratchDir tmp;
        WriteMended(dir, tmp.path / "case", mends, int(k + 1));
        int status = -1;
        std::string first = ClassicFirstLine(tmp.path / "case", status);
        if (k == errors.size()) {
            EXPECT_EQ(0, status) << "with every error mended: " << first;
            continue;
        }
        const SError& e = errors[k];
        EXPECT_EQ((tmp.path / "case" / e.file).string() + "(" + std::to_string(e.line) + ") : error C0000: " + e.message,
                  first)
            << "error " << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Mend, ::testing::ValuesIn(MendedCases()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                             return info.param.filename().string();
                         });

}  // namespace
