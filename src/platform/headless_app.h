// Fonts and painting need a Qt application object; subcommands that render make one that needs
// no display.
#pragma once

namespace korvel {

// Creates a QGuiApplication on the "offscreen" platform (unless QT_QPA_PLATFORM names another)
// when none exists yet; it lives until the process ends.
void EnsureHeadlessGuiApplication();

}  // namespace korvel
