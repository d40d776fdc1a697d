// EMF and WMF files made by calling the canvas directly, checked field by field and read by
// independent programs (emf2svg-conv, wmf2svg) when they are installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "output/emf_target.h"
#include "output/metafile_frame.h"
#include "output/metafile_text.h"
#include "output/wmf_target.h"
#include "external_tools.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::haveTool;
using test::runTool;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

// One of every canvas operation, as a drawing's render would call them.
void drawSampleScene(RenderTarget& t) {
    t.begin();
    t.fillRect({1, 1, 400, 200}, {BrushStyle::Solid, 0x00FFFFFF});
    const PenSpec hairline{0x000000FF, 0}, wide{0x00FF0000, 5, true, LineCap::Flat, LineJoin::Miter};
    const DevicePoint diagonal[] = {{10, 10}, {390, 190}};
    t.polyline(diagonal, 2, hairline);
    const DevicePoint line[] = {{10, 190}, {100, 20}, {200, 190}};
    t.polyline(line, 3, hairline);
    const DevicePoint tri[] = {{220, 20}, {380, 20}, {300, 120}};
    t.polygon(tri, 3, wide, {BrushStyle::DiagCross, 0x0000FF00});
    t.ellipse({20, 20, 120, 80}, wide, {BrushStyle::Clear, 0});
    t.arc({150, 20, 250, 120}, {250, 70}, {150, 70}, wide);
    TextStyle text;
    text.font.face = "ＭＳ ゴシック";
    text.font.height = 24;
    text.font.width = 12;
    text.font.escapement = 900;
    text.font.orientation = 900;
    text.color = 0x00800000;
    t.text({50, 150}, U"図", text);
    t.text({80, 150}, U"A", text);
    TextStyle outline = text;
    outline.mode = TextMode::Outline;
    outline.outlinePen = {0x00FFFFFF, 3};
    outline.outlineBrush = {BrushStyle::Solid, 0x000000FF};
    t.text({110, 150}, U"B", outline);
    RasterImage picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000};
    t.image({300, 130, 380, 190}, picture);
    t.end();
}

// EMF records as (type, size) pairs, walking the file by each record's own size.
std::vector<std::pair<uint32_t, uint32_t>> emfRecords(const std::vector<uint8_t>& bytes) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        const uint32_t type = le32(bytes, at), size = le32(bytes, at + 4);
        out.push_back({type, size});
        if (size < 8 || size % 4) break;
        at += size;
    }
    return out;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(MetafileFrame, FittedAndRealScaleSizes) {
    const MetafileFrame fitted = FittedMetafileFrame(720, 360);
    EXPECT_EQ(fitted.width, 720);
    EXPECT_EQ(fitted.height, 360);
    EXPECT_EQ(fitted.frameWidth, 19050);  // 720 px at 96 per inch = 190.5 mm
    EXPECT_EQ(fitted.frameHeight, 9525);
    Extents e;
    e.MinX = -1.0, e.MaxX = 419.0, e.MinY = -1.0, e.MaxY = 296.0;
    const MetafileFrame real = RealScaleMetafileFrame(e);
    EXPECT_EQ(real.frameWidth, 50400);  // 420 mm * 100 * 1.2
    EXPECT_EQ(real.frameHeight, 35640);
    EXPECT_EQ(real.width, 1905);  // 504 mm at 96 / 25.4 per mm
    EXPECT_EQ(real.height, 1347);
}

TEST(EmfTarget, HeaderCountsRecordsAndEndsWithEof) {
    EmfTarget emf(FittedMetafileFrame(400, 200), "plan");
    drawSampleScene(emf);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(emf.finish(bytes, error)) << error;
    EXPECT_EQ(le32(bytes, 0), 1u);           // EMR_HEADER
    EXPECT_EQ(le32(bytes, 40), 0x464D4520u);  // " EMF"
    EXPECT_EQ(le32(bytes, 48), bytes.size());
    const auto records = emfRecords(bytes);
    EXPECT_EQ(le32(bytes, 52), records.size());
    EXPECT_EQ(records.back().first, 14u);  // EMR_EOF
    EXPECT_EQ(le32(bytes, 24 + 8), 10583u);  // frame right: 400 px in 0.01 mm
    EXPECT_EQ(le32(bytes, 24 + 12), 5292u);
    size_t total = 0;
    for (const auto& r : records) total += r.second;
    EXPECT_EQ(total, bytes.size());
    auto count = [&records](uint32_t type) {
        size_t n = 0;
        for (const auto& r : records) n += r.first == type;
        return n;
    };
    EXPECT_EQ(count(84), 3u);   // EMR_EXTTEXTOUTW, one per character
    EXPECT_EQ(count(82), 1u);   // EMR_EXTCREATEFONTINDIRECTW: the same font is made once
    EXPECT_EQ(count(95), 2u);   // EMR_EXTCREATEPEN: the geometric pen and the plain 3-unit one
    EXPECT_EQ(count(38), 1u);   // EMR_CREATEPEN: only the hairline stays a plain pen
    EXPECT_EQ(count(81), 1u);   // EMR_STRETCHDIBITS
    EXPECT_EQ(count(59), 1u);   // EMR_BEGINPATH
    EXPECT_EQ(count(63), 1u);   // EMR_STROKEANDFILLPATH
    EXPECT_EQ(count(42), 1u);   // EMR_ELLIPSE
    EXPECT_EQ(count(45), 1u);   // EMR_ARC
    // A second finish writes nothing and says why.
    std::vector<uint8_t> again = {7};
    EXPECT_FALSE(emf.finish(again, error));
    EXPECT_EQ(error, "the metafile was already finished");
    EXPECT_EQ(again, (std::vector<uint8_t>{7}));
}

// Readers clip and place by the bounds records carry: a polyline's are its points' box, and a
// filled path's cover every shape drawn, each by its own two corners.
TEST(EmfTarget, RecordsCarryTheBoxOfWhatTheyDraw) {
    const auto boundsOf = [](const std::vector<uint8_t>& bytes, std::initializer_list<uint32_t> types) {
        size_t at = 0;
        while (at + 8 <= bytes.size()) {
            const uint32_t type = le32(bytes, at), size = le32(bytes, at + 4);
            for (uint32_t t : types)
                if (t == type)
                    return std::vector<int>{static_cast<int>(le32(bytes, at + 8)), static_cast<int>(le32(bytes, at + 12)),
                                            static_cast<int>(le32(bytes, at + 16)), static_cast<int>(le32(bytes, at + 20))};
            if (size < 8) break;
            at += size;
        }
        return std::vector<int>{};
    };
    std::vector<uint8_t> bytes;
    std::string error;
    {
        EmfTarget emf(FittedMetafileFrame(400, 200), "");
        const DevicePoint points[] = {{10, 20}, {30, 5}, {25, 40}, {12, 18}};
        emf.polyline(points, 4, PenSpec{});
        ASSERT_TRUE(emf.finish(bytes, error)) << error;
        // POLYLINE, POLYLINE16, POLYPOLYLINE or POLYPOLYLINE16, whichever carries it.
        EXPECT_EQ(boundsOf(bytes, {4, 87, 7, 90}), (std::vector<int>{10, 5, 30, 40}));
    }
    {
        EmfTarget emf(FittedMetafileFrame(400, 200), "");
        emf.ellipse({100, 110, 120, 130}, PenSpec{}, BrushSpec{});
        emf.arc({90, 115, 105, 150}, {0, 0}, {0, 0}, PenSpec{});
        TextStyle outline;
        outline.font.height = 10;
        outline.mode = TextMode::Outline;
        emf.text({100, 120}, U"A", outline);
        bytes.clear();
        ASSERT_TRUE(emf.finish(bytes, error)) << error;
        EXPECT_EQ(boundsOf(bytes, {63}), (std::vector<int>{90, 110, 120, 150}));
    }
}

// EMF text is UTF-16: characters past the first plane become surrogate pairs up to the last
// one, U+10FFFF; what lies beyond Unicode becomes the replacement character.
TEST(MetafileText, CodePointsBecomeUtf16WithPairsUpToTheLastPlane) {
    EXPECT_EQ(CodePointsToUtf16(U"A\u3042"), u"A\u3042");
    EXPECT_EQ(CodePointsToUtf16(std::u32string{0xFFFF, 0x10000}), (std::u16string{0xFFFF, 0xD800, 0xDC00}));
    EXPECT_EQ(CodePointsToUtf16(std::u32string{0x10FFFF}), (std::u16string{0xDBFF, 0xDFFF}));
    EXPECT_EQ(CodePointsToUtf16(std::u32string{0x110000, 0x7FFFFFFF}), (std::u16string{0xFFFD, 0xFFFD}));
}

TEST(EmfTarget, FontFaceIsWrittenAsUtf16) {
    EmfTarget emf(FittedMetafileFrame(100, 100), "");
    TextStyle text;
    text.font.face = "ＭＳ 明朝";
    text.font.height = 10;
    emf.text({0, 0}, U"A", text);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(emf.finish(bytes, error));
    // The face follows the LOGFONT's 28 bytes after the record's type, size and handle.
    size_t at = 0;
    for (const auto& r : emfRecords(bytes)) {
        if (r.first == 82) break;
        at += r.second;
    }
    const size_t face = at + 12 + 28;
    EXPECT_EQ(le16(bytes, face), 0xFF2D);  // Ｍ
    EXPECT_EQ(le16(bytes, face + 2), 0xFF33);  // Ｓ
    EXPECT_EQ(le16(bytes, face + 4), 0x0020);
    EXPECT_EQ(le16(bytes, face + 6), 0x660E);  // 明
    EXPECT_EQ(le16(bytes, face + 8), 0x671D);  // 朝
    EXPECT_EQ(le16(bytes, face + 10), 0);
    EXPECT_EQ(bytes[at + 12 + 23], 128);  // SHIFTJIS_CHARSET
}

TEST(WmfTarget, PlaceableHeaderAndObjectTable) {
    WmfTarget wmf(FittedMetafileFrame(400, 200));
    drawSampleScene(wmf);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(wmf.finish(bytes, error)) << error;
    EXPECT_EQ(le32(bytes, 0), 0x9AC6CDD7u);
    EXPECT_EQ(le16(bytes, 10), 400);
    EXPECT_EQ(le16(bytes, 12), 200);
    EXPECT_EQ(le16(bytes, 14), 96);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2) checksum ^= le16(bytes, i);
    EXPECT_EQ(le16(bytes, 20), checksum);
    EXPECT_EQ(le16(bytes, 22), 1);  // on disk
    EXPECT_EQ(le16(bytes, 24), 9);
    EXPECT_EQ(le32(bytes, 28) * 2 + 22, bytes.size());
    // Each object is made once, in the lowest free slot, and kept: the white brush and the null
    // pen of fillRect, the two pens drawn with, the hatched and the clear brush, the font. The
    // pen and brush of the outlined text are never made: the format has no paths.
    EXPECT_EQ(le16(bytes, 32), 7);
    // The last record is META_EOF: three words, type 0.
    EXPECT_EQ(le32(bytes, bytes.size() - 6), 3u);
    EXPECT_EQ(le16(bytes, bytes.size() - 2), 0);
    std::vector<uint8_t> again = {7};
    EXPECT_FALSE(wmf.finish(again, error));
    EXPECT_EQ(error, "the metafile was already finished");
    EXPECT_EQ(again, (std::vector<uint8_t>{7}));
}

// Pens keep their width on the WMF's grid: a hairline stays 0, and no drawn width becomes less
// than one unit or more than it is.
TEST(WmfTarget, PensKeepTheirWidths) {
    WmfTarget wmf(FittedMetafileFrame(400, 200));
    for (int width : {0, 1, 2, 7, 40, 9, 11}) {
        PenSpec pen;
        pen.width = width;
        pen.color = static_cast<uint32_t>(width);  // no two pens alike
        pen.cap = width == 9 ? LineCap::Square : width == 11 ? LineCap::Round : LineCap::Flat;
        pen.join = width == 9 ? LineJoin::Bevel : width == 11 ? LineJoin::Round : LineJoin::Miter;
        pen.geometric = width >= 7;  // caps and joins are only for geometric pens
        const DevicePoint line[] = {{0, 0}, {10, 10}};
        wmf.polyline(line, 2, pen);
    }
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(wmf.finish(bytes, error)) << error;
    std::vector<int> widths, styles;
    for (size_t at = 22 + 18; at + 6 <= bytes.size();) {
        const uint32_t words = le32(bytes, at);
        if (words < 3 || at + 2 * size_t{words} > bytes.size()) break;
        if (le16(bytes, at + 4) == 0x02FA) {  // CREATEPENINDIRECT: style, then width
            styles.push_back(le16(bytes, at + 6));
            widths.push_back(le16(bytes, at + 8));
        }
        at += 2 * size_t{words};
    }
    ASSERT_GE(widths.size(), 7u);
    EXPECT_EQ(std::vector<int>(widths.begin(), widths.begin() + 7), (std::vector<int>{0, 1, 2, 7, 40, 9, 11}));
    // Solid, and for geometric pens flat ends (0x200) and mitred joins (0x2000), square ends
    // (0x100) and bevelled joins (0x1000), or round ends and joins (GDI's default, 0).
    EXPECT_EQ(std::vector<int>(styles.begin(), styles.begin() + 7),
              (std::vector<int>{0, 0, 0, 0x2200, 0x2200, 0x1100, 0}));
}

TEST(WmfTarget, TextIsWrittenInCp932ForShiftJisFonts) {
    WmfTarget wmf(FittedMetafileFrame(100, 100));
    TextStyle text;
    text.font.face = "ＭＳ 明朝";
    text.font.height = 10;
    wmf.text({5, 6}, U"図A", text);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(wmf.finish(bytes, error));
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find("\x82\x6c\x82\x72 \x96\xbe\x92\xa9"), std::string::npos);  // the face
    // META_EXTTEXTOUT (0x0A32): y, x, length 3, options 0, then the CP932 bytes.
    const size_t at = all.find(std::string("\x32\x0a", 2));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(le16(bytes, at + 2), 6);
    EXPECT_EQ(le16(bytes, at + 4), 5);
    EXPECT_EQ(le16(bytes, at + 6), 3);
    EXPECT_EQ(all.substr(at + 10, 3), "\x90\x7d" "A");
}

TEST(WmfTarget, LargePicturesAreScaledIntoSixteenBits) {
    WmfTarget wmf(FittedMetafileFrame(70000, 35000));
    EXPECT_EQ(wmf.divisor(), 3);
    const DevicePoint line[] = {{0, 0}, {69999, 34999}};
    for (int width : {0, 1, 2, 7}) wmf.polyline(line, 2, {uint32_t(width), width});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(wmf.finish(bytes, error));
    EXPECT_EQ(le16(bytes, 10), 23333);
    EXPECT_EQ(le16(bytes, 14), 32);  // units per inch follow the scale
    // Pen widths are scaled too, and a drawn width never becomes a hairline.
    std::vector<int> widths;
    for (size_t at = 22 + 18; at + 6 <= bytes.size();) {
        const uint32_t words = le32(bytes, at);
        if (words < 3 || at + 2 * size_t{words} > bytes.size()) break;
        if (le16(bytes, at + 4) == 0x02FA) widths.push_back(le16(bytes, at + 8));
        at += 2 * size_t{words};
    }
    ASSERT_GE(widths.size(), 4u);
    EXPECT_EQ(std::vector<int>(widths.begin(), widths.begin() + 4), (std::vector<int>{0, 1, 1, 2}));
}

// A picture's size goes into 16-bit fields: one at the limit is written, one past it is not.
TEST(WmfTarget, PicturesAsTallAsTheRecordsAllowAreWritten) {
    for (int height : {32767, 32768}) {
        WmfTarget wmf(FittedMetafileFrame(100, 100));
        wmf.image({0, 0, 10, 10}, RasterImage{1, height, std::vector<uint32_t>(size_t(height), 0xFF000000u)});
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(wmf.finish(bytes, error));
        EXPECT_EQ(bytes.size() > size_t(height) * 4, height == 32767) << height;
    }
}

TEST(Metafiles, IndependentReadersAcceptThem) {
    const std::string dir = test::scratchDir("metafile_readers");
    EmfTarget emf(FittedMetafileFrame(400, 200), "scene");
    WmfTarget wmf(FittedMetafileFrame(400, 200));
    drawSampleScene(emf);
    drawSampleScene(wmf);
    std::vector<uint8_t> emfBytes, wmfBytes;
    std::string error;
    ASSERT_TRUE(emf.finish(emfBytes, error));
    ASSERT_TRUE(wmf.finish(wmfBytes, error));
    test::writeFileBytes(dir + "/scene.emf", emfBytes);
    test::writeFileBytes(dir + "/scene.wmf", wmfBytes);
    if (!haveTool("emf2svg-conv") || !haveTool("wmf2svg"))
        GTEST_SKIP() << "emf2svg-conv or wmf2svg is not installed (Debian emf2svg, libwmf-bin)";
    const std::string emfOut = runTool("emf2svg-conv -i " + dir + "/scene.emf -o " + dir + "/emf.svg");
    EXPECT_EQ(emfOut, "") << emfOut;
    const std::string emfSvg = readText(dir + "/emf.svg");
    EXPECT_NE(emfSvg.find("<svg"), std::string::npos);
    EXPECT_NE(emfSvg.find("図"), std::string::npos);
    const std::string wmfOut = runTool("wmf2svg -o " + dir + "/wmf.svg " + dir + "/scene.wmf");
    EXPECT_EQ(wmfOut.find("ERROR"), std::string::npos) << wmfOut;
    EXPECT_EQ(wmfOut.find("exit status"), std::string::npos) << wmfOut;
    EXPECT_NE(readText(dir + "/wmf.svg").find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace korvel
