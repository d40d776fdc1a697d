// The size of a metafile: its drawing area in device units (96 per inch) and its reference frame
// in hundredths of a millimetre.
#pragma once

#include "drawing/drawing.h"

namespace korvel {

constexpr double kMetafileUnitsPerMm = 96.0 / 25.4;  // 3.779527559055118

struct MetafileFrame {
    int width = 0;   // device units
    int height = 0;
    int frameWidth = 0;   // hundredths of a millimetre
    int frameHeight = 0;
};

// A fitted metafile of w by h device units; its frame is that size at 96 units per inch.
MetafileFrame FittedMetafileFrame(int width, int height);

// The real-scale metafile: a frame of 1.2 times the extents (hundredths of a millimetre) and as
// many device units as that frame holds at 96 per inch.
MetafileFrame RealScaleMetafileFrame(const Extents& extents);

}  // namespace korvel
