// Printing through Qt Print Support onto the page rules of the vector pages.
#include "app/drawing_printer.h"

#include <QPageLayout>
#include <QPainter>

#include "output/page_mapping.h"
#include "output/vector_page.h"

namespace korvel {

namespace {
QPageSize::PageSizeId paperId(const std::string& name) {
    if (name == "A0") return QPageSize::A0;
    if (name == "A1") return QPageSize::A1;
    if (name == "A2") return QPageSize::A2;
    if (name == "A3") return QPageSize::A3;
    if (name == "A4") return QPageSize::A4;
    return QPageSize::Custom;
}
}  // namespace

void PreparePrinter(QPrinter& printer, const Drawing& drawing, const ExportOptions& options) {
    const PageLayout page = ExportPageLayout(drawing, options);
    const QPageSize::PageSizeId id = paperId(page.paper);
    // Sizes are given portrait and turned, so that the dialog shows the paper by its name.
    const QPageSize size = id != QPageSize::Custom
                               ? QPageSize(id)
                               : QPageSize(QSizeF(std::min(page.widthMm, page.heightMm), std::max(page.widthMm, page.heightMm)),
                                           QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const QPageLayout::Orientation orientation =
        page.widthMm >= page.heightMm ? QPageLayout::Landscape : QPageLayout::Portrait;
    printer.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(PageTitle(drawing)));
}

bool PrintDrawing(QPrinter& printer, const Drawing& drawing, const ExportOptions& options, bool fit,
                  std::vector<std::string>& warnings, std::string& error) {
    // The drawing is placed on the whole sheet; what the printer cannot reach at its edges is
    // the printer's margin, as with any program that prints at real scale.
    printer.setFullPage(true);
    const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    const PageLayout page = PlaceOnSheet(ExportPageLayout(drawing, options), paper.width(), paper.height(), fit);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = "the printer could not be started";
        return false;
    }
    // Painter units of a hundredth of a millimetre, from the paper's top-left corner.
    const double perUnit = printer.resolution() / 25.4 / kPageUnitsPerMm;
    painter.scale(perUnit, perUnit);
    const RenderResult result = DrawPage(painter, drawing, options, page);
    painter.end();
    warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
    return true;
}

}  // namespace korvel
