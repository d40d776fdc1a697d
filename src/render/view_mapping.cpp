// The drawing area's mapping, and the pan and zoom that show a point or a box.
#include "render/view_mapping.h"

#include <algorithm>
#include <cmath>

#include "render/render_driver.h"

namespace korvel {

int ZoomedSize(int pixels, double zoom) { return std::max(1, static_cast<int>(pixels * zoom + 0.5)); }

ViewMapping MapView(const Extents& frame, int width, int height, double zoom, double panX, double panY) {
    ViewMapping m;
    m.MinX = frame.MinX;
    m.MaxY = frame.MaxY;
    m.scale = FitScale(frame, ZoomedSize(width, zoom), ZoomedSize(height, zoom));
    m.panX = panX;
    m.panY = panY;
    return m;
}

void PanToCentre(const Extents& frame, int width, int height, double zoom, Point2 centre, double& panX, double& panY) {
    const ViewMapping m = MapView(frame, width, height, zoom, 0.0, 0.0);
    panX = width / 2.0 - m.toPixelX(centre.x);
    panY = height / 2.0 - m.toPixelY(centre.y);
}

double ZoomForBox(const Extents& frame, int width, int height, double minX, double minY, double maxX, double maxY,
                  double fill, double minZoom, double maxZoom) {
    const double fitted = MapView(frame, width, height, 1.0, 0.0, 0.0).scale;  // pixels per mm at zoom 1
    const double w = std::fabs(maxX - minX), h = std::fabs(maxY - minY);
    if (!(fitted > 0.0) || !std::isfinite(fitted)) return 1.0;
    double zoom = maxZoom;
    if (w > 0.0) zoom = std::min(zoom, fill * width / (w * fitted));
    if (h > 0.0) zoom = std::min(zoom, fill * height / (h * fitted));
    if (!std::isfinite(zoom)) zoom = maxZoom;
    return std::clamp(zoom, minZoom, maxZoom);
}

}  // namespace korvel
