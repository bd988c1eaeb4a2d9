// The two file providers. Paths reach the platform in its own form (a
// backslash of a script written on Windows is a separator on POSIX too).
#include "support/Files.h"

#include "platform/Platform.h"
#include "support/Stream.h"

namespace {

class CPlatformFiles : public CFileProvider {
public:
    bool Open(const std::string& path, uint32_t mode, CFileStream& stream) const override {
        return stream.Open(platform::NativePath(path), mode);
    }
    bool Exists(const std::string& path) const override {
        std::string native = platform::NativePath(path);
        platform::FileHandle f = platform::OpenFile(native, platform::OpenFor::Read);
        if (f == platform::kInvalidFile) return false;
        platform::CloseFile(f);
        return !platform::IsDirectory(native);
    }
};

}  // namespace

const CFileProvider& PlatformFiles() {
    static const CPlatformFiles s_Files;
    return s_Files;
}

bool CMemoryFiles::Open(const std::string& path, uint32_t mode, CFileStream& stream) const {
    auto it = m_Texts.find(path);
    if (it != m_Texts.end()) return stream.OpenBytes(it->second, mode);
    return m_pFallback && m_pFallback->Open(path, mode, stream);
}

bool CMemoryFiles::Exists(const std::string& path) const {
    return m_Texts.count(path) || (m_pFallback && m_pFallback->Exists(path));
}
