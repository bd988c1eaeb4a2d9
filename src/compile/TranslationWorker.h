// A thread of its own that translates routines while the parser goes on
// with the next ones. The parser hands over a batch: routines whose bodies
// are complete and live in one arena. Until Wait returns, the batch, its
// arena and the unit generator are the worker's alone; the parser fills
// another arena meanwhile. Routines are translated in the order handed
// over, so the unit is the one a single thread would make.
#pragma once
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "support/Arena.h"
#include "support/RefObject.h"

class CNode;
class CUnitGenerator;

class CTranslationWorker {
public:
    explicit CTranslationWorker(CUnitGenerator& unit);
    // Lets the batch in hand finish, then ends the thread.
    ~CTranslationWorker();
    CTranslationWorker(const CTranslationWorker&) = delete;
    CTranslationWorker& operator=(const CTranslationWorker&) = delete;

    // Starts on a batch; the previous one must have been waited for.
    void Start(const std::vector<CRefPtr<CNode>>* routines, CArena* arena);
    // Waits until the batch handed over is translated; false once any
    // routine failed to generate. What the thread threw is thrown here.
    bool Wait();

private:
    void Run();
    void Translate(const std::vector<CRefPtr<CNode>>& routines, CArena* arena);

    CUnitGenerator& m_Unit;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    const std::vector<CRefPtr<CNode>>* m_pBatch = nullptr;  // set while the worker has one
    CArena* m_pArena = nullptr;
    bool m_bQuit = false;
    bool m_bGenerated = true;
    std::exception_ptr m_pThrown;
    std::thread m_Thread;  // last: starts once the rest is set
};
