// The wire and the lifecycle: framing that survives bad headers, and a server
// that answers every request once, never answers a notification, refuses
// what comes out of order and goes on after anything malformed.
#include <gtest/gtest.h>

#include <sstream>

#include "LspHarness.h"
#include "lsp/Protocol.h"

namespace {

std::vector<std::pair<EReadStatus, std::string>> ReadAll(const std::string& wire, size_t limit = 1000) {
    std::istringstream in(wire);
    CMessageReader reader(in, limit);
    std::vector<std::pair<EReadStatus, std::string>> out;
    for (;;) {
        std::string body, error;
        EReadStatus s = reader.Read(body, error);
        out.push_back({s, s == EReadStatus::eMessage ? body : error});
        if (s == EReadStatus::eEnd) return out;
    }
}

TEST(Framing, ReadsMessagesAndRecoversFromBadHeaders) {
    std::string wire = Frame("{\"a\":1}") +
                       "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\ncontent-length: 2\r\n\r\n[]" +
                       "X-Nothing: 1\r\n\r\n" +          // no length
                       "Content-Length: 1x\r\n\r\n" +    // not a number
                       "Content-Length: 3\n\n{}\n" +     // bare line feeds
                       "Content-Length: 2000\r\n\r\n" + std::string(2000, ' ') +  // over the limit, skipped
                       Frame("{}") + "Content-Length: 10\r\n\r\n{";  // cut off
    auto got = ReadAll(wire);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0], std::make_pair(EReadStatus::eMessage, std::string("{\"a\":1}")));
    EXPECT_EQ(got[1], std::make_pair(EReadStatus::eMessage, std::string("[]")));
    EXPECT_EQ(got[2], std::make_pair(EReadStatus::eBadHeader, std::string("message without Content-Length")));
    EXPECT_EQ(got[3], std::make_pair(EReadStatus::eBadHeader, std::string("Content-Length is not a number")));
    EXPECT_EQ(got[4], std::make_pair(EReadStatus::eMessage, std::string("{}\n")));
    EXPECT_EQ(got[5].first, EReadStatus::eTooLarge);
    EXPECT_EQ(got[6], std::make_pair(EReadStatus::eMessage, std::string("{}")));
    EXPECT_EQ(got[7].first, EReadStatus::eEnd);
}

Json ErrorCode(const Json& response) { return response.contains("error") ? response["error"]["code"] : Json(); }

TEST(Lifecycle, RequestsBeforeInitializeAndAfterShutdownAreRefused) {
    CLspHarness h;
    EXPECT_EQ(ErrorCode(h.Request("textDocument/hover", Json::object())), rpc::kServerNotInitialized);
    EXPECT_EQ(ErrorCode(h.Request("shutdown", nullptr)), rpc::kServerNotInitialized);
    Json init = h.Initialize();
    EXPECT_EQ(init["result"]["serverInfo"]["name"], "orvelc-lsp");
    EXPECT_EQ(init["result"]["capabilities"]["textDocumentSync"]["change"], 2);
    EXPECT_EQ(ErrorCode(h.Request("initialize", {{"capabilities", Json::object()}})), rpc::kInvalidRequest);
    Json shutdown = h.Request("shutdown", nullptr);
    EXPECT_TRUE(shutdown.contains("result") && shutdown["result"].is_null());
    EXPECT_EQ(ErrorCode(h.Request("textDocument/hover", Json::object())), rpc::kInvalidRequest);
    EXPECT_FALSE(h.Server().HasExited());
    h.Notify("exit", nullptr);
    EXPECT_TRUE(h.Server().HasExited());
    EXPECT_EQ(h.Server().GetExitCode(), 0);
}

TEST(Lifecycle, ExitWithoutShutdownFailsAndPositionEncodingIsNegotiated) {
    CLspHarness h;
    Json init = h.Initialize({{"capabilities", {{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}}}});
    EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-8");
    h.Notify("exit", nullptr);
    EXPECT_EQ(h.Server().GetExitCode(), 1);
}

TEST(Robustness, MalformedMessagesGetErrorsAndTheServerGoesOn) {
    CLspHarness h;
    h.Initialize();
    h.SendRaw("{not json");
    h.SendRaw("[1,2]");
    h.SendRaw("{\"jsonrpc\":\"2.0\",\"id\":7}");
    h.SendRaw("{\"jsonrpc\":\"2.0\",\"id\":{\"x\":1},\"method\":\"shutdown\"}");
    h.Server().HandleUnreadable("message without Content-Length");
    std::vector<Json> got = h.TakeAll();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(ErrorCode(got[0]), rpc::kParseError);
    EXPECT_TRUE(got[0]["id"].is_null());
    EXPECT_EQ(ErrorCode(got[1]), rpc::kInvalidRequest);
    EXPECT_EQ(ErrorCode(got[2]), rpc::kInvalidRequest);
    EXPECT_EQ(got[2]["id"], 7);
    EXPECT_EQ(ErrorCode(got[3]), rpc::kInvalidRequest);
    EXPECT_EQ(ErrorCode(got[4]), rpc::kParseError);

    // Unknown methods: a request is refused by name, a notification ignored.
    EXPECT_EQ(ErrorCode(h.Request("textDocument/frobnicate", Json::object())), rpc::kMethodNotFound);
    h.Notify("$/setTrace", {{"value", "off"}});
    h.Notify("textDocument/didOpen", {{"wrong", 1}});  // bad parameters of a notification: no answer
    // A request with parameters of the wrong shape.
    EXPECT_EQ(ErrorCode(h.Request("textDocument/hover", {{"textDocument", 5}})), rpc::kInvalidParams);
    EXPECT_TRUE(h.TakeAll().empty());
    EXPECT_TRUE(h.Request("shutdown", nullptr).contains("result"));
}

TEST(Robustness, HugeDocumentIsTakenWhole) {
    CScratch dir;
    CLspHarness h;
    h.Initialize();
    std::string text = "unit \"Big\"\n{\n";
    for (int i = 0; i < 20000; ++i) text += "    int v" + std::to_string(i) + ";\n";
    text += "}\n";
    std::string uri = h.Open(dir.File("big.oc"), text);
    Json d = h.WaitForDiagnostics(uri);
    ASSERT_FALSE(d.is_null());
    EXPECT_TRUE(d["diagnostics"].empty());
    Json symbols = h.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(symbols["result"][0]["children"].size(), 20000u);
}

}  // namespace
