// Dependency files in the subset of make syntax that make, ninja and the
// compiler itself all read: one rule, backslash-newline continuations, and
// blanks, '#' and '$' in paths escaped.
#include "driver/Depfile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

std::string Escape(const std::string& path) {
    std::string out;
    for (char ch : path) {
        if (ch == ' ' || ch == '\t' || ch == '#') out += '\\';
        if (ch == '$') out += '$';
        out += ch;
    }
    return out;
}

bool IsEscaped(char ch) { return ch == ' ' || ch == '\t' || ch == '#'; }

// Splits the text of one rule (continuations already joined) into words.
std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\\' && i + 1 < text.size() && IsEscaped(text[i + 1])) {
            word += text[++i];
            inWord = true;
        } else if (ch == '$' && i + 1 < text.size() && text[i + 1] == '$') {
            word += '$';
            ++i;
            inWord = true;
        } else if (ch == ' ' || ch == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += ch;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

std::string DepfilePathFor(const std::string& object) {
    return fs::path(object).replace_extension(".d").string();
}

bool WriteDepfile(const std::string& path, const std::string& object,
                  const std::vector<std::string>& dependencies) {
    std::string text = Escape(object) + ":";
    for (const std::string& dep : dependencies) text += " \\\n  " + Escape(dep);
    text += "\n";
    for (size_t i = 1; i < dependencies.size(); ++i) text += "\n" + Escape(dependencies[i]) + ":\n";
    std::string temp = path + ".tmp" + std::to_string(platform::ProcessId());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            platform::RemoveFile(temp);
            return false;
        }
    }
    if (platform::RenameFile(temp, path)) return true;
    platform::RemoveFile(temp);
    return false;
}

bool ReadDepfile(const std::string& path, std::string& target, std::vector<std::string>& dependencies) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string rule, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (rule.empty() && line.empty()) continue;
        if (!line.empty() && line.back() == '\\' && (line.size() < 2 || line[line.size() - 2] != '\\')) {
            line.pop_back();
            rule += line + " ";
            continue;
        }
        rule += line;
        break;
    }
    // The target ends at the first colon followed by a blank or the end, so
    // that a drive letter ("C:\\x") stays part of the path.
    size_t colon = std::string::npos;
    for (size_t i = 0; i < rule.size() && colon == std::string::npos; ++i)
        if (rule[i] == ':' && (i + 1 == rule.size() || rule[i + 1] == ' ' || rule[i + 1] == '\t'))
            colon = i;
    if (colon == std::string::npos) return false;
    std::vector<std::string> head = SplitWords(rule.substr(0, colon));
    if (head.size() != 1) return false;
    target = head[0];
    dependencies = SplitWords(rule.substr(colon + 1));
    return true;
}

bool IsUpToDate(const std::string& object, const std::string& depfile) {
    std::string target;
    std::vector<std::string> deps;
    if (!ReadDepfile(depfile, target, deps) || target != object || deps.empty()) return false;
    std::error_code ec;
    fs::file_time_type built = fs::last_write_time(object, ec);
    if (ec) return false;
    for (const std::string& dep : deps) {
        fs::file_time_type changed = fs::last_write_time(dep, ec);
        if (ec || changed >= built) return false;
    }
    return true;
}
