// The "表示" menu and tool bar: the docks, measuring, the coordinates and the recent drawings.
#include "app/view_menu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

#include "app/drawing_view.h"
#include "app/find_dock.h"
#include "app/layer_dock.h"
#include "app/measure_tool.h"
#include "drawing/printable_text.h"
#include "render/measurement.h"
#include "render/snap_geometry.h"

namespace korvel {

namespace {

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString fromLocal(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The item of a recent drawing: "&1 plan.jww  (/home/me/drawings)".
QString recentCaption(size_t index, const std::string& path) {
    const QFileInfo info(fromLocal(path));
    QString number = QString::number(index + 1);
    if (index < 9) number.prepend(QLatin1Char('&'));
    QString name = info.fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return number + QLatin1Char(' ') + name + QStringLiteral("  (") + QDir::toNativeSeparators(info.absolutePath()) +
           QLatin1Char(')');
}

}  // namespace

ViewMenu::ViewMenu(QMainWindow& window, DrawingView& view, const Drawing& drawing, std::string settingsPath,
                   ViewMenuHost host)
    : QObject(&window), view_(view), drawing_(drawing), settingsPath_(std::move(settingsPath)), host_(std::move(host)) {
    layerDock_ = new LayerDock(&window);
    window.addDockWidget(Qt::LeftDockWidgetArea, layerDock_);
    layerDock_->hide();
    connect(layerDock_, &LayerDock::choiceChanged, this, &ViewMenu::layersChanged);

    findDock_ = new FindDock([this](const std::string& query) { return FindTexts(drawing_, layers(), query); }, &window);
    window.addDockWidget(Qt::RightDockWidgetArea, findDock_);
    findDock_->hide();
    connect(findDock_, &FindDock::showHit, this, &ViewMenu::showHit);
    connect(findDock_, &FindDock::marksChanged, &view_, qOverload<>(&QWidget::update));
    connect(findDock_, &QDockWidget::visibilityChanged, &view_, qOverload<>(&QWidget::update));
    view_.addOverlay(findDock_);

    measure_ = new MeasureTool(
        view_,
        [this] {
            RenderOptions options = host_.renderOptions();
            options.layers = layers();
            return SnapGeometry::Collect(drawing_, options);
        },
        [this](int group) {
            const DrawingHeader& h = drawing_.header;
            const uint32_t g = group >= 0 && group < kLayerGroups ? uint32_t(group) : h.WriteLayerGroup;
            return g < kLayerGroups ? h.LayerGroupScale[g] : 0.0;
        },
        this);

    coordinates_ = new QLabel(window.statusBar());
    coordinates_->setObjectName(QStringLiteral("pointerCoordinates"));
    coordinates_->setMinimumWidth(150);
    coordinates_->setToolTip(QStringLiteral("ポインタの位置 (図面の mm)"));
    window.statusBar()->addPermanentWidget(coordinates_);
    connect(&view_, &DrawingView::pointerMoved, this, &ViewMenu::pointerMoved);
    connect(&view_, &DrawingView::pointerLeft, coordinates_, &QLabel::clear);

    buildMenu(window);
    buildToolBar(window);
    connect(measure_, &MeasureTool::readoutChanged, readout_, &QLabel::setText);
    connect(measure_, &MeasureTool::leaveRequested, this, [this] { setMeasuring(false); });

    recent_ = ReadRecentFiles(settingsPath_);
    fillRecentMenu();
}

void ViewMenu::buildMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    menu_ = new QMenu(QStringLiteral("表示"), bar);
    // Beside the menus the window always had, before its tools.
    QAction* before = bar->actions().size() > 2 ? bar->actions().at(2) : nullptr;
    bar->insertMenu(before, menu_);

    layersAction_ = layerDock_->toggleViewAction();
    layersAction_->setText(QStringLiteral("レイヤ一覧"));
    layersAction_->setShortcut(QKeySequence(Qt::Key_F2));
    menu_->addAction(layersAction_);

    findAction_ = menu_->addAction(QStringLiteral("文字を検索..."));
    findAction_->setShortcut(QKeySequence::Find);
    connect(findAction_, &QAction::triggered, findDock_, &FindDock::start);
    QAction* next = menu_->addAction(QStringLiteral("次を検索"));
    next->setShortcut(QKeySequence::FindNext);
    connect(next, &QAction::triggered, this, [this] { findDock_->chooseNext(1); });
    QAction* previous = menu_->addAction(QStringLiteral("前を検索"));
    previous->setShortcut(QKeySequence::FindPrevious);
    connect(previous, &QAction::triggered, this, [this] { findDock_->chooseNext(-1); });
    menu_->addSeparator();

    measureAction_ = menu_->addAction(QStringLiteral("距離を測る"));
    measureAction_->setCheckable(true);
    measureAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    connect(measureAction_, &QAction::toggled, this, &ViewMenu::setMeasuring);
    // Esc leaves measuring wherever the keyboard is in the window.
    auto* leave = new QAction(QStringLiteral("測定を終わる"), &window);
    leave->setShortcut(QKeySequence(Qt::Key_Escape));
    leave->setEnabled(false);
    window.addAction(leave);
    connect(leave, &QAction::triggered, this, [this] { setMeasuring(false); });
    connect(measureAction_, &QAction::toggled, leave, &QAction::setEnabled);
    menu_->addSeparator();

    recentMenu_ = menu_->addMenu(QStringLiteral("最近開いた図面"));
}

void ViewMenu::buildToolBar(QMainWindow& window) {
    toolBar_ = new QToolBar(QStringLiteral("表示"), &window);
    toolBar_->setObjectName(QStringLiteral("viewToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    window.addToolBar(Qt::TopToolBarArea, toolBar_);
    QStyle* s = window.style();
    layersAction_->setIcon(s->standardIcon(QStyle::SP_FileDialogListView));
    findAction_->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    measureAction_->setIcon(s->standardIcon(QStyle::SP_ArrowRight));
    toolBar_->addAction(layersAction_);
    toolBar_->addAction(findAction_);
    toolBar_->addAction(measureAction_);
    auto* recent = new QToolButton(toolBar_);
    recent->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
    recent->setToolTip(QStringLiteral("最近開いた図面"));
    recent->setMenu(recentMenu_);
    recent->setPopupMode(QToolButton::InstantPopup);
    toolBar_->addWidget(recent);
    toolBar_->addSeparator();
    readout_ = new QLabel(toolBar_);
    readout_->setObjectName(QStringLiteral("measureReadout"));
    readout_->setContentsMargins(6, 0, 6, 0);
    toolBar_->addWidget(readout_);
}

const LayerChoice& ViewMenu::layers() const { return layerDock_->choice(); }

void ViewMenu::setMeasuring(bool on) {
    if (measureAction_->isChecked() != on) {
        measureAction_->setChecked(on);  // comes back here through toggled
        return;
    }
    if (on) {
        measure_->clear();
        view_.setTool(measure_);
        view_.addOverlay(measure_);
        view_.setFocus(Qt::OtherFocusReason);
        readout_->setText(measure_->readout());
    } else {
        view_.setTool(nullptr);
        view_.removeOverlay(measure_);
        measure_->clear();
        readout_->clear();
    }
}

void ViewMenu::layersChanged() {
    measure_->forget();
    findDock_->searchAgain();
    if (!replacing_ && host_.repaint) host_.repaint();
}

void ViewMenu::showHit(const TextHit& hit) { view_.showBox(hit.minX, hit.minY, hit.maxX, hit.maxY); }

void ViewMenu::pointerMoved(QPointF at) {
    if (!host_.hasDrawing()) {
        coordinates_->clear();
        return;
    }
    coordinates_->setText(QString::fromStdString(CoordinatesText(view_.mapping().toDrawing(at.x(), at.y()))));
}

void ViewMenu::leaveFile() {
    if (currentFile_.isEmpty()) return;
    const RecentView here{view_.zoom(), view_.centre().x, view_.centre().y};
    const std::string path = local(currentFile_);
    updateRecent([&](RecentFiles& files) { files.rememberView(path, here); });
    currentFile_.clear();
}

void ViewMenu::drawingReplaced(const QString& path) {
    // Back to the drawing's own states; the load repaints by itself.
    replacing_ = true;
    layerDock_->showDrawing(drawing_);
    replacing_ = false;
    measure_->forget();
    findDock_->searchAgain();
    currentFile_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (currentFile_.isEmpty()) return;
    const std::string file = local(currentFile_);
    updateRecent([&](RecentFiles& files) { files.opened(file); });
    if (const std::optional<RecentView> last = recent_.viewOf(file))
        view_.centreOn({last->centreX, last->centreY}, last->zoom);
}

void ViewMenu::updateRecent(const std::function<void(RecentFiles&)>& change) {
    const RecentFilesUpdate update = UpdateRecentFiles(settingsPath_, change);
    recent_ = update.files;
    if (!update.written) {
        // Kept for this run all the same (the changes do the same done twice); said once, not at
        // every file.
        change(recent_);
        if (recentProblem_.empty())
            std::fprintf(stderr, "korvel: recent drawings: %s\n", EscapeControlCharacters(update.error).c_str());
        recentProblem_ = update.error;
    }
    fillRecentMenu();
}

void ViewMenu::fillRecentMenu() {
    recentMenu_->clear();
    const std::vector<RecentFile>& files = recent_.files();
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = files[i].path;
        QAction* a = recentMenu_->addAction(recentCaption(i, path));
        a->setData(fromLocal(path));
        // Opening refills this menu: the item is not deleted while it is being triggered.
        connect(a, &QAction::triggered, this, [this, path] { QTimer::singleShot(0, this, [this, path] { openRecent(path); }); });
    }
    if (files.empty()) recentMenu_->addAction(QStringLiteral("(なし)"))->setEnabled(false);
    recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction(QStringLiteral("一覧を消去"));
    clear->setEnabled(!files.empty());
    connect(clear, &QAction::triggered, this, [this] {
        QTimer::singleShot(0, this, [this] { updateRecent([](RecentFiles& f) { f.clear(); }); });
    });
}

void ViewMenu::openRecent(const std::string& path) {
    const QString file = fromLocal(path);
    // Gone or moved: it leaves the list, and the open says why.
    if (!QFileInfo::exists(file)) updateRecent([&](RecentFiles& f) { f.remove(path); });
    host_.open(file);
}

}  // namespace korvel
