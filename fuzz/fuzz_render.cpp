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
    void setPen(const PenSpec&) override {}
    void setBrush(const BrushSpec&) override {}
    void fillRect(int l, int t, int r, int b) override { check(l), check(t), check(r), check(b); }
    void moveTo(int x, int y) override { check(x), check(y); }
    void lineTo(int x, int y) override { check(x), check(y); }
    void polyline(const DevicePoint* p, size_t n) override { points(p, n); }
    void polygon(const DevicePoint* p, size_t n) override { points(p, n); }
    void ellipse(int l, int t, int r, int b) override { check(l), check(t), check(r), check(b); }
    void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override {
        check(l), check(t), check(r), check(b), check(xs), check(ys), check(xe), check(ye);
    }
    void setFont(const FontSpec&) override {}
    void setTextColor(uint32_t) override {}
    void textOut(int x, int y, const std::u32string&) override { check(x), check(y); }
    void beginPath() override { ++depth_; }
    void endPath() override {
        if (--depth_ < 0) __builtin_trap();
    }
    void strokeAndFillPath() override {}
    void stretchPicture(int l, int t, int r, int b, const RasterImage& picture) override {
        check(l), check(t), check(r), check(b);
        if (picture.pixels.size() != size_t(picture.width) * size_t(picture.height)) __builtin_trap();
    }

private:
    void points(const DevicePoint* p, size_t n) {
        for (size_t i = 0; i < n; ++i) check(p[i].x), check(p[i].y);
    }
    int depth_ = 0;
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
