// Globals of the built-in library that the semantic model and the parser
// read: the classes a script may name, the shared type records, and the
// registry that numbers built-in functions in creation order. The library
// construction fills them once per run.
#pragma once
#include <cstdint>
#include <string_view>

#include "semantic/Type.h"

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

extern CDynArray<CRefPtr<CType>> g_builtinClasses;
extern CBuiltinNumbers g_builtinFunctionNumbers;

// Shared type records: int, string, void, array of int, and the root class.
extern CRefPtr<CType> g_pIntType;
extern CRefPtr<CType> g_pStringType;
extern CRefPtr<CType> g_pVoidType;
extern CRefPtr<CType> g_pArrayType;
extern CRefPtr<CType> g_pRootClass;

// The nameable class with exactly this name, or null.
CType* FindBuiltinClass(std::string_view name);
