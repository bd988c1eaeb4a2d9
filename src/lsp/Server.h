// The language server: the protocol's lifecycle, the open documents, and
// one worker thread that compiles and answers. The reading thread only
// parses messages, keeps the documents and queues work, so it never waits
// for a compilation. The worker compiles every document marked dirty before
// it answers a request, so answers describe the text as it was last sent;
// a compilation whose documents changed while it ran is dropped and run
// again, and its diagnostics are never published. Completion and signature
// help parse the texts up to the cursor themselves, so they are answered
// first, without waiting for the compilation of the latest change.
//
// A document that another open document includes is not compiled alone (it
// is a fragment); its changes recompile the documents that include it, and
// their compilations publish its diagnostics and answer its requests.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "builtins/BuiltinLibrary.h"
#include "lsp/Analysis.h"
#include "lsp/Config.h"
#include "lsp/Documents.h"
#include "lsp/Protocol.h"
#include "lsp/Text.h"

struct SServerOptions {
    // Files that are not open in the editor; null: the platform's.
    const CFileProvider* files = nullptr;
    // ORVELC_INCLUDE as the process found it.
    std::string environmentIncludes;
};

class CLspServer {
public:
    // Receives each outgoing message as JSON text, from either thread, one
    // at a time.
    using TSink = std::function<void(const std::string& body)>;

    explicit CLspServer(TSink sink, SServerOptions options = {});
    ~CLspServer();
    CLspServer(const CLspServer&) = delete;
    CLspServer& operator=(const CLspServer&) = delete;

    // One message body as it came off the wire.
    void HandleMessage(const std::string& body);
    // A message the reader could not take; answered with an error.
    void HandleUnreadable(const std::string& reason);
    bool HasExited() const { return m_bExited; }
    // 0 when "exit" followed "shutdown", else 1.
    int GetExitCode() const { return m_bShutdown ? 0 : 1; }

private:
    struct SRequest {
        Json id;
        std::string method;
        Json params;
    };
    enum class EState { eStarting, eRunning, eShutdown };
    // What a compilation saw of each open document.
    struct SSeen {
        uint64_t generation;
        int version;
        std::string uri;
    };
    using TSeenMap = std::map<std::string, SSeen>;

    void Send(const Json& message);
    void HandleRequest(const Json& id, const std::string& method, const Json& params);
    void HandleNotification(const std::string& method, const Json& params);
    Json Initialize(const Json& params);
    void ReloadConfig();
    // orvelc.json changed: reloaded, its warnings shown.
    void ConfigChanged();
    bool IsConfigFile(const std::string& path) const;
    void ShowWarnings(const std::vector<std::string>& warnings);

    // Documents (reading thread, under m_Mutex).
    void Open(const Json& params);
    void Change(const Json& params);
    void Close(const Json& params);
    void Saved(const Json& params);
    void MarkDirty(const std::string& path);
    // Open documents whose last compilation read path (path itself excluded).
    std::vector<std::string> IncludersOf(const std::string& path) const;
    void Cancel(const Json& id);

    // The worker.
    void Work();
    void Compile(std::unique_lock<std::mutex>& lock, const std::string& unit);
    bool IsCurrent(const SAnalysis& analysis, const TSeenMap& seen) const;
    void Store(const std::shared_ptr<const SAnalysis>& analysis, const std::map<std::string, Json>& diagnostics,
               const TSeenMap& seen);
    void Unpublish(const std::string& unit, const std::set<std::string>& keep);
    void Answer(std::unique_lock<std::mutex>& lock, SRequest request);
    // Answered from the texts, before the documents changed meanwhile are compiled.
    static bool IsCut(const SRequest& request);
    SCutSource CutSource(const std::string& path) const;
    std::shared_ptr<const SAnalysis> AnalysisFor(const std::string& path) const;

    TSink m_Sink;
    SServerOptions m_Options;
    const CBuiltinLibrary& m_Library;
    std::mutex m_SendMutex;

    // Set only by the reading thread.
    EState m_nState = EState::eStarting;
    bool m_bShutdown = false;
    bool m_bExited = false;
    Json m_InitializationOptions;
    std::vector<std::string> m_ConfigWarnings;

    // Shared with the worker, under m_Mutex.
    mutable std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_bStop = false;
    EPositionEncoding m_nEncoding = EPositionEncoding::eUtf16;
    SServerConfig m_Config;
    std::map<std::string, SDocument> m_Documents;  // by normalized path
    std::set<std::string> m_Dirty;
    std::deque<SRequest> m_Requests;
    std::map<std::string, std::shared_ptr<const SAnalysis>> m_Analyses;  // by unit
    std::map<std::string, std::set<std::string>> m_Published;           // unit -> URIs
    uint64_t m_nGeneration = 0;
    std::thread m_Worker;
};
