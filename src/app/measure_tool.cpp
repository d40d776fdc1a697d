// The measuring tool: snapping the pointer, the two clicks, the readout and the marks over the
// picture.
#include "app/measure_tool.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "app/drawing_view.h"
#include "render/measurement.h"

namespace korvel {

namespace {

const QColor kMarkColour(0, 150, 255);
const QColor kLineColour(255, 64, 0);

QPointF pixelOf(const ViewMapping& m, Point2 p) { return {m.toPixelX(p.x), m.toPixelY(p.y)}; }

// A mark that tells what the pointer snapped to: a square at ends, a triangle at midpoints, a
// circle at centres, a diamond at points and a cross at crossings.
void paintSnapMark(QPainter& p, QPointF at, SnapKind kind) {
    constexpr double r = 5.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kMarkColour, 2.0));
    switch (kind) {
        case SnapKind::End: p.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r)); break;
        case SnapKind::Middle: {
            const QPointF tri[3] = {{at.x(), at.y() - r}, {at.x() + r, at.y() + r}, {at.x() - r, at.y() + r}};
            p.drawPolygon(tri, 3);
            break;
        }
        case SnapKind::Centre: p.drawEllipse(at, r, r); break;
        case SnapKind::Point: {
            const QPointF diamond[4] = {{at.x(), at.y() - r}, {at.x() + r, at.y()}, {at.x(), at.y() + r}, {at.x() - r, at.y()}};
            p.drawPolygon(diamond, 4);
            break;
        }
        case SnapKind::Intersection:
            p.drawLine(QPointF(at.x() - r, at.y() - r), QPointF(at.x() + r, at.y() + r));
            p.drawLine(QPointF(at.x() - r, at.y() + r), QPointF(at.x() + r, at.y() - r));
            break;
    }
}

void paintPlainMark(QPainter& p, QPointF at) {
    p.setPen(QPen(kLineColour, 1.0));
    p.drawLine(QPointF(at.x() - 4, at.y()), QPointF(at.x() + 4, at.y()));
    p.drawLine(QPointF(at.x(), at.y() - 4), QPointF(at.x(), at.y() + 4));
}

void paintPoint(QPainter& p, const ViewMapping& m, const MeasurePoint& point) {
    const QPointF at = pixelOf(m, point.at);
    if (point.snap) paintSnapMark(p, at, point.snap->kind);
    else paintPlainMark(p, at);
}

// The readout beside the line's middle, on a pale box so that it reads over any drawing.
void paintLabel(QPainter& p, QPointF a, QPointF b, const QString& text) {
    const QFontMetrics metrics(p.font());
    QRectF box = metrics.boundingRect(text);
    box.adjust(-4, -2, 4, 2);
    const QPointF middle = (a + b) / 2.0;
    box.moveTopLeft(middle + QPointF(8, 8));
    // Kept inside the area, also for a line that runs along its edge.
    if (const QPaintDevice* device = p.device()) {
        const double w = device->width() / device->devicePixelRatioF(), h = device->height() / device->devicePixelRatioF();
        box.moveLeft(std::clamp(box.left(), 2.0, std::max(2.0, w - box.width() - 2.0)));
        box.moveTop(std::clamp(box.top(), 2.0, std::max(2.0, h - box.height() - 2.0)));
    }
    p.setPen(QPen(kLineColour, 1.0));
    p.setBrush(QColor(255, 255, 235, 230));
    p.drawRect(box);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

QString MeasurementReadout(Point2 from, Point2 to, double scale) {
    const Measurement m = Measure(from, to);
    return QString::fromStdString(DistanceText(m.distance, scale) + "  " + AngleText(m.angle));
}

MeasureTool::MeasureTool(DrawingView& view, std::function<SnapGeometry()> geometry, std::function<double(int)> scaleOf,
                         QObject* parent)
    : QObject(parent), view_(view), gather_(std::move(geometry)), scaleOf_(std::move(scaleOf)) {}

void MeasureTool::forget() {
    geometry_.reset();
    clear();
}

void MeasureTool::clear() {
    first_.reset();
    second_.reset();
    hover_.reset();
    tell();
}

const SnapGeometry& MeasureTool::geometry() {
    if (!geometry_) geometry_ = gather_();
    return *geometry_;
}

MeasurePoint MeasureTool::pointAt(QPointF pixel, bool snapping) {
    const ViewMapping m = view_.mapping();
    MeasurePoint point{m.toDrawing(pixel.x(), pixel.y()), std::nullopt};
    if (!snapping) return point;
    point.snap = geometry().snap(point.at, m.millimetres(kSnapRadiusPixels));
    if (point.snap) point.at = point.snap->at;
    return point;
}

double MeasureTool::scaleFor(const MeasurePoint& a, const MeasurePoint& b) const {
    if (a.snap) return scaleOf_(a.snap->layerGroup);
    if (b.snap) return scaleOf_(b.snap->layerGroup);
    return scaleOf_(-1);
}

void MeasureTool::moveTo(QPointF pixel, bool snapping) {
    hover_ = pointAt(pixel, snapping);
    tell();
}

void MeasureTool::clickAt(QPointF pixel, bool snapping) {
    const MeasurePoint point = pointAt(pixel, snapping);
    if (!first_ || second_) {
        first_ = point;
        second_.reset();
    } else {
        second_ = point;
    }
    hover_ = point;
    tell();
}

QString MeasureTool::readout() const {
    if (first_ && second_) return MeasurementReadout(first_->at, second_->at, scaleFor(*first_, *second_));
    if (first_ && hover_) return MeasurementReadout(first_->at, hover_->at, scaleFor(*first_, *hover_));
    return QStringLiteral("測定: 始点をクリック (Shift: スナップなし、Esc: 終了)");
}

void MeasureTool::tell() {
    emit readoutChanged(readout());
    view_.update();
}

void MeasureTool::pointerMoved(QPointF at, Qt::KeyboardModifiers modifiers) {
    moveTo(at, !(modifiers & Qt::ShiftModifier));
}

bool MeasureTool::pressed(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    if (button == Qt::RightButton) {
        clear();
        return true;
    }
    if (button != Qt::LeftButton) return false;
    clickAt(at, !(modifiers & Qt::ShiftModifier));
    return true;
}

bool MeasureTool::keyPressed(int key) {
    if (key != Qt::Key_Escape) return false;
    emit leaveRequested();
    return true;
}

void MeasureTool::pointerLeft() {
    hover_.reset();
    tell();
}

void MeasureTool::paintOverlay(QPainter& p, const ViewMapping& m) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const MeasurePoint* end = second_ ? &*second_ : hover_ ? &*hover_ : nullptr;
    if (first_ && end) {
        const QPointF a = pixelOf(m, first_->at), b = pixelOf(m, end->at);
        p.setPen(QPen(kLineColour, 1.5, second_ ? Qt::SolidLine : Qt::DashLine));
        p.drawLine(a, b);
        paintPoint(p, m, *first_);
        paintPoint(p, m, *end);
        paintLabel(p, a, b, readout());
        if (second_ && hover_ && hover_->snap) paintPoint(p, m, *hover_);
        return;
    }
    if (first_) paintPoint(p, m, *first_);
    if (hover_ && hover_->snap) paintPoint(p, m, *hover_);
}

}  // namespace korvel
