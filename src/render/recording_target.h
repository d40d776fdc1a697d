// A target that records every call with its arguments: the oracle of the renderer's tests.
#pragma once

#include <string>
#include <vector>

#include "render/render_target.h"

namespace korvel {

enum class CallKind {
    SetPen,
    SetBrush,
    FillRect,
    MoveTo,
    LineTo,
    Polyline,
    Polygon,
    Ellipse,
    Arc,
    SetFont,
    SetTextColor,
    TextOut,
    BeginPath,
    EndPath,
    StrokeAndFillPath,
    StretchPicture,
};

struct RecordedCall {
    CallKind kind;
    std::vector<int> args;             // rectangles, positions, arc end points, picture size
    std::vector<DevicePoint> points;   // polyline and polygon points
    PenSpec pen;                       // SetPen
    BrushSpec brush;                   // SetBrush
    FontSpec font;                     // SetFont
    uint32_t color = 0;                // SetTextColor
    std::u32string text;               // TextOut
};

class RecordingTarget : public RenderTarget {
public:
    std::vector<RecordedCall> calls;

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

    // The calls of one kind, in order.
    std::vector<RecordedCall> only(CallKind kind) const;
    size_t count(CallKind kind) const;
    void clear() { calls.clear(); }
};

}  // namespace korvel
