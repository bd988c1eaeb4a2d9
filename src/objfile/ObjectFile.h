// The object file: writing a generated unit for the game engine, reading one
// back, and binding a loaded unit the way the engine does. The unit is the
// code generator's image (CCodeGen); nothing here generates code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class CCodeGen;
class CStream;

// Writes to a temporary file beside path and renames it over path only when
// complete; false leaves any earlier file untouched.
bool SaveUnit(const CCodeGen& unit, const std::string& path, const std::string& className,
              int32_t classNumber, const uint8_t identifier[16]);
// Reads a body (the stream positioned after the container header) into unit.
// Refuses a wrong magic or version, a truncated body, bytes after the code,
// and counts that run past the data; on refusal the image is empty.
bool LoadUnit(CStream& stream, CCodeGen& unit);
// Binds a loaded unit for code at codeAddress and data at dataAddress:
// patches external calls and relocations in the code and moves the routine
// tables. Refuses (changing nothing) when a position lies outside the code or
// a built-in number has no entry in builtins.
bool BindUnit(CCodeGen& unit, uint32_t codeAddress, uint32_t dataAddress,
              const uint32_t* builtins, size_t builtinCount);
