// Measuring on the drawing area: the pointer snaps to line ends, midpoints, circle centres and
// crossings near it; a click starts a measurement, the next one ends it, and the distance and
// angle read in drawing millimetres and at the layer group's scale.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "app/view_tools.h"
#include "render/snap_geometry.h"

namespace korvel {

class DrawingView;

// Snaps within this many pixels of the pointer; Shift held takes the pointer as it is.
constexpr double kSnapRadiusPixels = 10.0;

// A point of a measurement: where it is, and what it snapped to.
struct MeasurePoint {
    Point2 at;
    std::optional<SnapPoint> snap;
};

class MeasureTool : public QObject, public ViewTool, public ViewOverlay {
    Q_OBJECT
public:
    // `geometry` gathers what can be snapped to (called when the tool first needs it after
    // forget()); `scaleOf` answers a layer group's scale, and the scale of points that snapped
    // to nothing (group -1).
    MeasureTool(DrawingView& view, std::function<SnapGeometry()> geometry, std::function<double(int)> scaleOf,
                QObject* parent = nullptr);

    // The drawing or what draws of it changed: the snap points are gathered again when next
    // needed, and a measurement under way is dropped.
    void forget();
    // Starts over without a first point.
    void clear();

    // The pointer over the area at `pixel` (with the modifiers held), a click there.
    void moveTo(QPointF pixel, bool snapping = true);
    void clickAt(QPointF pixel, bool snapping = true);

    const std::optional<MeasurePoint>& first() const { return first_; }
    const std::optional<MeasurePoint>& second() const { return second_; }
    const std::optional<MeasurePoint>& hover() const { return hover_; }
    // "12.50 mm = 1,250 mm at 1/100  36.87°", or what to do next.
    QString readout() const;
    // False when the drawing holds more than the snap points could be gathered for.
    bool snapsComplete() const { return !geometry_ || geometry_->complete(); }

    // ViewTool
    void pointerMoved(QPointF at, Qt::KeyboardModifiers modifiers) override;
    bool pressed(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) override;
    bool keyPressed(int key) override;
    void pointerLeft() override;
    // ViewOverlay
    void paintOverlay(QPainter& painter, const ViewMapping& mapping) override;

signals:
    void readoutChanged(const QString& text);
    // Esc: the tool wants to be left.
    void leaveRequested();

private:
    MeasurePoint pointAt(QPointF pixel, bool snapping);
    const SnapGeometry& geometry();
    double scaleFor(const MeasurePoint& a, const MeasurePoint& b) const;
    void tell();

    DrawingView& view_;
    std::function<SnapGeometry()> gather_;
    std::function<double(int)> scaleOf_;
    std::optional<SnapGeometry> geometry_;
    std::optional<MeasurePoint> first_, second_, hover_;
};

// The text of a measurement between two points at a scale: "12.50 mm = 1,250 mm at 1/100  36.87°".
QString MeasurementReadout(Point2 from, Point2 to, double scale);

}  // namespace korvel
