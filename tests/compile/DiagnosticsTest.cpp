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

TEST(Diagnostics, CatalogueFallsBackToInternalError) {
    EXPECT_STREQ("Expected ';'", GetErrorText(20));
    EXPECT_STREQ("Expected ']'", GetErrorText(62));
    for (int code : {0, 14, 19, 61, -1, 1000}) EXPECT_STREQ("Internal compiler error", GetErrorText(code)) << code;
}

}  // namespace
