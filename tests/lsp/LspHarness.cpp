// The harness's sink runs on the server's threads; everything it keeps is
// behind one mutex, and waits give up after ten seconds.
#include "LspHarness.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "lsp/Uri.h"

namespace {

constexpr auto kTimeout = std::chrono::seconds(10);

}  // namespace

SMarked Mark(const std::string& text) {
    SMarked out;
    SPosition at;
    for (char c : text) {
        if (c == '@') {
            out.marks.push_back(at);
            continue;
        }
        out.text += c;
        if (c == '\n') {
            ++at.line;
            at.character = 0;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++at.character;
        }
    }
    return out;
}

CLspHarness::CLspHarness(SServerOptions options)
    : m_Server(
          [this](const std::string& body) {
              std::lock_guard<std::mutex> lock(m_Mutex);
              m_Inbox.push_back(Json::parse(body));
              m_Arrived.notify_all();
          },
          std::move(options)) {}

Json CLspHarness::TakeMatching(const std::function<bool(const Json&)>& match) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    Json found;
    m_Arrived.wait_for(lock, kTimeout, [&] {
        for (auto it = m_Inbox.begin(); it != m_Inbox.end(); ++it) {
            if (match(*it)) {
                found = std::move(*it);
                m_Inbox.erase(it);
                return true;
            }
        }
        return false;
    });
    return found;
}

Json CLspHarness::Request(const std::string& method, const Json& params) {
    int id = m_nNextId++;
    m_Server.HandleMessage(Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump());
    return TakeMatching([id](const Json& m) { return m.contains("id") && m["id"] == id && !m.contains("method"); });
}

void CLspHarness::Notify(const std::string& method, const Json& params) {
    m_Server.HandleMessage(Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
}

Json CLspHarness::WaitFor(const std::string& method, const std::function<bool(const Json&)>& match) {
    return TakeMatching([&](const Json& m) {
        return m.value("method", "") == method && (!match || match(m.at("params")));
    });
}

Json CLspHarness::WaitForDiagnostics(const std::string& uri) {
    Json m = WaitFor("textDocument/publishDiagnostics", [&](const Json& p) { return p["uri"] == uri; });
    return m.is_null() ? m : m["params"];
}

std::vector<Json> CLspHarness::TakeAll() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    std::vector<Json> all(m_Inbox.begin(), m_Inbox.end());
    m_Inbox.clear();
    return all;
}

Json CLspHarness::Initialize(Json params) {
    if (!params.contains("capabilities")) params["capabilities"] = Json::object();
    Json response = Request("initialize", params);
    Notify("initialized", Json::object());
    return response;
}

std::string CLspHarness::Open(const std::string& path, const std::string& text, int version) {
    std::string uri = PathToUri(path);
    Notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "orvel"}, {"version", version}, {"text", text}}}});
    return uri;
}

void CLspHarness::Change(const std::string& uri, const std::string& text, int version) {
    Json document{{"uri", uri}, {"version", version}};
    Notify("textDocument/didChange", {{"textDocument", document}, {"contentChanges", Json::array({{{"text", text}}})}});
}

Json CLspHarness::AskAt(const std::string& method, const std::string& uri, SPosition at, Json extra) {
    extra["textDocument"] = {{"uri", uri}};
    extra["position"] = {{"line", at.line}, {"character", at.character}};
    return Request(method, extra);
}

Json CLspHarness::Hover(const std::string& uri, SPosition at) { return AskAt("textDocument/hover", uri, at); }

Json CLspHarness::HoverText(const std::string& uri, SPosition at) {
    Json r = Hover(uri, at)["result"];
    return r.is_null() ? r : r["contents"]["value"];
}

CScratch::CScratch() {
    std::random_device random;
    auto dir = std::filesystem::temp_directory_path() / ("orvelc-lsp-test-" + std::to_string(random()));
    std::filesystem::create_directories(dir);
    m_strPath = dir.string();
}

CScratch::~CScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

void CScratch::Write(const std::string& name, const std::string& text) const {
    std::filesystem::path p = std::filesystem::path(m_strPath) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}
