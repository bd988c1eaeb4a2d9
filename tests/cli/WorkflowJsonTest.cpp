// --diagnostics=json read back the way an editor would: every line must be
// one well-formed JSON object, and decoded it must say exactly what the
// text form says, even for paths and strings with quotes, backslashes and
// bytes above 127. Columns and the JSON of each mode are pinned by the
// command-line cases (json_parser_error, batch_json, json_usage_error ...).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

// Just enough JSON for the diagnostics: objects, arrays, strings, integers.
struct JsonValue {
    enum Kind { eNull, eNumber, eString, eArray, eObject } kind = eNull;
    long long number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> fields;

    bool Has(const std::string& name) const { return fields.count(name) != 0; }
    const JsonValue& operator[](const std::string& name) const { return fields.at(name); }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : m_s(s) {}

    // The whole input must be exactly one value.
    bool ReadDocument(JsonValue& v) { return Value(v) && (Blanks(), m_at == m_s.size()); }

private:
    void Blanks() {
        while (m_at < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_at]))) ++m_at;
    }
    bool Eat(char ch) {
        Blanks();
        if (m_at < m_s.size() && m_s[m_at] == ch) return ++m_at, true;
        return false;
    }
    bool Value(JsonValue& v) {
        Blanks();
        if (m_at >= m_s.size()) return false;
        char ch = m_s[m_at];
        if (ch == '{') return Object(v);
        if (ch == '[') return Array(v);
        if (ch == '"') return v.kind = JsonValue::eString, String(v.text);
        if (ch == '-' || std::isdigit(static_cast<unsigned char>(ch))) return Number(v);
        return false;
    }
    bool Number(JsonValue& v) {
        size_t start = m_at;
        if (m_s[m_at] == '-') ++m_at;
        while (m_at < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_at]))) ++m_at;
        if (m_at == start || (m_at == start + 1 && m_s[start] == '-')) return false;
        v.kind = JsonValue::eNumber;
        v.number = std::stoll(m_s.substr(start, m_at - start));
        return true;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        while (m_at < m_s.size()) {
            unsigned char ch = static_cast<unsigned char>(m_s[m_at++]);
            if (ch == '"') return true;
            if (ch < 0x20 || ch >= 0x80) return false;  // the compiler escapes these
            if (ch != '\\') {
                out += char(ch);
                continue;
            }
            if (m_at >= m_s.size()) return false;
            static const std::string kFrom = "\"\\/nrt", kTo = "\"\\/\n\r\t";
            char e = m_s[m_at++];
            if (size_t k = kFrom.find(e); k != std::string::npos) {
                out += kTo[k];
                continue;
            }
            if (e != 'u' || m_at + 4 > m_s.size()) return false;
            unsigned code = unsigned(std::stoul(m_s.substr(m_at, 4), nullptr, 16));
            m_at += 4;
            if (code > 0xff) return false;  // narrow text only
            out += char(code);
        }
        return false;
    }
    bool Array(JsonValue& v) {
        v.kind = JsonValue::eArray;
        Eat('[');
        if (Eat(']')) return true;
        do {
            v.items.emplace_back();
            if (!Value(v.items.back())) return false;
        } while (Eat(','));
        return Eat(']');
    }
    bool Object(JsonValue& v) {
        v.kind = JsonValue::eObject;
        Eat('{');
        if (Eat('}')) return true;
        do {
            std::string name;
            Blanks();
            if (!String(name) || !Eat(':') || v.Has(name)) return false;
            if (!Value(v.fields[name])) return false;
        } while (Eat(','));
        return Eat('}');
    }

    const std::string& m_s;
    size_t m_at = 0;
};

// The text form of a decoded diagnostic, as the compiler prints it.
std::string AsText(const JsonValue& d) {
    std::string s = d["file"].text + "(" + std::to_string(d["line"].number) + ") : " + d["severity"].text + " " +
                    d["code"].text + ": " + d["message"].text;
    if (d.Has("searched"))
        for (const JsonValue& p : d["searched"].items) s += "\n    searched '" + p.text + "'";
    return s;
}

void ExpectWellFormed(const JsonValue& d) {
    ASSERT_EQ(JsonValue::eObject, d.kind);
    for (const char* name : {"file", "severity", "code", "message"}) {
        ASSERT_TRUE(d.Has(name)) << name;
        EXPECT_EQ(JsonValue::eString, d[name].kind) << name;
    }
    ASSERT_TRUE(d.Has("line"));
    EXPECT_EQ(JsonValue::eNumber, d["line"].kind);
    EXPECT_TRUE(d["severity"].text == "error" || d["severity"].text == "warning");
    ASSERT_TRUE(d.Has("includes"));
    ASSERT_EQ(JsonValue::eArray, d["includes"].kind);
    for (const JsonValue& site : d["includes"].items) {
        ASSERT_EQ(JsonValue::eObject, site.kind);
        EXPECT_EQ(JsonValue::eString, site["file"].kind);
        EXPECT_EQ(JsonValue::eNumber, site["line"].kind);
    }
    if (d.Has("column")) {
        EXPECT_GT(d["column"].number, 0);
    }
}

std::vector<JsonValue> ParseLines(const std::string& out) {
    std::vector<JsonValue> all;
    for (const std::string& line : Lines(out)) {
        JsonValue v;
        EXPECT_TRUE(JsonReader(line).ReadDocument(v)) << line;
        ExpectWellFormed(v);
        all.push_back(v);
    }
    return all;
}

class WorkflowJson : public ::testing::Test {
protected:
    ScratchDir tmp;
    // A folder name with a quote, a blank and a Latin-1 byte.
    fs::path work = tmp.path / "we\"ird \xe9";

    void SetUp() override {
        fs::create_directories(work / "inc");
        fs::copy_file(ORVELC_BINARY, tmp.path / "orvelc");
        fs::permissions(tmp.path / "orvelc", fs::perms::owner_all);
    }
    RunResult Run(const std::vector<std::string>& args) {
        return RunProgram((tmp.path / "orvelc").string(), args, work.string());
    }
    // The diagnostic lines of a text run: no banner, headers or summaries.
    static std::vector<std::string> DiagnosticLines(const std::string& out) {
        std::vector<std::string> kept;
        for (const std::string& line : Lines(out))
            if (line.find(" : ") != std::string::npos || line.rfind("    searched", 0) == 0) kept.push_back(line);
        return kept;
    }
};

TEST_F(WorkflowJson, SaysWhatTheTextSays) {
    WriteFile(work / "main.oc",
              "unit \"Main \\\\ \xe9\"\n{\n    include \"common.h\"\n    int v;\n    state Idle;\n"
              "    state Idle\n    {\n        v = Shared;\n        return Idle, 10;\n    }\n}\n");
    WriteFile(work / "inc" / "common.h", "include \"deeper.h\"\n");
    WriteFile(work / "inc" / "deeper.h", "\n  consts { Shared = \"tab\there\"; }\n");
    WriteFile(work / "lost.oc", "unit \"Lost\"\n{\n    include \"nowhere.h\"\n}\n");
    std::vector<std::string> args = {"--check", "-I", "inc", "main.oc", "lost.oc", "missing.oc"};
    RunResult text = Run(args);
    args.push_back("--diagnostics=json");
    RunResult json = Run(args);
    EXPECT_EQ(1, text.status);
    EXPECT_EQ(text.status, json.status);

    std::vector<JsonValue> diags = ParseLines(json.out);
    std::vector<std::string> fromJson;
    for (const JsonValue& d : diags)
        for (const std::string& line : Lines(AsText(d))) fromJson.push_back(line);
    EXPECT_EQ(DiagnosticLines(text.out), fromJson);

    // The error inside deeper.h names the whole chain that led to it.
    const JsonValue* deep = nullptr;
    for (const JsonValue& d : diags)
        if (d["severity"].text == "error" && d["file"].text.find("deeper.h") != std::string::npos) deep = &d;
    ASSERT_NE(nullptr, deep) << json.out;
    const std::vector<JsonValue>& chain = (*deep)["includes"].items;
    ASSERT_EQ(2u, chain.size());
    EXPECT_EQ((work / "main.oc").string(), chain[0]["file"].text);
    EXPECT_EQ(3, chain[0]["line"].number);
    EXPECT_EQ((work / "inc" / "common.h").string(), chain[1]["file"].text);
    EXPECT_EQ(1, chain[1]["line"].number);
    EXPECT_EQ(2, (*deep)["line"].number);
    ASSERT_TRUE(deep->Has("column"));

    // The include found nowhere lists the directory that was tried.
    const JsonValue& lost = diags[diags.size() - 2];
    EXPECT_EQ("File not found 'nowhere.h'", lost["message"].text);
    ASSERT_TRUE(lost.Has("searched"));
    ASSERT_EQ(1u, lost["searched"].items.size());
    EXPECT_EQ((work / "inc" / "nowhere.h").string(), lost["searched"].items[0].text);

    // A source that cannot be opened has a line but no column.
    const JsonValue& missing = diags.back();
    EXPECT_EQ((work / "missing.oc").string(), missing["file"].text);
    EXPECT_EQ(0, missing["line"].number);
    EXPECT_FALSE(missing.Has("column"));
}

}  // namespace
