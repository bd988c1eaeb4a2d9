// Bridges from the semantic records to the encoder's small operand records,
// so the translation can hand variables, names and constants to the
// instruction sequences without the encoder knowing the records' layout.
#pragma once
#include "codegen/CodeGen.h"
#include "semantic/Function.h"
#include "semantic/Variable.h"

inline CVarSlot SlotOf(const CVariable& v) {
    return CVarSlot{int32_t(v.m_nKind), v.m_nSlot};
}

// object: the qualifying object variable of `object.variable`, or null.
inline CNameRef NameOf(const CVariable& v, const CVariable* object) {
    CNameRef name;
    name.m_Var = SlotOf(v);
    if (object) {
        name.m_bQualified = true;
        name.m_Object = SlotOf(*object);
    }
    return name;
}

// A constant's value record: an int-typed value (null included) is an
// integer, a string-typed one is stored in the data block once, through
// dataIndex (the value's remembered offset, -1 until stored).
inline CConstRef ConstOf(const CType* type, int32_t value, std::string_view text,
                         int32_t* dataIndex) {
    CConstRef c;
    c.m_nValue = value;
    if (type && type->m_nKind == CType::eInt) {
        c.m_nKind = CConstRef::eInteger;
    } else if (type && type->m_nKind == CType::eString) {
        c.m_nKind = CConstRef::eString;
        c.m_strText = text;
        c.m_pDataIndex = dataIndex;
    }
    return c;
}
