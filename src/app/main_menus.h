// The main window's menus: every caption, the check marks and visibilities that mirror the
// settings, and the menu commands that change only settings (sizes, encoders, drawing toggles).
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>

#include "app/app_settings.h"
#include "app/user_prompts.h"

class QAction;
class QMenu;
class QMenuBar;

namespace korvel {

// The file, redraw, tool and help commands; the window connects them.
struct FileMenuActions {
    QAction* newDrawing = nullptr;       // "新規(&N)"
    QAction* open = nullptr;             // "Jwwデータを開く(&O)"
    QAction* save = nullptr;             // "Jwwデータを保存(&A)"
    QAction* openDamaged = nullptr;      // "不正なJwwデータを開く"
    QAction* transfer = nullptr;         // "Jwwデータを [Jw_win] に転送"
    QAction* copyPicture = nullptr;      // "クリップボードに画像をコピー(&C)"
    QAction* copyText = nullptr;         // "クリップボードに文字データをコピー(&C)"
    QAction* savePicture = nullptr;      // "画像データで保存(&S)"
    QAction* information = nullptr;      // "Jwwデータ情報"
    QAction* print = nullptr;            // "印刷(&P)...": the print dialog (Ctrl+P)
    QAction* printPreview = nullptr;     // "印刷プレビュー..."
    QAction* printFit = nullptr;         // "用紙に合わせて印刷": scaled to the paper, else real scale
    QAction* exit = nullptr;             // "終了(&X)"
    QAction* redrawScreen = nullptr;     // "画面"
    QAction* redrawClipboard = nullptr;  // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ"
    QAction* metafileTool = nullptr;     // "Clipboard-Matefile > BMP"
    QAction* options = nullptr;          // "全ｵﾌﾟｼｮﾝ設定"
    QAction* help = nullptr;             // "ヘルプ(&T)"
    QAction* version = nullptr;          // "バージョン(&V)"
};

class MainMenus : public QObject {
    Q_OBJECT
public:
    // `displayWidth` answers the drawing area's width for the output-size choice 0;
    // `drawingChanged` repaints after a drawing toggle.
    MainMenus(QMenuBar& bar, AppSettings& settings, UserPrompts& prompts,
              std::function<int()> displayWidth, std::function<void()> drawingChanged);

    // Ticks, captions and visibilities from the settings (start and after the options dialog).
    void applySettings();

    FileMenuActions file;
    QMenu* redrawMenu = nullptr;

    // Output size "表示画面サイズ" .. "任意サイズ" (choices 0..6).
    std::array<QAction*, 7> outputSize{};
    QAction* jpegQuality = nullptr;
    QAction* jpegProgressive = nullptr;
    // "非圧縮", "標準圧縮", "圧縮速度優先（圧縮率低下）", "最高圧縮率（圧縮速度低下）".
    std::array<QAction*, 4> pngCompression{};
    QAction* pngInterlace = nullptr;
    QAction* pngTransparent = nullptr;
    QAction* gifLzw = nullptr;
    QAction* gifRle = nullptr;
    QAction* solidsFirst = nullptr;    // "画像・ｿﾘｯﾄﾞ図先行描画"
    QAction* picturesFirst = nullptr;  // "  ---- 画像先行描画"
    QAction* monochrome = nullptr;     // "モノクロ描画"
    QAction* twoColour = nullptr;      // "  ---- ２色表示"
    QAction* grey = nullptr;           // "  ---- ｸﾞﾚｰ色表示"
    QAction* hidePictures = nullptr;   // "文読画像ﾃﾞｰﾀを非表示"
    QAction* thinLines = nullptr;      // "線幅を［１］に固定"
    QAction* realScale = nullptr;      // "ﾒﾀﾌｧｲﾙを実縮尺転送"
    QAction* hideAuxLines = nullptr;   // "補助線を描画しない"
    QAction* clipboardWatch = nullptr; // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ監視設定"

    // "PNGComp" of each PNG item: the option table's levels, in its order.
    static int pngLevel(int index);

    // Menu commands that change settings, as the menu items run them.
    void chooseOutputSize(int choice);
    void askJpegQuality();

signals:
    void clipboardWatchingChanged(bool on);

private:
    void buildFileMenu(QMenuBar& bar);
    void buildRedrawMenu(QMenuBar& bar);
    void buildOptionsMenu(QMenuBar& bar);
    void buildHelpMenu(QMenuBar& bar);
    QAction* addToggle(QMenu& menu, const QString& caption, bool& setting, bool repaints);
    void choosePngLevel(int index, bool nowChecked);
    void chooseGif(bool lzw, bool nowChecked);
    void toggleSolidsFirst(bool on);
    void togglePicturesFirst(bool on);
    void toggleMonochrome(bool on);
    void flipMonochromeStyle();
    void askCustomWidth();
    void tickOutputSize(int choice);

    AppSettings& settings_;
    UserPrompts& prompts_;
    std::function<int()> displayWidth_;
    std::function<void()> drawingChanged_;
};

// Captions that follow the settings.
QString CustomWidthCaption(int width);     // "任意サイズ... 1000"
QString JpegQualityCaption(int quality);   // "画質設定(1-100)... 90"

}  // namespace korvel
