// Every band renders the whole drawing at the same fitted scale, shifted up by the band's top;
// the painter clips what falls outside.
#include "output/two_colour_render.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "platform/qt_painter_target.h"

namespace korvel {

namespace {

constexpr int64_t kBandPixels = 8 << 20;  // 32 MB of 32-bit canvas per band

bool isWhite(QRgb p) {
    // Rec. 601 weights in integers: 299 + 587 + 114 = 1000.
    return qRed(p) * 299 + qGreen(p) * 587 + qBlue(p) * 114 >= 128 * 1000;
}

}  // namespace

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
    for (int top = 0; top < height; top += bandHeight) {
        band.fill(ToQColor(BackgroundColor(drawing, options)));
        {
            QPainter painter(&band);
            painter.translate(0, -top);
            QtPainterTarget target(painter);
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
            for (int x = 0; x < width; ++x) dst[x] = isWhite(src[x]) ? 1 : 0;
        }
    }
    return out;
}

}  // namespace korvel
