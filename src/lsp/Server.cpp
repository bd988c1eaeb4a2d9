// Requests that need the documents' compilations go to the worker's queue;
// the lifecycle, the documents and cancellation are handled where they are
// read. A request the server cannot take gets an error response and the
// server goes on; a notification never gets a response.
#include "lsp/Server.h"

#include <algorithm>

#include "compile/Paths.h"
#include "lsp/Features.h"
#include "lsp/Publish.h"
#include "lsp/Uri.h"

namespace {

constexpr const char* kVersion = "0.002";

// The requests the worker answers, with the feature that answers each.
// Features that parse up to the cursor themselves read the documents'
// texts, not the last compilation: they are answered before the worker
// compiles the documents changed meanwhile.
struct SFeature {
    const char* method;
    Json (*answer)(const SFeatureInput& input, const Json& params);
    bool cut = false;
};

SPosition PositionOf(const Json& params) {
    const Json& p = params.at("position");
    return SPosition{p.at("line").get<int>(), p.at("character").get<int>()};
}

bool WithDeclarations(const Json& params) {
    return params.contains("context") && params["context"].value("includeDeclaration", false);
}

constexpr SFeature kFeatures[] = {
    {"textDocument/hover", [](const SFeatureInput& in, const Json& p) { return Hover(in, PositionOf(p)); }},
    {"textDocument/documentSymbol", [](const SFeatureInput& in, const Json&) { return DocumentSymbols(in); }},
    {"textDocument/semanticTokens/full", [](const SFeatureInput& in, const Json&) { return SemanticTokens(in); }},
    {"textDocument/foldingRange", [](const SFeatureInput& in, const Json&) { return FoldingRanges(in); }},
    {"textDocument/definition", [](const SFeatureInput& in, const Json& p) { return Definition(in, PositionOf(p)); }},
    {"textDocument/references",
     [](const SFeatureInput& in, const Json& p) { return References(in, PositionOf(p), WithDeclarations(p)); }},
    {"textDocument/prepareRename",
     [](const SFeatureInput& in, const Json& p) { return PrepareRename(in, PositionOf(p)); }},
    {"textDocument/rename",
     [](const SFeatureInput& in, const Json& p) {
         return Rename(in, PositionOf(p), p.at("newName").get<std::string>());
     }},
    {"textDocument/completion", [](const SFeatureInput& in, const Json& p) { return Completion(in, PositionOf(p)); },
     true},
    {"textDocument/signatureHelp",
     [](const SFeatureInput& in, const Json& p) { return SignatureHelp(in, PositionOf(p)); }, true},
};

const SFeature* FindFeature(const std::string& method) {
    for (const SFeature& f : kFeatures)
        if (method == f.method) return &f;
    return nullptr;
}

// The path of a text document parameter; "" for a URI that names no file.
std::string DocumentPath(const Json& params) {
    std::string path = UriToPath(params.at("textDocument").at("uri").get<std::string>());
    return path.empty() ? path : NormalizePath(path);
}

bool AcceptsUtf8(const Json& params) {
    const Json* encodings = &params;
    for (const char* key : {"capabilities", "general", "positionEncodings"}) {
        if (!encodings->is_object() || !encodings->contains(key)) return false;
        encodings = &(*encodings)[key];
    }
    return encodings->is_array() && std::find(encodings->begin(), encodings->end(), "utf-8") != encodings->end();
}

// The workspace folder: the first of workspaceFolders, else rootUri, else rootPath.
std::string WorkspaceDirectory(const Json& params) {
    if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
        !params["workspaceFolders"].empty())
        return UriToPath(params["workspaceFolders"][0].value("uri", ""));
    if (params.contains("rootUri") && params["rootUri"].is_string()) return UriToPath(params["rootUri"].get<std::string>());
    if (params.contains("rootPath") && params["rootPath"].is_string()) return params["rootPath"].get<std::string>();
    return std::string();
}

}  // namespace

CLspServer::CLspServer(TSink sink, SServerOptions options)
    : m_Sink(std::move(sink)), m_Options(std::move(options)), m_Library(GetBuiltinLibrary()) {
    m_Worker = std::thread([this] { Work(); });
}

CLspServer::~CLspServer() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStop = true;
    }
    m_Wake.notify_all();
    m_Worker.join();
}

void CLspServer::Send(const Json& message) {
    // Script text is not always UTF-8; bytes that are not become U+FFFD.
    std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::lock_guard<std::mutex> lock(m_SendMutex);
    m_Sink(body);
}

void CLspServer::HandleUnreadable(const std::string& reason) {
    Send(MakeError(nullptr, rpc::kParseError, reason));
}

void CLspServer::HandleMessage(const std::string& body) {
    Json m = Json::parse(body, nullptr, false);
    if (m.is_discarded()) return Send(MakeError(nullptr, rpc::kParseError, "the message is not JSON"));
    if (!m.is_object()) return Send(MakeError(nullptr, rpc::kInvalidRequest, "a message must be a JSON object"));
    bool hasId = m.contains("id");
    Json id = hasId ? m["id"] : Json();
    if (hasId && !id.is_number_integer() && !id.is_string())
        return Send(MakeError(nullptr, rpc::kInvalidRequest, "the id must be a number or a string"));
    if (!m.contains("method") || !m["method"].is_string()) {
        // A response to a request of ours: there are none to wait for.
        if (hasId && (m.contains("result") || m.contains("error"))) return;
        return Send(MakeError(id, rpc::kInvalidRequest, "the message has no method"));
    }
    std::string method = m["method"].get<std::string>();
    Json params = m.contains("params") ? m["params"] : Json();
    try {
        if (hasId)
            HandleRequest(id, method, params);
        else
            HandleNotification(method, params);
    } catch (const Json::exception& e) {
        if (hasId) Send(MakeError(id, rpc::kInvalidParams, std::string("invalid parameters: ") + e.what()));
    }
}

void CLspServer::HandleRequest(const Json& id, const std::string& method, const Json& params) {
    if (method == "initialize") {
        if (m_nState != EState::eStarting) return Send(MakeError(id, rpc::kInvalidRequest, "already initialized"));
        Json result = Initialize(params);
        m_nState = EState::eRunning;
        return Send(MakeResponse(id, std::move(result)));
    }
    if (m_nState == EState::eStarting)
        return Send(MakeError(id, rpc::kServerNotInitialized, "initialize comes first"));
    if (m_nState == EState::eShutdown) return Send(MakeError(id, rpc::kInvalidRequest, "the server is shut down"));
    if (method == "shutdown") {
        // Answered by the worker after the requests before it.
        m_nState = EState::eShutdown;
        m_bShutdown = true;
    } else if (!FindFeature(method)) {
        return Send(MakeError(id, rpc::kMethodNotFound, "no method " + method));
    } else {
        DocumentPath(params);  // a request without a document is refused here, not on the worker
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Requests.push_back(SRequest{id, method, params});
    }
    m_Wake.notify_one();
}

void CLspServer::HandleNotification(const std::string& method, const Json& params) {
    if (method == "exit") {
        m_bExited = true;
        return;
    }
    if (m_nState != EState::eRunning) return;
    if (method == "initialized") {
        ShowWarnings(m_ConfigWarnings);
        m_ConfigWarnings.clear();
    } else if (method == "textDocument/didOpen") {
        Open(params);
    } else if (method == "textDocument/didChange") {
        Change(params);
    } else if (method == "textDocument/didClose") {
        Close(params);
    } else if (method == "textDocument/didSave") {
        Saved(params);
    } else if (method == "$/cancelRequest") {
        Cancel(params.at("id"));
    } else if (method == "workspace/didChangeWatchedFiles") {
        for (const Json& change : params.at("changes"))
            if (IsConfigFile(NormalizePath(UriToPath(change.value("uri", ""))))) return ConfigChanged();
    }
}

bool CLspServer::IsConfigFile(const std::string& path) const {
    return !m_Config.directory.empty() && path == NormalizePath(JoinWithDirectory(m_Config.directory, kConfigFileName));
}

void CLspServer::ConfigChanged() {
    ReloadConfig();
    ShowWarnings(m_ConfigWarnings);
    m_ConfigWarnings.clear();
}

Json CLspServer::Initialize(const Json& params) {
    bool utf8 = AcceptsUtf8(params);
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_nEncoding = utf8 ? EPositionEncoding::eUtf8 : EPositionEncoding::eUtf16;
        m_Config.directory = WorkspaceDirectory(params);
    }
    if (params.contains("initializationOptions")) m_InitializationOptions = params["initializationOptions"];
    ReloadConfig();
    Json capabilities{
        {"positionEncoding", utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
        {"hoverProvider", true},
        {"documentSymbolProvider", true},
        {"foldingRangeProvider", true},
        {"semanticTokensProvider", {{"legend", SemanticTokensLegend()}, {"full", true}, {"range", false}}},
        {"completionProvider", {{"triggerCharacters", {"."}}, {"resolveProvider", false}}},
        {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}, {"retriggerCharacters", {","}}}},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"renameProvider", {{"prepareProvider", true}}},
    };
    return Json{{"capabilities", capabilities}, {"serverInfo", {{"name", "orvelc-lsp"}, {"version", kVersion}}}};
}

// The configuration as it is now; every open document is compiled again.
void CLspServer::ReloadConfig() {
    std::string directory;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        directory = m_Config.directory;
    }
    SServerConfig config =
        LoadConfig(directory, m_InitializationOptions, m_Options.environmentIncludes, m_ConfigWarnings);
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Config = std::move(config);
        for (const auto& [path, document] : m_Documents) MarkDirty(path);
    }
    m_Wake.notify_one();
}

void CLspServer::ShowWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings)
        Send(MakeNotification("window/showMessage", {{"type", 2}, {"message", "orvelc: " + w}}));
}

// --- documents ----------------------------------------------------------------

std::vector<std::string> CLspServer::IncludersOf(const std::string& path) const {
    std::vector<std::string> units;
    for (const auto& [unit, analysis] : m_Analyses)
        if (unit != path && analysis->Reads(path)) units.push_back(unit);
    return units;
}

void CLspServer::MarkDirty(const std::string& path) {
    std::vector<std::string> units = IncludersOf(path);
    if (units.empty() && m_Documents.count(path)) units.push_back(path);
    m_Dirty.insert(units.begin(), units.end());
}

void CLspServer::Open(const Json& params) {
    const Json& document = params.at("textDocument");
    std::string path = DocumentPath(params);
    if (path.empty()) return;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Documents[path] = SDocument{document.at("uri").get<std::string>(), document.at("text").get<std::string>(),
                                      document.value("version", 0), ++m_nGeneration};
        MarkDirty(path);
    }
    m_Wake.notify_one();
}

void CLspServer::Change(const Json& params) {
    std::string path = DocumentPath(params);
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        auto it = m_Documents.find(path);
        if (it == m_Documents.end()) return;
        SDocument& d = it->second;
        for (const Json& change : params.at("contentChanges")) {
            std::string text = change.at("text").get<std::string>();
            if (!change.contains("range")) {
                d.text = std::move(text);
                continue;
            }
            const Json& range = change["range"];
            SPosition start{range.at("start").at("line").get<int>(), range.at("start").at("character").get<int>()};
            SPosition end{range.at("end").at("line").get<int>(), range.at("end").at("character").get<int>()};
            ReplaceRange(d.text, start, end, text, m_nEncoding);
        }
        d.version = params.at("textDocument").value("version", d.version);
        d.generation = ++m_nGeneration;
        MarkDirty(path);
    }
    m_Wake.notify_one();
}

// The saved text is the one compiled already; the diagnostics are published again.
void CLspServer::Saved(const Json& params) {
    std::string path = DocumentPath(params);
    if (IsConfigFile(path)) return ConfigChanged();
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        MarkDirty(path);
    }
    m_Wake.notify_one();
}

void CLspServer::Close(const Json& params) {
    std::string path = DocumentPath(params);
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::vector<std::string> includers = IncludersOf(path);
        std::vector<std::string> included;
        if (auto it = m_Analyses.find(path); it != m_Analyses.end()) included = it->second->files;
        m_Documents.erase(path);
        m_Dirty.erase(path);
        m_Analyses.erase(path);
        Unpublish(path, {});
        m_Published.erase(path);
        // Its fragments stand alone again; its includers read the disk now.
        for (const std::string& f : included) MarkDirty(f);
        for (const std::string& unit : includers) m_Dirty.insert(unit);
    }
    m_Wake.notify_one();
}

void CLspServer::Cancel(const Json& id) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = std::find_if(m_Requests.begin(), m_Requests.end(), [&](const SRequest& r) { return r.id == id; });
    if (it == m_Requests.end()) return;
    Send(MakeError(it->id, rpc::kRequestCancelled, "cancelled"));
    m_Requests.erase(it);
}

// --- the worker -------------------------------------------------------------------

void CLspServer::Work() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_bStop || !m_Dirty.empty() || !m_Requests.empty(); });
        // Stopping, the requests already read are still answered; nothing
        // is compiled any more.
        if (m_bStop && m_Requests.empty()) return;
        bool cutFirst = !m_Requests.empty() && IsCut(m_Requests.front());
        if (!m_bStop && !m_Dirty.empty() && !cutFirst) {
            std::string unit = *m_Dirty.begin();
            m_Dirty.erase(m_Dirty.begin());
            Compile(lock, unit);
            continue;
        }
        SRequest request = std::move(m_Requests.front());
        m_Requests.pop_front();
        Answer(lock, std::move(request));
    }
}

void CLspServer::Compile(std::unique_lock<std::mutex>& lock, const std::string& unit) {
    if (!m_Documents.count(unit)) return;
    std::map<std::string, std::string> texts;
    TSeenMap seen;
    for (const auto& [path, d] : m_Documents) {
        texts[path] = d.text;
        seen[path] = SSeen{d.generation, d.version, d.uri};
    }
    SServerConfig config = m_Config;
    EPositionEncoding encoding = m_nEncoding;
    lock.unlock();
    std::shared_ptr<const SAnalysis> analysis =
        Analyze(unit, std::move(texts), config, m_Options.files ? *m_Options.files : PlatformFiles(), m_Library);
    CFileTexts files(analysis.get());
    auto textOf = [&](const std::string& path) { return &files.Text(path); };
    auto uriOf = [&](const std::string& path) {
        auto it = seen.find(path);
        return it != seen.end() ? it->second.uri : PathToUri(path);
    };
    std::map<std::string, Json> diagnostics = ToLspDiagnostics(*analysis, textOf, uriOf, encoding);
    lock.lock();
    if (m_bStop) return;
    if (!IsCurrent(*analysis, seen)) {
        // The change that made it stale marked the documents it knew of;
        // this one may have learnt of an include only now.
        if (m_Documents.count(unit) && IncludersOf(unit).empty()) m_Dirty.insert(unit);
        return;
    }
    if (!IncludersOf(unit).empty()) return;  // became another document's fragment meanwhile
    Store(analysis, diagnostics, seen);
}

bool CLspServer::IsCurrent(const SAnalysis& analysis, const TSeenMap& seen) const {
    if (!m_Documents.count(analysis.unit)) return false;
    for (const std::string& file : analysis.files) {
        auto now = m_Documents.find(file);
        auto then = seen.find(file);
        if ((now == m_Documents.end()) != (then == seen.end())) return false;
        if (now != m_Documents.end() && now->second.generation != then->second.generation) return false;
    }
    return true;
}

void CLspServer::Store(const std::shared_ptr<const SAnalysis>& analysis,
                       const std::map<std::string, Json>& diagnostics, const TSeenMap& seen) {
    const std::string& unit = analysis->unit;
    m_Analyses[unit] = analysis;
    std::set<std::string> uris;
    for (const auto& [path, list] : diagnostics) {
        auto it = seen.find(path);
        std::string uri = it != seen.end() ? it->second.uri : PathToUri(path);
        Json params{{"uri", uri}, {"diagnostics", list}};
        if (it != seen.end()) params["version"] = it->second.version;
        Send(MakeNotification("textDocument/publishDiagnostics", std::move(params)));
        uris.insert(uri);
    }
    Unpublish(unit, uris);
    m_Published[unit] = uris;
    // The documents it includes are its fragments now, not units of their own.
    for (size_t i = 1; i < analysis->files.size(); ++i) {
        const std::string& file = analysis->files[i];
        if (!m_Analyses.count(file)) continue;
        m_Analyses.erase(file);
        m_Dirty.erase(file);
        Unpublish(file, uris);
        m_Published.erase(file);
    }
}

void CLspServer::Unpublish(const std::string& unit, const std::set<std::string>& keep) {
    auto it = m_Published.find(unit);
    if (it == m_Published.end()) return;
    for (const std::string& uri : it->second)
        if (!keep.count(uri))
            Send(MakeNotification("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}}));
}

std::shared_ptr<const SAnalysis> CLspServer::AnalysisFor(const std::string& path) const {
    auto it = m_Analyses.find(path);
    if (it != m_Analyses.end()) return it->second;
    std::vector<std::string> units = IncludersOf(path);
    return units.empty() ? nullptr : m_Analyses.at(units.front());
}

bool CLspServer::IsCut(const SRequest& request) {
    const SFeature* feature = FindFeature(request.method);
    return feature && feature->cut;
}

// The document itself when it is compiled alone, else the open document
// that includes it; all open documents' texts, as a compilation sees them.
SCutSource CLspServer::CutSource(const std::string& path) const {
    SCutSource source;
    if (!m_Documents.count(path)) return source;
    std::vector<std::string> includers = IncludersOf(path);
    source.unit = includers.empty() ? path : includers.front();
    for (const auto& [p, d] : m_Documents) source.texts[p] = d.text;
    source.config = m_Config;
    source.files = m_Options.files;
    return source;
}

void CLspServer::Answer(std::unique_lock<std::mutex>& lock, SRequest request) {
    if (request.method == "shutdown") return Send(MakeResponse(request.id, nullptr));
    const SFeature* feature = FindFeature(request.method);
    SFeatureInput input;
    input.path = DocumentPath(request.params);
    auto document = m_Documents.find(input.path);
    if (document != m_Documents.end()) input.text = document->second.text;
    input.analysis = AnalysisFor(input.path);
    input.encoding = m_nEncoding;
    for (const auto& [path, d] : m_Documents) input.uris[path] = d.uri;
    if (feature->cut) input.cut = CutSource(input.path);
    lock.unlock();
    Json response;
    try {
        response = MakeResponse(request.id, feature->answer(input, request.params));
    } catch (const SRefusal& e) {
        response = MakeError(request.id, e.code, e.what());
    } catch (const Json::exception& e) {
        response = MakeError(request.id, rpc::kInvalidParams, std::string("invalid parameters: ") + e.what());
    } catch (const std::exception& e) {
        response = MakeError(request.id, rpc::kInternalError, e.what());
    }
    Send(response);
    lock.lock();
}
