// Raw bytes under named targets, as Jw_win under Wine exchanges them, and the window list.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QWidget>

#include "app/clip_watcher.h"
#include "app/jwwin_clipboard.h"
#include "drawing_builder.h"
#include "platform/clipboard_formats.h"
#include "platform/x11_window_list.h"
#include "xclip.h"

#include <xcb/xcb.h>
#include <cstdlib>

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

TEST(ClipboardFormats, TwoColourPictureKeepsGreyedLayersVisible) {
    // A greyed layer's solid, copied in two-colour mode: the bitmap another program reads holds
    // it as a pattern (three pixels of four black), not as white.
    KORVEL_REQUIRE_DISPLAY();
    DrawingBuilder b;
    b.extents(0, 0, 100, 50);
    b.line(0, 0, 100, 50);
    b.solid({10, 10}, {40, 10}, {40, 40}, {10, 40}).layer = 3;
    b.drawing.header.LayerState[0][3] = 1;
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    ExportOptions options;
    options.width = 200;
    options.render.bwPlot = true;
    options.render.bw2Grey = true;
    const ClipboardPictureResult copied = CopyImageToClipboard(b.drawing, options);
    ASSERT_TRUE(copied.ok) << copied.error;
    QImage bitmap;
    ASSERT_TRUE(bitmap.loadFromData(xclipRead("image/png"), "PNG"));
    ASSERT_EQ(bitmap.size(), QSize(200, 100));
    int black = 0;
    for (int y = 30; y < 70; ++y)
        for (int x = 30; x < 70; ++x) black += qGray(bitmap.pixel(x, y)) < 128;
    EXPECT_EQ(black, 1200);  // 40 x 40, less the one pixel in four where x and y are odd
    EXPECT_EQ(qGray(bitmap.pixel(31, 31)), 255);
    QGuiApplication::clipboard()->clear();
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

namespace korvel::test {
namespace {

// Another client of the X server that takes the clipboard (and never serves it).
class OtherClient {
public:
    OtherClient() {
        c_ = xcb_connect(nullptr, nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        auto* reply = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, 9, "CLIPBOARD"), nullptr);
        clipboard_ = reply->atom;
        std::free(reply);
    }
    ~OtherClient() { xcb_disconnect(c_); }
    // Takes the clipboard now, by the server's clock, and waits until the server has done it.
    void takeClipboard() {
        xcb_set_selection_owner(c_, window_, clipboard_, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    uint32_t window() const { return window_; }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t clipboard_ = 0;
};

TEST(PlaceOnClipboardTest, HoldsEvenWhenAnotherProgramTookTheClipboardAMomentAgo) {
    KORVEL_REQUIRE_DISPLAY();
    OtherClient other;
    const int before = clipboardChangesSeen();
    other.takeClipboard();
    ASSERT_TRUE(waitUntil([&] { return clipboardChangesSeen() > before; }));
    // Taken again later than anything our process has seen: a claim stamped with Qt's time of
    // the last event is older than the owner's and the server ignores it.
    QThread::msleep(30);
    other.takeClipboard();
    ASSERT_EQ(ClipboardOwnerId(), other.window());

    int built = 0;
    EXPECT_TRUE(PlaceOnClipboard([&] {
        ++built;
        auto* data = new QMimeData;
        data->setData(kEmfMimeType, "ours");
        return data;
    }));
    EXPECT_EQ(built, 2);  // the first claim did not hold
    EXPECT_NE(ClipboardOwnerId(), other.window());
    EXPECT_TRUE(QGuiApplication::clipboard()->ownsClipboard());
    EXPECT_EQ(xclipRead(kEmfMimeType), QByteArray("ours"));
    releaseXclip();
}

}  // namespace
}  // namespace korvel::test
