// Streams: line ends, the line reader, container headers and compression,
// each checked through real files.
#include <gtest/gtest.h>
#include <zlib.h>

#include "TestFiles.h"
#include "support/Stream.h"

namespace {

std::string ReadAll(const std::string& path, uint32_t mode) {
    CFileStream s;
    s.Open(path, mode);
    std::string out;
    for (int c; (c = s.ReadByte()) >= 0;) out += char(c);
    return out;
}

std::vector<std::string> ReadLines(const std::string& path, size_t capacity, int32_t* counter) {
    CFileStream s;
    s.Open(path, CStream::eRead);
    std::vector<std::string> lines;
    char buf[512];
    for (;;) {
        s.ReadLine(buf, capacity, CStream::eLineBlanks | CStream::eLineComments, counter);
        if (!s.IsGood()) break;
        lines.push_back(buf);
    }
    return lines;
}

TEST(Stream, TextModeTurnsCrLfIntoLfAlsoAcrossRefills) {
    std::string lf, crlf;
    for (int line = 0; line < 200; ++line) {
        // The first line puts its CR on byte 511 and its LF on byte 512.
        std::string text(line == 0 ? 511 : line % 7, char('a' + line % 26));
        lf += text + "\n";
        crlf += text + "\r\n";
    }
    ASSERT_EQ('\r', crlf[511]);
    ASSERT_EQ('\n', crlf[512]);
    TempFile a(lf), b(crlf), lone("x\ry\r\r\nz\r");
    EXPECT_EQ(lf, ReadAll(b.path, CStream::eRead | CStream::eText));
    EXPECT_EQ(lf, ReadAll(a.path, CStream::eRead | CStream::eText));
    EXPECT_EQ(crlf, ReadAll(b.path, CStream::eRead));
    EXPECT_EQ("x\ry\r\nz\r", ReadAll(lone.path, CStream::eRead | CStream::eText));
}

TEST(Stream, Utf16TextIsReadAsNarrowText) {
    std::string wide = "\xFF\xFE";
    for (char c : std::string("ab\r\nc")) wide += std::string(1, c) + '\0';
    wide += "\x3A\x04";  // a Cyrillic letter
    TempFile f(wide);
    EXPECT_EQ("ab\nc?", ReadAll(f.path, CStream::eRead | CStream::eText));
}

TEST(Stream, LineReaderNormalisesBlanksAndDropsComments) {
    TempFile f("  abc   def  \n// note\n\nx\n");
    int32_t count = 0;
    EXPECT_EQ((std::vector<std::string>{"abc def", "x"}), ReadLines(f.path, 256, &count));
    EXPECT_EQ(4, count);

    TempFile g("a\t\t b\r\n  //x\r\nc // not a comment\r\nlast");
    count = 0;
    EXPECT_EQ((std::vector<std::string>{"a b", "c // not a comment", "last"}), ReadLines(g.path, 256, &count));
    EXPECT_EQ(3, count);
}

TEST(Stream, LineReaderSplitsLongLines) {
    TempFile f(std::string(300, 'q') + "\n");
    int32_t count = 0;
    auto lines = ReadLines(f.path, 256, &count);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::string(255, 'q'), lines[0]);
    EXPECT_EQ(std::string(45, 'q'), lines[1]);
}

TEST(Stream, HeaderIsWrittenAndSkipped) {
    TempFile f;
    const uint8_t id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    {
        CFileStream s;
        ASSERT_TRUE(s.Open(f.path, CStream::eWrite));
        s.WriteHeader(id, "Guard", 7, false);
        s.WriteBytes("body", 4);
    }
    std::string raw = f.Read();
    std::string want = "\xFF\xA1\xD0\x38\x05Guard\x07";
    want += std::string("\0\0\0", 3) + std::string(reinterpret_cast<const char*>(id), 16) + "body";
    EXPECT_EQ(want, raw);
    EXPECT_EQ("body", ReadAll(f.path, CStream::eRead));
    EXPECT_EQ(raw, ReadAll(f.path, CStream::eRead | CStream::eNoHeader));
}

TEST(Stream, EmptyHeaderWritesNothingAndStartsNoCompression) {
    TempFile f;
    {
        CFileStream s;
        ASSERT_TRUE(s.Open(f.path, CStream::eWrite));
        s.WriteHeader(nullptr, "", 0, true);
        s.WriteBytes("plain", 5);
    }
    EXPECT_EQ("plain", f.Read());
}

TEST(Stream, CompressedWriteReadsBackThroughStreamAndZlib) {
    TempFile f;
    std::string data;
    for (int i = 0; i < 5000; ++i) data += char(i * 7 % 251);
    {
        CFileStream s;
        ASSERT_TRUE(s.Open(f.path, CStream::eWrite | (6u << CStream::eLevelShift)));
        s.WriteHeader(nullptr, "U", 0, true);
        s.WriteBytes(data.data(), data.size());
        s.Close();
        EXPECT_TRUE(s.IsGood());
    }
    std::string raw = f.Read();
    ASSERT_EQ(std::string("\xFF\xA1\xD0\x09\x01U", 6), raw.substr(0, 6));
    std::vector<uint8_t> out(data.size());
    uLongf outLen = uLongf(out.size());
    ASSERT_EQ(Z_OK, uncompress(out.data(), &outLen, reinterpret_cast<const Bytef*>(raw.data() + 6),
                               uLong(raw.size() - 6)));
    EXPECT_EQ(data, std::string(out.begin(), out.begin() + long(outLen)));
    EXPECT_EQ(data, ReadAll(f.path, CStream::eRead | (6u << CStream::eLevelShift)));
}

TEST(Stream, WriteCreatesMissingDirectories) {
    TempFile dir;
    std::string path = dir.path + "-d/a/b/out.bin";
    {
        CFileStream s;
        ASSERT_TRUE(s.Open(path, CStream::eWrite));
        s.WriteBytes("x", 1);
    }
    TempFile check;
    check.path = path;
    EXPECT_EQ("x", check.Read());
    std::filesystem::remove_all(dir.path + "-d");
}

TEST(Stream, FailuresMoveTheStateWord) {
    CFileStream missing;
    EXPECT_FALSE(missing.Open("/nonexistent/file", CStream::eRead));
    EXPECT_EQ(CStream::eError, missing.GetState());
    EXPECT_EQ(-1, missing.ReadByte());

    TempFile f("abc");
    CFileStream both;
    EXPECT_FALSE(both.Open(f.path, CStream::eRead | CStream::eWrite));
    CFileStream textRandom;
    EXPECT_FALSE(textRandom.Open(f.path, CStream::eRead | CStream::eText | CStream::eRandom));

    CFileStream r;
    ASSERT_TRUE(r.Open(f.path, CStream::eRead));
    r.WriteBytes("x", 1);
    EXPECT_EQ(CStream::eNotAllowed, r.GetState());

    CFileStream lying;
    TempFile g(std::string("\xFF\xFF\xFF\x7F", 4) + "abc");
    ASSERT_TRUE(lying.Open(g.path, CStream::eRead));
    std::string s;
    EXPECT_FALSE(lying.ReadString(s));
    EXPECT_TRUE(s.empty());
}

}  // namespace
