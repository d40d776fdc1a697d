// Korvel's 0x00BBGGRR colours as Qt's colours, at the edge where Qt draws them.
#pragma once

#include <QColor>

#include <cstdint>

#include "drawing/colour.h"

namespace korvel {

inline QColor QtColorOf(uint32_t c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
// Qt's alpha is dropped.
inline uint32_t ColorOfQt(const QColor& c) { return MakeColor(c.red(), c.green(), c.blue()); }

}  // namespace korvel
