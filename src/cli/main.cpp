// The korvel command: subcommands work without a display; without one, the window opens.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command.h"
#include "drawing/printable_text.h"
#include "drawing/temporary_file.h"
#include "platform/qt_picture_decoder.h"

namespace korvel::cli {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

void printUsage(FILE* out) {
    std::fprintf(out, "usage: korvel COMMAND [options] FILE...\n\ncommands:\n");
    for (const Command& c : registry()) std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out, "  help\n");
}
}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFn run) {
    registry().push_back({name, usage, run});
}

const std::vector<Command>& Commands() { return registry(); }

// Messages quote file names and drawing strings, which may hold terminal escape sequences.
void PrintError(const std::string& message) {
    std::fprintf(stderr, "korvel: %s\n", korvel::EscapeControlCharacters(message).c_str());
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
    if (argc >= 2) {
        const std::string name = argv[1];
        if (name == "help" || name == "--help" || name == "-h") {
            printUsage(stdout);
            return kExitOk;
        }
        for (const Command& c : Commands()) {
            if (name != c.name) continue;
            std::vector<std::string> args(argv + 2, argv + argc);
            for (const std::string& a : args) {
                if (a == "--") break;
                if (a == "--help" || a == "-h") {
                    std::printf("usage: korvel %s\n", c.usage);
                    return kExitOk;
                }
            }
            return c.run(args);
        }
        // Options before any command are the window's settings options ("korvel --settings F").
        if (!korvelWindowMain) {
            PrintError("unknown command '" + name + "'");
            printUsage(stderr);
            return kExitUsage;
        }
    }
    if (korvelWindowMain) return korvelWindowMain(argc, argv);
    printUsage(stdout);
    return kExitOk;
}
