// Takes pictures of the main window with drawings loaded, of each page of the options dialog and
// of the drawing information dialog, for people to look at (scripts/screenshots.sh).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTabWidget>
#include <QLineEdit>
#include <QMouseEvent>
#include <QThread>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/drawing_info_dialog.h"
#include "app/find_dock.h"
#include "app/layer_dock.h"
#include "app/measure_tool.h"
#include "app/view_menu.h"
#include "app/main_window.h"
#include "app/metafile_tool.h"
#include "app/options_dialog.h"
#include "output/image_export.h"
#include "platform/clipboard_formats.h"
#include "platform/qt_text.h"
#include "main_window_probe.h"

using namespace korvel;

namespace {

// Answers nothing and shows nothing: the pictures are taken without the user.
class SilentPrompts : public UserPrompts {
public:
    void information(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool question(const QString&) override { return false; }
    bool inputText(const QString&, const QString&, QString&) override { return false; }
    bool openFile(const QString&, const QString&, FileChoice&) override { return false; }
    bool saveFile(const QString&, const QString&, FileChoice&) override { return false; }
    bool chooseColor(uint32_t&) override { return false; }
    bool chooseFolder(QString&) override { return false; }
    void showModal(QDialog&) override {}
};

void settle(QWidget& w) {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    (void)w;
}

bool save(QWidget& w, const QString& path) {
    settle(w);
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The longest line on the drawing's write layer group: something to measure.
bool longestLine(const Drawing& d, Point2& a, Point2& b) {
    double best = 0.0;
    for (const TDataSen& line : d.top.lines) {
        const double length = std::hypot(line.end.x - line.start.x, line.end.y - line.start.y);
        if (line.layerGroup != d.header.WriteLayerGroup || !(length > best)) continue;
        best = length;
        a = line.start;
        b = line.end;
    }
    return best > 0.0;
}

// The reading aids on a drawing with named layer groups: the layer panel with a group greyed
// and one hidden, a text found, and a measurement between the ends of a line.
bool viewerShots(MainWindow& window, const QDir& out, const QString& drawing) {
    if (!window.openDrawingFile(drawing)) return false;
    window.resize(1180, 780);
    ViewMenu& menu = probe(window).viewMenu();
    bool ok = true;
    menu.layersAction()->trigger();
    LayerDock& layers = menu.layerDock();
    layers.tree()->expandItem(layers.tree()->topLevelItem(0));
    layers.setBoxState(0, 8, LayerShow::Greyed);
    layers.setBoxState(0, 9, LayerShow::Hidden);
    window.view().renderNow();
    ok &= save(window, out.filePath(QStringLiteral("viewer_layers.png")));

    menu.findAction()->trigger();
    menu.findDock().find(QStringLiteral("トイレ"));
    menu.findDock().choose(1);
    window.view().renderNow();
    ok &= save(window, out.filePath(QStringLiteral("viewer_find.png")));

    window.view().resetView();
    menu.findDock().hide();
    menu.measureAction()->trigger();
    window.view().renderNow();
    Point2 a, b;
    if (longestLine(window.drawing(), a, b)) {
        const ViewMapping m = window.view().mapping();
        menu.measureTool().clickAt(QPointF(m.toPixelX(a.x) + 3, m.toPixelY(a.y) - 2));
        menu.measureTool().clickAt(QPointF(m.toPixelX(b.x) - 2, m.toPixelY(b.y) + 3));
        // The pointer resting near the line's middle: its snap mark and its coordinates.
        const QPointF middle(m.toPixelX((a.x + b.x) / 2) + 4, m.toPixelY((a.y + b.y) / 2) + 3);
        QMouseEvent move(QEvent::MouseMove, middle, window.view().mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&window.view(), &move);
    }
    ok &= save(window, out.filePath(QStringLiteral("viewer_measure.png")));
    // The picture of the README: the panel, a hit and a measurement at once.
    menu.findDock().show();
    ok &= save(window, out.filePath(QStringLiteral("viewer.png")));
    menu.setMeasuring(false);
    menu.findDock().hide();
    layers.backToTheDrawing();
    menu.layersAction()->trigger();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_screenshots OUTDIR DRAWING...\n");
        return 2;
    }
    QApplication app(argc, argv);
    QFont font(MapFaceName("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    SettingsOptions options;
    options.settingsPath = out.filePath(QStringLiteral("Korvel.INI")).toStdString();
    options.registryPath = "none";
    SilentPrompts prompts;
    MainWindow window(SettingsSession::start(options), prompts);
    window.show();
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        if (!window.openDrawingFile(QString::fromLocal8Bit(argv[i]))) ok = false;
        window.view().renderNow();
        ok &= save(window, out.filePath(QStringLiteral("main_window_%1.png").arg(i - 1)));
    }

    const QString named = QString::fromLocal8Bit(std::getenv("KORVEL_VIEWER_DRAWING") ? std::getenv("KORVEL_VIEWER_DRAWING") : "");
    if (!named.isEmpty()) ok &= viewerShots(window, out, named);

    OptionsDialog& options_ = probe(window).optionsDialog();
    options_.populate();
    options_.show();
    for (int page = 0; page < options_.pages->count(); ++page) {
        options_.pages->setCurrentIndex(page);
        ok &= save(options_, out.filePath(QStringLiteral("options_page_%1.png").arg(page + 1)));
    }
    options_.hide();

    DrawingInfoDialog& info = probe(window).infoDialog();
    info.showFor(window.drawing().header);
    info.show();
    ok &= save(info, out.filePath(QStringLiteral("drawing_info.png")));
    info.hide();

    // The clipboard-metafile tool with the last drawing's metafile on the clipboard.
    std::vector<uint8_t> emf;
    if (ExportImage(window.drawing(), ImageFormat::Emf, window.exportOptions(), emf).ok) {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(kEmfMimeType),
                      QByteArray(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size())));
        QApplication::clipboard()->setMimeData(data);
        window.CBemf2BmpClick();
        if (Temf2bmp* tool = probe(window).metafileTool()) {
            ok &= save(*tool, out.filePath(QStringLiteral("metafile_tool.png")));
            tool->hide();  // hidden, not closed: closing would write its bitmap
        }
    }
    window.close();
    return ok ? 0 : 1;
}
