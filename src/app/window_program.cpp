// The window program: the settings of the run, the main window, the drawings named on the
// command line, and the event loop.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "drawing/printable_text.h"
#include "app/settings_options.h"
#include "platform/qt_text.h"

namespace korvel {

int RunWindowProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QStringLiteral("2.40"));
    QFont font(MapFaceName("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    std::vector<std::string> args(argv + 1, argv + argc);
    SettingsOptions options;
    std::string error;
    if (!TakeSettingsOptions(args, options, error)) {
        std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(error).c_str());
        return 2;
    }
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "korvel: unknown option '%s' (korvel help lists the commands)\n", a.c_str());
            return 2;
        }
    }
    SettingsSession session = SettingsSession::start(options);
    for (const std::string& w : session.warnings) std::fprintf(stderr, "korvel: warning: %s\n", EscapeControlCharacters(w).c_str());

    QtUserPrompts prompts;
    MainWindow window(std::move(session), prompts);
    prompts.setParent(&window);
    window.show();
    bool afterDashes = false;
    for (const std::string& file : args) {
        if (file == "--" && !afterDashes) {
            afterDashes = true;
            continue;
        }
        window.openDrawingFile(QString::fromLocal8Bit(file.c_str()));
    }
    return app.exec();
}

}  // namespace korvel
