// Drawings on paper through a QPainter: PDF documents (one page per drawing), SVG pages and the
// window's printing all draw a page here, in device units of a hundredth of a millimetre, so
// that rounding to device units never shows on paper.
#pragma once

#include <QPainter>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/export_options.h"
#include "output/image_export.h"
#include "output/page_mapping.h"
#include "render/render_driver.h"

namespace korvel {

// Device units per millimetre of paper.
constexpr double kPageUnitsPerMm = 100.0;
// The dot that line-type patterns and random lines are measured in: a dot of a 96-per-inch
// screen, as on the real-scale metafile, so dashes print as long as Jw_cad shows them.
constexpr double kPatternDotMm = 25.4 / 96.0;

// The page a drawing gets under these options (its paper, --page) and the records it cuts off.
PageLayout ExportPageLayout(const Drawing& drawing, const ExportOptions& options);

// Draws the drawing onto the page that `painter` is on: `page.frame` fills the sheet from
// (0, 0) to (widthMm, heightMm) in the painter's logical coordinates, which must be millimetres
// times `unitsPerMm` (the caller sets up the painter's transform). Warnings of the render and of
// records off the page are added to `warnings`.
RenderResult DrawPage(QPainter& painter, const Drawing& drawing, const ExportOptions& options,
                      const PageLayout& page, double unitsPerMm = kPageUnitsPerMm);

// A PDF document that gets its pages one drawing at a time, so that a set of drawings never
// needs to be in memory at once.
class PdfDocument {
public:
    PdfDocument();
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // Adds a page of the drawing on its paper; `title` (UTF-8) names it in the bookmarks.
    // False with `error` when nothing could be drawn.
    bool addPage(const Drawing& drawing, const ExportOptions& options, const std::string& title,
                 std::vector<std::string>& warnings, std::string& error);
    size_t pageCount() const { return titles_.size(); }
    // Ends the document and appends its bytes to `out`, with a bookmark per page; a document
    // whose bookmarks could not be added is still written, with a warning.
    bool finish(std::vector<uint8_t>& out, std::vector<std::string>& warnings, std::string& error);

private:
    struct Writer;
    std::unique_ptr<Writer> writer_;
    std::vector<std::string> titles_;
};

// The name a page of the drawing goes by in bookmarks and titles: its file name without the
// extension (UTF-8), "drawing" when it has none.
std::string PageTitle(const Drawing& drawing);

// One drawing as a one-page PDF or an SVG page; `title` names the document.
ExportResult ExportPage(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                        const std::string& title, std::vector<uint8_t>& out);

}  // namespace korvel
