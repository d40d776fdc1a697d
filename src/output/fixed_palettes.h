// The fixed palettes of the GIF colour reductions, as 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

std::vector<uint32_t> Windows20Palette();     // the twenty static colours of a Windows palette
std::vector<uint32_t> Halftone256Palette();   // web cube, the static colours and a grey ramp
std::vector<uint32_t> Grey4Palette();         // black, dark grey, light grey, white
std::vector<uint32_t> BlackWhitePalette();    // black, white
std::vector<uint32_t> Grey256Palette();       // every grey level
std::vector<uint32_t> Web216Palette();        // six levels per channel (0x33 apart)

}  // namespace korvel
