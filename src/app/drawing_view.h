// The drawing area: keeps the last rendered picture and paints from it, renders again when the
// drawing, the settings or the size changed, zooms about the cursor and pans. Pictures are made on
// a render thread: meanwhile the last picture is shown, moved and scaled to the new view, and a
// newer request cancels an older one. A pan keeps the pixels already drawn and renders only the
// strips it uncovers.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "app/render_worker.h"
#include "app/view_tools.h"
#include "render/render_driver.h"
#include "render/view_mapping.h"

namespace korvel {

class DrawingView : public QWidget {
    Q_OBJECT
public:
    // Draws the picture on `image`, on the render thread: the area is `width` x `height` device
    // units (the window's size times the zoom), moved by `pan` on the image. Only the pixels of
    // `todo` are to be drawn; the rest of the image holds what was drawn before. Where `todo` is
    // the whole image, the image is white. The result says whether the progress callback
    // cancelled.
    using RenderJob = std::function<RenderResult(QImage& image, QPoint pan, const QRegion& todo, int width,
                                                 int height, const RenderProgress& progress)>;
    // Called on the window's thread when a render starts: takes what the render reads of the
    // window (options, frame) and gives the job. What the job reads besides must not change
    // until the render has stopped (stopRender).
    using Renderer = std::function<RenderJob()>;
    // Called on the window's thread when a render has completed.
    using RenderFinished = std::function<void(const RenderResult&)>;

    explicit DrawingView(QWidget* parent = nullptr);
    ~DrawingView() override;
    void setRenderer(Renderer renderer) { renderer_ = std::move(renderer); }
    void setRenderFinished(RenderFinished finished) { finished_ = std::move(finished); }

    // The drawing or the settings changed: renders again at the next chance (cancelling a render
    // under way); none of the last picture's pixels are kept.
    void invalidate();
    // Brings the picture up to date and returns when it is (or when cancelRender stopped it),
    // letting the window's events run meanwhile.
    void renderNow();
    bool rendering() const { return rendering_; }
    // Asks a render under way to stop at its next record.
    void cancelRender();
    // Stops a render under way and returns once the render thread has let go of everything the
    // job reads; the picture is made again afterwards.
    void stopRender();

    // Back to the fitted view.
    void resetView();
    double zoom() const { return zoom_; }
    QPointF pan() const { return pan_; }
    // Zooms by `factor` keeping the drawing point under `anchor` (widget pixels) in place.
    void zoomAbout(QPointF anchor, double factor);
    void panBy(QPointF delta);

    // The frame the renderer fits the picture to; the mapping below follows it.
    void setFrame(const Extents& frame) {
        frame_ = frame;
        ++content_;
    }
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
    // Pixels the last completed render drew (the rest were kept from the picture before).
    qint64 lastRenderedPixels() const { return lastRenderedPixels_; }

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
    // Where a picture's pixels stand: the view it was made for.
    struct Shown {
        double zoom = 1.0;
        QPoint pan;
        QSize size;
        unsigned content = 0;
    };

    // The view moved: renders again, keeping what can be kept.
    void viewChanged();
    void startRender();
    void finishRender(unsigned serial, const std::shared_ptr<QImage>& image, const RenderResult& result,
                      const Shown& shown, qint64 pixels);
    void applyPendingCentre();
    // Pictures are drawn at whole pixels of the pan, so that one moved by a pan matches one
    // drawn there: a fractional offset would round some points the other way.
    QPoint drawnPan() const { return pan_.toPoint(); }
    ViewMapping mappingAt(bool wholePixels) const;

    Renderer renderer_;
    RenderFinished finished_;
    QImage rendered_;  // the last completed render
    QImage picture_;   // what is shown: the render and the lines drawn on it since
    QImage spare_;     // the render before, for the next render to draw on
    Shown shown_;
    unsigned content_ = 0;  // changes whenever the pixels of a view would change
    bool dirty_ = true;
    bool rendering_ = false;
    bool cancelRequested_ = false;
    unsigned serial_ = 0;  // of the render under way; a stopped render's late report is ignored
    std::atomic<unsigned> generation_{0};
    QElapsedTimer renderTimer_;
    int renderCount_ = 0;
    qint64 lastRenderMs_ = 0;
    qint64 lastRenderedPixels_ = 0;
    std::unique_ptr<RenderWorker> worker_;
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
