// One compilation of a document as the editor has it: the compiler's own
// diagnostics, the files it read and the symbol index of its parse. An
// analysis is made on the worker from a snapshot and never changes after;
// requests share it read-only.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compile/Compile.h"
#include "compile/Diagnostics.h"
#include "lsp/Config.h"
#include "lsp/SymbolIndex.h"
#include "support/Files.h"

struct SAnalysis {
    std::string unit;  // the compiled document, normalized
    std::vector<CDiagnostic> diagnostics;
    // Every file read, normalized, the unit first.
    std::vector<std::string> files;
    // Texts of the open documents the compilation could read, by normalized path.
    std::map<std::string, std::string> texts;
    std::unique_ptr<CSymbolIndex> index;

    bool Reads(const std::string& path) const;
};

// Compiles the document at `unit` (a path) with the open documents in
// `texts` over `fallback`.
std::shared_ptr<const SAnalysis> Analyze(const std::string& unit, std::map<std::string, std::string> texts,
                                         const SServerConfig& config, const CFileProvider& fallback,
                                         const CBuiltinLibrary& library);

// What a parse cut at a cursor compiles, as Analyze would: the unit that
// holds the document (the document itself, or the open document that
// includes it) over the open documents' texts.
struct SCutSource {
    std::string unit;  // "" when no open document holds the cursor's file
    std::map<std::string, std::string> texts;
    SServerConfig config;
    const CFileProvider* files = nullptr;  // null: the platform's
};

// Parses the unit up to `stop` and hands `stopped` the compiler as it stands
// there, before the token at the stop; false when the parse never got there
// (an error it could not recover from, a compiler fault). Whatever `stopped`
// keeps it must copy: the parse is freed when this returns. The errors met
// on the way go to `errors` when it is given.
bool ParseToCursor(const SCutSource& source, const CStopAt& stop,
                   const std::function<void(const CCompiler&)>& stopped,
                   std::vector<CDiagnostic>* errors = nullptr);
