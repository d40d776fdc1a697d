// The object tables of EMF and WMF files read back record by record: each style made once,
// selected only when it changes, the least recently used one recycled when the table is full,
// runs of lines of one pen written together, and 16-bit points wherever they fit.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "output/emf_target.h"
#include "output/metafile_frame.h"
#include "output/metafile_objects.h"
#include "output/wmf_target.h"

namespace korvel {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
int16_t s16(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(le16(b, at)); }
int32_t s32(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(le32(b, at)); }

std::string hex(uint32_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", v);
    return s;
}

// Every record after the fixed ones that open the file, one line each: what it is and what it
// names or draws.
std::vector<std::string> emfListing(const std::vector<uint8_t>& b) {
    std::vector<std::string> out;
    int index = 0;
    for (size_t at = 0; at + 8 <= b.size(); ++index) {
        const uint32_t type = le32(b, at), size = le32(b, at + 4);
        if (size < 8 || at + size > b.size()) {
            out.push_back("BROKEN");
            break;
        }
        const size_t p = at + 8;
        at += size;
        if (index < 7) continue;  // header, map mode, background, text alignment, fill, stretch, ROP2
        std::string line;
        auto points16 = [&](size_t from, uint32_t n) {
            for (uint32_t i = 0; i < n; ++i)
                line += " " + std::to_string(s16(b, from + 4 * i)) + "," + std::to_string(s16(b, from + 2 + 4 * i));
        };
        switch (type) {
        case 38: line = "CREATEPEN " + std::to_string(le32(b, p)) + " #" + hex(le32(b, p + 16)) + " w" + std::to_string(le32(b, p + 8)); break;
        case 95: line = "EXTCREATEPEN " + std::to_string(le32(b, p)) + " #" + hex(le32(b, p + 32)) + " w" + std::to_string(le32(b, p + 24)); break;
        case 39: line = "CREATEBRUSH " + std::to_string(le32(b, p)) + " #" + hex(le32(b, p + 8)); break;
        case 82: line = "CREATEFONT " + std::to_string(le32(b, p)) + " h" + std::to_string(s32(b, p + 4)); break;
        case 37: {
            const uint32_t h = le32(b, p);
            line = "SELECT " + (h & 0x80000000u ? "stock " + std::to_string(h & 0xFF) : std::to_string(h));
            break;
        }
        case 40: line = "DELETE " + std::to_string(le32(b, p)); break;
        case 87:
            line = "POLYLINE16";
            points16(p + 20, le32(b, p + 16));
            break;
        case 86:
            line = "POLYGON16";
            points16(p + 20, le32(b, p + 16));
            break;
        case 90: {
            line = "POLYPOLYLINE16";
            const uint32_t lines = le32(b, p + 16);
            size_t pts = p + 24 + 4 * lines;
            for (uint32_t i = 0; i < lines; ++i) {
                const uint32_t n = le32(b, p + 24 + 4 * i);
                line += i ? " |" : "";
                points16(pts, n);
                pts += 4 * n;
            }
            break;
        }
        case 3:
        case 4:
            line = type == 3 ? "POLYGON" : "POLYLINE";
            for (uint32_t i = 0, n = le32(b, p + 16); i < n; ++i)
                line += " " + std::to_string(s32(b, p + 20 + 8 * i)) + "," + std::to_string(s32(b, p + 24 + 8 * i));
            break;
        case 43: line = "RECTANGLE"; break;
        case 84: {  // EXTTEXTOUTW: where, the units, and the advance after each
            const size_t record = p - 8;
            const uint32_t n = le32(b, p + 36), text = le32(b, p + 40), dx = le32(b, p + 64);
            line = "TEXT " + std::to_string(s32(b, p + 28)) + "," + std::to_string(s32(b, p + 32)) + " ";
            for (uint32_t i = 0; i < n; ++i) {
                const uint16_t u = le16(b, record + text + 2 * i);
                line += u < 0x80 ? std::string(1, static_cast<char>(u)) : "U+" + hex(u).substr(2);
            }
            for (uint32_t i = 0; i < n; ++i) line += " " + std::to_string(le32(b, record + dx + 4 * i));
            break;
        }
        case 14: line = "EOF"; break;
        case 24: line = "TEXTCOLOR #" + hex(le32(b, p)); break;
        case 59: line = "BEGINPATH"; break;
        case 60: line = "ENDPATH"; break;
        case 63: line = "STROKEANDFILLPATH"; break;
        default: line = "type " + std::to_string(type); break;
        }
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> wmfListing(const std::vector<uint8_t>& b) {
    std::vector<std::string> out;
    int index = 0;
    for (size_t at = 22 + 18; at + 6 <= b.size(); ++index) {
        const uint32_t words = le32(b, at);
        const uint16_t fn = le16(b, at + 4);
        if (words < 3 || at + 2 * words > b.size()) {
            out.push_back("BROKEN");
            break;
        }
        const size_t p = at + 6;
        at += 2 * words;
        if (index < 7) continue;  // window origin and extent, background, alignment, fill, stretch, ROP2
        std::string line;
        switch (fn) {
        case 0x02FA:
            line = le16(b, p) == 5 ? "CREATEPEN null" : "CREATEPEN #" + hex(le32(b, p + 6)) + " w" + std::to_string(le16(b, p + 2));
            break;
        case 0x02FC: line = "CREATEBRUSH style" + std::to_string(le16(b, p)) + " #" + hex(le32(b, p + 2)); break;
        case 0x02FB: line = "CREATEFONT h" + std::to_string(s16(b, p)); break;
        case 0x012D: line = "SELECT " + std::to_string(le16(b, p)); break;
        case 0x01F0: line = "DELETE " + std::to_string(le16(b, p)); break;
        case 0x0325:
            line = "POLYLINE";
            for (int i = 0, n = s16(b, p); i < n; ++i)
                line += " " + std::to_string(s16(b, p + 2 + 4 * i)) + "," + std::to_string(s16(b, p + 4 + 4 * i));
            break;
        case 0x041B: line = "RECTANGLE"; break;
        case 0x0A32: line = "TEXT"; break;
        case 0x0000: line = "EOF"; break;
        default: line = "function " + hex(fn); break;
        }
        out.push_back(line);
    }
    return out;
}

void line(RenderTarget& t, const PenSpec& pen, int x1, int y1, int x2, int y2) {
    const DevicePoint p[2] = {{x1, y1}, {x2, y2}};
    t.polyline(p, 2, pen);
}

// Red and blue hairlines in turn, red twice running, and a run of blue lines at the end.
void twoPens(RenderTarget& t) {
    const PenSpec red{0x0000FF, 0}, blue{0xFF0000, 0};
    line(t, red, 1, 2, 3, 4);
    line(t, blue, 5, 6, 7, 8);
    line(t, red, 9, 10, 11, 12);
    line(t, blue, 13, 14, 15, 16);
    const DevicePoint three[] = {{17, 18}, {19, 20}, {21, 22}};
    t.polyline(three, 3, blue);
    line(t, blue, 23, 24, 25, 26);
}

template <typename Target>
std::vector<uint8_t> finished(Target& target) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(target.finish(bytes, error)) << error;
    return bytes;
}

TEST(MetafileObjectTable, EmfMakesEachPenOnceAndSelectsOnlyOnChange) {
    EmfTarget emf(FittedMetafileFrame(100, 100), "pens");
    twoPens(emf);
    const std::vector<uint8_t> bytes = finished(emf);
    EXPECT_EQ(emfListing(bytes), (std::vector<std::string>{
                                     "CREATEPEN 1 #0000FF w0",
                                     "SELECT 1",
                                     "POLYLINE16 1,2 3,4",
                                     "CREATEPEN 2 #FF0000 w0",
                                     "SELECT 2",
                                     "POLYLINE16 5,6 7,8",
                                     "SELECT 1",
                                     "POLYLINE16 9,10 11,12",
                                     "SELECT 2",
                                     "POLYPOLYLINE16 13,14 15,16 | 17,18 19,20 21,22 | 23,24 25,26",
                                     "SELECT stock 8",
                                     "SELECT stock 5",
                                     "SELECT stock 13",
                                     "DELETE 1",
                                     "DELETE 2",
                                     "EOF",
                                 }));
    EXPECT_EQ(le16(bytes, 48 + 4 + 4), 3);  // handles: the metafile and two pens
}

TEST(MetafileObjectTable, WmfMakesEachPenOnceAndSelectsOnlyOnChange) {
    WmfTarget wmf(FittedMetafileFrame(100, 100));
    twoPens(wmf);
    const std::vector<uint8_t> bytes = finished(wmf);
    EXPECT_EQ(wmfListing(bytes), (std::vector<std::string>{
                                     "CREATEPEN #0000FF w0",
                                     "SELECT 0",
                                     "POLYLINE 1,2 3,4",
                                     "CREATEPEN #FF0000 w0",
                                     "SELECT 1",
                                     "POLYLINE 5,6 7,8",
                                     "SELECT 0",
                                     "POLYLINE 9,10 11,12",
                                     "SELECT 1",
                                     "POLYLINE 13,14 15,16",
                                     "POLYLINE 17,18 19,20 21,22",
                                     "POLYLINE 23,24 25,26",
                                     // The invisible frame: a null pen and a clear brush.
                                     "CREATEPEN null",
                                     "SELECT 2",
                                     "CREATEBRUSH style1 #000000",
                                     "SELECT 3",
                                     "RECTANGLE",
                                     "EOF",
                                 }));
    EXPECT_EQ(le16(bytes, 22 + 10), 4);  // objects in the table
}

TEST(MetafileObjectTable, SixteenBitPointsStopAtTheEdgeOfSixteenBits) {
    EmfTarget emf(FittedMetafileFrame(100, 100), "edges");
    const PenSpec pen{0, 0};
    const BrushSpec brush{BrushStyle::Solid, 0};
    line(emf, pen, 0, 0, 32767, -32768);
    line(emf, pen, 0, 0, 32768, 0);
    line(emf, pen, -32769, 0, 0, 0);
    line(emf, pen, 5, 32767, 6, 7);
    line(emf, pen, 5, 32768, 6, 7);
    const DevicePoint inside[] = {{0, 0}, {32767, 0}, {0, -32768}};
    const DevicePoint outside[] = {{0, 0}, {32767, 0}, {0, 32768}};
    emf.polygon(inside, 3, pen, brush);
    emf.polygon(outside, 3, pen, brush);
    std::vector<std::string> drawn;
    for (const std::string& r : emfListing(finished(emf)))
        if (r.rfind("POLY", 0) == 0) drawn.push_back(r);
    EXPECT_EQ(drawn, (std::vector<std::string>{
                         "POLYLINE16 0,0 32767,-32768",
                         "POLYLINE 0,0 32768,0",
                         "POLYLINE -32769,0 0,0",
                         "POLYLINE16 5,32767 6,7",
                         "POLYLINE 5,32768 6,7",
                         "POLYGON16 0,0 32767,0 0,-32768",
                         "POLYGON 0,0 32767,0 0,32768",
                     }));
    // A WMF has 16-bit points only: those beyond are held at its edge.
    WmfTarget wmf(FittedMetafileFrame(100, 100));
    line(wmf, pen, 32767, -32768, 40000, -40000);
    drawn.clear();
    for (const std::string& r : wmfListing(finished(wmf)))
        if (r.rfind("POLYLINE", 0) == 0) drawn.push_back(r);
    EXPECT_EQ(drawn, (std::vector<std::string>{"POLYLINE 32767,-32768 32767,-32768"}));
}

// The records a table asks for, as text.
class RecordLog : public MetafileObjectRecords {
public:
    std::vector<std::string> log;
    void createObject(int slot, const MetafileObject& o) override {
        const char* kinds[] = {"pen", "null pen", "brush", "font"};
        log.push_back("create " + std::to_string(slot) + " " + kinds[static_cast<int>(o.kind)] + " " +
                      hex(o.kind == MetafileObjectKind::Brush ? o.brush.color : o.pen.color));
    }
    void selectObject(int slot) override { log.push_back("select " + std::to_string(slot)); }
    void deleteObject(int slot) override { log.push_back("delete " + std::to_string(slot)); }
};

TEST(MetafileObjectTable, AFullTableRecyclesTheObjectUsedLongestAgoThatIsNotSelected) {
    RecordLog records;
    MetafileObjects table(records, 0, 4);
    table.select(PenSpec{1, 0});
    table.select(MetafileObject::of(BrushSpec{BrushStyle::Solid, 2}));
    table.select(PenSpec{3, 0});
    table.select(PenSpec{4, 0});
    table.select(PenSpec{1, 0});  // pen 3 is now the one used longest ago
    table.select(PenSpec{5, 0});
    // The brush is older still, but selected: it stays.
    table.select(MetafileObject::of(BrushSpec{BrushStyle::Solid, 6}));
    EXPECT_EQ(records.log, (std::vector<std::string>{
                               "create 0 pen 000001", "select 0",
                               "create 1 brush 000002", "select 1",
                               "create 2 pen 000003", "select 2",
                               "create 3 pen 000004", "select 3",
                               "select 0",
                               "delete 2", "create 2 pen 000005", "select 2",
                               // Pen 4 is the oldest not selected now.
                               "delete 3", "create 3 brush 000006", "select 3",
                           }));
    EXPECT_EQ(table.tableSize(), 4);
    EXPECT_EQ(table.objectsMade(), 6u);

    // Once all are deleted, the next object takes the lowest slot and no slot is deleted twice.
    records.log.clear();
    table.deleteAll();
    table.select(PenSpec{7, 0});
    EXPECT_EQ(records.log, (std::vector<std::string>{"delete 0", "delete 1", "delete 2", "delete 3",
                                                     "create 0 pen 000007", "select 0"}));
}

// The null pen holds a default pen's fields too; a default pen asked for after it is still made.
TEST(MetafileObjectTable, ADefaultPenAfterTheNullPenIsSelected) {
    RecordLog records;
    MetafileObjects table(records, 0, 4);
    table.select(MetafileObject::nullPen());
    table.select(PenSpec{});
    EXPECT_EQ(records.log, (std::vector<std::string>{"create 0 null pen 000000", "select 0", "create 1 pen 000000",
                                                     "select 1"}));
}

// Replays a WMF as a player does (each new object in the lowest free slot) and gives the colour
// of the pen each polyline is drawn with.
std::vector<uint32_t> wmfLineColours(const std::vector<uint8_t>& b, size_t& tableSize) {
    std::vector<int64_t> slots;  // pen colour, -1 for other objects, -2 for a free slot
    int64_t pen = -1;
    std::vector<uint32_t> colours;
    for (size_t at = 22 + 18; at + 6 <= b.size();) {
        const uint32_t words = le32(b, at);
        const uint16_t fn = le16(b, at + 4);
        if (words < 3 || at + 2 * words > b.size()) break;
        const size_t p = at + 6;
        at += 2 * words;
        if (fn == 0x02FA || fn == 0x02FC || fn == 0x02FB) {
            size_t i = 0;
            while (i < slots.size() && slots[i] != -2) ++i;
            if (i == slots.size()) slots.push_back(-2);
            slots[i] = fn == 0x02FA ? int64_t(le32(b, p + 6)) : -1;
        } else if (fn == 0x01F0) {
            slots.at(le16(b, p)) = -2;
        } else if (fn == 0x012D) {
            const int64_t object = slots.at(le16(b, p));
            EXPECT_NE(object, -2) << "a free slot is selected";
            if (object >= 0) pen = object;
        } else if (fn == 0x0325) {
            colours.push_back(static_cast<uint32_t>(pen));
        }
    }
    tableSize = slots.size();
    return colours;
}

TEST(MetafileObjectTable, WmfWithMorePensThanItsTableDrawsEveryLineWithItsOwnPen) {
    WmfTarget wmf(FittedMetafileFrame(100, 100));
    std::vector<uint32_t> expected;
    for (int round = 0; round < 3; ++round) {
        for (uint32_t colour = 1; colour <= 45; ++colour) {
            const uint32_t c = round == 1 ? 46 - colour : colour;  // the second round backwards
            line(wmf, {c, 0}, 0, 0, 10, 10);
            expected.push_back(c);
        }
    }
    const std::vector<uint8_t> bytes = finished(wmf);
    size_t tableSize = 0;
    EXPECT_EQ(wmfLineColours(bytes, tableSize), expected);
    EXPECT_EQ(tableSize, size_t(WmfTarget::kObjectCapacity));
    EXPECT_EQ(le16(bytes, 22 + 10), WmfTarget::kObjectCapacity);
}

TEST(MetafileObjectTable, FontsAndBrushesAreMadeOnceEach) {
    EmfTarget emf(FittedMetafileFrame(100, 100), "texts");
    TextStyle upright, turned;
    upright.font.face = turned.font.face = "ＭＳ ゴシック";
    upright.font.height = turned.font.height = 12;
    turned.font.escapement = 900;
    for (int i = 0; i < 3; ++i) {
        emf.text({0, 0}, U"A", upright);
        emf.text({0, 0}, U"B", turned);
        emf.fillRect({0, 0, 5, 5}, {BrushStyle::Solid, 0x123456});
    }
    const std::vector<std::string> listing = emfListing(finished(emf));
    const std::vector<std::string> first(listing.begin(), listing.begin() + 12);
    EXPECT_EQ(first, (std::vector<std::string>{
                         "TEXTCOLOR #000000", "CREATEFONT 1 h12", "SELECT 1", "TEXT 0,0 A 1",
                         "CREATEFONT 2 h12", "SELECT 2", "TEXT 0,0 B 1",
                         "CREATEBRUSH 3 #123456", "SELECT 3", "SELECT stock 8", "RECTANGLE",
                         "SELECT 1",
                     }));
    size_t creates = 0;
    for (const std::string& r : listing) creates += r.rfind("CREATE", 0) == 0;
    EXPECT_EQ(creates, 3u);
}

// A halo is the glyph's outline as a path, stroked and filled with the halo's own pen and
// brush; the glyph drawn on it after reuses the font and colour already selected. A Windows
// metafile has no paths: there the halo is the glyph itself, in the text colour.
TEST(MetafileObjectTable, OutlineTextIsAPathOfItsOwnPenAndBrush) {
    TextStyle glyph;
    glyph.font.face = "ＭＳ ゴシック";
    glyph.font.height = 12;
    glyph.color = 0x0000FF;
    TextStyle halo = glyph;
    halo.mode = TextMode::Outline;
    halo.outlinePen = {0xFFFFFF, 3};
    halo.outlineBrush = {BrushStyle::Solid, 0xFFFFFF};
    EmfTarget emf(FittedMetafileFrame(100, 100), "halo");
    WmfTarget wmf(FittedMetafileFrame(100, 100));
    for (RenderTarget* t : {static_cast<RenderTarget*>(&emf), static_cast<RenderTarget*>(&wmf)}) {
        t->text({4, 5}, U"A", halo);
        t->text({4, 5}, U"A", glyph);
    }
    const std::vector<std::string> listing = emfListing(finished(emf));
    EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 13),
              (std::vector<std::string>{
                  "BEGINPATH", "TEXTCOLOR #0000FF", "CREATEFONT 1 h12", "SELECT 1", "TEXT 4,5 A 1", "ENDPATH",
                  "EXTCREATEPEN 2 #FFFFFF w3", "SELECT 2", "CREATEBRUSH 3 #FFFFFF", "SELECT 3",
                  "STROKEANDFILLPATH", "TEXT 4,5 A 1", "SELECT stock 8"}));
    const std::vector<std::string> plain = wmfListing(finished(wmf));
    EXPECT_EQ(std::vector<std::string>(plain.begin(), plain.begin() + 5),
              (std::vector<std::string>{"function 000209", "CREATEFONT h12", "SELECT 0", "TEXT", "TEXT"}));
}

TextStyle gothic(int height, int width) {
    TextStyle style;
    style.font.face = "ＭＳ ゴシック";
    style.font.height = height;
    style.font.width = width;
    return style;
}

// Jw_cad puts every character in its own cell; a line of them is one record whose advances
// reach from cell to cell, and the last keeps the character's own width. A pair of characters
// drawn in one call keeps its own advance between them.
TEST(MetafileTextLines, AStraightLineOfCellsIsOneRecordWithAnAdvancePerCell) {
    EmfTarget emf(FittedMetafileFrame(200, 100), "line");
    const TextStyle style = gothic(12, 5);
    emf.text({10, 20}, U"A", style);
    emf.text({17, 20}, U"\u3042", style);  // full width
    emf.text({30, 20}, U"BC", style);
    emf.text({35, 20}, U"D", style);  // over the last cell: no advance at all
    const std::vector<uint8_t> bytes = finished(emf);
    const std::vector<std::string> listing = emfListing(bytes);
    EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 5),
              (std::vector<std::string>{"TEXTCOLOR #000000", "CREATEFONT 1 h12", "SELECT 1",
                                        "TEXT 10,20 AU+3042BCD 7 13 5 0 5", "SELECT stock 8"}));
    // Bounds: the first cell's margin to the last call's two cells, as for a record of its own.
    size_t at = 0;
    while (le32(bytes, at) != 84) at += le32(bytes, at + 4);
    EXPECT_EQ(le32(bytes, at + 4), 76u + 12u + 20u);
    EXPECT_EQ((std::vector<int>{s32(bytes, at + 8), s32(bytes, at + 12), s32(bytes, at + 16), s32(bytes, at + 20)}),
              (std::vector<int>{-2, 8, 30 + 24 * 2, 44}));
}

// Whatever would not put every glyph on its own cell in one record, or would draw between
// them, starts a record of its own; the drawing order stays as it was called.
TEST(MetafileTextLines, CellsOffTheLineOrOfAnotherStyleStaySeparate) {
    EmfTarget emf(FittedMetafileFrame(200, 100), "separate");
    const TextStyle plain = gothic(12, 5);
    TextStyle red = plain, turned = plain, underlined = plain, bigger = plain;
    red.color = 0x0000FF;
    turned.font.escapement = turned.font.orientation = 900;
    underlined.font.underline = true;
    bigger.font.width = 6;
    const PenSpec pen{0, 0};
    emf.text({10, 20}, U"A", plain);
    emf.text({5, 20}, U"B", plain);   // back to the left
    emf.text({15, 21}, U"C", plain);  // off the baseline
    emf.text({20, 21}, U"D", red);
    emf.text({25, 21}, U"E", plain);
    emf.text({30, 21}, U"F", bigger);
    emf.text({40, 21}, U"G", underlined);
    emf.text({45, 21}, U"H", underlined);
    emf.text({50, 21}, U"I", turned);
    emf.text({50, 31}, U"J", turned);
    emf.text({60, 21}, U"K", plain);
    line(emf, pen, 0, 0, 9, 9);  // drawn between two cells of one line
    emf.text({65, 21}, U"L", plain);
    emf.text({70, 21}, U"M", plain);
    emf.end();  // a page drawn in several goes
    emf.text({75, 21}, U"N", plain);
    const std::vector<std::string> listing = emfListing(finished(emf));
    ASSERT_GE(listing.size(), 28u);
    EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 28),
              (std::vector<std::string>{
                  "TEXTCOLOR #000000", "CREATEFONT 1 h12", "SELECT 1", "TEXT 10,20 A 5", "TEXT 5,20 B 5",
                  "TEXT 15,21 C 5", "TEXTCOLOR #0000FF", "TEXT 20,21 D 5", "TEXTCOLOR #000000",
                  "TEXT 25,21 E 5", "CREATEFONT 2 h12", "SELECT 2", "TEXT 30,21 F 6", "CREATEFONT 3 h12",
                  "SELECT 3", "TEXT 40,21 G 5", "TEXT 45,21 H 5", "CREATEFONT 4 h12", "SELECT 4",
                  "TEXT 50,21 I 5", "TEXT 50,31 J 5", "SELECT 1", "TEXT 60,21 K 5", "CREATEPEN 5 #000000 w0",
                  "SELECT 5", "POLYLINE16 0,0 9,9", "TEXT 65,21 LM 5 5", "TEXT 75,21 N 5"}));
}

// The line held back takes its room as it grows, six bytes a glyph: one too long for the
// metafile fills it, and the metafile fails as a whole.
TEST(MetafileTextLines, ALineThatDoesNotFitFillsTheMetafile) {
    EmfTarget emf(FittedMetafileFrame(100, 100), "full", 16 * 1024);
    const TextStyle style = gothic(12, 5);
    int drawn = 0;
    for (; drawn < 4000 && !emf.full(); ++drawn) emf.text({5 * drawn, 20}, U"A", style);
    EXPECT_TRUE(emf.full());
    EXPECT_GT(drawn, 1500);
    EXPECT_LT(drawn, 2300);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(emf.finish(bytes, error));
    EXPECT_EQ(error, "the metafile is over 16384 bytes");
}

}  // namespace
}  // namespace korvel
