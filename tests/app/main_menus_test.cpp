// The main window's menus: check marks, captions and visibilities from the settings, and the
// menu commands that change settings.
#include <QAction>

#include "window_fixture.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

using MenuTest = WindowTest;

std::vector<bool> ticks(const std::array<QAction*, 7>& items) {
    std::vector<bool> t;
    for (QAction* a : items) t.push_back(a->isChecked());
    return t;
}

TEST_F(MenuTest, DefaultSettingsShowAsTheirItems) {
    MainMenus& m = probe(*window).menus();
    EXPECT_EQ(ticks(m.outputSize), std::vector<bool>({false, true, false, false, false, false, false}));
    EXPECT_EQ(m.outputSize[6]->text(), QStringLiteral("任意サイズ"));
    EXPECT_EQ(m.jpegQuality->text(), QStringLiteral("画質設定(1-100)... 75"));
    EXPECT_FALSE(m.pngCompression[0]->isChecked());
    EXPECT_TRUE(m.pngCompression[1]->isChecked());
    EXPECT_TRUE(m.gifLzw->isChecked());
    EXPECT_FALSE(m.gifRle->isChecked());
    EXPECT_FALSE(m.solidsFirst->isChecked());
    EXPECT_FALSE(m.picturesFirst->isVisible());
    EXPECT_FALSE(m.monochrome->isChecked());
    EXPECT_FALSE(m.twoColour->isVisible());
    EXPECT_FALSE(m.grey->isVisible());
    EXPECT_TRUE(m.file.print->isVisible());  // printing is offered, with Ctrl+P
    EXPECT_EQ(m.file.print->shortcut(), QKeySequence(QKeySequence::Print));
    EXPECT_FALSE(m.file.printFit->isChecked());
    for (QAction* a : {m.jpegProgressive, m.pngInterlace, m.pngTransparent, m.hidePictures, m.thinLines,
                       m.realScale, m.hideAuxLines, m.clipboardWatch})
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
}

TEST_F(MenuTest, EverySettingOfTheFileShowsInTheMenus) {
    window = makeWindow("menus_from_file",
                        "[Graphic]\nJpegValue=90\nJpegPrgrs=1\nPNGComp=5\nPNGInlc=1\nPNGTrans=1\nGIFComp=0\n"
                        "SolidFlag=2\nBwPlotFlg=1\nBw2GFlg=0\nGrpFlg=1\nSenFlg=1\nAuxLineFlg=1\nRealScaleFlg=1\n"
                        "[Form]\noutWsizeF=6\noutWsize=1000\nCBmonitorFlg=1\n");
    MainMenus& m = probe(*window).menus();
    EXPECT_EQ(ticks(m.outputSize), std::vector<bool>({false, false, false, false, false, false, true}));
    EXPECT_EQ(m.outputSize[6]->text(), QStringLiteral("任意サイズ... 1000"));
    EXPECT_EQ(m.jpegQuality->text(), QStringLiteral("画質設定(1-100)... 90"));
    EXPECT_TRUE(m.pngCompression[3]->isChecked()) << "any other level shows as the best ratio";
    EXPECT_FALSE(m.pngCompression[1]->isChecked());
    EXPECT_TRUE(m.gifRle->isChecked());
    EXPECT_FALSE(m.gifLzw->isChecked());
    EXPECT_TRUE(m.solidsFirst->isChecked());
    EXPECT_TRUE(m.picturesFirst->isVisible());
    EXPECT_TRUE(m.picturesFirst->isChecked());
    EXPECT_TRUE(m.monochrome->isChecked());
    EXPECT_TRUE(m.twoColour->isVisible());
    EXPECT_FALSE(m.twoColour->isChecked());
    EXPECT_TRUE(m.grey->isChecked());
    for (QAction* a : {m.jpegProgressive, m.pngInterlace, m.pngTransparent, m.hidePictures, m.thinLines,
                       m.realScale, m.hideAuxLines, m.clipboardWatch})
        EXPECT_TRUE(a->isChecked()) << a->text().toStdString();
}

TEST_F(MenuTest, OutOfRangeValuesLeaveCaptionsAndTicks) {
    window = makeWindow("menus_out_of_range", "[Graphic]\nJpegValue=101\nSolidFlag=1\n[Form]\noutWsizeF=9\n");
    MainMenus& m = probe(*window).menus();
    EXPECT_EQ(m.jpegQuality->text(), QStringLiteral("画質設定 (1-100)... 75"));
    EXPECT_EQ(ticks(m.outputSize), std::vector<bool>(7, false));
    EXPECT_TRUE(m.picturesFirst->isVisible());
    EXPECT_FALSE(m.picturesFirst->isChecked());
}

TEST_F(MenuTest, DisplaySizeChoiceTakesTheDrawingAreaWidth) {
    window = makeWindow("menus_display_size", "[Form]\noutWsizeF=0\noutWsize=1234\n");
    // The width is the drawing area's when a picture is made: at start the area is not laid out
    // yet (Qt's first guess is 100 pixels), and the window may be resized before the copy.
    window->show();
    QCoreApplication::processEvents();
    const int shown = window->view().width();
    EXPECT_GT(shown, 100);
    EXPECT_EQ(window->exportOptions().width, shown);
    window->resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_NE(window->view().width(), shown);
    EXPECT_EQ(window->exportOptions().width, window->view().width());
    // The file's own width is kept for the file.
    EXPECT_EQ(probe(*window).settings().outputWidth, 1234);
    probe(*window).menus().outputSize[3]->trigger();
    EXPECT_EQ(probe(*window).settings().outputWidth, 480);
    EXPECT_EQ(probe(*window).settings().outputSizeChoice, 3);
    EXPECT_EQ(ticks(probe(*window).menus().outputSize), std::vector<bool>({false, false, false, true, false, false, false}));
}

TEST_F(MenuTest, DrawingTogglesChangeTheirSettingAndRepaint) {
    MainMenus& m = probe(*window).menus();
    GraphicOptions& g = probe(*window).settings().graphic;
    struct Case {
        QAction* item;
        bool* setting;
    } cases[] = {{m.hidePictures, &g.picturesHidden}, {m.thinLines, &g.thinLines},
                 {m.realScale, &g.realScale}, {m.hideAuxLines, &g.auxLineHidden}};
    for (const Case& c : cases) {
        const int before = probe(*window).repaintRequests();
        c.item->trigger();
        EXPECT_TRUE(*c.setting) << c.item->text().toStdString();
        EXPECT_TRUE(c.item->isChecked());
        c.item->trigger();
        EXPECT_FALSE(*c.setting);
        EXPECT_EQ(probe(*window).repaintRequests(), before + 2) << c.item->text().toStdString();
    }
}

TEST_F(MenuTest, EncoderTogglesChangeOnlyTheirSetting) {
    MainMenus& m = probe(*window).menus();
    AppSettings& s = probe(*window).settings();
    const int before = probe(*window).repaintRequests();
    m.jpegProgressive->trigger();
    m.pngInterlace->trigger();
    m.pngTransparent->trigger();
    m.clipboardWatch->trigger();
    EXPECT_TRUE(s.graphic.jpegProgressive);
    EXPECT_TRUE(s.graphic.pngInterlaced);
    EXPECT_TRUE(s.graphic.pngTransparent);
    EXPECT_TRUE(s.clipboardWatching);
    EXPECT_EQ(probe(*window).repaintRequests(), before);
}

TEST_F(MenuTest, RadioItemsActOnlyWhenUnticked) {
    MainMenus& m = probe(*window).menus();
    GraphicOptions& g = probe(*window).settings().graphic;
    m.pngCompression[0]->trigger();
    EXPECT_EQ(g.pngCompression, 0);
    EXPECT_TRUE(m.pngCompression[0]->isChecked());
    EXPECT_FALSE(m.pngCompression[1]->isChecked());
    m.pngCompression[0]->trigger();  // already ticked
    EXPECT_TRUE(m.pngCompression[0]->isChecked());
    EXPECT_EQ(g.pngCompression, 0);
    m.pngCompression[3]->trigger();
    EXPECT_EQ(g.pngCompression, 9);
    m.pngCompression[2]->trigger();
    EXPECT_EQ(g.pngCompression, 1);
    EXPECT_FALSE(m.pngCompression[3]->isChecked());

    m.gifRle->trigger();
    EXPECT_FALSE(g.gifLzw);
    EXPECT_FALSE(m.gifLzw->isChecked());
    m.gifRle->trigger();
    EXPECT_TRUE(m.gifRle->isChecked());
    EXPECT_FALSE(g.gifLzw);
    m.gifLzw->trigger();
    EXPECT_TRUE(g.gifLzw);
    EXPECT_FALSE(m.gifRle->isChecked());
}

TEST_F(MenuTest, DrawingOrderItemsSetTheSolidFlag) {
    MainMenus& m = probe(*window).menus();
    AppSettings& s = probe(*window).settings();
    m.solidsFirst->trigger();
    EXPECT_EQ(s.solidFlag, 1);
    EXPECT_TRUE(m.picturesFirst->isVisible());
    m.picturesFirst->trigger();
    EXPECT_EQ(s.solidFlag, 2);
    EXPECT_EQ(window->drawing().header.DisplayOption[2], 2u) << "the render reads the order from the header";
    m.solidsFirst->trigger();
    EXPECT_EQ(s.solidFlag, 0);
    EXPECT_FALSE(m.picturesFirst->isVisible());
    EXPECT_TRUE(m.picturesFirst->isChecked()) << "the sub-item keeps its own tick";
    m.picturesFirst->setVisible(true);
    m.picturesFirst->trigger();
    EXPECT_EQ(s.solidFlag, 1);
}

TEST_F(MenuTest, MonochromeItemsWorkAsAPair) {
    MainMenus& m = probe(*window).menus();
    GraphicOptions& g = probe(*window).settings().graphic;
    m.monochrome->trigger();
    EXPECT_TRUE(g.bwPlot);
    EXPECT_TRUE(m.twoColour->isVisible());
    EXPECT_TRUE(m.grey->isVisible());
    EXPECT_TRUE(m.twoColour->isChecked());
    EXPECT_FALSE(m.grey->isChecked());
    const int before = probe(*window).repaintRequests();
    m.twoColour->trigger();  // clicking the ticked one
    EXPECT_FALSE(m.twoColour->isChecked());
    EXPECT_TRUE(m.grey->isChecked());
    EXPECT_FALSE(g.bw2Grey);
    m.twoColour->trigger();
    EXPECT_TRUE(g.bw2Grey);
    m.grey->trigger();
    EXPECT_FALSE(g.bw2Grey);
    EXPECT_TRUE(m.grey->isChecked());
    EXPECT_EQ(probe(*window).repaintRequests(), before + 3);
    m.monochrome->trigger();
    EXPECT_FALSE(g.bwPlot);
    EXPECT_FALSE(m.twoColour->isVisible());
    EXPECT_FALSE(m.grey->isVisible());
}

TEST_F(MenuTest, CustomWidthBox) {
    MainMenus& m = probe(*window).menus();
    AppSettings& s = probe(*window).settings();
    prompts.inputs = {{true, "1000"}, {true, "abc"}, {true, "0"}, {true, "-5"}, {false, ""}};
    m.outputSize[6]->trigger();
    EXPECT_EQ(s.outputWidth, 1000);
    EXPECT_EQ(s.outputSizeChoice, 6);
    EXPECT_EQ(m.outputSize[6]->text(), QStringLiteral("任意サイズ... 1000"));

    m.outputSize[6]->trigger();  // letters count as 320
    EXPECT_EQ(s.outputWidth, 320);
    EXPECT_EQ(m.outputSize[6]->text(), QStringLiteral("任意サイズ... 320"));

    m.outputSize[2]->trigger();
    ASSERT_EQ(s.outputWidth, 320);
    ASSERT_EQ(s.outputSizeChoice, 2);
    for (int i = 0; i < 2; ++i) {  // 0 and below change nothing
        m.outputSize[6]->trigger();
        EXPECT_EQ(s.outputSizeChoice, 2);
        EXPECT_EQ(s.outputWidth, 320);
        EXPECT_EQ(ticks(m.outputSize), std::vector<bool>({false, false, true, false, false, false, false}));
    }
    m.outputSize[6]->trigger();  // cancelled
    EXPECT_EQ(prompts.informations, QStringList{QStringLiteral("中止します")});
    EXPECT_EQ(s.outputSizeChoice, 2);
    EXPECT_EQ(ticks(m.outputSize), std::vector<bool>({false, false, true, false, false, false, false}));
}

TEST_F(MenuTest, JpegQualityBox) {
    MainMenus& m = probe(*window).menus();
    GraphicOptions& g = probe(*window).settings().graphic;
    prompts.inputs = {{true, "90"}, {true, "abc"}, {true, "0"}, {true, "101"}, {true, "100"}, {false, ""}};
    m.jpegQuality->trigger();
    EXPECT_EQ(g.jpegValue, 90);
    EXPECT_EQ(m.jpegQuality->text(), QStringLiteral("画質設定(1-100)... 90"));
    m.jpegQuality->trigger();
    EXPECT_EQ(g.jpegValue, 75) << "letters count as 75";
    m.jpegQuality->trigger();
    m.jpegQuality->trigger();
    EXPECT_EQ(g.jpegValue, 75) << "0 and 101 change nothing";
    EXPECT_EQ(m.jpegQuality->text(), QStringLiteral("画質設定(1-100)... 75"));
    m.jpegQuality->trigger();
    EXPECT_EQ(g.jpegValue, 100);
    m.jpegQuality->trigger();
    EXPECT_EQ(g.jpegValue, 100);
    EXPECT_EQ(prompts.informations, QStringList{QStringLiteral("中止します")});
}

}  // namespace
}  // namespace korvel::test
