// Compiles arbitrary source text. The input is split at lines "//@@": the
// first part is main.oc, the parts after it are 1.h, 2.h ... so that seeds
// can include one another, themselves or files that are missing. When the
// compiler says it wrote an object file, that file must load and bind again.
// Some inputs are compiled going on after errors, some shown in the pretty
// form.
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "builtins/BuiltinLibrary.h"
#include "builtins/BuiltinTables.h"
#include "codegen/CodeGen.h"
#include "driver/Driver.h"
#include "objfile/ObjectFile.h"
#include "support/Stream.h"

namespace {

constexpr std::string_view kSplit = "\n//@@\n";
constexpr int kMaxIncludes = 4;

std::vector<std::string_view> SplitParts(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        size_t at = text.find(kSplit);
        if (at == std::string_view::npos || parts.size() == kMaxIncludes) break;
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + kSplit.size());
    }
    parts.push_back(text);
    return parts;
}

// What the compiler wrote must be readable by the loader and bind.
void CheckObjectFile() {
    CFileStream s;
    if (!s.Open(FuzzPath("out.obj"), CStream::eRead | (6 << CStream::eLevelShift))) std::abort();
    CCodeGen gen;
    if (!LoadUnit(s, gen)) std::abort();
    std::vector<uint32_t> builtins(size_t(GetBuiltinFunctionTotal()), 0x10000000);
    if (!BindUnit(gen, 0x00400000, 0x00800000, builtins.data(), builtins.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnterScratch();
    GetBuiltinLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string_view> parts = SplitParts(AsText(data, size));
    FuzzWrite("main.oc", parts[0]);
    for (int i = 1; i <= kMaxIncludes; ++i) {
        std::string name = std::to_string(i) + ".h";
        if (size_t(i) < parts.size())
            FuzzWrite(name, parts[i]);
        else
            FuzzRemove(name);
    }
    FuzzRemove("out.obj");
    CompileRequest request;
    request.source = "main.oc";
    request.output = "out.obj";
    request.warnings = size % 2 == 0;
    // Recovery after errors, without a limit, and the pretty form, which
    // reads the lines it shows back from the files.
    request.allErrors = size % 3 == 0;
    request.maxErrors = 0;
    if (size % 5 == 0) request.format = EDiagnosticFormat::ePretty;
    bool wrote = CompileScript(request) == 0;
    if (wrote != FuzzExists("out.obj")) std::abort();
    if (wrote) CheckObjectFile();
    return 0;
}
