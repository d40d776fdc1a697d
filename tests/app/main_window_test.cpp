// The main window: its size from the drawing, the status bar, the file commands and the picture
// in the drawing area.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <cmath>
#include <filesystem>
#include <limits>

#include "app/drawing_info_dialog.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "platform/qt_painter_target.h"
#include "render/render_driver.h"
#include "drawing_builder.h"
#include "main_window_probe.h"
#include "window_fixture.h"

namespace korvel::test {
namespace {

TEST(FittedWindowSize, FollowsTheAspect) {
    EXPECT_EQ(FittedWindowSize(1.0), QSize(440, 540));
    EXPECT_EQ(FittedWindowSize(2.0), QSize(720, 460));
    EXPECT_EQ(FittedWindowSize(1.3329), QSize(586, 540));
    EXPECT_EQ(FittedWindowSize(1.333), QSize(720, 640)) << "1.333 itself is wide";
    EXPECT_EQ(FittedWindowSize(0.5), QSize(220, 540));
    EXPECT_EQ(FittedWindowSize(1440.0), QSize(720, 100)) << "720 / 1440 rounds half to even, to 0";
}

TEST(FittedWindowSize, UnusableAspectsKeepTheStartingSize) {
    for (double a : {std::nan(""), std::numeric_limits<double>::infinity(), 0.0, -1.0, 1e-6})
        EXPECT_EQ(FittedWindowSize(a), QSize(720, 540)) << a;
}

TEST(StatusBarTexts, VersionCountsAndTime) {
    DrawingBuilder b;
    b.drawing.header.Version = 600;
    b.drawing.header.ExtraOption[0] = 3725;
    b.line(0, 0, 1, 1);
    b.line(0, 0, 2, 1);
    b.circle(0, 0, 5);
    b.text(0, 0, "A");
    b.point(1, 1);
    b.solid({0, 0}, {1, 0}, {1, 1}, {0, 1});
    b.dimension(0, 0, 10, 0);
    const auto t = StatusBarTexts(b.drawing);
    EXPECT_EQ(t[0], QStringLiteral("Ver : 6.00"));
    EXPECT_EQ(t[1], QStringLiteral("L = 2 "));
    EXPECT_EQ(t[2], QStringLiteral("C = 1 "));
    EXPECT_EQ(t[3], QStringLiteral("M = 1 "));
    EXPECT_EQ(t[4], QStringLiteral("J = 1 "));
    EXPECT_EQ(t[5], QStringLiteral("So = 1 "));
    EXPECT_EQ(t[6], QStringLiteral("Su = 1 "));
    EXPECT_EQ(t[7], QStringLiteral("B = 0 "));
    EXPECT_EQ(t[8], QStringLiteral("01：02 "));
    EXPECT_EQ(VersionPanelText(351), QStringLiteral("Ver : 3.51"));
    EXPECT_EQ(EditingTimeText(0), QStringLiteral("00：00 "));
    EXPECT_EQ(EditingTimeText(360000 + 59 * 60 + 59), QStringLiteral("100：59 "));
}

TEST_F(WindowTest, StartsAsAnEmptyWindowOfTheGivenSize) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Korvel"));
    EXPECT_EQ(window->size(), QSize(720, 540));
    EXPECT_FALSE(window->hasDrawing());
    const auto& panels = probe(*window).statusPanels();
    for (int i = 0; i < kStatusPanels; ++i) {
        EXPECT_EQ(panels[i]->width(), kStatusPanelWidths[i]);
        EXPECT_TRUE(panels[i]->text().isEmpty()) << "the status bar is not written at start";
    }
    EXPECT_EQ(window->font().pixelSize(), 12);
    EXPECT_EQ(window->font().family(), QStringLiteral("IPAPGothic"));
}

TEST_F(WindowTest, FitWindowToDrawing) {
    window->drawing().extents.Aspect = 1.0;
    window->FitWindowToDrawing();
    EXPECT_EQ(window->size(), QSize(440, 540));
    window->drawing().extents.Aspect = 2.0;
    window->FitWindowToDrawing();
    EXPECT_EQ(window->size(), QSize(720, 460));
    window->drawing().extents.Aspect = std::nan("");
    window->FitWindowToDrawing();
    EXPECT_EQ(window->size(), QSize(720, 540));
}

TEST_F(WindowTest, CommandsThatNeedADrawingSayOrDoNothing) {
    window->informationCommand();
    window->saveCommand();
    window->savePicture();
    EXPECT_EQ(prompts.informations,
              QStringList({QStringLiteral("Jw_winﾃﾞｰﾀが、ありません。"), QStringLiteral("Jw_winﾃﾞｰﾀが、ありません。"),
                           QStringLiteral("ﾃﾞｰﾀが、ありません。")}));
    const int before = probe(*window).repaintRequests();
    window->redrawScreen();
    window->copyPicture();
    EXPECT_EQ(probe(*window).repaintRequests(), before);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(WindowTest, ExitAsksFirst) {
    window->show();
    window->exitCommand();
    EXPECT_EQ(prompts.questions, QStringList{QStringLiteral("　終了しますか？　　\n")});
    EXPECT_TRUE(window->isVisible());
    prompts.answerYes = true;
    window->exitCommand();
    EXPECT_FALSE(window->isVisible());
}

class SampleWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped()) return;
        KORVEL_REQUIRE_SAMPLES();
        sample = QString::fromStdString(samplesDir() + "/木造平面例.jww");
    }
    QStringList panelTexts(MainWindow& w) {
        QStringList texts;
        for (QLabel* l : probe(w).statusPanels()) texts << l->text();
        return texts;
    }
    QString sample;
};

TEST_F(SampleWindowTest, OpenShowsCountsFitsAndPaints) {
    prompts.files = {{sample, 1}};
    window->show();
    window->openCommand();
    ASSERT_TRUE(window->hasDrawing());
    const Drawing& d = window->drawing();
    EXPECT_EQ(panelTexts(*window)[1], QStringLiteral("L = %1 ").arg(d.LineCount()));
    EXPECT_EQ(window->size(), FittedWindowSize(d.extents.Aspect));
    EXPECT_EQ(probe(*window).settings().folderName, std::filesystem::path(samplesDir()).string() + "/");

    window->view().renderNow();
    EXPECT_EQ(window->view().renderCount(), 1);
    const QImage& picture = window->view().picture();
    ASSERT_EQ(picture.size(), window->view().size());
    int inked = 0;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            if (picture.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
    EXPECT_GT(inked, 500) << "the drawing is painted";

    const QStringList shown = panelTexts(*window);
    window->newDrawing();
    EXPECT_FALSE(window->hasDrawing());
    EXPECT_EQ(panelTexts(*window), shown) << "the status bar keeps its text";
}

// Pixels of `a` that differ from `b`, and of those, how many have no pixel of their colour next
// to them in `b` (a stroke missing or added, not moved by a pixel).
std::pair<int, int> Differences(const QImage& a, const QImage& b) {
    int differing = 0, unmatched = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == b.pixel(x, y)) continue;
            ++differing;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = b.rect().contains(x + dx, y + dy) && b.pixel(x + dx, y + dy) == a.pixel(x, y);
            unmatched += !near;
        }
    return {differing, unmatched};
}

// A zoomed view drawn through the record index has the pixels of a render that walks every
// record; kept in part across a pan, its lines may cross the old edge a pixel apart (Qt cuts
// lines at the picture's edge), nothing more.
TEST_F(SampleWindowTest, ZoomedAndPannedViewsHaveTheWholeRendersPixels) {
    window->show();
    for (const char* name : {"木造平面例.jww", "Ａマンション平面例.jww", "2-circles-blocks.jww", "日影図.jww"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(samplesDir() + "/" + name)));
        DrawingView& v = window->view();
        v.zoomAbout(QPointF(v.width() * 0.3, v.height() * 0.6), 3.0);
        v.renderNow();
        v.panBy(QPointF(37, -23));
        v.renderNow();
        const int w = v.width(), h = v.height();
        EXPECT_EQ(v.lastRenderedPixels(), qint64(w) * h - qint64(w - 37) * (h - 23));

        QImage whole(v.size(), QImage::Format_RGB32);
        whole.fill(Qt::white);
        {
            QPainter painter(&whole);
            painter.translate(v.pan().toPoint());  // pictures stand at whole pixels
            QtPainterTarget target(painter);
            RenderRequest request;
            request.width = static_cast<int>(w * v.zoom() + 0.5);
            request.height = static_cast<int>(h * v.zoom() + 0.5);
            request.clearBackground = probe(*window).settings().penColorFlag;
            RenderOptions options = window->renderOptions();
            options.frame = v.frame();
            RenderDrawing(target, window->drawing(), options, request);
        }
        const auto [differing, unmatched] = Differences(v.picture(), whole);
        EXPECT_LE(differing, w * h / 1000);
        EXPECT_EQ(unmatched, 0);
        EXPECT_EQ(Differences(whole, v.picture()).second, 0);

        v.invalidate();
        v.renderNow();
        EXPECT_EQ(Differences(v.picture(), whole).first, 0) << "drawn at once";
    }
}

TEST_F(SampleWindowTest, SavedAsVersion230AndOpenedAgainShowsTheSameCounts) {
    prompts.files = {{sample, 1}};
    window->openCommand();
    ASSERT_TRUE(window->hasDrawing());
    const QStringList before = panelTexts(*window);

    window->informationCommand();
    ASSERT_EQ(prompts.shown.size(), 1);
    DrawingInfoDialog& info = probe(*window).infoDialog();
    info.versions().button(2)->setChecked(true);  // V2.30-2.51
    info.applyAndClose();
    EXPECT_EQ(window->drawing().header.Version, 230u);

    const std::string dir = scratchDir("window_save");
    prompts.files = {{QString::fromStdString(dir + "/plan.old.jww"), 1}};
    window->saveCommand();
    const std::string saved = dir + "/plan.jww";
    ASSERT_TRUE(std::filesystem::exists(saved)) << "the name is cut before its first point";

    auto again = makeWindow("window_save_reopen");
    prompts.files = {{QString::fromStdString(saved), 1}};
    again->openCommand();
    ASSERT_TRUE(again->hasDrawing());
    QStringList after = panelTexts(*again);
    EXPECT_EQ(after[0], QStringLiteral("Ver : 2.30"));
    EXPECT_EQ(after.mid(1, 7), before.mid(1, 7));
}

TEST_F(SampleWindowTest, FilterAndExtensionDecideWhatLoads) {
    prompts.files = {{sample, 2}};  // all files: ".jww" is no kind that index loads
    window->openCommand();
    EXPECT_FALSE(window->hasDrawing());

    prompts.files = {{sample, 1}};
    window->openCommand();
    ASSERT_TRUE(window->hasDrawing());
    const std::string dir = scratchDir("window_save_filter");
    prompts.files = {{QString::fromStdString(dir + "/x.jww"), 2}};
    window->saveCommand();
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.jww")) << "the all-files filter saves nothing";
}

TEST_F(SampleWindowTest, SavePictureAddsTheFiltersExtension) {
    prompts.files = {{sample, 1}};
    window->openCommand();
    const std::string dir = scratchDir("window_picture");
    prompts.files = {{QString::fromStdString(dir + "/plan"), 3}, {QString::fromStdString(dir + "/p.v2.jpeg"), 1}};
    window->savePicture();
    window->savePicture();
    EXPECT_TRUE(std::filesystem::exists(dir + "/plan.PNG"));
    EXPECT_TRUE(std::filesystem::exists(dir + "/p.JPG"));
    EXPECT_TRUE(prompts.informations.isEmpty()) << prompts.informations.join("|").toStdString();
}

TEST_F(SampleWindowTest, StatusBarDragDrawsOnThePicture) {
    prompts.files = {{sample, 1}};
    window->openCommand();
    window->show();
    window->view().renderNow();
    QImage before = window->view().picture();
    ASSERT_EQ(before.pixel(15, 0), qRgb(255, 255, 255));
    window->view().drawLineTo(QPoint(30, 0));
    EXPECT_EQ(window->view().picture().pixel(15, 0), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

TEST_F(WindowTest, ZoomKeepsThePointUnderTheCursor) {
    DrawingView& v = window->view();
    const QPointF anchor(100, 50);
    // The drawing point under the anchor, in unzoomed view units.
    auto under = [&v](QPointF p) { return (p - v.pan()) / v.zoom(); };
    const QPointF before = under(anchor);
    v.zoomAbout(anchor, 1.25);
    v.zoomAbout(anchor, 1.25);
    EXPECT_DOUBLE_EQ(v.zoom(), 1.5625);
    EXPECT_NEAR(under(anchor).x(), before.x(), 1e-9);
    EXPECT_NEAR(under(anchor).y(), before.y(), 1e-9);
    const QPointF pointBeforePan = under(anchor);
    v.panBy(QPointF(10, -5));
    EXPECT_NEAR(under(anchor + QPointF(10, -5)).x(), pointBeforePan.x(), 1e-9) << "the drawing moves with the mouse";
    EXPECT_NEAR(under(anchor + QPointF(10, -5)).y(), pointBeforePan.y(), 1e-9);
    for (int i = 0; i < 100; ++i) v.zoomAbout(anchor, 0.5);
    EXPECT_DOUBLE_EQ(v.zoom(), 1.0 / 16) << "zooming out stops";
    v.resetView();
    EXPECT_EQ(v.zoom(), 1.0);
    EXPECT_EQ(v.pan(), QPointF());
}

TEST_F(WindowTest, CopyTextFollowsItsSwitch) {
    Drawing& d = window->drawing();
    d.extents.MinX = d.extents.MinY = 0;
    TDataMoji a, b;
    a.start = {10, 10};
    a.text = "A";
    b.start = {20, 10};
    b.text = "B";
    d.top.texts = {a, b};
    probe(*window).settings().textDelimiter = 2;
    QApplication::clipboard()->setText(QStringLiteral("before"));
    probe(*window).settings().textToClipboard = false;
    window->copyText();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    probe(*window).settings().textToClipboard = true;
    window->copyText();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("A,B,\r\n"));
}

}  // namespace
}  // namespace korvel::test

#include "app/drawing_preview.h"

namespace korvel::test {
namespace {

TEST_F(WindowTest, OpenDialogPreviewRendersDrawingsOnly) {
    KORVEL_REQUIRE_SAMPLES();
    const QImage image = RenderDrawingPreview(QString::fromStdString(samplesDir() + "/Test1.jww"), 196);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 196);
    const std::string dir = scratchDir("preview");
    writeFileBytes(dir + "/notes.jww", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_TRUE(RenderDrawingPreview(QString::fromStdString(dir + "/notes.jww"), 196).isNull());
    EXPECT_TRUE(RenderDrawingPreview(QString::fromStdString(dir), 196).isNull());
    EXPECT_TRUE(RenderDrawingPreview(QString::fromStdString(dir + "/absent.jww"), 196).isNull());
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

TEST_F(WindowTest, OpenDamagedDataWarnsScansAndAlwaysRepaints) {
    KORVEL_REQUIRE_SAMPLES();
    const std::string dir = scratchDir("window_damaged");
    std::vector<uint8_t> bytes = readFileBytes(samplesDir() + "/木造平面例.jww");
    bytes[0] = 'X';  // the header no longer says what it is
    writeFileBytes(dir + "/broken.jww", bytes);
    writeFileBytes(dir + "/empty.jww", {});
    prompts.files = {{QString::fromStdString(dir + "/broken.jww"), 1}, {QString::fromStdString(dir + "/empty.jww"), 1}};
    const int before = probe(*window).repaintRequests();
    window->openDamagedCommand();
    EXPECT_EQ(prompts.informations, QStringList{QStringLiteral(" 不正なJwwDataFileをテストロードします。\n")});
    ASSERT_TRUE(window->hasDrawing());
    EXPECT_GT(window->drawing().LineCount(), 700u);
    EXPECT_EQ(probe(*window).repaintRequests(), before + 1);
    window->openDamagedCommand();  // nothing found: repainted all the same
    EXPECT_EQ(probe(*window).repaintRequests(), before + 2);
    prompts.files.clear();
    window->openDamagedCommand();  // cancelled
    EXPECT_EQ(probe(*window).repaintRequests(), before + 2);
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

// A version-3.00 drawing of 20 lines and a text whose magic is broken, as Jw_cad's oldest
// readers leave files.
std::string brokenVersion300(const std::string& dir) {
    Drawing d;
    d.header = NewDrawingHeader();
    korvel::DrawingBuilder b(d);
    for (int i = 0; i < 20; ++i) {
        TDataSen s;
        s.start = {double(i), 0};
        s.end = {double(i), 10};
        b.add(s);
    }
    TDataMoji t;
    t.end = {10, 0};
    t.sizeY = 2;
    t.text = "old";
    b.add(t);
    b.finish();
    SaveResult saved;
    std::vector<uint8_t> bytes = SaveJwwBytes(d, 300, saved);
    bytes[1] = 'X';
    writeFileBytes(dir + "/old.jww", bytes);
    return dir + "/old.jww";
}

TEST_F(SampleWindowTest, EveryLoadStartsFreshWhateverWasOpenBefore) {
    const std::string dir = scratchDir("window_fresh");
    const QString old = QString::fromStdString(brokenVersion300(dir));
    // A Jw_cad 6 drawing first; then the old file, by the open and by the damaged-data command.
    prompts.files = {{sample, 1}, {old, 1}, {sample, 1}, {old, 1}};
    window->openCommand();
    ASSERT_EQ(window->drawing().header.Version, 600u);
    window->openCommand();
    EXPECT_EQ(window->drawing().LineCount(), 20u);
    EXPECT_EQ(window->drawing().TextCount(), 1u);
    EXPECT_EQ(window->drawing().header.Version, 300u);
    window->openCommand();
    window->openDamagedCommand();
    EXPECT_EQ(window->drawing().LineCount(), 20u);
    EXPECT_EQ(window->drawing().TextCount(), 1u);
}

TEST_F(SampleWindowTest, ADrawingReadIncompleteIsSaidAboveIt) {
    const std::string dir = scratchDir("window_incomplete");
    std::vector<uint8_t> bytes = readFileBytes(sample.toStdString());
    bytes.resize(bytes.size() * 2 / 3);
    writeFileBytes(dir + "/cut.jww", bytes);
    EXPECT_TRUE(probe(*window).warningBar().isHidden());
    prompts.files = {{QString::fromStdString(dir + "/cut.jww"), 1}};
    window->show();
    window->openCommand();
    ASSERT_TRUE(window->hasDrawing());
    ASSERT_EQ(probe(*window).warningBar().lines().size(), 1);
    EXPECT_TRUE(probe(*window).warningBar().lines()[0].startsWith(QStringLiteral("read incomplete: 780 record(s) announced, ")))
        << probe(*window).warningBar().lines()[0].toStdString();
    EXPECT_TRUE(probe(*window).warningBar().isVisible());
    // A whole drawing takes the strip away.
    prompts.files = {{sample, 1}};
    window->openCommand();
    EXPECT_TRUE(probe(*window).warningBar().lines().isEmpty());
    EXPECT_TRUE(probe(*window).warningBar().isHidden());
}

TEST_F(SampleWindowTest, SaveSaysWhatTheFileCannotHold) {
    prompts.files = {{sample, 1}};
    window->openCommand();
    const std::string dir = scratchDir("window_save_warnings");
    prompts.files = {{QString::fromStdString(dir + "/plan.jww"), 1}};
    window->saveCommand();
    ASSERT_TRUE(std::filesystem::exists(dir + "/plan.jww"));
    ASSERT_EQ(prompts.informations.size(), 1);
    EXPECT_TRUE(prompts.informations[0].contains(QStringLiteral(
        "version 600 drawing written as version 351; dropped: the SXF pen and line-type tables")))
        << prompts.informations[0].toStdString();
}

}  // namespace
}  // namespace korvel::test
