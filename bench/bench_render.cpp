// Rendering speed: the synthetic drawing (a million lines, twenty thousand arcs and texts) at a
// width of 2000, against drawing the same device lines and arcs straight onto the same QPainter.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

#include "null_target.h"
#include "output/emf_target.h"
#include "output/metafile_frame.h"
#include "output/raster_render.h"
#include "platform/headless_app.h"
#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"
#include "render/device_mapping.h"
#include "render/line_style.h"
#include "render/record_index.h"
#include "render/render_driver.h"
#include "synthetic_drawing.h"

namespace korvel {
namespace {

constexpr int kWidth = 2000;

const Drawing& synthetic() {
    static const Drawing drawing = bench::SyntheticDrawing(bench::SyntheticSize{});
    return drawing;
}

// The same drawing without its texts: what lines and arcs alone cost through the renderer.
const Drawing& syntheticWithoutTexts() {
    static const Drawing drawing = [] {
        Drawing d = synthetic();
        std::vector<RecordRef> kept;
        for (const RecordRef& r : d.top.sequence) {
            if (r.cls != RecordClass::Moji) kept.push_back(r);
        }
        d.top.sequence = std::move(kept);
        d.top.texts.clear();
        return d;
    }();
    return drawing;
}

// What the baseline draws: each line record as one device line and each arc as one device arc,
// with its pen, computed once outside the timed loop.
struct DeviceLine {
    QPoint a, b;
    QPen pen;
};
struct DeviceArc {
    QRect box;
    int start16, span16;
    QPen pen;
};
struct Baseline {
    std::vector<DeviceLine> lines;
    std::vector<DeviceArc> arcs;
};

QPen penOf(const Drawing& d, const TJwData& r) {
    QPen pen(QtColorOf(d.header.PenColor[r.penColor % 10]));
    pen.setWidth(static_cast<int>(d.header.PenWidth[r.penColor % 10]));
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

Baseline makeBaseline(const Drawing& d, int width, int height) {
    RenderOptions options;
    RenderContext ctx(d, options);
    ctx.view.MinX = d.extents.MinX;
    ctx.view.MaxY = d.extents.MaxY;
    const double W = d.extents.MaxX - d.extents.MinX, H = d.extents.MaxY - d.extents.MinY;
    ctx.view.scale = (W / H) / (double(width) / height) <= 1.0 ? height / H : width / W;
    Baseline base;
    for (const TDataSen& s : d.top.lines) {
        const DevicePoint a = ctx.map(s.start), b = ctx.map(s.end);
        base.lines.push_back({QPoint(a.x, a.y), QPoint(b.x, b.y), penOf(d, s)});
    }
    for (const TDataEnko& c : d.top.circles) {
        const DevicePoint m = ctx.map(c.center);
        const int r = std::max(1, RoundDevice(c.radius * ctx.view.scale));
        double start = c.startAngle, sweep = c.arcAngle;
        if (c.fullCircle == 1) start = 0, sweep = 2 * M_PI;
        base.arcs.push_back({QRect(m.x - r, m.y - r, 2 * r, 2 * r), int(start * 180 / M_PI * 16),
                             int(sweep * 180 / M_PI * 16), penOf(d, c)});
    }
    return base;
}

// The exact device primitives a render hands to its target (every dash, every flattened arc),
// captured once and replayed straight onto a QPainter: what the renderer adds on top of Qt.
class CaptureTarget : public NullTarget {
public:
    struct Piece {
        uint32_t pen;
        uint32_t first;
        uint32_t count;
    };
    std::vector<QPen> pens;
    std::vector<QPoint> points;
    std::vector<Piece> pieces;
    bool discard = false;

    void polyline(const DevicePoint* p, size_t n, const PenSpec& style) override {
        if (discard) return;
        if (pens.empty() || !(last_ == style)) {
            QPen pen(QtColorOf(style.color));
            pen.setWidth(style.width);
            pen.setCapStyle(style.geometric ? Qt::FlatCap : Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            if (pens.empty() || pens.back() != pen) pens.push_back(pen);
            last_ = style;
        }
        pieces.push_back({uint32_t(pens.size() - 1), uint32_t(points.size()), uint32_t(n)});
        for (size_t i = 0; i < n; ++i) points.emplace_back(p[i].x, p[i].y);
    }

private:
    PenSpec last_;
};

void BM_DirectPainterSamePrimitives(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    const Drawing& d = synthetic();
    const int height = FitHeight(d, kWidth);
    CaptureTarget capture;
    RenderRequest request;
    request.width = kWidth;
    request.height = height;
    RenderDrawing(capture, d, RenderOptions{}, request);
    QImage image(kWidth, height, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        uint32_t pen = UINT32_MAX;
        for (const auto& piece : capture.pieces) {
            if (piece.pen != pen) painter.setPen(capture.pens[pen = piece.pen]);
            const QPoint* p = capture.points.data() + piece.first;
            if (piece.count == 2) painter.drawLine(p[0], p[1]);
            else painter.drawPolyline(p, int(piece.count));
        }
    }
    state.counters["pieces"] = static_cast<double>(capture.pieces.size());
}

// The renderer's own work alone: every primitive handed to a target that keeps nothing.
void BM_RenderToNullTarget(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    const Drawing& d = synthetic();
    RenderRequest request;
    request.width = kWidth;
    request.height = FitHeight(d, kWidth);
    for (auto _ : state) {
        CaptureTarget sink;
        sink.discard = true;
        RenderDrawing(sink, d, RenderOptions{}, request);
    }
}

void renderSynthetic(benchmark::State& state, const Drawing& d, bool whole = false) {
    const int height = FitHeight(d, kWidth);
    QImage image(kWidth, height, QImage::Format_RGB32);
    RenderOptions options;
    uint64_t pieces = 0;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QtPainterTarget target(painter);
        RenderRequest request;
        request.width = kWidth;
        request.height = height;
        request.clearBackground = false;
        if (whole) request.limits.maxPieces = UINT64_MAX / 2;
        pieces = RenderDrawing(target, d, options, request).piecesDrawn;
    }
    state.counters["records"] = static_cast<double>(d.RecordCount());
    state.counters["pieces"] = static_cast<double>(pieces);
}

void BM_RenderSynthetic(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    renderSynthetic(state, synthetic());
}

// Every record drawn: the render's limit of pieces would otherwise stop it part of the way.
void BM_RenderSyntheticWhole(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    renderSynthetic(state, synthetic(), true);
}

void BM_RenderSyntheticLinesAndArcsOnly(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    renderSynthetic(state, syntheticWithoutTexts());
}

void BM_DirectPainterLinesAndArcs(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    const Drawing& d = synthetic();
    const int height = FitHeight(d, kWidth);
    const Baseline base = makeBaseline(d, kWidth, height);
    QImage image(kWidth, height, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (const DeviceLine& l : base.lines) {
            if (painter.pen() != l.pen) painter.setPen(l.pen);
            painter.drawLine(l.a, l.b);
        }
        for (const DeviceArc& a : base.arcs) {
            if (painter.pen() != a.pen) painter.setPen(a.pen);
            painter.drawArc(a.box, a.start16, a.span16);
        }
    }
}

// The enhanced metafile of the whole drawing at 720 units: its size is what matters, so the
// render's limit of pieces is lifted that it may draw every record.
void BM_EmfSynthetic720(benchmark::State& state) {
    const Drawing& d = synthetic();
    const MetafileFrame frame = FittedMetafileFrame(720, FitHeight(d, 720));
    double bytes = 0, records = 0;
    bool cut = false;
    for (auto _ : state) {
        EmfTarget target(frame, "synthetic");
        RenderRequest request;
        request.width = frame.width;
        request.height = frame.height;
        request.limits.maxPieces = UINT64_MAX / 2;
        cut = RenderDrawing(target, d, RenderOptions{}, request).cutShort;
        std::vector<uint8_t> out;
        std::string error;
        if (!target.finish(out, error)) state.SkipWithError(error.c_str());
        bytes = static_cast<double>(out.size());
        records = static_cast<double>(target.recordCount());
    }
    if (cut) state.SkipWithError("the render was cut short");
    state.counters["MB"] = bytes / (1024.0 * 1024.0);
    state.counters["records"] = records;
}

// The raster export path: RenderToImage in bands on every core (index made inside, as
// `korvel convert` does), against the same with one thread. Wall time: the work is shared out.
void rasterSynthetic(benchmark::State& state, int threads) {
    EnsureHeadlessGuiApplication();
    const Drawing& d = synthetic();
    RasterRenderSettings settings;
    settings.threads = threads;
    settings.limits.maxPieces = UINT64_MAX / 2;
    uint64_t pieces = 0;
    for (auto _ : state) {
        pieces = RenderToImage(d, RenderOptions{}, kWidth, FitHeight(d, kWidth), 0.0, {}, settings).render.piecesDrawn;
    }
    state.counters["pieces"] = static_cast<double>(pieces);
}
void BM_RasterSyntheticBands(benchmark::State& state) { rasterSynthetic(state, 0); }
void BM_RasterSyntheticOneThread(benchmark::State& state) { rasterSynthetic(state, 1); }

void BM_RecordIndexBuild(benchmark::State& state) {
    const Drawing& d = synthetic();
    for (auto _ : state) benchmark::DoNotOptimize(RecordIndex(d).recordCount());
}

// A view zoomed to a hundredth of the drawing's area, 1600 x 1000, drawn through the index the
// window keeps: only the records in view are walked. The view is the middle tenth of the
// drawing's width and height, given as the frame the picture is fitted to.
void BM_RenderSyntheticZoomed(benchmark::State& state) {
    EnsureHeadlessGuiApplication();
    const Drawing& d = synthetic();
    const RecordIndex index(d);
    const int width = 1600, height = 1000;
    QImage image(width, height, QImage::Format_RGB32);
    RenderOptions options;
    Extents view = d.extents;
    const double w = d.extents.MaxX - d.extents.MinX, h = d.extents.MaxY - d.extents.MinY;
    view.MinX = d.extents.MinX + 0.45 * w;
    view.MaxX = d.extents.MinX + 0.55 * w;
    view.MinY = d.extents.MinY + 0.45 * h;
    view.MaxY = d.extents.MinY + 0.55 * h;
    options.frame = view;
    uint64_t records = 0;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QtPainterTarget target(painter);
        RenderRequest request;
        request.width = width;
        request.height = height;
        request.clearBackground = false;
        request.index = &index;
        records = RenderDrawing(target, d, options, request).recordsDrawn;
    }
    state.counters["records"] = static_cast<double>(records);
}

BENCHMARK(BM_RasterSyntheticBands)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RasterSyntheticOneThread)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RecordIndexBuild)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderSyntheticZoomed)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RenderToNullTarget)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderSynthetic)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderSyntheticWhole)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderSyntheticLinesAndArcsOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DirectPainterSamePrimitives)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DirectPainterLinesAndArcs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EmfSynthetic720)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace korvel

// `bench_render --write-synthetic FILE` writes the drawing as a JWW file instead, so that whole
// `korvel convert` runs can be timed on it.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-synthetic") == 0) {
        const std::vector<uint8_t> bytes = korvel::bench::SyntheticJww({});
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return out ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
