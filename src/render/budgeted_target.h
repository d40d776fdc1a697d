// Stands between the render and its canvas and charges what is drawn to the render's budget:
// strokes, fills, glyphs and picture pixels, each by a rough measure of the work and bytes it
// costs a canvas. Once the budget is spent, drawing calls are dropped and the render stops.
// The measure lives in the budget (RenderBudget::takePieces); this class only forwards.
#pragma once

#include "render/render_budget.h"
#include "render/render_target.h"

namespace korvel {

class BudgetedTarget : public RenderTarget {
public:
    BudgetedTarget(RenderTarget& target, RenderBudget& budget) : t_(target), budget_(budget) {}

    void setPen(const PenSpec& pen) override {
        if (take(1)) t_.setPen(pen);
    }
    void setBrush(const BrushSpec& brush) override {
        if (take(1)) t_.setBrush(brush);
    }
    void fillRect(int left, int top, int right, int bottom) override {
        if (take(1)) t_.fillRect(left, top, right, bottom);
    }
    void moveTo(int x, int y) override {
        if (take(1)) t_.moveTo(x, y);
    }
    void lineTo(int x, int y) override {
        if (take(1)) t_.lineTo(x, y);
    }
    void polyline(const DevicePoint* points, size_t count) override {
        if (take(pointsCost(count))) t_.polyline(points, count);
    }
    void polygon(const DevicePoint* points, size_t count) override {
        if (take(pointsCost(count))) t_.polygon(points, count);
    }
    void ellipse(int left, int top, int right, int bottom) override {
        if (take(2)) t_.ellipse(left, top, right, bottom);
    }
    void arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override {
        if (take(2)) t_.arc(left, top, right, bottom, xs, ys, xe, ye);
    }
    void setFont(const FontSpec& font) override {
        if (take(1)) t_.setFont(font);
    }
    void setTextColor(uint32_t color) override {
        if (take(1)) t_.setTextColor(color);
    }
    void textOut(int x, int y, const std::u32string& text) override {
        if (take(RenderBudget::kPiecesPerGlyph * (1 + text.size()))) t_.textOut(x, y, text);
    }
    // A path begun is always ended, so that the canvas is never left inside one.
    void beginPath() override { t_.beginPath(); }
    void endPath() override { t_.endPath(); }
    void strokeAndFillPath() override {
        if (take(4)) t_.strokeAndFillPath();
    }
    void stretchPicture(int left, int top, int right, int bottom, const RasterImage& picture) override {
        if (take(16 + picture.pixels.size() / RenderBudget::kPicturePixelsPerPiece))
            t_.stretchPicture(left, top, right, bottom, picture);
    }
    void flush() override { t_.flush(); }

private:
    static uint64_t pointsCost(size_t count) { return 1 + count / 8; }
    bool take(uint64_t pieces) { return budget_.takePieces(pieces); }

    RenderTarget& t_;
    RenderBudget& budget_;
};

}  // namespace korvel
