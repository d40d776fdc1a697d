// Rounded half to even like every device coordinate; sizes are kept within what a 32-bit
// metafile field holds.
#include "output/metafile_frame.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
constexpr double kLimit = 1.0e9;

int roundSize(double v) {
    if (!(v > 0.0)) return 0;  // also NaN
    return static_cast<int>(std::nearbyint(std::min(v, kLimit)));
}
}  // namespace

MetafileFrame FittedMetafileFrame(int width, int height) {
    MetafileFrame f;
    f.width = std::max(width, 0);
    f.height = std::max(height, 0);
    f.frameWidth = roundSize(f.width * 2540.0 / 96.0);
    f.frameHeight = roundSize(f.height * 2540.0 / 96.0);
    return f;
}

MetafileFrame RealScaleMetafileFrame(const Extents& extents) {
    MetafileFrame f;
    f.frameWidth = roundSize((extents.MaxX - extents.MinX) * 100.0 * 1.2);
    f.frameHeight = roundSize((extents.MaxY - extents.MinY) * 100.0 * 1.2);
    f.width = roundSize(f.frameWidth / 100.0 * kMetafileUnitsPerMm);
    f.height = roundSize(f.frameHeight / 100.0 * kMetafileUnitsPerMm);
    return f;
}

}  // namespace korvel
