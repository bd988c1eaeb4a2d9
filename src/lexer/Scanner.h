// CScanner: turns the bytes of the source and of the files it includes into
// tokens. One frame per open file; an included file that ends hands over to
// the frame below it, and only the main file yields the end-of-file token.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "lexer/Token.h"
#include "support/Files.h"
#include "support/Stream.h"

class CSourceFrame {
public:
    CFileStream m_File;
    bool m_bPushedBack = false;
    int m_nPushedBack = 0;
    int m_nPending = 0;
    int m_nLine = 1;
    int m_nColumn = 1;
    // Bytes read ahead at the start in search of the UTF-8 byte-order mark
    // that turned out not to be one; they are read again before the rest.
    int m_Lead[3] = {};
    int m_nLead = 0;
    int m_nLeadRead = 0;
    CToken m_Pending[3];
    CToken m_Token;
    std::string m_strPath;
};

class CScanner {
public:
    static constexpr int kMaxFrames = 256;

    // Adds a frame and opens path in text mode through files, skipping a UTF-8
    // byte-order mark; 0 when it cannot be opened (the frame stays and reads
    // as empty).
    int Open(const std::string& path, const CFileProvider& files = PlatformFiles());
    void NextToken();
    void UngetToken();
    int Is(int kind) const { return Current().m_Token.m_nKind == kind; }
    const CToken& GetToken() const { return Current().m_Token; }
    CToken& GetToken() { return Current().m_Token; }
    const std::string& GetFileName() const { return Current().m_strPath; }
    int GetDepth() const { return int(m_Frames.size()); }
    // Paths of the open files, outermost first.
    std::vector<std::string> GetIncludeChain() const;

private:
    CSourceFrame& Current() { return *m_Frames.back(); }
    const CSourceFrame& Current() const { return *m_Frames.back(); }
    void SkipUtf8Mark();
    int ReadChar();
    void PushBack(int c);
    void ScanToken();
    int SkipBlanksAndComments(int c);
    void ScanIdentifier(CToken& t, int c);
    void ScanNumber(CToken& t, int c);
    void ScanString(CToken& t);
    void ScanOperator(CToken& t, int c);
    bool PopFrame();

    std::vector<std::unique_ptr<CSourceFrame>> m_Frames;
};
