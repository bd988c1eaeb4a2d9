// Growable array with the library's growth rule: a grow-by step chosen by the
// caller, or size/8 clamped to 4..1024. It stands on std::vector; the rule
// decides the capacity that is reserved, so large tables grow amortised.
#pragma once
#include <algorithm>
#include <cstddef>
#include <vector>

template <class T>
class CDynArray {
public:
    explicit CDynArray(int growBy = 0) : m_nGrowBy(growBy) {}

    // growBy -1 keeps the stored step; shrink with newSize 0 frees the block.
    void SetSize(size_t newSize, int growBy = -1, bool shrink = false) {
        if (growBy != -1) m_nGrowBy = growBy;
        if (newSize == 0 && shrink) {
            std::vector<T>().swap(m_Data);
            return;
        }
        if (m_Data.capacity() == 0) {
            m_Data.reserve(newSize);
        } else if (newSize > m_Data.capacity()) {
            m_Data.reserve(std::max(newSize, m_Data.capacity() + Step()));
        }
        m_Data.resize(newSize);
    }
    size_t GetSize() const { return m_Data.size(); }
    size_t GetCapacity() const { return m_Data.capacity(); }
    void Add(const T& v) {
        SetSize(m_Data.size() + 1);
        m_Data.back() = v;
    }
    T& operator[](size_t i) { return m_Data[i]; }
    const T& operator[](size_t i) const { return m_Data[i]; }
    T* GetData() { return m_Data.data(); }
    const T* GetData() const { return m_Data.data(); }
    auto begin() { return m_Data.begin(); }
    auto end() { return m_Data.end(); }
    auto begin() const { return m_Data.begin(); }
    auto end() const { return m_Data.end(); }

private:
    size_t Step() const {
        if (m_nGrowBy > 0) return size_t(m_nGrowBy);
        return std::clamp<size_t>(m_Data.size() / 8, 4, 1024);
    }

    std::vector<T> m_Data;
    int m_nGrowBy;
};
