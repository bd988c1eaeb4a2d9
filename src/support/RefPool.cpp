// Storage of counted objects: a free-list pool per 8-byte size class. A long script
// makes millions of nodes, types and variables of a handful of sizes; taking
// them from 2 MiB blocks and threading freed ones onto a list per size costs a few
// instructions each way, where the general heap spent a third of the run.
// Blocks are never given back: freed records are reused by the next ones of
// their size, and the pool is reachable to the end, so leak checkers stay
// quiet. Sanitizer builds use the plain heap so every record stays checked.
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "support/RefObject.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORVEL_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORVEL_PLAIN_HEAP 1
#endif
#endif

#ifndef ORVEL_PLAIN_HEAP
namespace {

// Counted objects hold pointers and 32-bit numbers only, so 8-byte steps
// suffice and waste less than the heap's 16.
constexpr size_t kGrain = 8;
constexpr size_t kClasses = 64;  // records up to 504 bytes; larger ones use the heap
constexpr size_t kBlockBytes = 2 * 1024 * 1024;

struct SFreeRecord {
    SFreeRecord* m_pNext;
};

struct SBlock {
    SBlock* m_pNext;
};

// A block is one huge page where the system offers them: first touching a
// block then costs one fault instead of five hundred.
void* NewBlock() {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    void* block = std::aligned_alloc(kBlockBytes, kBlockBytes);
    if (block) madvise(block, kBlockBytes, MADV_HUGEPAGE);
#else
    void* block = std::malloc(kBlockBytes);
#endif
    if (!block) throw std::bad_alloc();
    return block;
}

struct SRefPool {
    SFreeRecord* m_pFree[kClasses] = {};
    char* m_pCursor = nullptr;
    char* m_pEnd = nullptr;
    SBlock* m_pBlocks = nullptr;

    void* Carve(size_t bytes) {
        if (size_t(m_pEnd - m_pCursor) < bytes) {
            auto* block = static_cast<SBlock*>(NewBlock());
            block->m_pNext = m_pBlocks;
            m_pBlocks = block;
            m_pCursor = reinterpret_cast<char*>(block) + sizeof(SBlock);
            m_pEnd = reinterpret_cast<char*>(block) + kBlockBytes;
        }
        void* p = m_pCursor;
        m_pCursor += bytes;
        return p;
    }
};

// Made on first use and never destroyed: records may be released by static
// destructors of other files after this one's would have run.
SRefPool& Pool() {
    static SRefPool* s_pPool = new SRefPool;
    return *s_pPool;
}

size_t ClassOf(size_t size) { return (size + kGrain - 1) / kGrain; }

}  // namespace

void* CRefObject::operator new(size_t size) {
    const size_t c = ClassOf(size);
    if (c >= kClasses) return ::operator new(size);
    SRefPool& pool = Pool();
    if (SFreeRecord* r = pool.m_pFree[c]) {
        pool.m_pFree[c] = r->m_pNext;
        return r;
    }
    return pool.Carve(c * kGrain);
}

void CRefObject::operator delete(void* p, size_t size) {
    if (!p) return;
    const size_t c = ClassOf(size);
    if (c >= kClasses) {
        ::operator delete(p);
        return;
    }
    SRefPool& pool = Pool();
    auto* r = static_cast<SFreeRecord*>(p);
    r->m_pNext = pool.m_pFree[c];
    pool.m_pFree[c] = r;
}
#else
void* CRefObject::operator new(size_t size) { return ::operator new(size); }
void CRefObject::operator delete(void* p, size_t) { ::operator delete(p); }
#endif
