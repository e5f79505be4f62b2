#include "converter_args.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace converter {

static bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), s.rbegin(),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
}

std::string ScriptSource(const std::string& scriptPath) {
    std::ifstream in(scriptPath, std::ios::binary);
    std::string line;
    const std::string key = "directshowsource(\"";
    while (std::getline(in, line)) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        auto at = lower.find(key);
        if (at == std::string::npos) continue;
        auto start = at + key.size();
        auto end = line.find('"', start);
        if (end == std::string::npos) continue;
        return line.substr(start, end - start);
    }
    return {};
}

bool PrepareArguments(const std::vector<std::string>& args, std::vector<std::string>& out, std::string& error) {
    out.assign({"ffmpeg", "-nostdin"});
    bool codeSeen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-p" && !codeSeen) {
            if (i + 1 >= args.size() || args[i + 1] != kAccessCode) {
                error = "converter: wrong access code";
                return false;
            }
            codeSeen = true;
            ++i;
            continue;
        }
        if (args[i] == "-i" && i + 1 < args.size() && EndsWithNoCase(args[i + 1], ".avs")) {
            std::string source = ScriptSource(args[i + 1]);
            if (source.empty()) {
                error = "converter: no DirectShowSource in " + args[i + 1];
                return false;
            }
            out.push_back("-i");
            out.push_back(source);
            ++i;
            continue;
        }
        out.push_back(args[i]);
    }
    if (!codeSeen) {
        error = "converter: access code missing";
        out.clear();
        return false;
    }
    return true;
}

}  // namespace converter
