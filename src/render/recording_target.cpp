#include "render/recording_target.h"

#include <algorithm>

namespace korvel {

namespace {
RecordedCall make(CallKind kind, std::vector<int> args = {}) {
    RecordedCall c{kind, std::move(args), {}, {}, {}, {}, 0, {}};
    return c;
}
}  // namespace

void RecordingTarget::setPen(const PenSpec& pen) {
    auto c = make(CallKind::SetPen);
    c.pen = pen;
    calls.push_back(std::move(c));
}
void RecordingTarget::setBrush(const BrushSpec& brush) {
    auto c = make(CallKind::SetBrush);
    c.brush = brush;
    calls.push_back(std::move(c));
}
void RecordingTarget::fillRect(int l, int t, int r, int b) { calls.push_back(make(CallKind::FillRect, {l, t, r, b})); }
void RecordingTarget::moveTo(int x, int y) { calls.push_back(make(CallKind::MoveTo, {x, y})); }
void RecordingTarget::lineTo(int x, int y) { calls.push_back(make(CallKind::LineTo, {x, y})); }
void RecordingTarget::polyline(const DevicePoint* p, size_t n) {
    auto c = make(CallKind::Polyline);
    c.points.assign(p, p + n);
    calls.push_back(std::move(c));
}
void RecordingTarget::polygon(const DevicePoint* p, size_t n) {
    auto c = make(CallKind::Polygon);
    c.points.assign(p, p + n);
    calls.push_back(std::move(c));
}
void RecordingTarget::ellipse(int l, int t, int r, int b) { calls.push_back(make(CallKind::Ellipse, {l, t, r, b})); }
void RecordingTarget::arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    calls.push_back(make(CallKind::Arc, {l, t, r, b, xs, ys, xe, ye}));
}
void RecordingTarget::setFont(const FontSpec& font) {
    auto c = make(CallKind::SetFont);
    c.font = font;
    calls.push_back(std::move(c));
}
void RecordingTarget::setTextColor(uint32_t color) {
    auto c = make(CallKind::SetTextColor);
    c.color = color;
    calls.push_back(std::move(c));
}
void RecordingTarget::textOut(int x, int y, const std::u32string& text) {
    auto c = make(CallKind::TextOut, {x, y});
    c.text = text;
    calls.push_back(std::move(c));
}
void RecordingTarget::beginPath() { calls.push_back(make(CallKind::BeginPath)); }
void RecordingTarget::endPath() { calls.push_back(make(CallKind::EndPath)); }
void RecordingTarget::strokeAndFillPath() { calls.push_back(make(CallKind::StrokeAndFillPath)); }
void RecordingTarget::stretchPicture(int l, int t, int r, int b, const RasterImage& picture) {
    calls.push_back(make(CallKind::StretchPicture, {l, t, r, b, picture.width, picture.height}));
}

std::vector<RecordedCall> RecordingTarget::only(CallKind kind) const {
    std::vector<RecordedCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [kind](const RecordedCall& c) { return c.kind == kind; });
    return out;
}

size_t RecordingTarget::count(CallKind kind) const {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(),
                                             [kind](const RecordedCall& c) { return c.kind == kind; }));
}

}  // namespace korvel
