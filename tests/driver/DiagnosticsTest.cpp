// The two renderings of a diagnostic: the classic line, byte for byte, and
// the JSON object with its escapes.
#include <gtest/gtest.h>

#include "driver/Diagnostics.h"

namespace {

TEST(Diagnostics, ClassicLines) {
    EXPECT_EQ("/s/a.oc(5) : error C0000: Illegal 'break'\n", FormatText(ParserError("/s/a.oc", 5, "Illegal 'break'")));
    EXPECT_EQ("/s/b.h(3) : error C0101: File not found 'b.h'\n",
              FormatText(FileError("/s/b.h", 3, "File not found", "b.h")));
    EXPECT_EQ("/s/a.oc(1) : warning C0101: Unknown string to translate 'Guard'\n",
              FormatText(TranslationWarning("/s/a.oc", 1, "Guard")));
    EXPECT_EQ("/s/a.oc(0) : error C0000: Internal compiler error\n", FormatText(InternalFault("/s/a.oc")));
    CDiagnostic d = FileError("/s/b.h", 3, "File not found", "b.h");
    d.searched = {"/i/b.h", "/j/b.h"};
    EXPECT_EQ("/s/b.h(3) : error C0101: File not found 'b.h'\n    searched '/i/b.h'\n    searched '/j/b.h'\n",
              FormatText(d));
}

TEST(Diagnostics, JsonFieldsAndEscapes) {
    CDiagnostic d = TranslationWarning("/we\"ird\\dir/a.oc", 2, "tab\there \xe9\x01");
    d.column = 7;
    d.includes = {{"/m.oc", 3}, {"/c.h", 1}};
    EXPECT_EQ("{\"file\":\"/we\\\"ird\\\\dir/a.oc\",\"line\":2,\"column\":7,\"severity\":\"warning\","
              "\"code\":\"C0101\",\"message\":\"Unknown string to translate 'tab\\there \\u00e9\\u0001'\","
              "\"includes\":[{\"file\":\"/m.oc\",\"line\":3},{\"file\":\"/c.h\",\"line\":1}]}\n",
              FormatJson(d));
}

TEST(Diagnostics, JsonLeavesOutUnknownColumnAndEmptySearch) {
    CDiagnostic d = FileError("/s/x.oc", 0, "File not found", "x.oc");
    EXPECT_EQ("{\"file\":\"/s/x.oc\",\"line\":0,\"severity\":\"error\",\"code\":\"C0101\","
              "\"message\":\"File not found 'x.oc'\",\"includes\":[]}\n",
              FormatJson(d));
    d.searched = {"/i/x.oc"};
    EXPECT_NE(std::string::npos, FormatJson(d).find(",\"searched\":[\"/i/x.oc\"]}"));
}

TEST(Diagnostics, CatalogueFallsBackToInternalError) {
    EXPECT_STREQ("Expected ';'", GetErrorText(20));
    EXPECT_STREQ("Expected ']'", GetErrorText(62));
    for (int code : {0, 14, 19, 61, -1, 1000}) EXPECT_STREQ("Internal compiler error", GetErrorText(code)) << code;
}

}  // namespace
