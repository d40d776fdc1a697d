// Stands between the render and its canvas and charges what is drawn to the render's budget:
// strokes, fills, glyphs and picture pixels, each by a rough measure of the work and bytes it
// costs a canvas, and a change of pen, brush, font or text colour as a canvas would make one.
// Once the budget is spent, drawing calls are dropped and the render stops.
// The measure lives in the budget (RenderBudget::takePieces); this class only forwards.
#pragma once

#include "render/render_budget.h"
#include "render/render_target.h"

namespace korvel {

class BudgetedTarget : public RenderTarget {
public:
    BudgetedTarget(RenderTarget& target, RenderBudget& budget) : t_(target), budget_(budget) {}

    void begin() override { t_.begin(); }
    void end() override { t_.end(); }
    void flush() override { t_.flush(); }
    void clip(const std::optional<DeviceRect>& rect) override { t_.clip(rect); }

    void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) override {
        if (take(pointsCost(count) + penChange(pen))) t_.polyline(points, count, pen);
    }
    void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                 const BrushSpec& brush) override {
        if (take(pointsCost(count) + penChange(pen) + brushChange(brush)))
            t_.polygon(points, count, pen, brush);
    }
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override {
        if (take(1 + brushChange(brush))) t_.fillRect(rect, brush);
    }
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override {
        if (take(2 + penChange(pen) + brushChange(brush))) t_.ellipse(box, pen, brush);
    }
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override {
        if (take(2 + penChange(pen))) t_.arc(box, start, end, pen);
    }
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override {
        uint64_t cost = RenderBudget::kPiecesPerGlyph * (1 + text.size()) + fontChange(style);
        if (style.mode == TextMode::Outline)
            cost += 4 + penChange(style.outlinePen) + brushChange(style.outlineBrush);
        if (take(cost)) t_.text(cell, text, style);
    }
    void image(const DeviceRect& rect, const RasterImage& picture) override {
        if (take(16 + picture.pixels.size() / RenderBudget::kPicturePixelsPerPiece))
            t_.image(rect, picture);
    }

private:
    static uint64_t pointsCost(size_t count) { return 1 + count / 8; }
    bool take(uint64_t pieces) { return budget_.takePieces(pieces); }

    // A style differing from the last one of its kind costs one piece more.
    uint64_t penChange(const PenSpec& pen) {
        if (havePen_ && pen == pen_) return 0;
        pen_ = pen;
        havePen_ = true;
        return 1;
    }
    uint64_t brushChange(const BrushSpec& brush) {
        if (haveBrush_ && brush == brush_) return 0;
        brush_ = brush;
        haveBrush_ = true;
        return 1;
    }
    uint64_t fontChange(const TextStyle& style) {
        uint64_t cost = 0;
        if (!haveFont_ || style.font != font_) {
            font_ = style.font;
            cost = 1;
        }
        if (!haveFont_ || style.color != textColor_) {
            textColor_ = style.color;
            cost += 1;
        }
        haveFont_ = true;
        return cost;
    }

    RenderTarget& t_;
    RenderBudget& budget_;
    bool havePen_ = false, haveBrush_ = false, haveFont_ = false;
    PenSpec pen_;
    BrushSpec brush_;
    FontSpec font_;
    uint32_t textColor_ = 0;
};

}  // namespace korvel
