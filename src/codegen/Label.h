// Jump targets. A label is created while a block is translated and placed at a
// code position in the emitting pass; jumps to it are written with a zero
// displacement and patched once every label is known. Each block keeps its
// labels in a CLabelList so that both passes create them in the same order.
// Header-only: the syntax tree's block node holds a CRefPtr<CLabelList> and
// must not need the code generator's library to do so.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/RefObject.h"

class CLabel : public CRefObject {
public:
    explicit CLabel(uint32_t number = 0) : m_nNumber(number) {}

    // Position 0 is a real position (the first routine starts there), so
    // "placed" is kept apart from the position itself.
    void Place(uint32_t position) {
        m_nPosition = position;
        m_bPlaced = true;
    }
    bool IsPlaced() const { return m_bPlaced; }

    uint32_t m_nPosition = 0;
    uint32_t m_nNumber = 0;
    bool m_bPlaced = false;
};

class CLabelList : public CRefObject {
public:
    // The new label's number is the list's length before it is added.
    CLabel* NewLabel() {
        m_Labels.emplace_back(new CLabel(uint32_t(m_Labels.size())));
        return m_Labels.back().Get();
    }
    size_t GetSize() const { return m_Labels.size(); }
    CLabel* GetAt(size_t i) const { return i < m_Labels.size() ? m_Labels[i].Get() : nullptr; }

private:
    std::vector<CRefPtr<CLabel>> m_Labels;
};
