// Buffered byte streams over files: plain or deflate-compressed, optionally
// behind a small container header, with a text mode that turns CR LF into LF
// and a line reader for the start-up files. Failures never throw; they move
// the state word, and every later read gives nothing and every write is dropped.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

struct z_stream_s;

class CStream {
public:
    // Mode bits.
    enum : uint32_t {
        eRead = 1,
        eWrite = 2,
        eRandom = 4,
        eKeepExisting = 8,
        eText = 64,
        eNoHeader = 256,
        eLevelShift = 12,
        eLevelMask = 0xF000,
    };
    // State word.
    enum : int32_t { eGood = 0, eEnd = 1, eNotAllowed = 2, eError = 4 };
    // Line reader options.
    enum : uint32_t { eLineBlanks = 1, eLineComments = 4 };
    // Container header flags.
    enum : uint8_t { eHdrCompressed = 1, eHdrText = 4, eHdrName = 8, eHdrNumber = 16, eHdrId = 32 };

    static constexpr int kBufferSize = 512;

    CStream();
    virtual ~CStream();
    CStream(const CStream&) = delete;
    CStream& operator=(const CStream&) = delete;

    bool IsGood() const { return m_nState == eGood; }
    int32_t GetState() const { return m_nState; }
    void SetState(int32_t s) { m_nState = s; }
    uint32_t GetMode() const { return m_nMode; }

    int ReadByte();
    size_t ReadBytes(void* dest, size_t count);
    uint32_t ReadDword();
    // A 32-bit length and that many bytes. A length past the remaining data
    // gives state eEnd and an empty string, never a huge allocation.
    bool ReadString(std::string& out);
    // Appends everything that remains to out (decoded and with line ends
    // translated in text mode). An uncompressed stream that has buffered
    // nothing yet is read from the medium in large pieces. Room for `spare`
    // more bytes is left, so the caller can append them without a copy.
    void ReadRest(std::string& out, size_t spare = 0);
    // Returns the line's length; 0 with !IsGood() at the end.
    size_t ReadLine(char* buffer, size_t capacity, uint32_t options, int32_t* lineCounter);

    void WriteBytes(const void* source, size_t count);
    void WriteDword(uint32_t v);
    // id may be null; name may be empty; number 0 means none.
    void WriteHeader(const uint8_t* id, const std::string& name, int32_t number, bool startCompression);

    bool Seek(int64_t offset, int origin);
    // Bytes that remain to be read before the limit (compressed: of the file).
    int64_t Remaining() const;

    virtual void Close();

protected:
    // Raw access to the underlying medium, implemented by CFileStream.
    virtual long RawRead(void* buf, size_t count) = 0;
    virtual long RawWrite(const void* buf, size_t count) = 0;
    virtual bool RawSeek(int64_t pos) = 0;

    bool BeginStream(uint32_t mode);
    void SkipHeader();
    long ReadMedium(void* buf, size_t count);
    bool Refill();
    size_t FillPlain();
    size_t FillInflated();
    size_t TranslateLineEnds(size_t count);
    // Appends the rest of an uncompressed medium at once; false when the
    // buffer already holds data, so the caller reads through it instead.
    bool ReadRestOfMedium(std::string& out, size_t spare);
    bool FlushBuffer(bool finish);
    bool WriteRaw(const void* data, size_t count);
    void EndStream();
    int Level() const { return int((m_nMode & eLevelMask) >> eLevelShift); }

    uint32_t m_nMode = 0;
    int32_t m_nState = eGood;
    bool m_bOpen = false;
    bool m_bWroteAny = false;
    bool m_bCompressing = false;   // writing: deflate active; reading: inflate active
    bool m_bZlibEnded = false;
    uint8_t m_Buffer[kBufferSize];
    size_t m_nFill = 0;
    size_t m_nPos = 0;
    int64_t m_nBase = 0;       // stream offset of the buffer's first byte
    int64_t m_nLimit = 0;      // bytes that may be read from the start offset
    int64_t m_nStart = 0;      // file offset at which the stream begins
    int64_t m_nRawPos = 0;     // bytes consumed from the medium since the start offset
    std::unique_ptr<z_stream_s> m_pZ;
    uint8_t m_ZBuffer[kBufferSize];
    bool m_bHeldCR = false;    // text mode: a CR at a buffer end waits for the next byte
};

class CFileStream : public CStream {
public:
    CFileStream() = default;
    ~CFileStream() override;

    // length < 0: to the end of the file.
    bool Open(const std::string& path, uint32_t mode, int64_t start = 0, int64_t length = -1);
    // Reads the given bytes as if they were the whole file (read modes only).
    bool OpenBytes(std::string bytes, uint32_t mode);
    void Close() override;
    // 0 not a text read; 1 narrow text; 2 began with the UTF-16 LE mark.
    int GetTextWidth() const { return m_nTextWidth; }

protected:
    long RawRead(void* buf, size_t count) override;
    long RawWrite(const void* buf, size_t count) override;
    bool RawSeek(int64_t pos) override;

private:
    bool SetLimits(uint32_t mode, int64_t start, int64_t length, int64_t size);
    void DetectTextWidth();
    // Bytes of the file or of the memory it stands for.
    long ReadSource(void* buf, size_t count);

    platform::FileHandle m_hFile = platform::kInvalidFile;
    int m_nTextWidth = 0;
    bool m_bInMemory = false;
    std::string m_strBytes;
    size_t m_nBytesPos = 0;
};
