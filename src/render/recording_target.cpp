#include "render/recording_target.h"

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "drawing/colour.h"
#include "drawing/text_conversion.h"

namespace korvel {

namespace {

void colour(std::ostream& out, uint32_t c) {
    const auto flags = out.flags();
    const char fill = out.fill('0');
    out << '#' << std::hex << std::setw(2) << int(RedOf(c)) << std::setw(2) << int(GreenOf(c))
        << std::setw(2) << int(BlueOf(c));
    out.flags(flags);
    out.fill(fill);
}

const char* nameOf(LineCap cap) {
    switch (cap) {
        case LineCap::Flat: return "flat";
        case LineCap::Square: return "square";
        default: return "round";
    }
}

const char* nameOf(LineJoin join) {
    switch (join) {
        case LineJoin::Miter: return "miter";
        case LineJoin::Bevel: return "bevel";
        default: return "round";
    }
}

const char* nameOf(BrushStyle style) {
    switch (style) {
        case BrushStyle::Solid: return "solid";
        case BrushStyle::Clear: return "clear";
        case BrushStyle::BDiagonal: return "bdiagonal";
        case BrushStyle::FDiagonal: return "fdiagonal";
        case BrushStyle::Cross: return "cross";
        case BrushStyle::DiagCross: return "diagcross";
        case BrushStyle::Horizontal: return "horizontal";
        case BrushStyle::Vertical: return "vertical";
    }
    return "?";
}

void points(std::ostream& out, const std::vector<DevicePoint>& list) {
    for (const DevicePoint& p : list) out << ' ' << p;
}

RecordedCall make(CallKind kind) {
    RecordedCall c;
    c.kind = kind;
    return c;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const DevicePoint& p) {
    return out << '(' << p.x << ',' << p.y << ')';
}

std::ostream& operator<<(std::ostream& out, const DeviceRect& r) {
    return out << "rect(" << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ')';
}

std::ostream& operator<<(std::ostream& out, const PenSpec& pen) {
    out << "pen(";
    colour(out, pen.color);
    out << " w" << pen.width;
    if (pen.geometric) out << " geometric " << nameOf(pen.cap) << ' ' << nameOf(pen.join);
    return out << ')';
}

std::ostream& operator<<(std::ostream& out, const BrushSpec& brush) {
    out << "brush(" << nameOf(brush.style) << ' ';
    colour(out, brush.color);
    return out << ')';
}

std::ostream& operator<<(std::ostream& out, const FontSpec& f) {
    out << "font(\"" << f.face << "\" h" << f.height << " w" << f.width << " e" << f.escapement
        << " o" << f.orientation;
    if (f.weight != 0) out << " weight" << f.weight;
    if (f.italic) out << " italic";
    if (f.underline) out << " underline";
    if (f.strikeOut) out << " strikeout";
    return out << ')';
}

std::ostream& operator<<(std::ostream& out, const RecordedCall& c) {
    switch (c.kind) {
        case CallKind::Clip:
            out << "clip";
            if (c.clipped) out << ' ' << c.rect;
            else out << " none";
            break;
        case CallKind::Polyline:
            out << "polyline " << c.pen;
            points(out, c.points);
            break;
        case CallKind::Polygon:
            out << "polygon " << c.pen << ' ' << c.brush;
            points(out, c.points);
            break;
        case CallKind::FillRect: out << "fillRect " << c.brush << ' ' << c.rect; break;
        case CallKind::Ellipse: out << "ellipse " << c.pen << ' ' << c.brush << ' ' << c.rect; break;
        case CallKind::Arc:
            out << "arc " << c.pen << ' ' << c.rect;
            if (c.points.size() == 2) out << " from " << c.points[0] << " to " << c.points[1];
            break;
        case CallKind::Text:
            out << "text \"" << CodePointsToUtf8(c.text) << "\" at " << c.at << ' ' << c.style.font
                << ' ';
            colour(out, c.style.color);
            if (c.style.mode == TextMode::Outline)
                out << " outline " << c.style.outlinePen << ' ' << c.style.outlineBrush;
            break;
        case CallKind::Image:
            out << "image " << c.rect;
            if (c.picture) out << " picture " << c.picture->width << 'x' << c.picture->height;
            break;
    }
    return out;
}

std::string ToText(const RecordedCall& call) {
    std::ostringstream out;
    out << call;
    return out.str();
}

void RecordingTarget::clip(const std::optional<DeviceRect>& rect) {
    auto c = make(CallKind::Clip);
    c.clipped = rect.has_value();
    if (rect) c.rect = *rect;
    calls.push_back(std::move(c));
}

void RecordingTarget::polyline(const DevicePoint* p, size_t n, const PenSpec& pen) {
    auto c = make(CallKind::Polyline);
    c.points.assign(p, p + n);
    c.pen = pen;
    calls.push_back(std::move(c));
}

void RecordingTarget::polygon(const DevicePoint* p, size_t n, const PenSpec& pen, const BrushSpec& brush) {
    auto c = make(CallKind::Polygon);
    c.points.assign(p, p + n);
    c.pen = pen;
    c.brush = brush;
    calls.push_back(std::move(c));
}

void RecordingTarget::fillRect(const DeviceRect& rect, const BrushSpec& brush) {
    auto c = make(CallKind::FillRect);
    c.rect = rect;
    c.brush = brush;
    calls.push_back(std::move(c));
}

void RecordingTarget::ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) {
    auto c = make(CallKind::Ellipse);
    c.rect = box;
    c.pen = pen;
    c.brush = brush;
    calls.push_back(std::move(c));
}

void RecordingTarget::arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) {
    auto c = make(CallKind::Arc);
    c.rect = box;
    c.points = {start, end};
    c.pen = pen;
    calls.push_back(std::move(c));
}

void RecordingTarget::text(DevicePoint cell, const std::u32string& text, const TextStyle& style) {
    auto c = make(CallKind::Text);
    c.at = cell;
    c.text = text;
    c.style = style;
    calls.push_back(std::move(c));
}

void RecordingTarget::image(const DeviceRect& rect, const RasterImage& picture) {
    auto c = make(CallKind::Image);
    c.rect = rect;
    for (const auto& known : pictures_) {
        if (known.first == picture.pixels.data() && known.second->width == picture.width &&
            known.second->height == picture.height && known.second->pixels == picture.pixels) {
            c.picture = known.second;
            break;
        }
    }
    if (!c.picture) {
        c.picture = std::make_shared<const RasterImage>(picture);
        pictures_.emplace_back(picture.pixels.data(), c.picture);
    }
    calls.push_back(std::move(c));
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

void RecordingTarget::clear() {
    calls.clear();
    pictures_.clear();
}

void RecordingTarget::replay(RenderTarget& target) const {
    for (const RecordedCall& c : calls) {
        switch (c.kind) {
            case CallKind::Clip:
                target.clip(c.clipped ? std::optional<DeviceRect>(c.rect) : std::nullopt);
                break;
            case CallKind::Polyline: target.polyline(c.points.data(), c.points.size(), c.pen); break;
            case CallKind::Polygon:
                target.polygon(c.points.data(), c.points.size(), c.pen, c.brush);
                break;
            case CallKind::FillRect: target.fillRect(c.rect, c.brush); break;
            case CallKind::Ellipse: target.ellipse(c.rect, c.pen, c.brush); break;
            case CallKind::Arc:
                if (c.points.size() == 2) target.arc(c.rect, c.points[0], c.points[1], c.pen);
                break;
            case CallKind::Text: target.text(c.at, c.text, c.style); break;
            case CallKind::Image:
                if (c.picture) target.image(c.rect, *c.picture);
                break;
        }
    }
}

std::string RecordingTarget::listing() const {
    std::ostringstream out;
    for (const RecordedCall& c : calls) out << c << '\n';
    return out.str();
}

}  // namespace korvel
