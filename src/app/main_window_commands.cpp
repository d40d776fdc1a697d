// The main window's menu commands: files, pictures, texts and the dialogs.
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QUrl>
#include <cstdio>

#include "app/drawing_info_dialog.h"
#include "app/drawing_printer.h"
#include "drawing/printable_text.h"
#include "app/main_window.h"
#include "app/options_dialog.h"
#include "app/view_menu.h"
#include "drawing/cp932.h"
#include "drawing/file_extension.h"
#include "drawing/loaders.h"
#include "output/image_export.h"
#include "output/raster_render.h"
#include "output/save_image_file.h"
#include "output/text_export.h"
#include "render/picture_cache.h"

namespace korvel {

namespace {

const QString kJwwFilter = QStringLiteral("Jww形式ﾃﾞｰﾀ(*.jww);;すべてのﾌｧｲﾙ(*.*)");
const QString kImageFilter = QStringLiteral(
    "BMPﾌｧｲﾙ(*.BMP);;JPEGﾌｧｲﾙ(*.JPG);;PNGﾌｧｲﾙ(*.PNG);;GIFﾌｧｲﾙ(*.GIF);;"
    "ｴﾝﾊﾝｽﾄﾞﾒﾀﾌｧｲﾙ(*.EMF);;ﾒﾀﾌｧｲﾙ(*.WMF);;PDFﾌｧｲﾙ(*.PDF);;SVGﾌｧｲﾙ(*.SVG)");
const QString kNoData = QStringLiteral("Jw_winﾃﾞｰﾀが、ありません。");

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The extension the image-save dialog's filter adds to a name without one.
QString imageExtensionForFilter(int index) {
    switch (index) {
        case 2: return QStringLiteral(".jpg");
        case 3: return QStringLiteral(".png");
        case 4: return QStringLiteral(".gif");
        case 5: return QStringLiteral(".emf");
        case 6: return QStringLiteral(".wmf");
        case 7: return QStringLiteral(".pdf");
        case 8: return QStringLiteral(".svg");
        default: return QStringLiteral(".bmp");
    }
}

}  // namespace

QString MainWindow::folderName() const { return QString::fromStdString(session_.settings.folderName); }

void MainWindow::setFolderFromFile(const QString& path) {
    QString folder = QFileInfo(path).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    session_.settings.folderName = folder.toStdString();
}

void MainWindow::afterLoad(const QString& path, bool updateStatus) {
    if (updateStatus) {
        UpdateStatusBar();
        setFolderFromFile(path);
    }
    drawingChanging();
    drawingReplaced(updateStatus ? path : QString());
    FitWindowToDrawing();
    RepaintDrawing();
}

void MainWindow::drawingReplaced(const QString& path) {
    viewMenu_->leaveFile();
    view_->resetView();
    view_->setFrame(drawing_.extents);
    viewMenu_->drawingReplaced(path);
}

bool MainWindow::loadBytesOf(const QString& path, DataKind kind, bool damaged) {
    drawingChanging();
    const LoadResult r = LoadFile(drawing_, local(path), damaged, &kind);
    if (!r.ok) std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(r.error).c_str());
    showWarnings(WarningSource::Load, r.warnings);
    return r.ok;
}

bool MainWindow::openDrawingFile(const QString& path) {
    if (view_->rendering()) {
        whenIdle([this, path] { openDrawingFile(path); });
        return true;
    }
    drawingChanging();
    const LoadResult r = LoadFile(drawing_, local(path));
    showWarnings(WarningSource::Load, r.warnings);
    if (!r.ok) {
        prompts_.information(QString::fromStdString(r.error));
        return false;
    }
    afterLoad(path, true);
    return true;
}

void MainWindow::newDrawing() {
    whenIdle([this] {
        // The records stay until the next load; only the counts say the drawing is gone.
        drawingChanging();
        drawing_.ExpectedCount = 0;
        drawing_.top.clear();
        drawing_.members.clear();
        warnings_->clear();
        viewMenu_->leaveFile();
        viewMenu_->drawingReplaced(QString());
        RepaintDrawing();
    });
}

void MainWindow::openCommand() {
    whenIdle([this] {
        FileChoice choice;
        if (!prompts_.openFile(folderName(), kJwwFilter, choice)) return;
        if (choice.filterIndex == 1) {
            if (loadBytesOf(choice.path, DataKind::Jww, false)) afterLoad(choice.path, true);
            return;
        }
        const std::string path = local(choice.path);
        if (HasExtension(path, ".jws") && loadBytesOf(choice.path, DataKind::Jws, false))
            afterLoad(choice.path, true);
        else if (HasExtension(path, ".jwz") && loadBytesOf(choice.path, DataKind::Jwz, false))
            afterLoad(choice.path, true);
    });
}

void MainWindow::openDamagedCommand() {
    whenIdle([this] {
        prompts_.information(QStringLiteral(" 不正なJwwDataFileをテストロードします。\n"));
        FileChoice choice;
        if (!prompts_.openFile(folderName(), kJwwFilter, choice)) return;
        if (choice.filterIndex == 1) {
            const bool ok = loadBytesOf(choice.path, DataKind::Jww, true);
            afterLoad(choice.path, ok);
            return;
        }
        if (HasExtension(local(choice.path), ".jws") &&
            loadBytesOf(choice.path, DataKind::Jws, false))
            afterLoad(choice.path, true);
    });
}

void MainWindow::saveCommand() {
    if (!hasDrawing()) {
        prompts_.information(kNoData);
        return;
    }
    FileChoice choice;
    if (!prompts_.saveFile(folderName(), kJwwFilter, choice) || choice.filterIndex != 1) return;
    const QFileInfo chosen(choice.path);
    const QString base = chosen.fileName().section(QLatin1Char('.'), 0, 0);
    const QString target = chosen.dir().filePath(base + QStringLiteral(".jww"));
    SaveResult saved;
    view_->stopRender();  // the writer notes where the records start in the drawing
    const std::vector<uint8_t> bytes = SaveJwwBytes(drawing_, 0, saved);
    if (!saved.ok) {
        prompts_.information(target + QStringLiteral(": ") + QString::fromStdString(saved.error));
        return;
    }
    std::string error;
    if (!WriteFileAtomically(local(target), bytes, error)) {
        prompts_.information(QString::fromStdString(error));
        return;
    }
    setFolderFromFile(target);
    reportWriteWarnings(target, saved.warnings);
}

void MainWindow::reportWriteWarnings(const QString& what, const std::vector<std::string>& warnings) {
    if (warnings.empty()) return;
    QString text = what + QStringLiteral(" was written, but:");
    for (const std::string& w : warnings) {
        std::fprintf(stderr, "korvel: %s: %s\n", qPrintable(what), w.c_str());
        text += QStringLiteral("\n・") + QString::fromStdString(w);
    }
    prompts_.information(text);
}

void MainWindow::copyText() {
    const AppSettings& s = session_.settings;
    if (!s.textToClipboard) return;
    const std::string rows = TextExport(drawing_, s.textDelimiter, s.textShiftY);
    QApplication::clipboard()->setText(QString::fromStdString(Cp932ToUtf8(rows)));
}

void MainWindow::savePicture() {
    if (!hasDrawing()) {
        prompts_.information(QStringLiteral("ﾃﾞｰﾀが、ありません。"));
        return;
    }
    FileChoice choice;
    if (!prompts_.saveFile(folderName(), kImageFilter, choice)) return;
    QString name = choice.path;
    if (FileExtension(local(name)).empty()) name += imageExtensionForFilter(choice.filterIndex);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SaveImageResult r = SaveImageFile(drawing_, local(name), exportOptions());
    QApplication::restoreOverrideCursor();
    if (!r.ok && !r.error.empty()) {
        prompts_.information(QString::fromStdString(r.error));
        return;
    }
    // A page on paper can leave records off its edges; that is worth a word.
    ImageFormat format;
    if (ImageFormatFromExtension(FileExtension(local(name)), format) && IsPageFormat(format))
        reportWriteWarnings(name, r.warnings);
    setFolderFromFile(name);
}

bool MainWindow::printTo(QPrinter& printer) {
    if (!hasDrawing()) return false;
    std::vector<std::string> warnings;
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed =
        PrintDrawing(printer, drawing_, exportOptions(), menus_->file.printFit->isChecked(), warnings, error);
    QApplication::restoreOverrideCursor();
    if (!printed) {
        prompts_.information(QString::fromStdString(error));
        return false;
    }
    if (!warnings.empty()) {
        QString text = QStringLiteral("印刷しましたが:");
        for (const std::string& w : warnings) {
            std::fprintf(stderr, "korvel: print: %s\n", w.c_str());
            text += QStringLiteral("\n・") + QString::fromStdString(w);
        }
        prompts_.information(text);
    }
    return true;
}

void MainWindow::printCommand() {
    if (!hasDrawing()) {
        prompts_.information(kNoData);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, drawing_, exportOptions());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer);
}

void MainWindow::printPreviewCommand() {
    if (!hasDrawing()) {
        prompts_.information(kNoData);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, drawing_, exportOptions());
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { printTo(*p); });
    preview.exec();
}

void MainWindow::informationCommand() {
    if (!hasDrawing()) {
        prompts_.information(kNoData);
        return;
    }
    infoDialog_->showFor(drawing_.header);
    prompts_.showModal(*infoDialog_);
}

void MainWindow::redrawScreen() {
    if (!hasDrawing()) return;
    view_->resetView();
    FitWindowToDrawing();
    RepaintDrawing();
}

void MainWindow::optionsCommand() {
    optionsDialog_->populate();
    prompts_.showModal(*optionsDialog_);
    menus_->applySettings();
    RepaintDrawing();
}

void MainWindow::helpCommand() {
    const QString dir = QApplication::applicationDirPath();
    const QStringList candidates = {
        QDir(dir).filePath(QStringLiteral("../share/korvel/help/index.html")),
        QDir(dir).filePath(QStringLiteral("../docs/help/index.html")),
        QStringLiteral(KORVEL_INSTALLED_HELP)};
    for (const QString& c : candidates) {
        if (!QFileInfo::exists(c)) continue;
        const QString file = QFileInfo(c).absoluteFilePath();
        if (!openUrl_(QUrl::fromLocalFile(file)))
            prompts_.information(QStringLiteral("ヘルプを開くブラウザがありません。\n\nNo web browser opened the manual; "
                                                "open it in one yourself:\n") +
                                 file + QStringLiteral("\n\n(man korvel tells the same for the command line.)"));
        return;
    }
    prompts_.information(QStringLiteral("ヘルプファイルが見つかりません。\n\nThe manual is not at any of these "
                                        "places:\n") +
                         candidates.join(QLatin1Char('\n')));
}

void MainWindow::versionCommand() { prompts_.showModal(*versionDialog_); }

void MainWindow::exitCommand() {
    if (prompts_.question(QStringLiteral("　終了しますか？　　\n"))) close();
}

}  // namespace korvel
