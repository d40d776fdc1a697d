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
#include <vector>

#include "app/view_tools.h"
#include "render/render_driver.h"
#include "render/view_mapping.h"

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

    // The frame the renderer fits the picture to; the mapping below follows it.
    void setFrame(const Extents& frame) { frame_ = frame; }
    const Extents& frame() const { return frame_; }
    // Between drawing millimetres and the area's pixels, as the area shows the drawing now.
    ViewMapping mapping() const;
    // The drawing point at the middle of the area.
    Point2 centre() const;
    // Shows `centre` at the middle of the area at this zoom (over the fitted view). The area
    // may not have its final size yet: the pan is worked out when the picture is next made.
    void centreOn(Point2 centre, double zoom);
    // Shows the box (millimetres) filling about half of the area, at most at the largest zoom.
    void showBox(double minX, double minY, double maxX, double maxY);

    // Tools and overlays are the caller's; the area only calls them.
    void setTool(ViewTool* tool);
    ViewTool* tool() const { return tool_; }
    void addOverlay(ViewOverlay* overlay);
    void removeOverlay(ViewOverlay* overlay);

    // A line on the picture from the current pen position to `to`, which becomes the new one.
    void drawLineTo(QPoint to);

    const QImage& picture() const { return picture_; }
    int renderCount() const { return renderCount_; }  // completed renders
    qint64 lastRenderMilliseconds() const { return lastRenderMs_; }

signals:
    // The pointer moved over the area (pixels), or left it.
    void pointerMoved(QPointF at);
    void pointerLeft();

protected:
    void leaveEvent(QEvent* event) override;
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
    void applyPendingCentre();

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
    Extents frame_;
    bool pendingCentre_ = false;
    Point2 centreWanted_;
    ViewTool* tool_ = nullptr;
    std::vector<ViewOverlay*> overlays_;
};

}  // namespace korvel
