// The scanner reads one byte at a time through a frame's text stream, with
// one character of push-back, and builds tokens in the frame's current-token
// slot. Every loop here ends at the end of the file: reads past the end keep
// returning -1, and tokens never hold more than 255 characters.
#include "lexer/Scanner.h"

#include <cstring>

namespace {

constexpr int kEof = -1;

struct Spelling {
    const char* text;
    int32_t kind;
};

// Tried in this order; the first match wins.
constexpr Spelling kKeywords[] = {
    {"if", CToken::eIf},           {"then", CToken::eThen},         {"else", CToken::eElse},
    {"while", CToken::eWhile},     {"for", CToken::eFor},           {"do", CToken::eDo},
    {"int", CToken::eInt},         {"event", CToken::eEvent},       {"state", CToken::eState},
    {"command", CToken::eCommand}, {"function", CToken::eFunction}, {"true", CToken::eTrue},
    {"false", CToken::eFalse},     {"return", CToken::eReturn},     {"string", CToken::eString},
    {"break", CToken::eBreak},     {"continue", CToken::eContinue}, {"assert", CToken::eAssert},
    {"verify", CToken::eVerify},   {"enum", CToken::eEnum},         {"consts", CToken::eConsts},
    {"button", CToken::eButton},   {"null", CToken::eNull},         {"multi", CToken::eMulti},
    {"description", CToken::eDescription}, {"hotkey", CToken::eHotKey},
    {"hidden", CToken::eHidden},   {"advanced", CToken::eAdvanced}, {"priority", CToken::ePriority},
    {"item", CToken::eItem},       {"include", CToken::eInclude},
};

constexpr Spelling kPairs[] = {
    {"==", CToken::eEQ}, {"<=", CToken::eLE},         {">=", CToken::eGE},        {"!=", CToken::eNE},
    {"&&", CToken::eLogicalAnd}, {"||", CToken::eLogicalOr}, {"++", CToken::ePlusPlus},
    {"--", CToken::eMinusMinus},
};

// The second "=" entry is never reached; it is kept so the table reads as the
// game's tools list it.
constexpr Spelling kSingles[] = {
    {"+", CToken::ePlus},      {"-", CToken::eMinus},          {"=", CToken::eAssign},
    {"/", CToken::eDivide},    {"%", CToken::eModulus},        {"*", CToken::eMultiply},
    {"(", CToken::eParenthesesLeft}, {")", CToken::eParenthesesRight},
    {"{", CToken::eBracesLeft}, {"}", CToken::eBracesRight},   {"[", CToken::eBracketsLeft},
    {"]", CToken::eBracketsRight}, {"!", CToken::eLogicalNot}, {"<", CToken::eLT},
    {">", CToken::eGT},        {";", CToken::eSemicolon},      {":", CToken::eColon},
    {"=", CToken::eAssign},    {".", CToken::eDot},            {",", CToken::eComma},
    {"&", CToken::eBitAnd},    {"|", CToken::eBitOr},          {"~", CToken::eBitNot},
    {"^", CToken::eBitXor},
};

constexpr const char* kPairStarters = "=-+!%/(){}[]*<>;&|^~,:";

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int32_t KeywordKind(const char* text) {
    for (const Spelling& k : kKeywords)
        if (std::strcmp(k.text, text) == 0) return k.kind;
    return CToken::eText;
}

int32_t PairKind(int a, int b) {
    for (const Spelling& p : kPairs)
        if (p.text[0] == a && p.text[1] == b) return p.kind;
    return CToken::eInvalid;
}

int32_t SingleKind(int c) {
    for (const Spelling& s : kSingles)
        if (s.text[0] == c) return s.kind;
    return CToken::eInvalid;
}

// Appends while the text has room; a token that outgrows it becomes invalid.
void Append(CToken& t, size_t& len, int c, bool& overflow) {
    if (len < size_t(CToken::kMaxText)) {
        t.m_szText[len++] = char(c);
        t.m_szText[len] = 0;
    } else {
        overflow = true;
    }
}

}  // namespace

int CScanner::Open(const std::string& path, const CFileProvider& files) {
    if (m_Frames.empty()) m_Frames.reserve(kMaxFrames);
    m_Frames.push_back(std::make_unique<CSourceFrame>());
    CSourceFrame& f = Current();
    f.m_strPath = path;
    if (!files.Open(path, CStream::eRead | CStream::eText, f.m_File)) return 0;
    SkipUtf8Mark();
    return 1;
}

// Editors on Windows often start a file with EF BB BF. Anything else is read
// again from its first byte, so lines and columns count as if nothing had
// been looked at. A file decoded from UTF-16 has no such mark to skip.
void CScanner::SkipUtf8Mark() {
    static constexpr int kMark[3] = {0xEF, 0xBB, 0xBF};
    CSourceFrame& f = Current();
    if (f.m_File.GetTextWidth() != 1) return;
    for (int expected : kMark) {
        int c = f.m_File.ReadByte();
        if (c == kEof) return;
        f.m_Lead[f.m_nLead++] = c;
        if (c != expected) return;
    }
    f.m_nLead = 0;
}

std::vector<std::string> CScanner::GetIncludeChain() const {
    std::vector<std::string> chain;
    for (const auto& f : m_Frames) chain.push_back(f->m_strPath);
    return chain;
}

void CScanner::NextToken() {
    CSourceFrame& f = Current();
    if (f.m_nPending > 0) {
        f.m_Token = f.m_Pending[--f.m_nPending];
        return;
    }
    ScanToken();
}

void CScanner::UngetToken() {
    CSourceFrame& f = Current();
    if (f.m_nPending < 3) f.m_Pending[f.m_nPending++] = f.m_Token;
}

int CScanner::ReadChar() {
    CSourceFrame& f = Current();
    if (f.m_bPushedBack) {
        f.m_bPushedBack = false;
        return f.m_nPushedBack;
    }
    int c = f.m_nLeadRead < f.m_nLead ? f.m_Lead[f.m_nLeadRead++] : f.m_File.ReadByte();
    if (c == '\n' || c == '\r') {
        ++f.m_nLine;
        f.m_nColumn = 1;
    } else {
        ++f.m_nColumn;
    }
    return c;
}

void CScanner::PushBack(int c) {
    CSourceFrame& f = Current();
    f.m_bPushedBack = true;
    f.m_nPushedBack = c;
}

// Closes an included file that ended; false for the main file.
bool CScanner::PopFrame() {
    if (m_Frames.size() <= 1) return false;
    m_Frames.pop_back();
    return true;
}

// Skips blanks and comments; returns the first character of the next token.
int CScanner::SkipBlanksAndComments(int c) {
    for (;;) {
        while (IsBlank(c)) c = ReadChar();
        if (c != '/') return c;
        int next = ReadChar();
        if (next == '/') {
            do c = ReadChar();
            while (c != '\n' && c != '\r' && c != kEof);
        } else if (next == '*') {
            c = ReadChar();
            for (;;) {
                if (c == kEof) break;
                if (c == '*') {
                    c = ReadChar();
                    if (c == '/') {
                        c = ReadChar();
                        break;
                    }
                    continue;  // the character after a lone '*' is examined again
                }
                c = ReadChar();
            }
        } else {
            PushBack(next);
            return '/';
        }
    }
}

void CScanner::ScanToken() {
    for (;;) {
        int c = SkipBlanksAndComments(ReadChar());
        CToken& t = Current().m_Token;
        if (c == kEof) {
            if (PopFrame()) continue;
            PushBack(kEof);
            t.m_nKind = CToken::eEndOfFile;
            return;
        }
        t.m_nKind = CToken::eInvalid;
        t.m_szText[0] = char(c);
        t.m_szText[1] = 0;
        t.m_nLine = Current().m_nLine;
        t.m_nColumn = Current().m_nColumn;
        if (IsLetter(c))
            ScanIdentifier(t, c);
        else if (IsDigit(c))
            ScanNumber(t, c);
        else if (c == '"')
            ScanString(t);
        else
            ScanOperator(t, c);
        return;
    }
}

void CScanner::ScanIdentifier(CToken& t, int c) {
    size_t len = 1;
    bool overflow = false;
    while (IsLetter(c = ReadChar()) || IsDigit(c) || c == '_') Append(t, len, c, overflow);
    PushBack(c);
    t.m_nKind = overflow ? CToken::eInvalid : KeywordKind(t.m_szText);
}

// Values wrap modulo 2^32; a number above 4294967295 is not a number.
void CScanner::ScanNumber(CToken& t, int c) {
    size_t len = 1;
    bool overflow = false;
    uint64_t value = uint64_t(c - '0');
    while (IsDigit(c = ReadChar())) {
        Append(t, len, c, overflow);
        value = value * 10 + uint64_t(c - '0');
        if (value > 0xFFFFFFFFull) overflow = true, value = 0xFFFFFFFFull + 1;
    }
    PushBack(c);
    t.m_nKind = overflow ? CToken::eInvalid : CToken::eNumber;
    t.m_nValue = int32_t(uint32_t(value));
}

void CScanner::ScanString(CToken& t) {
    size_t len = 0;
    bool overflow = false;
    t.m_szText[0] = 0;
    for (;;) {
        int c = ReadChar();
        if (c == '\n' || c == '\r' || c == kEof) {
            if (c == kEof) PushBack(kEof);
            t.m_nKind = CToken::eInvalid;  // broken or still open at the end
            return;
        }
        if (c == '\\') {
            c = ReadChar();
            if (c == '"' || c == '\\')
                Append(t, len, c, overflow);
            else if (c == 'n')
                Append(t, len, '\n', overflow);
            else if (c == 'r')
                Append(t, len, '\r', overflow);
            else if (c == 't')
                Append(t, len, '\t', overflow);
            else
                PushBack(c);
            continue;
        }
        if (c == '"') {
            do c = ReadChar();
            while (IsBlank(c));
            if (c == '"') continue;  // adjacent strings join into one token
            PushBack(c);
            t.m_nKind = overflow ? CToken::eInvalid : CToken::eQuotedString;
            return;
        }
        Append(t, len, c, overflow);
    }
}

void CScanner::ScanOperator(CToken& t, int c) {
    int next = ReadChar();
    if (next > 0 && std::strchr(kPairStarters, next) != nullptr) {
        int32_t kind = PairKind(c, next);
        if (kind != CToken::eInvalid) {
            t.m_nKind = kind;
            return;
        }
    }
    t.m_nKind = SingleKind(c);
    PushBack(next);
}
