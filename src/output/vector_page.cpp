// Pages on paper through the Qt painter target.
#include "output/vector_page.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPaintEngine>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <map>

#include "drawing/cp932.h"
#include "drawing/file_extension.h"
#include "output/pdf_outline.h"
#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"
#include "platform/qt_text.h"

namespace korvel {

namespace {

// Pens in the renderer's widths (dots, 0 the thinnest) become widths on paper; pictures drawn
// more than once are handed to the painter as one image, so that the document holds it once.
//
// PDF and SVG write the whole pen state at every change of pen, and drawings change pens from
// one line to the next. Strokes are therefore gathered by pen and put out pen by pen whenever
// anything else is drawn (a fill, a text, a picture) and at the end: fills, texts and pictures
// keep their place among the strokes; only where strokes of two pens cross may the other one lie
// on top. Characters of one font and colour that follow each other are put out as one run of
// glyphs, for the same reason.
class PaperTarget : public RenderTarget {
public:
    PaperTarget(QPainter& painter, double unitsPerMm, const ExportOptions& options, int width, int height)
        : painter_(painter), inner_(painter), perWidth_(options.penWidthMm * unitsPerMm),
          thinnest_(std::max(1, static_cast<int>(std::lround(options.minPenWidthMm * unitsPerMm)))),
          width_(width), height_(height) {}

    void polyline(const DevicePoint* p, size_t n, const PenSpec& pen) override {
        const PenSpec paper = onPaper(pen);
        if (n < 2 || offPage(p, n, paper)) return;
        putOutText();
        Stroke& s = strokesOf(paper);
        s.points.insert(s.points.end(), p, p + n);
        s.counts.push_back(n);
        held_ += n;
        if (held_ >= kMaxHeldPoints) putOutStrokes();
    }
    void polygon(const DevicePoint* p, size_t n, const PenSpec& pen, const BrushSpec& brush) override {
        putOutAll();
        inner_.polygon(p, n, onPaper(pen), brush);
    }
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override {
        putOutAll();
        inner_.fillRect(rect, brush);
    }
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override {
        putOutAll();
        inner_.ellipse(box, onPaper(pen), brush);
    }
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override {
        putOutAll();
        inner_.arc(box, start, end, onPaper(pen));
    }
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override {
        putOutStrokes();
        if (style.mode == TextMode::Outline || text.size() != 1) {
            putOutText();
            TextStyle paper = style;
            paper.outlinePen = onPaper(style.outlinePen);
            inner_.text(cell, text, paper);
            return;
        }
        if (!run_.empty() && !(runFont_ == style.font && runColor_ == style.color)) putOutText();
        if (run_.empty()) {
            runFont_ = style.font;
            runColor_ = style.color;
        }
        run_.push_back({cell.x, cell.y, text[0]});
    }
    void clip(const std::optional<DeviceRect>& rect) override {
        putOutAll();
        inner_.clip(rect);
    }
    void end() override {
        putOutAll();
        inner_.end();
    }

    void image(const DeviceRect& rect, const RasterImage& picture) override {
        putOutAll();
        if (picture.empty() || picture.pixels.size() < size_t(picture.width) * picture.height) return;
        inner_.end();
        // The picture cache hands out the same pixels for every reference to one file: the
        // same QImage for them lets the PDF engine write the image once.
        QImage& image = images_[picture.pixels.data()];
        if (image.isNull() || image.width() != picture.width || image.height() != picture.height)
            image = QImage(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width, picture.height,
                           picture.width * 4, QImage::Format_ARGB32)
                        .copy();
        painter_.drawImage(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), image);
    }

private:
    struct Stroke {
        PenSpec pen;
        std::vector<DevicePoint> points;
        std::vector<size_t> counts;
    };
    // Enough to keep few pen changes, little enough not to hold a drawing's worth of points.
    static constexpr size_t kMaxHeldPoints = size_t(1) << 20;

    Stroke& strokesOf(const PenSpec& pen) {
        for (Stroke& s : strokes_)
            if (s.pen == pen) return s;
        strokes_.push_back(Stroke{pen, {}, {}});
        return strokes_.back();
    }

    // The renderer's widths (dots, 0 the thinnest) as widths on paper.
    PenSpec onPaper(const PenSpec& pen) const {
        PenSpec paper = pen;
        const double w = pen.width <= 0 ? 0.0 : pen.width * perWidth_;
        paper.width = std::max(thinnest_, static_cast<int>(std::min(w, 1.0e6)));
        return paper;
    }

    // A stroke wholly beyond the page's edges, pen width included, cannot show on it: leaving
    // it out keeps drawings much larger than their paper from costing what they would fitted.
    bool offPage(const DevicePoint* p, size_t n, const PenSpec& pen) const {
        int64_t l = p[0].x, r = l, t = p[0].y, b = t;
        for (size_t i = 1; i < n; ++i) {
            l = std::min<int64_t>(l, p[i].x), r = std::max<int64_t>(r, p[i].x);
            t = std::min<int64_t>(t, p[i].y), b = std::max<int64_t>(b, p[i].y);
        }
        const int64_t reach = pen.width + 1;
        return r < -reach || b < -reach || l > int64_t{width_} + reach || t > int64_t{height_} + reach;
    }

    void putOutStrokes() {
        if (held_ == 0) return;
        for (Stroke& s : strokes_) {
            if (s.counts.empty()) continue;
            const DevicePoint* p = s.points.data();
            for (size_t n : s.counts) {
                inner_.polyline(p, n, s.pen);
                p += n;
            }
            s.points.clear();
            s.counts.clear();
        }
        held_ = 0;
    }

    void putOutText() {
        if (run_.empty()) return;
        inner_.end();
        // SVG writes a run of glyphs as an empty text in no font: there, characters one by one.
        const bool pdf = painter_.paintEngine() && painter_.paintEngine()->type() == QPaintEngine::Pdf;
        if (!pdf || !QtDrawGlyphRun(painter_, runFont_, runColor_, run_)) {
            TextStyle style;
            style.font = runFont_;
            style.color = runColor_;
            for (const GlyphCell& c : run_) inner_.text({c.x, c.y}, std::u32string(1, c.ch), style);
        }
        run_.clear();
    }

    void putOutAll() {
        putOutText();
        putOutStrokes();
    }

    QPainter& painter_;
    QtPainterTarget inner_;
    double perWidth_;
    int thinnest_;
    int width_, height_;
    std::vector<Stroke> strokes_;  // in the order their pens were first used
    size_t held_ = 0;
    std::map<const uint32_t*, QImage> images_;
    std::vector<GlyphCell> run_;
    FontSpec runFont_;
    uint32_t runColor_ = 0;
};

bool isWhite(uint32_t colour) { return (colour & 0x00FFFFFFu) == 0x00FFFFFFu; }

std::vector<uint8_t> bytesOf(const QByteArray& data) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(data.constData()),
                                reinterpret_cast<const uint8_t*>(data.constData()) + data.size());
}

QPageSize pageSizeOf(const PageLayout& page) {
    return QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

std::string PageTitle(const Drawing& drawing) {
    std::string name = Cp932ToUtf8(drawing.fileName);
    const size_t extension = FileExtension(name).size();
    if (extension < name.size()) name.resize(name.size() - extension);
    return name.empty() ? std::string("drawing") : name;
}

PageLayout ExportPageLayout(const Drawing& drawing, const ExportOptions& options) {
    return LayoutPage(drawing, PictureFrame(drawing, options.render), options.page);
}

RenderResult DrawPage(QPainter& painter, const Drawing& drawing, const ExportOptions& options,
                      const PageLayout& page, double unitsPerMm) {
    const int width = static_cast<int>(std::ceil(page.widthMm * unitsPerMm));
    const int height = static_cast<int>(std::ceil(page.heightMm * unitsPerMm));
    // The paper is white; another background colour is the drawing's own and is painted.
    const uint32_t background = BackgroundColor(drawing, options.render);
    if (options.clearBackground || !isWhite(background))
        painter.fillRect(QRect(0, 0, width, height), QtColorOf(background));

    RenderOptions render = options.render;
    render.frame = page.frame;
    render.dotSize = kPatternDotMm * unitsPerMm;
    RenderRequest request;
    request.width = width;
    request.height = height;
    request.clearBackground = false;
    request.scale = page.scale * unitsPerMm;
    PaperTarget target(painter, unitsPerMm, options, width, height);
    RenderResult result = RenderDrawing(target, drawing, render, request);
    target.end();

    const size_t off = CountRecordsOffPage(drawing, page, options.render.layers.shownMask(drawing));
    const std::string warning = OffPageWarning(off, page);
    if (!warning.empty()) result.warnings.push_back(warning);
    return result;
}

// The writer owns the buffer the PDF goes into; QPdfWriter writes as pages end.
struct PdfDocument::Writer {
    QByteArray bytes;
    QBuffer buffer{&bytes};
    std::unique_ptr<QPdfWriter> pdf;
    std::unique_ptr<QPainter> painter;
};

PdfDocument::PdfDocument() : writer_(std::make_unique<Writer>()) {}

PdfDocument::~PdfDocument() {
    if (writer_ && writer_->painter && writer_->painter->isActive()) writer_->painter->end();
}

bool PdfDocument::addPage(const Drawing& drawing, const ExportOptions& options, const std::string& title,
                          std::vector<std::string>& warnings, std::string& error) {
    const PageLayout page = ExportPageLayout(drawing, options);
    Writer& w = *writer_;
    if (!w.pdf) {
        w.buffer.open(QIODevice::WriteOnly);
        w.pdf = std::make_unique<QPdfWriter>(&w.buffer);
        w.pdf->setResolution(static_cast<int>(std::lround(kPageUnitsPerMm * 25.4)));
        w.pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
        w.pdf->setPageSize(pageSizeOf(page));
        w.pdf->setCreator(QStringLiteral("Korvel"));
        w.pdf->setTitle(QString::fromStdString(title));
        w.painter = std::make_unique<QPainter>();
        if (!w.painter->begin(w.pdf.get())) {
            error = "the PDF page could not be started";
            return false;
        }
    } else {
        w.pdf->setPageSize(pageSizeOf(page));
        if (!w.pdf->newPage()) {
            error = "a new PDF page could not be started";
            return false;
        }
    }
    const RenderResult result = DrawPage(*w.painter, drawing, options, page);
    warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
    titles_.push_back(title);
    return true;
}

bool PdfDocument::finish(std::vector<uint8_t>& out, std::vector<std::string>& warnings, std::string& error) {
    Writer& w = *writer_;
    if (!w.painter || !w.painter->isActive()) {
        error = "the PDF has no page";
        return false;
    }
    w.painter->end();
    w.pdf.reset();
    w.buffer.close();
    std::vector<uint8_t> pdf = bytesOf(w.bytes);
    w.bytes.clear();
    // Bookmarks are worth having, not worth losing the document for.
    std::string outlineError;
    if (!AppendPdfOutline(pdf, titles_, outlineError))
        warnings.push_back("the PDF was written without bookmarks: " + outlineError);
    if (out.empty()) out = std::move(pdf);
    else out.insert(out.end(), pdf.begin(), pdf.end());
    return true;
}

ExportResult ExportPage(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                        const std::string& title, std::vector<uint8_t>& out) {
    ExportResult result;
    if (drawing.ExpectedCount == 0) {
        result.error = "the drawing has no data";
        return result;
    }
    const PageLayout page = ExportPageLayout(drawing, options);
    result.width = static_cast<int>(std::lround(page.widthMm));
    result.height = static_cast<int>(std::lround(page.heightMm));
    if (format == ImageFormat::Pdf) {
        PdfDocument document;
        if (!document.addPage(drawing, options, title, result.warnings, result.error)) return result;
        result.ok = document.finish(out, result.warnings, result.error);
        return result;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(static_cast<int>(std::lround(kPageUnitsPerMm * 25.4)));
    const QSize size(static_cast<int>(std::ceil(page.widthMm * kPageUnitsPerMm)),
                     static_cast<int>(std::ceil(page.heightMm * kPageUnitsPerMm)));
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QString::fromStdString(title));
    svg.setDescription(QStringLiteral("Drawn by Korvel at real scale on a page of %1 x %2 mm")
                           .arg(page.widthMm)
                           .arg(page.heightMm));
    QPainter painter;
    if (!painter.begin(&svg)) {
        result.error = "the SVG page could not be started";
        return result;
    }
    const RenderResult render = DrawPage(painter, drawing, options, page);
    painter.end();
    result.warnings.insert(result.warnings.end(), render.warnings.begin(), render.warnings.end());
    const std::vector<uint8_t> svgBytes = bytesOf(bytes);
    out.insert(out.end(), svgBytes.begin(), svgBytes.end());
    result.ok = true;
    return result;
}

}  // namespace korvel
