// The drawing area's rendering, zoom and pan.
#include "app/drawing_view.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "output/raster_render.h"

namespace korvel {

namespace {
constexpr double kMinZoom = 1.0 / 16;
constexpr double kMaxZoom = 256.0;
}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent), worker_(std::make_unique<RenderWorker>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    // The pointer's drawing coordinates and the measuring tool follow it without a button held.
    setMouseTracking(true);
}

DrawingView::~DrawingView() {
    // The job calls back into this view; it must be over before any member goes.
    ++generation_;
    worker_.reset();
}

void DrawingView::invalidate() {
    ++content_;
    viewChanged();
}

void DrawingView::viewChanged() {
    dirty_ = true;
    ++generation_;
    update();
}

void DrawingView::cancelRender() {
    if (!rendering_) return;
    cancelRequested_ = true;
    ++generation_;
}

void DrawingView::stopRender() {
    if (!rendering_) return;
    ++generation_;
    worker_->waitIdle();
    rendering_ = false;
    ++serial_;  // its report, already on its way, is not this view's any more
    dirty_ = true;
    update();  // a view still shown paints, and its paint starts the next render
}

void DrawingView::paintEvent(QPaintEvent*) {
    if (dirty_ && !rendering_) QTimer::singleShot(0, this, [this] { startRender(); });
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (picture_.isNull()) return;
    if (shown_.zoom == zoom_ && shown_.pan == drawnPan() && shown_.size == size()) {
        p.drawImage(0, 0, picture_);
    } else if (!pendingCentre_ && shown_.size == size()) {
        // Until the new picture is ready, the last one stands in, moved and scaled to the view.
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.translate(drawnPan());
        p.scale(zoom_ / shown_.zoom, zoom_ / shown_.zoom);
        p.translate(-shown_.pan);
        p.drawImage(0, 0, picture_);
        p.restore();
    } else {
        p.drawImage(0, 0, picture_);
    }
    if (overlays_.empty()) return;
    const ViewMapping m = mapping();
    for (ViewOverlay* overlay : overlays_) {
        p.save();
        overlay->paintOverlay(p, m);
        p.restore();
    }
}

void DrawingView::renderNow() {
    cancelRequested_ = false;
    // A render under way is waited for (it starts over if it is out of date), then one more is
    // made if the picture still does not match the view.
    for (int round = 0; round < 2 && !cancelRequested_; ++round) {
        if (!rendering_) {
            if (!dirty_) return;
            startRender();
        }
        while (rendering_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void DrawingView::startRender() {
    if (rendering_) {
        if (dirty_) ++generation_;  // out of date: it stops, and its end starts the next
        return;
    }
    if (!dirty_) return;
    applyPendingCentre();
    dirty_ = false;
    cancelRequested_ = false;
    const QSize size = this->size().expandedTo(QSize(1, 1));
    const Shown target{zoom_, drawnPan(), size, content_};
    // The picture before the one shown, when nothing holds it any more: its pages are already
    // the process's, where a new one of a few megabytes would fault every page in again.
    std::shared_ptr<QImage> image;
    if (spare_.size() == size && spare_.format() == QImage::Format_RGB32 && spare_.isDetached())
        image = std::make_shared<QImage>(std::move(spare_));
    else
        image = std::make_shared<QImage>(NewCanvas(size.width(), size.height(), QImage::Format_RGB32));
    spare_ = QImage();
    image->fill(Qt::white);
    QRegion todo(QRect(QPoint(0, 0), size));
    if (!rendered_.isNull() && shown_.content == content_ && shown_.zoom == zoom_ && shown_.size == size) {
        // A pan: the pixels already drawn move along, only the uncovered strips are drawn. Lines
        // that crossed the old edge may step a pixel apart there, where Qt cut them.
        const QPoint by = target.pan - shown_.pan;
        QPainter keep(image.get());
        keep.drawImage(by, rendered_);
        keep.end();
        todo -= QRect(by, size);
    }
    qint64 pixels = 0;
    for (const QRect& r : todo) pixels += qint64(r.width()) * r.height();
    const unsigned serial = ++serial_;
    renderTimer_.start();
    rendering_ = true;
    if (todo.isEmpty() || !renderer_) {
        finishRender(serial, image, RenderResult{}, target, 0);
        return;
    }
    const int w = std::max(1, static_cast<int>(size.width() * zoom_ + 0.5));
    const int h = std::max(1, static_cast<int>(size.height() * zoom_ + 0.5));
    const unsigned generation = generation_.load();
    worker_->start([this, job = renderer_(), image, todo, w, h, target, serial, pixels, generation] {
        const RenderResult result = job(*image, target.pan, todo, w, h, [this, generation](size_t, size_t) {
            return generation_.load(std::memory_order_relaxed) == generation;
        });
        QMetaObject::invokeMethod(
            this, [this, serial, image, result, target, pixels] { finishRender(serial, image, result, target, pixels); },
            Qt::QueuedConnection);
    });
}

void DrawingView::finishRender(unsigned serial, const std::shared_ptr<QImage>& image, const RenderResult& result,
                               const Shown& shown, qint64 pixels) {
    if (serial != serial_ || !rendering_) return;
    worker_->waitIdle();  // the job has posted this as its last act; let it return
    rendering_ = false;
    if (result.completed) {
        QImage previous = std::move(rendered_);
        rendered_ = *image;
        picture_ = rendered_;
        spare_ = std::move(previous);
        shown_ = shown;
        penPosition_ = QPoint(0, 0);
        lastRenderMs_ = renderTimer_.elapsed();
        lastRenderedPixels_ = pixels;
        ++renderCount_;
        if (finished_) finished_(result);
    }
    if (!result.completed || dirty_) {
        // Commands that waited for the render run first, then the picture is made again.
        dirty_ = true;
        QTimer::singleShot(0, this, [this] { startRender(); });
    }
    update();
}

void DrawingView::resizeEvent(QResizeEvent*) { viewChanged(); }

void DrawingView::resetView() {
    zoom_ = 1.0;
    pan_ = QPointF();
    pendingCentre_ = false;
    viewChanged();
}

ViewMapping DrawingView::mapping() const { return mappingAt(true); }

ViewMapping DrawingView::mappingAt(bool wholePixels) const {
    double x = pan_.x(), y = pan_.y();
    if (pendingCentre_) PanToCentre(frame_, width(), height(), zoom_, centreWanted_, x, y);
    // The picture is drawn at whole pixels; the view itself keeps its exact place.
    if (wholePixels) {
        x = qRound(x);
        y = qRound(y);
    }
    return MapView(frame_, width(), height(), zoom_, x, y);
}

Point2 DrawingView::centre() const { return mappingAt(false).toDrawing(width() / 2.0, height() / 2.0); }

void DrawingView::centreOn(Point2 centre, double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    centreWanted_ = centre;
    pendingCentre_ = true;
    viewChanged();
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
    viewChanged();
}

void DrawingView::panBy(QPointF delta) {
    applyPendingCentre();
    pan_ += delta;
    viewChanged();
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
