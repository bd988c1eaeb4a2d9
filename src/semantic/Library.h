// The registry that numbers built-in functions in creation order. The
// library construction fills it once per process, before any compilation
// starts; afterwards it is only read.
#pragma once
#include <cstdint>

#include "support/DynArray.h"
#include "support/Str.h"

// Hands out built-in function numbers 0, 1, 2 ... and remembers each name.
class CBuiltinNumbers {
public:
    int32_t Take(const CStr& name) {
        m_Names.Add(name);
        return int32_t(m_Names.GetSize() - 1);
    }
    size_t GetSize() const { return m_Names.GetSize(); }
    const CStr& GetName(int32_t number) const { return m_Names[size_t(number)]; }

private:
    CDynArray<CStr> m_Names;
};

extern CBuiltinNumbers g_builtinFunctionNumbers;
