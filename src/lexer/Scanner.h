// CScanner: turns the bytes of the source and of the files it includes into
// tokens. One frame per open file, each holding its whole text, decoded
// (CR LF already one LF, UTF-16 already narrow, a UTF-8 mark skipped), read
// at Open; an included file that ends hands over to the frame below it, and
// only the main file yields the end-of-file token.
//
// The text is followed by kPadding zero bytes, so the scanner reads past a
// token's end (a NUL stops every run of a class) without testing for the
// end at each character; a NUL inside the text is told from the end by its
// position.
//
// A token's text lives in its frame: each name, number or string takes the
// next of four text slots in turn, so its text stays readable while at least
// the next three tokens are scanned; an operator's text is a constant. Text
// is copied out of a token by whatever keeps it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "lexer/Token.h"
#include "support/Files.h"
#include "support/Stream.h"

class CSourceFrame {
public:
    static constexpr size_t kPadding = 16;

    std::string m_strText;               // the whole file, decoded, then the padding
    const char* m_pNext = nullptr;       // the next character to read
    const char* m_pEnd = nullptr;        // the end of the file's text
    const char* m_pLineStart = nullptr;  // just after the last line break read
    int m_nLine = 1;
    CToken m_Token;
    std::string m_strPath;
    char m_Texts[4][CToken::kMaxText + 1] = {};
    unsigned m_nNextText = 0;
};

class CScanner {
public:
    static constexpr int kMaxFrames = 256;
    static constexpr int kMaxPending = 3;

    // Adds a frame and reads the file at path whole, in text mode through
    // files, skipping a UTF-8 byte-order mark; 0 when it cannot be opened
    // (the frame stays and reads as empty). An include is opened after its
    // file name was scanned, so no token of the frame below is handed back.
    int Open(const std::string& path, const CFileProvider& files = PlatformFiles());
    // Inline: the parser asks for a token, or hands one back, at every step.
    // A token handed back is always the current one (only NextToken changes
    // it, and only once nothing is pending), so handing back is a count.
    void NextToken() {
        if (m_nPending > 0) {
            --m_nPending;
            return;
        }
        ScanToken();
    }
    void UngetToken() {
        if (m_nPending < kMaxPending) ++m_nPending;
    }
    int Is(int kind) const { return Current().m_Token.m_nKind == kind; }
    const CToken& GetToken() const { return Current().m_Token; }
    const std::string& GetFileName() const { return Current().m_strPath; }
    int GetDepth() const { return int(m_Frames.size()); }
    // Paths of the open files, outermost first.
    std::vector<std::string> GetIncludeChain() const;
    // Bytes of text read by every Open so far: how long the parse will be.
    size_t GetBytesRead() const { return m_nBytesRead; }

private:
    CSourceFrame& Current() { return *m_pCurrent; }
    const CSourceFrame& Current() const { return *m_pCurrent; }
    void ScanToken();
    // At the end of a frame's text: the frame below goes on, or the end of
    // the main file is the token.
    void EndOfText();
    bool PopFrame();

    std::vector<std::unique_ptr<CSourceFrame>> m_Frames;
    // The last frame, asked for at every step of the parser.
    CSourceFrame* m_pCurrent = nullptr;
    // Times the current token was handed back, at most kMaxPending. One count
    // serves every frame: a frame opens after a token was scanned and closes
    // while one is scanned, never with a token handed back.
    int m_nPending = 0;
    size_t m_nBytesRead = 0;
};
