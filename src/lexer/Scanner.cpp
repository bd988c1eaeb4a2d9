// The scanner walks a frame's text with an index; a character is "read"
// when the index moves past it, and a line break counts once, when it is
// read. Looking at the next character without moving is what the design's
// one character of push-back amounts to. Every loop here ends at the end of
// the text, and tokens never hold more than 255 characters.
//
// A token's column is the position after its first character within its
// line, counted from 1: the index of that character past the line's start,
// plus 2.
#include "lexer/Scanner.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr int kEof = -1;

struct Spelling {
    const char* text;
    int32_t kind;
};

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

// Character classes as bits of one table, so a loop over a run of letters
// or blanks tests one byte per character. Only ASCII letters and digits
// count; bytes above 127 are neither.
enum ECharClass : uint8_t { cLetter = 1, cDigit = 2, cUnderscore = 4, cBlank = 8, cBreak = 16 };
constexpr uint8_t cName = cLetter | cDigit | cUnderscore;

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[size_t(c)] = cLetter;
    for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = cLetter;
    for (int c = '0'; c <= '9'; ++c) t[size_t(c)] = cDigit;
    t['_'] = cUnderscore;
    t[' '] = t['\t'] = cBlank;
    t['\n'] = t['\r'] = cBlank | cBreak;
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

// c is a character (0..255) or kEof, which is in no class.
bool Is(int c, uint8_t classes) { return c >= 0 && (kClasses[size_t(c)] & classes) != 0; }
bool IsLetter(int c) { return Is(c, cLetter); }
bool IsDigit(int c) { return Is(c, cDigit); }
bool IsBlank(int c) { return Is(c, cBlank); }

// Every keyword is lower case; a name is compared only with the keywords of
// its first letter and its length.
int32_t KeywordKind(std::string_view text) {
    struct SBucket {
        std::array<int8_t, 8> m_Keywords;
        std::array<uint8_t, 8> m_Lengths;
    };
    static const auto s_Buckets = [] {
        std::array<SBucket, 26> buckets{};
        for (auto& b : buckets) b.m_Keywords.fill(-1);
        for (size_t i = 0; i < std::size(kKeywords); ++i) {
            auto& b = buckets[size_t(kKeywords[i].text[0] - 'a')];
            size_t n = 0;
            while (b.m_Keywords[n] >= 0) ++n;
            b.m_Keywords[n] = int8_t(i);
            b.m_Lengths[n] = uint8_t(std::strlen(kKeywords[i].text));
        }
        return buckets;
    }();
    if (text[0] < 'a' || text[0] > 'z') return CToken::eText;
    const SBucket& b = s_Buckets[size_t(text[0] - 'a')];
    for (size_t n = 0; n < b.m_Keywords.size() && b.m_Keywords[n] >= 0; ++n) {
        const Spelling& k = kKeywords[b.m_Keywords[n]];
        if (b.m_Lengths[n] == text.size() && std::memcmp(k.text, text.data(), text.size()) == 0) return k.kind;
    }
    return CToken::eText;
}

int32_t PairKind(int a, int b) {
    for (const Spelling& p : kPairs)
        if (p.text[0] == a && p.text[1] == b) return p.kind;
    return CToken::eInvalid;
}

// The tables above by character, so an operator costs one lookup: the kind
// of a single character (the first row wins), and whether it may be the
// second character of a pair.
struct SCharTables {
    std::array<int32_t, 256> m_Single{};
    std::array<bool, 256> m_PairStarter{};
};

constexpr SCharTables MakeCharTables() {
    SCharTables t;
    t.m_Single.fill(CToken::eInvalid);
    for (size_t i = std::size(kSingles); i-- > 0;) t.m_Single[uint8_t(kSingles[i].text[0])] = kSingles[i].kind;
    for (const char* p = kPairStarters; *p; ++p) t.m_PairStarter[uint8_t(*p)] = true;
    return t;
}
constexpr SCharTables kChars = MakeCharTables();

int Peek(const CSourceFrame& f, size_t ahead = 0) {
    size_t at = f.m_nPos + ahead;
    return at < f.m_strText.size() ? uint8_t(f.m_strText[at]) : kEof;
}

// Reads the next character, counting a line break.
void Advance(CSourceFrame& f) {
    char c = f.m_strText[f.m_nPos++];
    if (c == '\n' || c == '\r') {
        ++f.m_nLine;
        f.m_nLineStart = f.m_nPos;
    }
}

// Copies a run of the text into the token's slot, up to the limit; a longer
// run makes the token invalid.
bool CopyRun(const CSourceFrame& f, size_t from, size_t to, char* text) {
    size_t n = std::min<size_t>(to - from, CToken::kMaxText);
    std::memcpy(text, f.m_strText.data() + from, n);
    text[n] = 0;
    return to - from > size_t(CToken::kMaxText);
}

// Appends while the text has room; a token that outgrows it becomes invalid.
void Append(char* text, size_t& len, int c, bool& overflow) {
    if (len < size_t(CToken::kMaxText)) {
        text[len++] = char(c);
        text[len] = 0;
    } else {
        overflow = true;
    }
}

// Editors on Windows often start a file with EF BB BF; it is skipped and
// counted as nothing. A file decoded from UTF-16 has no such mark to skip.
void SkipUtf8Mark(CSourceFrame& f, int width) {
    if (width == 1 && f.m_strText.compare(0, 3, "\xEF\xBB\xBF") == 0) f.m_nPos = f.m_nLineStart = 3;
}

// Indentation comes in runs of spaces after a line break, skipped eight at
// a time. The position is kept in a local: the text is read as chars, which
// may alias the frame, so the frame's own field would be reloaded at every
// character.
void SkipBlanks(CSourceFrame& f) {
    static constexpr char kEightSpaces[] = "        ";
    const char* text = f.m_strText.data();
    const size_t size = f.m_strText.size();
    size_t pos = f.m_nPos;
    for (uint8_t k; pos < size && ((k = kClasses[uint8_t(text[pos])]) & cBlank);) {
        ++pos;
        if (k & cBreak) {
            ++f.m_nLine;
            f.m_nLineStart = pos;
            while (size - pos >= 8 && std::memcmp(text + pos, kEightSpaces, 8) == 0) pos += 8;
        }
    }
    f.m_nPos = pos;
}

}  // namespace

int CScanner::Open(const std::string& path, const CFileProvider& files) {
    if (m_Frames.empty()) m_Frames.reserve(kMaxFrames);
    m_Frames.push_back(std::make_unique<CSourceFrame>());
    m_pCurrent = m_Frames.back().get();
    CSourceFrame& f = Current();
    f.m_strPath = path;
    CFileStream file;
    if (!files.Open(path, CStream::eRead | CStream::eText, file)) return 0;
    file.ReadRest(f.m_strText);
    SkipUtf8Mark(f, file.GetTextWidth());
    return 1;
}

std::vector<std::string> CScanner::GetIncludeChain() const {
    std::vector<std::string> chain;
    for (const auto& f : m_Frames) chain.push_back(f->m_strPath);
    return chain;
}

// Closes an included file that ended; false for the main file.
bool CScanner::PopFrame() {
    if (m_Frames.size() <= 1) return false;
    m_Frames.pop_back();
    m_pCurrent = m_Frames.back().get();
    return true;
}


// A line comment stops before its line break, which is then a blank; an
// unterminated block comment runs to the end of the text.
bool CScanner::SkipBlanksAndComments(CSourceFrame& f) {
    for (;;) {
        SkipBlanks(f);
        int c = Peek(f);
        if (c != '/') return c != kEof;
        int next = Peek(f, 1);
        if (next == '/') {
            f.m_nPos += 2;
            while ((c = Peek(f)) != '\n' && c != '\r' && c != kEof) ++f.m_nPos;
        } else if (next == '*') {
            f.m_nPos += 2;
            while ((c = Peek(f)) != kEof) {
                Advance(f);
                if (c == '*' && Peek(f) == '/') {
                    ++f.m_nPos;
                    break;
                }
            }
        } else {
            return true;  // the "/" is an operator
        }
    }
}

void CScanner::ScanToken() {
    for (;;) {
        CSourceFrame& f = Current();
        CToken& t = f.m_Token;
        if (!SkipBlanksAndComments(f)) {
            if (PopFrame()) continue;
            t.m_nKind = CToken::eEndOfFile;  // text, line and column stay those of the last token
            return;
        }
        char* text = f.m_Texts[f.m_nNextText++ % std::size(f.m_Texts)];
        int c = Peek(f);
        t.m_nKind = CToken::eInvalid;
        t.m_szText = text;
        t.m_nLine = f.m_nLine;
        t.m_nColumn = int(f.m_nPos - f.m_nLineStart) + 2;
        if (IsLetter(c))
            ScanIdentifier(f, t, text);
        else if (IsDigit(c))
            ScanNumber(f, t, text);
        else if (c == '"')
            ScanString(f, t, text);
        else
            ScanOperator(f, t, text);
        return;
    }
}

void CScanner::ScanIdentifier(CSourceFrame& f, CToken& t, char* text) {
    const size_t start = f.m_nPos;
    const char* data = f.m_strText.data();
    const size_t size = f.m_strText.size();
    size_t end = start;
    while (end < size && (kClasses[uint8_t(data[end])] & cName)) ++end;
    f.m_nPos = end;
    const bool overflow = CopyRun(f, start, f.m_nPos, text);
    t.m_nKind = overflow ? CToken::eInvalid : KeywordKind(std::string_view(text, f.m_nPos - start));
}

// Values wrap modulo 2^32; a number above 4294967295 is not a number.
void CScanner::ScanNumber(CSourceFrame& f, CToken& t, char* text) {
    const size_t start = f.m_nPos;
    bool overflow = false;
    uint64_t value = 0;
    for (int c; IsDigit(c = Peek(f)); ++f.m_nPos) {
        value = value * 10 + uint64_t(c - '0');
        if (value > 0xFFFFFFFFull) overflow = true, value = 0xFFFFFFFFull + 1;
    }
    overflow = CopyRun(f, start, f.m_nPos, text) || overflow;
    t.m_nKind = overflow ? CToken::eInvalid : CToken::eNumber;
    t.m_nValue = int32_t(uint32_t(value));
}

// The quote is not part of the text. A line break (read) or the end of the
// text ends the token as invalid; a backslash before any other character
// than ", \, n, r and t is dropped; adjacent strings join.
void CScanner::ScanString(CSourceFrame& f, CToken& t, char* text) {
    size_t len = 0;
    bool overflow = false;
    text[0] = 0;
    ++f.m_nPos;
    for (;;) {
        int c = Peek(f);
        if (c == kEof) break;
        Advance(f);
        if (c == '\n' || c == '\r') break;
        if (c == '\\') {
            switch (c = Peek(f)) {
            case '"': case '\\': Append(text, len, c, overflow); break;
            case 'n': Append(text, len, '\n', overflow); break;
            case 'r': Append(text, len, '\r', overflow); break;
            case 't': Append(text, len, '\t', overflow); break;
            default: continue;  // read again by the loop
            }
            ++f.m_nPos;
            continue;
        }
        if (c == '"') {
            while (IsBlank(Peek(f))) Advance(f);
            if (Peek(f) == '"') {
                ++f.m_nPos;
                continue;
            }
            t.m_nKind = overflow ? CToken::eInvalid : CToken::eQuotedString;
            return;
        }
        Append(text, len, c, overflow);
    }
    t.m_nKind = CToken::eInvalid;  // broken or still open at the end
}

// The text of an operator holds only its first character.
void CScanner::ScanOperator(CSourceFrame& f, CToken& t, char* text) {
    const int c = Peek(f);
    ++f.m_nPos;
    text[0] = char(c);
    text[1] = 0;
    const int next = Peek(f);
    if (next > 0 && kChars.m_PairStarter[size_t(next)]) {
        int32_t kind = PairKind(c, next);
        if (kind != CToken::eInvalid) {
            t.m_nKind = kind;
            ++f.m_nPos;
            return;
        }
    }
    t.m_nKind = kChars.m_Single[size_t(c)];
}
