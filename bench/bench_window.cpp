// The window's drawing area: redraws after a zoom of a real sample at 1,600 × 1,000, and how long
// the window waits for its events while a drawing of 1,040,000 records renders.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "synthetic_drawing.h"

using namespace korvel;

namespace {

class NoPrompts : public UserPrompts {
public:
    void information(const QString&) override {}
    bool question(const QString&) override { return false; }
    bool inputText(const QString&, const QString&, QString&) override { return false; }
    bool openFile(const QString&, const QString&, FileChoice&) override { return false; }
    bool saveFile(const QString&, const QString&, FileChoice&) override { return false; }
    bool chooseColor(uint32_t&) override { return false; }
    bool chooseFolder(QString&) override { return false; }
    void showModal(QDialog&) override {}
};

QApplication& app() {
    static int argc = 1;
    static char name[] = "bench_window";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

std::unique_ptr<MainWindow> windowOf(int viewWidth, int viewHeight, NoPrompts& prompts) {
    app();
    SettingsOptions options;
    options.settingsPath = "/nonexistent/korvel-bench/Korvel.INI";
    options.registryPath = "none";
    auto w = std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    w->show();
    QApplication::processEvents();
    const QSize chrome = w->size() - w->view().size();
    w->resize(QSize(viewWidth, viewHeight) + chrome);
    QApplication::processEvents();
    return w;
}

std::string samplePath() {
    const char* dir = std::getenv("KORVEL_SAMPLES");
    std::string base = dir ? dir : std::string(KORVEL_SOURCE_DIR) + "/../shared/samples/jww";
    return base + "/Ａマンション平面例.jww";
}

void BM_ZoomRedraw(benchmark::State& state) {
    NoPrompts prompts;
    auto w = windowOf(1600, 1000, prompts);
    if (!w->openDrawingFile(QString::fromStdString(samplePath()))) {
        state.SkipWithError("sample drawing not found");
        return;
    }
    w->resize(w->size() - w->view().size() + QSize(1600, 1000));
    w->view().renderNow();
    bool in = true;
    for (auto _ : state) {
        w->view().zoomAbout(QPointF(800, 500), in ? 1.25 : 0.8);
        in = !in;
        w->view().renderNow();
    }
    state.counters["view_w"] = w->view().width();
    state.counters["view_h"] = w->view().height();
    state.counters["records"] = w->drawing().RecordCount();
}
BENCHMARK(BM_ZoomRedraw)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A timer that should fire every 10 ms measures the longest wait; a new request after 300 ms
// cancels the render, and the time until control comes back is the cancel latency.
void BM_LongRenderStaysResponsive(benchmark::State& state) {
    NoPrompts prompts;
    auto w = windowOf(1600, 1000, prompts);
    w->drawing() = bench::SyntheticDrawing({1000000, 20000, 20000});
    w->view().setFrame(w->drawing().extents);
    double longestGap = 0, cancelMs = 0, records = w->drawing().RecordCount();
    for (auto _ : state) {
        QElapsedTimer sinceTick, sinceCancel;
        sinceTick.start();
        qint64 gap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            gap = std::max(gap, sinceTick.restart());
        });
        tick.start(10);
        const bool cancels = state.range(0) != 0;
        if (cancels)
            QTimer::singleShot(300, [&] {
                sinceCancel.start();
                w->view().cancelRender();
            });
        w->RepaintDrawing();
        w->view().renderNow();
        cancelMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
        longestGap = static_cast<double>(gap);
        tick.stop();
    }
    state.counters["records"] = records;
    state.counters["completed_renders"] = w->view().renderCount();
    state.counters["longest_event_wait_ms"] = longestGap;
    state.counters["cancel_latency_ms"] = cancelMs;
}
// Argument 0: the render runs to its end; 1: a new request cancels it after 300 ms.
BENCHMARK(BM_LongRenderStaysResponsive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The synthetic drawing zoomed to a hundredth of its area (ten times, about the middle) in a
// 1600 x 1000 view: the time from the zoom to the new picture, the renders alternating between
// two such views so none is a repeat. Counter gui_longest_block_ms: the longest the window's
// event loop waited while the whole drawing rendered once at the fitted view.
void BM_ZoomedRedrawBig(benchmark::State& state) {
    NoPrompts prompts;
    auto w = windowOf(1600, 1000, prompts);
    w->drawing() = bench::SyntheticDrawing({1000000, 20000, 20000});
    w->view().setFrame(w->drawing().extents);
    w->RepaintDrawing();
    DrawingView& view = w->view();
    qint64 longestWait = 0;
    {
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { longestWait = std::max(longestWait, sinceTick.restart()); });
        tick.start(1);
        view.renderNow();
        tick.stop();
    }
    const double fullMs = double(view.lastRenderMilliseconds());
    view.zoomAbout(QPointF(800, 500), 10.0);
    view.renderNow();
    bool left = true;
    qint64 drawn = 0;
    // The process's time on every core: what a redraw costs, however busy the machine is.
    const std::clock_t cpuBefore = std::clock();
    for (auto _ : state) {
        view.panBy(QPointF(left ? 1600.5 : -1600.5, 0));  // a whole new view: nothing kept
        left = !left;
        view.renderNow();
        drawn += view.lastRenderedPixels();
    }
    const double cpuMs = double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
    state.counters["cpu_ms_per_redraw"] = cpuMs / double(std::max<int64_t>(1, state.iterations()));
    state.counters["records"] = double(w->drawing().RecordCount());
    state.counters["full_render_ms"] = fullMs;
    state.counters["gui_longest_block_ms"] = double(longestWait);
    state.counters["pixels_per_redraw"] = double(drawn) / double(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(BM_ZoomedRedrawBig)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
