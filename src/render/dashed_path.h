// Stroking flattened curves with a line type: every dash is its own stroke with a geometric pen,
// and dash lengths grow with the pen width.
#pragma once

#include <vector>

#include "render/curve_path.h"
#include "render/line_style.h"
#include "render/render_budget.h"
#include "render/render_target.h"

namespace korvel {

struct CurveStroke {
    uint32_t color = 0;
    bool flatCaps = true;
    bool thinPen = false;  // "SenFlg": the thinnest cosmetic pen instead of the geometric one
    const DeviceBox* visible = nullptr;  // dashes wholly outside are skipped without drawing
    // Once the render's budget is spent, the walk stops: a curve can hold millions of dashes
    // that the canvas would refuse one by one.
    const RenderBudget* budget = nullptr;
    double dotSize = 1.0;  // device units per pattern unit of the thinnest pen
};

// Each figure of the path (move-to up to the next move-to) is dashed on its own; the pattern
// restarts at every figure.
void DrawPathDashed(const TPath& path, RenderTarget& target, const CurveStroke& stroke,
                    const DashPattern& pattern, double width);

void DrawDashedPolyline(const std::vector<DevicePoint>& points, RenderTarget& target,
                        const CurveStroke& stroke, const DashPattern& pattern, double width);

}  // namespace korvel
