// Every band renders the whole drawing at the same fitted scale, shifted up by the band's top;
// the painter clips what falls outside.
#include "output/two_colour_render.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "drawing/colour.h"
#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"

namespace korvel {

namespace {

constexpr int64_t kBandPixels = 8 << 20;  // 32 MB of 32-bit canvas per band

}  // namespace

uint8_t TwoColourIndex(uint32_t rgb, uint32_t background, int x, int y) {
    rgb &= 0x00FFFFFF;
    const uint32_t color = SwapRedBlue(rgb);  // the canvas's pixels are 0x00RRGGBB
    if (!IsLightColor(color)) return 0;
    const int l = LuminanceMilli(color);
    if (l >= 160 * 1000 && l < 224 * 1000 && rgb != background) return static_cast<uint8_t>(x & y & 1);
    return 1;
}

IndexedImage RenderTwoColour(const Drawing& drawing, const RenderOptions& options, int width,
                             int height, RenderResult& result) {
    IndexedImage out;
    if (width < 1 || height < 1) return out;
    const int bandHeight = static_cast<int>(std::clamp<int64_t>(kBandPixels / width, 1, height));
    QImage band(width, bandHeight, QImage::Format_RGB32);
    if (band.isNull()) return out;
    out.width = width;
    out.height = height;
    out.palette = {0x00000000, 0x00FFFFFF};
    out.indices.assign(static_cast<size_t>(width) * height, 0);
    const QColor fill = QtColorOf(BackgroundColor(drawing, options));
    const uint32_t background = fill.rgb() & 0x00FFFFFF;
    for (int top = 0; top < height; top += bandHeight) {
        band.fill(fill);
        {
            QPainter painter(&band);
            painter.translate(0, -top);
            QtPainterTarget target(painter);
            // Smoothed edges of greyed texts would mostly fall to white and leave only scraps of
            // the glyphs in the pattern; without smoothing every glyph pixel takes it.
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            RenderRequest request;
            request.width = width;
            request.height = height;
            request.clearBackground = false;  // the band starts as the background
            result = RenderDrawing(target, drawing, options, request);
        }
        const int rows = std::min(bandHeight, height - top);
        for (int y = 0; y < rows; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(band.constScanLine(y));
            uint8_t* dst = out.row(top + y);
            for (int x = 0; x < width; ++x) dst[x] = TwoColourIndex(src[x], background, x, top + y);
        }
    }
    return out;
}

RasterRenderResult RenderTwoColourToImage(const Drawing& drawing, const RenderOptions& options,
                                          int width, int height) {
    RasterRenderResult out;
    const IndexedImage indexed = RenderTwoColour(drawing, options, width, height, out.render);
    if (indexed.width == 0) return out;
    QImage image(indexed.width, indexed.height, QImage::Format_Mono);
    if (image.isNull()) return out;
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < indexed.height; ++y) {
        const uint8_t* src = indexed.row(y);
        uchar* dst = image.scanLine(y);
        std::fill_n(dst, (indexed.width + 7) / 8, uchar(0));
        for (int x = 0; x < indexed.width; ++x)
            if (src[x]) dst[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
    }
    out.image = std::move(image);
    return out;
}

}  // namespace korvel
