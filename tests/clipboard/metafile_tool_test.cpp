// The clipboard-metafile tool end to end: another program (xclip) offers a metafile, the tool
// previews it, writes "_Grp_.bmp" on close and leaves the image-reference text behind.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <cstring>
#include <memory>

#include "app/main_window.h"
#include "app/metafile_tool.h"
#include "app/window_fixture.h"
#include "drawing/cp932.h"
#include "metafile_fixture.h"
#include "platform/clipboard_formats.h"
#include "render/picture_reference.h"
#include "xclip.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

class FolderPrompts : public ScriptedPrompts {
public:
    QStringList folders;  // answers of the folder chooser; none left cancels
    bool chooseFolder(QString& folder) override {
        if (folders.empty()) return false;
        folder = folders.takeFirst();
        return true;
    }
};

// The file's bytes when it is a 24-bit BMP of w × h; empty otherwise.
QByteArray readBmp(const QString& path, int32_t w, int32_t h) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    if (b.size() < 54 || !b.startsWith("BM")) return {};
    std::memcpy(&width, b.constData() + 18, 4);
    std::memcpy(&height, b.constData() + 22, 4);
    std::memcpy(&bits, b.constData() + 28, 2);
    return width == w && height == h && bits == 24 ? b : QByteArray();
}

bool clipboardHasMetafile() { return HasEnhancedMetafile(QGuiApplication::clipboard()->mimeData()); }

class MetafileToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        KORVEL_REQUIRE_DISPLAY();
        const std::string dir = scratchDir(std::string("metafile_tool_") +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        folder = QString::fromStdString(dir);
        SettingsOptions options;
        options.settingsPath = dir + "/Korvel.INI";
        options.registryPath = "none";
        window = std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    }
    void TearDown() override {
        if (window && probe(*window).metafileTool()) probe(*window).metafileTool()->hide();
        window.reset();
        releaseXclip();
    }

    // The command as the menu runs it, then the tool sized so that its image control is
    // `controlHeight` high.
    Temf2bmp* openTool(int controlHeight) {
        probe(*window).menus().file.metafileTool->trigger();
        Temf2bmp* tool = probe(*window).metafileTool();
        if (!tool) return nullptr;
        // It opens as wide as the preview at its own height.
        waitUntil([&] { return tool->width() == std::max(tool->previewSize().width(), 240); }, 2000);
        openedWidth = tool->width();
        tool->setWinePrefix(folder.toStdString() + "/no-wine");
        tool->setOutputFolder(folder);
        tool->resize(600, controlHeight + kMetafileToolPanelHeight);
        waitUntil([&] { return tool->imageControl().height() == controlHeight; }, 2000);
        return tool;
    }

    FolderPrompts prompts;
    std::unique_ptr<MainWindow> window;
    QString folder;
    int openedWidth = 0;
};

TEST_F(MetafileToolTest, PreviewFitsTheControlAndCloseWritesTheMagnifiedBitmapAndItsReference) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, HalfBlackMetafile(400, 300)));
    Temf2bmp* tool = openTool(368);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(openedWidth, 491);
    EXPECT_TRUE(tool->isVisible() && tool->isWindow());
    EXPECT_EQ(tool->windowTitle(), QStringLiteral("Clipboard-Matefile > BMP"));
    EXPECT_EQ(tool->font().pixelSize(), 12);
    ASSERT_EQ(tool->imageControl().height(), 368);
    EXPECT_EQ(tool->metafileSize(), QSize(400, 300));
    EXPECT_EQ(tool->previewSize(), QSize(491, 368));
    EXPECT_EQ(tool->heightRatio(), 74.949);
    EXPECT_EQ(tool->imageControl().pixmap().size(), QSize(491, 368));
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×1.0"));
    const QString bitmap = folder + QStringLiteral("/_Grp_.bmp");
    EXPECT_EQ(tool->pathPanel().text(), bitmap);

    // Clicking the left panel asks for the magnification.
    prompts.inputs = {{true, "7"}, {true, "letters"}, {true, "2"}};
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&tool->magnificationPanel(), &click);
    EXPECT_EQ(tool->magnification(), 5.0);
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×5.0"));
    tool->StatusBar1Click();
    EXPECT_EQ(tool->magnification(), 1.0);
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×1.0"));
    tool->StatusBar1Click();

    tool->close();
    EXPECT_FALSE(tool->isVisible());
    const QByteArray bytes = readBmp(bitmap, 982, 736);
    ASSERT_FALSE(bytes.isEmpty());
    // Bottom-up rows of 982 * 3 bytes, padded to four: the left is white, the right black.
    const int row = 54 + 368 * ((982 * 3 + 3) / 4 * 4);
    EXPECT_EQ(static_cast<uint8_t>(bytes[row + 100 * 3]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[row + 900 * 3]), 0);
    const QString expected = QStringLiteral("^@BMZ:") + QString(bitmap).replace('/', '\\') + QStringLiteral(",100,74.949");
    EXPECT_EQ(QString::fromUtf8(xclipRead(QStringLiteral("UTF8_STRING"))), expected);
    EXPECT_FALSE(clipboardHasMetafile());
    EXPECT_EQ(tool->magnification(), 1.0);
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×1.0"));

    // Korvel's own picture drawer finds the bitmap from the text Jw_win gets.
    const ImageReference ref = ParseImageReference(Utf8ToCp932(expected.toStdString()));
    EXPECT_EQ(ref.height, 74.949);
    const PictureLocation where = LocatePicture(Drawing(), ref.path);
    EXPECT_EQ(where.filePath, bitmap.toStdString());
}

TEST_F(MetafileToolTest, WithoutAMetafileTheCommandOpensNothingAndTheCloseWritesNothing) {
    ASSERT_TRUE(xclipOffer(QStringLiteral("text/plain"), "no picture"));
    probe(*window).menus().file.metafileTool->trigger();
    EXPECT_EQ(probe(*window).metafileTool(), nullptr);

    ASSERT_TRUE(xclipOffer(kEmfMimeType, HalfBlackMetafile(400, 300)));
    Temf2bmp* tool = openTool(368);
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(xclipOffer(QStringLiteral("text/plain"), "just text"));
    tool->close();
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/_Grp_.bmp")));
    EXPECT_EQ(xclipRead(QStringLiteral("text/plain")), QByteArray("just text"));
    EXPECT_TRUE(prompts.informations.isEmpty());
}

TEST_F(MetafileToolTest, WinesMetafileTargetAndAChosenFolder) {
    ASSERT_TRUE(xclipOffer(kWineEmfTarget, HalfBlackMetafile(300, 400)));
    Temf2bmp* tool = openTool(200);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->previewSize(), QSize(150, 200));
    const QString other = folder + QStringLiteral("/図面");
    ASSERT_TRUE(QDir().mkpath(other));
    prompts.folders = {other};
    tool->StatusBar2Click();
    tool->StatusBar2Click();  // cancelled: the folder stays
    EXPECT_EQ(tool->pathPanel().text(), other + QStringLiteral("/_Grp_.bmp"));

    EXPECT_TRUE(tool->FormClose());
    EXPECT_FALSE(readBmp(other + QStringLiteral("/_Grp_.bmp"), 150, 200).isEmpty());
    const QString text = QString::fromUtf8(xclipRead(QStringLiteral("UTF8_STRING")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\\図面\\_Grp_.bmp,100,133.3333"))) << text.toStdString();
    const ImageReference ref = ParseImageReference(Utf8ToCp932(text.toStdString()));
    EXPECT_EQ(LocatePicture(Drawing(), ref.path).filePath, (other + QStringLiteral("/_Grp_.bmp")).toStdString());
}

TEST_F(MetafileToolTest, NoBitmapAtZeroOrBelowOrInAMissingFolderAndTheMetafileStays) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, HalfBlackMetafile(40, 30)));
    Temf2bmp* tool = openTool(30);
    ASSERT_NE(tool, nullptr);
    prompts.inputs = {{true, "0"}};
    tool->StatusBar1Click();
    EXPECT_EQ(tool->magnification(), 0.0);
    EXPECT_FALSE(tool->FormClose());
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/_Grp_.bmp")));
    tool->setOutputFolder(folder + QStringLiteral("/missing"));
    EXPECT_FALSE(tool->FormClose());
    ASSERT_EQ(prompts.informations.size(), 2);
    EXPECT_TRUE(prompts.informations[1].contains(QStringLiteral("/missing/_Grp_.bmp")));
    EXPECT_TRUE(clipboardHasMetafile());
}

}  // namespace
}  // namespace korvel::test
