// The game's object model as semantic records, built from the built-in
// tables once per process on first use and shared read-only by every
// compilation, on any thread. Every record reachable from the library is
// immortal: counting a reference to it writes nothing, and no compilation
// changes it (a script's constants live on its own class node).
#pragma once
#include <string_view>
#include <vector>

#include "builtins/BuiltinTables.h"
#include "semantic/Type.h"

class CBuiltinLibrary {
public:
    CBuiltinLibrary(const CBuiltinLibrary&) = delete;
    CBuiltinLibrary& operator=(const CBuiltinLibrary&) = delete;

    // The classes a script may name, in the order of their class numbers.
    const std::vector<CType*>& GetClasses() const { return m_Classes; }
    // The nameable class with exactly this name, or null.
    CType* FindClass(std::string_view name) const;
    // Any class of the tree, the abstract ones and the nameless root included.
    CType* GetClass(EBuiltinClass c) const { return m_All[int(c)]; }
    CType* GetRootClass() const { return GetClass(EBuiltinClass::eRoot); }
    // Array of int; its parent is the root class, which holds $GetAt and $SetAt.
    CType* GetArrayType() const { return m_pArray; }

private:
    friend const CBuiltinLibrary& GetBuiltinLibrary();
    CBuiltinLibrary();
    void FreezeRecords();

    CType* m_All[kBuiltinClassCount] = {};
    CType* m_pArray = nullptr;
    std::vector<CType*> m_Classes;
};

// The library of this process: built by the first call (threads that call at
// once wait for that one build), each function numbered as its table row says.
const CBuiltinLibrary& GetBuiltinLibrary();
