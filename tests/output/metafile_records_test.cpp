// Metafiles of whole drawings read back record by record: the points a reader draws, the
// rectangle that clears the background, and the WMF scaled into sixteen bits against the EMF of
// the same render.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "drawing_builder.h"
#include "feature_drawings.h"
#include "picture_files.h"
#include "test_support.h"
#include "output/image_export.h"
#include "output/metafile_dib.h"

namespace korvel {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
int16_t s16(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(b[at] | (b[at + 1] << 8)); }
int32_t s32(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(le32(b, at)); }

struct Pt {
    int x, y;
    bool operator==(const Pt& o) const { return x == o.x && y == o.y; }
};

// What a reader draws, whatever records carry it: every point of moves, lines, polylines and
// polygons in order, and the rectangles drawn without an outline.
struct Drawn {
    std::vector<Pt> points;
    std::vector<std::vector<int>> unoutlined;  // left, top, right, bottom
    std::vector<std::vector<int>> pictures;    // destination left, top, width, height
    std::vector<std::vector<int>> pictureBounds;
    std::vector<std::vector<int>> fonts;  // height, width, weight, italic, underline, strike-out, charset
};

Drawn emfDrawn(const std::vector<uint8_t>& b) {
    Drawn d;
    bool nullPen = false;
    for (size_t at = 0; at + 8 <= b.size();) {
        const uint32_t type = le32(b, at), size = le32(b, at + 4);
        if (size < 8 || at + size > b.size()) break;
        const size_t p = at + 8;
        switch (type) {
        case 27:  // MOVETOEX
        case 54:  // LINETO
            d.points.push_back({s32(b, p), s32(b, p + 4)});
            break;
        case 3:  // POLYGON
        case 4:  // POLYLINE
            for (uint32_t i = 0, n = le32(b, p + 16); i < n; ++i)
                d.points.push_back({s32(b, p + 20 + 8 * i), s32(b, p + 24 + 8 * i)});
            break;
        case 86:  // POLYGON16
        case 87:  // POLYLINE16
            for (uint32_t i = 0, n = le32(b, p + 16); i < n; ++i)
                d.points.push_back({s16(b, p + 20 + 4 * i), s16(b, p + 22 + 4 * i)});
            break;
        case 90: {  // POLYPOLYLINE16: the points of every line after all the counts
            const uint32_t lines = le32(b, p + 16), n = le32(b, p + 20);
            for (uint32_t i = 0; i < n; ++i)
                d.points.push_back({s16(b, p + 24 + 4 * lines + 4 * i), s16(b, p + 26 + 4 * lines + 4 * i)});
            break;
        }
        case 37:  // SELECTOBJECT; the stock null pen
            if (le32(b, p) == 0x80000008u) nullPen = true;
            else if (!(le32(b, p) & 0x80000000u)) nullPen = false;
            break;
        case 43:  // RECTANGLE
            if (nullPen) d.unoutlined.push_back({s32(b, p), s32(b, p + 4), s32(b, p + 8), s32(b, p + 12)});
            break;
        case 82:  // EXTCREATEFONTINDIRECTW: the handle, then the LOGFONT
            d.fonts.push_back({s32(b, p + 4), s32(b, p + 8), s32(b, p + 20), b[p + 24], b[p + 25], b[p + 26], b[p + 27]});
            break;
        case 81:  // STRETCHDIBITS: bounds, then x and y of the destination ... its width and height
            d.pictureBounds.push_back({s32(b, p), s32(b, p + 4), s32(b, p + 8), s32(b, p + 12)});
            d.pictures.push_back({s32(b, p + 16), s32(b, p + 20), s32(b, p + 64), s32(b, p + 68)});
            break;
        default: break;
        }
        at += size;
    }
    return d;
}

// A WMF names its objects by their slot in the table, each new one taking the lowest free slot.
Drawn wmfDrawn(const std::vector<uint8_t>& b) {
    enum Kind { Free, Pen, NullPen, Other };
    Drawn d;
    std::vector<Kind> slots;
    bool nullPen = false;
    for (size_t at = 22 + 18; at + 6 <= b.size();) {
        const uint32_t words = le32(b, at);
        const uint16_t fn = static_cast<uint16_t>(b[at + 4] | (b[at + 5] << 8));
        if (words < 3 || at + 2 * words > b.size()) break;
        const size_t p = at + 6;
        auto create = [&slots](Kind kind) {
            size_t i = 0;
            while (i < slots.size() && slots[i] != Free) ++i;
            if (i == slots.size()) slots.push_back(Free);
            slots[i] = kind;
        };
        const size_t slot = static_cast<uint16_t>(s16(b, p));
        switch (fn) {
        case 0x0214:  // MOVETO: y, x
        case 0x0213:  // LINETO
            d.points.push_back({s16(b, p + 2), s16(b, p)});
            break;
        case 0x0324:  // POLYGON
        case 0x0325:  // POLYLINE
            for (int i = 0, n = s16(b, p); i < n; ++i) d.points.push_back({s16(b, p + 2 + 4 * i), s16(b, p + 4 + 4 * i)});
            break;
        case 0x02FA: create(s16(b, p) == 5 ? NullPen : Pen); break;  // CREATEPENINDIRECT
        case 0x02FC: create(Other); break;                          // CREATEBRUSHINDIRECT
        case 0x02FB:                                                // CREATEFONTINDIRECT
            create(Other);
            d.fonts.push_back({s16(b, p), s16(b, p + 2), s16(b, p + 8), b[p + 10], b[p + 11], b[p + 12], b[p + 13]});
            break;
        case 0x01F0:                                                // DELETEOBJECT
            if (slot < slots.size()) slots[slot] = Free;
            break;
        case 0x012D:  // SELECTOBJECT
            if (slot < slots.size() && (slots[slot] == Pen || slots[slot] == NullPen)) nullPen = slots[slot] == NullPen;
            break;
        case 0x0F43:  // STRETCHDIB: raster operation, colour use, source, then height, width, y, x
            d.pictures.push_back({s16(b, p + 20), s16(b, p + 18), s16(b, p + 16), s16(b, p + 14)});
            break;
        case 0x041B:  // RECTANGLE: bottom, right, top, left
            if (nullPen) d.unoutlined.push_back({s16(b, p + 6), s16(b, p + 4), s16(b, p + 2), s16(b, p)});
            break;
        default: break;
        }
        at += 2 * words;
    }
    return d;
}

// Lines at odd places, so that scaled down they fall between device units.
Drawing linesDrawing() {
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(10.3, 10.7, 190.1, 89.9);
    b.line(17.13, 93.31, 181.77, 6.29);
    b.line(33.3, 50.05, 133.9, 50.05, 6);
    b.line(100.01, 3.03, 100.01, 97.07, 7);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    return b.drawing;
}

std::vector<uint8_t> exported(const Drawing& d, ImageFormat f, const ExportOptions& o) {
    std::vector<uint8_t> bytes;
    const ExportResult r = ExportImage(d, f, o, bytes);
    EXPECT_TRUE(r.ok) << r.error;
    return bytes;
}

// Half away from zero, as a reader of the EMF would place the point on a coarser grid.
int scaledDown(int v, int divisor) { return v >= 0 ? (v + divisor / 2) / divisor : -((-v + divisor / 2) / divisor); }

// The metafiles of the shared drawings byte for byte as their reference files, which emf2svg
// and libwmf's wmf2svg were seen to read: every record, object slot and bound the targets write
// is pinned. After a change that is meant, the new files are left in the test's scratch folder
// to be looked at and copied over the references.
TEST(MetafileRecords, TheSharedDrawingsAreWrittenByteForByteAsTheirReferenceFiles) {
    const std::string folder = test::scratchDir("metafile_references");
    for (const char* drawing : {"features", "variety"}) {
        const Drawing d = std::string(drawing) == "features" ? test::featureDrawing() : test::varietyDrawing();
        for (const auto& [format, realScale, suffix] :
             {std::tuple{ImageFormat::Emf, false, "_600.emf"}, std::tuple{ImageFormat::Wmf, false, "_600.wmf"},
              std::tuple{ImageFormat::Emf, true, "_real.emf"}, std::tuple{ImageFormat::Wmf, true, "_real.wmf"}}) {
            const std::string name = drawing + std::string(suffix);
            ExportOptions o;
            o.width = 600;
            o.realScale = realScale;
            o.clearBackground = !realScale;
            const std::vector<uint8_t> bytes = exported(d, format, o);
            const std::vector<uint8_t> want = test::readFileBytes(KORVEL_SOURCE_DIR "/tests/output/references/" + name);
            if (bytes == want) continue;
            size_t at = 0;
            while (at < bytes.size() && at < want.size() && bytes[at] == want[at]) ++at;
            test::writeFileBytes(folder + "/" + name, bytes);
            ADD_FAILURE() << name << ": the first byte that differs is at " << at << " (" << bytes.size() << " against "
                          << want.size() << " bytes; written to " << folder << "/" << name << ")";
        }
    }
}

TEST(MetafileRecords, TheWmfIsTheEmfOnASixteenBitGridRoundedToNearest) {
    const Drawing d = linesDrawing();
    for (const int width : {720, 32768, 70000}) {
        ExportOptions o;
        o.width = width;
        const Drawn emf = emfDrawn(exported(d, ImageFormat::Emf, o));
        const Drawn wmf = wmfDrawn(exported(d, ImageFormat::Wmf, o));
        const int divisor = width <= 32767 ? 1 : 2;  // widths stop at 32768
        ASSERT_GE(emf.points.size(), 8u) << width;
        ASSERT_EQ(wmf.points.size(), emf.points.size()) << width;
        int odd = 0;
        for (size_t i = 0; i < emf.points.size(); ++i) {
            odd += (emf.points[i].x % 2 != 0) + (emf.points[i].y % 2 != 0);
            EXPECT_EQ(wmf.points[i].x, scaledDown(emf.points[i].x, divisor)) << width << " point " << i;
            EXPECT_EQ(wmf.points[i].y, scaledDown(emf.points[i].y, divisor)) << width << " point " << i;
        }
        EXPECT_GT(odd, 0) << "no point falls between two units of the halved grid";
    }
}

TEST(MetafileRecords, TheClearedBackgroundReachesTheLastRowAndColumn) {
    // A rectangle without an outline leaves out its right column and bottom row: the one that
    // clears the background reaches one unit past the picture on either metafile's grid.
    const Drawing d = linesDrawing();
    ExportOptions o;
    o.clearBackground = true;
    for (const auto& [width, height, wmfRight, wmfBottom] :
         {std::tuple{720, 360, 721, 361}, std::tuple{32768, 16384, 16385, 8193}}) {
        o.width = width;
        const Drawn emf = emfDrawn(exported(d, ImageFormat::Emf, o));
        const Drawn wmf = wmfDrawn(exported(d, ImageFormat::Wmf, o));
        ASSERT_FALSE(emf.unoutlined.empty()) << width;
        EXPECT_EQ(emf.unoutlined.front(), (std::vector<int>{0, 0, width + 1, height + 1}));
        // The WMF ends with an invisible rectangle over the frame for readers that size it by
        // what it draws; it covers the frame exactly.
        ASSERT_EQ(wmf.unoutlined.size(), 2u) << width;
        EXPECT_EQ(wmf.unoutlined.front(), (std::vector<int>{0, 0, wmfRight, wmfBottom}));
        EXPECT_EQ(wmf.unoutlined.back(), (std::vector<int>{0, 0, wmfRight - 1, wmfBottom - 1}));
    }
    // Without clearing, only the frame's own rectangle is there.
    o.clearBackground = false;
    o.width = 720;
    EXPECT_TRUE(emfDrawn(exported(d, ImageFormat::Emf, o)).unoutlined.empty());
    EXPECT_EQ(wmfDrawn(exported(d, ImageFormat::Wmf, o)).unoutlined, (std::vector<std::vector<int>>{{0, 0, 720, 360}}));
}

TEST(MetafileRecords, PicturesStandOnTheirLowerLeftCornerInBothMetafiles) {
    // 200 by 100 mm at 400 units: two units a millimetre, y downwards from 100.
    const std::string folder = test::scratchDir("metafile_pictures");
    test::writeFileBytes(folder + "/logo.png", test::makePng(2, 1, {0xFFFF0000, 0xFF00FF00}));
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.text(30, 10, "^@BMlogo.png,40,20");
    b.text(151, 33, "^@BMlogo.png,21,11");
    b.drawing.DrawingFolder = folder;
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    ExportOptions o;
    o.width = 400;
    const Drawn emf = emfDrawn(exported(b.drawing, ImageFormat::Emf, o));
    const Drawn wmf = wmfDrawn(exported(b.drawing, ImageFormat::Wmf, o));
    const std::vector<std::vector<int>> placed = {{60, 140, 80, 40}, {302, 112, 42, 22}};
    EXPECT_EQ(emf.pictures, placed);
    EXPECT_EQ(emf.pictureBounds, (std::vector<std::vector<int>>{{60, 140, 140, 180}, {302, 112, 344, 134}}));
    EXPECT_EQ(wmf.pictures, placed);
    // On the halved grid of a WMF 32,768 units wide, each to the nearest unit.
    o.width = 32768;
    const Drawn big = emfDrawn(exported(b.drawing, ImageFormat::Emf, o));
    const Drawn halved = wmfDrawn(exported(b.drawing, ImageFormat::Wmf, o));
    ASSERT_EQ(big.pictures.size(), 2u);
    ASSERT_EQ(halved.pictures.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const std::vector<int>& e = big.pictures[i];
        EXPECT_EQ(halved.pictures[i], (std::vector<int>{scaledDown(e[0], 2), scaledDown(e[1], 2),
                                                        scaledDown(e[0] + e[2], 2) - scaledDown(e[0], 2),
                                                        scaledDown(e[1] + e[3], 2) - scaledDown(e[1], 2)}));
    }
}

TEST(MetafileRecords, BothMetafilesMakeTheSameFonts) {
    // Plain, bold, italic, underlined and struck-out texts, by their codes.
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.text(10, 10, "A");
    b.text(10, 30, "^!B");
    b.text(10, 50, "^/C");
    b.text(10, 70, "^_D");
    b.text(10, 90, "^-E");
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    ExportOptions o;
    o.width = 400;
    const Drawn emf = emfDrawn(exported(b.drawing, ImageFormat::Emf, o));
    const Drawn wmf = wmfDrawn(exported(b.drawing, ImageFormat::Wmf, o));
    ASSERT_EQ(emf.fonts.size(), 5u);
    EXPECT_EQ(wmf.fonts, emf.fonts);
    // Weight, italic, underline, strike-out, charset; a weight of 0 is the face's normal one.
    std::vector<std::vector<int>> styles;
    for (const auto& f : emf.fonts) styles.push_back({f[2], f[3], f[4], f[5], f[6]});
    EXPECT_EQ(styles, (std::vector<std::vector<int>>{{0, 0, 0, 0, 128},
                                                     {700, 0, 0, 0, 128},
                                                     {0, 1, 0, 0, 128},
                                                     {0, 0, 1, 0, 128},
                                                     {0, 0, 0, 1, 128}}));
}

// A picture's bitmap: rows bottom-up, blue first, each padded to four bytes, and what is not
// opaque laid over white.
TEST(MetafileDib, RowsRunUpwardsAndTranslucentPixelsLieOverWhite) {
    const RasterImage picture{2, 2, {0x80FF0000u, 0x00123456u, 0xFF102030u, 0xFF000000u}};
    const Dib dib = MakeDib(picture);
    ASSERT_EQ(dib.info.size(), 40u);
    EXPECT_EQ(dib.pixels, (std::vector<uint8_t>{0x30, 0x20, 0x10, 0, 0, 0, 0, 0,  //
                                                127, 127, 255, 255, 255, 255, 0, 0}));
}

}  // namespace
}  // namespace korvel
