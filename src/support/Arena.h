// CArena: memory for records that die together. Allocation bumps a cursor
// through blocks; Reset releases everything at once and keeps the blocks,
// so the next batch of the same size costs no call to the heap. A record
// that owns something outside the arena registers a cleanup, which Reset
// (or the arena's destruction) runs, the latest first. An arena belongs to
// one thread at a time; nothing in it is shared.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Under a sanitizer every allocation is a heap block of its own, freed at
// the reset, so a record used after its arena was reset is caught.
#if defined(__SANITIZE_ADDRESS__)
#define ORVEL_ARENA_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORVEL_ARENA_CHECKED 1
#endif
#endif

class CArena {
public:
#ifdef ORVEL_ARENA_CHECKED
    static constexpr bool kChecked = true;
#else
    static constexpr bool kChecked = false;
#endif

    explicit CArena(size_t blockBytes = 64 * 1024);
    ~CArena();
    CArena(const CArena&) = delete;
    CArena& operator=(const CArena&) = delete;

    // Eight-byte aligned, uninitialised.
    void* Allocate(size_t bytes) {
        bytes = (bytes + 7) & ~size_t(7);
        if (kChecked || bytes > size_t(m_pEnd - m_pCursor)) return AllocateSlow(bytes);
        void* p = m_pCursor;
        m_pCursor += bytes;
        return p;
    }
    // fn(object) runs at the next Reset or at destruction.
    void OnReset(void (*fn)(void*), void* object) { m_Cleanups.push_back({fn, object}); }
    // Runs the cleanups, then frees every allocation at once.
    void Reset();
    // Bytes handed out since the last Reset.
    size_t GetBytesInUse() const;
    // Bytes of blocks held, in use or kept for reuse.
    size_t GetBytesReserved() const;

private:
    struct SCleanup {
        void (*m_pfn)(void*);
        void* m_pObject;
    };
    struct SBlock {
        char* m_pData;
        size_t m_nBytes;
    };

    void* AllocateSlow(size_t bytes);
    void RunCleanups();
    void Enter(size_t block);

    size_t m_nBlockBytes;
    // Blocks of m_nBlockBytes, kept across resets; m_nBlock is the one in use.
    std::vector<SBlock> m_Blocks;
    size_t m_nBlock = 0;
    // Allocations larger than a block, freed at every reset.
    std::vector<SBlock> m_Large;
    std::vector<SCleanup> m_Cleanups;
    char* m_pCursor = nullptr;
    char* m_pEnd = nullptr;
};
