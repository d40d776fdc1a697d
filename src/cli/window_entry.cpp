// Linking the window in makes `korvel` without a subcommand open it.
#include "app/main_window.h"

extern int (*korvelWindowMain)(int argc, char** argv);

namespace {
const bool windowLinked = [] {
    korvelWindowMain = &korvel::RunWindowProgram;
    return true;
}();
}  // namespace
