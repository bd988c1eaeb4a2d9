// The compile flow up to the resolved unit, kept in memory: the same parse
// (include files and directories included) and translation as orvelc's, so a
// tool sees the unit that orvelc would write.
#include "driver/CompileInMemory.h"

#include "driver/Driver.h"

bool CompileInMemory(const std::string& source, CCompiler& compiler, CCodeGen& gen) {
    CompileRequest request;
    request.source = source;
    request.warnings = false;
    return CompileToUnit(request, compiler, gen);
}
