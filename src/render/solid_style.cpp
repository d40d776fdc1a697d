// Hatch selection for solids.
#include "render/solid_style.h"

#include <cmath>

#include "drawing/colour.h"
#include "render/line_style.h"

namespace korvel {

BrushStyle BrushOfHatchStyle(int style) {
    if (style < 1 || style > 8) return BrushStyle::Clear;
    return static_cast<BrushStyle>(style - 1);
}

int ColorFamily(uint32_t color) {
    const bool r = RedOf(color) >= 170, g = GreenOf(color) >= 170, b = BlueOf(color) >= 170;
    if (b && !g && !r) return 1;
    if (b && g && !r) return 2;
    if (g && !b && !r) return 3;
    if (g && r && !b) return 4;
    if (b && r && !g) return 5;
    if (r && !b && !g) return 6;
    if (r && g && b) return 7;
    // Every component is below 170 here, so below 180 as well.
    return 8;
}

BrushStyle SolidHatchStyle(const RenderOptions& o, uint32_t color, int penColor) {
    if (!o.hatchOn) return BrushStyle::Solid;
    if (!o.hatchByLineColor && !o.hatchByColorFamily) return o.solidBrushStyle;
    if (o.hatchByLineColor && penColor >= 0 && penColor < 10) {
        return BrushOfHatchStyle(o.lineColorHatch[penColor]);
    }
    if (o.hatchByColorFamily && penColor == 10) {
        return BrushOfHatchStyle(o.colorFamilyHatch[ColorFamily(color)]);
    }
    return BrushStyle::Solid;
}

uint32_t SolidColor(const RenderContext& context, const TDataSolid& solid) {
    constexpr int kRgbColorNumber = 10;
    uint32_t base = 0;
    if (solid.penColor == kRgbColorNumber) base = solid.color & 0xFFFFFFu;
    else if (solid.penColor < kPenColors) base = context.pens.PenColor[solid.penColor];
    return ApplyColorModes(context, base, solid);
}

int ArcSolidKind(const TDataSolid& solid) {
    const double sweep = solid.corner4.x, selector = solid.corner4.y, start = solid.corner3.y;
    if (solid.penStyle == 106) return std::fabs(sweep) > 6.283 ? 210 : 221;
    int kind = 0;
    if (selector == 100.0) kind = 10;
    else if (selector == 5.0) kind = 20;
    else if (selector == 0.0) kind = 30;
    else if (selector == -1.0) kind = start != 0.0 ? 40 : 41;
    else return 0;
    return solid.penStyle == 111 ? kind + 100 : kind;
}

}  // namespace korvel
