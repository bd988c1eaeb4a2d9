// Checks of the semantic records that the library construction makes: every
// record against the table row it comes from (number, signature, marks,
// constants), the special members the code generator looks up, event and
// command indexes, constants through the parent chain, and records that are
// all immortal. The library is built once per process, as in the compiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "BuiltinExpected.h"
#include "builtins/BuiltinLibrary.h"
#include "semantic/Function.h"
#include "semantic/Variable.h"

namespace {

CType* NamedClass(const char* name) {
    CType* cls = GetBuiltinLibrary().FindClass(name);
    EXPECT_NE(cls, nullptr) << name;
    return cls;
}

// Every class record by EBuiltinClass; the three unnameable ones are reached
// through the parents of nameable ones.
CType* ClassRecord(EBuiltinClass c) {
    switch (c) {
    case EBuiltinClass::eRoot: return GetBuiltinLibrary().GetRootClass();
    case EBuiltinClass::eCommandObject: return NamedClass("unit")->GetParent();
    case EBuiltinClass::eObject: return NamedClass("mission")->GetParent();
    default: return NamedClass(std::string(GetBuiltinClassName(c)).c_str());
    }
}

std::string TypeSpelling(const CType* t) {
    switch (t->m_nKind) {
    case CType::eInt: return "i";
    case CType::eString: return "s";
    case CType::eVoid: return "v";
    case CType::eArray: return "a";
    default: return t->m_strName;
    }
}

std::string RecordSignature(const CFunction& f) {
    std::string text = f.m_strName + "(";
    for (size_t i = 0; i < f.GetParamCount(); ++i) text += (i ? "," : "") + TypeSpelling(f.GetParam(i));
    return text + "):" + TypeSpelling(f.m_pResult.Get()) + MarksSpelling(f.m_bDotCallable, f.m_bGlobal);
}

size_t Size(const CRefPtr<CFunctionList>& list) { return list ? list->GetSize() : 0; }

// A call signature: name, a void result, the given parameter types.
CFunction Signature(const char* name, std::initializer_list<CType*> params) {
    CFunction sig(name, CType::GetShared(CType::eVoid));
    for (CType* t : params) sig.AddParam(t);
    return sig;
}

CRefPtr<CVariableList> ParamList(std::initializer_list<CType*> types) {
    CRefPtr<CVariableList> list = MakeRef<CVariableList>();
    int n = 0;
    for (CType* t : types) list->Add("p" + std::to_string(n++), t, CVariable::eParam);
    return list;
}

class BuiltinLibrary : public ::testing::Test {
protected:
    void SetUp() override { GetBuiltinLibrary(); }
};

}  // namespace

// The records hold exactly what the rows say, in member order: the builder
// neither drops, reorders nor renumbers anything.
TEST_F(BuiltinLibrary, RecordsMatchTheirTableRows) {
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const SBuiltinClassDesc& desc = GetBuiltinClassDesc(EBuiltinClass(c));
        CType* cls = ClassRecord(EBuiltinClass(c));
        ASSERT_NE(cls, nullptr);
        SCOPED_TRACE(cls->m_strName);
        EXPECT_EQ(cls->m_strName, desc.m_pszName);
        struct {
            std::span<const SBuiltinMemberDesc> m_Rows;
            const CFunctionList* m_pRecords;
        } lists[] = {{desc.m_Functions, cls->m_pFunctions.Get()},
                     {desc.m_Events, cls->m_pEvents.Get()},
                     {desc.m_Commands, cls->m_pCommands.Get()}};
        for (const auto& list : lists) {
            size_t records = list.m_pRecords ? list.m_pRecords->GetSize() : 0;
            ASSERT_EQ(int(records), CountBuiltinMembers(list.m_Rows));
            auto compare = [&](const SBuiltinMember& m) {
                const CFunction& f = *list.m_pRecords->Get(size_t(m.m_nPosition));
                EXPECT_EQ(RecordSignature(f), MemberSignature(m));
                EXPECT_EQ(f.m_nBuiltinNumber, m.m_nNumber) << f.m_strName;
                EXPECT_EQ(f.m_bScript, 0u);
            };
            ForEachBuiltinMember(list.m_Rows, compare);
        }
        size_t k = 0;
        auto constant = [&](const SBuiltinConstant& want) {
            ASSERT_LT(k, cls->m_Constants.GetSize());
            EXPECT_EQ(cls->m_Constants[k].m_strName, want.m_strName);
            EXPECT_EQ(cls->m_Constants[k].m_nValue, want.m_nValue);
            ++k;
        };
        ForEachBuiltinConstant(desc.m_Constants, constant);
        EXPECT_EQ(k, cls->m_Constants.GetSize());
    }
}

TEST_F(BuiltinLibrary, ClassesParentsAndSharedTypes) {
    auto order = GetBuiltinNameableOrder();
    const CBuiltinLibrary& library = GetBuiltinLibrary();
    ASSERT_EQ(library.GetClasses().size(), 19u);
    for (size_t i = 0; i < order.size(); ++i) {
        const CType& cls = *library.GetClasses()[i];
        EXPECT_EQ(cls.m_strName, GetBuiltinClassName(order[i]));
        EXPECT_EQ(cls.m_nClassNumber, kExpectedClasses[int(order[i])].m_nClassNumber);
        EXPECT_EQ(cls.m_nKind, uint32_t(CType::eClass));
    }
    EXPECT_EQ(library.FindClass("$Object"), nullptr);
    EXPECT_EQ(library.FindClass("$CommandObject"), nullptr);
    EXPECT_EQ(library.FindClass(""), nullptr);
    EXPECT_EQ(library.FindClass("Unit"), nullptr);  // names match exactly

    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const CType* cls = ClassRecord(EBuiltinClass(c));
        const CType* parent = cls->GetParent();
        if (c == int(EBuiltinClass::eRoot)) {
            EXPECT_EQ(parent, nullptr);
        } else {
            ASSERT_NE(parent, nullptr);
            EXPECT_EQ(parent, ClassRecord(GetBuiltinClassDesc(EBuiltinClass(c)).m_nParent));
            EXPECT_EQ(parent->m_strName, kExpectedClasses[c].m_pszParent);
        }
    }
    for (EBuiltinClass c : {EBuiltinClass::eObject, EBuiltinClass::eCommandObject, EBuiltinClass::eRoot})
        EXPECT_EQ(ClassRecord(c)->m_nClassNumber, -1);
    CType* array = library.GetArrayType();
    EXPECT_TRUE(library.GetRootClass()->m_strName.empty());
    EXPECT_TRUE(array->IsArray());
    EXPECT_EQ(array->GetElement(), CType::GetShared(CType::eInt));
    EXPECT_EQ(array->GetParent(), library.GetRootClass());
    EXPECT_EQ(array->m_pFunctions, nullptr);
    // tutorial has nothing of its own but reaches campaign's members.
    CType* tutorial = NamedClass("tutorial");
    EXPECT_TRUE(!tutorial->m_pFunctions && !tutorial->m_pEvents && !tutorial->m_pCommands);
    EXPECT_NE(tutorial->FindFunctionByName("RegisterMission"), nullptr);
}

// Found by exact signature in the class's own list, as the code generator
// looks them up (their result types and marks are checked against the rows).
TEST_F(BuiltinLibrary, SpecialMembersTheCodeGeneratorLooksUp) {
    auto own = [](CType* cls, const char* name, std::initializer_list<CType*> params) -> CFunction* {
        if (!cls->m_pFunctions) return nullptr;
        const CStr text(name);
        const std::vector<CType*> types(params);
        int32_t at = cls->m_pFunctions->FindSame(CCallSignature{text, types});
        return at < 0 ? nullptr : cls->m_pFunctions->Get(size_t(at));
    };
    for (const char* name : {"unit", "unitex", "punit", "civil", "civilaircraft", "tank", "aircraft", "sapper",
                             "repairer", "supplier", "builder", "transporter", "movingbuilding", "saboteur", "player"})
        for (const char* member : {"$AddRef", "$Release"})
            EXPECT_NE(own(NamedClass(name), member, {NamedClass(name)}), nullptr) << name << "." << member;
    for (const char* name : {"mission", "campaign", "platoon", "tutorial"})
        EXPECT_EQ(own(NamedClass(name), "$AddRef", {NamedClass(name)}), nullptr) << name;
    CType* commandObject = ClassRecord(EBuiltinClass::eCommandObject);
    for (const char* member : {"$AddRef", "$Release"})
        EXPECT_NE(own(commandObject, member, {NamedClass("unit")}), nullptr) << member;
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        EBuiltinClass id = EBuiltinClass(c);
        if (id == EBuiltinClass::eRoot) continue;
        bool expected = id != EBuiltinClass::eObject && id != EBuiltinClass::eTutorial;
        CType* cls = ClassRecord(id);
        EXPECT_EQ(own(cls, "$Serialize", {cls}) != nullptr, expected) << cls->m_strName;
    }
    CType* root = GetBuiltinLibrary().GetRootClass();
    CType* integer = CType::GetShared(CType::eInt);
    CType* array = GetBuiltinLibrary().GetArrayType();
    EXPECT_NE(own(root, "$SerializeInt", {integer}), nullptr);
    EXPECT_NE(own(root, "$GetAt", {array, integer}), nullptr);
    CFunction* setAt = own(root, "$SetAt", {integer, array, integer});
    ASSERT_NE(setAt, nullptr);
    EXPECT_EQ(setAt->m_nBuiltinNumber, 6);
    // Root commands are inherited by index everywhere; lookup takes a class's
    // own $Destructor first where it declares one.
    for (const char* name : {"unit", "mission", "player", "tutorial"})
        EXPECT_EQ(NamedClass(name)->GetCommandIndex("$Serialize", nullptr), 1) << name;
    for (auto [name, index] : {std::pair{"unit", 0}, {"mission", 0}, {"player", 2}, {"tutorial", 2}})
        EXPECT_EQ(NamedClass(name)->GetCommandIndex("$Destructor", nullptr), index) << name;
    EXPECT_EQ(NamedClass("player")->m_pCommands->Get(0)->m_strName, "$Destructor");
    EXPECT_EQ(NamedClass("campaign")->m_pCommands->Get(0)->m_strName, "$Destructor");
}

// Event and command indexes, constants and overloads of the records follow
// from what is checked above (every list against its rows, every parent link)
// and the lookup rules checked in the semantic tests; a few anchors remain.
TEST_F(BuiltinLibrary, LookupsThroughTheRealClassTree) {
    int32_t v = 0;
    EXPECT_TRUE(NamedClass("tutorial")->FindConstant("volumeEnvironment", v));  // from $Object
    EXPECT_FALSE(NamedClass("unit")->FindConstant("volumeEnvironment", v));
    EXPECT_FALSE(NamedClass("mission")->FindConstant("findTargetAnyUnit", v));
    CType* i = CType::GetShared(CType::eInt);
    EXPECT_EQ(NamedClass("tutorial")->GetEventIndex("CustomEvent0", ParamList({i, i, i, i}).Get()), 12);
    EXPECT_EQ(NamedClass("platoon")->GetCommandIndex("UserNoParam9", nullptr), 68);
    CType* s = CType::GetShared(CType::eString);
    EXPECT_EQ(NamedClass("mission")->FindFunction(Signature("RegisterGoal", {i, s}))->m_nBuiltinNumber,
              2161);
    EXPECT_EQ(NamedClass("tank")->FindFunction(Signature("DistanceTo", {NamedClass("tank")})), nullptr);
}

// Compilations on several threads share the records, so counting a
// reference to any of them must write nothing; one library per process.
TEST_F(BuiltinLibrary, EveryRecordIsImmortalAndBuiltOnce) {
    const CBuiltinLibrary& library = GetBuiltinLibrary();
    EXPECT_EQ(&library, &GetBuiltinLibrary());
    size_t members = 0;
    EXPECT_TRUE(library.GetArrayType()->IsImmortal());
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        CType* cls = library.GetClass(EBuiltinClass(c));
        EXPECT_EQ(cls, ClassRecord(EBuiltinClass(c)));
        EXPECT_TRUE(cls->IsImmortal()) << cls->m_strName;
        for (const CRefPtr<CFunctionList>& list : {cls->m_pFunctions, cls->m_pEvents, cls->m_pCommands}) {
            if (list) {
                EXPECT_TRUE(list->IsImmortal());
            }
            for (size_t p = 0; p < Size(list); ++p) {
                const CFunction& f = *list->Get(p);
                EXPECT_TRUE(f.IsImmortal()) << f.m_strName;
                EXPECT_TRUE(f.m_pResult->IsImmortal()) << f.m_strName;
                for (size_t a = 0; a < f.GetParamCount(); ++a) EXPECT_TRUE(f.GetParam(a)->IsImmortal());
                ++members;
            }
        }
    }
    size_t expected = size_t(GetBuiltinFunctionTotal());
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const SBuiltinClassDesc& desc = GetBuiltinClassDesc(EBuiltinClass(c));
        expected += size_t(CountBuiltinMembers(desc.m_Events) + CountBuiltinMembers(desc.m_Commands));
    }
    EXPECT_EQ(members, expected);
}

// Members are filled when a class is first handed out, by whichever thread
// asks first. Each test runs in a process of its own, so here the library
// starts empty: threads that ask for the classes at the same moment, in
// different orders, must all see every class filled exactly once, with the
// same records.
TEST(LazyBuiltinLibrary, ThreadsAskingAtOnceFillEachClassOnce) {
    const CBuiltinLibrary& library = GetBuiltinLibrary();
    constexpr int kThreads = 6;
    std::atomic<int> ready{0};
    std::vector<std::vector<const CFunction*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            std::span<const EBuiltinClass> order = GetBuiltinNameableOrder();
            for (size_t i = 0; i < order.size(); ++i) {
                EBuiltinClass c = order[(i * 7 + size_t(t) * 5) % order.size()];
                CType* cls = library.FindClass(GetBuiltinClassName(c));
                if (!cls) continue;
                for (CType* k = cls; k; k = k->GetParent())
                    for (size_t f = 0; f < Size(k->m_pFunctions); ++f) seen[size_t(t)].push_back(k->m_pFunctions->Get(f));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 1; t < kThreads; ++t) {
        std::vector<const CFunction*> a = seen[0], b = seen[size_t(t)];
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << "thread " << t;
    }
    for (int c = 0; c < kBuiltinClassCount; ++c) {
        const SBuiltinClassDesc& desc = GetBuiltinClassDesc(EBuiltinClass(c));
        EXPECT_EQ(Size(library.GetClass(EBuiltinClass(c))->m_pFunctions), size_t(CountBuiltinMembers(desc.m_Functions)))
            << desc.m_pszName;
    }
}
