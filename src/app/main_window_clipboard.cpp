// The main window and the clipboard it shares with Jw_win: the start-up load, the re-read
// command, the transfer to Jw_win, the watcher's conversion and the picture copy.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <cstdio>

#include "app/clip_watcher.h"
#include "drawing/printable_text.h"
#include "app/jwwin_clipboard.h"
#include "app/main_window.h"
#include "drawing/drawing_builder.h"
#include "platform/registry_source.h"
#include "platform/x11_window_list.h"
#include "render/picture_cache.h"

namespace korvel {

void MainWindow::reportError(const std::string& message) {
    std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(message).c_str());
    prompts_.information(QString::fromStdString(message));
}

bool MainWindow::loadTempJwz() {
    drawingChanging();
    const LoadResult r = LoadJwWinFile(drawing_, tempJwzPath_);
    if (!r.ok) std::fprintf(stderr, "korvel: %s: %s\n", qPrintable(tempJwzPath_), EscapeControlCharacters(r.error).c_str());
    showWarnings(WarningSource::Load, r.warnings);
    return r.ok;
}

void MainWindow::startupLoad() {
    drawingChanging();
    RefreshDrawingName(drawing_, session_.registry(), QApplication::applicationDirPath().toStdString());
    const ClipboardSaveResult saved = SaveClipboardJwWinData(tempJwzPath_);
    if (!saved.written) {
        if (!saved.error.empty()) std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(saved.error).c_str());
        return;
    }
    TakeDrawingNameFromJwWin(drawing_, X11WindowTitleSource());
    // The path built before came from the name of before; read the drawing Jw_win has open.
    RebuildDrawingPath(drawing_);
    const bool lent = LoadHeaderOfJwWinDrawing(drawing_, DefaultWinePrefix());
    const DrawingHeader jwWinHeader = drawing_.header;
    if (!loadTempJwz()) return;
    if (lent) LendHeader(drawing_, jwWinHeader);
    UpdateStatusBar();
    drawingReplaced(QString());
    FitWindowToDrawing();
}

void MainWindow::rereadClipboard() {
    whenIdle([this] {
        const ClipboardSaveResult saved = SaveClipboardJwWinData(tempJwzPath_);
        if (!saved.present) return;
        if (!saved.written) return reportError(saved.error);
        if (!loadTempJwz()) return;
        UpdateStatusBar();
        drawingReplaced(QString());
        RepaintDrawing();
    });
}

void MainWindow::transferToJwWin() {
    if (!hasDrawing()) {
        prompts_.information(QStringLiteral("データが、ありません。"));
        return;
    }
    // Our own write must not look like a copy made in Jw_win.
    const bool watching = session_.settings.clipboardWatching;
    session_.settings.clipboardWatching = false;
    view_->stopRender();  // the writer notes where the records start in the drawing
    const TransferResult r = PlaceDrawingForJwWin(drawing_);
    session_.settings.clipboardWatching = watching;
    if (!r.ok) return reportError("Jw_win data: " + r.error);
    reportWriteWarnings(QStringLiteral("Jw_win data"), r.warnings);
}

void MainWindow::clipboardChanged() {
    if (!session_.settings.clipboardWatching) return;
    if (view_->rendering()) {
        whenIdle([this] { clipboardChanged(); });
        return;
    }
    QElapsedTimer timer;
    timer.start();
    drawingChanging();
    const ClipboardLoad load = LoadJwWinFromClipboard(drawing_, tempJwzPath_, session_.registry(), session_.jwcadText);
    switch (load.outcome) {
        case ClipboardLoad::Outcome::NoData: return;
        case ClipboardLoad::Outcome::FileError: return reportError(load.error);
        case ClipboardLoad::Outcome::ReadFailed:
            std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(load.error).c_str());
            return;
        case ClipboardLoad::Outcome::Loaded: break;
    }
    showWarnings(WarningSource::Load, load.warnings);
    UpdateStatusBar();
    drawingReplaced(QString());
    FitWindowToDrawing();
    RepaintDrawing();

    ExportOptions options = exportOptions();
    options.clearBackground = true;
    bool superseded = false;
    const ClipboardPictureResult picture = PlaceClipboardPicture(drawing_, options, load.owner, superseded);
    if (superseded) return;
    if (!picture.ok) return reportError("clipboard picture: " + picture.error);
    ++clipboardConversions_;
    std::fprintf(stderr, "korvel: clipboard drawing converted in %lld ms (%d x %d)\n",
                 static_cast<long long>(timer.elapsed()), picture.width, picture.height);
}

void MainWindow::copyPicture() {
    if (!hasDrawing()) return;
    const ClipboardPictureResult r = CopyImageToClipboard(drawing_, exportOptions());
    if (!r.ok) reportError("clipboard picture: " + r.error);
}

}  // namespace korvel
