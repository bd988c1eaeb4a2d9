// The documents the editor has open, by path, and the file provider that lets
// a compilation see them in place of the files on disk. A snapshot is a copy
// taken under the server's lock, so a compilation on the worker reads it
// while the editor goes on changing the originals.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "support/Files.h"

struct SDocument {
    std::string uri;  // as the editor sent it; diagnostics go back to it
    std::string text;
    int version = 0;          // the editor's
    uint64_t generation = 0;  // the server's count of changes, which never repeats
};

// Open documents over a fallback; paths are compared after NormalizePath,
// so "./lib/x.h" and "lib/../lib/x.h" find the same buffer.
class CDocumentFiles : public CFileProvider {
public:
    CDocumentFiles(std::map<std::string, std::string> texts, const CFileProvider& fallback);

    bool Open(const std::string& path, uint32_t mode, CFileStream& stream) const override;
    bool Exists(const std::string& path) const override;

private:
    const std::string* Find(const std::string& path) const;

    std::map<std::string, std::string> m_Texts;
    const CFileProvider& m_Fallback;
};
