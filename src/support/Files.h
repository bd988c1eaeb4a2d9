// Where a compilation reads its source and include files: the platform's
// files by default, or text held in memory (an editor's unsaved buffers)
// over them. A provider is only read while a compilation runs, so one may
// serve compilations on several threads at once.
#pragma once
#include <cstdint>
#include <map>
#include <string>

class CFileStream;

class CFileProvider {
public:
    virtual ~CFileProvider() = default;
    // Opens the file at path (as the compiler built it) into stream for
    // reading in mode; false when there is no such file.
    virtual bool Open(const std::string& path, uint32_t mode, CFileStream& stream) const = 0;
    // True when Open would find a file there (a directory is none).
    virtual bool Exists(const std::string& path) const = 0;
};

// The platform's files.
const CFileProvider& PlatformFiles();

// Texts by path; paths it does not hold go to the fallback (none: absent).
class CMemoryFiles : public CFileProvider {
public:
    explicit CMemoryFiles(const CFileProvider* fallback = nullptr) : m_pFallback(fallback) {}
    void Set(const std::string& path, std::string text) { m_Texts[path] = std::move(text); }

    bool Open(const std::string& path, uint32_t mode, CFileStream& stream) const override;
    bool Exists(const std::string& path) const override;

private:
    std::map<std::string, std::string> m_Texts;
    const CFileProvider* m_pFallback;
};
