// A drawing rendered into a QImage of a chosen width: the seam between the renderer and every
// raster output (convert, image export, clipboard bitmaps).
#pragma once

#include <QImage>
#include <QRegion>

#include <functional>

#include "drawing/drawing.h"
#include "render/render_driver.h"
#include "render/render_options.h"

namespace korvel {

// Largest side of a rendered image; a drawing of extreme aspect gets at most this many rows.
constexpr int kMaxRasterSide = 32768;

// The height that keeps the drawing's aspect at this width: round(width / aspect), at least 1
// and at most kMaxRasterSide. A drawing without extents is square.
int FitHeight(const Extents& frame, int width);
int FitHeight(const Drawing& drawing, int width);

class RecordIndex;
class PictureCache;

// How a raster render shares its work out.
struct RasterRenderSettings {
    // Worker threads drawing horizontal bands of the image side by side; 0: one per core. The
    // image is the same byte for byte whatever the number.
    int threads = 0;
    // The drawing's record index, owned by the caller; null: made for the render when it draws
    // in bands.
    const RecordIndex* index = nullptr;
    PictureCache* pictures = nullptr;  // shared decoded pictures; null: one for the render
    RenderLimits limits;
    // Told, from the thread that drew them, of a band's rows as soon as their pixels are final:
    // rows [top, bottom) of `source` (the image or the band's own picture) are those rows of the
    // image, until the call returns. The last band to end is not told (its rows are in the image
    // when the render returns); when the bands are drawn over again at once, every row is told.
    std::function<void(int top, int bottom, const QImage& source)> rowsFinal;
};

struct RasterRenderResult {
    QImage image;         // null when the image could not be allocated
    RenderResult render;
};

// Fills a width x FitHeight image (of the frame the options give, PictureFrame) with the
// background colour PenColor[0] and renders the drawing into it with the fit rule.
RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 const RenderProgress& progress = {});

// The same into an image of the caller's size (and scale; 0 is the fit rule).
RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 int height, double scale, const RenderProgress& progress = {});
RasterRenderResult RenderToImage(const Drawing& drawing, const RenderOptions& options, int width,
                                 int height, double scale, const RenderProgress& progress,
                                 const RasterRenderSettings& settings);

// Renders the drawing on `image`, whose pixels show the render's area (request.width x
// request.height) moved by `offset`: only the pixels of `todo` are drawn. When `todo` is the
// whole image, which must then be filled with `filled` alone, the work is shared out in bands
// over `threads` threads (0: one per core) with the pixels of a single render; a part is drawn
// at once behind its clip. The request's progress is told from the calling thread.
RenderResult RenderIntoImage(QImage& image, QPoint offset, const QRegion& todo, QRgb filled, const Drawing& drawing,
                             const RenderOptions& options, const RenderRequest& request, int threads,
                             const std::function<void(int, int, const QImage&)>& rowsFinal = {});

// A blank picture to render into (its pixels not yet set). A large picture of 32-bit pixels
// lies on huge pages where the system gives them: a line drawn down it touches a row per pixel,
// and with small pages each row is a page of its own to look up. Null when out of memory.
QImage NewCanvas(int width, int height, QImage::Format format);

// The threads a render with `threads` asked for uses: one per core for 0, never fewer than one.
int RasterThreads(int threads);

}  // namespace korvel
