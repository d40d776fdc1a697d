// The window program: the settings of the run, the main window, the drawings named on the
// command line, and the event loop.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/option_table.h"
#include "drawing/printable_text.h"
#include "platform/display_check.h"
#include "platform/qt_text.h"

namespace korvel {

int RunWindowProgram(int argc, char** argv) {
    // The options first: a mistake in them is told without a display.
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(kWindowCommand, std::vector<std::string>(argv + 1, argv + argc), line, error)) {
        std::fprintf(stderr, "korvel: %s (korvel --help lists the window's options, korvel help the commands)\n",
                     EscapeControlCharacters(error).c_str());
        return 2;
    }
    if (!NamedSettingsFilesExist(line.settings, false, error)) {
        std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(error).c_str());
        return 2;
    }
    // Qt ends the process when it finds no display; say so, and what works without one.
    std::string why;
    if (!DisplayAvailable(why)) {
        std::fprintf(stderr,
                     "korvel: no display (%s): the window cannot open here.\n"
                     "The commands work without one, e.g. korvel convert FILE.jww -o FILE.png or korvel info "
                     "FILE.jww;\nkorvel help lists them all.\n",
                     EscapeControlCharacters(why).c_str());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QStringLiteral("2.40"));
    QFont font(MapFaceName("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    SettingsSession session = SettingsSession::start(line.settings);
    for (const std::string& w : session.warnings)
        std::fprintf(stderr, "korvel: warning: %s\n", EscapeControlCharacters(w).c_str());

    QtUserPrompts prompts;
    MainWindow window(std::move(session), prompts);
    prompts.setParent(&window);
    window.show();
    window.tellStartupProblems();
    for (const std::string& file : line.files) window.openDrawingFile(QString::fromLocal8Bit(file.c_str()));
    return app.exec();
}

}  // namespace korvel
