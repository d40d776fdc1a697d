// The main window's layout, start-up, painting, shutdown and the events it handles itself.
#include "app/main_window.h"
#include "drawing/printable_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "app/clip_watcher.h"
#include "app/drawing_info_dialog.h"
#include "app/jwwin_clipboard.h"
#include "app/notice_panel.h"
#include "app/options_dialog.h"
#include "app/pen_preparation.h"
#include "app/view_menu.h"
#include "output/raster_render.h"
#include "platform/qt_painter_target.h"
#include "platform/qt_text.h"
#include "render/picture_cache.h"

namespace korvel {

namespace {

QDialog* makeVersionDialog(QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setWindowTitle(QStringLiteral("バージョン情報"));
    auto* layout = new QVBoxLayout(d);
    auto* name = new QLabel(QStringLiteral("Korvel"), d);
    QFont big = name->font();
    big.setPixelSize(20);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(new QLabel(QStringLiteral("Jw_cad の図面を表示し、メタファイルと画像に変換します。"), d));
    layout->addWidget(new QLabel(QStringLiteral("Version 2.40"), d));
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    return d;
}

}  // namespace

MainWindow::MainWindow(SettingsSession session, UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      session_(std::move(session)),
      prompts_(prompts),
      pictures_(std::make_unique<PictureCache>()),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    drawing_.header = session_.header;
    setWindowTitle(QStringLiteral("Korvel"));
    QFont font(MapFaceName("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setAcceptDrops(true);

    view_ = new DrawingView;
    view_->setRenderer([this] { return renderJob(); });
    view_->setRenderFinished([this](const RenderResult& result) { renderNotices_->setNotices(result.warnings); });
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    warnings_ = new WarningBar(central);
    column->addWidget(warnings_);
    column->addWidget(view_, 1);
    setCentralWidget(central);
    menus_ = new MainMenus(*menuBar(), session_.settings, prompts_, [this] { return view_->width(); },
                           [this] { RepaintDrawing(); });
    buildToolBar();
    buildStatusBar();
    viewMenu_ = new ViewMenu(*this, *view_, drawing_, session_.load.path,
                             {[this] { RepaintDrawing(); }, [this](const QString& path) { return openDrawingFile(path); },
                              [this] { return renderOptions(); }, [this] { return hasDrawing(); }});
    infoDialog_ = new DrawingInfoDialog(this);
    optionsDialog_ = new OptionsDialog(session_, prompts_, this);
    versionDialog_ = makeVersionDialog(this);
    connectCommands();
    create();
}

MainWindow::~MainWindow() = default;

// The creation steps; the settings were read before the window existed.
void MainWindow::create() {
    resize(720, 540);
    menus_->applySettings();
    SeedDrawingHeader(session_.settings, drawing_.header);

    tempJwzPath_ = PrepareTempJwzPath();
    startupLoad();
    // The watcher listens for the whole run; the setting only decides what a change does.
    clipWatcher_ = new ClipWatcher(this);
    clipWatcher_->setOnClipChange([this](QObject*) { clipboardChanged(); });
}

void MainWindow::buildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("toolbar"));
    toolBar_->setMovable(false);
    toolBar_->setFixedHeight(28);
    toolBar_->setIconSize(QSize(16, 16));
    const FileMenuActions& f = menus_->file;
    QStyle* s = style();
    auto add = [this, s](QAction* command, QStyle::StandardPixmap icon, const char* hint) {
        QAction* a = toolBar_->addAction(s->standardIcon(icon), QString::fromUtf8(hint));
        a->setToolTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, command, &QAction::trigger);
        return a;
    };
    add(f.open, QStyle::SP_DialogOpenButton, "Jwwデータを開く");
    add(f.save, QStyle::SP_DialogSaveButton, "Jwwデータを保存");
    toolBar_->addSeparator();
    add(f.openDamaged, QStyle::SP_MessageBoxWarning, "不正なJwwデータを開く");
    add(f.transfer, QStyle::SP_ArrowForward, "図形データをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ");
    toolBar_->addSeparator();
    add(f.copyPicture, QStyle::SP_FileDialogDetailedView, "クリップボードにコピー");
    add(f.savePicture, QStyle::SP_DriveFDIcon, "画像データで保存");
    toolBar_->addSeparator();
    auto* redraw = new QToolButton(toolBar_);
    redraw->setIcon(s->standardIcon(QStyle::SP_BrowserReload));
    redraw->setToolTip(QStringLiteral("再描画"));
    redraw->setMenu(menus_->redrawMenu);
    redraw->setPopupMode(QToolButton::InstantPopup);
    toolBar_->addWidget(redraw);
    toolBar_->addSeparator();
    add(f.metafileTool, QStyle::SP_FileDialogContentsView, "Clipboard-Matefile > BMP");
    toolBar_->addSeparator();
    add(f.options, QStyle::SP_FileDialogListView, "全ｵﾌﾟｼｮﾝ設定");
    toolBar_->addSeparator();
    add(f.help, QStyle::SP_DialogHelpButton, "ヘルプ");
    add(f.exit, QStyle::SP_DialogCloseButton, "終了");
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(bar);
        label->setFixedWidth(kStatusPanelWidths[i]);
        label->setContentsMargins(0, 0, 0, 0);
        label->setIndent(1);
        if (i == 0) label->setFrameStyle(QFrame::Panel | QFrame::Raised);
        else if (i == kStatusPanels - 1) label->setFrameStyle(QFrame::NoFrame);
        else label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(label);
        panels_[i] = label;
    }
    renderNotices_ = new NoticePanel(bar);
    bar->addWidget(renderNotices_, 1);
    connect(renderNotices_, &NoticePanel::clicked, this,
            [this] { prompts_.information(renderNotices_->allNotices()); });
    bar->installEventFilter(this);
    for (QLabel* label : panels_) label->installEventFilter(this);
}

void MainWindow::connectCommands() {
    const FileMenuActions& f = menus_->file;
    auto wire = [this](QAction* a, void (MainWindow::*command)()) {
        connect(a, &QAction::triggered, this, [this, command] { (this->*command)(); });
    };
    wire(f.newDrawing, &MainWindow::newDrawing);
    wire(f.open, &MainWindow::openCommand);
    wire(f.save, &MainWindow::saveCommand);
    wire(f.openDamaged, &MainWindow::openDamagedCommand);
    wire(f.copyPicture, &MainWindow::copyPicture);
    wire(f.copyText, &MainWindow::copyText);
    wire(f.savePicture, &MainWindow::savePicture);
    wire(f.print, &MainWindow::printCommand);
    wire(f.printPreview, &MainWindow::printPreviewCommand);
    wire(f.information, &MainWindow::informationCommand);
    wire(f.exit, &MainWindow::exitCommand);
    wire(f.redrawScreen, &MainWindow::redrawScreen);
    wire(f.options, &MainWindow::optionsCommand);
    wire(f.help, &MainWindow::helpCommand);
    wire(f.version, &MainWindow::versionCommand);
    wire(f.metafileTool, &MainWindow::CBemf2BmpClick);
    wire(f.transfer, &MainWindow::transferToJwWin);
    wire(f.redrawClipboard, &MainWindow::rereadClipboard);
}

void MainWindow::showWarnings(WarningSource source, const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "korvel: warning: %s\n", w.c_str());
    warnings_->setWarnings(source, warnings);
}

void MainWindow::UpdateStatusBar() {
    const auto texts = StatusBarTexts(drawing_);
    for (int i = 0; i < kStatusPanels; ++i) {
        QLabel* panel = panels_[i];
        panel->setText(texts[i]);
        // The classic widths, or wider where the text needs it ("Ver : 6.00" in this font, large
        // counts): a panel never cuts its text.
        panel->setFixedWidth(std::max(kStatusPanelWidths[i], panel->sizeHint().width()));
    }
}

void MainWindow::FitWindowToDrawing() { resize(FittedWindowSize(drawing_.extents.Aspect)); }

void MainWindow::RepaintDrawing() {
    ++repaintRequests_;
    view_->stopRender();
    SeedDrawingHeader(session_.settings, drawing_.header);
    view_->invalidate();
}

RenderOptions MainWindow::renderOptions() const {
    std::vector<std::string> problems;
    RenderOptions o = session_.renderOptions(drawing_, &problems);
    // The menu's drawing order is the one in force, whatever the drawing carried.
    o.drawOrder = session_.settings.solidFlag;
    // The layer panel's choice goes into the pictures and the exports, never into the drawing.
    o.layers = viewMenu_->layers();
    for (const std::string& p : problems) reportPenProblem(p);
    return o;
}

ExportOptions MainWindow::exportOptions() const {
    ExportOptions o = session_.exportOptions();
    o.render = renderOptions();
    // "表示画面サイズ": as wide as the drawing area is now, not as it was at start.
    if (session_.settings.outputSizeChoice == 0) o.width = view_->width();
    return o;
}

void MainWindow::tellStartupProblems() {
    const SettingsLoadReport& load = session_.load;
    if (load.complete) return;
    prompts_.information(QStringLiteral("設定ファイルを読めません。\n\n") + QString::fromStdString(load.problem) +
                         QStringLiteral("\n\nKorvel starts with the default settings, and what is changed in this "
                                        "window will not be saved to that file. Mend or remove it, or start with "
                                        "--settings OTHER.INI."));
}

void MainWindow::reportPenProblem(const std::string& problem) const {
    // Every repaint resolves the pens again; one line per distinct problem is enough.
    if (problem == lastPenProblem_) return;
    lastPenProblem_ = problem;
    std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(problem).c_str());
}

DrawingView::RenderJob MainWindow::renderJob() {
    if (!hasDrawing()) {
        renderNotices_->setNotices({});
        return [](QImage&, QPoint, const QRegion&, int, int, const RenderProgress&) { return RenderResult{}; };
    }
    RenderRequest request;
    request.clearBackground = session_.settings.penColorFlag;
    request.pictures = pictures_.get();
    RenderOptions options = renderOptions();
    // Layers switched in the panel leave the view where it is: the window keeps the frame of the
    // whole drawing, which its tools map the pointer with.
    options.frame = view_->frame();
    // The drawing is read on the render thread; everything that changes it stops the render
    // first (whenIdle, RepaintDrawing).
    const Drawing* drawing = &drawing_;
    std::unique_ptr<RecordIndex>* index = &index_;
    return [drawing, index, options = std::move(options), request](QImage& image, QPoint pan, const QRegion& todo,
                                                                   int width, int height,
                                                                   const RenderProgress& progress) {
        // Built here, not in the window's thread: a million records take a good part of a second.
        if (!*index || (*index)->stopped())
            *index = std::make_unique<RecordIndex>(*drawing, [&progress] { return progress(0, 0); });
        RenderRequest r = request;
        r.width = width;
        r.height = height;
        r.progress = progress;
        r.index = index->get();
        return RenderIntoImage(image, pan, todo, qRgb(255, 255, 255), *drawing, options, r, 0);
    };
}

void MainWindow::drawingChanging() {
    view_->stopRender();
    pictures_->clear();
    index_.reset();
}

void MainWindow::whenIdle(std::function<void()> command) {
    view_->stopRender();
    command();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    view_->stopRender();
    if (!settingsSaved_) {
        settingsSaved_ = true;
        viewMenu_->leaveFile();
        const SettingsSaveResult saved = session_.saveWindowChanges();
        if (!saved.written && !saved.error.empty())
            std::fprintf(stderr, "korvel: %s\n", EscapeControlCharacters(saved.error).c_str());
    }
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            statusDragging_ = true;
            return false;
        case QEvent::MouseMove:
            if (statusDragging_) {
                auto* move = static_cast<QMouseEvent*>(event);
                view_->drawLineTo(statusBar()->mapFromGlobal(move->globalPosition().toPoint()));
            }
            return false;
        case QEvent::MouseButtonRelease:
            if (statusDragging_) {
                statusDragging_ = false;
                QTimer::singleShot(0, this, [this] { informationCommand(); });
            }
            return false;
        default:
            return QMainWindow::eventFilter(watched, event);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        openDrawingFile(url.toLocalFile());
        break;
    }
}

}  // namespace korvel
