// Jw_cad pen colours and widths as DXF colours and lineweights: the AutoCAD colour index (ACI),
// true colours (group 420) and the standard lineweights.
#pragma once

#include <cstdint>

#include "drawing/colour.h"

namespace korvel {

// The RGB of an AutoCAD colour index 1..255 as 0x00BBGGRR; index 7 is listed as white, its
// colour on a dark screen (it prints black).
uint32_t AciColor(int index);

// The index whose colour is nearest to `color` (0x00BBGGRR). Black is index 7, the colour
// every CAD program shows as black on paper and as white on a dark screen.
int NearestAci(uint32_t color);

// Group 420 wants 0x00RRGGBB.
inline int32_t DxfTrueColor(uint32_t bgr) {
    return static_cast<int32_t>(SwapRedBlue(bgr));
}

// Millimetres per device unit of the real-scale picture (96 units per inch): pen widths and
// line-type dashes, which Jw_cad gives in device units, become lengths on paper with it.
constexpr double kMillimetresPerDeviceUnit = 25.4 / 96.0;

// The standard lineweight (hundredths of a millimetre) nearest to a pen `width` in device
// units at real scale; widths below 1 are the thinnest pen, one unit wide.
int DxfLineweight(int width);

}  // namespace korvel
