// The text engine against the cheapest way to put the same glyphs on the same painter: 20,000
// texts of 10 characters, drawn through the engine (one font description per character) and
// drawn directly with one QFont per size made beforehand. The engine should cost at most three
// times the direct drawing.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <random>

#include "drawing/cp932.h"
#include "drawing/drawing.h"
#include "platform/qt_painter_target.h"
#include "render/render_context.h"
#include "render/text_record.h"

namespace korvel {
namespace {

constexpr int kTexts = 20000;
constexpr int kImageSize = 2000;
const double kSizes[3] = {2.5, 3.5, 5.0};  // millimetres; the scale below makes them 10-20 px

struct Workload {
    Drawing drawing;
    RenderOptions options;
    std::vector<std::u32string> glyphs;  // the texts as code points, for the direct drawing

    Workload() {
        for (auto& g : drawing.header.LayerGroupState) g = 2;
        for (auto& group : drawing.header.LayerState)
            for (auto& l : group) l = 2;
        const std::u32string pool = U"平面図立断寸法壁柱梁床天井窓扉階段室便所浴玄関あいうえおカキクケコABCDEFG0123456789";
        std::mt19937 rng(7);
        std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
        std::uniform_real_distribution<double> place(0.0, 380.0);
        const std::string face = Utf8ToCp932("ＭＳ ゴシック");
        for (int i = 0; i < kTexts; ++i) {
            std::u32string text;
            for (int c = 0; c < 10; ++c) text += pool[pick(rng)];
            TDataMoji t;
            t.penColor = 1 + i % 8;
            t.start = {place(rng), 20.0 + place(rng)};
            t.end = {t.start.x + 40.0, t.start.y};
            t.sizeX = t.sizeY = kSizes[i % 3];
            t.spacing = 0.5;
            t.fontName = face;
            std::string utf8 = QString::fromUcs4(text.data(), text.size()).toStdString();
            t.text = Utf8ToCp932(utf8);
            drawing.top.texts.push_back(t);
            glyphs.push_back(text);
        }
        for (int i = 0; i < kPenColors; ++i) drawing.header.PenColor[i] = 0x203040u * i;
    }
};

Workload& workload() {
    static Workload w;
    return w;
}

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "bench_text";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication instance(argc, argv);
    return instance;
}

constexpr double kScale = 5.0;  // device units per millimetre

void BM_TextEngine(benchmark::State& state) {
    app();
    Workload& w = workload();
    QImage image(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QtPainterTarget target(painter);
        RenderContext context(w.drawing, w.options);
        context.view.MinX = 0.0;
        context.view.MaxY = 400.0;
        context.view.scale = kScale;
        for (const auto& t : w.drawing.top.texts) DrawTextRecord(context, target, t);
    }
    state.counters["texts"] = kTexts;
}

// The same glyphs at the same cells, each size with one QFont made once.
void BM_DirectGlyphs(benchmark::State& state) {
    app();
    Workload& w = workload();
    QImage image(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    QFont fonts[3];
    double ascent[3];
    for (int s = 0; s < 3; ++s) {
        fonts[s] = QFont(QStringLiteral("IPAGothic"));
        fonts[s].setPixelSize(static_cast<int>(std::lrint(kSizes[s] * kScale)));
        fonts[s].setHintingPreference(QFont::PreferNoHinting);
        ascent[s] = QFontMetricsF(fonts[s]).ascent();
    }
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        for (size_t i = 0; i < w.glyphs.size(); ++i) {
            const TDataMoji& t = w.drawing.top.texts[i];
            const int s = static_cast<int>(i % 3);
            painter.setFont(fonts[s]);
            painter.setPen(QColor(0x40, 0x30, 0x20));
            const double cell = kSizes[s] * kScale;
            double x = t.start.x * kScale;
            const double y = (400.0 - t.start.y) * kScale - cell + ascent[s];
            for (char32_t c : w.glyphs[i]) {
                painter.drawText(QPointF(x, y), QString::fromUcs4(&c, 1));
                x += (c < 0x80 ? cell / 2.0 : cell) + 0.5 * kScale;
            }
        }
    }
    state.counters["texts"] = kTexts;
}

BENCHMARK(BM_TextEngine)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DirectGlyphs)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
