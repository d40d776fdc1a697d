// korvel watch as a user runs it beside Jw_win: every copy converted once, in order, and a clean
// stop on Ctrl-C.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>

#include "jwz_data.h"
#include "platform/clipboard_formats.h"
#include "xclip.h"

namespace korvel::test {
namespace {

class WatchCommand : public ::testing::Test {
protected:
    void SetUp() override {
        KORVEL_REQUIRE_DISPLAY();
        KORVEL_REQUIRE_SAMPLES();
        releaseXclip();
    }
    void TearDown() override {
        if (watch.state() != QProcess::NotRunning) {
            watch.kill();
            watch.waitForFinished(2000);
        }
        releaseXclip();
    }

    // Starts the watcher and waits until it listens.
    bool start(const QStringList& extra) {
        const std::string dir = scratchDir("watch-" + std::to_string(::getpid()));
        writeFileBytes(dir + "/Korvel.INI", {});
        QStringList args{"watch", "--jwcad-registry", "none", "--settings", QString::fromStdString(dir + "/Korvel.INI")};
        watch.start(QStringLiteral(KORVEL_EXE), args + extra);
        return watch.waitForStarted(5000) && waitUntil([&] {
                   log += watch.readAllStandardError();
                   return log.contains("watching the clipboard");
               });
    }

    QStringList conversions() const {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(log).split(QLatin1Char('\n')))
            if (line.contains(QLatin1String("converted Jw_win data"))) lines << line;
        return lines;
    }

    QProcess watch;
    QByteArray log;
};

TEST_F(WatchCommand, TwentyCopiesOfferedATenthOfASecondApartAreEachConvertedOnce) {
    const JwzData big = jwzOfSample("Ａマンション平面例.jww");
    const JwzData small = jwzOfSample("敷地図.jww");
    ASSERT_NE(big.records, small.records);
    ASSERT_TRUE(start({}));

    QStringList expected;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i) {
        const JwzData& data = i % 3 == 0 ? small : big;
        // A tenth of a second apart, and not before the copy before was read: the clipboard holds
        // one copy, and one replaced while a loaded machine kept the watcher from reading it is
        // gone for any program.
        waitUntil([&] { return i == 0 || clock.elapsed() >= 100; }, 1000);
        waitUntil([&] {
            log += watch.readAllStandardError();
            return conversions().size() >= i;
        }, 5000);
        clock.restart();
        ASSERT_EQ(runWhileServing("xclip", {"-selection", "clipboard", "-t", kJwWinFormat, "-i"}, data.bytes), "");
        expected << QStringLiteral("of %1 records").arg(data.records);
    }
    ASSERT_TRUE(waitUntil([&] {
        log += watch.readAllStandardError();
        return conversions().size() >= 20;
    }, 30000)) << log.toStdString();
    // The last picture is what other programs paste now.
    const QStringList targets = xclipTargets();
    EXPECT_TRUE(targets.contains(kEmfMimeType));
    EXPECT_TRUE(targets.contains("image/png"));
    EXPECT_FALSE(targets.contains(kJwWinFormat));

    ::kill(static_cast<pid_t>(watch.processId()), SIGINT);
    ASSERT_TRUE(watch.waitForFinished(5000));
    log += watch.readAllStandardError();
    EXPECT_EQ(watch.exitCode(), 0);
    const QStringList done = conversions();
    ASSERT_EQ(done.size(), 20) << log.toStdString();
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(done[i].contains(expected[i])) << i << ": " << done[i].toStdString();
    EXPECT_FALSE(log.contains("newer copy"));
    EXPECT_TRUE(log.contains("stopped after 20 conversion(s)"));
}

TEST_F(WatchCommand, CountStopsOnceAnotherProgramTookTheLastPicture) {
    const JwzData small = jwzOfSample("敷地図.jww");
    ASSERT_TRUE(start({"--count", "1"}));
    ASSERT_EQ(runWhileServing("xclip", {"-selection", "clipboard", "-t", kJwWinFormat, "-i"}, small.bytes), "");
    ASSERT_TRUE(waitUntil([&] {
        log += watch.readAllStandardError();
        return conversions().size() == 1;
    }, 10000)) << log.toStdString();
    // An X11 clipboard holds what a running program offers: the watcher stays and the picture
    // can still be pasted, a while later too.
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(watch.state(), QProcess::Running);
    const QByteArray png = xclipRead("image/png");
    EXPECT_TRUE(png.startsWith("\x89PNG")) << png.size();
    EXPECT_EQ(watch.state(), QProcess::Running);
    // Another program's copy ends it.
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "next"));
    ASSERT_TRUE(waitUntil([&] { return watch.state() == QProcess::NotRunning; }, 10000));
    log += watch.readAllStandardError();
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_EQ(conversions().size(), 1);
    EXPECT_TRUE(log.contains("stays on offer until another program takes the clipboard")) << log.toStdString();
    EXPECT_TRUE(log.contains("stopped after 1 conversion(s)")) << log.toStdString();
}

TEST_F(WatchCommand, DataThatDoesNotLoadIsSaidOnceAndTheNextCopyIsConverted) {
    ASSERT_TRUE(start({}));
    // Read again while its owner holds it, in case the owner was still putting it together, and
    // then said once.
    ASSERT_TRUE(xclipOffer(kJwWinFormat, QByteArray(20, '\x01')));
    ASSERT_TRUE(waitUntil([&] {
        log += watch.readAllStandardError();
        return log.contains("the data ends inside the Jw_win data header");
    }, 10000)) << log.toStdString();
    ASSERT_EQ(runWhileServing("xclip", {"-selection", "clipboard", "-t", kJwWinFormat, "-i"}, jwzOfSample("敷地図.jww").bytes), "");
    ASSERT_TRUE(waitUntil([&] {
        log += watch.readAllStandardError();
        return conversions().size() == 1;
    }, 10000)) << log.toStdString();
    EXPECT_EQ(log.count("the data ends inside the Jw_win data header"), 1) << log.toStdString();
}

TEST_F(WatchCommand, CtrlCStopsItAndTextIsLeftAlone) {
    ASSERT_TRUE(start({}));
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "メモ"));
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(QString::fromUtf8(xclipRead("UTF8_STRING")), QStringLiteral("メモ"));
    ::kill(static_cast<pid_t>(watch.processId()), SIGINT);
    ASSERT_TRUE(watch.waitForFinished(5000));
    log += watch.readAllStandardError();
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_TRUE(conversions().isEmpty());
    EXPECT_TRUE(log.contains("stopped after 0 conversion(s)")) << log.toStdString();
}

TEST_F(WatchCommand, WithoutADisplayItSaysWhy) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVEL_EXE), {"watch"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("no X display")) << "";
}

}  // namespace
}  // namespace korvel::test
