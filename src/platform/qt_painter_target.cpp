// The Qt painter behind RenderTarget.
#include "platform/qt_painter_target.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QRegion>
#include <cmath>

#include "platform/capsule_stamps.h"
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

// Degrees counter-clockwise on the screen from the positive x axis.
double rayAngle(double cx, double cy, int x, int y) {
    return std::atan2(cy - y, x - cx) * 180.0 / M_PI;
}
}  // namespace


QtPainterTarget::QtPainterTarget(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setBackgroundMode(Qt::TransparentMode);
    findDirectPixels();
}

void QtPainterTarget::findDirectPixels() {
    direct_ = DirectPixels{};
    hairlines_.reset();
    QPaintDevice* device = painter_.device();
    QPaintEngine* engine = painter_.paintEngine();
    if (!painter_.isActive() || !device || !engine || device->devType() != QInternal::Image ||
        engine->type() != QPaintEngine::Raster || !engine->systemClip().isEmpty())
        return;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return;
    if (painter_.testRenderHint(QPainter::Antialiasing) ||
        painter_.compositionMode() != QPainter::CompositionMode_SourceOver || painter_.opacity() != 1.0)
        return;
    const QTransform t = painter_.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()) ||
        std::fabs(t.dx()) > 1e6 || std::fabs(t.dy()) > 1e6)
        return;
    const QPoint offset(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    QRegion region(image->rect());
    if (painter_.hasClipping()) {
        region = painter_.clipRegion().translated(offset);
        // Fractional clip edges are rounded by Qt's engine in its own way; those stay with Qt.
        if (!region.isEmpty() && painter_.clipBoundingRect().translated(t.dx(), t.dy()) != QRectF(region.boundingRect()))
            return;
    }
    // constBits: bits() would copy shared pixels away from the painter, which goes on drawing
    // into the pixels it took when it began.
    uchar* const bits = const_cast<uchar*>(image->constBits());
    if (region.rectCount() <= 1) {  // a region of more: Qt tests every span of a fill against it
        direct_.bits = bits;
        direct_.bytesPerLine = image->bytesPerLine();
        direct_.clip = image->rect() & region.boundingRect();
        direct_.offset = offset;
    }
    if (!HairlineRaster::fits(image->width(), image->height()) || image->bytesPerLine() % 4 != 0) return;
    HairlineRaster raster(reinterpret_cast<uint32_t*>(bits), image->width(), image->height(), image->bytesPerLine() / 4);
    raster.setOrigin(offset.x(), offset.y());
    std::vector<PixelRect> rects;
    for (const QRect& r : region) rects.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    raster.setClip(rects);
    hairlines_ = raster;
}

QtPainterTarget::~QtPainterTarget() { flushLines(); }

void QtPainterTarget::end() { flushLines(); }

void QtPainterTarget::clip(const std::optional<DeviceRect>& rect) {
    flushLines();
    if (rect) painter_.setClipRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top));
    else painter_.setClipping(false);
    findDirectPixels();
}

void QtPainterTarget::flushLines() {
    if (lines_.empty()) return;
    const PenSpec& pen = linesPen_;
    if (drawsDirectly(pen)) {
        hairlines_->setPixel(QtColorOf(pen.color).rgb());
        hairlines_->setCaps(!pen.geometric || pen.cap != LineCap::Flat);
        hairlines_->startBatch();
        for (const QLine& line : lines_) hairlines_->line(line.x1(), line.y1(), line.x2(), line.y2());
        lines_.clear();
        return;
    }
    if (pen.geometric || pen.width < 2 || pen.width > kOutlinedWidth) {
        usePen(pen);
        painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        lines_.clear();
        return;
    }
    const QRgb argb = QtColorOf(pen.color).rgba();
    // One set of stamps per thread, kept from render to render: the window's render thread
    // draws the same shapes again at each zoom and pan.
    static thread_local CapsuleStamps stamps;
    QPointF outline[kCapsulePoints];
    // The painter is set up for the outlines only when a line is too long to stamp: the pens
    // change from record to record, and most batches are all stamps.
    bool painterSet = false;
    for (const QLine& line : lines_) {
        if (stamps.draw(direct_, line, pen.width, argb)) continue;
        if (!painterSet) {
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(QtColorOf(pen.color));
            painterPen_.reset();
            painterBrush_.reset();
            painterSet = true;
        }
        CapsuleOutline(line, pen.width, outline);
        painter_.drawPolygon(outline, kCapsulePoints, Qt::WindingFill);
    }
    lines_.clear();
}

void QtPainterTarget::usePen(const PenSpec& wanted) {
    if (painterPen_ && *painterPen_ == wanted) return;
    painterPen_ = wanted;
    // Drawings use few pens; building a QPen for each record would cost more than the drawing.
    for (const auto& known : penCache_) {
        if (known.first == wanted) {
            painter_.setPen(known.second);
            return;
        }
    }
    QPen pen(QtColorOf(wanted.color));
    // Width 0 is Qt's cosmetic one-pixel pen, as it is the thinnest pen of GDI. Wider plain
    // pens of GDI have round ends and joins.
    pen.setWidth(wanted.width < 0 ? 0 : wanted.width);
    pen.setCapStyle(wanted.geometric ? toQt(wanted.cap) : Qt::RoundCap);
    pen.setJoinStyle(wanted.geometric ? toQt(wanted.join) : Qt::RoundJoin);
    if (penCache_.size() >= kPenCacheSize) penCache_.erase(penCache_.begin());
    penCache_.emplace_back(wanted, pen);
    painter_.setPen(pen);
}

void QtPainterTarget::useBrush(const BrushSpec& brush) {
    if (painterBrush_ && *painterBrush_ == brush) return;
    painterBrush_ = brush;
    painter_.setBrush(QBrush(QtColorOf(brush.color), toQt(brush.style)));
}

void QtPainterTarget::fillRect(const DeviceRect& r, const BrushSpec& brush) {
    flushLines();
    if (r.right <= r.left || r.bottom <= r.top || brush.style == BrushStyle::Clear) return;
    painter_.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                      QBrush(QtColorOf(brush.color), toQt(brush.style)));
}

void QtPainterTarget::polyline(const DevicePoint* points, size_t count, const PenSpec& pen) {
    if (count < 2) return;
    if (count == 2) {
        if (!lines_.empty() && pen != linesPen_) flushLines();
        linesPen_ = pen;
        lines_.emplace_back(points[0].x, points[0].y, points[1].x, points[1].y);
        if (lines_.size() >= 4096) flushLines();
        return;
    }
    flushLines();
    if (drawsDirectly(pen)) {
        hairlines_->setPixel(QtColorOf(pen.color).rgb());
        hairlines_->setCaps(!pen.geometric || pen.cap != LineCap::Flat);
        hairlines_->polyline(points, count);
        return;
    }
    usePen(pen);
    scratch_.resize(count);
    for (size_t i = 0; i < count; ++i) scratch_[i] = QPoint(points[i].x, points[i].y);
    painter_.drawPolyline(scratch_.data(), static_cast<int>(count));
}

void QtPainterTarget::polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                              const BrushSpec& brush) {
    flushLines();
    if (count < 2) return;
    usePen(pen);
    useBrush(brush);
    scratch_.resize(count);
    for (size_t i = 0; i < count; ++i) scratch_[i] = QPoint(points[i].x, points[i].y);
    painter_.drawPolygon(scratch_.data(), static_cast<int>(count), Qt::OddEvenFill);
}

void QtPainterTarget::ellipse(const DeviceRect& b, const PenSpec& pen, const BrushSpec& brush) {
    flushLines();
    usePen(pen);
    useBrush(brush);
    painter_.drawEllipse(QRect(b.left, b.top, b.right - b.left, b.bottom - b.top));
}

void QtPainterTarget::arc(const DeviceRect& b, DevicePoint from, DevicePoint to, const PenSpec& pen) {
    flushLines();
    usePen(pen);
    const double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
    const double start = rayAngle(cx, cy, from.x, from.y);
    double span = rayAngle(cx, cy, to.x, to.y) - start;
    while (span <= 0.0) span += 360.0;  // equal rays: the whole ellipse
    painter_.drawArc(QRect(b.left, b.top, b.right - b.left, b.bottom - b.top),
                     static_cast<int>(std::lround(start * 16)), static_cast<int>(std::lround(span * 16)));
}

void QtPainterTarget::text(DevicePoint cell, const std::u32string& text, const TextStyle& style) {
    flushLines();
    if (style.mode == TextMode::Outline) {
        QPainterPath outline;
        QtDrawText(painter_, style.font, style.color, cell.x, cell.y, text, &outline);
        painterPen_.reset();
        painterBrush_.reset();
        usePen(style.outlinePen);
        useBrush(style.outlineBrush);
        painter_.drawPath(outline);
        return;
    }
    QtDrawText(painter_, style.font, style.color, cell.x, cell.y, text, nullptr);
    // The text drawing may leave its own pen and brush on the painter.
    painterPen_.reset();
    painterBrush_.reset();
}

void QtPainterTarget::image(const DeviceRect& r, const RasterImage& picture) {
    flushLines();
    if (picture.empty() || picture.pixels.size() < size_t(picture.width) * picture.height) return;
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                       picture.height, picture.width * 4, QImage::Format_ARGB32);
    painter_.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), image);
}

}  // namespace korvel
