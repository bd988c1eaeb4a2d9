// The built-in reference: docs/reference.md is exactly what the tables render
// (regenerate it with `make reference` after a change), every function number
// appears once, and the renderings the editor's hover shares read right.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "builtins/Reference.h"

namespace {

TEST(Reference, CheckedInCopyIsCurrent) {
    std::ifstream in(std::string(ORVEL_TEST_DATA) + "/../../docs/reference.md", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(text.str() == RenderReference()) << "docs/reference.md is stale: run `make reference`";
}

// Each number 0..N-1 once, a family's range counting for all its forms.
TEST(Reference, EveryFunctionNumberOnce) {
    std::string text = RenderReference();
    std::multiset<int> numbers;
    std::regex row(R"(\n\| (\d+)(?:–(\d+))? \| `)");
    for (std::sregex_iterator it(text.begin(), text.end(), row), end; it != end; ++it) {
        int first = std::stoi((*it)[1]);
        int last = (*it)[2].matched ? std::stoi((*it)[2]) : first;
        for (int n = last; n <= first; ++n) numbers.insert(n);
    }
    // Event and command rows have indexes, not numbers: count only functions.
    std::multiset<int> functions;
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const SBuiltinClassDesc& d = GetBuiltinClassDesc(EBuiltinClass(c));
        for (const SBuiltinMemberDesc& r : d.m_Functions) {
            int count = r.m_bFamily ? kBuiltinFamilySize : r.m_nSeries ? r.m_nSeries : 1;
            for (int k = 0; k < count; ++k) functions.insert(r.m_nNumber - k);
        }
    }
    EXPECT_EQ(int(functions.size()), GetBuiltinFunctionTotal());
    for (int n = 0; n < GetBuiltinFunctionTotal(); ++n) EXPECT_EQ(functions.count(n), 1u) << n;
    for (int n : functions) EXPECT_GE(numbers.count(n), 1u) << "function " << n << " is not in the reference";
}

TEST(Reference, SectionsRowsAndHoverTexts) {
    std::string unit = RenderClassReference(EBuiltinClass::eUnit);
    EXPECT_EQ(unit.substr(0, unit.find("\n\n###")),
              "## unit\n\nParent: `$CommandObject` · script-class number 1 · functions 18–165 (148)");
    EXPECT_NE(unit.find("| 162 | `int GetIFF()` | dot |\n"), std::string::npos);
    EXPECT_NE(unit.find("| 0 | `int OnHit()` |\n"), std::string::npos);

    std::string root = RenderClassReference(EBuiltinClass::eRoot);
    EXPECT_NE(root.find("| 13 | `int Trace(string)` | global |\n"), std::string::npos);
    EXPECT_NE(root.find("| 1 | `int $Serialize()` |\n"), std::string::npos);

    std::string mission = RenderClassReference(EBuiltinClass::eMission);
    EXPECT_NE(mission.find("| 2135–2010 | `void RegisterGoal(int, string, int or string ×1..6)` |  |\n"),
              std::string::npos);
    EXPECT_NE(mission.find("| 7 | `void Timer7()` |\n| 8 | `int RemoveResources()` |\n"), std::string::npos);
    EXPECT_NE(mission.find("| 2 | `int Initialize()` |\n"), std::string::npos);  // after the root's two
    EXPECT_NE(mission.find("| `commandUserObject3` | 82 |\n"), std::string::npos);
    EXPECT_EQ(RenderClassReference(EBuiltinClass::eTutorial),
              "## tutorial\n\nParent: `campaign` · script-class number 18 · no functions\n");
    EXPECT_NE(RenderClassReference(EBuiltinClass::ePlayer).find(" | 65536 (0x10000) |\n"), std::string::npos);

    EXPECT_EQ(FindReferenceClass("root"), EBuiltinClass::eRoot);
    EXPECT_EQ(FindReferenceClass("$CommandObject"), EBuiltinClass::eCommandObject);
    EXPECT_EQ(FindReferenceClass("Unit"), EBuiltinClass::eNone);

    // Hover: the nearest class first, each overload with its own number.
    EXPECT_EQ(RenderFunctionHover(EBuiltinClass::eTank, "Trace"),
              "```orvel\nint Trace(string)\n```\n`root` function 13 · global · not legal after a dot\n"
              "\n---\n\n```orvel\nint Trace(int)\n```\n`root` function 11 · global · not legal after a dot\n");
    EXPECT_EQ(RenderConstantHover(EBuiltinClass::eTutorial, "nothing"), "");
    EXPECT_EQ(RenderEventHover(EBuiltinClass::eTutorial, "Timer3"),
              "```orvel\nevent void Timer3()\n```\n`campaign` event 7\n");
    // Families of 126 overloads stay one entry; more than eight overloads are counted.
    std::string many = RenderFunctionHover(EBuiltinClass::eMission, "SetConsoleText");
    EXPECT_NE(many.find("`mission` function 1883–1758"), std::string::npos);
}

}  // namespace
