// Rendering into QImages.
#include "output/raster_render.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"

namespace korvel {

int FitHeight(const Drawing& drawing, int width) { return FitHeight(drawing.extents, width); }

int FitHeight(const Extents& e, int width) {
    const double W = e.MaxX - e.MinX, H = e.MaxY - e.MinY;
    if (!(W > 0.0) || !(H > 0.0) || !std::isfinite(W / H)) return std::clamp(width, 1, kMaxRasterSide);
    const double height = std::nearbyint(width / (W / H));
    return static_cast<int>(std::clamp(height, 1.0, double(kMaxRasterSide)));
}

RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 const RenderProgress& progress) {
    return RenderToImage(drawing, options, width, FitHeight(PictureFrame(drawing, options), width), 0.0, progress);
}

RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 int height, double scale, const RenderProgress& progress) {
    RasterRenderResult out;
    if (width < 1 || height < 1 || width > kMaxRasterSide || height > kMaxRasterSide) return out;
    out.image = QImage(width, height, QImage::Format_RGB32);
    if (out.image.isNull()) return out;
    out.image.fill(QtColorOf(BackgroundColor(drawing, options)));
    QPainter painter(&out.image);
    QtPainterTarget target(painter);
    RenderRequest request;
    request.width = width;
    request.height = height;
    request.clearBackground = false;  // already filled, edge to edge
    request.scale = scale;
    request.progress = progress;
    out.render = RenderDrawing(target, drawing, options, request);
    return out;
}

}  // namespace korvel
