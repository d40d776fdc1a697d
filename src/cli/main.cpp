// The korvel command: subcommands work without a display; without one, the window opens.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings_session.h"
#include "cli/command.h"
#include "cli/command.h"
#include "cli/manual_page.h"
#include "drawing/printable_text.h"
#include "drawing/temporary_file.h"
#include "platform/qt_picture_decoder.h"

namespace korvel::cli {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

const char* const kVersion = "2.40";

void printUsage(FILE* out) {
    std::fprintf(out, "usage: korvel [settings options] [FILE...]   opens the window\n"
                      "       korvel COMMAND [options] FILE...\n\ncommands:\n");
    for (const Command& c : registry()) std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out, "  help [COMMAND]\n  --version\n\n"
                      "korvel COMMAND --help explains a command's options; korvel --help the window's;\n"
                      "man korvel tells the rest.\n");
}

void printCommandHelp(const Command& c) {
    std::string summary = c.summary;
    for (char& ch : summary)
        if (ch == '\n') ch = ' ';
    std::printf("usage: korvel %s\n\n%s\n%s", c.usage, WrapText(summary, 0, 79).c_str(),
                OptionsHelp(c.options).c_str());
}

void printWindowHelp() {
    std::printf("usage: korvel [settings options] [FILE...]\n\n"
                "Opens the window with the drawings named (the last one stays open). The window\n"
                "needs a display; without one, the commands do the work (korvel help lists them).\n%s",
                OptionsHelp(kWindowCommand).c_str());
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : registry())
        if (name == c.name) return &c;
    return nullptr;
}

bool asksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

int helpCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        printUsage(stdout);
        return kExitOk;
    }
    if (args[0] == "--manual-page") {
        std::fputs(ManualPage(registry(), kVersion).c_str(), stdout);
        return kExitOk;
    }
    if (const Command* c = findCommand(args[0])) {
        printCommandHelp(*c);
        return kExitOk;
    }
    PrintError("help: no command '" + args[0] + "'");
    printUsage(stderr);
    return kExitUsage;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, const char* summary, unsigned options,
                                   CommandFn run) {
    registry().push_back({name, usage, summary, options, run});
}

const std::vector<Command>& Commands() { return registry(); }

// Messages quote file names and drawing strings, which may hold terminal escape sequences.
void PrintError(const std::string& message) {
    std::fprintf(stderr, "korvel: %s\n", korvel::EscapeControlCharacters(message).c_str());
}

bool ParseArguments(const char* command, unsigned options, const std::vector<std::string>& args, CommandLine& line) {
    std::string error;
    if (ParseCommandLine(options, args, line, error)) return true;
    PrintError(std::string(command) + ": " + error + " (korvel " + command + " --help lists the options)");
    return false;
}

bool NamedSettingsFilesExist(const char* command, const SettingsOptions& options, bool creating) {
    std::string error;
    if (korvel::NamedSettingsFilesExist(options, creating, error)) return true;
    PrintError(std::string(command) + ": " + error);
    return false;
}

}  // namespace korvel::cli

// Set by the window's file when it is linked in; null keeps the command line alone.
int (*korvelWindowMain)(int argc, char** argv) = nullptr;

int main(int argc, char** argv) {
    using namespace korvel::cli;
    // Stopped mid-write (Ctrl-C, a file manager giving up on a thumbnail), nothing half-written stays.
    korvel::InstallTemporaryFileCleanup();
    // Pictures the built-in decoders do not read go to Qt's image plug-ins.
    korvel::InstallQtPictureDecoders();
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (!all.empty()) {
        const std::string& name = all[0];
        const std::vector<std::string> args(all.begin() + 1, all.end());
        if (name == "help") return helpCommand(args);
        if (name == "--version" || name == "-V") {
            std::printf("korvel %s\n", kVersion);
            return kExitOk;
        }
        if (const Command* c = findCommand(name)) {
            if (asksForHelp(args)) {
                printCommandHelp(*c);
                return kExitOk;
            }
            return c->run(args);
        }
        if (asksForHelp(all)) {
            printWindowHelp();
            return kExitOk;
        }
        // Options before any command are the window's settings options ("korvel --settings F").
        if (!korvelWindowMain) {
            PrintError("unknown command '" + name + "'");
            printUsage(stderr);
            return kExitUsage;
        }
    }
    if (!korvelWindowMain) {
        printUsage(stdout);
        return kExitOk;
    }
    return korvelWindowMain(argc, argv);
}
