// The canvas of the window and of raster export: a QPainter drawing as the Windows graphics
// layer draws (aliased, thinnest pen one pixel, FillRect excluding right and bottom, arcs
// counter-clockwise from the start ray to the end ray).
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <optional>
#include <utility>
#include <vector>

#include "platform/capsule_stamps.h"
#include "platform/hairline_raster.h"
#include "render/render_target.h"

namespace korvel {

class QtPainterTarget : public RenderTarget {
public:
    // The painter must stay active while the target is used; its render hints are set here.
    explicit QtPainterTarget(QPainter& painter);
    ~QtPainterTarget() override;

    void end() override;
    void flush() override { flushLines(); }
    void clip(const std::optional<DeviceRect>& rect) override;
    void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) override;
    void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                 const BrushSpec& brush) override;
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override;
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override;
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override;
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override;
    void image(const DeviceRect& rect, const RasterImage& picture) override;

private:
    // The painter's pen and brush change only when a call asks for another one: most records
    // draw with the pen of the record before.
    void usePen(const PenSpec& pen);
    void useBrush(const BrushSpec& brush);
    // Two-point lines of one pen are drawn together: most dashes and most lines are such.
    void flushLines();
    // Whether and where lines may be written straight into the painter's image: only where Qt
    // would put the same pixels there (an image of 32-bit pixels, no antialiasing, plain
    // source-over at full opacity, at most a whole-pixel translation, a clip of whole-pixel
    // rectangles). Asked when the target is made and when it clips, not for every line.
    void findDirectPixels();
    bool drawsDirectly(const PenSpec& pen) const { return hairlines_ && pen.width < 2; }

    QPainter& painter_;
    std::optional<PenSpec> painterPen_;      // what the painter holds, when it is one of ours
    std::optional<BrushSpec> painterBrush_;
    std::vector<QPoint> scratch_;
    std::vector<QLine> lines_;
    PenSpec linesPen_;
    static constexpr size_t kPenCacheSize = 32;
    std::vector<std::pair<PenSpec, QPen>> penCache_;
    DirectPixels direct_;                     // for wide lines' stamps
    std::optional<HairlineRaster> hairlines_;  // for the thinnest lines
};

}  // namespace korvel
