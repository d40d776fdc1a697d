// The layer panel: the sixteen layer groups with their names and scales, each with its sixteen
// layers, their names and record counts, and a box per row that shows, greys or hides it. It
// starts from the drawing's own states at every load; what it says goes into the window's
// pictures and exports, never into the drawing.
#pragma once

#include <QDockWidget>
#include <array>

#include "drawing/drawing.h"
#include "render/layer_choice.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace korvel {

class LayerDock : public QDockWidget {
    Q_OBJECT
public:
    explicit LayerDock(QWidget* parent = nullptr);

    // Fills the panel from the drawing (names, scales, counts, states).
    void showDrawing(const Drawing& drawing);
    // The choice the boxes make: a pair draws hidden when its group or its layer is hidden,
    // greyed when either is greyed, as the drawing's own states work.
    const LayerChoice& choice() const { return choice_; }

    // The group's or layer's own box (layer -1: the group's).
    LayerShow boxState(int layerGroup, int layer) const;
    void setBoxState(int layerGroup, int layer, LayerShow show);
    void showEverything();
    void backToTheDrawing();

    QTreeWidget* tree() const { return tree_; }

signals:
    void choiceChanged();

private:
    void itemChanged(QTreeWidgetItem* item, int column);
    void rebuildChoice();
    QTreeWidgetItem* itemOf(int layerGroup, int layer) const;

    QTreeWidget* tree_ = nullptr;
    std::array<LayerShow, kLayerGroups> groupShow_{};
    std::array<std::array<LayerShow, kLayers>, kLayerGroups> layerShow_{};
    std::array<LayerShow, kLayerGroups> ownGroupShow_{};
    std::array<std::array<LayerShow, kLayers>, kLayerGroups> ownLayerShow_{};
    LayerChoice choice_;
    bool filling_ = false;
};

}  // namespace korvel
