// The drawing information dialog and the options dialog: what they show and what they write.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "app/color_button.h"
#include "app/drawing_info_dialog.h"
#include "app/options_dialog.h"
#include "drawing/cp932.h"
#include "window_fixture.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

TEST(DrawingInfo, VersionPositions) {
    const std::pair<uint32_t, int> cases[] = {{351, 0}, {300, 1}, {230, 2}, {225, 3}, {223, 4}, {220, 5},
                                              {250, 0}, {210, 0}, {600, 0}, {0, 0}};
    for (auto [version, position] : cases) EXPECT_EQ(InfoVersionPosition(version), position) << version;
}

TEST(DrawingInfo, MemoIsJoinedWithCrLfAndCutTo64Bytes) {
    EXPECT_EQ(InfoMemoBytes(QString(70, QLatin1Char('a'))), std::string(64, 'a'));
    EXPECT_EQ(InfoMemoBytes(QStringLiteral("one\ntwo")), "one\r\ntwo");
    const std::string kana = Utf8ToCp932("あ");
    ASSERT_EQ(kana.size(), 2u);
    std::string expected;
    for (int i = 0; i < 32; ++i) expected += kana;
    EXPECT_EQ(InfoMemoBytes(QString(40, QChar(0x3042))), expected);
    // One byte ahead of the double-byte characters: the last one would be split, so it goes.
    EXPECT_EQ(InfoMemoBytes(QLatin1Char('a') + QString(40, QChar(0x3042))), "a" + expected.substr(0, 62));
}

using DialogTest = WindowTest;

TEST_F(DialogTest, InformationDialogShowsAndWritesTheHeader) {
    DrawingHeader header;
    header.Version = 250;
    header.PaperSize = 3;
    header.Memo = "memo";
    DrawingInfoDialog& d = probe(*window).infoDialog();
    d.showFor(header);
    EXPECT_EQ(d.versions().checkedId(), 0);
    EXPECT_EQ(d.papers().checkedId(), 3);
    EXPECT_EQ(d.memo().toPlainText(), QStringLiteral("memo"));
    d.papers().button(9)->setChecked(true);  // 10m
    d.memo().setPlainText(QString(70, QLatin1Char('x')));
    d.applyAndClose();
    EXPECT_EQ(header.Version, 351u);
    EXPECT_EQ(header.PaperSize, 9u);
    EXPECT_EQ(header.Memo, std::string(64, 'x'));

    header.Version = 223;
    d.showFor(header);
    EXPECT_EQ(d.versions().checkedId(), 4);
    d.reject();  // the window's own close box
    EXPECT_EQ(header.Version, 223u);
}

class OptionsTest : public WindowTest {
protected:
    OptionsDialog& dialog() { return probe(*window).optionsDialog(); }
    AppSettings& settings() { return probe(*window).settings(); }
    // The dialog edits the own pens of the settings, never the drawing.
    OwnPenSet& pens() { return probe(*window).settings().ownPens; }
};

TEST_F(OptionsTest, DrawingOrderRules) {
    settings().solidFlag = 0;
    dialog().populate();
    EXPECT_FALSE(dialog().solidsFirst->isChecked());
    EXPECT_FALSE(dialog().picturesFirst->isChecked());
    EXPECT_FALSE(dialog().picturesFirst->isEnabled());
    dialog().solidsFirst->click();
    EXPECT_EQ(settings().solidFlag, 1);
    EXPECT_TRUE(dialog().picturesFirst->isEnabled());
    dialog().picturesFirst->click();
    EXPECT_EQ(settings().solidFlag, 2);
    dialog().solidsFirst->click();
    EXPECT_EQ(settings().solidFlag, 0);
    EXPECT_FALSE(dialog().picturesFirst->isChecked());
    EXPECT_FALSE(dialog().picturesFirst->isEnabled());

    settings().solidFlag = 2;
    dialog().populate();
    EXPECT_TRUE(dialog().solidsFirst->isChecked());
    EXPECT_TRUE(dialog().picturesFirst->isChecked());
    dialog().closeDialog();
    EXPECT_EQ(settings().solidFlag, 2);
}

TEST_F(OptionsTest, PopulateShowsEverySwitchBothWays) {
    GraphicOptions& g = settings().graphic;
    g.picturesHidden = true;
    g.bwPlot = true;
    g.bw2Grey = false;
    dialog().populate();
    EXPECT_TRUE(dialog().hidePictures->isChecked());
    EXPECT_FALSE(dialog().builtInOnly->isEnabled());
    EXPECT_FALSE(dialog().builtInOnlyLabel->isEnabled());
    EXPECT_TRUE(dialog().grey->isChecked());
    EXPECT_TRUE(dialog().grey->isEnabled());
    g.picturesHidden = false;
    g.bwPlot = false;
    dialog().populate();
    EXPECT_FALSE(dialog().hidePictures->isChecked());
    EXPECT_TRUE(dialog().builtInOnly->isEnabled());
    EXPECT_FALSE(dialog().twoColour->isEnabled());
    dialog().monochrome->click();
    EXPECT_TRUE(g.bwPlot);
    EXPECT_TRUE(dialog().twoColour->isEnabled());
    dialog().hidePictures->click();
    EXPECT_TRUE(g.picturesHidden);
    EXPECT_FALSE(dialog().builtInOnly->isEnabled());
}

TEST_F(OptionsTest, ClickedControlsWriteAtOnce) {
    GraphicOptions& g = settings().graphic;
    dialog().populate();
    dialog().pngCompression->activated(3);
    EXPECT_EQ(g.pngCompression, 9);
    dialog().gifRle->click();
    EXPECT_FALSE(g.gifLzw);
    dialog().gifDither->activated(4);
    EXPECT_EQ(g.gifDither, 4);
    dialog().outputSize->button(4)->click();
    EXPECT_EQ(settings().outputSizeChoice, 4);
    dialog().customWidth->setText("1500");
    dialog().outputSize->button(6)->click();
    EXPECT_EQ(settings().outputSizeChoice, 6);
    EXPECT_EQ(settings().outputWidth, 1500);
    dialog().ownPens->click();
    EXPECT_TRUE(settings().penColorFlag);
}

TEST_F(OptionsTest, CloseReadsTheBoxesWithTheirFallbacks) {
    settings().outputSizeChoice = 6;
    settings().outputWidth = 900;
    pens().width[3] = 4;
    pens().width[5] = 7;
    dialog().populate();
    EXPECT_EQ(dialog().widths[3]->text(), QStringLiteral("4"));
    dialog().customWidth->setText("abc");
    dialog().widths[3]->setText("0");
    dialog().widths[5]->setText("x");
    dialog().jpegQuality->setText("abc");
    dialog().shiftY->setValue(3);
    dialog().delimiter->setCurrentIndex(2);
    dialog().grey->setChecked(true);
    dialog().closeDialog();
    EXPECT_EQ(settings().outputWidth, 900) << "a width that is no number keeps the old one";
    EXPECT_EQ(pens().width[3], 1u) << "0 becomes 1";
    EXPECT_EQ(pens().width[5], 7u);
    EXPECT_EQ(settings().graphic.jpegValue, 75);
    EXPECT_EQ(settings().textShiftY, 3);
    EXPECT_EQ(settings().textDelimiter, 2);
    EXPECT_FALSE(settings().graphic.bw2Grey);
}

TEST_F(OptionsTest, HatchingBoxesAreStoredOnlyWhileHatchingIsOn) {
    settings().hatchOn = false;
    settings().hatchByLineColor = true;
    dialog().populate();
    EXPECT_FALSE(dialog().lineHatch[1]->isEnabled());
    EXPECT_FALSE(dialog().brushStyle->isEnabled());
    dialog().lineHatch[1]->setText("5");
    dialog().closeDialog();
    EXPECT_EQ(settings().lineColorHatch[2], 1);

    dialog().populate();
    dialog().hatchOn->click();
    EXPECT_TRUE(dialog().lineHatch[1]->isEnabled());
    EXPECT_FALSE(dialog().familyHatch[0]->isEnabled());
    EXPECT_FALSE(dialog().brushStyle->isEnabled());
    dialog().hatchByLine->click();  // off: the combo comes back
    EXPECT_TRUE(dialog().brushStyle->isEnabled());
    dialog().hatchByLine->click();
    dialog().lineHatch[1]->setText("300");
    dialog().lineHatch[2]->setText("x");
    dialog().closeDialog();
    EXPECT_EQ(settings().lineColorHatch[2], 44) << "the low byte of 300";
    EXPECT_EQ(settings().lineColorHatch[3], 1) << "no number falls back to 1";
}

TEST_F(OptionsTest, ColourButtonsTakeTheChosenColour) {
    prompts.colours = {0x123456};
    dialog().populate();
    dialog().colors[3]->click();
    EXPECT_EQ(pens().color[3], 0x123456u);
    EXPECT_EQ(dialog().colors[3]->color(), 0x123456u);
    dialog().colors[4]->click();  // cancelled
    EXPECT_EQ(dialog().colors[4]->color(), pens().color[4]);

    // The face shows the colour.
    dialog().colors[3]->resize(40, 18);
    const QImage face = dialog().colors[3]->grab().toImage();
    EXPECT_EQ(face.pixelColor(20, 9), QColor(0x56, 0x34, 0x12));
}

TEST_F(OptionsTest, TheWindowFollowsTheDialog) {
    prompts.colours = {0x00FF00};
    window->optionsCommand();
    ASSERT_EQ(prompts.shown.size(), 1);
    dialog().colors[2]->click();
    dialog().hidePictures->click();
    dialog().closeDialog();
    window->optionsCommand();  // what the window does after the dialog: menus and own pens
    EXPECT_TRUE(probe(*window).menus().hidePictures->isChecked());
    EXPECT_EQ(settings().ownPens.color[2], 0x00FF00u);
}

}  // namespace
}  // namespace korvel::test
