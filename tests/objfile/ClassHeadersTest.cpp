// Every class a script may name compiles to an object file whose header
// carries the script's name and the class number (left out when it is 0).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "builtins/BuiltinLibrary.h"
#include "codegen/CodeGen.h"
#include "codegen/Translate.h"
#include "parser/Compiler.h"

namespace {

TEST(ClassHeaders, NameAndClassNumberOfEveryNameableClass) {
    BuildBuiltinLibrary();
    const char* classes[] = {"unit", "unitex", "platoon", "campaign", "mission", "player", "sapper",
                             "supplier", "civil", "tank", "repairer", "builder", "aircraft",
                             "civilaircraft", "punit", "transporter", "movingbuilding", "saboteur",
                             "tutorial"};
    const int numbers[] = {1, 0, 13, 14, 16, 15, 3, 5, 9, 2, 4, 6, 7, 8, 17, 10, 11, 12, 18};
    for (size_t i = 0; i < std::size(classes); ++i) {
        std::string src = ::testing::TempDir() + "head.oc", obj = ::testing::TempDir() + "head.obj";
        std::ofstream(src) << classes[i] << " \"Script\"\n{\n state A { }\n}\n";
        CCompiler c;
        c.m_Scanner.Open(src);
        c.Begin();
        while (!c.IsFinished()) {
            c.m_Scanner.NextToken();
            c.RunState();
        }
        ASSERT_EQ(0, c.m_nError) << classes[i];
        CCodeGen gen;
        PrepareTree(c.m_pRoot.Get());
        TranslateTree(c.m_pRoot.Get(), gen);
        FinishBlocks(c.m_pRoot.Get());
        gen.SetPass(1);
        TranslateTree(c.m_pRoot.Get(), gen);
        ASSERT_EQ(0u, gen.ResolveJumps());
        const uint8_t guid[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        ASSERT_TRUE(gen.Save(obj, c.m_strClassName, c.m_pBaseClass->m_nClassNumber, guid));
        std::ifstream in(obj, std::ios::binary);
        std::string head((std::istreambuf_iterator<char>(in)), {});
        std::string want = "\xFF\xA1\xD0";
        want += char(0x01 | 0x08 | 0x20 | (numbers[i] ? 0x10 : 0));
        want += "\x06Script";
        if (numbers[i]) want += std::string{char(numbers[i]), 0, 0, 0};
        want += std::string(reinterpret_cast<const char*>(guid), 16);
        EXPECT_EQ(want, head.substr(0, want.size())) << classes[i];
    }
}

}  // namespace
