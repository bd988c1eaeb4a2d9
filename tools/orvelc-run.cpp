// orvelc-run: runs one routine of a compiled unit on the emulated processor
// and prints the built-in calls it made, EAX and the class variables.
//
//   orvelc-run [options] FILE ROUTINE [ARG...]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Target.h"

namespace {

const char* const kUsage =
    "usage: orvelc-run [options] FILE ROUTINE [ARG...]\n"
    "  FILE      an object file, or a script source (compiled in memory)\n"
    "  ROUTINE   a state (number or name), an event or command handler by name,\n"
    "            $Destructor or $Serialize; ARGs are the handler's int arguments\n"
    "options:\n"
    "  --set VAR=VALUE      preset a class variable (by name, or @SLOT)\n"
    "  --array VAR=V1,V2..  give an array class variable these elements\n"
    "  --return NAME=VALUE  value returned by the built-in function NAME (default 0)\n"
    "  --loop N             loop budget ($Loop), default 10000\n"
    "  --steps N            instruction limit, default 1000000\n"
    "  --object ADDRESS     address of the controlled game object\n";

struct SOptions {
    std::vector<std::pair<std::string, std::string>> sets, arrays, returns;
    std::string loop, steps, object;
    std::string file, routine;
    std::vector<std::string> args;
};

bool ParseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (*end != 0 || v < -2147483648LL || v > 4294967295LL) return false;
    value = uint32_t(v);
    return true;
}

bool SplitPair(const std::string& text, std::pair<std::string, std::string>& out) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    out = {text.substr(0, eq), text.substr(eq + 1)};
    return true;
}

int Fail(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "orvelc-run: error: %s\n", message.c_str());
    return 1;
}

bool ParseArgs(int argc, char** argv, SOptions& o, std::string& error) {
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) return error = opt + " needs a value", false;
        const std::string value = argv[++i];
        std::pair<std::string, std::string> pair;
        if (opt == "--loop") o.loop = value;
        else if (opt == "--steps") o.steps = value;
        else if (opt == "--object") o.object = value;
        else if (opt == "--set" || opt == "--array" || opt == "--return") {
            if (!SplitPair(value, pair)) return error = opt + " takes NAME=VALUE, not '" + value + "'", false;
            (opt == "--set" ? o.sets : opt == "--array" ? o.arrays : o.returns).push_back(pair);
        } else {
            return error = "unknown option " + opt, false;
        }
    }
    if (argc - i < 2) return error = "a file and a routine are needed", false;
    o.file = argv[i++];
    o.routine = argv[i++];
    for (; i < argc; ++i) o.args.push_back(argv[i]);
    return true;
}

bool ParseArray(const std::string& text, std::vector<int32_t>& out) {
    size_t at = 0;
    while (at <= text.size() && !text.empty()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        uint32_t v;
        if (!ParseNumber(text.substr(at, comma - at), v)) return false;
        out.push_back(int32_t(v));
        at = comma + 1;
    }
    return true;
}

bool Configure(const SOptions& o, const CTarget& t, CBench& bench, std::string& error) {
    uint32_t v;
    t.Prepare(bench);
    if (!o.loop.empty()) {
        if (!ParseNumber(o.loop, v)) return error = "--loop needs a number", false;
        bench.SetLoopBudget(v);
    }
    if (!o.steps.empty()) {
        if (!ParseNumber(o.steps, v)) return error = "--steps needs a number", false;
        bench.SetStepLimit(v);
    }
    if (!o.object.empty()) {
        if (!ParseNumber(o.object, v)) return error = "--object needs an address", false;
        bench.SetGameObject(v);
    }
    for (const auto& [name, value] : o.returns) {
        if (!ParseNumber(value, v)) return error = "--return " + name + " needs a number", false;
        bench.SetReturn(name, v);
    }
    for (const auto& [name, value] : o.sets) {
        const int32_t slot = t.FindVariable(name);
        if (slot < 0) return error = "no class variable " + name, false;
        if (!ParseNumber(value, v)) return error = "--set " + name + " needs a number", false;
        bench.SetVariable(uint32_t(slot), v);
    }
    for (const auto& [name, value] : o.arrays) {
        const int32_t slot = t.FindVariable(name);
        std::vector<int32_t> items;
        if (slot < 0) return error = "no class variable " + name, false;
        if (!ParseArray(value, items)) return error = "--array " + name + " needs numbers separated by commas", false;
        bench.SetVariable(uint32_t(slot), bench.NewArray(items));
    }
    return true;
}

void Print(const SRunResult& r, const CTarget& t, CBench& bench) {
    std::printf("calls:\n");
    for (size_t i = 0; i < r.m_Calls.size(); ++i)
        std::printf("  %zu. %s\n", i + 1, r.m_Calls[i].Format().c_str());
    if (r.m_Calls.empty()) std::printf("  (none)\n");
    std::printf("eax: %d (0x%08X)\n", int32_t(r.m_nEax), r.m_nEax);
    std::printf("variables:\n");
    for (const SClassVariable& v : t.m_Variables) {
        const uint32_t value = bench.GetVariable(v.m_nSlot);
        std::printf("  %-16s = %d", v.m_strName.c_str(), int32_t(value));
        if (v.m_pType && v.m_pType->IsArray()) {
            std::printf("  [");
            const std::vector<int32_t>& a = bench.GetArray(value);
            for (size_t i = 0; i < a.size(); ++i) std::printf("%s%d", i ? ", " : "", a[i]);
            std::printf("]");
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    SOptions o;
    std::string error;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseArgs(argc, argv, o, error)) {
        std::fputs(kUsage, stderr);
        return Fail(error);
    }
    CTarget target;
    if (!target.Open(o.file, error)) return Fail(o.file + ": " + error);
    std::vector<uint32_t> args;
    for (const std::string& a : o.args) {
        uint32_t v;
        if (!ParseNumber(a, v)) return Fail("argument '" + a + "' is not a number");
        args.push_back(v);
    }
    SRoutine routine;
    if (!target.FindRoutine(o.routine, args.size(), routine, error)) return Fail(error);
    CBuiltinIndex index;
    CBench bench(index);
    if (!bench.Attach(target.m_pUnit, error) || !Configure(o, target, bench, error)) return Fail(error);
    std::printf("running %s\n", routine.m_strLabel.c_str());
    const SRunResult r = bench.Call(target.Entry(bench, routine), args);
    Print(r, target, bench);
    if (!r.m_bOk) return Fail(r.m_strError);
    return 0;
}
