// What the tools need to know about the built-in library: each built-in
// function by its number (with the class that declares it), the script
// classes by their numbers, and the flattened event and command lists that
// the unit's tables are indexed by.
#pragma once
#include <string>
#include <vector>

#include "semantic/Function.h"

struct SBuiltinEntry {
    const CFunction* m_pFunction = nullptr;
    const CType* m_pOwner = nullptr;
};

class CBuiltinIndex {
public:
    // Builds the library when needed and indexes it.
    CBuiltinIndex();

    size_t GetCount() const { return m_Functions.size(); }
    // Null entry for a number that no built-in function has.
    SBuiltinEntry Get(uint32_t number) const;
    // The class with this script-class number, or null.
    const CType* ClassByNumber(int32_t number) const;

    // "root", or the class's name.
    static std::string ClassName(const CType* type);
    static std::string TypeName(const CType* type);
    // "int Name(string, unit)".
    static std::string Signature(const CFunction& f);
    // Events or commands of a class, ancestors first: position = table index.
    static std::vector<const CFunction*> Events(const CType* type);
    static std::vector<const CFunction*> Commands(const CType* type);

private:
    void AddClass(const CType* type);

    std::vector<SBuiltinEntry> m_Functions;
    std::vector<const CType*> m_Classes;
};
