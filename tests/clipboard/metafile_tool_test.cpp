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
#include "output/emf_target.h"
#include "platform/clipboard_formats.h"
#include "render/picture_reference.h"
#include "xclip.h"

namespace korvel::test {
namespace {

// A w × h metafile, white with its right half black.
QByteArray halfBlackMetafile(int w, int h) {
    EmfTarget emf(FittedMetafileFrame(w, h), "test");
    BrushSpec black;
    emf.setBrush(black);
    emf.fillRect(w / 2, 0, w, h);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(emf.finish(bytes, error)) << error;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

class FolderPrompts : public ScriptedPrompts {
public:
    QStringList folders;  // answers of the folder chooser; none left cancels
    QString shownFolder;
    bool chooseFolder(QString& folder) override {
        shownFolder = folder;
        if (folders.empty()) return false;
        folder = folders.takeFirst();
        return true;
    }
};

struct BmpHeader {
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
};

bool readBmpHeader(const QString& path, BmpHeader& h, QByteArray* all = nullptr) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray b = f.readAll();
    if (b.size() < 54 || !b.startsWith("BM")) return false;
    std::memcpy(&h.width, b.constData() + 18, 4);
    std::memcpy(&h.height, b.constData() + 22, 4);
    std::memcpy(&h.bits, b.constData() + 28, 2);
    if (all) *all = b;
    return true;
}

class MetafileToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        KORVEL_REQUIRE_DISPLAY();
        const std::string dir = scratchDir("metafile_tool_" + std::string(
            ::testing::UnitTest::GetInstance()->current_test_info()->name()));
        folder = QString::fromStdString(dir);
        SettingsOptions options;
        options.settingsPath = dir + "/Korvel.INI";
        options.registryPath = "none";
        window = std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    }
    void TearDown() override {
        if (window && window->metafileTool()) window->metafileTool()->hide();
        window.reset();
        releaseXclip();
    }

    // The command as the menu runs it, then the tool sized so that its image control is
    // `controlHeight` high.
    Temf2bmp* openTool(int controlHeight = 368) {
        window->menus().file.metafileTool->trigger();
        Temf2bmp* tool = window->metafileTool();
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

    QString bitmapPath() const { return folder + QStringLiteral("/_Grp_.bmp"); }

    FolderPrompts prompts;
    std::unique_ptr<MainWindow> window;
    QString folder;
    int openedWidth = 0;
};

TEST_F(MetafileToolTest, PreviewFitsTheControlAndCloseWritesTheMagnifiedBitmapAndItsReference) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, halfBlackMetafile(400, 300)));
    Temf2bmp* tool = openTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(openedWidth, 491);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_TRUE(tool->isWindow());
    EXPECT_EQ(tool->windowTitle(), QStringLiteral("Clipboard-Matefile > BMP"));
    EXPECT_EQ(tool->font().pixelSize(), 12);
    ASSERT_EQ(tool->imageControl().height(), 368);
    EXPECT_EQ(tool->metafileSize(), QSize(400, 300));
    EXPECT_EQ(tool->previewSize(), QSize(491, 368));
    EXPECT_EQ(tool->heightRatio(), 74.949);
    EXPECT_EQ(tool->imageControl().pixmap().size(), QSize(491, 368));
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×1.0"));
    EXPECT_EQ(tool->pathPanel().text(), bitmapPath());

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
    EXPECT_EQ(tool->magnification(), 2.0);

    tool->close();
    EXPECT_FALSE(tool->isVisible());
    BmpHeader bmp;
    QByteArray bytes;
    ASSERT_TRUE(readBmpHeader(bitmapPath(), bmp, &bytes));
    EXPECT_EQ(bmp.width, 982);
    EXPECT_EQ(bmp.height, 736);
    EXPECT_EQ(bmp.bits, 24);
    // Bottom-up rows of 982 * 3 bytes, padded to four: the left is white, the right black.
    const int stride = (982 * 3 + 3) / 4 * 4;
    const int row = 54 + 368 * stride;
    EXPECT_EQ(static_cast<uint8_t>(bytes[row + 100 * 3]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[row + 900 * 3]), 0);

    const QString expected = QStringLiteral("^@BMZ:") + QString(bitmapPath()).replace('/', '\\') +
                             QStringLiteral(",100,74.949");
    EXPECT_EQ(QString::fromUtf8(xclipRead(QStringLiteral("UTF8_STRING"))), expected);
    EXPECT_FALSE(HasEnhancedMetafile(QGuiApplication::clipboard()->mimeData()));
    EXPECT_EQ(tool->magnification(), 1.0);
    EXPECT_EQ(tool->magnificationPanel().text(), QStringLiteral("×1.0"));

    // Korvel's own picture drawer finds the bitmap from the text Jw_win would get.
    const ImageReference ref = ParseImageReference(Utf8ToCp932(expected.toStdString()));
    ASSERT_TRUE(ref.hasSize);
    EXPECT_EQ(ref.width, 100.0);
    EXPECT_EQ(ref.height, 74.949);
    Drawing drawing;
    const PictureLocation where = LocatePicture(drawing, ref.path);
    EXPECT_EQ(where.kind, PictureLocation::Kind::File);
    EXPECT_EQ(where.filePath, bitmapPath().toStdString());
}

TEST_F(MetafileToolTest, ClosingAfterTextReplacedTheMetafileWritesNothingAndKeepsTheText) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, halfBlackMetafile(400, 300)));
    Temf2bmp* tool = openTool();
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(xclipOffer(QStringLiteral("text/plain"), "just text"));
    tool->close();
    EXPECT_FALSE(QFile::exists(bitmapPath()));
    EXPECT_EQ(xclipRead(QStringLiteral("text/plain")), QByteArray("just text"));
    EXPECT_TRUE(prompts.informations.isEmpty());
}

TEST_F(MetafileToolTest, CommandOpensNothingWithoutAMetafile) {
    ASSERT_TRUE(xclipOffer(QStringLiteral("text/plain"), "no picture"));
    window->menus().file.metafileTool->trigger();
    EXPECT_EQ(window->metafileTool(), nullptr);
}

TEST_F(MetafileToolTest, WinesMetafileTargetAndTheFolderChooser) {
    ASSERT_TRUE(xclipOffer(kWineEmfTarget, halfBlackMetafile(300, 400)));
    Temf2bmp* tool = openTool(200);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->metafileSize(), QSize(300, 400));
    EXPECT_EQ(tool->previewSize(), QSize(150, 200));
    EXPECT_EQ(tool->heightRatio(), 133.3333);

    const QString other = folder + QStringLiteral("/other");
    ASSERT_TRUE(QDir().mkpath(other));
    prompts.folders = {other};
    tool->StatusBar2Click();
    EXPECT_EQ(prompts.shownFolder, folder);
    EXPECT_EQ(tool->outputFolder(), other);
    EXPECT_EQ(tool->pathPanel().text(), other + QStringLiteral("/_Grp_.bmp"));
    tool->StatusBar2Click();  // cancelled: the folder stays
    EXPECT_EQ(tool->outputFolder(), other);

    EXPECT_TRUE(tool->FormClose());
    BmpHeader bmp;
    ASSERT_TRUE(readBmpHeader(other + QStringLiteral("/_Grp_.bmp"), bmp));
    EXPECT_EQ(bmp.width, 150);
    EXPECT_EQ(bmp.height, 200);
    EXPECT_TRUE(QString::fromUtf8(xclipRead(QStringLiteral("UTF8_STRING"))).endsWith(QStringLiteral(",100,133.3333")));
}

TEST_F(MetafileToolTest, NoBitmapForMagnificationsOfZeroOrBelow) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, halfBlackMetafile(400, 300)));
    Temf2bmp* tool = openTool();
    ASSERT_NE(tool, nullptr);
    for (const char* entry : {"0", "-2"}) {
        prompts.inputs = {{true, entry}};
        tool->StatusBar1Click();
        EXPECT_EQ(tool->magnification(), QString::fromLatin1(entry).toDouble());
        EXPECT_FALSE(tool->FormClose()) << entry;
        EXPECT_FALSE(QFile::exists(bitmapPath())) << entry;
        EXPECT_TRUE(HasEnhancedMetafile(QGuiApplication::clipboard()->mimeData())) << entry;
        EXPECT_EQ(tool->magnification(), 1.0);
    }
    EXPECT_EQ(prompts.informations.size(), 2);
}

TEST_F(MetafileToolTest, AnUnwritableFolderIsReportedAndTheClipboardKept) {
    ASSERT_TRUE(xclipOffer(kEmfMimeType, halfBlackMetafile(40, 30)));
    Temf2bmp* tool = openTool(30);
    ASSERT_NE(tool, nullptr);
    tool->setOutputFolder(folder + QStringLiteral("/missing"));
    EXPECT_FALSE(tool->FormClose());
    ASSERT_EQ(prompts.informations.size(), 1);
    EXPECT_TRUE(prompts.informations[0].contains(QStringLiteral("/missing/_Grp_.bmp")));
    EXPECT_TRUE(HasEnhancedMetafile(QGuiApplication::clipboard()->mimeData()));
}

}  // namespace
}  // namespace korvel::test
