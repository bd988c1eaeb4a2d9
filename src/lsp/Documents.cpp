// The overlay is consulted first; a path it does not hold is the fallback's.
#include "lsp/Documents.h"

#include "lsp/Uri.h"
#include "support/Stream.h"

CDocumentFiles::CDocumentFiles(std::map<std::string, std::string> texts, const CFileProvider& fallback)
    : m_Fallback(fallback) {
    for (auto& [path, text] : texts) m_Texts[NormalizePath(path)] = std::move(text);
}

const std::string* CDocumentFiles::Find(const std::string& path) const {
    auto it = m_Texts.find(NormalizePath(path));
    return it == m_Texts.end() ? nullptr : &it->second;
}

bool CDocumentFiles::Open(const std::string& path, uint32_t mode, CFileStream& stream) const {
    if (const std::string* text = Find(path)) return stream.OpenBytes(*text, mode);
    return m_Fallback.Open(path, mode, stream);
}

bool CDocumentFiles::Exists(const std::string& path) const {
    return Find(path) || m_Fallback.Exists(path);
}
