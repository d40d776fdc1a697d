// Reductions pick a palette; the ditherer maps pixels onto it. A plain drawing reduced to a
// palette that holds its colours comes out exact whatever the ditherer, since no error arises.
#include "output/color_reduction.h"

#include <algorithm>
#include <cstring>

#include "output/fixed_palettes.h"
#include "output/nearest_color.h"
#include "output/palette_builder.h"

namespace korvel {

namespace {

struct NamePair {
    const char* name;
    const char* caption;
};

const NamePair kReductionNames[kColorReductionCount] = {
    {"none", "なし"},
    {"windows20", "20色パレット"},
    {"halftone256", "256色ハーフトーン"},
    {"grey4", "4色グレイスケール"},
    {"black-white", "白黒単色パレット"},
    {"grey256", "256色グレイスケール"},
    {"web216", "Netscape216色パレット"},
    {"optimal-pow2", "2乗色最適パレット"},
    {"optimal256", "256色最適パレット"},
};

const NamePair kDitherNames[kDitherModeCount] = {
    {"nearest", "Nearest"},        {"floyd-steinberg", "FloydSt"},
    {"stucki", "Stucki"},          {"sierra", "Sierra"},
    {"jarvis-judice-ninke", "JaJuNI"}, {"stevenson-arce", "SteveAr"},
    {"burkes", "Burkes"},
};

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

template <size_t N>
int findName(const NamePair (&names)[N], const std::string& name) {
    const std::string key = lower(name);
    for (size_t i = 0; i < N; ++i)
        if (key == names[i].name || key == lower(names[i].caption)) return static_cast<int>(i);
    return -1;
}

size_t nextPowerOfTwo(size_t n) {
    size_t p = 2;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

ColorReduction ColorReductionFromSetting(int value) {
    return value >= 0 && value < kColorReductionCount ? static_cast<ColorReduction>(value)
                                                      : ColorReduction::None;
}

DitherMode DitherModeFromSetting(int value) {
    return value >= 0 && value < kDitherModeCount ? static_cast<DitherMode>(value)
                                                  : DitherMode::Nearest;
}

bool ParseColorReduction(const std::string& name, ColorReduction& out) {
    const int i = findName(kReductionNames, name);
    if (i < 0) return false;
    out = static_cast<ColorReduction>(i);
    return true;
}

bool ParseDitherMode(const std::string& name, DitherMode& out) {
    const int i = findName(kDitherNames, name);
    if (i < 0) return false;
    out = static_cast<DitherMode>(i);
    return true;
}

const char* ColorReductionName(ColorReduction reduction) {
    return kReductionNames[static_cast<int>(reduction)].name;
}

const char* DitherModeName(DitherMode mode) { return kDitherNames[static_cast<int>(mode)].name; }

std::vector<uint32_t> ReductionPalette(const ImageView& image, ColorReduction reduction) {
    switch (reduction) {
    case ColorReduction::Windows20: return Windows20Palette();
    case ColorReduction::Halftone256: return Halftone256Palette();
    case ColorReduction::Grey4: return Grey4Palette();
    case ColorReduction::BlackWhite: return BlackWhitePalette();
    case ColorReduction::Grey256: return Grey256Palette();
    case ColorReduction::Web216: return Web216Palette();
    case ColorReduction::None:
    case ColorReduction::OptimalPowerOfTwo:
    case ColorReduction::Optimal256: break;
    }
    std::vector<uint32_t> palette = ExactPalette(image, 256);
    if (palette.empty()) {
        palette = reduction == ColorReduction::Optimal256 ? MedianCutPalette(image, 256)
                                                          : OctreePalette(image, 256);
        PinColor(palette, DominantColor(image));
    }
    if (reduction == ColorReduction::OptimalPowerOfTwo && !palette.empty()) {
        // As many entries as the file's colour table holds; the spare ones repeat the first.
        palette.resize(std::min<size_t>(nextPowerOfTwo(palette.size()), 256), palette[0]);
    }
    return palette;
}

// --- error diffusion ---

namespace {

struct Weight {
    int dx;
    int dy;
    int weight;
};

struct Kernel {
    std::vector<Weight> weights;
    int divisor = 1;
    int rows = 1;  // rows of error kept, the current one included
};

Kernel kernelFor(DitherMode mode) {
    switch (mode) {
    case DitherMode::Nearest: return {{}, 1, 1};
    case DitherMode::FloydSteinberg:
        return {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16, 2};
    case DitherMode::Stucki:
        return {{{1, 0, 8}, {2, 0, 4},
                 {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                 {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}},
                42, 3};
    case DitherMode::Sierra:
        return {{{1, 0, 5}, {2, 0, 3},
                 {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
                 {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}},
                32, 3};
    case DitherMode::JarvisJudiceNinke:
        return {{{1, 0, 7}, {2, 0, 5},
                 {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
                 {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}},
                48, 3};
    case DitherMode::StevensonArce:
        return {{{2, 0, 32},
                 {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
                 {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
                 {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}},
                200, 4};
    case DitherMode::Burkes:
        return {{{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}},
                32, 2};
    }
    return {{}, 1, 1};
}

constexpr int kMargin = 3;  // the widest kernel reaches three pixels either side

// Error rows in a ring, in 1/16 units of a level to keep rounding small; `rows` of them, each
// with a margin so that kernels never test the edges.
class ErrorRows {
public:
    ErrorRows(int width, int rows)
        : width_(width), rows_(rows), data_(static_cast<size_t>(rows) * (width + 2 * kMargin) * 3, 0) {}
    int* at(int row, int x) {
        return data_.data() + (static_cast<size_t>(row % rows_) * (width_ + 2 * kMargin) + x + kMargin) * 3;
    }
    void clearRow(int row) {
        std::fill_n(at(row, -kMargin), static_cast<size_t>(width_ + 2 * kMargin) * 3, 0);
    }

private:
    int width_;
    int rows_;
    std::vector<int> data_;
};

bool isGreyPalette(const std::vector<uint32_t>& palette) {
    return std::all_of(palette.begin(), palette.end(), [](uint32_t c) {
        return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c);
    });
}

// Rec. 601 luminance in 1/16 units of a level.
int luminance16(uint32_t c) {
    return LuminanceMilli(c) * 16 / 1000;
}

// A grey palette can pay back only a difference in brightness: the error of a coloured pixel
// along the other axes would be carried on for ever and grow into grey smears far from the
// lines. Such palettes are dithered on the luminance alone (one channel); others on R, G, B.
void ditherRow(const ImageView& image, int y, const Kernel& kernel, const NearestColor& nearest,
               bool grey, ErrorRows& errors, uint8_t* out) {
    constexpr int kTop = 255 * 16;
    const int channels = grey ? 1 : 3;
    for (int x = 0; x < image.width; ++x) {
        const uint32_t c = image.colorAt(x, y);
        int* e = errors.at(y, x);
        int want[3];
        if (grey) {
            want[0] = luminance16(c) + e[0];
        } else {
            want[0] = RedOf(c) * 16 + e[0];
            want[1] = GreenOf(c) * 16 + e[1];
            want[2] = BlueOf(c) * 16 + e[2];
        }
        // No entry is whiter than white or blacker than black: error beyond that range can never
        // be paid back, so it is not carried on.
        for (int k = 0; k < channels; ++k) want[k] = std::clamp(want[k], 0, kTop);
        int level[3];
        for (int k = 0; k < channels; ++k) level[k] = (want[k] + 8) >> 4;
        const uint32_t asked = grey ? MakeColor(level[0], level[0], level[0])
                                    : MakeColor(level[0], level[1], level[2]);
        const uint8_t index = nearest.find(asked);
        out[x] = index;
        if (kernel.weights.empty()) continue;
        const uint32_t got = nearest.color(index);
        const int gotLevel[3] = {RedOf(got), GreenOf(got), BlueOf(got)};
        int diff[3];
        bool any = false;
        for (int k = 0; k < channels; ++k) {
            diff[k] = want[k] - gotLevel[k] * 16;
            any = any || diff[k] != 0;
        }
        if (!any) continue;
        for (const Weight& w : kernel.weights) {
            const int tx = x + w.dx;
            if (tx < 0 || tx >= image.width) continue;
            int* t = errors.at(y + w.dy, tx);
            for (int k = 0; k < channels; ++k) t[k] += diff[k] * w.weight / kernel.divisor;
        }
    }
}

}  // namespace

IndexedImage Dither(const ImageView& image, const std::vector<uint32_t>& palette, DitherMode mode) {
    IndexedImage out;
    if (image.empty() || palette.empty()) return out;
    out.width = image.width;
    out.height = image.height;
    out.palette.assign(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256));
    out.indices.resize(static_cast<size_t>(image.width) * image.height);
    const Kernel kernel = kernelFor(mode);
    NearestColor nearest(out.palette);
    ErrorRows errors(image.width, kernel.rows);
    for (int r = 0; r < kernel.rows; ++r) errors.clearRow(r);
    // Without diffusion the choice stays the nearest colour, which for a coloured line on a grey
    // palette is a visible grey rather than the white its luminance might round to.
    const bool grey = !kernel.weights.empty() && isGreyPalette(out.palette);
    for (int y = 0; y < image.height; ++y) {
        ditherRow(image, y, kernel, nearest, grey, errors, out.row(y));
        errors.clearRow(y);  // becomes row y + rows, the furthest the kernel reaches next
    }
    return out;
}

IndexedImage ReduceColors(const ImageView& image, ColorReduction reduction, DitherMode mode) {
    return Dither(image, ReductionPalette(image, reduction), mode);
}

}  // namespace korvel
