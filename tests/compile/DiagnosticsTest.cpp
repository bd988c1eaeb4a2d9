// The JSON rendering of a diagnostic with every escape and optional field,
// and the error catalogue. The classic lines and the plain JSON objects are
// pinned by the command-line cases.
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

// Fields a later form fills: left out while empty (above), in a fixed
// place when set; a message about the command line has no place in text.
TEST(Diagnostics, NamesSuggestionsAndNotes) {
    CDiagnostic d = ParserError("/a.oc", 4, "Expected ';'");
    d.column = 3;
    d.endColumn = 5;
    d.name = "expected-semicolon";
    d.suggestions = {";"};
    d.notes = {{"statement starts here", "/a.oc", 3, 1}, {"no place", "", 0, 0}};
    EXPECT_EQ("{\"file\":\"/a.oc\",\"line\":4,\"column\":3,\"endColumn\":5,\"severity\":\"error\","
              "\"code\":\"C0000\",\"name\":\"expected-semicolon\",\"message\":\"Expected ';'\",\"includes\":[],"
              "\"suggestions\":[\";\"],\"notes\":[{\"message\":\"statement starts here\",\"file\":\"/a.oc\","
              "\"line\":3,\"column\":1},{\"message\":\"no place\"}]}\n",
              FormatJson(d));
    EXPECT_EQ("/a.oc(4) : error C0000: Expected ';'\n", FormatText(d));
    CDiagnostic usage;
    usage.commandLine = true;
    usage.message = "Invalid parameters";
    EXPECT_EQ("Invalid parameters\n", FormatText(usage));
}

TEST(Diagnostics, CatalogueFallsBackToInternalError) {
    EXPECT_STREQ("Expected ';'", GetErrorText(20));
    EXPECT_STREQ("Expected ']'", GetErrorText(62));
    for (int code : {0, 14, 19, 61, -1, 1000}) EXPECT_STREQ("Internal compiler error", GetErrorText(code)) << code;
}

}  // namespace
