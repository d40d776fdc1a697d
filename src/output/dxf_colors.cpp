// The colour index is built from AutoCAD's rule rather than listed: indexes 10 to 249 walk the
// hue circle in 15-degree steps, ten shades each (five brightnesses, each at full and at half
// saturation); 250 to 255 are greys.
#include "output/dxf_colors.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace korvel {

namespace {

uint32_t rgb(int r, int g, int b) { return MakeColor(r, g, b); }

uint32_t shade(int index) {
    static const int kBrightness[5] = {255, 204, 153, 127, 76};
    const int hue = (index - 10) / 10 * 15;  // degrees
    const int variant = index % 10;
    const int top = kBrightness[variant / 2];
    const int bottom = variant % 2 == 0 ? 0 : top / 2;
    // The component between top and bottom rises or falls across each 60-degree sector.
    const int sector = hue / 60;
    const double f = (hue % 60) / 60.0;
    const int rising = bottom + static_cast<int>((top - bottom) * f);
    const int falling = bottom + static_cast<int>((top - bottom) * (1.0 - f));
    switch (sector) {
        case 0: return rgb(top, rising, bottom);
        case 1: return rgb(falling, top, bottom);
        case 2: return rgb(bottom, top, rising);
        case 3: return rgb(bottom, falling, top);
        case 4: return rgb(rising, bottom, top);
        default: return rgb(top, bottom, falling);
    }
}

std::array<uint32_t, 256> buildTable() {
    std::array<uint32_t, 256> t{};
    const uint32_t first[10] = {rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(255, 255, 0), rgb(0, 255, 0),
                                rgb(0, 255, 255), rgb(0, 0, 255),   rgb(255, 0, 255), rgb(255, 255, 255),
                                rgb(128, 128, 128), rgb(192, 192, 192)};
    for (int i = 0; i < 10; ++i) t[i] = first[i];
    for (int i = 10; i < 250; ++i) t[i] = shade(i);
    const int greys[6] = {51, 91, 132, 173, 214, 255};
    for (int i = 0; i < 6; ++i) t[250 + i] = rgb(greys[i], greys[i], greys[i]);
    return t;
}

const std::array<uint32_t, 256>& table() {
    static const std::array<uint32_t, 256> t = buildTable();
    return t;
}

}  // namespace

uint32_t AciColor(int index) { return index >= 1 && index <= 255 ? table()[index] : 0u; }

int NearestAci(uint32_t color) {
    color &= 0xFFFFFFu;
    if (color == 0) return 7;
    const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
    int best = 1;
    long bestDistance = -1;
    for (int i = 1; i < 256; ++i) {
        if (i == 7) continue;  // kept for black
        const uint32_t c = table()[i];
        const long dr = r - RedOf(c), dg = g - GreenOf(c), db = b - BlueOf(c);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int DxfLineweight(int width) {
    static const int kStandard[] = {5,  9,  13, 15, 18, 20,  25,  30,  35,  40,  50,  53,
                                    60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    const double hundredths = (width < 1 ? 1 : width) * kMillimetresPerDeviceUnit * 100.0;
    int best = kStandard[0];
    for (int w : kStandard) {
        if (std::fabs(w - hundredths) < std::fabs(best - hundredths)) best = w;
    }
    return best;
}

}  // namespace korvel
