// Raw bytes under named targets, as Jw_win under Wine exchanges them, and the window list.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QWidget>

#include "app/clip_watcher.h"
#include "platform/clipboard_formats.h"
#include "platform/x11_window_list.h"
#include "xclip.h"

namespace korvel::test {
namespace {

QByteArray binaryBytes() {
    QByteArray b;
    for (int i = 0; i < 600; ++i) b.append(static_cast<char>(i * 7));  // NULs and high bytes
    return b;
}

TEST(ClipboardFormats, ReadsTheBytesAnotherProgramOffersUnderANamedTarget) {
    KORVEL_REQUIRE_DISPLAY();
    ASSERT_TRUE(xclipOffer(kJwWinFormat, binaryBytes()));
    QByteArray got;
    ASSERT_TRUE(ReadClipboardFormat(kJwWinFormat, got));
    EXPECT_EQ(got, binaryBytes());
    EXPECT_FALSE(ReadClipboardFormat(kDataObjectFormat, got));
    EXPECT_EQ(got, binaryBytes());
    releaseXclip();
}

TEST(ClipboardFormats, EnhancedMetafilesArriveUnderEitherName) {
    KORVEL_REQUIRE_DISPLAY();
    const QByteArray emf("EMF bytes\0\1\2", 12);
    for (const char* target : {kEmfMimeType, kWineEmfTarget}) {
        ASSERT_TRUE(xclipOffer(target, emf)) << target;
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        EXPECT_TRUE(HasEnhancedMetafile(data)) << target;
        EXPECT_EQ(ReadEnhancedMetafile(data), emf) << target;
    }
    releaseXclip();
    EXPECT_FALSE(HasEnhancedMetafile(QGuiApplication::clipboard()->mimeData()));
    EXPECT_TRUE(ReadEnhancedMetafile(QGuiApplication::clipboard()->mimeData()).isEmpty());
}

TEST(ClipboardFormats, AddedFormatsKeepWhatWePlacedButNotAnotherProgramsData) {
    KORVEL_REQUIRE_DISPLAY();
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    auto* ours = new QMimeData;
    ours->setImageData(image);
    ours->setData(kEmfMimeType, "emf");
    QGuiApplication::clipboard()->setMimeData(ours);

    AddClipboardFormats({{kJwWinFormat, binaryBytes()}, {kDataObjectFormat, QByteArray(4, '\0')}});
    EXPECT_EQ(xclipRead(kJwWinFormat), binaryBytes());
    EXPECT_EQ(xclipRead(kDataObjectFormat), QByteArray(4, '\0'));
    EXPECT_EQ(xclipRead(kEmfMimeType), QByteArray("emf"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(xclipRead("image/png"), "PNG"));
    EXPECT_EQ(back.size(), QSize(4, 3));

    ASSERT_TRUE(xclipOffer("text/plain", "someone else's"));
    AddClipboardFormats({{kJwWinFormat, "x"}});
    const QStringList targets = xclipTargets();
    EXPECT_TRUE(targets.contains(kJwWinFormat));
    EXPECT_FALSE(targets.contains("text/plain"));
    EXPECT_FALSE(targets.contains(kEmfMimeType));
    releaseXclip();
}

TEST(WindowList, ListsTopLevelTitlesFrontToBack) {
    KORVEL_REQUIRE_DISPLAY();
    QWidget back, front;
    back.setWindowTitle(QStringLiteral("敷地 - jw_win"));
    front.setWindowTitle(QStringLiteral("plan - jw_win"));
    back.show();
    front.show();
    front.raise();
    X11WindowTitleSource source;
    std::vector<std::string> titles;
    ASSERT_TRUE(waitUntil([&] {
        titles = source.titles();
        return std::count(titles.begin(), titles.end(), std::string("plan - jw_win")) == 1 &&
               std::count(titles.begin(), titles.end(), std::string("敷地 - jw_win")) == 1;
    }));
    const auto frontAt = std::find(titles.begin(), titles.end(), std::string("plan - jw_win"));
    const auto backAt = std::find(titles.begin(), titles.end(), std::string("敷地 - jw_win"));
    EXPECT_LT(frontAt, backAt);
}

TEST(WindowList, NoDisplayNoTitles) {
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    EXPECT_TRUE(X11WindowTitleSource().titles().empty());
    qputenv("DISPLAY", display);
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

TEST(ClipWatcherTest, EachChangeIsReportedOnceUntilTheHandlerIsCleared) {
    KORVEL_REQUIRE_DISPLAY();
    QObject owner;
    ClipWatcher watcher(&owner);
    QList<QObject*> senders;
    watcher.setOnClipChange([&](QObject* sender) { senders << sender; });
    EXPECT_TRUE(watcher.listening());
    QCoreApplication::processEvents();
    EXPECT_TRUE(senders.isEmpty());  // listening is no change

    ASSERT_TRUE(xclipOffer(kJwWinFormat, "1"));
    ASSERT_TRUE(xclipOffer("UTF8_STRING", "2"));
    QGuiApplication::clipboard()->setText(QStringLiteral("3"));  // our own write counts too
    QCoreApplication::processEvents();
    EXPECT_EQ(senders.size(), 3);
    EXPECT_EQ(senders.value(0), &owner);

    // A second handler replaces the first without listening twice.
    int second = 0;
    watcher.setOnClipChange([&](QObject*) { ++second; });
    ASSERT_TRUE(xclipOffer(kJwWinFormat, "4"));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(senders.size(), 3);

    watcher.setOnClipChange(nullptr);
    EXPECT_FALSE(watcher.listening());
    ASSERT_TRUE(xclipOffer(kJwWinFormat, "5"));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(watcher.changes(), 4);
    releaseXclip();
}

}  // namespace
}  // namespace korvel::test
