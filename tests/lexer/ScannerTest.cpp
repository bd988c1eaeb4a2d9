// The scanner over small sources: kinds, texts, values and lines together.
#include <gtest/gtest.h>

#include "../support/TestFiles.h"
#include "lexer/Scanner.h"

namespace {

struct Tok {
    int kind;
    std::string text;
    int line;
    bool operator==(const Tok& o) const { return kind == o.kind && text == o.text && line == o.line; }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
    return os << CToken::GetKindName(t.kind) << " '" << t.text << "' line " << t.line;
}

// Every token up to and including the end of the file.
std::vector<Tok> Scan(const std::string& source) {
    TempFile f(source);
    CScanner s;
    s.Open(f.path);
    std::vector<Tok> out;
    for (int guard = 0; guard < 100000; ++guard) {
        s.NextToken();
        const CToken& t = s.GetToken();
        out.push_back({t.m_nKind, t.m_szText, t.m_nLine});
        if (t.m_nKind == CToken::eEndOfFile) break;
    }
    return out;
}

std::vector<int> Kinds(const std::string& source) {
    std::vector<int> k;
    for (auto& t : Scan(source)) k.push_back(t.kind);
    k.pop_back();  // the end of file
    return k;
}

using K = CToken;

TEST(Scanner, OperatorsAndPairs) {
    EXPECT_EQ((std::vector<int>{K::eText, K::eLE, K::eText}), Kinds("a<=b"));
    EXPECT_EQ((std::vector<int>{K::eText, K::eAssign, K::eLT, K::eText}), Kinds("a=<b"));
    EXPECT_EQ((std::vector<int>{K::eText, K::ePlus, K::eAssign, K::eNumber}), Kinds("a+=1"));
    EXPECT_EQ((std::vector<int>{K::eText, K::eLT, K::eLT, K::eText}), Kinds("a<<b"));
    EXPECT_EQ((std::vector<int>{K::eText, K::ePlusPlus}), Kinds("x++"));
    EXPECT_EQ((std::vector<int>{K::eNE, K::eLogicalNot, K::eLogicalNot}), Kinds("!= !!"));
    EXPECT_EQ((std::vector<int>{K::eText, K::eDivide, K::eText}), Kinds("a/b"));
    EXPECT_EQ((std::vector<int>{K::eText}), Kinds("a//b"));
    EXPECT_EQ((std::vector<int>{K::eLogicalAnd, K::eLogicalOr, K::eBitAnd, K::eBitOr, K::eBitXor, K::eBitNot,
                                K::eMinusMinus, K::eMinus, K::eGE, K::eEQ, K::eAssign}),
              Kinds("&& || & | ^ ~ -- - >= == ="));
    auto eq = Scan("==");
    EXPECT_EQ("=", eq[0].text);  // an operator keeps only its first character
}

TEST(Scanner, NamesNumbersAndKeywords) {
    auto t = Scan("12abc 007 _x ? # Then IF Include include class while multi 4294967295 4294967296");
    EXPECT_EQ((Tok{K::eNumber, "12", 1}), t[0]);
    EXPECT_EQ((Tok{K::eText, "abc", 1}), t[1]);
    EXPECT_EQ(K::eNumber, t[2].kind);
    std::vector<int> kinds;
    for (size_t i = 5; i < t.size() - 1; ++i) kinds.push_back(t[i].kind);
    // ? # Then IF Include include class while multi 4294967295 4294967296 (above 32 bits)
    EXPECT_EQ(kinds, (std::vector<int>{K::eInvalid, K::eInvalid, K::eText, K::eText, K::eText, K::eInclude,
                                       K::eText, K::eWhile, K::eMulti, K::eNumber, K::eInvalid}));

    TempFile f("007 4294967295 4294967294");
    CScanner s;
    s.Open(f.path);
    for (int32_t value : {7, -1, -2}) {
        s.NextToken();
        EXPECT_EQ(value, s.GetToken().m_nValue);
    }
}

// Every keyword is found, and a name that differs from one only in its
// length, its case or one character is a plain name.
TEST(Scanner, KeywordsAndNearMisses) {
    const std::pair<const char*, int> keywords[] = {
        {"if", K::eIf},           {"then", K::eThen},         {"else", K::eElse},       {"while", K::eWhile},
        {"for", K::eFor},         {"do", K::eDo},             {"int", K::eInt},         {"event", K::eEvent},
        {"state", K::eState},     {"command", K::eCommand},   {"function", K::eFunction}, {"true", K::eTrue},
        {"false", K::eFalse},     {"return", K::eReturn},     {"string", K::eString},   {"break", K::eBreak},
        {"continue", K::eContinue}, {"assert", K::eAssert},   {"verify", K::eVerify},   {"enum", K::eEnum},
        {"consts", K::eConsts},   {"button", K::eButton},     {"null", K::eNull},       {"multi", K::eMulti},
        {"description", K::eDescription}, {"hotkey", K::eHotKey}, {"hidden", K::eHidden},
        {"advanced", K::eAdvanced}, {"priority", K::ePriority}, {"item", K::eItem},     {"include", K::eInclude},
    };
    for (auto [word, kind] : keywords) {
        const std::string w = word;
        std::string upper = w, changed = w, middle = w;
        upper[0] = char(upper[0] - 'a' + 'A');
        changed.back() = changed.back() == 'z' ? 'y' : 'z';
        middle[1] = middle[1] == '_' ? 'q' : '_';
        // Alone, as the file's last token, and followed by other text.
        EXPECT_EQ((std::vector<int>{kind}), Kinds(w)) << w;
        EXPECT_EQ((std::vector<int>{kind, K::eSemicolon}), Kinds(w + ";")) << w;
        EXPECT_EQ((std::vector<int>{K::eText, K::eText, K::eText, K::eText, K::eText, K::eText}),
                  Kinds(w + "x " + w.substr(0, w.size() - 1) + " " + upper + " " + changed + " " + middle + " x" + w))
            << w;
    }
}

// The text ends right after a token of each kind, and a NUL byte inside the
// text is a token of its own (no kind, empty text), not the end.
TEST(Scanner, TextEndsAnywhereAndNulIsNotTheEnd) {
    const std::string nul(1, '\0');
    EXPECT_EQ((std::vector<Tok>{{K::eText, "abcdefghijklmnopq", 1}, {K::eEndOfFile, "abcdefghijklmnopq", 1}}),
              Scan("abcdefghijklmnopq"));
    EXPECT_EQ((std::vector<int>{K::eNumber, K::eEQ, K::eDivide}), Kinds("1 == /"));
    EXPECT_EQ((std::vector<int>{K::eText}), Kinds("x\n                "));
    EXPECT_EQ((std::vector<Tok>{{K::eText, "a", 1}, {K::eInvalid, "", 1}, {K::eText, "b", 1}, {K::eEndOfFile, "b", 1}}),
              Scan("a" + nul + "b"));
    EXPECT_EQ((std::vector<int>{K::eAssign, K::eInvalid, K::eAssign, K::eNumber, K::eInvalid}),
              Kinds("=" + nul + "=1" + nul));
    EXPECT_EQ((std::vector<int>{K::eText}), Kinds("// a" + nul + "b\n/* " + nul + " */c"));
    auto s = Scan("\"a" + nul + "b\" x");
    EXPECT_EQ((Tok{K::eQuotedString, "a", 1}), s[0]);  // the NUL is kept; the shown text stops there
    EXPECT_EQ((Tok{K::eText, "x", 1}), s[1]);
    EXPECT_EQ((Tok{K::eInvalid, "a", 1}), Scan("\"a\\")[0]);  // open at the end after a backslash
}

TEST(Scanner, OverlongTokensAreInvalid) {
    auto t = Scan(std::string(255, 'a') + " " + std::string(256, 'b') + " \"" + std::string(300, 'c') + "\" x");
    EXPECT_EQ(K::eText, t[0].kind);
    EXPECT_EQ(K::eInvalid, t[1].kind);
    EXPECT_EQ(255u, t[1].text.size());
    EXPECT_EQ(K::eInvalid, t[2].kind);
    EXPECT_EQ((Tok{K::eText, "x", 1}), t[3]);
}

TEST(Scanner, Comments) {
    EXPECT_EQ((std::vector<int>{K::eText, K::eText}), Kinds("a /* x ** y **/ b"));
    EXPECT_EQ((std::vector<int>{K::eText, K::eText}), Kinds("a /* x\n\n*/ b // c\n"));
    auto t = Scan("a /* never closed\n\n");
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ((Tok{K::eEndOfFile, "a", 1}), t[1]);  // keeps the previous token's text and line
    EXPECT_EQ((Tok{K::eText, "b", 3}), Scan("// one\n/* two */\nb")[0]);
}

TEST(Scanner, StringsEscapesAndJoining) {
    auto t = Scan("\"a\\tb\\n\\\"q\\\\\\x41\" k \"ab\"  \n\t \"cd\" k \"x\" /* c */ \"y\"");
    EXPECT_EQ((Tok{K::eQuotedString, "a\tb\n\"q\\x41", 1}), t[0]);
    EXPECT_EQ((Tok{K::eQuotedString, "abcd", 1}), t[2]);
    EXPECT_EQ((Tok{K::eQuotedString, "x", 2}), t[4]);
    EXPECT_EQ((Tok{K::eQuotedString, "y", 2}), t[5]);

    auto broken = Scan("\"abc\nx \"open at the end");
    EXPECT_EQ((Tok{K::eInvalid, "abc", 1}), broken[0]);
    EXPECT_EQ((Tok{K::eText, "x", 2}), broken[1]);
    EXPECT_EQ((Tok{K::eInvalid, "open at the end", 2}), broken[2]);
    EXPECT_EQ(K::eEndOfFile, broken[3].kind);
}

TEST(Scanner, LineEndsCountTheSame) {
    std::string lf = "a\nb\n\nc /*\n*/ d\n\"s\"\n\"t\" e";
    std::string crlf, cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    auto a = Scan(lf), b = Scan(crlf), c = Scan(cr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(6, a[4].line);
    EXPECT_EQ((Tok{K::eText, "e", 7}), a[5]);
}

TEST(Scanner, GivesBackUpToThreeTokens) {
    TempFile f("a b c");
    CScanner s;
    s.Open(f.path);
    s.NextToken();
    EXPECT_STREQ("a", s.GetToken().GetText());
    for (int i = 0; i < 4; ++i) s.UngetToken();  // the fourth is ignored
    for (int i = 0; i < 3; ++i) {
        s.NextToken();
        EXPECT_STREQ("a", s.GetToken().GetText());
    }
    s.NextToken();
    EXPECT_STREQ("b", s.GetToken().GetText());
}

TEST(Scanner, IncludedFileContinuesWithTheIncludingOne) {
    TempFile inc("x y", ".h");  // no final line break
    TempFile main("a\nb\n");
    CScanner s;
    s.Open(main.path);
    s.NextToken();
    EXPECT_STREQ("a", s.GetToken().GetText());
    ASSERT_EQ(1, s.Open(inc.path));
    EXPECT_EQ(inc.path, s.GetFileName());
    s.NextToken();
    EXPECT_STREQ("x", s.GetToken().GetText());
    s.NextToken();
    s.NextToken();
    EXPECT_STREQ("b", s.GetToken().GetText());
    EXPECT_EQ(2, s.GetToken().m_nLine);
    EXPECT_EQ(main.path, s.GetFileName());
    s.NextToken();
    EXPECT_TRUE(s.Is(K::eEndOfFile));
    s.NextToken();
    EXPECT_TRUE(s.Is(K::eEndOfFile));
    EXPECT_EQ(0, s.Open("/nonexistent/inc.h"));
}

// Kind, text, line and column of every token of an opened scanner.
std::vector<std::string> Positions(CScanner& s) {
    std::vector<std::string> out;
    for (int guard = 0; guard < 1000; ++guard) {
        s.NextToken();
        const CToken& t = s.GetToken();
        out.push_back(std::to_string(t.m_nKind) + " '" + t.m_szText + "' " + std::to_string(t.m_nLine) + ":" +
                      std::to_string(t.m_nColumn));
        if (t.m_nKind == CToken::eEndOfFile) break;
    }
    return out;
}

std::vector<std::string> Positions(const std::string& source) {
    TempFile f(source);
    CScanner s;
    s.Open(f.path);
    return Positions(s);
}

// The UTF-8 mark is skipped in the main file and in an include, with lines
// and columns as without it; only the whole mark, and only at the start, is.
TEST(Scanner, Utf8ByteOrderMarkIsSkipped) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string source = "unit \"X\"\r\n{ a=1;\n  }";
    EXPECT_EQ(Positions(source), Positions(mark + source));
    EXPECT_EQ(Positions(""), Positions(mark));
    EXPECT_EQ(Positions("x"), Positions(mark + "x"));
    EXPECT_EQ((std::vector<int>{K::eText, K::eInvalid, K::eInvalid, K::eInvalid}), Kinds("x" + mark));
    EXPECT_EQ((std::vector<int>{K::eInvalid, K::eInvalid, K::eText}), Kinds("\xEF\xBBx"));
    EXPECT_EQ((std::vector<int>{K::eInvalid, K::eInvalid, K::eText}), Kinds("\xEF\n\xBF\nx"));
    EXPECT_EQ(3, Scan("\xEF\n\xBF\nx")[2].line);
    EXPECT_EQ((std::vector<int>{K::eInvalid, K::eInvalid, K::eInvalid}), Kinds(mark + mark));

    TempFile plain("x\n y"), marked(mark + "x\n y");
    std::vector<std::string> included[2];
    for (int i = 0; i < 2; ++i) {
        TempFile main("a\nb");
        CScanner s;
        s.Open(main.path);
        s.NextToken();
        ASSERT_EQ(1, s.Open(i ? marked.path : plain.path));
        included[i] = Positions(s);
    }
    EXPECT_EQ(included[0], included[1]);
    EXPECT_EQ(4u, included[1].size());  // x y b and the end of the file
}

TEST(Scanner, BinaryBytesNeverStopTheScan) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += char((i * 131 + 7) % 256);
    auto t = Scan(junk);
    EXPECT_EQ(K::eEndOfFile, t.back().kind);
}

TEST(Token, PropertiesAndShownText) {
    // Priorities, alternates and associativity show in the parser's expression shapes.
    EXPECT_EQ(0, K::GetAlternate(K::eAssign));
    EXPECT_EQ(132, int(K::eEndOfFile));
    EXPECT_EQ(81, int(K::ePlus));
    EXPECT_EQ(122, int(K::eSemicolon));
    CToken t;
    for (auto [kind, shown] : {std::pair{K::eInvalid, "Invalid token"}, {K::eSemicolon, "CToken::eSemicolon"},
                               {K::eEndOfFile, "CToken::eEndOfFile"}, {K::eEQ, "CToken::eEQ"}}) {
        t.m_nKind = kind;
        EXPECT_STREQ(shown, t.GetText());
    }
}

}  // namespace
