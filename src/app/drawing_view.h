// The drawing area: keeps the last rendered picture and paints from it, renders again when the
// drawing, the settings or the size changed, zooms about the cursor and pans. A long render lets
// the window's events run, and a newer request cancels it.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QWidget>
#include <functional>

#include "render/render_driver.h"

namespace korvel {

class DrawingView : public QWidget {
    Q_OBJECT
public:
    // Draws the picture into the painter: the area is `width` x `height` device units (the
    // window's size times the zoom) and the painter already carries the pan. Returns false
    // when the progress callback cancelled.
    using Renderer = std::function<bool(QPainter& painter, int width, int height,
                                        const RenderProgress& progress)>;

    explicit DrawingView(QWidget* parent = nullptr);
    void setRenderer(Renderer renderer) { renderer_ = std::move(renderer); }

    // Renders again at the next chance (cancelling a render under way).
    void invalidate();
    // Renders now, unless a render is under way (then that one starts over).
    void renderNow();
    bool rendering() const { return rendering_; }
    // Asks a render under way to stop at its next record.
    void cancelRender() { ++generation_; }

    // Back to the fitted view.
    void resetView();
    double zoom() const { return zoom_; }
    QPointF pan() const { return pan_; }
    // Zooms by `factor` keeping the drawing point under `anchor` (widget pixels) in place.
    void zoomAbout(QPointF anchor, double factor);
    void panBy(QPointF delta);

    // A line on the picture from the current pen position to `to`, which becomes the new one.
    void drawLineTo(QPoint to);

    const QImage& picture() const { return picture_; }
    int renderCount() const { return renderCount_; }  // completed renders
    qint64 lastRenderMilliseconds() const { return lastRenderMs_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool renderOnce();
    bool progress(size_t done);

    Renderer renderer_;
    QImage picture_;
    bool dirty_ = true;
    bool rendering_ = false;
    unsigned generation_ = 0;
    unsigned renderingGeneration_ = 0;
    QElapsedTimer sinceEvents_;
    int renderCount_ = 0;
    qint64 lastRenderMs_ = 0;
    QPoint penPosition_;
    double zoom_ = 1.0;
    QPointF pan_;
    bool panning_ = false;
    bool spaceHeld_ = false;
    QPoint lastMouse_;
};

}  // namespace korvel
