// The globals of the built-in library. They start empty; the library
// construction fills them and its release empties the class list.
#include "semantic/Library.h"

CDynArray<CRefPtr<CType>> g_builtinClasses;

CRefPtr<CType> g_pIntType;
CRefPtr<CType> g_pStringType;
CRefPtr<CType> g_pVoidType;
CRefPtr<CType> g_pArrayType;
CRefPtr<CType> g_pRootClass;

CType* FindBuiltinClass(std::string_view name) {
    for (const CRefPtr<CType>& c : g_builtinClasses)
        if (c->m_strName == name) return c.Get();
    return nullptr;
}
