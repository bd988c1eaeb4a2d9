// Growable array with the library's growth rule: a grow-by step chosen by the
// caller, or size/8 clamped to 4..1024. It stands on std::vector. The rule
// decides the capacity the array reports; the storage beneath grows at least
// geometrically, because a fixed step alone would copy a table of megabytes
// (the code of a long script) over and over.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
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
            m_nCapacity = 0;
            return;
        }
        if (m_nCapacity == 0) {
            m_nCapacity = uint32_t(newSize);
            m_Data.reserve(newSize);
        } else if (newSize > m_nCapacity) {
            m_nCapacity = uint32_t(std::max(newSize, m_nCapacity + Step()));
            if (m_nCapacity > m_Data.capacity())
                m_Data.reserve(std::max<size_t>(m_nCapacity, m_Data.capacity() * 2));
        }
        m_Data.resize(newSize);
    }
    size_t GetSize() const { return m_Data.size(); }
    // SetSize(GetSize() - 1) on a non-empty array, without its checks.
    void RemoveLast() { m_Data.pop_back(); }
    size_t GetCapacity() const { return m_nCapacity; }
    void Add(const T& v) {
        if (m_Data.size() < m_nCapacity && m_Data.size() < m_Data.capacity()) return m_Data.push_back(v);
        SetSize(m_Data.size() + 1);
        m_Data.back() = v;
    }
    // Appends count elements copied from data (SetSize, then the copy).
    void Append(const T* data, size_t count) {
        const size_t at = m_Data.size();
        if (at + count > m_nCapacity) {
            SetSize(at + count);
            std::copy(data, data + count, m_Data.begin() + ptrdiff_t(at));
            return;
        }
        m_Data.insert(m_Data.end(), data, data + count);
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
    // By the growth rule; m_Data may hold more. 32 bits with the step beside
    // it keep the array (and so every tree node) eight bytes smaller.
    uint32_t m_nCapacity = 0;
    int m_nGrowBy;
};
