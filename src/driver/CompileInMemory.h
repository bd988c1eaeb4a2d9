// Compiling a script without writing an object file, for tools that want the
// generated unit together with what the parser learned (state names, class
// variables, handlers). Diagnostics print exactly as the compiler prints them.
#pragma once
#include <string>

class CCodeGen;
class CCompiler;

// Parses the source at path into compiler and runs both translation passes
// into gen, jumps resolved. False after any diagnostic; gen is then unusable.
// The built-in library must already be built.
bool CompileInMemory(const std::string& path, CCompiler& compiler, CCodeGen& gen);
