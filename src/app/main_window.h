// The main window: menus, toolbar, the drawing area and the status bar of nine panels; start-up
// and shutdown, and the file, output and dialog commands.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/drawing_view.h"
#include "app/main_menus.h"
#include "app/settings_session.h"
#include "app/user_prompts.h"
#include "app/warning_bar.h"
#include "app/window_geometry.h"
#include "drawing/drawing.h"
#include "drawing/loaders.h"
#include "render/record_index.h"
#include "output/export_options.h"

class QPrinter;
class QToolBar;
class QUrl;

namespace korvel {

class ClipWatcher;
class DrawingInfoDialog;
class OptionsDialog;
class PictureCache;
class MainWindow;
class NoticePanel;
class Temf2bmp;
class ViewMenu;


class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `prompts` answers the window's questions (the desktop's dialogs, or a test's script).
    MainWindow(SettingsSession session, UserPrompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Operations other parts of the program use.
    void UpdateStatusBar();
    void FitWindowToDrawing();
    void RepaintDrawing();

    // Tells in the window what went wrong at start that changes what the window does: a settings
    // file that cannot be read, so that nothing changed in this window will be saved to it.
    void tellStartupProblems();

    // Opens a drawing file by its name (command line, dropped files): the kind follows the
    // extension or the magic. False, with the reason shown, when it could not be read.
    bool openDrawingFile(const QString& path);
    bool hasDrawing() const { return drawing_.ExpectedCount != 0; }

    // Menu commands.
    void newDrawing();
    void openCommand();
    void saveCommand();
    void openDamagedCommand();
    void copyPicture();
    void copyText();
    void savePicture();
    void printCommand();         // the print dialog, then the page
    void printPreviewCommand();  // the print preview, which can print too
    // Prints the drawing onto the printer as it is set up (paper, orientation, output file), at
    // real scale or, with the menu's "用紙に合わせて印刷", fitted. False when nothing was printed.
    bool printTo(QPrinter& printer);
    void informationCommand();
    void redrawScreen();
    void optionsCommand();
    void helpCommand();
    void versionCommand();
    void exitCommand();
    // Opens the clipboard-metafile tool when the clipboard holds an enhanced metafile.
    void CBemf2BmpClick();
    // The clipboard with Jw_win.
    void transferToJwWin();   // "Jwwデータを [Jw_win] に転送"
    void rereadClipboard();   // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ" in the redraw menu
    // The watcher's change handler: converts new "Jw_win" data while watching is on.
    void clipboardChanged();

    // Shows what a load or a render met (replacing that source's earlier warnings) in the strip
    // above the drawing, and on standard error.
    void showWarnings(WarningSource source, const std::vector<std::string>& warnings);

    // The drawing, to change: a render under way stops first, and what was kept of it goes.
    Drawing& drawing() {
        drawingChanging();
        return drawing_;
    }
    DrawingView& view() { return *view_; }

    // The export settings of the picture commands.
    ExportOptions exportOptions() const;
    RenderOptions renderOptions() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The tests' view of the widgets and counters (tests/main_window_probe.h).
    friend struct MainWindowProbe;

    void create();
    void buildToolBar();
    void buildStatusBar();
    void connectCommands();
    // What the view's render thread draws, with the options of this moment.
    DrawingView::RenderJob renderJob();
    // Commands that load or change the drawing stop a render under way first.
    void whenIdle(std::function<void()> command);
    bool loadBytesOf(const QString& path, DataKind kind, bool damaged);
    void afterLoad(const QString& path, bool updateStatus);
    // A load replaced the drawing: the view starts fitted (or as the file was left), and the
    // panels follow. `path` is empty for data that came from no file.
    void drawingReplaced(const QString& path);
    QString folderName() const;
    void setFolderFromFile(const QString& path);
    void startupLoad();
    bool loadTempJwz();
    // The drawing is about to be replaced or changed: the render thread lets go of it, and the
    // decoded pictures and the record index of the old one go.
    void drawingChanging();
    void reportError(const std::string& message);
    // What a save or transfer left out of what it wrote, in an information box.
    void reportWriteWarnings(const QString& what, const std::vector<std::string>& warnings);
    void reportPenProblem(const std::string& problem) const;

    SettingsSession session_;
    UserPrompts& prompts_;
    Drawing drawing_;
    std::unique_ptr<PictureCache> pictures_;
    // Built by the render thread at the first render of a drawing; only touched by the window
    // while no render runs.
    std::unique_ptr<RecordIndex> index_;
    MainMenus* menus_ = nullptr;
    DrawingView* view_ = nullptr;
    ViewMenu* viewMenu_ = nullptr;
    WarningBar* warnings_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::array<QLabel*, kStatusPanels> panels_{};
    NoticePanel* renderNotices_ = nullptr;
    DrawingInfoDialog* infoDialog_ = nullptr;
    OptionsDialog* optionsDialog_ = nullptr;
    QDialog* versionDialog_ = nullptr;
    QString tempJwzPath_;
    ClipWatcher* clipWatcher_ = nullptr;
    int clipboardConversions_ = 0;
    bool statusDragging_ = false;
    bool settingsSaved_ = false;
    int repaintRequests_ = 0;
    Temf2bmp* metafileTool_ = nullptr;
    mutable std::string lastPenProblem_;
    std::function<bool(const QUrl&)> openUrl_;
};

// The window program: `korvel [settings options] [FILE...]`.
int RunWindowProgram(int argc, char** argv);

}  // namespace korvel
