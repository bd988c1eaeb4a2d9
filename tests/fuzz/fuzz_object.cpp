// Loads and binds arbitrary object files. The first byte chooses the form:
// even, the rest is an object body that the target deflates behind a proper
// container header (so mutations reach the tables rather than dying in
// zlib); odd, the rest is the whole file as it lies on disk. The second byte
// sets how many built-in functions the binding table offers.
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "codegen/CodeGen.h"
#include "objfile/ObjectFile.h"
#include "support/Stream.h"

namespace {

constexpr uint32_t kCompressed = 6 << CStream::eLevelShift;

void WriteCompressed(const std::string& path, std::string_view body) {
    static const uint8_t kId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    CFileStream s;
    if (!s.Open(path, CStream::eWrite | kCompressed)) std::abort();
    s.WriteHeader(kId, "", 0, true);
    s.WriteBytes(body.data(), body.size());
    s.Close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnterScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::string path = FuzzPath("in.obj");
    std::string_view rest = AsText(data + 2, size - 2);
    if (data[0] & 1)
        FuzzWrite("in.obj", rest);
    else
        WriteCompressed(path, rest);
    CFileStream s;
    if (!s.Open(path, CStream::eRead | kCompressed)) return 0;
    CCodeGen gen;
    if (!LoadUnit(s, gen)) {
        if (gen.m_Code.GetSize() != 0 || gen.m_Data.GetSize() != 0) std::abort();
        return 0;
    }
    std::vector<uint32_t> builtins(size_t(data[1]) * 16, 0x10000000);
    BindUnit(gen, 0x00400000, 0x00800000, builtins.data(), builtins.size());
    return 0;
}
