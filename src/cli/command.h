// Subcommands of `korvel` register themselves here, one file per subcommand.
#pragma once

#include <string>
#include <vector>

namespace korvel::cli {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // some file could not be read or written
constexpr int kExitUsage = 2;

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;  // one line, shown by `korvel help`
    CommandFn run;
};

// Registers a subcommand; called from a static object in each subcommand's file.
struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, CommandFn run);
};

const std::vector<Command>& Commands();

// Prints "korvel: message" on standard error, control characters escaped.
void PrintError(const std::string& message);

}  // namespace korvel::cli
