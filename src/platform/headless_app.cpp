// The display-less Qt application of the subcommands.
#include "platform/headless_app.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>

namespace korvel {

void EnsureHeadlessGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "korvel";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace korvel
