// End-to-end support: a script text compiled in memory, bound on the bench
// and run routine by routine on one script object, so a test reads like the
// engine's session with the script: run this handler, then that state, then
// look at the variables and the built-in calls in between.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "Target.h"

class CScript {
public:
    explicit CScript(const std::string& source) {
        const std::string path = testing::TempDir() + "e2e_" + std::to_string(getpid()) + "_" +
                                 testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                                 std::to_string(s_nCounter++) + ".oc";
        std::ofstream(path) << source;
        std::string error;
        m_bOk = m_Target.Open(path, error) && m_Bench.Attach(m_Target.m_pUnit, error);
        if (m_bOk) m_Target.Prepare(m_Bench);
        m_strError = error;
        std::remove(path.c_str());
    }

    bool Ok() const { return m_bOk; }
    const std::string& Error() const { return m_strError; }

    SRunResult Run(const std::string& routine, const std::vector<uint32_t>& args = {}) {
        SRoutine r;
        std::string error;
        if (!m_Target.FindRoutine(routine, args.size(), r, error)) {
            SRunResult bad;
            bad.m_strError = error;
            return bad;
        }
        return m_Bench.Call(m_Target.Entry(m_Bench, r), args);
    }

    int32_t Var(const std::string& name) const {
        const int32_t slot = m_Target.FindVariable(name);
        EXPECT_GE(slot, 0) << "no class variable " << name;
        return slot < 0 ? 0 : int32_t(m_Bench.GetVariable(uint32_t(slot)));
    }
    void Set(const std::string& name, int32_t value) {
        const int32_t slot = m_Target.FindVariable(name);
        ASSERT_GE(slot, 0) << "no class variable " << name;
        m_Bench.SetVariable(uint32_t(slot), uint32_t(value));
    }
    int32_t StateNumber(const std::string& name) const {
        for (size_t i = 0; i < m_Target.m_StateNames.size(); ++i)
            if (m_Target.m_StateNames[i] == name) return int32_t(i);
        return -1;
    }

    CBench& Bench() { return m_Bench; }

private:
    static inline int s_nCounter = 0;
    CTarget m_Target;
    CBuiltinIndex m_Index;
    CBench m_Bench{m_Index};
    bool m_bOk = false;
    std::string m_strError;
};

// The calls of a run, each as "Name(args)", "OBJECT.Name(args)" when called
// on another object than the controlled one; results and notes left out.
inline std::vector<std::string> Calls(const SRunResult& r) {
    std::vector<std::string> out;
    for (const SBuiltinCall& c : r.m_Calls) {
        std::string s;
        if (c.m_bHasObject && c.m_nObject != CBench::kGameObject) s = std::to_string(int32_t(c.m_nObject)) + ".";
        s += c.m_strName + "(";
        for (size_t i = 0; i < c.m_Args.size(); ++i) {
            if (i) s += ", ";
            s += i < c.m_Strings.size() && !c.m_Strings[i].empty() ? c.m_Strings[i] : std::to_string(int32_t(c.m_Args[i]));
        }
        out.push_back(s + ")");
    }
    return out;
}

using Strings = std::vector<std::string>;

// A script that must compile and bind before the test goes on.
#define SCRIPT(s, source) \
    CScript s(source);    \
    ASSERT_TRUE(s.Ok()) << s.Error()

// Each named class variable must hold its value after a run.
inline void ExpectVars(const CScript& s, std::initializer_list<std::pair<const char*, int32_t>> expected) {
    for (auto [name, value] : expected) EXPECT_EQ(s.Var(name), value) << name;
}

// Runs a routine that must finish cleanly.
#define RUN_OK(script, ...)                                            \
    ([&] {                                                             \
        SRunResult r_ = (script).Run(__VA_ARGS__);                     \
        EXPECT_TRUE(r_.m_bOk) << r_.m_strError;                        \
        return r_;                                                     \
    }())
