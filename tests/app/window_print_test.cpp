// Printing from the window into a PDF file printer, read back by poppler: the chosen paper and
// orientation, real scale or fitted, texts as texts; and PDF from the save dialog.
#include <QPrinter>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "app/drawing_printer.h"
#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "main_window_probe.h"
#include "window_fixture.h"

namespace korvel {
namespace {

using test::WindowTest;

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool havePoppler() { return std::system("command -v pdfinfo >/dev/null && command -v pdftoppm >/dev/null") == 0; }

// Width and height in whole millimetres of the first page.
std::pair<long, long> pageSize(const std::string& pdf) {
    const std::string info = run("pdfinfo '" + pdf + "'");
    std::smatch m;
    if (!std::regex_search(info, m, std::regex(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)"))) return {0, 0};
    return {std::lround(std::stod(m[1]) * 25.4 / 72), std::lround(std::stod(m[2]) * 25.4 / 72)};
}

// An A3 drawing: a 200 mm line along y = 0 from x = -100, and a text.
std::string writePlan(const std::string& dir) {
    test::DrawingBuilder b;
    b.drawing.header.PaperSize = 3;
    b.extents(-101, -11, 101, 11);
    b.line(-100, 0, 100, 0, 2);
    b.text(-100, 5, "PRINTED");
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(b.drawing, 0, saved);
    EXPECT_TRUE(saved.ok);
    test::writeFileBytes(dir + "/plan.jww", bytes);
    return dir + "/plan.jww";
}

// The columns of the first and last dark pixels of the row through the page's middle, at 4
// pixels per millimetre.
std::pair<int, int> lineEnds(const std::string& pdf) {
    const std::string png = pdf + "-page";
    run("pdftoppm -r 101.6 -gray -singlefile '" + pdf + "' '" + png + "'");
    const QImage image(QString::fromStdString(png + ".pgm"));
    if (image.isNull()) return {-1, -1};
    int first = -1, last = -1;
    for (int dy = -2; dy <= 2; ++dy) {
        const int y = image.height() / 2 + dy;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0 || x < first) first = x;
                if (x > last) last = x;
            }
    }
    return {first, last};
}

TEST_F(WindowTest, PrintsAtRealScaleOnTheChosenPaperOrFitted) {
    if (!havePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    const std::string dir = test::scratchDir("window_print");
    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(writePlan(dir))));

    // A4 portrait at real scale: the 200 mm line is 800 pixels long about the page's centre.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir + "/real.pdf"));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    ASSERT_TRUE(window->printTo(printer));
    EXPECT_EQ(pageSize(dir + "/real.pdf"), std::make_pair(210L, 297L));
    auto [first, last] = lineEnds(dir + "/real.pdf");
    EXPECT_NEAR(first, 4 * (105 - 100), 2);
    EXPECT_NEAR(last, 4 * (105 + 100), 2);
    EXPECT_NE(run("pdftotext '" + dir + "/real.pdf' -").find("PRINTED"), std::string::npos);
    EXPECT_TRUE(prompts.informations.isEmpty()) << prompts.informations.join('\n').toStdString();

    // Fitted: the A3 sheet's 420 mm go into A4's 210, so the line is 100 mm long.
    probe(*window).menus().file.printFit->setChecked(true);
    printer.setOutputFileName(QString::fromStdString(dir + "/fit.pdf"));
    ASSERT_TRUE(window->printTo(printer));
    std::tie(first, last) = lineEnds(dir + "/fit.pdf");
    EXPECT_NEAR(first, 4 * (105 - 50), 2);
    EXPECT_NEAR(last, 4 * (105 + 50), 2);
}

TEST_F(WindowTest, PrintPreparationStartsFromTheDrawingsPaper) {
    const std::string dir = test::scratchDir("window_print_paper");
    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(writePlan(dir))));
    QPrinter printer(QPrinter::HighResolution);
    Drawing drawing;
    ASSERT_TRUE(LoadFile(drawing, dir + "/plan.jww").ok);
    PreparePrinter(printer, drawing, ExportOptions{});
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A3);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.docName(), QStringLiteral("plan"));
}

TEST_F(WindowTest, TheSaveDialogWritesPdfAndSvgPages) {
    if (!havePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    const std::string dir = test::scratchDir("window_save_pdf");
    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(writePlan(dir))));
    prompts.files.push_back({QString::fromStdString(dir + "/page"), 7});  // "PDFﾌｧｲﾙ(*.PDF)"
    prompts.files.push_back({QString::fromStdString(dir + "/page"), 8});  // "SVGﾌｧｲﾙ(*.SVG)"
    window->savePicture();
    window->savePicture();
    EXPECT_EQ(pageSize(dir + "/page.pdf"), std::make_pair(420L, 297L));
    EXPECT_NE(test::readFileText(dir + "/page.svg").find("width=\"420mm\""), std::string::npos);
    EXPECT_TRUE(prompts.informations.isEmpty()) << prompts.informations.join('\n').toStdString();
}

}  // namespace
}  // namespace korvel
