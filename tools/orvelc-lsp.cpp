// orvelc-lsp: the language server over standard input and output. Reads one
// framed message at a time and hands it to the server until "exit" or the
// end of the input; the server answers from its own worker as well, so
// writes are serialized by the server and flushed at once.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "lsp/Protocol.h"
#include "lsp/Server.h"
#include "platform/Platform.h"

int main() {
    platform::UseBinaryStandardStreams();
    std::ios::sync_with_stdio(false);
    // Reading must never flush the output: only the server's writer, under
    // its lock, touches standard output, from whichever thread answers.
    std::cin.tie(nullptr);
    auto write = [](const std::string& body) {
        std::cout << Frame(body);
        std::cout.flush();
    };
    SServerOptions options;
    if (const char* includes = std::getenv("ORVELC_INCLUDE")) options.environmentIncludes = includes;
    int status = 1;
    {
        CLspServer server(write, options);
        CMessageReader reader(std::cin);
        std::string body, error;
        while (!server.HasExited()) {
            EReadStatus read = reader.Read(body, error);
            if (read == EReadStatus::eEnd) break;
            if (read == EReadStatus::eMessage)
                server.HandleMessage(body);
            else
                server.HandleUnreadable(error);
        }
        status = server.GetExitCode();
    }
    return status;
}
