// The GIF colour reductions and error-diffusion ditherers: a 24-bit image becomes an indexed one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/raster_image.h"

namespace korvel {

// In the order of the "GIFSubColor" setting.
enum class ColorReduction : uint8_t {
    None,               // "なし": the image's own colours (an optimal palette when over 256)
    Windows20,          // "20色パレット"
    Halftone256,        // "256色ハーフトーン"
    Grey4,              // "4色グレイスケール"
    BlackWhite,         // "白黒単色パレット"
    Grey256,            // "256色グレイスケール"
    Web216,             // "Netscape216色パレット"
    OptimalPowerOfTwo,  // "2乗色最適パレット": octree, as many entries as the next power of two
    Optimal256,         // "256色最適パレット": median cut to 256
};

// In the order of the "GIFDith" setting.
enum class DitherMode : uint8_t {
    Nearest,         // "Nearest"
    FloydSteinberg,  // "FloydSt"
    Stucki,          // "Stucki"
    Sierra,          // "Sierra"
    JarvisJudiceNinke,  // "JaJuNI"
    StevensonArce,   // "SteveAr"
    Burkes,          // "Burkes"
};

constexpr int kColorReductionCount = 9;
constexpr int kDitherModeCount = 7;

// A stored setting outside its range is used as 0.
ColorReduction ColorReductionFromSetting(int value);
DitherMode DitherModeFromSetting(int value);

// Names for the command line: "none", "windows20", "halftone256", "grey4", "black-white",
// "grey256", "web216", "optimal-pow2", "optimal256"; "nearest", "floyd-steinberg", "stucki",
// "sierra", "jarvis-judice-ninke", "stevenson-arce", "burkes". The setting's own captions
// ("FloydSt", "JaJuNI", ...) are accepted too. False when the name is unknown.
bool ParseColorReduction(const std::string& name, ColorReduction& out);
bool ParseDitherMode(const std::string& name, DitherMode& out);
const char* ColorReductionName(ColorReduction reduction);
const char* DitherModeName(DitherMode mode);

// The palette the reduction uses for this image.
std::vector<uint32_t> ReductionPalette(const ImageView& image, ColorReduction reduction);

// Maps every pixel to the nearest palette entry (squared RGB distance), spreading the error
// with the ditherer's weights (left to right on every row). Palettes of greys only are dithered
// on the luminance (Rec. 601) instead; in either case the error carried on is what the palette
// can pay back, so pixels beyond black and white never pass on more.
IndexedImage Dither(const ImageView& image, const std::vector<uint32_t>& palette, DitherMode mode);

// ReductionPalette, then Dither.
IndexedImage ReduceColors(const ImageView& image, ColorReduction reduction, DitherMode mode);

}  // namespace korvel
