// Streaming compilation: each routine is translated when its body closes and
// the body freed. The object file of a generated 20,000-line script is pinned
// by its SHA-256 (the digest the previous compiler gave it), the streamed unit
// equals the one generated from a kept tree, and a parse that fails after
// routines were translated still yields no unit.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "BenchScript.h"
#include "compile/Compile.h"
#include "objfile/ObjectFile.h"

namespace {

// 01234567-89AB-CDEF-0123-456789ABCDEF in memory layout.
constexpr uint8_t kGuid[16] = {0x67, 0x45, 0x23, 0x01, 0xAB, 0x89, 0xEF, 0xCD,
                               0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// SHA-256 of a byte string, as lowercase hex (FIPS 180-4).
std::string Sha256(const std::string& bytes) {
    static constexpr uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    std::string m = bytes;
    const uint64_t bits = uint64_t(bytes.size()) * 8;
    m += char(0x80);
    while (m.size() % 64 != 56) m += char(0);
    for (int i = 7; i >= 0; --i) m += char(bits >> (8 * i));
    std::array<uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    for (size_t at = 0; at < m.size(); at += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(uint8_t(m[at + 4 * i])) << 24 | uint32_t(uint8_t(m[at + 4 * i + 1])) << 16 |
                   uint32_t(uint8_t(m[at + 4 * i + 2])) << 8 | uint32_t(uint8_t(m[at + 4 * i + 3]));
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::array<uint32_t, 8> v = h;
        for (int i = 0; i < 64; ++i) {
            uint32_t t1 = v[7] + (rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25)) + ((v[4] & v[5]) ^ (~v[4] & v[6])) +
                          k[i] + w[i];
            uint32_t t2 = (rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22)) + ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i) h[size_t(i)] += v[size_t(i)];
    }
    std::string hex;
    char part[9];
    for (uint32_t x : h) {
        std::snprintf(part, sizeof part, "%08x", x);
        hex += part;
    }
    return hex;
}

class StreamTest : public ::testing::Test {
protected:
    CCompileResult Run(const std::string& text) {
        m_Files.Set("/mem/main.oc", text);
        m_Options.m_strDirectory = "/mem";
        m_Options.m_pFiles = &m_Files;
        m_Options.m_bWarnings = false;
        return Compile("main.oc", m_Options, GetBuiltinLibrary());
    }
    // The object file's bytes for an accepted compilation.
    std::string ObjectOf(const CCompileResult& r) {
        std::string path = ::testing::TempDir() + "stream_" + std::to_string(getpid()) + ".obj";
        EXPECT_TRUE(SaveUnit(*r.m_pUnit, path, r.m_strClassName, r.m_pBaseClass->m_nClassNumber, kGuid));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::remove(path.c_str());
        return bytes.str();
    }
    // The routine nodes of the class block of an accepted compilation.
    static std::vector<CNode*> Routines(const CCompileResult& r) {
        std::vector<CNode*> out;
        CNode* block = r.m_pRoot->GetChild(0)->GetChild(0);
        for (size_t i = 0; i < block->GetChildCount(); ++i) out.push_back(block->GetChild(i));
        return out;
    }

    CMemoryFiles m_Files;
    CCompileOptions m_Options;
};

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256(std::string(1000, 'a')), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

// The digest is the one the compiler before streaming wrote for this script,
// however the routines are batched for the translating thread.
TEST_F(StreamTest, GeneratedScriptKeepsItsObjectFile) {
    SBenchSources sources = GenerateBenchSources(20000);
    ASSERT_EQ(sources.m_nScriptLines, 19980);
    for (size_t batch : {0, 1, 3, 64}) {
        m_Options.m_nBatchRoutines = batch;
        CCompileResult r = Run(sources.m_strScript);
        ASSERT_EQ(r.m_nStatus, ECompileStatus::eAccepted);
        EXPECT_EQ(Sha256(ObjectOf(r)), "1044670f944156e79cce996db3165b00a1aec0f3a2e8ac655dbd6c9984d36cb9") << batch;
    }
}

// Past a megabyte of source the routines go to the translating thread in
// batches of a megabyte of bodies, without being asked to: the object file
// is still the one the single-threaded compiler wrote.
TEST_F(StreamTest, AScriptOfAMegabyteIsTranslatedAlongsideTheParse) {
    SBenchSources sources = GenerateBenchSources(50000);
    ASSERT_GT(sources.m_strScript.size(), size_t(1024 * 1024));
    CCompileResult r = Run(sources.m_strScript);
    ASSERT_EQ(r.m_nStatus, ECompileStatus::eAccepted);
    EXPECT_EQ(Sha256(ObjectOf(r)), "9309361a8a2c66872603146ce8a7416ac2799197c7844b1aca78fde6698ef513");
}

// Streamed, every body is gone once translated; kept, every body is there.
// Either way the unit is the same: routines, data, calls into the script's
// own functions and strings in emitting order.
TEST_F(StreamTest, StreamedUnitEqualsTheUnitOfTheKeptTree) {
    const std::string script =
        "unit \"S\"\n{\n int n;\n unit other;\n state Idle;\n state Busy;\n"
        " function int Twice(int a) { return a + a; }\n"
        " state Idle { n = Twice(n) + 1; if (n > 3) return Busy, 5; Trace(\"idle\"); }\n"
        " event OnHit() { state Idle; return Twice(2); }\n"
        " function int More(int a) { return Twice(a) * Twice(a + 1); }\n"
        " state Busy { unit u; u = other; n = More(n); Trace(\"busy\"); return Idle; }\n"
        " int late;\n"
        " command Move(int x, int y, int z) button \"Go\" description \"There\" { late = x + More(y); return; }\n}\n";
    m_Options.m_bKeepTree = true;
    CCompileResult kept = Run(script);
    ASSERT_EQ(kept.m_nStatus, ECompileStatus::eAccepted);
    m_Options.m_bKeepTree = false;
    // Translated at the end, or handed to the translating thread one, two or
    // four routines at a time while class variables are still declared.
    for (size_t batch : {0, 1, 2, 4}) {
        m_Options.m_nBatchRoutines = batch;
        CCompileResult streamed = Run(script);
        ASSERT_EQ(streamed.m_nStatus, ECompileStatus::eAccepted) << streamed.m_Diagnostics[0].message;
        EXPECT_EQ(ObjectOf(streamed), ObjectOf(kept)) << batch;
        EXPECT_EQ(streamed.m_pUnit->m_nDataSize, 20u);  // $State, $Loop, n, other and late, declared after routines
        std::vector<CNode*> a = Routines(streamed), b = Routines(kept);
        ASSERT_EQ(a.size(), 6u);
        ASSERT_EQ(b.size(), 6u);
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i]->GetKind(), b[i]->GetKind());
            EXPECT_EQ(a[i]->GetChild(0), nullptr) << i;
            ASSERT_NE(b[i]->GetChild(0), nullptr) << i;
            EXPECT_EQ(b[i]->GetChild(0)->GetKind(), CToken::eBlockInstruction);
        }
    }
}

// Routines before the fault were already translated (here or on the
// translating thread, which may still be at it when the fault is found);
// the script still gets no unit and only the diagnostic of the parse.
TEST_F(StreamTest, AFailureAfterTranslatedRoutinesLeavesNoUnit) {
    const std::string good = "unit \"S\"\n{\n int n;\n function int F(int a) { return a * 2; }\n state A { n = F(n); }\n";
    for (size_t batch : {0, 1}) {
        m_Options.m_nBatchRoutines = batch;
        CCompileResult later = Run(good + " state B { n = ; }\n}\n");
        EXPECT_EQ(later.m_nStatus, ECompileStatus::eErrors);
        EXPECT_FALSE(later.m_pUnit);
        ASSERT_EQ(later.m_Diagnostics.size(), 1u);
        EXPECT_EQ(FormatText(later.m_Diagnostics[0]),
                  "/mem/main.oc(6) : error C0000: Dual opearator requires exactly 2 parameters\n");

        CCompileResult undefined = Run(good + " state C;\n state B { return C; }\n}\n");
        EXPECT_EQ(undefined.m_nStatus, ECompileStatus::eErrors);
        EXPECT_FALSE(undefined.m_pUnit);
        ASSERT_EQ(undefined.m_Diagnostics.size(), 1u);
        EXPECT_EQ(FormatText(undefined.m_Diagnostics[0]), "/mem/main.oc(8) : error C0000: Undefined state\n");
    }
}

// With every error asked for, the parse goes on past a fault while earlier
// routines are still with the translating thread; each error is reported
// once, in order, and no unit is made.
TEST_F(StreamTest, ErrorsAfterHandedOverRoutinesAreAllReported) {
    std::string script = "unit \"S\"\n{\n int n;\n";
    for (int i = 0; i < 40; ++i) script += " state S" + std::to_string(i) + " { n = n + " + std::to_string(i) + "; }\n";
    script += " state Bad1 { n = ; }\n state Fine { n = 1; }\n state Bad2 { n = ; }\n}\n";
    m_Options.m_bAllErrors = true;
    m_Options.m_nBatchRoutines = 1;
    CCompileResult r = Run(script);
    EXPECT_EQ(r.m_nStatus, ECompileStatus::eErrors);
    EXPECT_FALSE(r.m_pUnit);
    ASSERT_EQ(r.m_Diagnostics.size(), 2u);
    EXPECT_EQ(r.m_Diagnostics[0].line, 44);
    EXPECT_EQ(r.m_Diagnostics[1].line, 46);
}

}  // namespace
