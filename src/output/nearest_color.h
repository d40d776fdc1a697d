// The nearest palette entry to a colour by squared RGB distance, exact, fast enough to ask for
// every pixel of a large image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel {

class NearestColor {
public:
    explicit NearestColor(const std::vector<uint32_t>& palette);

    // The index of the nearest entry; on equal distance the lowest index.
    uint8_t find(uint32_t color) const;
    uint32_t color(uint8_t index) const { return palette_[index]; }

private:
    uint8_t search(uint32_t color) const;

    struct Entry {
        int r, g, b;
        uint8_t index;
    };
    std::vector<uint32_t> palette_;
    std::vector<Entry> byGreen_;  // sorted by green, the channel the eye weighs most
    static constexpr size_t kCacheSize = 4096;
    mutable std::array<uint32_t, kCacheSize> cacheKey_;
    mutable std::array<uint8_t, kCacheSize> cacheIndex_;
};

}  // namespace korvel
