// The options dialog: its pages, Populate, the on-click rules and Close.
#include "app/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/color_button.h"
#include "app/jwcad_import.h"
#include "app/option_table.h"

namespace korvel {

namespace {

const char* const kSizeCaptions[7] = {"表示画面サイズ", "２００（横幅）", "３２０", "４８０",
                                      "６４０", "８００", "任意サイズ　："};
const char* const kPenCaptions[10] = {"背景色：", "線色１：", "線色２：", "線色３：", "線色４：",
                                      "線色５：", "線色６：", "線色７：", "線色８：", "補助色："};
const char* const kFamilyCaptions[8] = {"赤色系：", "黄色系：", "緑色系：", "水色系：",
                                        "青色系：", "紫色系：", "白色系：", "黒色系："};
const char* const kBrushCaptions[8] = {" １：■　Solid", " ２：□　Clear", " ３：／　BDiagonal",
                                       " ４：＼　FDiagonal", " ５：＋　Cross", " ６：×　DiagCross",
                                       " ７：―　Horizontal\t", " ８：｜　Vertical"};

void fill(QComboBox* box, const char* const* items, int count) {
    for (int i = 0; i < count; ++i) box->addItem(QString::fromUtf8(items[i]));
}

// A list of the option table's values, in its order, each item carrying the value's number: the
// same values the command line and the settings file take.
void fillChoices(QComboBox* box, const char* option) {
    for (const OptionValue& v : OptionValues(option))
        box->addItem(QString::fromUtf8(v.caption), QVariant::fromValue(static_cast<int>(v.number)));
}

int numberAt(const QComboBox* box, int index, int fallback) {
    const QVariant v = box->itemData(index);
    return v.isValid() ? v.toInt() : fallback;
}

void showNumber(QComboBox* box, int number) { box->setCurrentIndex(box->findData(number)); }

QLineEdit* smallBox(QWidget* parent, int width = 40) {
    auto* e = new QLineEdit(parent);
    e->setFixedWidth(width);
    return e;
}

// A box's integer, or `fallback` when it holds none.
int boxValue(const QLineEdit* box, int fallback) {
    int v = fallback;
    return ParseWholeNumber(box->text(), v) ? v : fallback;
}

void bindCheck(QCheckBox* box, bool& setting) {
    QObject::connect(box, &QCheckBox::clicked, box, [&setting](bool on) { setting = on; });
}

}  // namespace

OptionsDialog::OptionsDialog(SettingsSession& session, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), session_(session), pens_(session.settings.ownPens), prompts_(prompts) {
    setWindowTitle(QStringLiteral("　ｵﾌﾟｼｮﾝ設定"));
    setFixedSize(624, 472);
    auto* layout = new QVBoxLayout(this);
    pages = new QTabWidget(this);
    pages->addTab(buildDrawingPage(), QStringLiteral(" 描画条件 "));
    pages->addTab(buildOutputPage(), QStringLiteral(" 画像等出力設定 "));
    pages->addTab(buildPenPage(), QStringLiteral(" Jww条件 "));
    layout->addWidget(pages);
    closeButton = new QPushButton(QStringLiteral("閉 じ る"), this);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    connect(closeButton, &QPushButton::clicked, this, &OptionsDialog::closeDialog);
    connectRules();
    populate();
}

QWidget* OptionsDialog::buildDrawingPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* sizeBox = new QGroupBox(QStringLiteral(" 出力画像サイズ "), page);
    auto* sizeLayout = new QGridLayout(sizeBox);
    outputSize = new QButtonGroup(sizeBox);
    for (int i = 0; i < 7; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(kSizeCaptions[i]), sizeBox);
        outputSize->addButton(b, i);
        sizeLayout->addWidget(b, i, 0);
    }
    customWidth = smallBox(sizeBox, 60);
    sizeLayout->addWidget(customWidth, 6, 1);
    grid->addWidget(sizeBox, 0, 0, 3, 1);

    auto* order = new QGroupBox(page);
    auto* orderLayout = new QVBoxLayout(order);
    solidsFirst = new QCheckBox(QStringLiteral("画像・ソリッド図先行描画"), order);
    picturesFirst = new QRadioButton(QStringLiteral("画像を先行"), order);
    orderLayout->addWidget(solidsFirst);
    orderLayout->addWidget(picturesFirst);
    grid->addWidget(order, 0, 1);

    auto* mono = new QGroupBox(page);
    auto* monoLayout = new QVBoxLayout(mono);
    monochrome = new QCheckBox(QStringLiteral("モノクロ描画"), mono);
    twoColour = new QRadioButton(QStringLiteral("白黒表示"), mono);
    grey = new QRadioButton(QStringLiteral("グレー表示"), mono);
    monoLayout->addWidget(monochrome);
    monoLayout->addWidget(twoColour);
    monoLayout->addWidget(grey);
    grid->addWidget(mono, 1, 1);

    auto* switches = new QGroupBox(page);
    auto* sw = new QVBoxLayout(switches);
    hidePictures = new QCheckBox(QStringLiteral("文読挿入画像ﾃﾞｰﾀを表示しない"), switches);
    builtInOnly = new QCheckBox(QStringLiteral("文読画像ﾃﾞｰﾀ表示に [Susie Plig-in]を"), switches);
    builtInOnlyLabel = new QLabel(QStringLiteral("　　利用しない（BMP,JPG,GIF,PNGのみ表示）"), switches);
    thinLines = new QCheckBox(QStringLiteral("線幅を [１] に固定して描画する"), switches);
    realScale = new QCheckBox(QStringLiteral("メタファイルを実縮尺（近似値）で転送"), switches);
    hideAuxLines = new QCheckBox(QStringLiteral("補助線を描画しない"), switches);
    for (QWidget* w : std::initializer_list<QWidget*>{hidePictures, builtInOnly, builtInOnlyLabel, thinLines,
                                                      realScale, hideAuxLines})
        sw->addWidget(w);
    grid->addWidget(switches, 2, 1);

    auto* watch = new QGroupBox(QStringLiteral(" ｸﾘｯﾌﾟﾎﾞｰﾄﾞ監視設定  "), page);
    auto* watchLayout = new QVBoxLayout(watch);
    clipboardWatch = new QCheckBox(QStringLiteral("Jwwﾃﾞｰﾀ＞ｸﾘｯﾌﾟﾎﾞｰﾄﾞ転送時即、MF化"), watch);
    watchLayout->addWidget(clipboardWatch);
    grid->addWidget(watch, 3, 0, 1, 2);
    return page;
}

QWidget* OptionsDialog::buildOutputPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* jpeg = new QGroupBox(QStringLiteral(" JPEGﾊﾟﾗﾒｰﾀ設定  "), page);
    auto* jl = new QGridLayout(jpeg);
    jl->addWidget(new QLabel(QStringLiteral("画質設定（1-100）　："), jpeg), 0, 0);
    jpegQuality = smallBox(jpeg);
    jl->addWidget(jpegQuality, 0, 1);
    jpegProgressive = new QCheckBox(QStringLiteral(" ﾌﾟﾛｸﾞﾚｯｼﾌﾞﾀｲﾌﾟで保存"), jpeg);
    jl->addWidget(jpegProgressive, 1, 0, 1, 2);
    grid->addWidget(jpeg, 0, 0);

    auto* png = new QGroupBox(QStringLiteral(" PNGﾊﾟﾗﾒｰﾀ設定  "), page);
    auto* pl = new QGridLayout(png);
    pl->addWidget(new QLabel(QStringLiteral("圧縮方法設定："), png), 0, 0);
    pngCompression = new QComboBox(png);
    fillChoices(pngCompression, "--png-compression");
    pl->addWidget(pngCompression, 0, 1);
    pngInterlace = new QCheckBox(QStringLiteral("インターレス　設定有り"), png);
    pngTransparent = new QCheckBox(QStringLiteral("背景を透明色(Jww背景色)にする"), png);
    pl->addWidget(pngInterlace, 1, 0, 1, 2);
    pl->addWidget(pngTransparent, 2, 0, 1, 2);
    grid->addWidget(png, 1, 0);

    auto* gif = new QGroupBox(QStringLiteral(" GIFﾊﾟﾗﾒｰﾀ設定 "), page);
    auto* gl = new QGridLayout(gif);
    auto* method = new QGroupBox(QStringLiteral(" 圧縮方法 "), gif);
    auto* ml = new QHBoxLayout(method);
    gifLzw = new QRadioButton(QStringLiteral("LZW"), method);
    gifRle = new QRadioButton(QStringLiteral("RLE"), method);
    ml->addWidget(gifLzw);
    ml->addWidget(gifRle);
    gl->addWidget(method, 0, 0, 1, 2);
    gl->addWidget(new QLabel(QStringLiteral("ディザmode："), gif), 1, 0);
    gifDither = new QComboBox(gif);
    fillChoices(gifDither, "--gif-dither");
    gl->addWidget(gifDither, 1, 1);
    gl->addWidget(new QLabel(QStringLiteral("減色方法："), gif), 2, 0);
    gifReduction = new QComboBox(gif);
    fillChoices(gifReduction, "--gif-colors");
    gl->addWidget(gifReduction, 2, 1);
    grid->addWidget(gif, 0, 1, 2, 1);

    auto* text = new QGroupBox(QStringLiteral(" 文字データ出力設定 "), page);
    auto* tl = new QGridLayout(text);
    tl->addWidget(new QLabel(QStringLiteral("同行と見なすＹ座標のズレ値(mm)："), text), 0, 0);
    shiftY = new QSpinBox(text);
    shiftY->setRange(0, 10);
    tl->addWidget(shiftY, 0, 1);
    tl->addWidget(new QLabel(QStringLiteral("行データ内の区切り文字："), text), 1, 0);
    delimiter = new QComboBox(text);
    fillChoices(delimiter, "--delimiter");
    tl->addWidget(delimiter, 1, 1);
    textToClipboard = new QCheckBox(QStringLiteral("クリップボードへ文字データを出力する"), text);
    tl->addWidget(textToClipboard, 2, 0, 1, 2);
    grid->addWidget(text, 2, 0, 1, 2);
    return page;
}

QWidget* OptionsDialog::buildPenPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* pens = new QGroupBox(QStringLiteral(" 線色／線幅設定 "), page);
    auto* pl = new QGridLayout(pens);
    pl->setVerticalSpacing(2);
    for (int row = 0; row < 10; ++row) {
        const int n = row == 9 ? 0 : row + 1;  // the pens first, the background last
        pl->addWidget(new QLabel(QString::fromUtf8(kPenCaptions[n]), pens), row, 0);
        colors[n] = new ColorButton(QString(), pens);
        pl->addWidget(colors[n], row, 1);
        if (n != 0) {
            widths[n] = smallBox(pens, 32);
            pl->addWidget(widths[n], row, 2);
        }
    }
    pl->addWidget(new QLabel(QStringLiteral("グレー："), pens), 10, 0);
    greyButton = new ColorButton(QString(), pens);
    greyButton->setColor(0xC0C0C0);
    pl->addWidget(greyButton, 10, 1);
    widths[0] = smallBox(pens, 32);
    pl->addWidget(widths[0], 10, 2);
    defaults = new QPushButton(QStringLiteral(" Default "), pens);
    pl->addWidget(defaults, 11, 0);
    pl->addWidget(new QLabel(QStringLiteral("[ Jww設定値に戻す ]"), pens), 11, 1, 1, 2);
    ownPens = new QCheckBox(QStringLiteral("　設定した線色を有効し描画する"), pens);
    pl->addWidget(ownPens, 12, 0, 1, 3);
    grid->addWidget(pens, 0, 0);

    auto* hatch = new QGroupBox(QStringLiteral(" ソリッドハッチング設定 "), page);
    auto* hl = new QGridLayout(hatch);
    hl->setVerticalSpacing(2);
    hatchOn = new QCheckBox(QStringLiteral("ソリッドハッチング"), hatch);
    hatchByLine = new QCheckBox(QStringLiteral("線色ハッチング"), hatch);
    hatchByFamily = new QCheckBox(QStringLiteral("任意色ハッチング"), hatch);
    hl->addWidget(hatchOn, 0, 0, 1, 4);
    hl->addWidget(hatchByLine, 1, 0, 1, 2);
    hl->addWidget(hatchByFamily, 1, 2, 1, 2);
    hl->addWidget(new QLabel(QStringLiteral(" 線 色ﾊｯﾁﾊﾟﾀｰﾝ"), hatch), 2, 0, 1, 2);
    hl->addWidget(new QLabel(QStringLiteral(" 任意色ﾊｯﾁﾊﾟﾀｰﾝ "), hatch), 2, 2, 1, 2);
    for (int i = 0; i < 9; ++i) {
        hl->addWidget(new QLabel(QString::fromUtf8(kPenCaptions[i + 1]), hatch), 3 + i, 0);
        lineHatch[i] = smallBox(hatch, 28);
        hl->addWidget(lineHatch[i], 3 + i, 1);
    }
    for (int i = 0; i < 8; ++i) {
        hl->addWidget(new QLabel(QString::fromUtf8(kFamilyCaptions[i]), hatch), 3 + i, 2);
        familyHatch[i] = smallBox(hatch, 28);
        hl->addWidget(familyHatch[i], 3 + i, 3);
    }
    hl->addWidget(new QLabel(QStringLiteral("１：■　２：□　３：／　４：＼\n５：＋　６：×　７：－　８：｜"), hatch),
                  12, 0, 1, 4);
    brushStyle = new QComboBox(hatch);
    fill(brushStyle, kBrushCaptions, 8);
    hl->addWidget(brushStyle, 13, 0, 1, 4);
    grid->addWidget(hatch, 0, 1);
    return page;
}

void OptionsDialog::connectRules() {
    AppSettings& s = session_.settings;
    GraphicOptions& g = s.graphic;
    connect(outputSize, &QButtonGroup::idClicked, this, [this, &s](int id) {
        s.outputSizeChoice = id;
        if (id == 6) s.outputWidth = boxValue(customWidth, s.outputWidth);
    });
    connect(solidsFirst, &QCheckBox::clicked, this, [this, &s](bool on) {
        if (!on) picturesFirst->setChecked(false);
        picturesFirst->setEnabled(on);
        s.solidFlag = on ? (picturesFirst->isChecked() ? 2 : 1) : 0;
    });
    connect(picturesFirst, &QRadioButton::clicked, this, [this, &s] {
        s.solidFlag = solidsFirst->isChecked() ? (picturesFirst->isChecked() ? 2 : 1) : 0;
    });
    connect(monochrome, &QCheckBox::clicked, this, [this, &g](bool on) {
        g.bwPlot = on;
        twoColour->setEnabled(on);
        grey->setEnabled(on);
    });
    connect(hidePictures, &QCheckBox::clicked, this, [this, &g](bool on) {
        g.picturesHidden = on;
        builtInOnly->setEnabled(!on);
        builtInOnlyLabel->setEnabled(!on);
    });
    bindCheck(builtInOnly, g.builtInDecodersOnly);
    bindCheck(thinLines, g.thinLines);
    bindCheck(realScale, g.realScale);
    bindCheck(hideAuxLines, g.auxLineHidden);
    bindCheck(clipboardWatch, s.clipboardWatching);
    bindCheck(jpegProgressive, g.jpegProgressive);
    bindCheck(pngInterlace, g.pngInterlaced);
    bindCheck(pngTransparent, g.pngTransparent);
    bindCheck(textToClipboard, s.textToClipboard);
    bindCheck(ownPens, s.penColorFlag);
    connect(pngCompression, &QComboBox::activated, this,
            [this, &g](int i) { g.pngCompression = numberAt(pngCompression, i, -1); });
    connect(gifLzw, &QRadioButton::clicked, this, [&g] { g.gifLzw = true; });
    connect(gifRle, &QRadioButton::clicked, this, [&g] { g.gifLzw = false; });
    connect(gifDither, &QComboBox::activated, this, [this, &g](int i) { g.gifDither = numberAt(gifDither, i, i); });
    connect(gifReduction, &QComboBox::activated, this,
            [this, &g](int i) { g.gifSubColor = numberAt(gifReduction, i, i); });
    connect(brushStyle, &QComboBox::activated, this, [&s](int i) {
        s.solidBrushStyle = i >= 0 && i < 8 ? static_cast<BrushStyle>(i) : BrushStyle::Solid;
    });
    connect(hatchOn, &QCheckBox::clicked, this, [this, &s](bool on) {
        s.hatchOn = on;
        updateHatchControls();
    });
    connect(hatchByLine, &QCheckBox::clicked, this, [this, &s](bool on) {
        s.hatchByLineColor = on;
        updateHatchControls();
    });
    connect(hatchByFamily, &QCheckBox::clicked, this, [this, &s](bool on) {
        s.hatchByColorFamily = on;
        updateHatchControls();
    });
    for (int n = 0; n < 10; ++n)
        connect(colors[n], &QPushButton::clicked, this, [this, n] { chooseColor(n); });
    connect(defaults, &QPushButton::clicked, this, [this] {
        // Jw_cad's pens where its settings have them; the others stay as they are.
        DrawingHeader table;
        RestoreOwnPens(session_.settings, table);
        ImportJwCadSettings(session_.registry(), table, session_.jwcadText);
        SaveOwnPens(session_.settings, table);
        showPens();
        closeButton->setFocus();
    });
}

void OptionsDialog::chooseColor(int index) {
    uint32_t colour = pens_.color[index];
    if (prompts_.chooseColor(colour)) {
        colors[index]->setColor(colour);
        pens_.color[index] = colour;
    }
    closeButton->setFocus();
}

// Which hatching controls can be used follows the three hatching switches.
void OptionsDialog::updateHatchControls() {
    const AppSettings& s = session_.settings;
    hatchByLine->setEnabled(s.hatchOn);
    hatchByFamily->setEnabled(s.hatchOn);
    brushStyle->setEnabled(s.hatchOn && !s.hatchByLineColor && !s.hatchByColorFamily);
    for (QLineEdit* box : lineHatch) box->setEnabled(s.hatchOn && s.hatchByLineColor);
    for (QLineEdit* box : familyHatch) box->setEnabled(s.hatchOn && s.hatchByColorFamily);
}

void OptionsDialog::showPens() {
    for (int n = 0; n < 10; ++n) {
        colors[n]->setColor(pens_.color[n]);
        widths[n]->setText(QString::number(static_cast<int32_t>(pens_.width[n])));
    }
}

void OptionsDialog::populate() {
    const AppSettings& s = session_.settings;
    const GraphicOptions& g = s.graphic;
    customWidth->setText(QString::number(s.outputWidth));
    jpegQuality->setText(QString::number(g.jpegValue));
    if (QAbstractButton* b = outputSize->button(s.outputSizeChoice)) {
        b->setChecked(true);
    } else {
        outputSize->setExclusive(false);
        for (QAbstractButton* other : outputSize->buttons()) other->setChecked(false);
        outputSize->setExclusive(true);
    }

    picturesFirst->setEnabled(true);
    solidsFirst->setChecked(s.solidFlag == 1 || s.solidFlag == 2);
    picturesFirst->setAutoExclusive(false);
    picturesFirst->setChecked(s.solidFlag == 2);
    picturesFirst->setAutoExclusive(true);
    if (s.solidFlag != 1 && s.solidFlag != 2) picturesFirst->setEnabled(false);

    twoColour->setChecked(g.bw2Grey);
    grey->setChecked(!g.bw2Grey);
    monochrome->setChecked(g.bwPlot);
    twoColour->setEnabled(g.bwPlot);
    grey->setEnabled(g.bwPlot);

    hidePictures->setChecked(g.picturesHidden);
    builtInOnly->setEnabled(!g.picturesHidden);
    builtInOnlyLabel->setEnabled(!g.picturesHidden);
    builtInOnly->setChecked(g.builtInDecodersOnly);
    thinLines->setChecked(g.thinLines);
    realScale->setChecked(g.realScale);
    hideAuxLines->setChecked(g.auxLineHidden);
    clipboardWatch->setChecked(s.clipboardWatching);
    jpegProgressive->setChecked(g.jpegProgressive);
    pngInterlace->setChecked(g.pngInterlaced);
    pngTransparent->setChecked(g.pngTransparent);
    textToClipboard->setChecked(s.textToClipboard);
    ownPens->setChecked(s.penColorFlag);

    if (pngCompression->findData(g.pngCompression) >= 0) showNumber(pngCompression, g.pngCompression);
    gifLzw->setChecked(g.gifLzw);
    gifRle->setChecked(!g.gifLzw);
    showNumber(gifDither, g.gifDither);
    showNumber(gifReduction, g.gifSubColor);

    shiftY->setValue(s.textShiftY);
    delimiter->setCurrentIndex(std::max(0, delimiter->findData(s.textDelimiter)));
    brushStyle->setCurrentIndex(static_cast<int>(s.solidBrushStyle));

    hatchOn->setChecked(s.hatchOn);
    hatchByLine->setChecked(s.hatchByLineColor);
    hatchByFamily->setChecked(s.hatchByColorFamily);
    updateHatchControls();
    for (int i = 0; i < 9; ++i) lineHatch[i]->setText(QString::number(s.lineColorHatch[i + 1]));
    for (int i = 0; i < 8; ++i) familyHatch[i]->setText(QString::number(s.colorFamilyHatch[i + 1]));
    showPens();
}

void OptionsDialog::closeDialog() {
    AppSettings& s = session_.settings;
    s.graphic.bw2Grey = twoColour->isChecked();
    if (!solidsFirst->isChecked()) s.solidFlag = 0;
    else s.solidFlag = picturesFirst->isEnabled() && picturesFirst->isChecked() ? 2 : 1;
    if (s.outputSizeChoice == 6) {
        // A width that is not a positive number keeps the width in force.
        const int width = boxValue(customWidth, s.outputWidth);
        if (width > 0) s.outputWidth = width;
    }
    if (s.hatchOn && s.hatchByLineColor)
        for (int i = 0; i < 9; ++i) s.lineColorHatch[i + 1] = static_cast<uint8_t>(boxValue(lineHatch[i], 1));
    if (s.hatchOn && s.hatchByColorFamily)
        for (int i = 0; i < 8; ++i) s.colorFamilyHatch[i + 1] = static_cast<uint8_t>(boxValue(familyHatch[i], 1));
    for (int n = 0; n < 10; ++n) {
        const int old = static_cast<int32_t>(pens_.width[n]);
        const int width = boxValue(widths[n], old);
        pens_.width[n] = static_cast<uint32_t>(width == 0 ? 1 : width);
    }
    s.graphic.jpegValue = boxValue(jpegQuality, s.graphic.jpegValue);
    s.textShiftY = shiftY->value();
    s.textDelimiter = numberAt(delimiter, delimiter->currentIndex(), 0);
    accept();
}

}  // namespace korvel
