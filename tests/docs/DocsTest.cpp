// Keeps the documentation honest: every Orvel C example in README.md and
// docs/*.md is compiled, the error reference lists the parser's catalogue
// in its order, and the shell sessions marked "checked" are run.
//
// Fenced blocks are read by their info string:
//   ```oc [NAME]        compiled with -w-; must succeed, or, when its first
//                       line is "// error: MESSAGE", fail with MESSAGE as
//                       the first error. NAME, when given, is the file name
//                       the block is written to (a checked session uses it).
//   ```console checked  each "$ PROGRAM ARGS" line is run (PROGRAM is orvelc,
//                       orvelc-dump or orvelc-run) in a folder holding the
//                       named blocks of the same file; the lines after it
//                       must be its output, where a line "..." stands for
//                       any number of lines.
// Failures name the file and the line of the block's opening fence.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

struct Block {
    std::string file;  // relative to the source folder, for messages
    int line = 0;      // of the opening fence
    std::string language;
    std::string argument;  // the word after the language, if any
    std::vector<std::string> lines;
    std::string Where() const { return file + ":" + std::to_string(line); }
    std::string Text() const {
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        return text;
    }
};

std::vector<Block> ReadBlocks(const fs::path& path) {
    std::vector<Block> blocks;
    std::vector<std::string> lines = Lines(ReadFile(path));
    Block* open = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("```", 0) != 0) {
            if (open) open->lines.push_back(l);
            continue;
        }
        if (open) {
            open = nullptr;
            continue;
        }
        Block b;
        b.file = fs::relative(path, ORVEL_SOURCE_DIR).string();
        b.line = int(i + 1);
        std::istringstream info(l.substr(3));
        info >> b.language >> b.argument;
        blocks.push_back(b);
        open = &blocks.back();
    }
    return blocks;
}

std::vector<fs::path> Documents() {
    std::vector<fs::path> docs = {fs::path(ORVEL_SOURCE_DIR) / "README.md"};
    std::vector<fs::path> more;
    for (auto& e : fs::directory_iterator(fs::path(ORVEL_SOURCE_DIR) / "docs"))
        if (e.path().extension() == ".md") more.push_back(e.path());
    std::sort(more.begin(), more.end());
    docs.insert(docs.end(), more.begin(), more.end());
    return docs;
}

// The message of the first error line ("PATH(LINE) : error CNNNN: TEXT").
std::string FirstError(const std::string& output) {
    static const std::regex kError(R"(^.*\(\d+\) : error C\d{4}: (.*)$)");
    for (const std::string& line : Lines(output)) {
        std::smatch m;
        if (std::regex_match(line, m, kError)) return m[1];
    }
    return "";
}

std::string ExpectedError(const Block& b) {
    const std::string prefix = "// error: ";
    if (b.lines.empty() || b.lines[0].rfind(prefix, 0) != 0) return "";
    return b.lines[0].substr(prefix.size());
}

// An empty string when the block behaves as it says, else what went wrong.
std::string CheckExample(const Block& b) {
    ScratchDir tmp;
    std::string name = b.argument.empty() ? "example.oc" : b.argument;
    WriteFile(tmp.path / name, b.Text());
    RunResult r = RunProgram(ORVELC_BINARY, {"-w-", name, "example.obj"}, tmp.path.string());
    std::string expected = ExpectedError(b);
    std::string got = FirstError(r.out);
    if (expected.empty() && r.status != 0) return "does not compile: " + got;
    if (!expected.empty() && (r.status != 1 || got != expected))
        return "expected the error '" + expected + "', got status " + std::to_string(r.status) +
               (got.empty() ? "" : " and '" + got + "'");
    return "";
}

TEST(Docs, EveryExampleCompilesOrFailsAsItSays) {
    size_t examples = 0;
    for (const fs::path& doc : Documents())
        for (const Block& b : ReadBlocks(doc)) {
            if (b.language != "oc") continue;
            ++examples;
            std::string problem = CheckExample(b);
            if (!problem.empty()) ADD_FAILURE() << b.Where() << ": " << problem;
        }
    EXPECT_GT(examples, 50u) << "the guide and the error reference hold most examples";
}

// The catalogue's messages in its order, each once; a code without a
// message of its own prints "Internal compiler error".
std::vector<std::string> CatalogueMessages() {
    std::vector<std::string> messages;
    auto add = [&messages](const char* text) {
        std::string m = text ? text : "Internal compiler error";
        if (std::find(messages.begin(), messages.end(), m) == messages.end()) messages.push_back(m);
    };
#define ERROR(name, code, text) add(text);
#include "parser/Errors.def"
#undef ERROR
    return messages;
}

struct Section {
    std::string heading;
    std::vector<std::string> lines;
};

// The "### `MESSAGE`" sections of the error reference.
std::vector<Section> MessageSections(const fs::path& path) {
    static const std::regex kHeading(R"(^### `(.*)`$)");
    std::vector<Section> sections;
    for (const std::string& line : Lines(ReadFile(path))) {
        std::smatch m;
        if (std::regex_match(line, m, kHeading))
            sections.push_back({m[1], {}});
        else if (line.rfind("#", 0) == 0)
            sections.push_back({"", {}});  // any other heading ends a section
        else if (!sections.empty())
            sections.back().lines.push_back(line);
    }
    std::erase_if(sections, [](const Section& s) { return s.heading.empty(); });
    return sections;
}

bool HasExampleOrReason(const Section& s) {
    for (const std::string& line : s.lines)
        if (line == "// error: " + s.heading || line.rfind("No example:", 0) == 0) return true;
    return false;
}

TEST(Docs, ErrorReferenceExplainsTheCatalogueInItsOrder) {
    std::vector<Section> sections = MessageSections(fs::path(ORVEL_SOURCE_DIR) / "docs" / "errors.md");
    std::vector<std::string> catalogue = CatalogueMessages();
    ASSERT_GE(sections.size(), catalogue.size()) << "docs/errors.md lacks messages of the catalogue";
    for (size_t i = 0; i < catalogue.size(); ++i) {
        EXPECT_EQ(sections[i].heading, catalogue[i]) << "message " << i + 1 << " of the catalogue";
        EXPECT_TRUE(HasExampleOrReason(sections[i]))
            << "'" << sections[i].heading << "' needs an example block or a line 'No example: why'";
    }
}

// True when the lines match the pattern, where "..." matches any run of lines.
bool MatchLines(const std::vector<std::string>& got, size_t g, const std::vector<std::string>& want, size_t w) {
    if (w == want.size()) return g == got.size();
    if (want[w] == "...") {
        for (size_t k = g; k <= got.size(); ++k)
            if (MatchLines(got, k, want, w + 1)) return true;
        return false;
    }
    return g < got.size() && got[g] == want[w] && MatchLines(got, g + 1, want, w + 1);
}

std::string ToolPath(const std::string& name) {
    static const std::map<std::string, std::string> kTools = {
        {"orvelc", ORVELC_BINARY},
#ifdef ORVELC_DUMP
        {"orvelc-dump", ORVELC_DUMP},
        {"orvelc-run", ORVELC_RUN},
#endif
    };
    auto it = kTools.find(name);
    return it == kTools.end() ? "" : it->second;
}

struct Command {
    std::vector<std::string> words;
    std::vector<std::string> output;
};

std::vector<Command> Commands(const Block& session) {
    std::vector<Command> commands;
    for (const std::string& line : session.lines) {
        if (line.rfind("$ ", 0) == 0)
            commands.push_back({SplitArgs(line.substr(2)), {}});
        else if (!commands.empty())
            commands.back().output.push_back(line);
    }
    return commands;
}

void RunSession(const Block& session, const std::vector<Block>& named) {
    ScratchDir tmp;
    for (const Block& b : named) WriteFile(tmp.path / b.argument, b.Text());
    for (const Command& c : Commands(session)) {
        ASSERT_FALSE(c.words.empty()) << session.Where();
        std::string tool = ToolPath(c.words[0]);
        if (tool.empty()) GTEST_SKIP() << session.Where() << ": " << c.words[0] << " is not built";
        std::vector<std::string> args(c.words.begin() + 1, c.words.end());
        RunResult r = RunProgram(tool, args, tmp.path.string());
        EXPECT_TRUE(MatchLines(Lines(r.out), 0, c.output, 0))
            << session.Where() << ": the output of '" << c.words[0] << "' differs:\n" << r.out;
    }
}

TEST(Docs, CheckedSessionsPrintWhatTheyShow) {
    size_t sessions = 0;
    for (const fs::path& doc : Documents()) {
        std::vector<Block> blocks = ReadBlocks(doc);
        std::vector<Block> named;
        for (const Block& b : blocks)
            if (b.language == "oc" && !b.argument.empty()) named.push_back(b);
        for (const Block& b : blocks)
            if (b.language == "console" && b.argument == "checked") {
                ++sessions;
                RunSession(b, named);
            }
    }
    EXPECT_GT(sessions, 0u);
}

TEST(Docs, LinePatternsSkipOnlyWhereTheyShowDots) {
    std::vector<std::string> out = {"a", "b", "c", "d"};
    EXPECT_TRUE(MatchLines(out, 0, {"a", "...", "d"}, 0));
    EXPECT_TRUE(MatchLines(out, 0, {"a", "b", "c", "d"}, 0));
    EXPECT_TRUE(MatchLines(out, 0, {"...", "c", "..."}, 0));
    EXPECT_FALSE(MatchLines(out, 0, {"a", "c", "d"}, 0));
    EXPECT_FALSE(MatchLines(out, 0, {"a", "b", "c"}, 0));
    EXPECT_FALSE(MatchLines(out, 0, {"a", "...", "e"}, 0));
}

}  // namespace
