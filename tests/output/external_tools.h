// External programs the tests compare against (libwmf, emf2svg): run one, or ask if it is there.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace korvel::test {

// Standard output and error together; a failing exit status is appended to them.
inline std::string runTool(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return "could not run " + command;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    if (status != 0) output += "\n(exit status " + std::to_string(status) + ")";
    return output;
}

inline bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace korvel::test
