// Adds a function, event or command with int result to a hand-built class.
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
