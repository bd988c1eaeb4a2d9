// The wire of the language server: messages framed by a Content-Length
// header over byte streams, and the JSON-RPC shapes of responses, errors and
// notifications. Reading never trusts the peer: a header without a length, a
// length that is not a number or one past the limit is reported and the
// reader goes on with the next header; only the end of the input stops it.
#pragma once
#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

// JSON-RPC and LSP error codes.
namespace rpc {
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestCancelled = -32800;
constexpr int kRequestFailed = -32803;
}  // namespace rpc

enum class EReadStatus {
    eMessage,    // body holds one message
    eBadHeader,  // no usable Content-Length; error says why
    eTooLarge,   // the body was skipped
    eEnd,        // the input ended (inside a message too)
};

class CMessageReader {
public:
    static constexpr size_t kMaxBody = 64u << 20;

    explicit CMessageReader(std::istream& in, size_t maxBody = kMaxBody) : m_In(in), m_nMaxBody(maxBody) {}
    EReadStatus Read(std::string& body, std::string& error);

private:
    bool ReadLine(std::string& line);
    bool Skip(size_t count);

    std::istream& m_In;
    size_t m_nMaxBody;
};

// Content-Length header, blank line, body.
std::string Frame(const std::string& body);

Json MakeResponse(const Json& id, Json result);
Json MakeError(const Json& id, int code, const std::string& message);
Json MakeNotification(const std::string& method, Json params);
