// PDF and SVG pages read back by the programs people open them with: poppler (pdfinfo,
// pdftotext, pdffonts, pdftoppm) and librsvg (rsvg-convert). The sweeps over every real drawing
// are named Sample* so that they can be left out (--gtest_filter=-PageExportSamples.*).
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>

#include "drawing/cp932.h"
#include "drawing/loaders.h"
#include <zlib.h>
#include "drawing_builder.h"
#include "external_tools.h"
#include "output/image_export.h"
#include "output/pdf_outline.h"
#include "output/raster_render.h"
#include "output/vector_page.h"
#include "picture_files.h"
#include "platform/headless_app.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::haveTool;
using test::runTool;

constexpr double kPixelsPerMm = 4.0;  // 101.6 per inch

bool havePoppler() { return haveTool("pdfinfo") && haveTool("pdftotext") && haveTool("pdffonts") && haveTool("pdftoppm"); }

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::vector<fs::path> sampleFiles() { return test::sampleDrawings(); }

std::string writePage(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                      const std::string& path) {
    std::vector<uint8_t> bytes;
    const ExportResult r = ExportImage(drawing, format, options, bytes);
    EXPECT_TRUE(r.ok) << path << ": " << r.error;
    test::writeFileBytes(path, bytes);
    return path;
}

// Page sizes in millimetres as pdfinfo reports them (points), one per page.
std::vector<std::pair<double, double>> pdfPageSizes(const std::string& pdf) {
    const std::string info = runTool("pdfinfo -f 1 -l 1000 " + quoted(pdf));
    std::vector<std::pair<double, double>> sizes;
    const std::regex size(R"(Page\s+\d+\s+size:\s+([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator it(info.begin(), info.end(), size), end; it != end; ++it)
        sizes.emplace_back(std::stod((*it)[1]) * 25.4 / 72.0, std::stod((*it)[2]) * 25.4 / 72.0);
    return sizes;
}

std::string withoutSpaces(const std::string& utf8) {
    std::string out;
    for (char c : utf8)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
    // The ideographic space is a space too.
    for (size_t at; (at = out.find("\xE3\x80\x80")) != std::string::npos;) out.erase(at, 3);
    return out;
}

// The texts a reader expects to find: every top-level text on a shown layer and on the page, not
// Jw_cad's settings, without ^ codes and macros (those are drawn as what they stand for).
std::vector<std::string> plainTexts(const Drawing& drawing) {
    const Extents page = ExportPageLayout(drawing, ExportOptions{}).frame;
    std::vector<std::string> texts;
    for (const TDataMoji& t : drawing.top.texts) {
        if (IsJwcadSettingsText(t) || !drawing.layerVisible(t.layerGroup, t.layer)) continue;
        const bool onPage = std::min(t.start.x, t.end.x) >= page.MinX && std::max(t.start.x, t.end.x) <= page.MaxX &&
                            std::min(t.start.y, t.end.y) >= page.MinY && std::max(t.start.y, t.end.y) <= page.MaxY;
        if (!onPage) continue;
        if (t.text.find_first_of("^%&") != std::string::npos) continue;
        const std::string s = withoutSpaces(Cp932ToUtf8(t.text));
        if (!s.empty()) texts.push_back(s);
    }
    return texts;
}

bool inked(QRgb p) { return qRed(p) < 235 || qGreen(p) < 235 || qBlue(p) < 235; }

// The share of the reference's inked pixels that have ink within one pixel in `actual`.
double shareWithinOnePixel(const QImage& reference, const QImage& actual, size_t& inkedPixels) {
    inkedPixels = 0;
    size_t matched = 0;
    const int w = std::min(reference.width(), actual.width()), h = std::min(reference.height(), actual.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!inked(reference.pixel(x, y))) continue;
            ++inkedPixels;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int ax = x + dx, ay = y + dy;
                    found = ax >= 0 && ay >= 0 && ax < w && ay < h && inked(actual.pixel(ax, ay));
                }
            if (found) ++matched;
        }
    }
    return inkedPixels ? double(matched) / inkedPixels : 1.0;
}

// The drawing through the raster path at 4 pixels per millimetre of its page: where the page
// rule puts every line, drawn by the renderer everyone already checks. Texts are left out: the
// raster path draws them from its own glyph images.
QImage rasterReference(const Drawing& drawing, const PageLayout& page) {
    RenderOptions options;
    options.frame = page.frame;
    Drawing linesOnly = drawing;
    linesOnly.top.texts.clear();
    linesOnly.top.sequence.erase(std::remove_if(linesOnly.top.sequence.begin(), linesOnly.top.sequence.end(),
                                                [](const RecordRef& r) { return r.cls == RecordClass::Moji; }),
                                 linesOnly.top.sequence.end());
    const int w = static_cast<int>(std::ceil(page.widthMm * kPixelsPerMm));
    const int h = static_cast<int>(std::ceil(page.heightMm * kPixelsPerMm));
    return RenderToImage(linesOnly, options, w, h, page.scale * kPixelsPerMm).image;
}

// The same drawing without its texts, as a page: what is compared with the reference.
Drawing withoutTexts(const Drawing& drawing) {
    Drawing d = drawing;
    d.top.texts.clear();
    d.top.sequence.erase(std::remove_if(d.top.sequence.begin(), d.top.sequence.end(),
                                        [](const RecordRef& r) { return r.cls == RecordClass::Moji; }),
                         d.top.sequence.end());
    return d;
}

class PageExportSamples : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::samplesDir().empty()) GTEST_SKIP() << "../shared/samples/jww is absent; real drawings not tested";
        EnsureHeadlessGuiApplication();
    }
};

TEST_F(PageExportSamples, EveryPdfIsOnePageOfItsPaperWithItsTextsAndEmbeddedFonts) {
    if (!havePoppler()) GTEST_SKIP() << "poppler-utils (pdfinfo, pdftotext, pdffonts) is not installed";
    const std::string dir = test::scratchDir("sample_pdfs");
    for (const fs::path& file : sampleFiles()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        const std::string pdf = writePage(drawing, ImageFormat::Pdf, ExportOptions{}, dir + "/" + file.stem().string() + ".pdf");
        const PageLayout page = ExportPageLayout(drawing, ExportOptions{});
        double w = 0, h = 0;
        if (PaperSizeMm(drawing.header.PaperSize, w, h)) {
            EXPECT_EQ(page.widthMm, w);
        }
        const auto sizes = pdfPageSizes(pdf);
        ASSERT_EQ(sizes.size(), 1u) << pdf;
        EXPECT_NEAR(sizes[0].first, page.widthMm, 0.5) << pdf;
        EXPECT_NEAR(sizes[0].second, page.heightMm, 0.5) << pdf;

        const std::string text = withoutSpaces(runTool("pdftotext -raw -enc UTF-8 " + quoted(pdf) + " -"));
        for (const std::string& t : plainTexts(drawing)) EXPECT_NE(text.find(t), std::string::npos) << pdf << ": " << t;

        const std::string fonts = runTool("pdffonts " + quoted(pdf));
        if (!plainTexts(drawing).empty()) {
            EXPECT_NE(fonts.find("IPA"), std::string::npos) << pdf << "\n" << fonts;
            // Every font line says "yes" under emb.
            const std::regex line(R"(\n(\S+)\s+(CID TrueType|TrueType|Type 3|CID Type 0C|Type 1C)\S*\s+\S+\s+(yes|no))");
            size_t lines = 0;
            for (std::sregex_iterator it(fonts.begin(), fonts.end(), line), end; it != end; ++it, ++lines)
                EXPECT_EQ((*it)[3], "yes") << pdf << ": " << (*it)[1];
            EXPECT_GT(lines, 0u) << fonts;
        }
    }
}

TEST_F(PageExportSamples, PdfAndSvgLinesLieWhereThePageRulePutsThem) {
    if (!havePoppler() || !haveTool("rsvg-convert"))
        GTEST_SKIP() << "poppler-utils or rsvg-convert (librsvg2-bin) is not installed";
    const std::string dir = test::scratchDir("sample_page_placement");
    for (const fs::path& file : sampleFiles()) {
        Drawing loaded;
        ASSERT_TRUE(LoadFile(loaded, file.string()).ok) << file;
        const Drawing drawing = withoutTexts(loaded);
        const PageLayout page = ExportPageLayout(drawing, ExportOptions{});
        const QImage reference = rasterReference(drawing, page);
        ASSERT_FALSE(reference.isNull()) << file;
        const std::string stem = dir + "/" + file.stem().string();
        const std::string pdf = writePage(drawing, ImageFormat::Pdf, ExportOptions{}, stem + ".pdf");
        runTool("pdftoppm -r 101.6 -png -singlefile " + quoted(pdf) + " " + quoted(stem + "-pdf"));
        const std::string svg = writePage(drawing, ImageFormat::Svg, ExportOptions{}, stem + ".svg");
        runTool("rsvg-convert --dpi-x 101.6 --dpi-y 101.6 -b white -f png -o " + quoted(stem + "-svg.png") + " " +
                quoted(svg));
        for (const char* kind : {"-pdf.png", "-svg.png"}) {
            const QImage actual(QString::fromStdString(stem + kind));
            ASSERT_FALSE(actual.isNull()) << stem << kind;
            EXPECT_NEAR(actual.width(), reference.width(), 1) << stem << kind;
            EXPECT_NEAR(actual.height(), reference.height(), 1) << stem << kind;
            size_t inkedPixels = 0;
            const double share = shareWithinOnePixel(reference, actual, inkedPixels);
            EXPECT_GE(share, 0.97) << stem << kind << ": " << inkedPixels << " line pixels";
        }
    }
}

TEST_F(PageExportSamples, SvgPagesKeepTheirTextsAsTextElements) {
    const std::string dir = test::scratchDir("sample_svgs");
    for (const fs::path& file : sampleFiles()) {
        Drawing drawing;
        ASSERT_TRUE(LoadFile(drawing, file.string()).ok) << file;
        const std::string svg = writePage(drawing, ImageFormat::Svg, ExportOptions{}, dir + "/" + file.stem().string() + ".svg");
        const std::string text = test::readFileText(svg);
        const PageLayout page = ExportPageLayout(drawing, ExportOptions{});
        char size[64];
        std::snprintf(size, sizeof size, "width=\"%gmm\"", page.widthMm);
        EXPECT_NE(text.find(size), std::string::npos) << svg;
        if (plainTexts(drawing).empty()) continue;
        EXPECT_NE(text.find("<text"), std::string::npos) << svg;
        EXPECT_NE(text.find("font-family=\"IPA"), std::string::npos) << svg;
        for (const std::string& t : plainTexts(drawing)) {
            // Each character is its own text element; the first one of every text is there.
            const std::u32string chars = QString::fromStdString(t).toStdU32String();
            const std::string first = QString::fromStdU32String(chars.substr(0, 1)).toStdString();
            EXPECT_NE(text.find(">" + first + "<"), std::string::npos) << svg << ": " << t;
        }
    }
}

TEST(PageExport, SeveralDrawingsMakeOnePageEachOnTheirOwnPaperWithBookmarks) {
    if (!havePoppler() || !haveTool("pdftohtml")) GTEST_SKIP() << "poppler-utils is not installed";
    EnsureHeadlessGuiApplication();
    PdfDocument document;
    const uint32_t papers[] = {3, 0, 10};  // A3, A0, and a page made to the extents
    const char* names[] = {"平面図", "立面図", "敷地"};
    for (int i = 0; i < 3; ++i) {
        test::DrawingBuilder b;
        b.drawing.header.PaperSize = papers[i];
        b.line(-50, -20, 50, 20);
        b.extents(-51, -21, 51, 21);
        std::vector<std::string> warnings;
        std::string error;
        ASSERT_TRUE(document.addPage(b.drawing, ExportOptions{}, names[i], warnings, error)) << error;
        EXPECT_TRUE(warnings.empty()) << warnings.front();
    }
    std::vector<uint8_t> bytes;
    std::vector<std::string> warnings;
    std::string error;
    ASSERT_TRUE(document.finish(bytes, warnings, error)) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    const std::string dir = test::scratchDir("three_pages");
    const std::string pdf = dir + "/set.pdf";
    test::writeFileBytes(pdf, bytes);
    const auto sizes = pdfPageSizes(pdf);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_NEAR(sizes[0].first, 420, 0.5);
    EXPECT_NEAR(sizes[0].second, 297, 0.5);
    EXPECT_NEAR(sizes[1].first, 1189, 0.5);
    EXPECT_NEAR(sizes[1].second, 841, 0.5);
    EXPECT_NEAR(sizes[2].first, 122, 0.5);
    EXPECT_NEAR(sizes[2].second, 62, 0.5);
    // The outline as poppler reads it: one entry per drawing, leading to its page.
    const std::string outline = runTool("pdftohtml -xml -i -stdout " + quoted(pdf));
    for (int i = 0; i < 3; ++i) {
        const std::string entry = "<item page=\"" + std::to_string(i + 1) + "\">" + names[i] + "</item>";
        EXPECT_NE(outline.find(entry), std::string::npos) << outline.substr(outline.find("<outline"), 400);
    }
    EXPECT_EQ(runTool("pdfinfo " + quoted(pdf)).find("rror"), std::string::npos);
}

// The page's content unpacked (the stream that sets up the page's matrix), for what Qt wrote.
std::string pageContent(const std::vector<uint8_t>& pdf) {
    const std::string text(pdf.begin(), pdf.end());
    std::string best;
    for (size_t at = 0; (at = text.find("stream\n", at)) != std::string::npos;) {
        at += 7;
        const size_t end = text.find("endstream", at);
        if (end == std::string::npos) break;
        std::string out(64 << 20, '\0');
        uLongf size = out.size();
        if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data() + at),
                       end - at) == Z_OK &&
            size > best.size() && out.substr(0, std::min<size_t>(size, 200)).find(" cm\n") != std::string::npos)
            best = out.substr(0, size);
    }
    return best;
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

TEST(PageExport, APictureDrawnTwiceIsEmbeddedOnce) {
    if (!haveTool("pdfimages")) GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    EnsureHeadlessGuiApplication();
    const std::string dir = test::scratchDir("picture_once");
    std::vector<uint32_t> pixels(40 * 30);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    test::writeFileBytes(dir + "/mark.png", test::makePng(40, 30, pixels));
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;
    b.drawing.DrawingFolder = dir;
    for (int i = 0; i < 3; ++i) b.text(-100 + 60 * i, 0, "^@BMmark.png,40,30");
    b.line(-100, -50, 100, 50);
    b.extents(-101, -51, 101, 51);
    const std::string pdf = writePage(b.drawing, ImageFormat::Pdf, ExportOptions{}, dir + "/pictures.pdf");
    const std::string list = runTool("pdfimages -list " + quoted(pdf));
    // Three placements, one image object: pdfimages lists each placement with its object number.
    const std::regex row(R"(\n\s*1\s+(\d+)\s+image\s+(\d+)\s+(\d+)\s+\S+\s+\S+\s+\S+\s+\S+\s+\S+\s+(\d+)\s+0)");
    std::set<std::string> objects;
    size_t placements = 0;
    for (std::sregex_iterator it(list.begin(), list.end(), row), end; it != end; ++it, ++placements) {
        EXPECT_EQ((*it)[2], "40");
        EXPECT_EQ((*it)[3], "30");  // at its own resolution
        objects.insert((*it)[4]);
    }
    EXPECT_EQ(placements, 3u) << list;
    EXPECT_EQ(objects.size(), 1u) << list;
    // Each placed at its text's start, its top 30 mm above (hundredths of a millimetre from the
    // paper's top left corner), 40 by 30 mm.
    const std::string content = pageContent(test::readFileBytes(pdf));
    for (const char* left : {"4850", "10850", "16850"}) {
        const std::string placed = std::string("100 0 0 100 ") + left + " 7500 cm\n40 0 0 -30 0 30 cm /Im";
        EXPECT_NE(content.find(placed), std::string::npos) << placed << content.substr(0, 600);
    }
}

TEST(PageExport, StrokesGoOutPenByPenButFillsAndTextsKeepTheirPlace) {
    EnsureHeadlessGuiApplication();
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;
    for (int i = 0; i < 10; ++i) b.line(-100, i * 5, 100, i * 5, 2 + i % 2);  // black, green, black...
    b.solid({-50, -50}, {50, -50}, {50, -20}, {-50, -20}, 6);
    b.line(-100, -80, 100, -80, 2);
    b.extents(-101, -81, 101, 51);
    std::vector<uint8_t> pdf;
    ASSERT_TRUE(ExportImage(b.drawing, ImageFormat::Pdf, ExportOptions{}, pdf).ok);
    const std::string content = pageContent(pdf);
    // Two pens for the ten lines, then the solid with its outline, then the last line's pen.
    EXPECT_EQ(countOf(content, " SCN\n"), 4u) << content.substr(0, 2000);
    const size_t fill = content.find(" scn\n"), filled = content.find("B*\n");
    ASSERT_NE(fill, std::string::npos) << content.substr(0, 2000);
    ASSERT_NE(filled, std::string::npos) << content.substr(0, 2000);
    EXPECT_EQ(countOf(content.substr(0, fill), " l\n"), 10u);
    EXPECT_EQ(countOf(content.substr(filled), " l\n"), 1u);
}

// Pens print at their width times the width of a unit, never thinner than the thinnest line.
TEST(PageExport, PensPrintAtTheirWidthAndNoThinnerThanTheLeast) {
    EnsureHeadlessGuiApplication();
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;
    b.line(-100, 0, 100, 0, 2);
    b.drawing.header.PenWidth[2] = 1;
    b.extents(-101, -1, 101, 1);
    for (const auto& [perUnit, least, written] :
         {std::tuple{0.13, 0.1, "\n13 w "}, std::tuple{0.13, 0.5, "\n50 w "}, std::tuple{0.3, 0.1, "\n30 w "}}) {
        ExportOptions o;
        o.penWidthMm = perUnit;
        o.minPenWidthMm = least;
        std::vector<uint8_t> pdf;
        ASSERT_TRUE(ExportImage(b.drawing, ImageFormat::Pdf, o, pdf).ok);
        const std::string content = pageContent(pdf);
        EXPECT_NE(content.find(written), std::string::npos) << written << content.substr(0, 600);
    }
}

// What lies wholly beyond the paper cannot show on it and is not written; what reaches onto it,
// or lies within a pen's width of its edge, is.
TEST(PageExport, StrokesWhollyOffThePaperAreLeftOut) {
    EnsureHeadlessGuiApplication();
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;  // A4 landscape: x from -148.5 to 148.5, y from -105 to 105
    b.line(-100, 0, 100, 0, 2);      // on the paper
    b.line(100, 50, 200, 50, 2);     // across its right edge
    b.line(-148.55, 0, -148.55, 50, 2);  // beyond the left edge by less than half its pen
    b.line(200, 0, 300, 0, 2);       // beyond the right edge
    b.line(0, 150, 50, 160, 2);      // above the top
    b.line(-300, -300, -200, -200, 2);
    b.extents(-300, -300, 300, 160);
    std::vector<uint8_t> pdf;
    const ExportResult r = ExportImage(b.drawing, ImageFormat::Pdf, ExportOptions{}, pdf);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(countOf(pageContent(pdf), " l\n"), 3u) << pageContent(pdf).substr(0, 2000);
}

TEST(PageExport, CharactersOfOneFontGoOutAsOneRunAndBoldOnesOneByOne) {
    if (!haveTool("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EnsureHeadlessGuiApplication();
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 4;
    b.text(-100, 0, Utf8ToCp932("参考図ABC"));
    TDataMoji& bold = b.text(-100, -30, Utf8ToCp932("太字"));
    bold.textType = 20000;
    b.extents(-101, -31, 0, 5);
    std::vector<uint8_t> pdf;
    ASSERT_TRUE(ExportImage(b.drawing, ImageFormat::Pdf, ExportOptions{}, pdf).ok);
    const std::string content = pageContent(pdf);
    EXPECT_EQ(countOf(content, "BT\n"), 1u + 2u) << content;  // the run, and each bold character
    const std::string dir = test::scratchDir("glyph_runs");
    test::writeFileBytes(dir + "/texts.pdf", pdf);
    const std::string text = withoutSpaces(runTool("pdftotext -raw -enc UTF-8 " + quoted(dir + "/texts.pdf") + " -"));
    EXPECT_NE(text.find("参考図ABC"), std::string::npos) << text;
    EXPECT_NE(text.find("太字"), std::string::npos) << text;
}

TEST(PdfOutline, AFileNotLaidOutAsExpectedIsLeftAlone) {
    std::string error;
    std::vector<uint8_t> junk = {'%', 'P', 'D', 'F'};
    const std::vector<uint8_t> before = junk;
    EXPECT_FALSE(AppendPdfOutline(junk, {"a"}, error));
    EXPECT_EQ(junk, before);
    EXPECT_EQ(error, "the PDF has no trailer");
    const std::string text =
        "%PDF-1.4\n1 0 obj\n<<\n/Type /Catalog\n/Pages 9 0 R\n>>\nendobj\nxref\n0 2\ntrailer\n<<\n/Size 2\n/Root 1 0 R\n>>\n"
        "startxref\n60\n%%EOF\n";
    std::vector<uint8_t> noPages(text.begin(), text.end());
    EXPECT_FALSE(AppendPdfOutline(noPages, {"a"}, error));
    EXPECT_EQ(error, "the PDF catalog or page tree could not be read");
    EXPECT_EQ(noPages.size(), text.size());
}

// A small PDF laid out as Qt writes one: object 11 comes first, so that "1 0 obj" is found at
// the start of its own line only; the page tree's key "/PagesX" is no "/Pages".
std::string smallPdf(const std::string& catalogExtra = "") {
    std::string pdf = "%PDF-1.4\n11 0 obj\n<<\n/Producer (x)\n>>\nendobj\n1 0 obj\n<<\n/Type /Catalog\n/PagesX 7 0 R"
                      "\n/Pages 2 0 R" + catalogExtra + "\n>>\nendobj\n2 0 obj\n<<\n/Type /Pages\n/Kids [3 0 R 40 0 R 5 0 R]"
                      "\n/Count 3\n>>\nendobj\n";
    const size_t xref = pdf.size();
    pdf += "xref\n0 12\ntrailer\n<<\n/Size 12\n/Root 1 0 R\n/Info 11 0 R\n>>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
    return pdf;
}

TEST(PdfOutline, AnUpdateAppendsTheCatalogTheOutlineAndOneEntryPerPage) {
    const std::string before = smallPdf();
    std::vector<uint8_t> pdf(before.begin(), before.end());
    std::string error;
    ASSERT_TRUE(AppendPdfOutline(pdf, {"a", "b", "c", "no page"}, error)) << error;
    const std::string update(pdf.begin() + static_cast<long>(before.size()), pdf.end());
    const std::vector<std::string> objects = {
        "1 0 obj\n<<\n/Type /Catalog\n/PagesX 7 0 R\n/Pages 2 0 R\n\n/Outlines 12 0 R\n/PageMode /UseOutlines\n>>\nendobj\n",
        "12 0 obj\n<<\n/Type /Outlines\n/First 13 0 R\n/Last 15 0 R\n/Count 3\n>>\nendobj\n",
        "13 0 obj\n<<\n/Title <FEFF0061>\n/Parent 12 0 R\n/Dest [3 0 R /Fit]\n/Next 14 0 R\n>>\nendobj\n",
        "14 0 obj\n<<\n/Title <FEFF0062>\n/Parent 12 0 R\n/Dest [40 0 R /Fit]\n/Prev 13 0 R\n/Next 15 0 R\n>>\nendobj\n",
        "15 0 obj\n<<\n/Title <FEFF0063>\n/Parent 12 0 R\n/Dest [5 0 R /Fit]\n/Prev 14 0 R\n>>\nendobj\n"};
    std::string want = "\n";
    std::vector<size_t> offsets;
    for (const std::string& o : objects) {
        offsets.push_back(before.size() + want.size());
        want += o;
    }
    const size_t xref = before.size() + want.size();
    char line[24];
    want += "xref\n1 1\n";
    for (size_t i = 0; i < offsets.size(); ++i) {
        if (i == 1) want += "12 4\n";
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[i]);
        want += line;
    }
    want += "trailer\n<<\n/Size 16\n/Root 1 0 R\n/Info 11 0 R\n/Prev " + std::to_string(before.find("xref")) +
            "\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    EXPECT_EQ(update, want);

    // A second outline is not added over the first; a file without pages takes none.
    pdf.assign(before.begin(), before.end());
    const std::string withOutline = smallPdf("\n/Outlines 9 0 R");
    pdf.assign(withOutline.begin(), withOutline.end());
    EXPECT_FALSE(AppendPdfOutline(pdf, {"a"}, error));
    EXPECT_EQ(error, "the PDF has an outline already");
    EXPECT_EQ(pdf.size(), withOutline.size());
    pdf.assign(before.begin(), before.end());
    EXPECT_TRUE(AppendPdfOutline(pdf, {}, error));
    EXPECT_EQ(pdf.size(), before.size());
}

TEST(PdfOutline, TrailersThatDoNotReadAreRefused) {
    const std::string good = smallPdf();
    const size_t xref = good.find("xref");
    auto refused = [&](const std::string& from, const std::string& into) {
        std::string text = good;
        text.replace(text.rfind(from), from.size(), into);
        std::vector<uint8_t> pdf(text.begin(), text.end());
        std::string error;
        const bool ok = AppendPdfOutline(pdf, {"a"}, error);
        return !ok && pdf.size() == text.size() ? error : "taken";
    };
    const std::string unread = "the PDF trailer could not be read";
    EXPECT_EQ(refused("startxref\n" + std::to_string(xref), "startxref\n0"), unread);
    EXPECT_EQ(refused("startxref\n" + std::to_string(xref), "startxref\n" + std::to_string(good.size())), unread);
    EXPECT_EQ(refused("startxref\n" + std::to_string(xref), "startxref\n1234567890123"), unread);
    EXPECT_EQ(refused("/Size 12", "/Size 0"), unread);
    EXPECT_EQ(refused("/Root 1 0 R", "/Rooted 1 0 R"), unread);
    EXPECT_EQ(refused("/Kids [3 0 R 40 0 R 5 0 R]", "/Kids [3 0 R 40 0 5 0 R]"),
              "the PDF catalog or page tree could not be read");
    EXPECT_EQ(refused("/Kids [3 0 R 40 0 R 5 0 R]", "/Kids [3 0 R 40"), "the PDF catalog or page tree could not be read");
    EXPECT_EQ(refused("startxref\n" + std::to_string(xref), "startxref\n" + std::to_string(good.size() - 1)), "taken");
    // A catalog that never closes, with no ">>" before it either, is not read on into the objects after it.
    std::string unclosed = good;
    for (int i = 0; i < 2; ++i) unclosed.erase(unclosed.find(">>"), 2);
    std::vector<uint8_t> pdf(unclosed.begin(), unclosed.end());
    std::string error;
    EXPECT_FALSE(AppendPdfOutline(pdf, {"a"}, error));
    EXPECT_EQ(error, "the PDF catalog or page tree could not be read");
}

TEST(PdfOutline, TitlesAreUtf16WithTheirByteOrderMark) {
    EXPECT_EQ(PdfTextString("A図"), "<FEFF004156F3>");
    EXPECT_EQ(PdfTextString("\xF0\x9F\x98\x80"), "<FEFFD83DDE00>");  // beyond the first plane: a pair
    EXPECT_EQ(PdfTextString("\xE5\x9B"), "<FEFFFFFDFFFD>");         // cut short: replaced
    EXPECT_EQ(PdfTextString(""), "<FEFF>");
    EXPECT_EQ(PdfTextString("\x7F\xC3\xA9"), "<FEFF007F00E9>");
    // A lone trail byte, a lead byte of none of the forms, a value past U+10FFFF and an encoded
    // surrogate are one replacement each, and what follows them is read afresh.
    EXPECT_EQ(PdfTextString("\x80" "a"), "<FEFFFFFD0061>");
    EXPECT_EQ(PdfTextString("\xF8" "a"), "<FEFFFFFD0061>");
    EXPECT_EQ(PdfTextString("\xF4\x90\x80\x80"), "<FEFFFFFDFFFDFFFDFFFD>");
    EXPECT_EQ(PdfTextString("\xED\xA0\x80"), "<FEFFFFFDFFFDFFFD>");
    EXPECT_EQ(PdfTextString("\xF4\x8F\xBF\xBF"), "<FEFFDBFFDFFF>");
    EXPECT_EQ(PdfTextString("\xEF\xBF\xBF"), "<FEFFFFFF>");
}

}  // namespace
}  // namespace korvel
