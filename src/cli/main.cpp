// The korvel command: subcommands without a display; the window comes without one.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::fprintf(stderr, "usage: korvel info [--json] FILE...\n");
    return argc > 1 ? 2 : 0;
}
