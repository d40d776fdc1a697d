// A drawing that places the same 2,000 x 2,000 PNG 200 times, against one reference plus 199
// stretch-draws of a picture decoded beforehand. Because each file is decoded once per render,
// the first should cost less than twice the second.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <filesystem>

#include "null_target.h"
#include "../tests/picture_files.h"
#include "drawing/drawing.h"
#include "render/picture_cache.h"
#include "render/picture_decoders.h"
#include "render/picture_drawer.h"
#include "render/render_context.h"

namespace korvel {
namespace {

constexpr int kPictureSize = 2000;
constexpr int kReferences = 200;
constexpr int kCanvas = 2000;

// Stretches pictures onto a QImage, as the painter target does; everything else is ignored.
class PictureOnlyTarget : public NullTarget {
public:
    PictureOnlyTarget() : canvas_(kCanvas, kCanvas, QImage::Format_ARGB32_Premultiplied), painter_(&canvas_) {}
    void image(const DeviceRect& r, const RasterImage& p) override {
        const QImage view(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height,
                          p.width * 4, QImage::Format_ARGB32);
        painter_.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), view);
    }

private:
    QImage canvas_;
    QPainter painter_;
};

struct Fixture {
    Drawing drawing;
    RenderOptions options;
    std::string reference = "^@BMbig.png,25";

    Fixture() {
        const std::string folder = (std::filesystem::temp_directory_path() / "korvel_bench_pictures").string();
        std::filesystem::create_directories(folder);
        std::vector<uint32_t> pixels(size_t(kPictureSize) * kPictureSize);
        for (int y = 0; y < kPictureSize; ++y)
            for (int x = 0; x < kPictureSize; ++x)
                pixels[size_t(y) * kPictureSize + x] = 0xFF000000u | uint32_t(x * 7 % 256) << 16 |
                                                       uint32_t(y * 5 % 256) << 8 | uint32_t((x ^ y) & 0xFF);
        test::writeFile(folder + "/big.png", test::makePng(kPictureSize, kPictureSize, pixels));
        drawing.DrawingFolder = folder;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Where reference i lands: a 20 x 10 grid of 100-unit squares (25 mm at 4 units per mm).
int xOf(int i) { return (i % 20) * 100; }
int yOf(int i) { return (i / 20) * 100 + 100; }

void BM_TwoHundredReferences(benchmark::State& state) {
    Fixture& f = fixture();
    PictureOnlyTarget target;
    for (auto _ : state) {
        RenderContext context(f.drawing, f.options);  // a render: its own picture cache
        for (int i = 0; i < kReferences; ++i) DrawImageReference(context, target, xOf(i), yOf(i), 4.0, f.reference);
        if (context.pictures->decodeCount() != 1) state.SkipWithError("the picture was decoded more than once");
    }
}
BENCHMARK(BM_TwoHundredReferences)->Unit(benchmark::kMillisecond);

void BM_OneReferenceAndStretches(benchmark::State& state) {
    Fixture& f = fixture();
    PictureOnlyTarget target;
    RasterImage decoded;
    const std::vector<uint8_t> png = test::readFile(f.drawing.DrawingFolder + "/big.png");
    DecodePng(png.data(), png.size(), decoded);
    for (auto _ : state) {
        RenderContext context(f.drawing, f.options);
        DrawImageReference(context, target, xOf(0), yOf(0), 4.0, f.reference);
        for (int i = 1; i < kReferences; ++i)
            target.image({xOf(i), yOf(i) - 100, xOf(i) + 100, yOf(i)}, decoded);
    }
}
BENCHMARK(BM_OneReferenceAndStretches)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
