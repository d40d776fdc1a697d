// Menu captions, check marks that mirror the settings, and the settings-only menu commands.
#include "app/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/option_table.h"

namespace korvel {

namespace {

const char* const kOutputSizeCaptions[7] = {"表示画面サイズ", "２００(横幅）", "３２０", "４８０",
                                            "６４０", "８００", "任意サイズ"};
const int kOutputWidths[6] = {0, 200, 320, 480, 640, 800};

QAction* addCheckable(QMenu& menu, const QString& caption) {
    QAction* a = menu.addAction(caption);
    a->setCheckable(true);
    return a;
}

}  // namespace

int MainMenus::pngLevel(int index) {
    return static_cast<int>(OptionValues("--png-compression").at(static_cast<size_t>(index)).number);
}

QString CustomWidthCaption(int width) { return QStringLiteral("任意サイズ... ") + QString::number(width); }
QString JpegQualityCaption(int quality) {
    return QStringLiteral("画質設定(1-100)... ") + QString::number(quality);
}

MainMenus::MainMenus(QMenuBar& bar, AppSettings& settings, UserPrompts& prompts,
                     std::function<int()> displayWidth, std::function<void()> drawingChanged)
    : QObject(&bar),
      settings_(settings),
      prompts_(prompts),
      displayWidth_(std::move(displayWidth)),
      drawingChanged_(std::move(drawingChanged)) {
    buildFileMenu(bar);
    buildRedrawMenu(bar);
    QMenu* tools = bar.addMenu(QStringLiteral("ツール(&T)"));
    file.metafileTool = tools->addAction(QStringLiteral("Clipboard-Matefile > BMP"));
    buildOptionsMenu(bar);
    buildHelpMenu(bar);
}

void MainMenus::buildFileMenu(QMenuBar& bar) {
    QMenu* m = bar.addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file.newDrawing = m->addAction(QStringLiteral("新規(&N)"));
    file.open = m->addAction(QStringLiteral("Jwwデータを開く(&O)"));
    file.save = m->addAction(QStringLiteral("Jwwデータを保存(&A)"));
    m->addSeparator();
    file.openDamaged = m->addAction(QStringLiteral("不正なJwwデータを開く"));
    file.transfer = m->addAction(QStringLiteral("Jwwデータを [Jw_win] に転送"));
    m->addSeparator();
    file.copyPicture = m->addAction(QStringLiteral("クリップボードに画像をコピー(&C)"));
    file.copyText = m->addAction(QStringLiteral("クリップボードに文字データをコピー(&C)"));
    file.savePicture = m->addAction(QStringLiteral("画像データで保存(&S)"));
    m->addSeparator();
    file.information = m->addAction(QStringLiteral("Jwwデータ情報"));
    file.print = m->addAction(QStringLiteral("印刷(&P)..."));
    file.print->setShortcut(QKeySequence::Print);
    file.printPreview = m->addAction(QStringLiteral("印刷プレビュー..."));
    file.printFit = m->addAction(QStringLiteral("用紙に合わせて印刷"));
    file.printFit->setCheckable(true);
    m->addSeparator();
    file.exit = m->addAction(QStringLiteral("終了(&X)"));
}

void MainMenus::buildRedrawMenu(QMenuBar& bar) {
    redrawMenu = bar.addMenu(QStringLiteral("再描画(&R)"));
    file.redrawScreen = redrawMenu->addAction(QStringLiteral("画面"));
    file.redrawClipboard = redrawMenu->addAction(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞ"));
}

QAction* MainMenus::addToggle(QMenu& menu, const QString& caption, bool& setting, bool repaints) {
    QAction* a = addCheckable(menu, caption);
    connect(a, &QAction::triggered, this, [this, &setting, repaints](bool on) {
        setting = on;
        if (repaints) drawingChanged_();
    });
    return a;
}

void MainMenus::buildOptionsMenu(QMenuBar& bar) {
    GraphicOptions& g = settings_.graphic;
    QMenu* m = bar.addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    file.options = m->addAction(QStringLiteral("全ｵﾌﾟｼｮﾝ設定"));
    m->addSeparator();

    QMenu* size = m->addMenu(QStringLiteral("出力画像サイズ(&S)"));
    for (int i = 0; i < 7; ++i) {
        outputSize[i] = addCheckable(*size, QString::fromUtf8(kOutputSizeCaptions[i]));
        connect(outputSize[i], &QAction::triggered, this, [this, i] { chooseOutputSize(i); });
    }

    QMenu* jpeg = m->addMenu(QStringLiteral("JPEGﾊﾟﾗﾒｰﾀ設定"));
    jpegQuality = jpeg->addAction(QStringLiteral("画質設定 (1-100)... 75"));
    connect(jpegQuality, &QAction::triggered, this, [this] { askJpegQuality(); });
    jpegProgressive = addToggle(*jpeg, QStringLiteral("ﾌﾟﾛｸﾞﾚｯｼﾌﾞﾀｲﾌﾟで保存"), g.jpegProgressive, false);

    QMenu* png = m->addMenu(QStringLiteral("PNGﾊﾟﾗﾒｰﾀ設定"));
    QMenu* pngLevels = png->addMenu(QStringLiteral("圧縮方法設定"));
    const std::vector<OptionValue>& levels = OptionValues("--png-compression");
    for (int i = 0; i < 4; ++i) {
        pngCompression[i] = addCheckable(*pngLevels, QString::fromUtf8(levels[i].caption));
        connect(pngCompression[i], &QAction::triggered, this, [this, i](bool on) { choosePngLevel(i, on); });
    }
    pngInterlace = addToggle(*png, QStringLiteral("インターレス  ＞有り"), g.pngInterlaced, false);
    pngTransparent = addToggle(*png, QStringLiteral("背景を透明色"), g.pngTransparent, false);

    QMenu* gif = m->addMenu(QStringLiteral("GIFﾊﾟﾗﾒｰﾀ設定"));
    QMenu* gifMethod = gif->addMenu(QStringLiteral("圧縮方式"));
    gifLzw = addCheckable(*gifMethod, QStringLiteral("LZW"));
    gifRle = addCheckable(*gifMethod, QStringLiteral("RLE"));
    connect(gifLzw, &QAction::triggered, this, [this](bool on) { chooseGif(true, on); });
    connect(gifRle, &QAction::triggered, this, [this](bool on) { chooseGif(false, on); });
    m->addSeparator();

    solidsFirst = addCheckable(*m, QStringLiteral("画像・ｿﾘｯﾄﾞ図先行描画"));
    picturesFirst = addCheckable(*m, QStringLiteral("  ---- 画像先行描画"));
    connect(solidsFirst, &QAction::triggered, this, [this](bool on) { toggleSolidsFirst(on); });
    connect(picturesFirst, &QAction::triggered, this, [this](bool on) { togglePicturesFirst(on); });
    monochrome = addCheckable(*m, QStringLiteral("モノクロ描画"));
    twoColour = addCheckable(*m, QStringLiteral("  ---- ２色表示"));
    grey = addCheckable(*m, QStringLiteral("  ---- ｸﾞﾚｰ色表示"));
    connect(monochrome, &QAction::triggered, this, [this](bool on) { toggleMonochrome(on); });
    connect(twoColour, &QAction::triggered, this, [this] { flipMonochromeStyle(); });
    connect(grey, &QAction::triggered, this, [this] { flipMonochromeStyle(); });
    hidePictures = addToggle(*m, QStringLiteral("文読画像ﾃﾞｰﾀを非表示"), g.picturesHidden, true);
    thinLines = addToggle(*m, QStringLiteral("線幅を［１］に固定"), g.thinLines, true);
    realScale = addToggle(*m, QStringLiteral("ﾒﾀﾌｧｲﾙを実縮尺転送"), g.realScale, true);
    hideAuxLines = addToggle(*m, QStringLiteral("補助線を描画しない"), g.auxLineHidden, true);
    m->addSeparator();
    clipboardWatch = addCheckable(*m, QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞ監視設定"));
    connect(clipboardWatch, &QAction::triggered, this, [this](bool on) {
        settings_.clipboardWatching = on;
        emit clipboardWatchingChanged(on);
    });
}

void MainMenus::buildHelpMenu(QMenuBar& bar) {
    QMenu* m = bar.addMenu(QStringLiteral("ヘルプ(&H)"));
    file.help = m->addAction(QStringLiteral("ヘルプ(&T)"));
    file.version = m->addAction(QStringLiteral("バージョン(&V)"));
}

void MainMenus::applySettings() {
    const GraphicOptions& g = settings_.graphic;
    tickOutputSize(settings_.outputSizeChoice);
    if (settings_.outputSizeChoice == 6) outputSize[6]->setText(CustomWidthCaption(settings_.outputWidth));
    if (g.jpegValue >= 1 && g.jpegValue <= 100) jpegQuality->setText(JpegQualityCaption(g.jpegValue));
    jpegProgressive->setChecked(g.jpegProgressive);
    pngInterlace->setChecked(g.pngInterlaced);
    pngTransparent->setChecked(g.pngTransparent);
    hidePictures->setChecked(g.picturesHidden);
    thinLines->setChecked(g.thinLines);
    realScale->setChecked(g.realScale);
    hideAuxLines->setChecked(g.auxLineHidden);
    clipboardWatch->setChecked(settings_.clipboardWatching);

    int png = 3;  // any other level shows as the best ratio
    for (int i = 0; i < 3; ++i)
        if (g.pngCompression == pngLevel(i)) png = i;
    for (int i = 0; i < 4; ++i) pngCompression[i]->setChecked(i == png);
    gifLzw->setChecked(g.gifLzw);
    gifRle->setChecked(!g.gifLzw);

    solidsFirst->setChecked(settings_.solidFlag == 1 || settings_.solidFlag == 2);
    picturesFirst->setVisible(solidsFirst->isChecked());
    picturesFirst->setChecked(settings_.solidFlag == 2);

    monochrome->setChecked(g.bwPlot);
    twoColour->setVisible(g.bwPlot);
    grey->setVisible(g.bwPlot);
    if (g.bwPlot) {
        twoColour->setChecked(g.bw2Grey);
        grey->setChecked(!g.bw2Grey);
    }
}

void MainMenus::tickOutputSize(int choice) {
    for (int i = 0; i < 7; ++i) outputSize[i]->setChecked(i == choice);
}

void MainMenus::chooseOutputSize(int choice) {
    if (choice == 6) {
        askCustomWidth();
        return;
    }
    tickOutputSize(choice);
    settings_.outputSizeChoice = choice;
    settings_.outputWidth = choice == 0 ? displayWidth_() : kOutputWidths[choice];
}

void MainMenus::askCustomWidth() {
    tickOutputSize(6);
    QString text;
    if (!prompts_.inputText(QStringLiteral("出力画質サイズ(横幅）"),
                            QStringLiteral("出力画像の横幅設定。\n(数値は、余り大き過ぎないよう注意)"), text)) {
        prompts_.information(QStringLiteral("中止します"));
        tickOutputSize(settings_.outputSizeChoice);
        return;
    }
    int width = 320;
    ParseWholeNumber(text, width);
    if (width <= 0) {
        // The width stays, so the tick goes back to the choice that is still in force.
        tickOutputSize(settings_.outputSizeChoice);
        return;
    }
    settings_.outputWidth = width;
    settings_.outputSizeChoice = 6;
    outputSize[6]->setText(CustomWidthCaption(width));
}

void MainMenus::askJpegQuality() {
    QString text;
    if (!prompts_.inputText(QStringLiteral("画質設定"),
                            QStringLiteral("jepg画像の画質の設定。１～１００までの値を\n入力して下さい。\n"
                                           "(数値が大きくなる程、高画質、低圧縮率)"),
                            text)) {
        prompts_.information(QStringLiteral("中止します"));
        return;
    }
    int quality = 75;
    ParseWholeNumber(text, quality);
    if (quality < 1 || quality > 100) return;
    settings_.graphic.jpegValue = quality;
    jpegQuality->setText(JpegQualityCaption(quality));
}

void MainMenus::choosePngLevel(int index, bool nowChecked) {
    // A click on the ticked item changes nothing; Qt has already unticked it, so tick it again.
    if (!nowChecked) {
        pngCompression[index]->setChecked(true);
        return;
    }
    for (int i = 0; i < 4; ++i) pngCompression[i]->setChecked(i == index);
    settings_.graphic.pngCompression = pngLevel(index);
}

void MainMenus::chooseGif(bool lzw, bool nowChecked) {
    QAction* clicked = lzw ? gifLzw : gifRle;
    if (!nowChecked) {
        clicked->setChecked(true);
        return;
    }
    (lzw ? gifRle : gifLzw)->setChecked(false);
    settings_.graphic.gifLzw = lzw;
}

void MainMenus::toggleSolidsFirst(bool on) {
    settings_.solidFlag = on ? 1 : 0;
    picturesFirst->setVisible(on);
    drawingChanged_();
}

void MainMenus::togglePicturesFirst(bool on) {
    settings_.solidFlag = on ? 2 : 1;
    drawingChanged_();
}

void MainMenus::toggleMonochrome(bool on) {
    settings_.graphic.bwPlot = on;
    twoColour->setVisible(on);
    grey->setVisible(on);
    if (on) {
        twoColour->setChecked(settings_.graphic.bw2Grey);
        grey->setChecked(!settings_.graphic.bw2Grey);
    }
    drawingChanged_();
}

void MainMenus::flipMonochromeStyle() {
    // Either item of the pair flips both ticks; the ticks mirror "Bw2GFlg".
    settings_.graphic.bw2Grey = !settings_.graphic.bw2Grey;
    twoColour->setChecked(settings_.graphic.bw2Grey);
    grey->setChecked(!settings_.graphic.bw2Grey);
    drawingChanged_();
}

}  // namespace korvel
