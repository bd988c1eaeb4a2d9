// Globals of the built-in library that the semantic model and the parser
// read: the classes a script may name and the shared type records. The
// library construction fills them once per run.
#pragma once
#include <cstdint>
#include <string_view>

#include "semantic/Type.h"

extern CDynArray<CRefPtr<CType>> g_builtinClasses;

// Shared type records: int, string, void, array of int, and the root class.
extern CRefPtr<CType> g_pIntType;
extern CRefPtr<CType> g_pStringType;
extern CRefPtr<CType> g_pVoidType;
extern CRefPtr<CType> g_pArrayType;
extern CRefPtr<CType> g_pRootClass;

// The nameable class with exactly this name, or null.
CType* FindBuiltinClass(std::string_view name);
