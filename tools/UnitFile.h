// Reading a compiled unit for the tools: the container header as written
// (name, script-class number, identifier) and the body through LoadUnit. Anything that is not a whole object file is one error.
#pragma once
#include <cstdint>
#include <string>

#include "codegen/CodeGen.h"

struct SUnitHeader {
    uint8_t m_nFlags = 0;
    bool m_bHasName = false;
    std::string m_strName;
    bool m_bHasNumber = false;
    int32_t m_nClassNumber = 0;
    uint8_t m_Guid[16] = {};
};

// False with a one-line reason in error.
bool ReadUnitFile(const std::string& path, SUnitHeader& header, CCodeGen& unit, std::string& error);

// 8-4-4-4-12, as the compiler's -g option takes it.
std::string FormatGuid(const uint8_t guid[16]);
