// The Qt painter behind RenderTarget.
#include "platform/qt_painter_target.h"

#include <QImage>
#include <cmath>

#include "platform/qt_colour.h"
#include "platform/qt_text.h"

namespace korvel {

namespace {
Qt::PenCapStyle toQt(LineCap cap) {
    switch (cap) {
        case LineCap::Flat: return Qt::FlatCap;
        case LineCap::Square: return Qt::SquareCap;
        default: return Qt::RoundCap;
    }
}

Qt::PenJoinStyle toQt(LineJoin join) {
    switch (join) {
        case LineJoin::Miter: return Qt::MiterJoin;
        case LineJoin::Bevel: return Qt::BevelJoin;
        default: return Qt::RoundJoin;
    }
}

Qt::BrushStyle toQt(BrushStyle style) {
    switch (style) {
        case BrushStyle::Solid: return Qt::SolidPattern;
        case BrushStyle::Clear: return Qt::NoBrush;
        case BrushStyle::BDiagonal: return Qt::BDiagPattern;
        case BrushStyle::FDiagonal: return Qt::FDiagPattern;
        case BrushStyle::Cross: return Qt::CrossPattern;
        case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
        case BrushStyle::Horizontal: return Qt::HorPattern;
        case BrushStyle::Vertical: return Qt::VerPattern;
    }
    return Qt::SolidPattern;
}

// Plain pens up to this width draw their lines as filled outlines with polygonal round ends:
// the same pixels as Qt's stroker gives, without flattening a curve for every end.
constexpr int kOutlinedWidth = 8;

// The outline of a line of width w with round ends, each end a half polygon of 8 sides.
void capsule(const QLine& line, double w, QPointF* out) {
    const double ax = line.x1(), ay = line.y1(), bx = line.x2(), by = line.y2();
    double ux = bx - ax, uy = by - ay;
    const double length = std::sqrt(ux * ux + uy * uy);
    if (length > 0.0) {
        ux /= length;
        uy /= length;
    } else {
        ux = 1.0;
        uy = 0.0;
    }
    const double r = w / 2.0;
    // Directions from -90° to +90° about the line's direction, in steps of 22.5°.
    static const double c[9] = {0.0, 0.38268343236508984, 0.7071067811865476, 0.9238795325112867, 1.0,
                                0.9238795325112867, 0.7071067811865476, 0.38268343236508984, 0.0};
    static const double s[9] = {-1.0, -0.9238795325112867, -0.7071067811865476, -0.38268343236508984, 0.0,
                                0.38268343236508984, 0.7071067811865476, 0.9238795325112867, 1.0};
    for (int i = 0; i < 9; ++i) {  // the far end, turning through the direction of the line
        out[i] = QPointF(bx + r * (c[i] * ux - s[i] * uy), by + r * (c[i] * uy + s[i] * ux));
    }
    for (int i = 0; i < 9; ++i) {  // the near end, turning through the opposite direction
        out[9 + i] = QPointF(ax + r * (-c[i] * ux + s[i] * uy), ay + r * (-c[i] * uy - s[i] * ux));
    }
}

// Degrees counter-clockwise on the screen from the positive x axis.
double rayAngle(double cx, double cy, int x, int y) {
    return std::atan2(cy - y, x - cx) * 180.0 / M_PI;
}
}  // namespace


QtPainterTarget::QtPainterTarget(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setBackgroundMode(Qt::TransparentMode);
}

QtPainterTarget::~QtPainterTarget() { flushLines(); }

void QtPainterTarget::flush() { flushLines(); }

void QtPainterTarget::flushLines() {
    if (lines_.empty()) return;
    if (pen_.geometric || pen_.width < 2 || pen_.width > kOutlinedWidth) {
        applyPen();
        painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        lines_.clear();
        return;
    }
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(QtColorOf(pen_.color));
    QPointF outline[18];
    for (const QLine& line : lines_) {
        capsule(line, pen_.width, outline);
        painter_.drawPolygon(outline, 18, Qt::WindingFill);
    }
    lines_.clear();
    penApplied_ = brushApplied_ = false;
}

void QtPainterTarget::setPen(const PenSpec& pen) {
    if (penApplied_ && pen == pen_) return;
    flushLines();
    pen_ = pen;
    penApplied_ = false;
}

void QtPainterTarget::setBrush(const BrushSpec& brush) {
    if (brushApplied_ && brush == brush_) return;
    brush_ = brush;
    brushApplied_ = false;
}

void QtPainterTarget::applyPen() {
    if (penApplied_) return;
    // Drawings use few pens; building a QPen for each record would cost more than the drawing.
    for (const auto& known : penCache_) {
        if (known.first == pen_) {
            painter_.setPen(known.second);
            penApplied_ = true;
            return;
        }
    }
    QPen pen(QtColorOf(pen_.color));
    // Width 0 is Qt's cosmetic one-pixel pen, as it is the thinnest pen of GDI. Wider plain
    // pens of GDI have round ends and joins.
    pen.setWidth(pen_.width < 0 ? 0 : pen_.width);
    pen.setCapStyle(pen_.geometric ? toQt(pen_.cap) : Qt::RoundCap);
    pen.setJoinStyle(pen_.geometric ? toQt(pen_.join) : Qt::RoundJoin);
    if (penCache_.size() >= kPenCacheSize) penCache_.erase(penCache_.begin());
    penCache_.emplace_back(pen_, pen);
    painter_.setPen(pen);
    penApplied_ = true;
}

void QtPainterTarget::applyBrush() {
    if (brushApplied_) return;
    painter_.setBrush(QBrush(QtColorOf(brush_.color), toQt(brush_.style)));
    brushApplied_ = true;
}

void QtPainterTarget::fillRect(int left, int top, int right, int bottom) {
    flushLines();
    if (right <= left || bottom <= top || brush_.style == BrushStyle::Clear) return;
    painter_.fillRect(QRect(left, top, right - left, bottom - top),
                      QBrush(QtColorOf(brush_.color), toQt(brush_.style)));
}

void QtPainterTarget::moveTo(int x, int y) { current_ = QPoint(x, y); }

void QtPainterTarget::lineTo(int x, int y) {
    flushLines();
    applyPen();
    const QPoint to(x, y);
    painter_.drawLine(current_, to);
    current_ = to;
}

void QtPainterTarget::polyline(const DevicePoint* points, size_t count) {
    if (count < 2) return;
    if (count == 2) {
        lines_.emplace_back(points[0].x, points[0].y, points[1].x, points[1].y);
        if (lines_.size() >= 4096) flushLines();
        return;
    }
    flushLines();
    applyPen();
    scratch_.resize(count);
    for (size_t i = 0; i < count; ++i) scratch_[i] = QPoint(points[i].x, points[i].y);
    painter_.drawPolyline(scratch_.data(), static_cast<int>(count));
}

void QtPainterTarget::polygon(const DevicePoint* points, size_t count) {
    flushLines();
    if (count < 2) return;
    applyPen();
    applyBrush();
    scratch_.resize(count);
    for (size_t i = 0; i < count; ++i) scratch_[i] = QPoint(points[i].x, points[i].y);
    painter_.drawPolygon(scratch_.data(), static_cast<int>(count), Qt::OddEvenFill);
}

void QtPainterTarget::ellipse(int left, int top, int right, int bottom) {
    flushLines();
    applyPen();
    applyBrush();
    painter_.drawEllipse(QRect(left, top, right - left, bottom - top));
}

void QtPainterTarget::arc(int left, int top, int right, int bottom, int xStart, int yStart,
                          int xEnd, int yEnd) {
    flushLines();
    applyPen();
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double start = rayAngle(cx, cy, xStart, yStart);
    double span = rayAngle(cx, cy, xEnd, yEnd) - start;
    while (span <= 0.0) span += 360.0;  // equal rays: the whole ellipse
    painter_.drawArc(QRect(left, top, right - left, bottom - top), static_cast<int>(std::lround(start * 16)),
                     static_cast<int>(std::lround(span * 16)));
}

void QtPainterTarget::setFont(const FontSpec& font) { font_ = font; }

void QtPainterTarget::setTextColor(uint32_t color) { textColor_ = color; }

void QtPainterTarget::textOut(int x, int y, const std::u32string& text) {
    flushLines();
    QtDrawText(painter_, font_, textColor_, x, y, text, pathOpen_ ? path_.get() : nullptr);
    // The text drawing may leave its own pen and brush on the painter.
    penApplied_ = brushApplied_ = false;
}

void QtPainterTarget::beginPath() {
    path_ = std::make_unique<QPainterPath>();
    pathOpen_ = true;
}

void QtPainterTarget::endPath() { pathOpen_ = false; }

void QtPainterTarget::strokeAndFillPath() {
    flushLines();
    if (!path_) return;
    applyPen();
    applyBrush();
    painter_.drawPath(*path_);
    path_.reset();
}

void QtPainterTarget::stretchPicture(int left, int top, int right, int bottom,
                                     const RasterImage& picture) {
    flushLines();
    if (picture.empty() || picture.pixels.size() < size_t(picture.width) * picture.height) return;
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                       picture.height, picture.width * 4, QImage::Format_ARGB32);
    painter_.drawImage(QRect(left, top, right - left, bottom - top), image);
}

}  // namespace korvel
