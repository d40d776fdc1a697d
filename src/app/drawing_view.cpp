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
    setMouseTracking(false);
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
    invalidate();
}

void DrawingView::zoomAbout(QPointF anchor, double factor) {
    const double next = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
    const double applied = next / zoom_;
    pan_ = anchor - (anchor - pan_) * applied;
    zoom_ = next;
    invalidate();
}

void DrawingView::panBy(QPointF delta) {
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
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        lastMouse_ = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    if (!panning_) return;
    const QPoint now = event->position().toPoint();
    panBy(now - lastMouse_);
    lastMouse_ = now;
}

void DrawingView::mouseReleaseEvent(QMouseEvent*) {
    if (!panning_) return;
    panning_ = false;
    unsetCursor();
}

void DrawingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceHeld_ = true;
    QWidget::keyPressEvent(event);
}

void DrawingView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceHeld_ = false;
    QWidget::keyReleaseEvent(event);
}

}  // namespace korvel
