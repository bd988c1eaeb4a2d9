// A jump target. The translation creates labels as it goes and owns them for
// one routine; a label is placed at a code position, and
// every jump to it is written with a zero displacement and recorded as a
// fixup, which holds the label until the jumps are resolved. Labels belong to
// code generation alone: nothing in the syntax tree refers to them.
#pragma once
#include <cstdint>

#include "support/RefObject.h"

class CLabel : public CRefObject {
public:
    // Position 0 is a real position (the first routine starts there), so
    // "placed" is kept apart from the position itself.
    void Place(uint32_t position) {
        m_nPosition = position;
        m_bPlaced = true;
    }
    bool IsPlaced() const { return m_bPlaced; }

    uint32_t m_nPosition = 0;
    bool m_bPlaced = false;
};
