// Subcommands of `korvel` register themselves here, one file per subcommand.
#pragma once

#include <string>
#include <vector>

#include "app/option_table.h"

namespace korvel::cli {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // some file could not be read or written
constexpr int kExitUsage = 2;

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;    // one line, shown by `korvel help`
    const char* summary;  // what it does, a sentence or two
    unsigned options;     // its options in the option table (a CommandBit)
    CommandFn run;
};

// Registers a subcommand; called from a static object in each subcommand's file.
struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, const char* summary, unsigned options, CommandFn run);
};

const std::vector<Command>& Commands();

// Prints "korvel: message" on standard error, control characters escaped.
void PrintError(const std::string& message);

// Parses a command's arguments against the option table; on a bad option prints
// "korvel: COMMAND: what is wrong" and a pointer to the command's help, and returns false.
bool ParseArguments(const char* command, unsigned options, const std::vector<std::string>& args, CommandLine& line);

// The settings file and Jw_cad registry named on the command line must exist (see
// NamedSettingsFilesExist); otherwise prints "korvel: COMMAND: --settings FILE: no such file"
// and returns false, and the command ends with kExitUsage.
bool NamedSettingsFilesExist(const char* command, const SettingsOptions& options, bool creating = false);

}  // namespace korvel::cli
