// libFuzzer target: small drawings read and drawn onto a canvas of thumbnail size, with a work
// budget small enough for many runs a second. The canvas checks what reaches it.
#include <cstddef>
#include <cstdint>

#include "drawing/loaders.h"
#include "render/render_driver.h"

namespace {

using namespace korvel;

// Device coordinates are clamped to 1e8 (see RoundDevice), with room for the offsets that line
// types and outlines add; a value far beyond that has wrapped around.
constexpr int kDeviceLimit = 1'000'000'000;

void check(int v) {
    if (v > kDeviceLimit || v < -kDeviceLimit) __builtin_trap();
}

class CheckingTarget : public RenderTarget {
public:
    void polyline(const DevicePoint* p, size_t n, const PenSpec&) override { points(p, n); }
    void polygon(const DevicePoint* p, size_t n, const PenSpec&, const BrushSpec&) override { points(p, n); }
    void fillRect(const DeviceRect& r, const BrushSpec&) override { rect(r); }
    void ellipse(const DeviceRect& r, const PenSpec&, const BrushSpec&) override { rect(r); }
    void arc(const DeviceRect& r, DevicePoint start, DevicePoint end, const PenSpec&) override {
        rect(r);
        check(start.x), check(start.y), check(end.x), check(end.y);
    }
    void text(DevicePoint cell, const std::u32string&, const TextStyle&) override { check(cell.x), check(cell.y); }
    void image(const DeviceRect& r, const RasterImage& picture) override {
        rect(r);
        if (picture.pixels.size() != size_t(picture.width) * size_t(picture.height)) __builtin_trap();
    }

private:
    static void rect(const DeviceRect& r) { check(r.left), check(r.top), check(r.right), check(r.bottom); }
    static void points(const DevicePoint* p, size_t n) {
        for (size_t i = 0; i < n; ++i) check(p[i].x), check(p[i].y);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Drawing drawing;
    const LoadResult loaded = size > 0 && data[0] == 'J' && size > 1 && data[1] == 'w'
                                  ? LoadJww(drawing, data, size)
                                  : LoadJwz(drawing, data, size);
    if (!loaded.ok) return 0;
    CheckingTarget target;
    RenderRequest request;
    request.width = 128;
    request.height = 96;
    request.limits.maxRecords = 100'000;
    request.limits.maxPieces = 100'000;
    request.limits.maxPicturePixels = 1'000'000;
    RenderOptions options;
    RenderDrawing(target, drawing, options, request);
    options.lastDraw = 1;
    options.drawOrder = 1;
    request.scale = 96.0 / 25.4;  // real scale, as metafiles are drawn
    RenderDrawing(target, drawing, options, request);
    return 0;
}
