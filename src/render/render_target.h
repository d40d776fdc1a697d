// The canvas every renderer draws through: integer device coordinates (x right, y down),
// colours as 0x00BBGGRR. Backends keep no drawing state beyond what these calls hand them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

struct DevicePoint {
    int x = 0;
    int y = 0;
    bool operator==(const DevicePoint& o) const { return x == o.x && y == o.y; }
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

    virtual void setPen(const PenSpec& pen) = 0;
    virtual void setBrush(const BrushSpec& brush) = 0;

    // Fills [left, right) x [top, bottom) with the brush, no outline (FillRect).
    virtual void fillRect(int left, int top, int right, int bottom) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual void polyline(const DevicePoint* points, size_t count) = 0;
    // Outline with the pen, inside with the brush.
    virtual void polygon(const DevicePoint* points, size_t count) = 0;
    virtual void ellipse(int left, int top, int right, int bottom) = 0;
    // Counter-clockwise arc of the ellipse in the box, from the ray through the start point to
    // the ray through the end point (GDI Arc).
    virtual void arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                     int yEnd) = 0;

    virtual void setFont(const FontSpec& font) = 0;
    virtual void setTextColor(uint32_t color) = 0;
    // Draws text with the current font; (x, y) is the top-left of the character cell before
    // the escapement turns it about that point. Texts are drawn with a transparent background.
    virtual void textOut(int x, int y, const std::u32string& text) = 0;

    // Glyph outlines: between beginPath and endPath, textOut adds outlines to a path instead of
    // drawing; strokeAndFillPath then fills it with the brush and strokes it with the pen.
    virtual void beginPath() = 0;
    virtual void endPath() = 0;
    virtual void strokeAndFillPath() = 0;

    // Stretches the picture into [left, right) x [top, bottom).
    virtual void stretchPicture(int left, int top, int right, int bottom,
                                const RasterImage& picture) = 0;

    // Puts out whatever a backend holds back to draw in batches; the render driver calls it when
    // a render ends. Backends that draw at once need not override it.
    virtual void flush() {}
};

}  // namespace korvel
