// Entries sorted along one channel are searched outwards from the colour's place on that
// channel; the search stops on each side once that channel alone is farther than the best hit.
// A small direct-mapped cache answers the plain areas of a drawing, which repeat one colour.
#include "output/nearest_color.h"

#include <algorithm>

#include "output/raster_image.h"

namespace korvel {

NearestColor::NearestColor(const std::vector<uint32_t>& palette) : palette_(palette) {
    for (size_t i = 0; i < palette_.size() && i < 256; ++i) {
        const uint32_t c = palette_[i];
        byGreen_.push_back({RedOf(c), GreenOf(c), BlueOf(c), static_cast<uint8_t>(i)});
    }
    std::stable_sort(byGreen_.begin(), byGreen_.end(),
                     [](const Entry& a, const Entry& b) { return a.g < b.g; });
    cacheKey_.fill(0xFFFFFFFF);  // no colour has bits above 24 set
    cacheIndex_.fill(0);
}

uint8_t NearestColor::find(uint32_t color) const {
    color &= 0x00FFFFFF;
    const size_t slot = ((color * 2654435761u) >> 20) & (kCacheSize - 1);
    if (cacheKey_[slot] == color) return cacheIndex_[slot];
    const uint8_t index = search(color);
    cacheKey_[slot] = color;
    cacheIndex_[slot] = index;
    return index;
}

uint8_t NearestColor::search(uint32_t color) const {
    if (byGreen_.empty()) return 0;
    const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
    const auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), g,
                                        [](const Entry& e, int v) { return e.g < v; });
    int best = 0x7FFFFFFF;
    uint8_t bestIndex = 0;
    auto consider = [&](const Entry& e) {
        const int d = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
        if (d < best || (d == best && e.index < bestIndex)) best = d, bestIndex = e.index;
    };
    for (auto it = start; it != byGreen_.end(); ++it) {
        const int dg = it->g - g;
        if (dg * dg > best) break;
        consider(*it);
    }
    for (auto it = start; it != byGreen_.begin();) {
        --it;
        const int dg = g - it->g;
        if (dg * dg > best) break;
        consider(*it);
    }
    return bestIndex;
}

}  // namespace korvel
