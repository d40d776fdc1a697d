// The layer panel's rows and boxes.
#include "app/layer_dock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "drawing/cp932.h"
#include "render/measurement.h"

namespace korvel {

namespace {

constexpr const char* kHex = "0123456789ABCDEF";
constexpr int kGroupRole = Qt::UserRole;
constexpr int kLayerRole = Qt::UserRole + 1;

Qt::CheckState checkOf(LayerShow s) {
    switch (s) {
        case LayerShow::Hidden: return Qt::Unchecked;
        case LayerShow::Greyed: return Qt::PartiallyChecked;
        case LayerShow::Shown: return Qt::Checked;
    }
    return Qt::Checked;
}

LayerShow showOf(Qt::CheckState c) {
    switch (c) {
        case Qt::Unchecked: return LayerShow::Hidden;
        case Qt::PartiallyChecked: return LayerShow::Greyed;
        case Qt::Checked: return LayerShow::Shown;
    }
    return LayerShow::Shown;
}

// A group's or layer's own state as a box: 0 hidden (shown anyway for data that draws every
// layer), 1 greyed, more shown.
LayerShow ownShow(uint32_t state, bool allLayers) {
    if (state == 0) return allLayers ? LayerShow::Shown : LayerShow::Hidden;
    return state == 1 ? LayerShow::Greyed : LayerShow::Shown;
}

QString label(QString number, const std::string& cp932Name) {
    return cp932Name.empty() ? number : number + QStringLiteral("  ") + QString::fromStdString(Cp932ToUtf8(cp932Name));
}

}  // namespace

LayerDock::LayerDock(QWidget* parent) : QDockWidget(QStringLiteral("レイヤ"), parent) {
    setObjectName(QStringLiteral("layerDock"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    tree_ = new QTreeWidget(body);
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({QStringLiteral("グループ / レイヤ"), QStringLiteral("縮尺・件数")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setToolTip(QStringLiteral("チェックをクリックするたびに 表示 → 非表示 → グレー表示 と変わります"));
    layout->addWidget(tree_);
    // The partial box of the style is the greyed state; say so where the boxes are.
    auto* legend = new QLabel(QStringLiteral("☑ 表示　■ グレー表示　☐ 非表示 (クリックで切り替え)"), body);
    legend->setWordWrap(true);
    layout->addWidget(legend);
    auto* buttons = new QHBoxLayout;
    auto* all = new QPushButton(QStringLiteral("すべて表示"), body);
    auto* own = new QPushButton(QStringLiteral("図面の状態に戻す"), body);
    buttons->addWidget(all);
    buttons->addWidget(own);
    layout->addLayout(buttons);
    setWidget(body);

    for (int g = 0; g < kLayerGroups; ++g) {
        auto* group = new QTreeWidgetItem(tree_);
        group->setData(0, kGroupRole, g);
        group->setData(0, kLayerRole, -1);
        group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsUserTristate);
        group->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        for (int l = 0; l < kLayers; ++l) {
            auto* layer = new QTreeWidgetItem(group);
            layer->setData(0, kGroupRole, g);
            layer->setData(0, kLayerRole, l);
            layer->setFlags(group->flags());
            layer->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    groupShow_.fill(LayerShow::Shown);
    for (auto& g : layerShow_) g.fill(LayerShow::Shown);
    ownGroupShow_ = groupShow_;
    ownLayerShow_ = layerShow_;
    connect(tree_, &QTreeWidget::itemChanged, this, &LayerDock::itemChanged);
    connect(all, &QPushButton::clicked, this, &LayerDock::showEverything);
    connect(own, &QPushButton::clicked, this, &LayerDock::backToTheDrawing);
}

QTreeWidgetItem* LayerDock::itemOf(int g, int l) const {
    QTreeWidgetItem* group = tree_->topLevelItem(g);
    return l < 0 || !group ? group : group->child(l);
}

void LayerDock::showDrawing(const Drawing& d) {
    const DrawingHeader& h = d.header;
    uint32_t outside = 0;
    const auto counts = CountRecordsByLayer(d, outside);
    filling_ = true;
    for (int g = 0; g < kLayerGroups; ++g) {
        ownGroupShow_[g] = ownShow(h.LayerGroupState[g], d.AllLayers);
        uint32_t groupCount = 0;
        QTreeWidgetItem* group = itemOf(g, -1);
        for (int l = 0; l < kLayers; ++l) {
            ownLayerShow_[g][l] = ownShow(h.LayerState[g][l], d.AllLayers);
            const uint32_t n = counts[g * kLayers + l];
            groupCount += n;
            QTreeWidgetItem* layer = group->child(l);
            layer->setText(0, label(QStringLiteral("%1-%2").arg(QChar(kHex[g])).arg(QChar(kHex[l])), h.LayerName[g][l]));
            layer->setText(1, QString::number(n));
            layer->setForeground(0, n == 0 ? palette().brush(QPalette::Disabled, QPalette::Text) : palette().brush(QPalette::Text));
        }
        const std::string scale = ScaleText(h.LayerGroupScale[g]);
        group->setText(0, label(QString(QChar(kHex[g])), h.LayerGroupName[g]));
        group->setText(1, QString::fromStdString(scale.empty() ? "-" : scale) + QStringLiteral("  ") + QString::number(groupCount));
        group->setToolTip(1, QStringLiteral("縮尺 %1、%2 件").arg(QString::fromStdString(scale)).arg(groupCount));
    }
    filling_ = false;
    backToTheDrawing();
}

LayerShow LayerDock::boxState(int g, int l) const { return l < 0 ? groupShow_[g] : layerShow_[g][l]; }

void LayerDock::setBoxState(int g, int l, LayerShow show) {
    if (QTreeWidgetItem* item = itemOf(g, l)) item->setCheckState(0, checkOf(show));
}

void LayerDock::itemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || column != 0) return;
    const int g = item->data(0, kGroupRole).toInt(), l = item->data(0, kLayerRole).toInt();
    if (g < 0 || g >= kLayerGroups || l >= kLayers) return;
    const LayerShow show = showOf(item->checkState(0));
    LayerShow& slot = l < 0 ? groupShow_[g] : layerShow_[g][l];
    if (slot == show) return;
    slot = show;
    rebuildChoice();
}

void LayerDock::rebuildChoice() {
    LayerChoice next;
    for (int g = 0; g < kLayerGroups; ++g)
        for (int l = 0; l < kLayers; ++l) next.set(g, l, std::min(groupShow_[g], layerShow_[g][l]));
    if (next == choice_) return;
    choice_ = next;
    emit choiceChanged();
}

void LayerDock::showEverything() {
    filling_ = true;
    for (int g = 0; g < kLayerGroups; ++g) {
        groupShow_[g] = LayerShow::Shown;
        itemOf(g, -1)->setCheckState(0, Qt::Checked);
        for (int l = 0; l < kLayers; ++l) {
            layerShow_[g][l] = LayerShow::Shown;
            itemOf(g, l)->setCheckState(0, Qt::Checked);
        }
    }
    filling_ = false;
    rebuildChoice();
}

void LayerDock::backToTheDrawing() {
    filling_ = true;
    groupShow_ = ownGroupShow_;
    layerShow_ = ownLayerShow_;
    for (int g = 0; g < kLayerGroups; ++g) {
        itemOf(g, -1)->setCheckState(0, checkOf(groupShow_[g]));
        for (int l = 0; l < kLayers; ++l) itemOf(g, l)->setCheckState(0, checkOf(layerShow_[g][l]));
    }
    filling_ = false;
    rebuildChoice();
}

}  // namespace korvel
