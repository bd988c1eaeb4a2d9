#include "compile/TranslationWorker.h"

#include <utility>

#include "codegen/Translate.h"
#include "parser/Node.h"

CTranslationWorker::CTranslationWorker(CUnitGenerator& unit) : m_Unit(unit), m_Thread([this] { Run(); }) {}

CTranslationWorker::~CTranslationWorker() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bQuit = true;
    }
    m_Changed.notify_all();
    m_Thread.join();
}

void CTranslationWorker::Start(const std::vector<CRefPtr<CNode>>* routines, CArena* arena) {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_pBatch = routines;
        m_pArena = arena;
    }
    m_Changed.notify_all();
}

bool CTranslationWorker::Wait() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_pBatch; });
    if (m_pThrown) std::rethrow_exception(std::exchange(m_pThrown, nullptr));
    return m_bGenerated;
}

// The batch stays set while it is translated, so Wait sees it done only
// when the worker lets go of it. Quitting finishes the batch in hand first.
void CTranslationWorker::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_pBatch || m_bQuit; });
        if (!m_pBatch) return;
        const std::vector<CRefPtr<CNode>>& batch = *m_pBatch;
        CArena* arena = m_pArena;
        lock.unlock();
        try {
            Translate(batch, arena);
        } catch (...) {
            m_pThrown = std::current_exception();
        }
        lock.lock();
        m_pBatch = nullptr;
        m_Changed.notify_all();
    }
}

// Whatever the translation makes or grows in a body belongs to the body's
// arena, which is this thread's until the batch is done.
void CTranslationWorker::Translate(const std::vector<CRefPtr<CNode>>& routines, CArena* arena) {
    CNodeArenaScope bodies(arena);
    for (const CRefPtr<CNode>& routine : routines) {
        if (!m_bGenerated) return;
        if (!m_Unit.TranslateRoutine(routine.Get())) m_bGenerated = false;
    }
}
