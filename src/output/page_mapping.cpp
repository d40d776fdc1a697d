// The page rules of PDF, SVG and printing.
#include "output/page_mapping.h"

#include <algorithm>
#include <cmath>

#include "drawing/extents.h"

namespace korvel {

namespace {

struct Paper {
    const char* name;
    const char* caption;  // as the header's paper list names it
    double width, height;
};

// Indexes as the header numbers them; 9..11 are the 10m, 50m and 100m sheets, which have no size.
const Paper kPapers[9] = {
    {"A0", "Ａ-０", 1189, 841}, {"A1", "Ａ-１", 841, 594}, {"A2", "Ａ-２", 594, 420},
    {"A3", "Ａ-３", 420, 297},  {"A4", "Ａ-４", 297, 210}, {"2A", "２Ａ", 1682, 1189},
    {"3A", "３Ａ", 2378, 1682}, {"4A", "４Ａ", 3364, 2378}, {"5A", "５Ａ", 4756, 3364},
};

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool hasExtents(const Extents& e) {
    return std::isfinite(e.MinX) && std::isfinite(e.MaxX) && std::isfinite(e.MinY) && std::isfinite(e.MaxY) &&
           e.MinX <= e.MaxX && e.MinY <= e.MaxY;
}

Extents box(double minX, double minY, double maxX, double maxY) {
    Extents e;
    e.MinX = minX;
    e.MinY = minY;
    e.MaxX = maxX;
    e.MaxY = maxY;
    e.CenterX = (minX + maxX) / 2.0;
    e.CenterY = (minY + maxY) / 2.0;
    e.Aspect = maxY > minY ? (maxX - minX) / (maxY - minY) : 1.0;
    return e;
}

// A page made to the extents: nothing of the drawing is off it.
PageLayout fittedPage(const Extents& extents) {
    PageLayout page;
    page.paper = "fit";
    if (!hasExtents(extents)) {
        // Nothing to measure: an A4 sheet about the origin, so that the page still opens.
        page.widthMm = kPapers[4].width;
        page.heightMm = kPapers[4].height;
        page.frame = box(-page.widthMm / 2, -page.heightMm / 2, page.widthMm / 2, page.heightMm / 2);
        return page;
    }
    page.frame = box(extents.MinX - kFitPageMargin, extents.MinY - kFitPageMargin, extents.MaxX + kFitPageMargin,
                     extents.MaxY + kFitPageMargin);
    page.widthMm = page.frame.MaxX - page.frame.MinX;
    page.heightMm = page.frame.MaxY - page.frame.MinY;
    return page;
}

PageLayout ownPage(const Drawing& drawing, const Extents& extents, bool fit) {
    double w, h;
    if (fit || !PaperSizeMm(drawing.header.PaperSize, w, h)) return fittedPage(extents);
    PageLayout page;
    page.widthMm = w;
    page.heightMm = h;
    page.frame = box(-w / 2, -h / 2, w / 2, h / 2);
    page.paper = PaperName(drawing.header.PaperSize);
    return page;
}

}  // namespace

bool PaperSizeMm(uint32_t paperSize, double& width, double& height) {
    if (paperSize >= std::size(kPapers)) return false;
    width = kPapers[paperSize].width;
    height = kPapers[paperSize].height;
    return true;
}

std::string PaperName(uint32_t paperSize) { return paperSize < std::size(kPapers) ? kPapers[paperSize].name : ""; }

bool ParsePageChoice(const std::string& text, PageChoice& choice) {
    const std::string name = upper(text);
    if (name == "PAPER") {
        choice = {PageRule::DrawingPaper, 0};
        return true;
    }
    if (name == "FIT") {
        choice = {PageRule::Fit, 0};
        return true;
    }
    for (uint32_t i = 0; i < std::size(kPapers); ++i) {
        if (name == kPapers[i].name || text == kPapers[i].caption) {
            choice = {PageRule::Paper, i};
            return true;
        }
    }
    return false;
}

PageLayout LayoutPage(const Drawing& drawing, const Extents& extents, const PageChoice& choice) {
    const PageLayout own = ownPage(drawing, extents, choice.rule == PageRule::Fit);
    double w, h;
    if (choice.rule != PageRule::Paper || !PaperSizeMm(choice.paper, w, h)) return own;
    PageLayout page = PlaceOnSheet(own, w, h, true);
    page.paper = kPapers[choice.paper].name;
    return page;
}

PageLayout PlaceOnSheet(const PageLayout& own, double w, double h, bool fit) {
    PageLayout page;
    page.widthMm = w;
    page.heightMm = h;
    page.paper = own.paper;
    const double ownW = own.frame.MaxX - own.frame.MinX, ownH = own.frame.MaxY - own.frame.MinY;
    page.scale = own.scale;
    if (fit && ownW > 0.0 && ownH > 0.0) page.scale = std::min(w / ownW, h / ownH);
    if (!(page.scale > 0.0) || !std::isfinite(page.scale)) page.scale = 1.0;
    const double cx = (own.frame.MinX + own.frame.MaxX) / 2.0, cy = (own.frame.MinY + own.frame.MaxY) / 2.0;
    const double halfW = w / 2.0 / page.scale, halfH = h / 2.0 / page.scale;
    page.frame = box(cx - halfW, cy - halfH, cx + halfW, cy + halfH);
    return page;
}

size_t CountRecordsOffPage(const Drawing& drawing, const PageLayout& page,
                           const std::array<bool, kLayerGroups * kLayers>& shown) {
    // A hair of tolerance: a record on the paper's edge is on the paper.
    const double eps = 1e-6;
    const Extents& f = page.frame;
    size_t off = 0;
    for (const RecordRef& ref : drawing.top.sequence) {
        Extents measured;
        ExtentsBuilder builder(drawing, measured, shown);
        builder.AddRecord(drawing.top, ref);
        if (!hasExtents(measured)) continue;  // not drawn, or nothing to measure
        if (measured.MinX < f.MinX - eps || measured.MaxX > f.MaxX + eps || measured.MinY < f.MinY - eps ||
            measured.MaxY > f.MaxY + eps)
            ++off;
    }
    return off;
}

std::string OffPageWarning(size_t count, const PageLayout& page) {
    if (count == 0) return {};
    const std::string paper = page.paper == "fit" ? "page" : page.paper + " page";
    return std::to_string(count) + (count == 1 ? " record reaches" : " records reach") + " beyond the " + paper +
           " (" + std::to_string(static_cast<long>(std::lround(page.widthMm))) + " x " +
           std::to_string(static_cast<long>(std::lround(page.heightMm))) + " mm) and " +
           (count == 1 ? "is" : "are") + " cut off at its edge";
}

}  // namespace korvel
