// The command line in both forms. Workflow options with a value take it as
// the next argument or after "="; the classic options are the workflow's
// too, so the form only decides where the options end and what is checked.
#include "driver/Options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/Str.h"

namespace {

// Options that are new with the workflow and mark a command line as using it.
// --tree is older and alone keeps the classic reader.
// --reference takes its value only after "=", else as the one input.
constexpr const char* kValueOptions[] = {"--out-dir", "--ext", "--obj-ext", "--diagnostics", "--max-errors",
                                         "--reference"};
constexpr const char* kFlagOptions[] = {"--depfile", "--force", "--check", "--all-errors", "--help", "--version"};

bool IsNoCase(const char* arg, const char* option) {
    return std::strlen(arg) == std::strlen(option) && EqualsNoCase(arg, option);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsValueOption(const std::string& arg, const char* name) {
    return arg == name || StartsWith(arg, (std::string(name) + "=").c_str());
}

std::string WithDot(const std::string& ext) {
    return ext.empty() || ext[0] == '.' ? ext : "." + ext;
}

// A count of at most four digits.
bool ParseCount(const std::string& text, int& count) {
    if (text.empty() || text.size() > 4) return false;
    for (char ch : text)
        if (ch < '0' || ch > '9') return false;
    count = std::atoi(text.c_str());
    return true;
}

bool ParseJobs(const std::string& text, int& jobs) { return ParseCount(text, jobs) && jobs >= 1; }

class COptionReader {
public:
    COptionReader(int argc, char** argv, CommandLine& o, OptionsError& e)
        : m_argc(argc), m_argv(argv), m_Options(o), m_Error(e) {}

    bool Read();

private:
    // An option of the classic form; "-g" counts only with an argument after it.
    bool IsClassicOption(const std::string& arg) const;
    bool Fail(const std::string& reason) {
        m_Error.reason = reason;
        return false;
    }
    // The value of an option: after "=" in the same argument, or the next one.
    bool TakeValue(const std::string& arg, const char* name, std::string& value);
    bool ReadOne(const std::string& arg);

    int m_argc;
    char** m_argv;
    int m_i = 1;
    CommandLine& m_Options;
    OptionsError& m_Error;
};

bool COptionReader::IsClassicOption(const std::string& arg) const {
    for (const char* option : {"-w-", "-w+", "-d"})
        if (IsNoCase(arg.c_str(), option)) return true;
    return arg == "--tree" || (IsNoCase(arg.c_str(), "-g") && m_i + 1 < m_argc);
}

bool COptionReader::TakeValue(const std::string& arg, const char* name, std::string& value) {
    size_t n = std::strlen(name);
    if (arg.size() > n) {
        value = arg.substr(n + 1);
        return true;
    }
    if (m_i + 1 >= m_argc) return Fail(std::string(name) + " needs a value");
    value = m_argv[++m_i];
    return true;
}

bool COptionReader::ReadOne(const std::string& arg) {
    CommandLine& o = m_Options;
    std::string value;
    if (IsNoCase(arg.c_str(), "-w-")) {
        o.warnings = false;
    } else if (IsNoCase(arg.c_str(), "-w+")) {
        o.warnings = true;
    } else if (IsNoCase(arg.c_str(), "-d")) {
    } else if (IsNoCase(arg.c_str(), "-g")) {
        if (m_i + 1 >= m_argc) return Fail("-g needs a GUID");
        const char* text = m_argv[++m_i];
        if (!ParseGuid(text, o.guid)) {
            m_Error.badGuid = true;
            m_Error.guidText = text;
            m_Error.guidNext = m_i + 1 < m_argc ? m_argv[m_i + 1] : "(null)";
            return false;
        }
        o.guidGiven = true;
    } else if (arg == "-I") {
        if (m_i + 1 >= m_argc) return Fail("-I needs a directory");
        o.includeDirs.push_back(m_argv[++m_i]);
    } else if (arg == "-j") {
        if (m_i + 1 >= m_argc || !ParseJobs(m_argv[m_i + 1], o.jobs))
            return Fail("-j needs a number of jobs from 1 to 9999");
        ++m_i;
    } else if (StartsWith(arg, "-j") && ParseJobs(arg.substr(2), o.jobs)) {
    } else if (arg == "--tree") {
        o.printTree = true;
    } else if (IsValueOption(arg, "--out-dir")) {
        if (!TakeValue(arg, "--out-dir", o.outDir)) return false;
        if (o.outDir.empty()) return Fail("--out-dir needs a directory");
    } else if (IsValueOption(arg, "--ext")) {
        if (!TakeValue(arg, "--ext", value)) return false;
        o.ext = WithDot(value);
        if (o.ext.empty()) return Fail("--ext needs an extension");
    } else if (IsValueOption(arg, "--obj-ext")) {
        if (!TakeValue(arg, "--obj-ext", value)) return false;
        o.objExt = WithDot(value);
    } else if (IsValueOption(arg, "--diagnostics")) {
        if (!TakeValue(arg, "--diagnostics", value)) return false;
        if (value == "json")
            o.format = EDiagnosticFormat::eJson;
        else if (value == "text")
            o.format = EDiagnosticFormat::eText;
        else if (value == "pretty")
            o.format = EDiagnosticFormat::ePretty;
        else
            return Fail("--diagnostics takes text, json or pretty");
    } else if (IsValueOption(arg, "--max-errors")) {
        if (!TakeValue(arg, "--max-errors", value)) return false;
        if (!ParseCount(value, o.maxErrors)) return Fail("--max-errors needs a number from 0 (no limit) to 9999");
    } else if (arg == "--depfile") {
        o.depfile = true;
    } else if (arg == "--force") {
        o.force = true;
    } else if (arg == "--check") {
        o.check = true;
    } else if (arg == "--all-errors") {
        o.allErrors = true;
    } else if (arg == "--help") {
        o.help = true;
    } else if (arg == "--version") {
        o.version = true;
    } else if (IsValueOption(arg, "--reference")) {
        o.reference = true;
        if (arg != "--reference") o.referenceClass = arg.substr(std::strlen("--reference="));
    } else if (arg.size() > 1 && arg[0] == '-') {
        return Fail("unknown option '" + arg + "'");
    } else {
        o.inputs.push_back(arg);
    }
    return true;
}

bool COptionReader::Read() {
    bool optionsEnded = false;
    for (; m_i < m_argc; ++m_i) {
        std::string arg = m_argv[m_i];
        if (!optionsEnded && !m_Options.workflow && !IsClassicOption(arg)) optionsEnded = true;
        if (optionsEnded) {
            m_Options.inputs.push_back(arg);
        } else if (m_Options.workflow && arg == "--") {
            optionsEnded = true;
        } else if (!ReadOne(arg)) {
            return false;
        }
    }
    return true;
}

// The one argument --reference may take is the class, after "=" or on its own.
bool CheckReference(CommandLine& line, OptionsError& error) {
    if (line.inputs.size() + !line.referenceClass.empty() > 1) {
        error.reason = "--reference takes at most one class";
        return false;
    }
    if (!line.inputs.empty()) line.referenceClass = line.inputs[0];
    return true;
}

bool CheckWorkflow(CommandLine& line, OptionsError& error) {
    if (line.help || line.version) return true;
    if (line.reference) return CheckReference(line, error);
    if (line.IsBatch()) {
        if (line.guidGiven) {
            error.reason = "-g names a single script; a batch gives each script its own identifier";
            return false;
        }
        if (line.inputs.empty()) {
            error.reason = "no scripts to compile";
            return false;
        }
    } else if (line.inputs.size() != 2) {
        error.reason = "expected SOURCE OUTPUT, or --out-dir DIR with scripts";
        return false;
    }
    return true;
}

}  // namespace

bool UsesWorkflowOptions(int argc, char** argv) {
    int jobs = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-I" || arg == "-j" || (StartsWith(arg, "-j") && ParseJobs(arg.substr(2), jobs)))
            return true;
        for (const char* name : kValueOptions)
            if (IsValueOption(arg, name)) return true;
        for (const char* name : kFlagOptions)
            if (arg == name) return true;
    }
    return false;
}

bool ParseCommandLine(int argc, char** argv, CommandLine& line, OptionsError& error) {
    line.workflow = UsesWorkflowOptions(argc, argv);
    COptionReader reader(argc, argv, line, error);
    if (!reader.Read()) return false;
    // The include search needs no option of its own: with the variable
    // unset, both forms behave as they always did.
    if (const char* env = std::getenv("ORVELC_INCLUDE"))
        for (const std::string& dir : SplitPathList(env)) line.includeDirs.push_back(dir);
    if (line.jobs == 0) line.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    return line.workflow ? CheckWorkflow(line, error) : line.inputs.size() == 2;
}

CDiagnostic CommandLineError(const OptionsError& error) {
    if (error.badGuid) return ParserError(error.guidNext, 0, ("Invalid guid " + error.guidText).c_str());
    CDiagnostic d;
    d.commandLine = true;
    d.message = "Invalid parameters";
    if (!error.reason.empty()) d.message += ": " + error.reason + " (orvelc --help lists the options)";
    return d;
}

bool ParseGuid(const char* text, uint8_t guid[16]) {
    unsigned f[11];
    if (std::sscanf(text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", &f[0], &f[1], &f[2],
                    &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10]) != 11)
        return false;
    for (int i = 0; i < 4; ++i) guid[i] = uint8_t(f[0] >> (8 * i));
    guid[4] = uint8_t(f[1]);
    guid[5] = uint8_t(f[1] >> 8);
    guid[6] = uint8_t(f[2]);
    guid[7] = uint8_t(f[2] >> 8);
    for (int i = 0; i < 8; ++i) guid[8 + i] = uint8_t(f[3 + i]);
    return true;
}
