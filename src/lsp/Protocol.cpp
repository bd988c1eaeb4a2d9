// Header lines end in CR LF; a bare LF is accepted too, since nothing is
// gained by refusing it. Header names compare without regard to letter case.
#include "lsp/Protocol.h"

#include <algorithm>

#include "support/Str.h"

namespace {

constexpr std::string_view kLengthHeader = "content-length:";

bool StartsNoCase(const std::string& line, std::string_view prefix) {
    return line.size() >= prefix.size() && EqualsNoCase(std::string_view(line).substr(0, prefix.size()), prefix);
}

// The decimal length after the header name; false for anything else.
bool ParseLength(const std::string& line, size_t& length) {
    size_t i = kLengthHeader.size();
    while (i < line.size() && line[i] == ' ') ++i;
    if (i == line.size() || line.size() - i > 12) return false;
    length = 0;
    for (; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        length = length * 10 + size_t(line[i] - '0');
    }
    return true;
}

}  // namespace

bool CMessageReader::ReadLine(std::string& line) {
    line.clear();
    for (int c; (c = m_In.get()) != std::char_traits<char>::eof();) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        // A header line is short; a runaway one is cut, not stored.
        if (line.size() < 1024) line += char(c);
    }
    return false;
}

bool CMessageReader::Skip(size_t count) {
    char buffer[4096];
    while (count > 0) {
        size_t n = std::min(count, sizeof buffer);
        if (!m_In.read(buffer, std::streamsize(n))) return false;
        count -= n;
    }
    return true;
}

EReadStatus CMessageReader::Read(std::string& body, std::string& error) {
    std::string line;
    bool haveLength = false, badLength = false;
    size_t length = 0;
    bool any = false;
    while (ReadLine(line)) {
        if (line.empty()) {
            if (!any) continue;  // blank lines between messages
            if (!haveLength) {
                error = badLength ? "Content-Length is not a number" : "message without Content-Length";
                return EReadStatus::eBadHeader;
            }
            if (length > m_nMaxBody) {
                error = "message of " + std::to_string(length) + " bytes is over the limit of " +
                        std::to_string(m_nMaxBody);
                return Skip(length) ? EReadStatus::eTooLarge : EReadStatus::eEnd;
            }
            body.resize(length);
            if (length && !m_In.read(body.data(), std::streamsize(length))) return EReadStatus::eEnd;
            return EReadStatus::eMessage;
        }
        any = true;
        if (StartsNoCase(line, kLengthHeader)) {
            haveLength = ParseLength(line, length);
            badLength = !haveLength;
        }
    }
    return EReadStatus::eEnd;
}

std::string Frame(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

Json MakeResponse(const Json& id, Json result) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json MakeError(const Json& id, int code, const std::string& message) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

Json MakeNotification(const std::string& method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
