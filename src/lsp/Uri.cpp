// Percent-encoding follows what editors send: everything but unreserved
// characters and "/" is encoded, and a drive letter's colon too.
#include "lsp/Uri.h"

#include "platform/Platform.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        int hi = 0, lo = 0;
        if (s[i] == '%' && i + 2 < s.size() && (hi = HexValue(s[i + 1])) >= 0 && (lo = HexValue(s[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string UriToPath(const std::string& uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.compare(0, kScheme.size(), kScheme) != 0) return std::string();
    std::string rest = uri.substr(kScheme.size());
    size_t slash = rest.find('/');
    if (slash == std::string::npos) return std::string();
    std::string path = Decode(rest.substr(slash));
#ifdef _WIN32
    // "/c:/x" is "c:/x"; a host ("//server/share") becomes a UNC path.
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
    if (slash > 0) path = "//" + rest.substr(0, slash) + path;
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

std::string PathToUri(const std::string& path) {
    std::string p = path;
#ifdef _WIN32
    for (char& c : p)
        if (c == '\\') c = '/';
    if (p.size() >= 2 && p[1] == ':') p = "/" + p;
#endif
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : p) {
        if (IsUnreserved(c)) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}
