// Storage of counted objects: a free-list pool per 8-byte size class. A long script
// makes many types, variables and functions of a handful of sizes; taking
// them from blocks and threading freed ones onto a list per size costs a few
// instructions each way, where the general heap spent a third of the run.
// Blocks start small, so a short script does not pay for touching 2 MiB,
// and double up to 2 MiB.
// Blocks are never given back: freed records are reused by the next ones of
// their size, and the pool is reachable to the end, so leak checkers stay
// quiet. Sanitizer builds use the plain heap so every record stays checked.
//
// Each thread has a pool of its own, so compilations on several threads
// never touch the same free list; a record freed on another thread than the
// one that made it simply joins that thread's list. A thread that ends hands
// its pool on to the next thread that starts.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

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
constexpr size_t kFirstBlockBytes = 64 * 1024;
constexpr size_t kBlockBytes = 2 * 1024 * 1024;

struct SFreeRecord {
    SFreeRecord* m_pNext;
};

struct SBlock {
    SBlock* m_pNext;
};

// A full-sized block is one huge page where the system offers them: first
// touching it then costs one fault instead of five hundred.
void* NewBlock(size_t bytes) {
    void* block = nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes == kBlockBytes) {
        block = std::aligned_alloc(kBlockBytes, kBlockBytes);
        if (block) madvise(block, kBlockBytes, MADV_HUGEPAGE);
    }
#endif
    if (!block) block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

struct SRefPool {
    SFreeRecord* m_pFree[kClasses] = {};
    char* m_pCursor = nullptr;
    char* m_pEnd = nullptr;
    SBlock* m_pBlocks = nullptr;
    size_t m_nNextBlockBytes = kFirstBlockBytes;

    void* Carve(size_t bytes) {
        if (size_t(m_pEnd - m_pCursor) < bytes) {
            const size_t blockBytes = m_nNextBlockBytes;
            m_nNextBlockBytes = std::min(blockBytes * 2, kBlockBytes);
            auto* block = static_cast<SBlock*>(NewBlock(blockBytes));
            block->m_pNext = m_pBlocks;
            m_pBlocks = block;
            m_pCursor = reinterpret_cast<char*>(block) + sizeof(SBlock);
            m_pEnd = reinterpret_cast<char*>(block) + blockBytes;
        }
        void* p = m_pCursor;
        m_pCursor += bytes;
        return p;
    }
};

// Pools of threads that ended, waiting for a thread to take one over. Made
// on first use and never destroyed, like the pools themselves.
struct SRetiredPools {
    std::mutex m_Lock;
    std::vector<SRefPool*> m_Pools;
};

SRetiredPools& Retired() {
    static SRetiredPools* s_pRetired = new SRetiredPools;
    return *s_pRetired;
}

thread_local SRefPool* t_pPool = nullptr;
// Set once this thread's pool has been handed on: records freed later in
// the thread's teardown (or by static destructors) are left where they are.
thread_local bool t_bPoolHandedOn = false;

// Its destructor runs when the thread ends and hands the pool on.
struct SPoolOwner {
    bool m_bOwns = false;
    ~SPoolOwner() {
        if (!m_bOwns || !t_pPool) return;
        SRetiredPools& retired = Retired();
        std::lock_guard<std::mutex> hold(retired.m_Lock);
        retired.m_Pools.push_back(t_pPool);
        t_pPool = nullptr;
        t_bPoolHandedOn = true;
    }
};
thread_local SPoolOwner t_PoolOwner;

SRefPool* AdoptPool() {
    SRetiredPools& retired = Retired();
    std::lock_guard<std::mutex> hold(retired.m_Lock);
    if (retired.m_Pools.empty()) return new SRefPool;
    SRefPool* pool = retired.m_Pools.back();
    retired.m_Pools.pop_back();
    return pool;
}

// This thread's pool; null once the thread has handed it on.
SRefPool* Pool() {
    if (t_pPool || t_bPoolHandedOn) return t_pPool;
    t_pPool = AdoptPool();
    t_PoolOwner.m_bOwns = true;
    return t_pPool;
}

size_t ClassOf(size_t size) { return (size + kGrain - 1) / kGrain; }

}  // namespace

void* CRefObject::operator new(size_t size) {
    const size_t c = ClassOf(size);
    if (c >= kClasses) return ::operator new(size);
    SRefPool* pool = Pool();
    if (!pool) return ::operator new(c * kGrain);
    if (SFreeRecord* r = pool->m_pFree[c]) {
        pool->m_pFree[c] = r->m_pNext;
        return r;
    }
    return pool->Carve(c * kGrain);
}

void CRefObject::operator delete(void* p, size_t size) {
    if (!p) return;
    const size_t c = ClassOf(size);
    if (c >= kClasses) {
        ::operator delete(p);
        return;
    }
    SRefPool* pool = Pool();
    if (!pool) return;
    auto* r = static_cast<SFreeRecord*>(p);
    r->m_pNext = pool->m_pFree[c];
    pool->m_pFree[c] = r;
}
#else
void* CRefObject::operator new(size_t size) { return ::operator new(size); }
void CRefObject::operator delete(void* p, size_t) { ::operator delete(p); }
#endif
