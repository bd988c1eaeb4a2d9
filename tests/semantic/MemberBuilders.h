// Adds a function, event or command with int result to a hand-built class,
// and breaks the links of such a class when the test is done with it: a
// member whose parameter names its own class is a cycle of counted records.
#pragma once
#include <initializer_list>

#include "semantic/Function.h"
#include "semantic/Type.h"

template <class T, class Add>
T* AddMember(CType* cls, const char* name, CType* result, std::initializer_list<CType*> params, Add add) {
    CRefPtr<T> m = MakeRef<T>(name, result);
    for (CType* p : params) m->AddParam(p);
    (cls->*add)(m.Get());
    return m.Get();
}

inline void BreakLinks(CType* cls) {
    cls->m_pFunctions = nullptr;
    cls->m_pEvents = nullptr;
    cls->m_pCommands = nullptr;
    cls->m_pParent = nullptr;
}
