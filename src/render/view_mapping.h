// Between drawing millimetres and the pixels of a drawing area that shows the drawing fitted to
// its frame, zoomed and panned: what tools drawn over the picture (measuring, search marks)
// and the area itself agree on.
#pragma once

#include "drawing/drawing.h"

namespace korvel {

struct ViewMapping {
    double MinX = 0.0;   // the frame's left and top edges, millimetres
    double MaxY = 0.0;
    double scale = 1.0;  // pixels per millimetre
    double panX = 0.0;   // where the frame's top-left corner lies, pixels
    double panY = 0.0;

    double toPixelX(double x) const { return panX + (x - MinX) * scale; }
    double toPixelY(double y) const { return panY + (MaxY - y) * scale; }
    Point2 toDrawing(double px, double py) const { return {MinX + (px - panX) / scale, MaxY - (py - panY) / scale}; }
    // Millimetres that `pixels` pixels cover.
    double millimetres(double pixels) const { return pixels / scale; }
};

// The mapping of an area of width x height pixels that shows `frame` zoomed by `zoom` over the
// fitted view (the picture being width*zoom x height*zoom, rounded) and panned by (panX, panY).
ViewMapping MapView(const Extents& frame, int width, int height, double zoom, double panX, double panY);

// The pan that puts drawing point `centre` at the middle of the area at this zoom.
void PanToCentre(const Extents& frame, int width, int height, double zoom, Point2 centre, double& panX, double& panY);

// The zoom at which the box (millimetres) fills about `fill` of the area, limited to
// [minZoom, maxZoom]; a box of no size gets maxZoom.
double ZoomForBox(const Extents& frame, int width, int height, double minX, double minY, double maxX, double maxY,
                  double fill, double minZoom, double maxZoom);

// The size of the picture the area renders at a zoom: width*zoom rounded, at least 1.
int ZoomedSize(int pixels, double zoom);

}  // namespace korvel
