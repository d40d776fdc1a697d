// What every record drawing shares: which records are drawn at all (the record gate), which
// colour a pen number becomes, and how a line type becomes dashes or a random zig-zag line drawn
// with plain solid pens.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/records.h"
#include "render/render_context.h"
#include "render/render_target.h"

namespace korvel {

// Lengths in device units along a line: dash, gap, dash, gap... Always an even count.
using DashPattern = std::vector<double>;

// A device rectangle; dashes entirely outside it need not be drawn.
struct DeviceBox {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
// Liang-Barsky: the part [t0, t1] of the segment from (x1, y1) along (dx, dy) inside the box;
// false when none of it is.
bool ClipToBox(const DeviceBox& box, double x1, double y1, double dx, double dy, double& t0,
               double& t1);

// The part of the target's area it shows, widened by `margin`; false when the render did not say
// how large the area is.
bool ShownBox(const RenderContext& context, double margin, DeviceBox& box);
// The target's whole area widened by the margin dashes are walked in.
bool VisibleBox(const RenderContext& context, DeviceBox& box);

struct StrokeStyle {
    RenderTarget& target;
    int penStyle;
    const DashPattern& pattern;
    double width;  // device units
    uint32_t color;
    const DeviceBox* visible = nullptr;  // null: walk the whole line
    double dotSize = 1.0;  // device units per pattern unit
    // The part shown widened by the farthest a pen reaches, when the render shows a part: the
    // dashes are walked as for the whole area, but only those that reach it are drawn.
    const DeviceBox* shown = nullptr;
};

// How the record's layer draws: by the render's layer choice, else the drawing's own states.
LayerShow LayerShowOf(const RenderContext& context, const TJwData& record);
// Gate steps shared by every record kind: auxiliary colour hidden, layer hidden.
bool PassesLayerGate(const RenderContext& context, const TJwData& record);
// The full gate of lines, circles and dimension lines: also line type below 20 and colour
// number below 10.
bool PassesLineGate(const RenderContext& context, const TJwData& record);

// The colour of an RGB value under the monochrome modes and the greyed-layer rule.
uint32_t ApplyColorModes(const RenderContext& context, uint32_t color, const TJwData& record);
// PenColor[penColor] under the monochrome modes and the greyed-layer rule.
uint32_t ResolvePenColor(const RenderContext& context, const TJwData& record);
uint32_t GreyOf(uint32_t color);
bool IsDarkColor(uint32_t color);

// The pen width of a colour number (0 with "SenFlg"); numbers outside the table get 0.
int PenWidthOf(const RenderContext& context, uint16_t penColor);

std::string BitString32(uint32_t value);
// The dashes of line type t; types without a pattern source (10, 20 and above) are solid.
DashPattern BuildDashPattern(const PenTable& pens, int t);
// The same, kept between calls while the line-type table stays the same.
const DashPattern& CachedDashPattern(const PenTable& pens, int t);
std::array<double, 32> BuildRandomBits(const PenTable& pens, int t);
double NormalizeAngle(double angle);

// True when a pattern can be walked: it advances along the line.
bool IsWalkablePattern(const DashPattern& pattern);

void DrawDashedSegment(const StrokeStyle& style, int x1, int y1, int x2, int y2);
void DrawRandomLine(RenderTarget& target, const PenSpec& pen, int x1, int y1, int x2, int y2,
                    const std::array<double, 32>& bits, double pitch, double amplitude);

// Device points from doubles, rounded half to even and clamped.
inline DevicePoint RoundPoint(double x, double y) { return {RoundDevice(x), RoundDevice(y)}; }

}  // namespace korvel
