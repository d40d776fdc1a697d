// The drawing area's rendering, zoom and pan.
#include "app/drawing_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace korvel {

namespace {
constexpr double kMinZoom = 1.0 / 16;
constexpr double kMaxZoom = 256.0;
// How long a render may hold the window before it lets the events run.
constexpr qint64 kEventSliceMs = 30;
}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    // The pointer's drawing coordinates and the measuring tool follow it without a button held.
    setMouseTracking(true);
}

void DrawingView::invalidate() {
    dirty_ = true;
    ++generation_;
    update();
}

void DrawingView::paintEvent(QPaintEvent*) {
    if (dirty_ && !rendering_) {
        // Render outside the paint event: a long render runs the event loop, which must not
        // happen inside painting.
        QTimer::singleShot(0, this, [this] { renderNow(); });
    }
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    p.fillRect(rect(), Qt::white);
    p.drawImage(0, 0, picture_);
    if (overlays_.empty()) return;
    const ViewMapping m = mapping();
    for (ViewOverlay* overlay : overlays_) {
        p.save();
        overlay->paintOverlay(p, m);
        p.restore();
    }
}

void DrawingView::renderNow() {
    if (rendering_) {
        // The render under way stops at its next record; a fresh one follows it.
        ++generation_;
        return;
    }
    if (!dirty_) return;
    rendering_ = true;
    dirty_ = false;
    const bool completed = renderOnce();
    rendering_ = false;
    if (!completed || dirty_) {
        // Commands that waited for the render run first, then the picture is made again.
        dirty_ = true;
        QTimer::singleShot(0, this, [this] { renderNow(); });
    }
    update();
}

bool DrawingView::renderOnce() {
    applyPendingCentre();
    renderingGeneration_ = generation_;
    const QSize size = this->size().expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QElapsedTimer timer;
    timer.start();
    sinceEvents_.start();
    bool done = true;
    if (renderer_) {
        QPainter painter(&image);
        painter.translate(pan_);
        const int w = std::max(1, static_cast<int>(size.width() * zoom_ + 0.5));
        const int h = std::max(1, static_cast<int>(size.height() * zoom_ + 0.5));
        done = renderer_(painter, w, h, [this](size_t d, size_t) { return progress(d); });
    }
    if (!done) return false;
    picture_ = std::move(image);
    penPosition_ = QPoint(0, 0);
    lastRenderMs_ = timer.elapsed();
    ++renderCount_;
    return true;
}

bool DrawingView::progress(size_t done) {
    if ((done & 63) == 0 && sinceEvents_.elapsed() >= kEventSliceMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        sinceEvents_.restart();
    }
    return renderingGeneration_ == generation_;
}

void DrawingView::resizeEvent(QResizeEvent*) { invalidate(); }

void DrawingView::resetView() {
    zoom_ = 1.0;
    pan_ = QPointF();
    pendingCentre_ = false;
    invalidate();
}

ViewMapping DrawingView::mapping() const {
    double x = pan_.x(), y = pan_.y();
    if (pendingCentre_) PanToCentre(frame_, width(), height(), zoom_, centreWanted_, x, y);
    return MapView(frame_, width(), height(), zoom_, x, y);
}

Point2 DrawingView::centre() const { return mapping().toDrawing(width() / 2.0, height() / 2.0); }

void DrawingView::centreOn(Point2 centre, double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    centreWanted_ = centre;
    pendingCentre_ = true;
    invalidate();
}

void DrawingView::applyPendingCentre() {
    if (!pendingCentre_) return;
    double x = 0.0, y = 0.0;
    PanToCentre(frame_, width(), height(), zoom_, centreWanted_, x, y);
    pan_ = QPointF(x, y);
    pendingCentre_ = false;
}

void DrawingView::showBox(double minX, double minY, double maxX, double maxY) {
    const double zoom = ZoomForBox(frame_, width(), height(), minX, minY, maxX, maxY, 0.5, kMinZoom, kMaxZoom);
    centreOn({(minX + maxX) / 2.0, (minY + maxY) / 2.0}, zoom);
}

void DrawingView::setTool(ViewTool* tool) {
    tool_ = tool;
    if (tool) setCursor(Qt::CrossCursor);
    else unsetCursor();
    update();
}

void DrawingView::addOverlay(ViewOverlay* overlay) {
    if (std::find(overlays_.begin(), overlays_.end(), overlay) == overlays_.end()) overlays_.push_back(overlay);
    update();
}

void DrawingView::removeOverlay(ViewOverlay* overlay) {
    overlays_.erase(std::remove(overlays_.begin(), overlays_.end(), overlay), overlays_.end());
    update();
}

void DrawingView::zoomAbout(QPointF anchor, double factor) {
    applyPendingCentre();
    const double next = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
    const double applied = next / zoom_;
    pan_ = anchor - (anchor - pan_) * applied;
    zoom_ = next;
    invalidate();
}

void DrawingView::panBy(QPointF delta) {
    applyPendingCentre();
    pan_ += delta;
    invalidate();
}

void DrawingView::drawLineTo(QPoint to) {
    if (picture_.isNull()) return;
    QPainter p(&picture_);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(penPosition_, to);
    penPosition_ = to;
    update();
}

void DrawingView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    zoomAbout(event->position(), steps > 0 ? 1.25 : 0.8);
    event->accept();
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
    if (tool_ && !spaceHeld_ && tool_->pressed(event->position(), event->button(), event->modifiers())) {
        update();
        return;
    }
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        lastMouse_ = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(event->position());
    if (tool_ && !panning_) {
        tool_->pointerMoved(event->position(), event->modifiers());
        update();
    }
    if (!panning_) return;
    const QPoint now = event->position().toPoint();
    panBy(now - lastMouse_);
    lastMouse_ = now;
}

void DrawingView::mouseReleaseEvent(QMouseEvent*) {
    if (!panning_) return;
    panning_ = false;
    if (tool_) setCursor(Qt::CrossCursor);
    else unsetCursor();
}

void DrawingView::leaveEvent(QEvent* event) {
    emit pointerLeft();
    if (tool_) {
        tool_->pointerLeft();
        update();
    }
    QWidget::leaveEvent(event);
}

void DrawingView::keyPressEvent(QKeyEvent* event) {
    if (tool_ && tool_->keyPressed(event->key())) {
        update();
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceHeld_ = true;
    QWidget::keyPressEvent(event);
}

void DrawingView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceHeld_ = false;
    QWidget::keyReleaseEvent(event);
}

}  // namespace korvel
