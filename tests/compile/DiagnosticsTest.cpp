// The JSON and pretty renderings of a diagnostic with every escape and
// optional field, and the error catalogue. The classic lines and the plain
// JSON objects are pinned by the command-line cases.
#include <gtest/gtest.h>

#include "compile/Diagnostics.h"

namespace {

TEST(Diagnostics, JsonFieldsAndEscapes) {
    CDiagnostic d = TranslationWarning("/we\"ird\\dir/a.oc", 2, "tab\there \xe9\x01");
    d.column = 7;
    d.includes = {{"/m.oc", 3}, {"/c.h", 1}};
    EXPECT_EQ("{\"file\":\"/we\\\"ird\\\\dir/a.oc\",\"line\":2,\"column\":7,\"severity\":\"warning\","
              "\"code\":\"C0101\",\"message\":\"Unknown string to translate 'tab\\there \\u00e9\\u0001'\","
              "\"includes\":[{\"file\":\"/m.oc\",\"line\":3},{\"file\":\"/c.h\",\"line\":1}]}\n",
              FormatJson(d));
}

// The fields of an error about a name: left out while empty (above), in a
// fixed place when set; the text form never shows them.
TEST(Diagnostics, NamesSuggestionsAndNotes) {
    CDiagnostic d = ParserError("/a.oc", 4, "Cannot find suitable function");
    d.column = 3;
    d.endColumn = 8;
    d.name = "Trace";
    d.suggestions = {"TraceD"};
    d.notes = {{"'Trace' is named here", "/a.oc", 3, 1}, {"candidate: int Trace(int)", "", 0, 0}};
    EXPECT_EQ("{\"file\":\"/a.oc\",\"line\":4,\"column\":3,\"endColumn\":8,\"severity\":\"error\","
              "\"code\":\"C0000\",\"name\":\"Trace\",\"message\":\"Cannot find suitable function\",\"includes\":[],"
              "\"suggestions\":[\"TraceD\"],\"notes\":[{\"message\":\"'Trace' is named here\",\"file\":\"/a.oc\","
              "\"line\":3,\"column\":1},{\"message\":\"candidate: int Trace(int)\"}]}\n",
              FormatJson(d));
    EXPECT_EQ("/a.oc(4) : error C0000: Cannot find suitable function\n", FormatText(d));
    CDiagnostic usage;
    usage.commandLine = true;
    usage.message = "Invalid parameters";
    EXPECT_EQ("Invalid parameters\n", FormatText(usage));
    EXPECT_EQ("error: Invalid parameters\n", Format(usage, EDiagnosticFormat::ePretty));
}

// Any byte string is narrow text: bytes above 127 are the Latin-1 letters,
// so the JSON is always valid UTF-8 and writing it never fails.
TEST(Diagnostics, JsonTakesAnyBytes) {
    EXPECT_EQ("caf\xc3\xa9 \xc3\xbf\xc2\x80", Latin1ToUtf8("caf\xe9 \xff\x80"));
    CDiagnostic d = ParserError("/\xff\xfe.oc", 1, "bad \xc3\x28 \x7f \x1f");
    d.name = "\xe9t\xe9";
    d.suggestions = {"\xc0"};
    std::string json;
    ASSERT_NO_THROW(json = FormatJson(d));
    EXPECT_EQ("{\"file\":\"/\\u00ff\\u00fe.oc\",\"line\":1,\"severity\":\"error\",\"code\":\"C0000\","
              "\"name\":\"\\u00e9t\\u00e9\",\"message\":\"bad \\u00c3( \\u007f \\u001f\",\"includes\":[],"
              "\"suggestions\":[\"\\u00c0\"]}\n",
              json);
}

// The pretty form: the place, the message with its name, the source line
// with the name marked (tabs kept so the marker lines up), the suggestions
// and notes; the include chain innermost first.
TEST(Diagnostics, PrettyMarksTheName) {
    CDiagnostic d = ParserError("/m/lib.h", 7, "Unknown variable, function or constants");
    d.column = 10;
    d.endColumn = 15;
    d.name = "cuont";
    d.suggestions = {"count", "Count", "mount"};
    d.includes = {{"/m/main.oc", 3}, {"/m/mid.h", 1}};
    d.notes = {{"'x' is named here", "/m/lib.h", 6, 2}, {"candidate: int F(int)", "", 0, 0}};
    EXPECT_EQ("In file included from /m/mid.h:1:\n"
              "In file included from /m/main.oc:3:\n"
              "/m/lib.h:7:10: error: Unknown variable, function or constants 'cuont'\n"
              "\tx = 1 + cuont;\n"
              "\t        ^~~~~\n"
              "did you mean 'count', 'Count' or 'mount'?\n"
              "/m/lib.h:6:2: note: 'x' is named here\n"
              "note: candidate: int F(int)\n",
              FormatPretty(d, "\tx = 1 + cuont;", false));
    d.suggestions = {"count", "Count"};
    d.includes.clear();
    d.notes.clear();
    EXPECT_EQ("/m/lib.h:7:10: error: Unknown variable, function or constants 'cuont'\n"
              "did you mean 'count' or 'Count'?\n",
              FormatPretty(d, "", false));
    std::string coloured = FormatPretty(d, "\tx = 1 + cuont;", true);
    EXPECT_NE(std::string::npos, coloured.find("\033[1;31merror:\033[0m"));
    EXPECT_NE(std::string::npos, coloured.find("\033[1;32m\t        ^~~~~\033[0m"));

    // Without a column there is nothing to mark; without a line no place.
    CDiagnostic missing = FileError("/m/x.oc", 0, "File not found", "x.oc");
    EXPECT_EQ("/m/x.oc: error: File not found 'x.oc'\n", FormatPretty(missing, "unit \"X\"", false));
    CDiagnostic warning = TranslationWarning("/m/a.oc", 1, "Guard");
    warning.column = 6;
    EXPECT_EQ("/m/a.oc:1:6: warning: Unknown string to translate 'Guard'\nunit \"Guard\"\n     ^\n",
              FormatPretty(warning, "unit \"Guard\"", false));
}

TEST(Diagnostics, CatalogueFallsBackToInternalError) {
    EXPECT_STREQ("Expected ';'", GetErrorText(20));
    EXPECT_STREQ("Expected ']'", GetErrorText(62));
    for (int code : {0, 14, 19, 61, -1, 1000}) EXPECT_STREQ("Internal compiler error", GetErrorText(code)) << code;
}

}  // namespace
