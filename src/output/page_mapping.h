// Where a drawing lies on a sheet of paper: PDF and SVG pages and printing all place the drawing
// by these rules, so that a page printed from the window measures as the PDF does.
//
// JWW coordinates are millimetres on the drawing's paper with the paper's centre at (0, 0). On
// its own paper one millimetre of the drawing is one millimetre of the page. Drawings on the
// 10m, 50m and 100m sheets (and any drawing when asked) get a page of their extents plus a
// margin. On another paper the drawing's own page is scaled to fit and centred.
#pragma once

#include <cstdint>
#include <string>

#include "drawing/drawing.h"

namespace korvel {

// The margin around the extents of a page that is fitted to the drawing, millimetres.
constexpr double kFitPageMargin = 10.0;

// Papers by the header's `PaperSize` index (0..8: Ａ-０ .. Ａ-４, ２Ａ .. ５Ａ), landscape, in
// millimetres. False for 10m, 50m, 100m and any other index: those have no sheet of their own.
bool PaperSizeMm(uint32_t paperSize, double& width, double& height);
// "A0".."A4", "2A".."5A" for the indexes PaperSizeMm knows; empty otherwise.
std::string PaperName(uint32_t paperSize);

enum class PageRule {
    DrawingPaper,  // the paper the drawing names (extents and margin when it names none)
    Fit,           // the extents plus the margin
    Paper,         // another paper: the drawing's own page scaled to fit it and centred
};

struct PageChoice {
    PageRule rule = PageRule::DrawingPaper;
    uint32_t paper = 0;  // with PageRule::Paper, an index PaperSizeMm knows
};

// "paper" (the drawing's own), "fit", or a paper name ("A3", "a3", "Ａ-３", "2A"...). False for
// anything else.
bool ParsePageChoice(const std::string& text, PageChoice& choice);

struct PageLayout {
    double widthMm = 0.0;   // the page
    double heightMm = 0.0;
    double scale = 1.0;     // page millimetres per drawing millimetre
    // The part of the drawing the page shows, drawing millimetres: its left edge and top edge
    // are the page's left and top.
    Extents frame;
    std::string paper;      // "A3", or "fit" for a page made to the extents
};

// The page for a drawing whose drawn records measure `extents` (the drawing's own extents, or
// those of the layers shown).
PageLayout LayoutPage(const Drawing& drawing, const Extents& extents, const PageChoice& choice);

// The same drawing page fitted into a sheet of widthMm x heightMm (a printer's paper), centred,
// scaled down or up to fit when `fit` is set, else at the layout's own scale about the centre.
PageLayout PlaceOnSheet(const PageLayout& page, double widthMm, double heightMm, bool fit);

// How many top-level records that draw (layer choice of `shown`, group-major 16 x 16) reach
// outside the page's frame; an insert counts by its insertion point.
size_t CountRecordsOffPage(const Drawing& drawing, const PageLayout& page,
                           const std::array<bool, kLayerGroups * kLayers>& shown);

// "12 records lie off the A3 page and are cut off", or empty when none does.
std::string OffPageWarning(size_t count, const PageLayout& page);

}  // namespace korvel
