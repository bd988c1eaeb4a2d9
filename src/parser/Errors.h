// Parser error codes, named from the one catalogue in Errors.def.
#pragma once
#include <cstdint>

enum EParseError : int32_t {
#define ERROR(name, code, message) name = code,
#include "parser/Errors.def"
#undef ERROR
};
