// The scanner walks a frame's text with a pointer; a character is "read"
// when the pointer moves past it, and a line break counts once, when it is
// read. Looking at the next character without moving is what the design's
// one character of push-back amounts to. Every loop here ends at the end of
// the text (at the latest at the zero padding after it), and tokens never
// hold more than 255 characters.
//
// A token's column is the position after its first character within its
// line, counted from 1: the offset of that character from the line's start,
// plus 2.
#include "lexer/Scanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

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

// Character classes as bits of one table, so a loop over a run of letters
// or blanks tests one byte per character. Only ASCII letters and digits
// count; bytes above 127 are neither, and NUL (the padding) is in no class.
// The quote has a class of its own so that one test tells an operator.
enum ECharClass : uint8_t { cLetter = 1, cDigit = 2, cUnderscore = 4, cBlank = 8, cBreak = 16, cQuote = 32 };
constexpr uint8_t cName = cLetter | cDigit | cUnderscore;

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[size_t(c)] = cLetter;
    for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = cLetter;
    for (int c = '0'; c <= '9'; ++c) t[size_t(c)] = cDigit;
    t['_'] = cUnderscore;
    t[' '] = t['\t'] = cBlank;
    t['\n'] = t['\r'] = cBlank | cBreak;
    t['"'] = cQuote;
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

uint8_t ClassOf(char c) { return kClasses[uint8_t(c)]; }

// Keywords by a hash of first character, last character and length that
// puts each in a slot of its own; a name is then compared with the one
// keyword of its slot, sixteen bytes at a time under a mask of the
// keyword's length (the padding makes the sixteen bytes readable).
struct SKeywordSlot {
    uint64_t m_Words[2] = {};
    uint64_t m_Masks[2] = {};
    size_t m_nLength = 0;  // 0: an empty slot
    int32_t m_nKind = CToken::eText;
};
constexpr size_t kKeywordSlotCount = 64;

constexpr size_t KeywordHash(char first, char last, size_t length) {
    return (uint8_t(first) * 9u + uint8_t(last) + length * 3) % kKeywordSlotCount;
}

constexpr uint64_t PackWord(const char* text, size_t from, size_t length, bool mask) {
    std::array<char, 8> bytes{};
    for (size_t i = 0; i < 8 && from + i < length; ++i) bytes[i] = mask ? char(0xFF) : text[from + i];
    return std::bit_cast<uint64_t>(bytes);
}

constexpr std::array<SKeywordSlot, kKeywordSlotCount> MakeKeywordSlots() {
    std::array<SKeywordSlot, kKeywordSlotCount> slots{};
    for (const Spelling& k : kKeywords) {
        size_t length = std::char_traits<char>::length(k.text);
        SKeywordSlot& s = slots[KeywordHash(k.text[0], k.text[length - 1], length)];
        if (s.m_nLength != 0 || length > 16) throw "keywords share a slot";  // stops the compile
        for (size_t w = 0; w < 2; ++w) {
            s.m_Words[w] = PackWord(k.text, w * 8, length, false);
            s.m_Masks[w] = PackWord(k.text, w * 8, length, true);
        }
        s.m_nLength = length;
        s.m_nKind = k.kind;
    }
    return slots;
}
constexpr std::array<SKeywordSlot, kKeywordSlotCount> kKeywordTable = MakeKeywordSlots();

// name points at length characters of a name, followed by at least
// sixteen readable bytes from its start.
int32_t KeywordKind(const char* name, size_t length) {
    const SKeywordSlot& s = kKeywordTable[KeywordHash(name[0], name[length - 1], length)];
    if (s.m_nLength != length) return CToken::eText;
    uint64_t words[2];
    std::memcpy(words, name, sizeof words);
    return ((words[0] ^ s.m_Words[0]) & s.m_Masks[0]) | ((words[1] ^ s.m_Words[1]) & s.m_Masks[1]) ? CToken::eText
                                                                                                    : s.m_nKind;
}

// The operator tables by first character: the kind of the character alone
// (the first row wins), where it starts a pair the pair's second character
// and kind, and the token's text, the character alone, which lives here
// rather than in a text slot.
struct SOperator {
    int32_t m_nSingle = CToken::eInvalid;
    int32_t m_nPair = CToken::eInvalid;
    char m_cSecond = 0;  // 0: starts no pair
    char m_Text[2] = {};
};

constexpr std::array<SOperator, 256> MakeOperators() {
    std::array<SOperator, 256> t{};
    for (size_t c = 0; c < t.size(); ++c) t[c].m_Text[0] = char(c);
    for (size_t i = std::size(kSingles); i-- > 0;) t[uint8_t(kSingles[i].text[0])].m_nSingle = kSingles[i].kind;
    for (const Spelling& p : kPairs) {
        SOperator& o = t[uint8_t(p.text[0])];
        if (o.m_cSecond != 0) throw "two pairs share a first character";  // stops the compile
        o.m_cSecond = p.text[1];
        o.m_nPair = p.kind;
    }
    return t;
}
constexpr std::array<SOperator, 256> kOperators = MakeOperators();

// Copies a run of the text into the token's slot, up to the limit; a longer
// run makes the token invalid. A run within the limit is copied sixteen
// bytes at a time: the slot holds 256 bytes and the text's padding makes the
// bytes read past the run readable.
bool CopyRun(const char* from, size_t length, char* text) {
    static_assert(CToken::kMaxText + 1 == 256 && CSourceFrame::kPadding >= 16);
    if (length > size_t(CToken::kMaxText)) {
        std::memcpy(text, from, CToken::kMaxText);
        text[CToken::kMaxText] = 0;
        return true;
    }
    for (size_t i = 0; i <= length; i += 16) std::memcpy(text + i, from + i, 16);
    text[length] = 0;
    return false;
}

// Appends while the text has room; a token that outgrows it becomes invalid.
void Append(char* text, size_t& len, char c, bool& overflow) {
    if (len < size_t(CToken::kMaxText)) {
        text[len++] = c;
        text[len] = 0;
    } else {
        overflow = true;
    }
}

// Reads the character at p, counting a line break.
const char* Advance(CSourceFrame& f, const char* p) {
    char c = *p++;
    if (c == '\n' || c == '\r') {
        ++f.m_nLine;
        f.m_pLineStart = p;
    }
    return p;
}

// Editors on Windows often start a file with EF BB BF; it is skipped and
// counted as nothing. A file decoded from UTF-16 has no such mark to skip.
void SkipUtf8Mark(CSourceFrame& f, int width) {
    if (width == 1 && f.m_strText.compare(0, 3, "\xEF\xBB\xBF") == 0) f.m_pNext = f.m_pLineStart += 3;
}

// Indentation comes in runs of spaces after a line break, skipped eight and
// then four at a time (the padding makes eight bytes readable anywhere in
// the text).
inline const char* SkipBlanks(CSourceFrame& f, const char* p) {
    static constexpr char kEightSpaces[] = "        ";
    for (uint8_t k; (k = ClassOf(*p)) & cBlank;) {
        ++p;
        if (k & cBreak) {
            ++f.m_nLine;
            f.m_pLineStart = p;
            while (std::memcmp(p, kEightSpaces, 8) == 0) p += 8;
            if (std::memcmp(p, kEightSpaces, 4) == 0) p += 4;
        }
    }
    return p;
}

// A line comment stops before its line break, which is then a blank; an
// unterminated block comment runs to the end of the text. Returns the first
// character of a token, or the end.
[[gnu::noinline]] const char* SkipBlanksAndComments(CSourceFrame& f, const char* p) {
    for (;;) {
        p = SkipBlanks(f, p);
        if (*p != '/') return p;
        if (p[1] == '/') {
            for (p += 2; p < f.m_pEnd && *p != '\n' && *p != '\r';) ++p;
        } else if (p[1] == '*') {
            for (p += 2; p < f.m_pEnd;) {
                const char c = *p;
                p = Advance(f, p);
                if (c == '*' && *p == '/') {
                    ++p;
                    break;
                }
            }
        } else {
            return p;  // the "/" is an operator
        }
    }
}

const char* ScanIdentifier(const char* p, CToken& t, char* text) {
    const char* start = p;
    while (ClassOf(*++p) & cName) {
    }
    const size_t length = size_t(p - start);
    const bool overflow = CopyRun(start, length, text);
    t.m_nKind = overflow ? CToken::eInvalid : KeywordKind(start, length);
    return p;
}

// Values wrap modulo 2^32; a number above 4294967295 is not a number.
const char* ScanNumber(const char* p, CToken& t, char* text) {
    const char* start = p;
    constexpr uint64_t kTooLarge = 0xFFFFFFFFull + 1;  // stays once reached
    uint64_t value = 0;
    for (; ClassOf(*p) & cDigit; ++p) value = std::min(value * 10 + uint64_t(*p - '0'), kTooLarge);
    const bool overflow = CopyRun(start, size_t(p - start), text) || value == kTooLarge;
    t.m_nKind = overflow ? CToken::eInvalid : CToken::eNumber;
    t.m_nValue = int32_t(uint32_t(value));
    return p;
}

// The quote is not part of the text. A line break (read) or the end of the
// text ends the token as invalid; a backslash before any other character
// than ", \, n, r and t is dropped; adjacent strings join.
[[gnu::noinline]] const char* ScanString(CSourceFrame& f, const char* p, CToken& t, char* text) {
    size_t len = 0;
    bool overflow = false;
    text[0] = 0;
    ++p;
    while (p < f.m_pEnd) {
        char c = *p;
        p = Advance(f, p);
        if (c == '\n' || c == '\r') break;
        if (c == '\\') {
            switch (c = *p) {
            case '"': case '\\': Append(text, len, c, overflow); break;
            case 'n': Append(text, len, '\n', overflow); break;
            case 'r': Append(text, len, '\r', overflow); break;
            case 't': Append(text, len, '\t', overflow); break;
            default: continue;  // read again by the loop
            }
            ++p;
            continue;
        }
        if (c == '"') {
            while (ClassOf(*p) & cBlank) p = Advance(f, p);
            if (*p == '"') {
                ++p;
                continue;
            }
            t.m_nKind = overflow ? CToken::eInvalid : CToken::eQuotedString;
            return p;
        }
        Append(text, len, c, overflow);
    }
    t.m_nKind = CToken::eInvalid;  // broken or still open at the end
    return p;
}

// The text of an operator holds only its first character. A NUL inside the
// text is an operator of no kind, with empty text.
const char* ScanOperator(const char* p, CToken& t) {
    const SOperator& o = kOperators[uint8_t(*p++)];
    t.m_szText = o.m_Text;
    if (o.m_cSecond != 0 && *p == o.m_cSecond) {
        t.m_nKind = o.m_nPair;
        return p + 1;
    }
    t.m_nKind = o.m_nSingle;
    return p;
}

}  // namespace

int CScanner::Open(const std::string& path, const CFileProvider& files) {
    if (m_Frames.empty()) m_Frames.reserve(kMaxFrames);
    m_Frames.push_back(std::make_unique<CSourceFrame>());
    m_pCurrent = m_Frames.back().get();
    CSourceFrame& f = Current();
    f.m_strPath = path;
    CFileStream file;
    const bool opened = files.Open(path, CStream::eRead | CStream::eText, file);
    if (opened) file.ReadRest(f.m_strText, CSourceFrame::kPadding);
    const size_t size = f.m_strText.size();
    m_nBytesRead += size;
    f.m_strText.append(CSourceFrame::kPadding, '\0');
    f.m_pNext = f.m_pLineStart = f.m_strText.data();
    f.m_pEnd = f.m_pNext + size;
    if (opened) SkipUtf8Mark(f, file.GetTextWidth());
    return opened ? 1 : 0;
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

// Out of line, as are comments and strings, so that the usual token needs
// no registers saved.
void CScanner::EndOfText() {
    if (PopFrame()) return ScanToken();
    Current().m_Token.m_nKind = CToken::eEndOfFile;  // text, line and column stay those of the last token
}

void CScanner::ScanToken() {
    CSourceFrame& f = Current();
    CToken& t = f.m_Token;
    const char* p = SkipBlanks(f, f.m_pNext);
    if (*p == '/' && (p[1] == '/' || p[1] == '*')) p = SkipBlanksAndComments(f, p);
    if (p == f.m_pEnd) {
        f.m_pNext = p;
        return EndOfText();
    }
    t.m_nLine = f.m_nLine;
    t.m_nColumn = int(p - f.m_pLineStart) + 2;
    const uint8_t k = ClassOf(*p);
    if (!(k & (cLetter | cDigit | cQuote))) {
        f.m_pNext = ScanOperator(p, t);
        return;
    }
    char* text = f.m_Texts[f.m_nNextText];
    f.m_nNextText = (f.m_nNextText + 1) % std::size(f.m_Texts);
    t.m_szText = text;
    if (k & cLetter)
        f.m_pNext = ScanIdentifier(p, t, text);
    else if (k & cDigit)
        f.m_pNext = ScanNumber(p, t, text);
    else
        f.m_pNext = ScanString(f, p, t, text);
}
