// Takes a picture of the whole X screen after a pause, for screenshots of a running korvel:
// grab_screen OUT.png [SECONDS]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: grab_screen OUT.png [SECONDS]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 0.0;
    if (seconds > 0) QThread::msleep(static_cast<unsigned long>(seconds * 1000));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "grab_screen: no screen\n");
        return 1;
    }
    const QPixmap shot = screen->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "grab_screen: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
