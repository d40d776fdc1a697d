// korvel convert to PDF and SVG pages: names, a set of drawings in one PDF, other papers and
// pen widths, and what is said when part of a drawing is off its page.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <string>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "run_korvel.h"
#include "test_support.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::runKorvel;
using test::runShell;

bool havePdfinfo() { return runShell("command -v pdfinfo >/dev/null 2>&1").status == 0; }

// A drawing on the paper of `paperSize` with a diagonal, and a line running off to the right
// when `overhang` is set.
std::string writeDrawing(const std::string& path, uint32_t paperSize, bool overhang = false) {
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = paperSize;
    b.extents(-100, -50, 100, 50);
    b.line(-90, -40, 90, 40, 2);
    if (overhang) b.line(0, 0, 400, 0, 2);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(b.drawing, 0, saved);
    EXPECT_TRUE(saved.ok) << saved.error;
    test::writeFileBytes(path, bytes);
    return path;
}

// "WxH" in whole millimetres for each page, as pdfinfo reports the pages.
std::vector<std::string> pageSizes(const std::string& pdf) {
    const std::string info = runShell("pdfinfo -f 1 -l 100 '" + pdf + "' 2>&1").out;
    std::vector<std::string> sizes;
    const std::regex size(R"(Page\s+\d+\s+size:\s+([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator it(info.begin(), info.end(), size), end; it != end; ++it)
        sizes.push_back(std::to_string(std::lround(std::stod((*it)[1]) * 25.4 / 72)) + "x" +
                        std::to_string(std::lround(std::stod((*it)[2]) * 25.4 / 72)));
    return sizes;
}

TEST(PageConvert, SeveralDrawingsIntoOnePdfInTheOrderGiven) {
    if (!havePdfinfo()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const std::string dir = test::scratchDir("convert_pdf_set");
    const std::string a = writeDrawing(dir + "/a.jww", 3);   // A3
    const std::string b = writeDrawing(dir + "/b.jww", 1);   // A1
    const std::string c = writeDrawing(dir + "/c.jww", 11);  // 100m: the extents and margins
    const RunResult r = runKorvel("convert '" + b + "' '" + a + "' '" + c + "' -o '" + dir + "/set.pdf'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pageSizes(dir + "/set.pdf"), (std::vector<std::string>{"841x594", "420x297", "202x102"}));
}

TEST(PageConvert, ASetWithADrawingThatFailsIsNotWritten) {
    const std::string dir = test::scratchDir("convert_pdf_set_broken");
    const std::string a = writeDrawing(dir + "/a.jww", 3);
    test::writeFileBytes(dir + "/broken.jww", {'n', 'o', 't'});
    const RunResult r = runKorvel("convert '" + a + "' '" + dir + "/broken.jww' -o '" + dir + "/set.pdf'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("broken.jww"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("set.pdf: not written"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/set.pdf"));
    EXPECT_EQ(test::folderNames(dir), (std::vector<std::string>{"a.jww", "broken.jww"}));
}

TEST(PageConvert, FolderOutputsAndFormatsNamePdfAndSvg) {
    const std::string dir = test::scratchDir("convert_pages_folder");
    const std::string input = writeDrawing(dir + "/plan.v2.jww", 4);
    const RunResult r = runKorvel("convert '" + input + "' -d '" + dir + "/out' --format pdf,svg,png", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::folderNames(dir + "/out"), (std::vector<std::string>{"plan.PNG", "plan.pdf", "plan.svg"}));
    const std::string pdf = test::readFileText(dir + "/out/plan.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    const std::string svg = test::readFileText(dir + "/out/plan.svg");
    EXPECT_NE(svg.find("width=\"297mm\" height=\"210mm\""), std::string::npos) << svg.substr(0, 600);
}

TEST(PageConvert, AnotherPaperSaysWhatFallsOffIt) {
    if (!havePdfinfo()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const std::string dir = test::scratchDir("convert_page_a4");
    const std::string input = writeDrawing(dir + "/plan.jww", 3, true);  // A3, one line runs to x = 400
    RunResult r = runKorvel("convert '" + input + "' -o '" + dir + "/plan.pdf' --page a4", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pageSizes(dir + "/plan.pdf"), std::vector<std::string>{"297x210"});
    EXPECT_NE(r.err.find("warning: " + input + ": 1 record reaches beyond the A4 page (297 x 210 mm)"), std::string::npos)
        << r.err;
    // Fitted to the extents, nothing is off the page.
    r = runKorvel("convert '" + input + "' -o '" + dir + "/fit.pdf' --page fit", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("beyond"), std::string::npos) << r.err;
    EXPECT_EQ(pageSizes(dir + "/fit.pdf"), std::vector<std::string>{"512x102"});
}

TEST(PageConvert, PenWidthsOnPaperAreMillimetresAndCheckedFirst) {
    const std::string dir = test::scratchDir("convert_pen_widths");
    const std::string input = writeDrawing(dir + "/plan.jww", 4);
    for (const char* bad : {"--pen-width 0", "--pen-width 11", "--min-pen-width x", "--pen-width ''", "--page B5"}) {
        const RunResult r = runKorvel("convert '" + input + "' -o '" + dir + "/x.svg' " + bad, dir);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find(std::string(bad).substr(0, std::string(bad).find(' '))), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/x.svg"));
    // Pen 2 has width 1: 0.5 mm on paper is 50 units of the page, and the thin ones 0.3 mm.
    RunResult r = runKorvel("convert '" + input + "' -o '" + dir + "/wide.svg' --pen-width 0.5", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(test::readFileText(dir + "/wide.svg").find("stroke-width=\"50\""), std::string::npos);
    r = runKorvel("convert '" + input + "' -o '" + dir + "/thin.svg' --pen-width 0.5 --min-pen-width 0.3 --thin-lines", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string thin = test::readFileText(dir + "/thin.svg");
    EXPECT_NE(thin.find("stroke-width=\"30\""), std::string::npos);
    EXPECT_EQ(thin.find("stroke-width=\"50\""), std::string::npos);
}

}  // namespace
}  // namespace korvel
