// Helper of `make bench`: the language server's latencies on a generated
// script, measured in-process (the server and its worker thread, with the
// in-process client of the server's tests; no pipes, no JSON framing):
// from a change to its diagnostics, and from a request to its answer for
// completion, hover and signature help near the end of the script, where
// the parse cut at the cursor has the most to read. Prints one line per
// figure, "NAME MEDIAN_MS", each the median of ROUNDS.
//
//   orvel_lsp_bench LINES ROUNDS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchScript.h"
#include "LspHarness.h"
#include "lsp/Uri.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> xs) {
    std::sort(xs.begin(), xs.end());
    return xs[xs.size() / 2];
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The place of the last line that starts with `prefix`, `column` bytes in.
SPosition LastLine(const std::string& text, const std::string& prefix, int column) {
    CLineIndex lines(text);
    for (int line = lines.GetLineCount() - 1; line >= 0; --line)
        if (lines.GetLine(line).substr(0, prefix.size()) == prefix) return SPosition{line, column};
    return SPosition{};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvel_lsp_bench LINES ROUNDS\n");
        return 2;
    }
    const std::string text = GenerateBenchSources(std::atol(argv[1])).m_strScript;
    const int rounds = std::max(1, std::atoi(argv[2]));
    CScratch dir;
    CLspHarness client;
    client.Initialize({{"rootUri", PathToUri(dir.Path())}});
    std::string uri = client.Open(dir.File("bench.oc"), text);
    if (client.WaitForDiagnostics(uri).is_null()) return 1;

    // A statement of the last function, its call of the function before it,
    // and the assignment in the last handler.
    SPosition statement = LastLine(text, "        total = total + f", 8);
    SPosition call = SPosition{statement.line, int(std::string("        total = total + f260(").size())};
    SPosition builtin = LastLine(text, "        x = GetHP", 12);
    std::vector<double> diagnostics, completion, hover, signature;
    for (int round = 0; round < rounds; ++round) {
        // The edit adds a blank at the end, or takes it away again.
        Clock::time_point t = Clock::now();
        client.Change(uri, round % 2 ? text : text + " ", 2 + round);
        Json published = client.WaitFor("textDocument/publishDiagnostics",
                                        [&](const Json& p) { return p["uri"] == uri && p["version"] == 2 + round; });
        diagnostics.push_back(Since(t));
        if (published.is_null()) return 1;
        t = Clock::now();
        if (client.AskAt("textDocument/completion", uri, statement)["result"]["items"].empty()) return 1;
        completion.push_back(Since(t));
        t = Clock::now();
        if (client.AskAt("textDocument/hover", uri, builtin)["result"].is_null()) return 1;
        hover.push_back(Since(t));
        t = Clock::now();
        if (client.AskAt("textDocument/signatureHelp", uri, call)["result"].is_null()) return 1;
        signature.push_back(Since(t));
    }
    std::printf("diagnostics %.1f\ncompletion %.1f\nhover %.1f\nsignature %.1f\n", Median(diagnostics),
                Median(completion), Median(hover), Median(signature));
    return 0;
}
