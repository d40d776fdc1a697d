// What the drawing area offers the tools that work on it (measuring, search marks) without
// knowing how it renders: pointer events in its pixels, and painting over the picture.
#pragma once

#include <QPointF>
#include <Qt>

#include "render/view_mapping.h"

class QPainter;

namespace korvel {

// Paints over the drawing area's picture, in the area's pixels.
class ViewOverlay {
public:
    virtual ~ViewOverlay() = default;
    virtual void paintOverlay(QPainter& painter, const ViewMapping& mapping) = 0;
};

// Takes the pointer while it is the area's tool. Presses it does not consume still pan.
class ViewTool {
public:
    virtual ~ViewTool() = default;
    virtual void pointerMoved([[maybe_unused]] QPointF at, [[maybe_unused]] Qt::KeyboardModifiers modifiers) {}
    virtual bool pressed([[maybe_unused]] QPointF at, [[maybe_unused]] Qt::MouseButton button,
                         [[maybe_unused]] Qt::KeyboardModifiers modifiers) {
        return false;
    }
    virtual bool keyPressed([[maybe_unused]] int key) { return false; }
    virtual void pointerLeft() {}
};

}  // namespace korvel
