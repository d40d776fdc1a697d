// The display-less Qt application of the subcommands.
#include "platform/headless_app.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace korvel {

void EnsureHeadlessGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Without a desktop session Qt warns on every start that it has no runtime folder; give it
    // a private one, as it would make itself.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir = "/tmp/korvel-runtime-" + std::to_string(::getuid());
        struct stat st {};
        if ((::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) && ::lstat(dir.c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0) {
            setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
        }
    }
    static int argc = 1;
    static char name[] = "korvel";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace korvel
