// The editor's side of an in-process conversation with the server: requests
// wait for their own response, notifications are collected, and scripts
// carry cursor markers ("@") that become protocol positions. Every wait is
// bounded, so a server that never answers fails the test instead of hanging.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "lsp/Server.h"

// A script with its "@" markers taken out and their places kept.
struct SMarked {
    std::string text;
    std::vector<SPosition> marks;  // in UTF-16 units
};
SMarked Mark(const std::string& text);

class CLspHarness {
public:
    explicit CLspHarness(SServerOptions options = {});

    // The full response message (with "result" or "error").
    Json Request(const std::string& method, const Json& params);
    void Notify(const std::string& method, const Json& params);
    // Sends a message body as it would come off the wire.
    void SendRaw(const std::string& body) { m_Server.HandleMessage(body); }
    // The next notification of that method that matches, or null after the timeout.
    Json WaitFor(const std::string& method, const std::function<bool(const Json&)>& match = {});
    // Diagnostics published next for the URI.
    Json WaitForDiagnostics(const std::string& uri);
    // Every message received so far that no wait has taken.
    std::vector<Json> TakeAll();

    Json Initialize(Json params = Json::object());
    // Opens a document at path (made absolute under the test's directory by the caller).
    std::string Open(const std::string& path, const std::string& text, int version = 1);
    void Change(const std::string& uri, const std::string& text, int version);

    // A request about one place of a document, with more parameters in
    // `extra`: the whole response.
    Json AskAt(const std::string& method, const std::string& uri, SPosition at, Json extra = Json::object());
    Json Hover(const std::string& uri, SPosition at);
    Json HoverText(const std::string& uri, SPosition at);

    CLspServer& Server() { return m_Server; }

private:
    Json TakeMatching(const std::function<bool(const Json&)>& match);

    std::mutex m_Mutex;
    std::condition_variable m_Arrived;
    std::deque<Json> m_Inbox;
    int m_nNextId = 1;
    CLspServer m_Server;  // last: its worker may call the sink as soon as it exists
};

// A scratch directory under the system's temporary folder, removed at the end.
class CScratch {
public:
    CScratch();
    ~CScratch();
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    void Write(const std::string& name, const std::string& text) const;

private:
    std::string m_strPath;
};
