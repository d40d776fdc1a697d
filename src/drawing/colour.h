// Colours as Jw_cad keeps them: 0x00BBGGRR in a uint32_t (a Windows COLORREF), red in the low
// byte. Every layer takes channels apart and puts them together through these.
#pragma once

#include <cstdint>

namespace korvel {

constexpr uint8_t RedOf(uint32_t c) { return c & 0xFF; }
constexpr uint8_t GreenOf(uint32_t c) { return (c >> 8) & 0xFF; }
constexpr uint8_t BlueOf(uint32_t c) { return (c >> 16) & 0xFF; }
// Each channel from 0 to 255.
constexpr uint32_t MakeColor(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

// 0x00BBGGRR to 0x00RRGGBB (Qt's and DXF's order) and back; the top byte is dropped.
constexpr uint32_t SwapRedBlue(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// Rec. 601 luminance in thousandths of a level (0 to 255,000): integer weights 299 + 587 + 114.
constexpr int LuminanceMilli(uint32_t c) { return RedOf(c) * 299 + GreenOf(c) * 587 + BlueOf(c) * 114; }
// A colour on which black shows better than white: luminance from level 128 up.
constexpr bool IsLightColor(uint32_t c) { return LuminanceMilli(c) >= 128 * 1000; }

}  // namespace korvel
