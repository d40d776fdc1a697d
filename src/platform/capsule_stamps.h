// Wide plain lines drawn as stamps: the pixels Qt fills for a line's outline, taken once for
// each shape (the line's run across and down and its width) and copied wherever the shape
// recurs. Dashes of wide pens repeat a few shapes many thousands of times.
#pragma once

#include <QImage>
#include <QLine>
#include <QPointF>
#include <QRect>
#include <cstdint>
#include <vector>

namespace korvel {

// Points in the outline of a line with round ends.
constexpr int kCapsulePoints = 18;

// The outline of `line` at width `w`: each end a half polygon of 8 sides. Every point lies on
// Qt's grid of 1/64 pixel, where Qt's fills place points anyway; so the same shape moved by
// whole pixels is the same outline moved by whole pixels, and Qt fills the same pixels moved.
void CapsuleOutline(const QLine& line, double w, QPointF* out);

// The pixels of an image that drawing may write straight into: those of an image painted by
// an aliased, solid, source-over painter whose transform moves by whole pixels at most.
struct DirectPixels {
    uchar* bits = nullptr;        // null: draw through the painter
    qsizetype bytesPerLine = 0;
    QRect clip;                   // the pixels that may be written (the image or the clip)
    QPoint offset;                // the painter's translation
};

class CapsuleStamps {
public:
    // Fills the outline of `line` (painter units) of width `w` with `argb` (opaque), as
    // QPainter::drawPolygon fills CapsuleOutline with an aliased solid brush and no pen, cut at
    // `to.clip` as Qt cuts fills. False, with nothing drawn, for lines too long or pens too wide
    // to stamp: the caller lets Qt draw those.
    bool draw(const DirectPixels& to, const QLine& line, int w, QRgb argb);

    size_t shapes() const { return shapes_; }

private:
    struct Key {
        int dx, dy, w;
        bool operator==(const Key& k) const { return dx == k.dx && dy == k.dy && w == k.w; }
    };
    // A shape as its runs of filled pixels, relative to the line's first point: from row `top`,
    // `rows` rows, each a count and then (from, past) column pairs in `runs_` from `runs` on.
    // Kept in the slot itself and in one array of bytes, so that a dash asking for its stamp
    // reads a line or two that are likely in the cache: the wide dashes of a view ask tens of
    // thousands of times for a few thousand shapes.
    struct Slot {
        Key key;
        int32_t runs = -1;  // none: the slot is free
        int16_t top = 0, rows = 0, left = 0, right = 0;
    };
    const Slot& stampOf(const Key& key);

    // What the stamps may hold: a few megabytes, then they are made afresh.
    static constexpr size_t kMaxShapes = size_t(1) << 16;
    static constexpr size_t kMaxHeld = size_t(1) << 22;  // bytes of runs
    // The longest run across or down a stamp, and its widest pen: a shape's columns, taken from
    // its first point, stay within a byte.
    static constexpr int kMaxRun = 64;
    static constexpr int kMaxWidth = 32;
    // Open addressing, at most half full and no larger than that: a lookup is a hash and a
    // probe or two in a table that stays in the cache.
    static constexpr size_t kFirstSlots = 256;
    size_t slotOf(const Key& key) const;
    std::vector<Slot> slots_;
    std::vector<int8_t> runs_;
    size_t shapes_ = 0;
};

}  // namespace korvel
