// Hands a drawing to Jw_win the way the window's transfer command does, then keeps serving the
// clipboard until another program takes it or the time is up, so that the Wine check can read
// under Wine what Jw_win would receive. Usage: transfer_probe FILE [SECONDS]
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/jwwin_clipboard.h"
#include "drawing/loaders.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: transfer_probe FILE [SECONDS]\n", stderr);
        return 2;
    }
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 30;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);

    korvel::Drawing drawing;
    const korvel::LoadResult loaded = korvel::LoadFile(drawing, argv[1]);
    if (!loaded.ok) {
        std::fprintf(stderr, "transfer_probe: %s\n", loaded.error.c_str());
        return 1;
    }
    const korvel::TransferResult placed = korvel::PlaceDrawingForJwWin(drawing);
    if (!placed.ok) {
        std::fprintf(stderr, "transfer_probe: %s\n", placed.error.c_str());
        return 1;
    }
    std::printf("placed %zu bytes under \"Jw_win\"\n", placed.bytes);
    std::fflush(stdout);

    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
        if (!clipboard->ownsClipboard()) QCoreApplication::quit();
    });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
