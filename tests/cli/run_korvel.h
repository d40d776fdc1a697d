// Runs the korvel program as a user would and captures what it says.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace korvel::test {

struct RunResult {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs a shell command line, keeping its standard output and exit status.
inline RunResult runShell(const std::string& command) {
    RunResult r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[65536];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// `args` is passed through the shell as it stands; standard error goes to a file in `dir`.
inline RunResult runKorvel(const std::string& args, const std::string& dir) {
    const std::string errFile = dir + "/stderr.txt";
    RunResult r = runShell(std::string(KORVEL_EXE) + " " + args + " 2>'" + errFile + "'");
    const std::vector<uint8_t> err = readFileBytes(errFile);
    r.err.assign(err.begin(), err.end());
    std::filesystem::remove(errFile);
    return r;
}

// Runs with the user's settings and Wine registry out of reach and standard error merged into
// `out`, for checks of what a whole run says.
inline RunResult runKorvelIsolated(const std::string& args) {
    return runShell("HOME=/nonexistent-home WINEPREFIX= XDG_CONFIG_HOME= " + std::string(KORVEL_EXE) + " " + args +
                    " 2>&1");
}

}  // namespace korvel::test
