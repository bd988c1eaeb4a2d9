// Buffered streams. Reading fills a 512-byte buffer with bytes that are
// already decompressed and line-end translated, so the per-byte path is an
// index into the buffer. Writing collects 512 bytes and pushes them through
// deflate when compressing. Every failure lands in the state word.
#include "support/Stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "support/LittleEndian.h"

namespace {

constexpr uint8_t kHeaderMagic[3] = {0xFF, 0xA1, 0xD0};

bool IsBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CStream::CStream() = default;

CStream::~CStream() = default;

bool CStream::BeginStream(uint32_t mode) {
    bool read = mode & eRead, write = mode & eWrite;
    if (m_bOpen || read == write || ((mode & eText) && (mode & eRandom))) {
        m_nState = eError;
        return false;
    }
    m_nMode = mode;
    m_nState = eGood;
    m_nFill = m_nPos = 0;
    m_nBase = m_nRawPos = 0;
    m_bWroteAny = m_bCompressing = m_bZlibEnded = m_bHeldCR = false;
    if (Level() == 0) return true;
    m_pZ = std::make_unique<z_stream>();
    int rc = read ? inflateInit(m_pZ.get()) : deflateInit(m_pZ.get(), std::min(Level(), 9));
    if (rc != Z_OK) {
        m_pZ.reset();
        m_nState = eError;
        return false;
    }
    m_bCompressing = true;
    return true;
}

int64_t CStream::Remaining() const { return m_nLimit - m_nRawPos; }

long CStream::ReadMedium(void* buf, size_t count) {
    int64_t left = m_nLimit - m_nRawPos;
    if (left <= 0) return 0;
    long got = RawRead(buf, size_t(std::min<int64_t>(int64_t(count), left)));
    if (got > 0) m_nRawPos += got;
    return got;
}

// A header announced by FF A1 D0 is skipped field by field; any other start
// is data and is read again from the first byte.
void CStream::SkipHeader() {
    uint8_t magic[4];
    if (ReadMedium(magic, 4) == 4 && std::memcmp(magic, kHeaderMagic, 3) == 0) {
        uint8_t flags = magic[3];
        int64_t skip = 0;
        uint8_t len = 0;
        if ((flags & eHdrName) && ReadMedium(&len, 1) == 1) skip += len;
        if (flags & eHdrNumber) skip += 4;
        if (flags & eHdrId) skip += 16;
        m_nRawPos = std::min(m_nRawPos + skip, m_nLimit);
    } else {
        m_nRawPos = 0;
    }
    RawSeek(m_nRawPos);
}

size_t CStream::FillPlain() {
    size_t have = 0;
    if (m_bHeldCR) {
        m_Buffer[have++] = '\r';
        m_bHeldCR = false;
    }
    long got = ReadMedium(m_Buffer + have, kBufferSize - have);
    if (got < 0) {
        m_nState = eError;
        return 0;
    }
    if (got == 0) m_nLimit = m_nRawPos;  // the file is shorter than measured
    return have + size_t(got);
}

size_t CStream::FillInflated() {
    size_t have = 0;
    if (m_bHeldCR) {
        m_Buffer[have++] = '\r';
        m_bHeldCR = false;
    }
    if (m_bZlibEnded) return have;
    m_pZ->next_out = m_Buffer + have;
    m_pZ->avail_out = uInt(kBufferSize - have);
    while (m_pZ->avail_out > 0) {
        if (m_pZ->avail_in == 0) {
            long got = ReadMedium(m_ZBuffer, kBufferSize);
            if (got < 0) {
                m_nState = eError;
                return 0;
            }
            if (got == 0) {  // the data ended before the zlib stream did
                m_nState = eError;
                return 0;
            }
            m_pZ->next_in = m_ZBuffer;
            m_pZ->avail_in = uInt(got);
        }
        int rc = inflate(m_pZ.get(), Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            m_bZlibEnded = true;
            break;
        }
        if (rc != Z_OK) {
            m_nState = eError;
            return 0;
        }
    }
    return kBufferSize - m_pZ->avail_out;
}

// CR LF becomes LF. A CR that ends the buffer is held back until the next
// byte is known, so a pair split across two refills still becomes one LF.
size_t CStream::TranslateLineEnds(size_t count) {
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t c = m_Buffer[i];
        if (c == '\r' && i + 1 < count && m_Buffer[i + 1] == '\n') continue;
        m_Buffer[out++] = c;
    }
    if (out > 0 && m_Buffer[out - 1] == '\r' && Remaining() > 0) {
        m_bHeldCR = true;
        --out;
    }
    return out;
}

bool CStream::Refill() {
    if (m_nState != eGood || !(m_nMode & eRead) || !m_bOpen) return false;
    m_nBase += int64_t(m_nFill);
    m_nFill = m_nPos = 0;
    while (m_nFill == 0) {
        size_t produced = m_bCompressing ? FillInflated() : FillPlain();
        if (m_nState != eGood) return false;
        bool more = m_bCompressing ? !m_bZlibEnded : Remaining() > 0;
        if (m_nMode & eText) produced = TranslateLineEnds(produced);
        if (produced == 0 && !m_bHeldCR) {
            m_nState = eEnd;
            return false;
        }
        m_nFill = produced;
        if (produced == 0 && !more) {  // only a held CR is left: deliver it
            m_bHeldCR = false;
            m_Buffer[0] = '\r';
            m_nFill = 1;
        }
    }
    return true;
}

int CStream::ReadByte() {
    if (m_nPos >= m_nFill && !Refill()) return -1;
    return m_Buffer[m_nPos++];
}

size_t CStream::ReadBytes(void* dest, size_t count) {
    auto* out = static_cast<uint8_t*>(dest);
    size_t done = 0;
    while (done < count) {
        if (m_nPos >= m_nFill && !Refill()) break;
        size_t n = std::min(count - done, m_nFill - m_nPos);
        std::memcpy(out + done, m_Buffer + m_nPos, n);
        m_nPos += n;
        done += n;
    }
    return done;
}

void CStream::ReadRest(std::string& out, size_t spare) {
    if (ReadRestOfMedium(out, spare)) return;
    char chunk[16 * kBufferSize];
    while (size_t got = ReadBytes(chunk, sizeof chunk)) out.append(chunk, got);
}

// The whole text is at hand, so CR LF pairs are found without holding a CR
// back across refills.
bool CStream::ReadRestOfMedium(std::string& out, size_t spare) {
    if (m_nState != eGood || !(m_nMode & eRead) || !m_bOpen || m_bCompressing || m_nPos < m_nFill || m_bHeldCR)
        return false;
    const size_t start = out.size();
    size_t used = start;
    const size_t expected = size_t(std::max<int64_t>(Remaining(), 0)) + 1;
    out.reserve(start + expected + spare);
    out.resize(start + expected);
    for (;;) {
        if (used == out.size()) out.resize(out.size() * 2);
        long got = ReadMedium(out.data() + used, out.size() - used);
        if (got < 0) m_nState = eError;
        if (got <= 0) break;
        used += size_t(got);
    }
    if (m_nMode & eText) {
        // Most texts have no CR at all: nothing moves before the first one.
        const void* cr = std::memchr(out.data() + start, '\r', used - start);
        size_t kept = cr ? size_t(static_cast<const char*>(cr) - out.data()) : used;
        for (size_t i = kept; i < used; ++i)
            if (out[i] != '\r' || i + 1 >= used || out[i + 1] != '\n') out[kept++] = out[i];
        used = kept;
    }
    out.resize(used);
    if (m_nState == eGood) m_nState = eEnd;
    return true;
}

uint32_t CStream::ReadDword() {
    uint8_t b[4] = {};
    if (ReadBytes(b, 4) != 4) return 0;
    return GetLe32(b);
}

bool CStream::ReadString(std::string& out) {
    out.clear();
    uint32_t len = ReadDword();
    if (!IsGood()) return false;
    // A plain stream cannot hold more than what remains of the file; refuse a
    // lying length before allocating for it.
    if (!m_bCompressing && int64_t(len) > int64_t(m_nFill - m_nPos) + Remaining()) {
        m_nState = eEnd;
        return false;
    }
    char chunk[kBufferSize];
    while (out.size() < len) {
        size_t want = std::min<size_t>(sizeof chunk, len - out.size());
        size_t got = ReadBytes(chunk, want);
        out.append(chunk, got);
        if (got < want) {
            out.clear();
            return false;
        }
    }
    return true;
}

size_t CStream::ReadLine(char* buffer, size_t capacity, uint32_t options, int32_t* lineCounter) {
    const bool blanks = options & eLineBlanks, comments = options & eLineComments;
    size_t len = 0;
    int prev = -1;
    bool inComment = false;
    int c;
    while (len + 1 < capacity && IsGood() && (c = ReadByte()) >= 0) {
        if (c == '\n') {
            if (lineCounter) ++*lineCounter;
            if (inComment) inComment = false;
            if (len == 0 || (blanks && len == 1 && buffer[0] == ' ')) {
                len = 0;
                prev = -1;
                continue;
            }
            if (blanks && buffer[len - 1] == ' ') --len;
            if (len > 0) break;
            continue;
        }
        if (comments && !inComment && c == '/' && prev == '/' && len == 1 && buffer[0] == '/') {
            inComment = true;
            len = 0;
            prev = c;
            continue;
        }
        if (!inComment) {
            if (blanks && IsBlank(c)) {
                if (len > 0 && buffer[len - 1] != ' ') buffer[len++] = ' ';
            } else {
                buffer[len++] = char(c);
            }
        }
        prev = c;
    }
    if (capacity > 0) buffer[len] = 0;
    if (len > 0 && m_nState == eEnd) m_nState = eGood;
    return len;
}

bool CStream::WriteRaw(const void* data, size_t count) {
    auto* p = static_cast<const uint8_t*>(data);
    while (count > 0) {
        long put = RawWrite(p, count);
        if (put <= 0) {
            m_nState = eError;
            return false;
        }
        p += put;
        count -= size_t(put);
    }
    return true;
}

// Writes the buffer out, through deflate when compressing; finish ends the
// zlib stream.
bool CStream::FlushBuffer(bool finish) {
    if (!m_bCompressing) {
        bool ok = m_nFill == 0 || WriteRaw(m_Buffer, m_nFill);
        m_nFill = 0;
        return ok;
    }
    m_pZ->next_in = m_Buffer;
    m_pZ->avail_in = uInt(m_nFill);
    int flush = finish ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
        m_pZ->next_out = m_ZBuffer;
        m_pZ->avail_out = kBufferSize;
        int rc = deflate(m_pZ.get(), flush);
        if (rc == Z_STREAM_ERROR) {
            m_nState = eError;
            return false;
        }
        size_t out = kBufferSize - m_pZ->avail_out;
        if (out > 0 && !WriteRaw(m_ZBuffer, out)) return false;
        if (finish ? rc == Z_STREAM_END : (m_pZ->avail_in == 0 && m_pZ->avail_out != 0)) break;
    }
    m_nFill = 0;
    return true;
}

void CStream::WriteBytes(const void* source, size_t count) {
    if (m_nState != eGood || !(m_nMode & eWrite) || !m_bOpen) {
        if (m_nState == eGood) m_nState = eNotAllowed;
        return;
    }
    auto* p = static_cast<const uint8_t*>(source);
    m_bWroteAny = m_bWroteAny || count > 0;
    if (!(m_nMode & eText)) {
        // Whole runs, flushed at the same points as byte by byte: the
        // compressor sees the same pieces either way.
        while (count > 0) {
            if (m_nFill == kBufferSize && !FlushBuffer(false)) return;
            const size_t n = std::min(count, kBufferSize - m_nFill);
            std::memcpy(m_Buffer + m_nFill, p, n);
            m_nFill += n;
            p += n;
            count -= n;
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        if ((m_nMode & eText) && p[i] == '\n') {
            if (m_nFill == kBufferSize && !FlushBuffer(false)) return;
            m_Buffer[m_nFill++] = '\r';
        }
        if (m_nFill == kBufferSize && !FlushBuffer(false)) return;
        m_Buffer[m_nFill++] = p[i];
    }
}

void CStream::WriteDword(uint32_t v) {
    uint8_t b[4];
    PutLe32(b, v);
    WriteBytes(b, 4);
}

void CStream::WriteHeader(const uint8_t* id, const std::string& name, int32_t number,
                          bool startCompression) {
    if (m_nState != eGood || !(m_nMode & eWrite) || m_bWroteAny || !m_bOpen) {
        m_nState = eError;
        return;
    }
    if (name.empty() && !id && number == 0) return;
    uint8_t flags = 0;
    if (!name.empty()) flags |= eHdrName;
    if (number != 0) flags |= eHdrNumber;
    if (id) flags |= eHdrId;
    if (m_nMode & eText) flags |= eHdrText;
    if (Level() > 0) flags |= eHdrCompressed;
    // The header itself is never compressed.
    std::string h(reinterpret_cast<const char*>(kHeaderMagic), 3);
    h += char(flags);
    if (flags & eHdrName) {
        h += char(uint8_t(name.size()));
        h.append(name, 0, name.size() & 0xFF);
    }
    if (flags & eHdrNumber) {
        uint8_t b[4];
        PutLe32(b, uint32_t(number));
        h.append(reinterpret_cast<const char*>(b), 4);
    }
    if (flags & eHdrId) h.append(reinterpret_cast<const char*>(id), 16);
    WriteRaw(h.data(), h.size());
    m_bCompressing = startCompression && m_pZ != nullptr;
}

bool CStream::Seek(int64_t offset, int origin) {
    if (!(m_nMode & eRead) || !m_bOpen) {
        m_nState = eNotAllowed;
        return false;
    }
    int64_t cur = m_nBase + int64_t(m_nPos);
    int64_t target = origin == 0 ? offset : origin == 1 ? cur + offset : m_nLimit + offset;
    bool allowed = (m_nMode & eRandom) ? (target >= 0 && target <= m_nLimit)
                                       : (origin == 0 && offset == 0);
    if (!allowed || m_bCompressing) {
        m_nState = eNotAllowed;
        return false;
    }
    m_nRawPos = target;
    m_nBase = target;
    m_nFill = m_nPos = 0;
    m_bHeldCR = false;
    if (m_nState == eEnd) m_nState = eGood;
    return RawSeek(target);
}

void CStream::EndStream() {
    if (m_bOpen && (m_nMode & eWrite) && m_nState == eGood) {
        if (m_bCompressing) {
            FlushBuffer(true);
        } else {
            FlushBuffer(false);
        }
    }
    if (m_pZ) {
        if (m_nMode & eWrite)
            deflateEnd(m_pZ.get());
        else
            inflateEnd(m_pZ.get());
        m_pZ.reset();
    }
    m_bCompressing = false;
    m_nFill = m_nPos = 0;
}

void CStream::Close() { EndStream(); }

// ---------------------------------------------------------------------------

CFileStream::~CFileStream() { CFileStream::Close(); }

static void CreateParentDirectories(const std::string& path) {
    size_t from = 0;
    if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && path[1] == path[0]) {
        // \\server\share\...: the first two components are not directories.
        from = path.find_first_of("\\/", 2);
        from = from == std::string::npos ? path.size() : path.find_first_of("\\/", from + 1);
    }
    for (size_t i = from; i < path.size() && i != std::string::npos; ++i)
        if ((path[i] == '/' || path[i] == platform::kPathSeparator) && i > 0)
            platform::CreateDirectory(path.substr(0, i));
}

bool CFileStream::Open(const std::string& path, uint32_t mode, int64_t start, int64_t length) {
    if (!BeginStream(mode)) return false;
    if (mode & eWrite) CreateParentDirectories(path);
    auto how = (mode & eRead)           ? platform::OpenFor::Read
               : (mode & eKeepExisting) ? platform::OpenFor::WriteKeep
                                        : platform::OpenFor::WriteReplace;
    m_hFile = platform::OpenFile(path, how);
    if (m_hFile == platform::kInvalidFile) {
        EndStream();
        m_nState = eError;
        return false;
    }
    m_bOpen = true;
    return SetLimits(mode, start, length, platform::FileSize(m_hFile));
}

bool CFileStream::OpenBytes(std::string bytes, uint32_t mode) {
    if (!(mode & eRead) || !BeginStream(mode)) return false;
    m_bInMemory = m_bOpen = true;
    m_strBytes = std::move(bytes);
    m_nBytesPos = 0;
    return SetLimits(mode, 0, -1, int64_t(m_strBytes.size()));
}

// The limits of an opened file; a read stream then skips its header.
bool CFileStream::SetLimits(uint32_t mode, int64_t start, int64_t length, int64_t size) {
    if (size < 0 || start < 0 || start > size) {
        Close();
        m_nState = eError;
        return false;
    }
    m_nStart = start;
    m_nLimit = (length >= 0 && length < size - start) ? length : size - start;
    if (mode & eWrite) return true;
    if (start != 0) RawSeek(0);
    if (!(mode & eNoHeader)) SkipHeader();
    if (mode & eText) DetectTextWidth();
    return true;
}

// A UTF-16 little-endian mark switches the stream to decoding two-byte text.
void CFileStream::DetectTextWidth() {
    int64_t at = m_nRawPos;
    uint8_t mark[2];
    if (!m_bCompressing && ReadMedium(mark, 2) == 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        m_nTextWidth = 2;
        return;
    }
    m_nTextWidth = 1;
    m_nRawPos = at;
    RawSeek(at);
}

long CFileStream::ReadSource(void* buf, size_t count) {
    if (!m_bInMemory) return platform::ReadFile(m_hFile, buf, count);
    count = std::min(count, m_strBytes.size() - std::min(m_nBytesPos, m_strBytes.size()));
    std::memcpy(buf, m_strBytes.data() + m_nBytesPos, count);
    m_nBytesPos += count;
    return long(count);
}

long CFileStream::RawRead(void* buf, size_t count) {
    if (m_nTextWidth != 2) return ReadSource(buf, count);
    // Two bytes per character; characters above 255 become '?'.
    uint8_t wide[2 * kBufferSize];
    count = std::min(count, size_t(kBufferSize));
    long got = ReadSource(wide, count * 2);
    if (got <= 0) return got;
    auto* out = static_cast<uint8_t*>(buf);
    long chars = got / 2;
    for (long i = 0; i < chars; ++i)
        out[i] = wide[2 * i + 1] ? uint8_t('?') : wide[2 * i];
    m_nRawPos += got - chars;  // the caller counts characters, the limit counts bytes
    return chars;
}

long CFileStream::RawWrite(const void* buf, size_t count) {
    return platform::WriteFile(m_hFile, buf, count);
}

bool CFileStream::RawSeek(int64_t pos) {
    if (!m_bInMemory) return platform::SeekFile(m_hFile, m_nStart + pos, 0) >= 0;
    m_nBytesPos = size_t(m_nStart + pos);
    return true;
}

void CFileStream::Close() {
    EndStream();
    if (m_hFile != platform::kInvalidFile) {
        platform::CloseFile(m_hFile);
        m_hFile = platform::kInvalidFile;
    }
    m_bInMemory = false;
    std::string().swap(m_strBytes);
    m_bOpen = false;
}
