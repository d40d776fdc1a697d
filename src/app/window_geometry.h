// The sizes and texts the main window derives from the drawing: the window size that follows the
// drawing's aspect, and the nine status-bar panels.
#pragma once

#include <QSize>
#include <QString>
#include <array>

#include "drawing/drawing.h"

namespace korvel {

// Portrait drawings keep the height 540, wide ones the width 720 (100 pixels of the height are
// the menu, toolbar and status bar). An aspect that is not a positive finite number, or one so
// extreme that a side would vanish, gives the starting size 720 x 540.
QSize FittedWindowSize(double aspect);

constexpr int kStatusPanels = 9;
constexpr std::array<int, kStatusPanels> kStatusPanelWidths{55, 60, 60, 60, 50, 50, 50, 50, 50};

// "Ver : 6.00", "L = 12 ", ... "01：02 ": the version, the record counts by kind and the
// editing time kept in ExtraOption[0] (seconds).
std::array<QString, kStatusPanels> StatusBarTexts(const Drawing& drawing);

// "Ver : " and the version's first digit, a point and its next two digits.
QString VersionPanelText(uint32_t version);
// Hours and minutes, two digits each, joined by a full-width colon, then a space.
QString EditingTimeText(uint32_t seconds);

}  // namespace korvel
