// xclip stands in for Jw_win and for other programs on the X11 clipboard: it offers bytes under
// any target and reads any target back.
//
// Our own process may own the clipboard, and then xclip's request waits for our event loop;
// every wait here therefore keeps Qt's events flowing instead of blocking on the child.
#pragma once

#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <functional>
#include <string>

namespace korvel::test {

// Runs Qt's events until `done` holds or `ms` pass; true when it held.
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Runs a program to its end while Qt's events flow; its standard output, or empty on failure.
inline QByteArray runWhileServing(const QString& program, const QStringList& args, const QByteArray& input = {},
                                  int ms = 10000, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(ms)) return {};
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    const bool finished = waitUntil([&] { return p.state() == QProcess::NotRunning; }, ms);
    if (!finished) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (exitCode) *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

// Clipboard changes this process has heard of so far.
inline int clipboardChangesSeen() {
    static int changes = 0;
    static const bool connected = [] {
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [] { ++changes; });
        return true;
    }();
    (void)connected;
    return changes;
}

// Offers `bytes` under `target`, as Jw_win under Wine or another program would. xclip takes the
// clipboard in a child it leaves serving, so wait until our clipboard hears of the new owner.
inline bool xclipOffer(const QString& target, const QByteArray& bytes) {
    const int before = clipboardChangesSeen();
    int code = -1;
    runWhileServing(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-i"}, bytes, 10000, &code);
    if (code != 0) return false;
    return waitUntil([&] { return clipboardChangesSeen() > before; });
}

// The clipboard's bytes under `target` as another program reads them.
inline QByteArray xclipRead(const QString& target) {
    return runWhileServing(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", target});
}

// The targets the clipboard's owner offers.
inline QStringList xclipTargets() {
    const QString list = QString::fromLatin1(xclipRead(QStringLiteral("TARGETS")));
    return list.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Takes the clipboard back with a little text, so that no xclip child keeps serving.
inline void releaseXclip() {
    QGuiApplication::clipboard()->setText(QStringLiteral("korvel tests"));
    QCoreApplication::processEvents();
}

}  // namespace korvel::test

// The clipboard tests need the X server that xvfb-run gives them.
#define KORVEL_REQUIRE_DISPLAY()                                                        \
    do {                                                                                \
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))              \
            GTEST_SKIP() << "no X display: run this program under xvfb-run";            \
    } while (0)
