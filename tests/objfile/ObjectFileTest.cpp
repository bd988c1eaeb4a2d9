// The object file: header bytes, the body layout after inflating, a full
// round trip, refusal of foreign, truncated and lying files (without large
// allocations), replacement of the target only on success, and binding.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "codegen/CodeGen.h"
#include "objfile/ObjectFile.h"
#include "platform/Platform.h"
#include "support/LittleEndian.h"
#include "support/Stream.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// The largest single allocation since the last reset, so that a test can
// show that a lying count did not turn into a huge buffer.
static std::atomic<size_t> g_nLargestAllocation{0};

void* operator new(size_t n) {
    size_t seen = g_nLargestAllocation.load();
    while (n > seen && !g_nLargestAllocation.compare_exchange_weak(seen, n)) {
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const uint8_t kGuid[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                           1, 2, 3, 4, 5, 6, 7, 8};
constexpr uint32_t kReadCompressed = CStream::eRead | (6 << CStream::eLevelShift);

class ObjectFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir = fs::temp_directory_path() /
                ("orvel_objfile_" + std::to_string(platform::ProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Dir);
        fs::create_directories(m_Dir);
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    std::string Path(const char* name) const { return (m_Dir / name).string(); }

    fs::path m_Dir;
};

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Inflate(const uint8_t* data, size_t size) {
    Bytes out(1 << 20);
    uLongf len = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &len, data, uLong(size)), Z_OK);
    out.resize(len);
    return out;
}

void PutWord(Bytes& b, uint32_t v) {
    b.resize(b.size() + 4);
    PutLe32(b.data() + b.size() - 4, v);
}

// An image with something in every table.
CRefPtr<CCodeGen> SampleImage() {
    CRefPtr<CCodeGen> g = MakeRef<CCodeGen>();
    g->m_nDataSize = 12;
    g->AppendString("caption");
    g->AppendDword(0xFFFFFFFF);
    g->Emit(CInstr::eCdq);                              // 0
    g->EmitCallBuiltin(5);                              // 1..5, rel32 at 2
    g->Emit(CInstr::eMov, eEAX, COperand::Address(3));  // 6..10, data offset at 7
    g->m_Relocations.Add(7);
    g->Emit(CInstr::eRet, COperand::Imm(4));            // 11..13
    g->SetState(0, 0);
    g->SetState(2, 11);
    g->SetCommand(0, 0, 0);
    g->SetCommand(1, 6, 8);
    g->SetEvent(0, 0);
    g->SetEvent(1, 1);
    g->m_Commands[1].m_nReserved[2] = 0xABCD;       // kept as it was stored
    return g;
}

// A body file: container header with compression, then `body` deflated.
void WriteBody(const std::string& path, const Bytes& body) {
    CFileStream s;
    ASSERT_TRUE(s.Open(path, CStream::eWrite | (6 << CStream::eLevelShift)));
    s.WriteHeader(kGuid, "", 0, true);
    s.WriteBytes(body.data(), body.size());
    s.Close();
    ASSERT_TRUE(s.IsGood());
}

bool LoadFile(const std::string& path, CCodeGen& into) {
    CFileStream s;
    s.Open(path, kReadCompressed);
    return LoadUnit(s, into);
}

Bytes BodyHead(uint32_t magic, uint32_t version) {
    Bytes b;
    PutWord(b, magic);
    PutWord(b, version);
    PutWord(b, 0);
    return b;
}

}  // namespace

TEST_F(ObjectFile, HeaderFlagsNameNumberAndIdentifier) {
    CCodeGen g;
    ASSERT_TRUE(SaveUnit(g, Path("a.obj"), "Guard", 7, kGuid));
    Bytes f = ReadFile(Path("a.obj"));
    const Bytes head = {0xFF, 0xA1, 0xD0, 1 + 8 + 16 + 32, 5, 'G', 'u', 'a', 'r', 'd', 7, 0, 0, 0};
    ASSERT_GT(f.size(), head.size() + 16);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 14), head);
    EXPECT_EQ(Bytes(f.begin() + 14, f.begin() + 30), Bytes(kGuid, kGuid + 16));

    // Without a name: no length byte. Class number 0: neither flag nor bytes.
    ASSERT_TRUE(SaveUnit(g, Path("b.obj"), "", 3, kGuid));
    f = ReadFile(Path("b.obj"));
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 8), (Bytes{0xFF, 0xA1, 0xD0, 1 + 16 + 32, 3, 0, 0, 0}));
    ASSERT_TRUE(SaveUnit(g, Path("c.obj"), "X", 0, kGuid));
    f = ReadFile(Path("c.obj"));
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 6), (Bytes{0xFF, 0xA1, 0xD0, 1 + 8 + 32, 1, 'X'}));
    EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 22), Bytes(kGuid, kGuid + 16));
}

TEST_F(ObjectFile, EmptyImageBodyIsCountsOfZero) {
    CCodeGen g;
    g.m_nDataSize = 8;
    ASSERT_TRUE(SaveUnit(g, Path("e.obj"), "", 0, kGuid));
    Bytes f = ReadFile(Path("e.obj"));
    ASSERT_GT(f.size(), 20u);
    Bytes body = Inflate(f.data() + 20, f.size() - 20);
    Bytes want = {0x4F, 0x43, 0x4F, 0x00, 0x00, 0x00, 0x01, 0x00, 8, 0, 0, 0};
    for (int table = 0; table < 7; ++table) PutWord(want, 0);
    EXPECT_EQ(body, want);
}

TEST_F(ObjectFile, BodyLayoutInOrder) {
    CRefPtr<CCodeGen> g = SampleImage();
    ASSERT_TRUE(SaveUnit(*g, Path("s.obj"), "", 0, kGuid));
    Bytes f = ReadFile(Path("s.obj"));
    Bytes body = Inflate(f.data() + 20, f.size() - 20);
    Bytes want = {0x4F, 0x43, 0x4F, 0x00, 0x00, 0x00, 0x01, 0x00, 12, 0, 0, 0};
    PutWord(want, 12);
    for (char c : std::string("caption")) want.push_back(uint8_t(c));
    want.push_back(0);
    PutWord(want, 0xFFFFFFFF);
    PutWord(want, 1), PutWord(want, 7);                   // relocations
    PutWord(want, 1), PutWord(want, 2), PutWord(want, 5); // external calls
    PutWord(want, 3), PutWord(want, 0), PutWord(want, 0), PutWord(want, 11);  // states
    PutWord(want, 2);                                     // commands
    for (uint32_t w : {0u, 0u, 0u, 0u, 0u, 6u, 8u, 0u, 0u, 0xABCDu}) PutWord(want, w);
    PutWord(want, 2), PutWord(want, 0), PutWord(want, 1); // events
    PutWord(want, 14);
    for (uint8_t b : g->m_Code) want.push_back(b);
    EXPECT_EQ(body, want);
}

// The body layout test pins every byte SaveUnit writes, so writing the loaded
// image again and comparing the files shows that LoadUnit gave back every table
// and replaced what the image held before.
TEST_F(ObjectFile, RoundTripGivesBackEveryTable) {
    CRefPtr<CCodeGen> g = SampleImage();
    ASSERT_TRUE(SaveUnit(*g, Path("r.obj"), "Guard", 9, kGuid));
    CCodeGen back;
    back.SetState(9, 9);
    back.AppendDword(1);
    ASSERT_TRUE(LoadFile(Path("r.obj"), back));
    EXPECT_EQ(back.m_States.GetSize(), 3u);
    EXPECT_EQ(back.m_Commands[1].m_nReserved[2], 0xABCDu);
    ASSERT_TRUE(SaveUnit(back, Path("r2.obj"), "Guard", 9, kGuid));
    EXPECT_EQ(ReadFile(Path("r2.obj")), ReadFile(Path("r.obj")));
}

TEST_F(ObjectFile, ForeignMagicAndVersionsRefused) {
    const std::pair<uint32_t, uint32_t> heads[] = {
        {0x004F434F, 0x00010001}, {0x004F434F, 0x00000000}, {0x004F434E, 0x00010000}};
    for (auto [magic, version] : heads) {
        Bytes body = BodyHead(magic, version);
        for (int table = 0; table < 7; ++table) PutWord(body, 0);
        WriteBody(Path("v.obj"), body);
        CCodeGen g;
        EXPECT_FALSE(LoadFile(Path("v.obj"), g)) << std::hex << magic << " " << version;
    }
    // The same body with the right version loads.
    Bytes good = BodyHead(0x004F434F, 0x00010000);
    for (int table = 0; table < 7; ++table) PutWord(good, 0);
    WriteBody(Path("v.obj"), good);
    CCodeGen g;
    EXPECT_TRUE(LoadFile(Path("v.obj"), g));
}

TEST_F(ObjectFile, TruncatedFilesRefusedAtEveryCut) {
    CRefPtr<CCodeGen> g = SampleImage();
    ASSERT_TRUE(SaveUnit(*g, Path("t.obj"), "", 0, kGuid));
    const Bytes whole = ReadFile(Path("t.obj"));
    // Cut inside the compressed data. The last bytes of the file are the
    // zlib checksum, behind a body that has already been delivered whole;
    // only the stream layer can tell that such a stream never ended.
    for (size_t cut = 20; cut + 6 < whole.size(); ++cut) {
        WriteFile(Path("cut.obj"), Bytes(whole.begin(), whole.begin() + long(cut)));
        CCodeGen back;
        EXPECT_FALSE(LoadFile(Path("cut.obj"), back)) << "cut at " << cut;
        EXPECT_EQ(back.GetCodeSize() + back.m_Data.GetSize() + back.m_States.GetSize(), 0u);
    }
    // Cut inside the inflated body (a complete zlib stream that ends early).
    Bytes body = Inflate(whole.data() + 20, whole.size() - 20);
    for (size_t cut = 0; cut < body.size(); ++cut) {
        WriteBody(Path("short.obj"), Bytes(body.begin(), body.begin() + long(cut)));
        CCodeGen back;
        EXPECT_FALSE(LoadFile(Path("short.obj"), back)) << "body cut at " << cut;
    }
    // A body that runs on after the code is not one body either.
    body.push_back(0);
    WriteBody(Path("long.obj"), body);
    CCodeGen back;
    EXPECT_FALSE(LoadFile(Path("long.obj"), back));
}

TEST_F(ObjectFile, LyingCountsRefusedWithoutLargeAllocations) {
    // Each count in turn claims far more than follows.
    for (int table = 0; table < 7; ++table) {
        for (uint32_t lie : {0xFFFFFFFFu, 0x40000000u, 500000u}) {
            Bytes body = BodyHead(0x004F434F, 0x00010000);
            for (int t = 0; t < table; ++t) PutWord(body, 0);
            PutWord(body, lie);
            for (int i = 0; i < 40; ++i) body.push_back(uint8_t(i));
            WriteBody(Path("lie.obj"), body);
            CCodeGen back;
            CFileStream s;
            s.Open(Path("lie.obj"), kReadCompressed);
            g_nLargestAllocation = 0;
            EXPECT_FALSE(LoadUnit(s, back)) << "table " << table << " count " << lie;
            EXPECT_LT(g_nLargestAllocation.load(), size_t(1) << 20)
                << "table " << table << " count " << lie;
        }
    }
    // A plain (uncompressed) body is bounded by the file itself.
    Bytes body = BodyHead(0x004F434F, 0x00010000);
    PutWord(body, 100000);
    WriteFile(Path("plain.obj"), body);
    CFileStream s;
    s.Open(Path("plain.obj"), CStream::eRead);
    CCodeGen back;
    g_nLargestAllocation = 0;
    EXPECT_FALSE(LoadUnit(s, back));
    EXPECT_LT(g_nLargestAllocation.load(), size_t(64) << 10);
}

TEST_F(ObjectFile, FailedWriteKeepsTheOldFile) {
    const std::string target = Path("keep.obj");
    WriteFile(target, Bytes{'O', 'L', 'D'});
    // Block the temporary name with a directory so the write cannot start.
    const std::string temp = target + "." + std::to_string(platform::ProcessId()) + ".tmp";
    fs::create_directory(temp);
    CRefPtr<CCodeGen> g = SampleImage();
    EXPECT_FALSE(SaveUnit(*g, target, "", 0, kGuid));
    EXPECT_EQ(ReadFile(target), (Bytes{'O', 'L', 'D'}));
    fs::remove(temp);

    // A target that is a directory cannot be replaced; the temporary goes.
    const std::string dir = Path("dir.obj");
    fs::create_directory(dir);
    EXPECT_FALSE(SaveUnit(*g, dir, "", 0, kGuid));
    EXPECT_TRUE(fs::is_directory(dir));

    // Success replaces the old file and leaves nothing else behind.
    ASSERT_TRUE(SaveUnit(*g, target, "", 0, kGuid));
    EXPECT_EQ(ReadFile(target)[0], 0xFF);
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(m_Dir)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

TEST_F(ObjectFile, BindPatchesCallsRelocationsAndTables) {
    CRefPtr<CCodeGen> g = SampleImage();
    ASSERT_TRUE(SaveUnit(*g, Path("b.obj"), "", 0, kGuid));
    CCodeGen img;
    ASSERT_TRUE(LoadFile(Path("b.obj"), img));
    const uint32_t code = 0x00401000, data = 0x00500000;
    const uint32_t builtins[6] = {0, 0, 0, 0, 0, 0x77001234};
    ASSERT_TRUE(BindUnit(img, code, data, builtins, 6));

    Bytes c(img.m_Code.begin(), img.m_Code.end());
    EXPECT_EQ(GetLe32(c.data() + 2), 0x77001234u - (code + 2) - 4);  // the call lands on the built-in
    EXPECT_EQ(GetLe32(c.data() + 7), data + 3);                      // data offset 3 moved
    EXPECT_EQ(img.m_Commands[0].m_nPosition, 0u);           // no routine: left alone
    EXPECT_EQ(img.m_Commands[1].m_nPosition, code + 6);
    EXPECT_EQ(img.m_Commands[1].m_nDescriptor, 8u);
    EXPECT_EQ(img.m_Events[0], 0u);
    EXPECT_EQ(img.m_Events[1], code + 1);
    // Every state entry moves, a routine at 0 included.
    EXPECT_EQ(img.m_States[0], code);
    EXPECT_EQ(img.m_States[1], code);
    EXPECT_EQ(img.m_States[2], code + 11);
}

TEST_F(ObjectFile, BindRefusesHostileImagesWithoutPatching) {
    const uint32_t builtins[6] = {1, 2, 3, 4, 5, 6};
    struct SCase {
        const char* m_szName;
        void (*m_Spoil)(CCodeGen&);
    };
    const SCase cases[] = {
        {"unknown built-in", [](CCodeGen& g) { g.m_ExternalCalls[0].m_nBuiltin = 6; }},
        {"call past code", [](CCodeGen& g) { g.m_ExternalCalls[0].m_nPosition = 11; }},
        {"call at 2^32-2", [](CCodeGen& g) { g.m_ExternalCalls[0].m_nPosition = 0xFFFFFFFE; }},
        {"relocation past code", [](CCodeGen& g) { g.m_Relocations[0] = 12; }},
        {"state past code", [](CCodeGen& g) { g.m_States[2] = 14; }},
        {"event past code", [](CCodeGen& g) { g.m_Events[1] = 100; }},
        {"command past code", [](CCodeGen& g) { g.m_Commands[1].m_nPosition = 14; }},
    };
    for (const SCase& c : cases) {
        CRefPtr<CCodeGen> g = SampleImage();
        c.m_Spoil(*g);
        const Bytes before(g->m_Code.begin(), g->m_Code.end());
        const uint32_t state2 = g->m_States[2];
        EXPECT_FALSE(BindUnit(*g, 0x1000, 0x2000, builtins, 6)) << c.m_szName;
        EXPECT_EQ(Bytes(g->m_Code.begin(), g->m_Code.end()), before) << c.m_szName;
        EXPECT_EQ(g->m_States[2], state2) << c.m_szName;
    }
    CRefPtr<CCodeGen> g = SampleImage();
    EXPECT_FALSE(BindUnit(*g, 0x1000, 0x2000, nullptr, 0));
}
