// The canvas every renderer draws through: integer device coordinates (x right, y down),
// colours as 0x00BBGGRR. Every call carries its own style; a backend keeps no drawing state
// beyond what a call hands it, and caches only what it must make of a style (a QPen, a metafile's
// pen object) to switch when the style changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

struct DevicePoint {
    int x = 0;
    int y = 0;
    bool operator==(const DevicePoint& o) const { return x == o.x && y == o.y; }
};

// [left, right) x [top, bottom) for fills; the bounding box of ellipses and arcs.
struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const DeviceRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool empty() const { return right <= left || bottom <= top; }
};

enum class LineCap : uint8_t { Round, Flat, Square };
enum class LineJoin : uint8_t { Round, Miter, Bevel };

struct PenSpec {
    uint32_t color = 0;   // 0x00BBGGRR
    int width = 0;        // device units; 0 is the thinnest pen (one device pixel)
    bool geometric = false;  // explicit caps and joins (wide curve strokes)
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    bool operator==(const PenSpec& o) const {
        return color == o.color && width == o.width && geometric == o.geometric && cap == o.cap &&
               join == o.join;
    }
    bool operator!=(const PenSpec& o) const { return !(*this == o); }
};

// Brush styles in the order the hatch settings number them (1..8 map to these in order).
enum class BrushStyle : uint8_t {
    Solid,
    Clear,
    BDiagonal,   // "／"
    FDiagonal,   // "＼"
    Cross,
    DiagCross,
    Horizontal,
    Vertical,
};

struct BrushSpec {
    BrushStyle style = BrushStyle::Solid;
    uint32_t color = 0;
    bool operator==(const BrushSpec& o) const { return style == o.style && color == o.color; }
    bool operator!=(const BrushSpec& o) const { return !(*this == o); }
};

// A font as Windows creates one per character: height and average width of the cell in device
// units, escapement in tenths of a degree (counter-clockwise), weight (0 default, 700 bold).
struct FontSpec {
    std::string face;  // UTF-8 face name as the drawing names it (e.g. "ＭＳ ゴシック")
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontSpec& o) const {
        return face == o.face && height == o.height && width == o.width &&
               escapement == o.escapement && orientation == o.orientation && weight == o.weight &&
               italic == o.italic && underline == o.underline && strikeOut == o.strikeOut;
    }
    bool operator!=(const FontSpec& o) const { return !(*this == o); }
};

enum class TextMode : uint8_t {
    Glyphs,   // the characters in the colour
    Outline,  // the characters' outlines stroked with the outline pen and filled with its brush
};

struct TextStyle {
    FontSpec font;
    uint32_t color = 0;
    TextMode mode = TextMode::Glyphs;
    PenSpec outlinePen;      // Outline only
    BrushSpec outlineBrush;  // Outline only
    bool operator==(const TextStyle& o) const {
        return font == o.font && color == o.color && mode == o.mode &&
               (mode == TextMode::Glyphs ||
                (outlinePen == o.outlinePen && outlineBrush == o.outlineBrush));
    }
};

// A decoded picture: 32-bit pixels 0xAARRGGBB (not premultiplied), rows top to bottom.
struct RasterImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    bool empty() const { return width <= 0 || height <= 0; }
};

class RenderTarget {
public:
    virtual ~RenderTarget() = default;

    // A render begins and ends with these. end() puts out whatever a backend holds back to draw
    // in batches; a backend takes further calls after it (a page is drawn in several goes).
    virtual void begin() {}
    virtual void end() {}
    // Draws now whatever the target holds back, so that its pixels are final so far.
    virtual void flush() {}
    // Later calls draw only inside the rectangle; none lifts the clip. Backends that always
    // draw the whole picture may ignore it.
    virtual void clip(const std::optional<DeviceRect>& rect) { (void)rect; }

    virtual void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) = 0;
    // Outline with the pen, inside with the brush (a clear brush: outline only).
    virtual void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                         const BrushSpec& brush) = 0;
    // The rectangle with the brush, no outline (FillRect).
    virtual void fillRect(const DeviceRect& rect, const BrushSpec& brush) = 0;
    virtual void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) = 0;
    // Counter-clockwise arc of the ellipse in the box, from the ray through `start` to the ray
    // through `end` (GDI Arc); the same ray twice is the whole ellipse.
    virtual void arc(const DeviceRect& box, DevicePoint start, DevicePoint end,
                     const PenSpec& pen) = 0;
    // `cell` is the top-left of the character cell before the escapement turns it about that
    // point. Texts are drawn with a transparent background.
    virtual void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) = 0;
    // Stretches the picture into the rectangle.
    virtual void image(const DeviceRect& rect, const RasterImage& picture) = 0;
};

}  // namespace korvel
