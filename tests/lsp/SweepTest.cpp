// Every prefix of every script of the command-line corpus, as if typed one
// character at a time with the cursor at its end, gets an answer to
// completion and signature help: no fault, no exception, the answer's shape.
// Every 16th prefix is also compiled whole, and hover, definition,
// references and prepare-rename answer at its end. The features are called
// in-process, without the server's threads, so the sweep stays within
// seconds; a sanitizer build, several times slower, takes every 7th prefix.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "lsp/Features.h"
#include "lsp/Uri.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStep = 7;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kStep = 7;
#else
constexpr size_t kStep = 1;
#endif
#else
constexpr size_t kStep = 1;
#endif
constexpr size_t kWholeEvery = 16;

std::vector<std::string> CorpusScripts() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(ORVEL_SOURCE_DIR "/tests/data/cases"))
        if (e.is_regular_file() && e.path().extension() == ".oc") out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The features at the end of `prefix`, as the file at `path` reads it.
void AnswerAtEnd(const std::string& path, const std::string& prefix, bool whole) {
    SFeatureInput input;
    input.path = path;
    input.text = prefix;
    input.cut.unit = path;
    input.cut.texts[path] = prefix;
    SPosition end = CLineIndex(prefix).ToPosition(prefix.size(), input.encoding);
    Json completion = Completion(input, end);
    ASSERT_TRUE(completion["items"].is_array()) << path << " at " << prefix.size();
    Json help = SignatureHelp(input, end);
    ASSERT_TRUE(help.is_null() || help["signatures"].is_array()) << path << " at " << prefix.size();
    if (!whole) return;
    input.analysis = Analyze(path, input.cut.texts, input.cut.config, PlatformFiles(), GetBuiltinLibrary());
    SPosition last{end.line, end.character > 0 ? end.character - 1 : 0};
    for (SPosition at : {end, last}) {
        Hover(input, at);
        Definition(input, at);
        References(input, at, true);
        try {
            PrepareRename(input, at);
        } catch (const SRefusal&) {
        }
    }
}

TEST(Sweep, EveryPrefixOfTheCorpusGetsAnAnswer) {
    std::vector<std::string> scripts = CorpusScripts();
    ASSERT_GT(scripts.size(), 200u);
    size_t answered = 0;
    for (const std::string& script : scripts) {
        std::string path = NormalizePath(script);
        std::string text = Read(path);
        for (size_t n = 0; n <= text.size(); n += kStep, ++answered) {
            AnswerAtEnd(path, text.substr(0, n), n % (kStep * kWholeEvery) == 0);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(answered, 40000u / kStep);
}

}  // namespace
