// The game's object model as semantic records, built from the built-in
// tables and shared read-only by every compilation, on any thread. Every
// record reachable from the library is immortal: counting a reference to it
// writes nothing, and no compilation changes it (a script's constants live
// on its own class node).
//
// Built in two steps, so a script pays only for the classes it names: the
// class records themselves (names, parents, numbers) come first; a class's
// members (and its parents') are filled the first time the library hands
// the class out by name or number. Members are only ever reached through a
// class handed out that way (a variable's or the script's base class, or
// their parents), and a class's identity (kind and name, which is all type
// checking compares) is there from the start. Each class is filled once,
// whichever thread asks first; the others wait for it.
#pragma once
#include <mutex>
#include <string_view>
#include <vector>

#include "builtins/BuiltinTables.h"
#include "semantic/Type.h"
#include "support/NameIndex.h"

class CBuiltinLibrary {
public:
    CBuiltinLibrary(const CBuiltinLibrary&) = delete;
    CBuiltinLibrary& operator=(const CBuiltinLibrary&) = delete;

    // The classes a script may name, in the order of their class numbers,
    // every one filled.
    const std::vector<CType*>& GetClasses() const;
    // The nameable class with exactly this name, filled, or null.
    CType* FindClass(std::string_view name) const;
    // Any class of the tree, the abstract ones and the nameless root included.
    CType* GetClass(EBuiltinClass c) const {
        Fill(c);
        return m_All[int(c)];
    }
    CType* GetRootClass() const { return GetClass(EBuiltinClass::eRoot); }
    // Array of int; its parent is the root class, which holds $GetAt and $SetAt.
    CType* GetArrayType() const {
        Fill(EBuiltinClass::eRoot);
        return m_pArray;
    }

private:
    friend const CBuiltinLibrary& GetBuiltinLibrary();
    CBuiltinLibrary();
    // Fills the members of c and of its parents, each once.
    void Fill(EBuiltinClass c) const;
    void FillMembers(EBuiltinClass c) const;
    std::string_view NameAt(uint32_t i) const { return m_Classes[i]->m_strName; }

    CType* m_All[kBuiltinClassCount] = {};
    CType* m_pArray = nullptr;
    std::vector<CType*> m_Classes;
    // Positions in m_Classes (the nameable order) by exact name: the parser
    // asks about nearly every word it reads.
    CNameIndex m_ByName;
    mutable std::once_flag m_Filled[kBuiltinClassCount];
};

// The library of this process: built by the first call (threads that call at
// once wait for that one build), each function numbered as its table row says.
const CBuiltinLibrary& GetBuiltinLibrary();
