// The clipboard watcher: how long one copy made in Jw_win takes to become a picture on the
// clipboard (reading the "Jw_win" data, loading it, the bitmap and the enhanced metafile), and
// the same steps without the clipboard.
//
//   xvfb-run -a build/bench/bench_watch
//
// Without an X display only the steps without the clipboard run. The real drawings are read from
// $KORVEL_SAMPLES or ../shared/samples/jww beside the checkout.
#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/jwwin_clipboard.h"
#include "bench_samples.h"
#include "drawing/loaders.h"
#include "output/image_export.h"
#include "output/raster_render.h"
#include "platform/clipboard_formats.h"
#include "platform/headless_app.h"

namespace fs = std::filesystem;
using namespace korvel;

namespace {

std::string samplesDir() { return benchSamplesDir(); }

std::vector<uint8_t> jwzOf(const std::string& name) {
    Drawing d;
    const std::string dir = samplesDir();
    if (dir.empty() || !LoadFile(d, dir + "/" + name).ok) return {};
    SaveResult saved;
    return SaveJwWinBytes(d, saved);
}

bool haveDisplay() { return std::getenv("DISPLAY") && *std::getenv("DISPLAY"); }

// Offers the bytes as Jw_win would (through xclip) and waits until our clipboard hears of it.
bool offer(const std::vector<uint8_t>& bytes, int& changes) {
    const int before = changes;
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", kJwWinFormat, "-i"});
    if (!xclip.waitForStarted(5000)) return false;
    xclip.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    xclip.closeWriteChannel();
    if (!xclip.waitForFinished(5000)) return false;
    for (int i = 0; i < 500 && changes == before; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return changes > before;
}

const char kSample[] = "Ａマンション平面例.jww";

void BM_ClipboardCopyToPicture(benchmark::State& state) {
    if (!haveDisplay()) return state.SkipWithError("needs an X display: run under xvfb-run");
    const std::vector<uint8_t> bytes = jwzOf(kSample);
    if (bytes.empty()) return state.SkipWithError("samples not found");
    int changes = 0;
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [&] { ++changes; });
    const QString temp = PrepareTempJwzPath();
    ExportOptions options;
    options.width = static_cast<int>(state.range(0));
    options.clearBackground = true;
    Drawing drawing;
    JwCadTextOptions text;
    EmptyRegistrySource registry;
    for (auto _ : state) {
        state.PauseTiming();
        if (!offer(bytes, changes)) return state.SkipWithError("xclip could not offer the data");
        state.ResumeTiming();
        const ClipboardLoad load = LoadJwWinFromClipboard(drawing, temp, registry, text);
        bool superseded = false;
        const ClipboardPictureResult picture = PlaceClipboardPicture(drawing, options, load.owner, superseded);
        if (load.outcome != ClipboardLoad::Outcome::Loaded || !picture.ok)
            return state.SkipWithError("the conversion failed");
    }
    state.counters["records"] = drawing.ExpectedCount;
    QGuiApplication::clipboard()->clear();
}
BENCHMARK(BM_ClipboardCopyToPicture)->Arg(720)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same work from bytes in memory: load, bitmap, metafile.
void BM_ConversionSteps(benchmark::State& state) {
    const std::vector<uint8_t> bytes = jwzOf(kSample);
    if (bytes.empty()) return state.SkipWithError("samples not found");
    ExportOptions options;
    options.width = static_cast<int>(state.range(0));
    Drawing drawing;
    for (auto _ : state) {
        LoadJwz(drawing, bytes.data(), bytes.size());
        int w = 0, h = 0;
        RasterExportSize(drawing, options, w, h);
        benchmark::DoNotOptimize(RenderToImage(drawing, options.render, w, h, 0.0).image.bits());
        std::vector<uint8_t> emf;
        benchmark::DoNotOptimize(ExportImage(drawing, ImageFormat::Emf, options, emf).ok);
    }
}
BENCHMARK(BM_ConversionSteps)->Arg(720)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (haveDisplay() && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 0);
    EnsureHeadlessGuiApplication();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
