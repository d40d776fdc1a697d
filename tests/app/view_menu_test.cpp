// The window's reading aids as a user works them: the layer panel, finding texts, measuring,
// the pointer's coordinates and the recent drawings with their views.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolBar>
#include <QTreeWidget>
#include <filesystem>

#include "app/find_dock.h"
#include "app/layer_dock.h"
#include "app/measure_tool.h"
#include "app/view_menu.h"
#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "window_fixture.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

// Group 0 "平面" at 1/100 with a 100 mm line along y 0 and two texts to find; group 1 "設備" at
// 1/50, greyed in the file, with a line along y 50; layer 0-5 hidden in the file, holding a third
// text.
std::string writePlan(const std::string& path) {
    DrawingBuilder b;
    DrawingHeader& h = b.drawing.header;
    h.LayerGroupName[0] = Utf8ToCp932("平面");
    h.LayerGroupName[1] = Utf8ToCp932("設備");
    h.LayerName[0][0] = Utf8ToCp932("壁");
    h.LayerGroupScale[0] = 100;
    h.LayerGroupScale[1] = 50;
    for (int g = 2; g < 16; ++g) h.LayerGroupScale[g] = 1;
    h.LayerGroupState[1] = 1;
    h.LayerState[0][5] = 0;
    h.WriteLayerGroup = 0;
    b.line(0, 0, 100, 0);
    b.line(0, 50, 100, 50, 6).layerGroup = 1;
    b.text(20, 20, Utf8ToCp932("ＲＯＯＭ 1")).layer = 3;
    b.text(60, 20, "room 2").layer = 3;
    b.text(60, 30, "Room 3").layer = 5;
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    writeFileBytes(path, SaveJwwBytes(b.drawing, 0, saved));
    EXPECT_TRUE(saved.ok) << saved.error;
    return path;
}

class ViewMenuTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped()) return;
        dir = scratchDir("view_menu");
        plan = QString::fromStdString(writePlan(dir + "/plan.jww"));
        window->show();
        ASSERT_TRUE(window->openDrawingFile(plan));
        window->view().renderNow();
    }
    ViewMenu& menu() { return probe(*window).viewMenu(); }
    QPointF pixelOf(double x, double y) {
        const ViewMapping m = window->view().mapping();
        return {m.toPixelX(x), m.toPixelY(y)};
    }
    // Non-white pixels of the picture along drawing row y, between x 10 and 90.
    int inkAlong(double y) {
        window->view().renderNow();
        const QImage& picture = window->view().picture();
        const QPointF a = pixelOf(10, y), b = pixelOf(90, y);
        int ink = 0;
        for (int x = int(a.x()); x <= int(b.x()); ++x)
            for (int dy = -1; dy <= 1; ++dy)
                ink += (picture.pixel(x, int(std::lround(a.y())) + dy) & 0xFFFFFF) != 0xFFFFFF;
        return ink;
    }

    std::string dir;
    QString plan;
};

TEST_F(ViewMenuTest, TheMenuItsKeysAndAHiddenPanel) {
    QStringList titles;
    for (QAction* a : window->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("再描画(&R)"), QStringLiteral("表示"),
                                   QStringLiteral("ツール(&T)"), QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"),
                                   QStringLiteral("ヘルプ(&H)")}));
    EXPECT_EQ(menu().layersAction()->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(menu().findAction()->shortcut(), QKeySequence(QKeySequence::Find));
    EXPECT_FALSE(menu().layerDock().isVisible());
    EXPECT_FALSE(menu().findDock().isVisible());
    menu().layersAction()->trigger();
    EXPECT_TRUE(menu().layerDock().isVisible());
    menu().layersAction()->trigger();
    EXPECT_FALSE(menu().layerDock().isVisible());
}

TEST_F(ViewMenuTest, ThePanelShowsNamesScalesCountsAndTheFilesStates) {
    QTreeWidget* tree = menu().layerDock().tree();
    QTreeWidgetItem* g0 = tree->topLevelItem(0);
    QTreeWidgetItem* g1 = tree->topLevelItem(1);
    EXPECT_EQ(g0->text(0), QStringLiteral("0  平面"));
    EXPECT_EQ(g0->text(1), QStringLiteral("1/100  4"));
    EXPECT_EQ(g1->text(0), QStringLiteral("1  設備"));
    EXPECT_EQ(g1->text(1), QStringLiteral("1/50  1"));
    EXPECT_EQ(tree->topLevelItem(15)->text(0), QStringLiteral("F"));
    EXPECT_EQ(g0->child(0)->text(0), QStringLiteral("0-0  壁"));
    EXPECT_EQ(g0->child(0)->text(1), QStringLiteral("1"));
    EXPECT_EQ(g0->child(3)->text(0), QStringLiteral("0-3"));
    EXPECT_EQ(g0->child(3)->text(1), QStringLiteral("2"));
    EXPECT_EQ(g0->checkState(0), Qt::Checked);
    EXPECT_EQ(g1->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(g0->child(5)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(g0->child(4)->checkState(0), Qt::Checked);
}

TEST_F(ViewMenuTest, BoxesRepaintAndGoIntoExportsButNeverIntoTheDrawing) {
    const Drawing& d = window->drawing();
    const int drawn = inkAlong(50);
    EXPECT_GT(drawn, 60);
    const int before = probe(*window).repaintRequests();

    menu().layerDock().setBoxState(1, -1, LayerShow::Hidden);
    EXPECT_EQ(probe(*window).repaintRequests(), before + 1);
    EXPECT_EQ(window->renderOptions().layers.showOf(d, 1, 0), LayerShow::Hidden);
    EXPECT_EQ(window->exportOptions().render.layers.showOf(d, 1, 0), LayerShow::Hidden);
    EXPECT_EQ(d.header.LayerGroupState[1], 1u);
    EXPECT_EQ(inkAlong(50), 0);
    EXPECT_GT(inkAlong(0), 60);  // group 0 draws on

    // Shown in the panel though greyed in the file: the pen's own colour again.
    menu().layerDock().setBoxState(1, -1, LayerShow::Shown);
    EXPECT_EQ(window->renderOptions().layers.showOf(d, 1, 0), LayerShow::Shown);
    EXPECT_EQ(inkAlong(50), drawn);

    // A layer hidden in a shown group; back to the file's states.
    menu().layerDock().setBoxState(0, 0, LayerShow::Hidden);
    EXPECT_EQ(inkAlong(0), 0);
    menu().layerDock().backToTheDrawing();
    EXPECT_EQ(window->renderOptions().layers.showOf(d, 1, 0), LayerShow::Greyed);
    EXPECT_GT(inkAlong(0), 60);
    EXPECT_EQ(menu().layerDock().tree()->topLevelItem(1)->checkState(0), Qt::PartiallyChecked);
    menu().layerDock().showEverything();
    EXPECT_EQ(window->renderOptions().layers.showOf(d, 0, 5), LayerShow::Shown);
}

TEST_F(ViewMenuTest, FindListsFoldedHitsAndShowsEachInTurn) {
    menu().findAction()->trigger();
    FindDock& find = menu().findDock();
    EXPECT_TRUE(find.isVisible());
    find.find(QStringLiteral("room"));
    ASSERT_EQ(find.list()->count(), 3);
    EXPECT_EQ(find.list()->item(0)->text(), QStringLiteral("ＲＯＯＭ 1   [0-3]"));
    EXPECT_EQ(find.list()->item(1)->text(), QStringLiteral("room 2   [0-3]"));
    EXPECT_EQ(find.list()->item(2)->text(), QStringLiteral("Room 3   [0-5, 非表示]"));
    EXPECT_EQ(find.summary()->text(), QStringLiteral("3 件"));
    EXPECT_EQ(find.current(), 0);

    // Each hit is brought to the middle, enlarged.
    auto centred = [&](int i) {
        const TextHit& hit = find.result().hits[size_t(i)];
        const Point2 c = window->view().centre();
        EXPECT_NEAR(c.x, (hit.minX + hit.maxX) / 2, 1e-9) << i;
        EXPECT_NEAR(c.y, (hit.minY + hit.maxY) / 2, 1e-9) << i;
        EXPECT_GT(window->view().zoom(), 2.0) << i;
    };
    centred(0);
    find.chooseNext(1);
    EXPECT_EQ(find.list()->currentRow(), 1);
    centred(1);
    find.chooseNext(1);
    find.chooseNext(1);
    EXPECT_EQ(find.current(), 0);  // round to the first
    find.chooseNext(-1);
    EXPECT_EQ(find.current(), 2);

    // Hidden in the panel now: still found, and said so.
    menu().layerDock().setBoxState(0, 3, LayerShow::Hidden);
    EXPECT_EQ(find.list()->item(0)->text(), QStringLiteral("ＲＯＯＭ 1   [0-3, 非表示]"));
    find.find(QStringLiteral("ｒｏｏｍ　２"));
    EXPECT_EQ(find.list()->count(), 1);
    find.find(QStringLiteral("kitchen"));
    EXPECT_EQ(find.list()->count(), 0);
    EXPECT_EQ(find.summary()->text(), QStringLiteral("見つかりません"));
    EXPECT_EQ(find.current(), -1);
}

TEST_F(ViewMenuTest, MeasuringSnapsReadsAtTheGroupsScaleAndEscLeaves) {
    menu().measureAction()->trigger();
    MeasureTool& tool = menu().measureTool();
    EXPECT_EQ(window->view().tool(), &tool);
    // Near the ends of group 0's line: snapped onto them exactly.
    tool.clickAt(pixelOf(0, 0) + QPointF(3, -2));
    tool.clickAt(pixelOf(100, 0) + QPointF(-2, 3));
    ASSERT_TRUE(tool.second());
    EXPECT_EQ(tool.first()->snap->kind, SnapKind::End);
    EXPECT_EQ(tool.second()->at.x, 100.0);
    EXPECT_EQ(tool.second()->at.y, 0.0);
    EXPECT_EQ(tool.readout(), QStringLiteral("100.00 mm = 10,000 mm at 1/100  0.00°"));
    EXPECT_EQ(menu().readout().text(), tool.readout());

    // Group 1 at 1/50, from its middle to its left end, measured backwards.
    tool.clickAt(pixelOf(50, 50) + QPointF(2, 2));
    EXPECT_EQ(tool.first()->snap->kind, SnapKind::Middle);
    tool.moveTo(pixelOf(0, 50) + QPointF(-3, 0));
    EXPECT_EQ(tool.readout(), QStringLiteral("50.00 mm = 2,500 mm at 1/50  180.00°"));
    EXPECT_FALSE(tool.second());

    // A right click starts over; without snapping, nowhere near a figure: the write group's scale.
    EXPECT_TRUE(tool.pressed(pixelOf(30, 35), Qt::RightButton, Qt::NoModifier));
    EXPECT_FALSE(tool.first());
    tool.clickAt(pixelOf(30, 35), false);
    tool.clickAt(pixelOf(30, 35) + QPointF(0, -30), false);
    EXPECT_FALSE(tool.second()->snap);
    const double up = tool.second()->at.y - tool.first()->at.y;
    EXPECT_GT(up, 0.0);
    EXPECT_EQ(tool.readout(), MeasurementReadout(tool.first()->at, tool.second()->at, 100.0));
    EXPECT_TRUE(tool.readout().endsWith(QStringLiteral("at 1/100  90.00°"))) << tool.readout().toStdString();

    QAction* esc = nullptr;
    for (QAction* a : window->actions())
        if (a->shortcut() == QKeySequence(Qt::Key_Escape)) esc = a;
    ASSERT_NE(esc, nullptr);
    EXPECT_TRUE(esc->isEnabled());
    esc->trigger();
    EXPECT_EQ(window->view().tool(), nullptr);
    EXPECT_FALSE(menu().measureAction()->isChecked());
    EXPECT_EQ(menu().readout().text(), QString());
    EXPECT_FALSE(esc->isEnabled());
}

TEST_F(ViewMenuTest, ThePointersCoordinatesInTheStatusBar) {
    const QPointF at = pixelOf(100, 50);
    QMouseEvent move(QEvent::MouseMove, at, window->view().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&window->view(), &move);
    EXPECT_EQ(menu().coordinates().text(), QStringLiteral("X 100.00  Y 50.00"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&window->view(), &leave);
    EXPECT_EQ(menu().coordinates().text(), QString());
}

TEST_F(ViewMenuTest, RecentDrawingsComeBackWithTheirViews) {
    const QString other = QString::fromStdString(writePlan(dir + "/other.jww"));
    window->view().zoomAbout(QPointF(40, 30), 4.0);
    const Point2 left = window->view().centre();
    const double zoom = window->view().zoom();
    ASSERT_TRUE(window->openDrawingFile(other));
    EXPECT_EQ(window->view().zoom(), 1.0);

    QList<QAction*> items = menu().recentMenu().actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_TRUE(items[0]->text().startsWith(QStringLiteral("&1 other.jww  ("))) << items[0]->text().toStdString();
    EXPECT_TRUE(items[1]->text().startsWith(QStringLiteral("&2 plan.jww  ("))) << items[1]->text().toStdString();
    const std::string ini = readFileText(probe(*window).session().load.path);
    EXPECT_NE(ini.find("[KorvelRecentFiles]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("File1=" + fs::absolute(dir + "/other.jww").lexically_normal().string()), std::string::npos)
        << ini;

    items[1]->trigger();  // the reopen waits for the menu to be done
    QApplication::processEvents();
    EXPECT_EQ(menu().currentFile(), QFileInfo(plan).absoluteFilePath());
    EXPECT_DOUBLE_EQ(window->view().zoom(), zoom);
    EXPECT_NEAR(window->view().centre().x, left.x, 1e-9);
    EXPECT_NEAR(window->view().centre().y, left.y, 1e-9);

    // A drawing that went away leaves the list, and the open says why.
    fs::remove(dir + "/other.jww");
    menu().recentMenu().actions()[1]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(prompts.informations.size(), 1);
    ASSERT_EQ(menu().recent().files().size(), 1u);
    EXPECT_EQ(menu().recent().files()[0].path, fs::absolute(dir + "/plan.jww").lexically_normal().string());

    // Closing keeps the list beside the window's own settings.
    window->close();
    const std::string saved = readFileText(probe(*window).session().load.path);
    EXPECT_NE(saved.find("[KorvelRecentFiles]"), std::string::npos);
    EXPECT_NE(saved.find("View1="), std::string::npos);
    EXPECT_NE(saved.find("[Graphic]"), std::string::npos) << saved;
}

}  // namespace
}  // namespace korvel::test
