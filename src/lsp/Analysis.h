// One compilation of a document as the editor has it: the compiler's own
// diagnostics, the files it read and the symbol index of its parse. An
// analysis is made on the worker from a snapshot and never changes after;
// requests share it read-only.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

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
