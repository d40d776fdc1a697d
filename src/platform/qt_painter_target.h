// The canvas of the window and of raster export: a QPainter drawing as the Windows graphics
// layer draws (aliased, thinnest pen one pixel, FillRect excluding right and bottom, arcs
// counter-clockwise from the start ray to the end ray).
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <memory>
#include <utility>
#include <vector>

#include "render/render_target.h"

namespace korvel {

class QtPainterTarget : public RenderTarget {
public:
    // The painter must stay active while the target is used; its render hints are set here.
    explicit QtPainterTarget(QPainter& painter);
    ~QtPainterTarget() override;

    void setPen(const PenSpec& pen) override;
    void setBrush(const BrushSpec& brush) override;
    void fillRect(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void polyline(const DevicePoint* points, size_t count) override;
    void polygon(const DevicePoint* points, size_t count) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
             int yEnd) override;
    void setFont(const FontSpec& font) override;
    void setTextColor(uint32_t color) override;
    void textOut(int x, int y, const std::u32string& text) override;
    void beginPath() override;
    void endPath() override;
    void strokeAndFillPath() override;
    void stretchPicture(int left, int top, int right, int bottom,
                        const RasterImage& picture) override;
    void flush() override;

private:
    // The painter's pen and brush follow the last requested ones only when a drawing call needs them, and
    // only when it changed: most records set the same pen as the one before.
    void applyPen();
    void applyBrush();
    // Two-point lines of one pen are drawn together: most dashes and most lines are such.
    void flushLines();

    QPainter& painter_;
    PenSpec pen_;
    BrushSpec brush_;
    bool penApplied_ = false;
    bool brushApplied_ = false;
    QPoint current_;
    FontSpec font_;
    uint32_t textColor_ = 0;
    std::unique_ptr<QPainterPath> path_;
    bool pathOpen_ = false;
    std::vector<QPoint> scratch_;
    std::vector<QLine> lines_;
    static constexpr size_t kPenCacheSize = 32;
    std::vector<std::pair<PenSpec, QPen>> penCache_;
};

}  // namespace korvel
