// What the renderer takes from the settings: the pens and line types, monochrome modes, hatching,
// line widths, auxiliary lines, picture switches and the text options of Jw_cad's own settings.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "render/layer_choice.h"
#include "render/pen_table.h"
#include "render/render_target.h"

namespace korvel {

struct RenderOptions {
    // The pens and line types to draw with, resolved by the caller from its settings (the
    // window's, Jw_cad's or the drawing's). None: the drawing's own table. Either way the drawing
    // is only read.
    std::optional<PenTable> pens;

    bool bwPlot = false;       // "BwPlotFlg": monochrome
    bool bw2Grey = true;       // "Bw2GFlg": with bwPlot, true two colours, false grey
    bool auxLineHidden = false;  // "AuxLineFlg": auxiliary-colour (9) records not drawn
    bool thinLines = false;    // "SenFlg": every line with the thinnest pen

    // Solid hatching ("JwwSStyle").
    bool hatchOn = false;          // "JSolidStyleFlg"
    bool hatchByLineColor = false;  // "LSolidStyleFlg"
    bool hatchByColorFamily = false;  // "CSolidStyleFlg"
    std::array<uint8_t, 10> lineColorHatch{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};   // " LSolidStyle0..9"
    std::array<uint8_t, 9> colorFamilyHatch{1, 1, 1, 1, 1, 1, 1, 1, 1};    // " CSolidStyle0..8"
    BrushStyle solidBrushStyle = BrushStyle::Solid;  // the one style for all solids, per run

    // Pictures referenced by texts.
    bool picturesHidden = false;   // "GrpFlg"
    bool builtInDecodersOnly = false;  // "SPIFlg"

    // Jw_cad's own text settings.
    int lastDraw = 0;          // "LastDraw": 1 draws texts after everything else
    int drawOutLine = 0;       // "DrawOutLine": 0 plain, 1 outlined glyphs, 2 background box
    double outLineExpansion = 1.0;  // "OutLineExpansion", millimetres (Jw_cad's default)

    // Layers shown, greyed or hidden by the caller's choice; pairs it leaves open draw by the
    // drawing's own states.
    LayerChoice layers;
    // The box the picture is fitted to, when the caller measured it for `layers` already (the
    // window, once per choice). None: measured per render from the records the choice shows,
    // or the drawing's own extents when it shows what the drawing shows.
    std::optional<Extents> frame;

    // Draw order override (settings "SolidFlag"); -1 uses the drawing's DisplayOption[2].
    int drawOrder = -1;

    // Device units per dot of the screen: the unit of line-type patterns and random lines. Pages
    // on paper draw in units far finer than a dot, and their dashes must not shrink with them.
    double dotSize = 1.0;
};

// Called by long renders after each record; returning false cancels the render.
using RenderProgress = std::function<bool(size_t done, size_t total)>;

}  // namespace korvel
