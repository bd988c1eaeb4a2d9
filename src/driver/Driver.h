// One compilation as the command line asks for it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "driver/Diagnostics.h"

struct CompileRequest {
    std::string source;
    std::string output;
    uint8_t guid[16] = {};
    bool warnings = true;
    bool printTree = false;  // --tree: list the syntax tree after the parse
    bool checkOnly = false;  // generate but write no object file
    bool printSummary = true;                  // the "0 error(s)" line after success
    EDiagnosticFormat format = EDiagnosticFormat::eText;
    std::vector<std::string> includeDirs;      // searched after the current directory
    std::string depfile;                       // written after success when not empty
};

// True when the whole source was accepted and the object file was written
// (or, with checkOnly, would have been).
bool CompileScript(const CompileRequest& request);

class CCompiler;
// Generates the code of an accepted script and writes the object file.
bool GenerateAndWrite(CCompiler& compiler, const CompileRequest& request);

class CCodeGen;
// Both translation passes of an accepted script into gen, jumps resolved.
bool GenerateCode(CCompiler& compiler, CCodeGen& gen, const CompileRequest& request);
// The compile flow up to the resolved unit in memory: no file is written.
bool CompileToUnit(const CompileRequest& request, CCompiler& compiler, CCodeGen& gen);
