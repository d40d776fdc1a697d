// The display list: every call a render makes, in order, each with its style. Tests read it as
// the oracle of the renderer (and print it when they fail); a list can be drawn again into any
// other target.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/render_target.h"

namespace korvel {

enum class CallKind {
    Clip,
    Polyline,
    Polygon,
    FillRect,
    Ellipse,
    Arc,
    Text,
    Image,
};

struct RecordedCall {
    CallKind kind = CallKind::Polyline;
    // Polyline and polygon points; an arc's start and end points.
    std::vector<DevicePoint> points;
    // Fill, ellipse and arc box, picture rectangle, clip (with `clipped`).
    DeviceRect rect;
    bool clipped = false;  // Clip: false lifts the clip
    PenSpec pen;
    BrushSpec brush;
    DevicePoint at;     // Text: the cell
    std::u32string text;
    TextStyle style;    // Text
    // Image: the picture, shared by every call that drew the same pixels.
    std::shared_ptr<const RasterImage> picture;
};

// One line per call, colours as #rrggbb (red first), e.g.
// `polyline pen(#0000ff w2) (1,2) (3,4)`.
std::ostream& operator<<(std::ostream& out, const RecordedCall& call);
std::ostream& operator<<(std::ostream& out, const PenSpec& pen);
std::ostream& operator<<(std::ostream& out, const BrushSpec& brush);
std::ostream& operator<<(std::ostream& out, const FontSpec& font);
std::ostream& operator<<(std::ostream& out, const DevicePoint& point);
std::ostream& operator<<(std::ostream& out, const DeviceRect& rect);
std::string ToText(const RecordedCall& call);

class RecordingTarget : public RenderTarget {
public:
    std::vector<RecordedCall> calls;

    void clip(const std::optional<DeviceRect>& rect) override;
    void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) override;
    void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                 const BrushSpec& brush) override;
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override;
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override;
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override;
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override;
    void image(const DeviceRect& rect, const RasterImage& picture) override;

    // The calls of one kind, in order.
    std::vector<RecordedCall> only(CallKind kind) const;
    size_t count(CallKind kind) const;
    void clear();

    // Makes every call again, in order, on the target (begin and end are the caller's).
    void replay(RenderTarget& target) const;
    // The whole list, one call a line.
    std::string listing() const;

private:
    // The pictures drawn so far by the address of their pixels: a picture drawn a hundred times
    // is copied once.
    std::vector<std::pair<const uint32_t*, std::shared_ptr<const RasterImage>>> pictures_;
};

}  // namespace korvel
