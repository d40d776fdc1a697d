// The main window and Jw_win's clipboard data: watching, the re-read command, the transfer to
// Jw_win, the picture copy and the start-up load. xclip stands in for Jw_win.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QWidget>

#include "app/window_fixture.h"
#include "app/window_geometry.h"
#include "drawing/cp932.h"
#include "jwz_data.h"
#include "platform/clipboard_formats.h"
#include "xclip.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

const char kSample[] = "Ａマンション平面例.jww";

std::string watchingIni(bool on) {
    return std::string("[Form]\r\nCBmonitorFlg=") + (on ? "1" : "0") + "\r\noutWsize=480\r\noutWsizeF=3\r\n";
}

class WindowClipboardTest : public WindowTest {
protected:
    void SetUp() override {
        KORVEL_REQUIRE_DISPLAY();
        KORVEL_REQUIRE_SAMPLES();
        WindowTest::SetUp();
        releaseXclip();
    }
    void TearDown() override { releaseXclip(); }
};

TEST_F(WindowClipboardTest, WatchingConvertsACopyFromJwWinIntoAPictureOfTheOutputWidth) {
    window = makeWindow("watch-on", watchingIni(true));
    const JwzData data = jwzOfSample(kSample);
    ASSERT_FALSE(data.bytes.isEmpty());
    ASSERT_TRUE(xclipOffer(kJwWinFormat, data.bytes));
    ASSERT_TRUE(waitUntil([&] { return probe(*window).clipboardConversions() == 1; }));

    EXPECT_EQ(window->drawing().ExpectedCount, data.records);
    EXPECT_EQ(window->drawing().top.lines.size(), data.lines);
    EXPECT_EQ(window->size(), FittedWindowSize(window->drawing().extents.Aspect));
    EXPECT_EQ(probe(*window).statusPanels()[1]->text(), QStringLiteral("L = %1 ").arg(data.lines));
    // The data passed through the cache file unchanged.
    EXPECT_EQ(readFileBytes(probe(*window).tempJwzPath().toStdString()),
              std::vector<uint8_t>(data.bytes.begin(), data.bytes.end()));

    // Our own picture replaced Jw_win's data: a bitmap and the metafile under both names.
    const QStringList targets = xclipTargets();
    EXPECT_FALSE(targets.contains(kJwWinFormat));
    QImage bitmap;
    ASSERT_TRUE(bitmap.loadFromData(xclipRead("image/png"), "PNG"));
    EXPECT_EQ(bitmap.width(), 480);
    const QByteArray emf = xclipRead(kEmfMimeType);
    EXPECT_EQ(emfBoundsSize(emf).first, 480);
    EXPECT_EQ(xclipRead(kWineEmfTarget), emf);
    // The notice of our own write converted nothing more.
    QCoreApplication::processEvents();
    EXPECT_EQ(probe(*window).clipboardConversions(), 1);
}

TEST_F(WindowClipboardTest, WithWatchingOffOrWithTextNothingChanges) {
    window = makeWindow("watch-off", watchingIni(false));
    const JwzData data = jwzOfSample(kSample);
    ASSERT_TRUE(xclipOffer(kJwWinFormat, data.bytes));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->drawing().ExpectedCount, 0u);
    EXPECT_EQ(xclipRead(kJwWinFormat), data.bytes);

    releaseXclip();
    window = makeWindow("watch-text", watchingIni(true));
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "一行の文字"));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(window->drawing().ExpectedCount, 0u);
    EXPECT_EQ(probe(*window).clipboardConversions(), 0);
    EXPECT_EQ(QString::fromUtf8(xclipRead("UTF8_STRING")), QStringLiteral("一行の文字"));
}

TEST_F(WindowClipboardTest, ReReadLoadsOfferedDataAndIgnoresText) {
    window = makeWindow("reread", watchingIni(false));
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "text only"));
    probe(*window).menus().file.redrawClipboard->trigger();
    EXPECT_EQ(window->drawing().ExpectedCount, 0u);
    EXPECT_EQ(probe(*window).repaintRequests(), 0);

    const JwzData data = jwzOfSample(kSample);
    ASSERT_TRUE(xclipOffer(kJwWinFormat, data.bytes));
    probe(*window).menus().file.redrawClipboard->trigger();
    EXPECT_EQ(window->drawing().ExpectedCount, data.records);
    EXPECT_EQ(window->drawing().top.lines.size(), data.lines);
    EXPECT_EQ(probe(*window).repaintRequests(), 1);
}

TEST_F(WindowClipboardTest, TransferPlacesJwWinDataBesideOurPicture) {
    window = makeWindow("transfer", watchingIni(true));
    probe(*window).menus().file.transfer->trigger();
    EXPECT_EQ(prompts.informations, QStringList{QStringLiteral("データが、ありません。")});

    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(samplesDir() + "/" + kSample)));
    window->copyPicture();
    ASSERT_TRUE(QGuiApplication::clipboard()->ownsClipboard());
    probe(*window).menus().file.transfer->trigger();

    SaveResult saved;
    const std::vector<uint8_t> expected = SaveJwWinBytes(window->drawing(), saved);
    const QByteArray placed = xclipRead(kJwWinFormat);
    EXPECT_EQ(std::vector<uint8_t>(placed.begin(), placed.end()), expected);
    EXPECT_EQ(xclipRead(kDataObjectFormat), QByteArray(4, '\0'));
    EXPECT_EQ(emfBoundsSize(xclipRead(kEmfMimeType)).first, 480);  // the picture stayed

    Drawing back;
    ASSERT_TRUE(LoadJwz(back, expected.data(), expected.size()).ok);
    EXPECT_EQ(back.ExpectedCount, window->drawing().ExpectedCount);
    EXPECT_EQ(back.top.lines.size(), window->drawing().top.lines.size());
    EXPECT_EQ(back.top.texts.size(), window->drawing().top.texts.size());
    // Watching was on: our own data was not taken for a copy from Jw_win.
    QCoreApplication::processEvents();
    EXPECT_EQ(probe(*window).clipboardConversions(), 0);
    EXPECT_TRUE(probe(*window).settings().clipboardWatching);
}

TEST_F(WindowClipboardTest, StartUpTakesDataAlreadyOfferedAndTheNameOfJwWinsDrawing) {
    const std::string dir = scratchDir("startup-jwwin");
    // The drawing Jw_win has open lends its header (here, its memo) to the clipboard data.
    Drawing plan;
    ASSERT_TRUE(LoadFile(plan, samplesDir() + "/" + kSample).ok);
    plan.header.Memo = Utf8ToCp932("開いている図面");
    SaveResult saved;
    writeFileBytes(dir + "/plan.jww", SaveJwwBytes(plan, 0, saved));
    const std::string reg = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\Folder]\r\n\"File\"=\"" +
                            dir + "\"\r\n";
    writeFileBytes(dir + "/user.reg", std::vector<uint8_t>(reg.begin(), reg.end()));

    QWidget jwWin;
    jwWin.setWindowTitle(QStringLiteral("plan - jw_win"));
    jwWin.show();
    const JwzData data = jwzOfSample(kSample);
    ASSERT_TRUE(xclipOffer(kJwWinFormat, data.bytes));

    const std::string ini = watchingIni(true);
    writeFileBytes(dir + "/Korvel.INI", std::vector<uint8_t>(ini.begin(), ini.end()));
    SettingsOptions options;
    options.settingsPath = dir + "/Korvel.INI";
    options.registryPath = dir + "/user.reg";
    MainWindow started(SettingsSession::start(options), prompts);
    EXPECT_EQ(started.drawing().ExpectedCount, data.records);
    EXPECT_EQ(started.drawing().DrawingName, "plan");
    EXPECT_EQ(started.drawing().DrawingPath, dir + "\\plan.jww");
    EXPECT_EQ(Cp932ToUtf8(started.drawing().header.Memo), "開いている図面");
    EXPECT_EQ(probe(started).statusPanels()[1]->text(), QStringLiteral("L = %1 ").arg(data.lines));
    // Starting to listen is no change of the clipboard: Jw_win's data stays where it is.
    QCoreApplication::processEvents();
    EXPECT_EQ(probe(started).clipboardConversions(), 0);
    EXPECT_EQ(xclipRead(kJwWinFormat), data.bytes);
}

TEST_F(WindowClipboardTest, StartUpWithoutJwWinDataStartsEmpty) {
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "nothing for us"));
    window = makeWindow("startup-empty");
    EXPECT_EQ(window->drawing().ExpectedCount, 0u);
    EXPECT_EQ(window->drawing().DrawingName, "");
}

}  // namespace
}  // namespace korvel::test
