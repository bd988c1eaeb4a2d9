// The generated benchmark sources: a unit script of a given length and the
// equivalent C program, so the compiler and tcc get the same work. `make
// bench` writes them through orvel_bench; a test compiles one and pins the
// digest of its object file, so the generator's output must not change.
//
// The script is a chain of blocks, each a function with locals, loops,
// conditions, arithmetic and calls to built-ins and to the previous block's
// function, plus a state that calls it. Nesting stays shallow whatever the
// length, and every name a block uses is defined before it.
#pragma once
#include <string>

struct SBenchSources {
    std::string m_strScript;
    std::string m_strProgram;
    long m_nScriptLines = 0;
    long m_nProgramLines = 0;
};

// Both sources, the script as close to `lines` lines as whole blocks allow
// (at least one block). With `broken`, that many of the script's functions,
// spread evenly, misspell a built-in (GetLocatonX), so each is one error.
SBenchSources GenerateBenchSources(long lines, long broken = 0);
