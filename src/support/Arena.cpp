// Block management of the arena. Blocks come from the plain heap: an arena
// lives as long as the records of one batch, so the pool of counted
// objects has nothing to offer it.
#include "support/Arena.h"

#include <new>

CArena::CArena(size_t blockBytes) : m_nBlockBytes(blockBytes) {}

CArena::~CArena() {
    RunCleanups();
    for (const SBlock& b : m_Blocks) ::operator delete(b.m_pData);
    for (const SBlock& b : m_Large) ::operator delete(b.m_pData);
}

void CArena::RunCleanups() {
    // A cleanup may register another one; those run too.
    while (!m_Cleanups.empty()) {
        SCleanup c = m_Cleanups.back();
        m_Cleanups.pop_back();
        c.m_pfn(c.m_pObject);
    }
}

void CArena::Enter(size_t block) {
    m_nBlock = block;
    m_pCursor = m_Blocks[block].m_pData;
    m_pEnd = m_pCursor + m_Blocks[block].m_nBytes;
}

void CArena::Reset() {
    RunCleanups();
    for (const SBlock& b : m_Large) ::operator delete(b.m_pData);
    m_Large.clear();
    if (!m_Blocks.empty()) Enter(0);
}

void* CArena::AllocateSlow(size_t bytes) {
    if (kChecked || bytes > m_nBlockBytes / 4) {
        m_Large.push_back({static_cast<char*>(::operator new(bytes)), bytes});
        return m_Large.back().m_pData;
    }
    // Before the first block there is no block in use to move past.
    const size_t next = m_pCursor ? m_nBlock + 1 : 0;
    if (next >= m_Blocks.size())
        m_Blocks.push_back({static_cast<char*>(::operator new(m_nBlockBytes)), m_nBlockBytes});
    Enter(next);
    void* p = m_pCursor;
    m_pCursor += bytes;
    return p;
}

size_t CArena::GetBytesInUse() const {
    size_t used = 0;
    for (size_t i = 0; i < m_nBlock && i < m_Blocks.size(); ++i) used += m_Blocks[i].m_nBytes;
    if (m_nBlock < m_Blocks.size()) used += size_t(m_pCursor - m_Blocks[m_nBlock].m_pData);
    for (const SBlock& b : m_Large) used += b.m_nBytes;
    return used;
}

size_t CArena::GetBytesReserved() const {
    size_t held = 0;
    for (const SBlock& b : m_Blocks) held += b.m_nBytes;
    for (const SBlock& b : m_Large) held += b.m_nBytes;
    return held;
}
