// Header layouts by version, the sanity check, pen colours, counts and archive strings.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <tuple>

#include "drawing/archive.h"
#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"
#include "drawing/record_stream.h"

namespace korvel {
namespace {

Drawing newDrawing() {
    Drawing d;
    d.header = NewDrawingHeader();
    return d;
}

size_t headerSize(Drawing& d, uint32_t version) {
    ByteWriter w;
    WriteJwwHeader(d, w, version);
    return w.bytes.size();
}

// The header as written at `version`, below 200 too (written only as the drawing's own).
size_t headerSizeAt(uint32_t version) {
    Drawing d = newDrawing();
    d.header.Version = version;
    return headerSize(d, 0);
}

TEST(HeaderLayout, FieldsAppearAtTheirVersions) {
    Drawing d = newDrawing();
    // 212 adds a protect flag per group and per layer and 21 reserved words.
    EXPECT_EQ(headerSize(d, 212) - headerSize(d, 211), (16 + 256 + 21) * 4u);
    // 300 has ten mark jumps with a layer group each instead of four, and the sky map.
    EXPECT_EQ(headerSize(d, 300) - headerSize(d, 299), (10 * 28 - 4 * 24) + 16u);
    // Each version that adds fields, and what it adds, from the version just before it.
    const std::pair<uint32_t, size_t> added[] = {
        {65, 2 * 8 + 4 + 5 * 8},                          // print origin, grid
        {200, 3 * 8 + 4 + 4 + 6 * 8 + 4 * 24 + 11 * 8},   // shadows, view and range, 4 marks, parallels
        {201, 10 * 8 + 10 * 16 + 8 * 16 + 5 * 20 + 4 * 16},  // screen and printer pens, line types
        {202, 8 + 4},                                     // print scale and option
        {214, 4 + 6 * 8},                                 // text shift
        {217, 11 * 4},                                    // display options
        {223, 5 * 4 + 5 * 8},                             // extra options and values
        {225, 4 * 8},
        {230, 2 * 4},
        {351, 0},                                         // records only
    };
    for (const auto& [version, bytes] : added)
        EXPECT_EQ(headerSizeAt(version) - headerSizeAt(version - 1), bytes) << version;
    // Nothing else changes between those versions.
    EXPECT_EQ(headerSizeAt(199), headerSizeAt(65));
    EXPECT_EQ(headerSizeAt(229), headerSizeAt(225));
    EXPECT_EQ(headerSizeAt(350), headerSizeAt(300));
    // Below 65 none of the print and grid fields; below 200/201 no shadow, view or pen tables.
    Drawing old = newDrawing();
    old.header.Version = 64;
    ByteWriter w64;
    WriteJwwHeader(old, w64, 0);
    // magic, version, memo, paper, write group, 16 × (3 u32-sized + scale) groups, names, texts
    const size_t expected64 = 8 + 4 + 1 + 4 + 4 + 16 * (4 + 4 + 8 + 16 * 4) + 272 + 10 * 28 + 24 + 8 + 16 + 2;
    EXPECT_EQ(w64.bytes.size(), expected64);
    // 65 adds the print origin and the grid: two doubles, then a word and five doubles.
    old.header.Version = 65;
    ByteWriter w65;
    WriteJwwHeader(old, w65, 0);
    EXPECT_EQ(w65.bytes.size(), expected64 + 2 * 8 + 4 + 5 * 8);
}

TEST(HeaderLayout, EveryVersionReadsBackItsFields) {
    for (uint32_t v : {64u, 199u, 200u, 201u, 211u, 212u, 217u, 223u, 225u, 230u, 299u, 300u, 351u}) {
        SCOPED_TRACE(v);
        Drawing d = newDrawing();
        d.header.Memo = "memo";
        d.header.LayerName[3][4] = "walls";
        d.header.CurrentTextHeight = 4.5;
        d.header.TextShiftOn = 1;
        d.header.Version = v;  // versions below 200 are only written as the drawing's own
        ByteWriter w;
        WriteJwwHeader(d, w, v);
        WriteRecords(d, w, v);
        Drawing back;
        ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
        StreamReport report;
        ASSERT_TRUE(ReadJwwHeader(back, in, report)) << report.error;
        EXPECT_EQ(back.header.Version, v);
        EXPECT_EQ(back.header.Memo, "memo");
        EXPECT_EQ(back.header.LayerName[3][4], "walls");
        EXPECT_EQ(back.header.CurrentTextHeight, 4.5);
        EXPECT_EQ(back.header.TextShiftOn, v >= 214 ? 1u : 0u);
        EXPECT_EQ(back.header.PenColor[6], v >= 201 ? 0x0000FFu : 0u);
        EXPECT_EQ(in.position(), w.bytes.size() - 2);  // the end tag is all that follows
    }
}

TEST(HeaderSanity, CurrentTextWidthBounds) {
    for (double width : {0.0, 1e-8, 1e7 + 1, -1.0}) {
        Drawing d = newDrawing();
        d.header.CurrentTextWidth = width;
        ByteWriter w;
        WriteJwwHeader(d, w, 351);
        Drawing back;
        ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
        StreamReport report;
        EXPECT_FALSE(ReadJwwHeader(back, in, report)) << width;
        EXPECT_NE(report.error.find("sanity"), std::string::npos);
    }
    for (double width : {1e-7, 1e7}) {
        Drawing d = newDrawing();
        d.header.CurrentTextWidth = width;
        ByteWriter w;
        WriteJwwHeader(d, w, 351);
        Drawing back;
        ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
        StreamReport report;
        EXPECT_TRUE(ReadJwwHeader(back, in, report)) << width;
    }
}

// A width the reader would refuse is saved as Jw_cad's default, and the save says so; the
// bounds themselves are kept.
TEST(HeaderSanity, SavingMendsAWidthTheReaderWouldRefuse) {
    for (double width : {0.0, 1e-8, 1e7 + 1, 1e300, -1.0, std::nan("")}) {
        Drawing d = newDrawing();
        d.header.CurrentTextWidth = width;
        SaveResult saved;
        const std::vector<uint8_t> bytes = SaveJwwBytes(d, 0, saved);
        ASSERT_TRUE(saved.ok);
        EXPECT_EQ(saved.warnings, std::vector<std::string>{"the header's current text width was invalid and is written as 3"}) << width;
        Drawing back;
        ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok) << width;
        EXPECT_EQ(back.header.CurrentTextWidth, 3.0);
    }
    for (double width : {1e-7, 1e7}) {
        Drawing d = newDrawing();
        d.header.CurrentTextWidth = width;
        SaveResult saved;
        const std::vector<uint8_t> bytes = SaveJwwBytes(d, 0, saved);
        EXPECT_TRUE(saved.warnings.empty()) << width;
        Drawing back;
        ASSERT_TRUE(LoadJww(back, bytes.data(), bytes.size()).ok) << width;
        EXPECT_EQ(back.header.CurrentTextWidth, width);
    }
}

TEST(HeaderFields, PenColoursLoseTheirTopByteOnRead) {
    Drawing d = newDrawing();
    d.header.PenColor[2] = 0x02FF0000;
    d.header.PrtPenColor[3] = 0xFF00FF00;
    ByteWriter w;
    WriteJwwHeader(d, w, 351);
    Drawing back;
    ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
    StreamReport report;
    ASSERT_TRUE(ReadJwwHeader(back, in, report));
    EXPECT_EQ(back.header.PenColor[2], 0x00FF0000u);
    EXPECT_EQ(back.header.PrtPenColor[3], 0x0000FF00u);
}

TEST(HeaderFields, RecordCountsFrom32768TakeTheLongForm) {
    for (uint32_t n : {32767u, 32768u, 40000u, 70000u}) {
        Drawing d = newDrawing();
        DrawingBuilder b(d);
        for (uint32_t i = 0; i < n; ++i) b.add(TDataTen{});
        b.finish();
        ByteWriter w;
        WriteJwwHeader(d, w, 351);
        const auto* p = reinterpret_cast<const uint8_t*>(w.bytes.data()) + w.bytes.size();
        if (n < 32768) {
            EXPECT_EQ(p[-2] | (p[-1] << 8), static_cast<int>(n));
        } else {
            EXPECT_EQ(p[-6] | (p[-5] << 8), 0xFFFF);
            EXPECT_EQ(static_cast<uint32_t>(p[-4] | (p[-3] << 8) | (p[-2] << 16) | (p[-1] << 24)), n);
        }
        Drawing back;
        ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
        StreamReport report;
        ASSERT_TRUE(ReadJwwHeader(back, in, report));
        EXPECT_EQ(back.ExpectedCount, n);
        // Cut inside the count, the header is refused.
        ByteReader cut(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size() - 1);
        EXPECT_FALSE(ReadJwwHeader(back, cut, report));
        EXPECT_EQ(report.error, "the data ends inside the JWW header");
    }
}

TEST(HeaderFields, RequestedVersionBelow200WritesTheDrawingsOwn) {
    Drawing d = newDrawing();
    d.header.Version = 300;
    EXPECT_EQ(WriteVersionFor(d, 150), 300u);
    EXPECT_EQ(WriteVersionFor(d, 199), 300u);
    EXPECT_EQ(WriteVersionFor(d, 200), 200u);
    EXPECT_EQ(WriteVersionFor(d, 230), 230u);
    d.header.Version = 700;
    EXPECT_EQ(WriteVersionFor(d, 0), 351u);
    d.header.Version = 0;
    EXPECT_EQ(WriteVersionFor(d, 0), 351u);
}

// A new drawing shows and writes to group 0 layer 0 only; nothing is written or protected.
TEST(HeaderFields, ANewHeaderSetsEveryGroupAndNothingPastThem) {
    const DrawingHeader h = NewDrawingHeader();
    for (int g = 0; g < kLayerGroups; ++g) {
        EXPECT_EQ(h.LayerGroupState[g], g == 0 ? 3u : 2u) << g;
        EXPECT_EQ(h.LayerGroupScale[g], 1.0) << g;
        EXPECT_EQ(h.WriteLayer[g], 0u) << g;
        EXPECT_EQ(h.LayerGroupProtect[g], 0u) << g;
        for (int l = 0; l < kLayers; ++l) {
            EXPECT_EQ(h.LayerState[g][l], (g == 0 && l == 0) ? 3u : 2u) << g << "/" << l;
            EXPECT_EQ(h.LayerProtect[g][l], 0u) << g << "/" << l;
        }
    }
}

// What a drawing read without a header of its own is drawn with: Jw_cad's pens, line types and
// text types.
TEST(HeaderFields, ANewHeaderHoldsJwcadsPensLineTypesAndTextTypes) {
    const DrawingHeader h = NewDrawingHeader();
    using Pens = std::array<uint32_t, kPenColors>;
    EXPECT_EQ(h.PenColor, (Pens{0xFFFFFF, 0x00C0C0, 0x000000, 0x00C000, 0xC0C000, 0xC000C0, 0x0000FF, 0x008080,
                                0xFF0080, 0xFF80FF}));
    EXPECT_EQ(h.PenWidth, (Pens{1, 1, 1, 1, 1, 1, 2, 3, 5, 1}));
    EXPECT_EQ(h.PrtPenColor, (Pens{0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(h.PrtPenWidth, (Pens{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(h.PointRadius, (std::array<double, kPenColors>{0.3, 0.3, 0.3, 0.3, 0.3, 0.3, 0.3, 0.3, 0.3, 0.3}));
    // Types 2 to 9 dash, 11 to 15 are random lines, 16 to 19 repeat 2 to 5 at a pitch of 3.
    using Types = std::array<uint32_t, kLineTypes>;
    EXPECT_EQ(h.LineTypePattern, (Types{0, 0, 0xCCCCCCCC, 0xF0F0F0F0, 0xFF00FF00, 0xFFFF0000, 0xFFFF0C00, 0xFFF0CC00,
                                        0xFFFF3300, 0xFFFFFF00, 0, 0x5A5A5A5A, 0x3C3C3C3C, 0x66666666, 0x0F0F0F0F,
                                        0x33CC33CC, 0xCCCCCCCC, 0xF0F0F0F0, 0xFF00FF00, 0xFFFF0000}));
    EXPECT_EQ(h.LineTypeUnit, (Types{0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(h.LineTypePitch, (Types{0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 2, 2, 2, 2, 2, 3, 3, 3, 3}));
    EXPECT_EQ(h.PrtLineTypePitch, h.LineTypePitch);
    EXPECT_EQ(h.RandomLineWidth, (Types{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 4, 5, 6, 7, 0, 0, 0, 0}));
    EXPECT_EQ(h.PrtRandomLineWidth, h.RandomLineWidth);
    // Text types 1 to 10: sizes in millimetres, colours following the type up to pen 9.
    using Texts = std::array<double, kTextTypes>;
    EXPECT_EQ(h.TextWidth, (Texts{0, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 8, 10}));
    EXPECT_EQ(h.TextHeight, h.TextWidth);
    EXPECT_EQ(h.TextSpacing, Texts{});
    EXPECT_EQ(h.TextColor, (std::array<uint32_t, kTextTypes>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    EXPECT_EQ(std::make_tuple(h.CurrentTextWidth, h.CurrentTextHeight, h.CurrentTextColor, h.CurrentTextType,
                              h.TextRowSpacing, h.TextRowLength, h.GridMinimum, h.PaperSize, h.Version),
              std::make_tuple(3.0, 3.0, 1u, 3u, 1.5, 0.0, 1.0, 3u, 351u));
}

TEST(HeaderKinds, JwsDataStartsFromAFreshHeaderKeepingThePens) {
    Drawing d = newDrawing();
    d.header.Memo = "previous memo";
    d.header.LayerName[0][0] = "previous";
    d.header.LayerGroupState[4] = 0;
    d.header.PenColor[2] = 0x123456;
    std::vector<uint8_t> jws(452 + 2 + 2, 0);
    std::memcpy(jws.data(), "JwsData.", 8);
    const uint32_t version = 351;
    std::memcpy(jws.data() + 200, &version, 4);
    const double scale = 100.0;
    std::memcpy(jws.data() + 220 + 8, &scale, 8);  // group 1
    LoadResult r = LoadJws(d, jws.data(), jws.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(d.AllLayers);
    EXPECT_EQ(d.headerKind, HeaderKind::Jws);
    // Nothing of the drawing before survives but the pens it was drawn with.
    EXPECT_EQ(d.header.Memo, "");
    EXPECT_EQ(d.header.LayerName[0][0], "");
    EXPECT_EQ(d.header.LayerGroupState[4], 2u);
    EXPECT_EQ(d.header.PenColor[2], 0x123456u);
    EXPECT_EQ(d.header.LayerGroupScale[1], 100.0);
    EXPECT_EQ(d.header.Version, 351u);
    // Cut inside the values after the scales: the header is what is missing, not the records.
    jws.resize(400);
    r = LoadJws(d, jws.data(), jws.size());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("the data ends inside the JWS header"), std::string::npos) << r.error;
}

TEST(ArchiveStrings, PlainLongAndUnicodeForms) {
    ByteWriter w;
    WriteArchive out(w);
    out.str("");
    out.str(std::string(254, 'a'));
    out.str(std::string(255, 'b'));
    out.str(std::string(70000, 'c'));
    // A word of 0xFFFE would read as the Unicode marker: from there on the length takes a double
    // word.
    out.str(std::string(0xFFFD, 'd'));
    out.str(std::string(0xFFFE, 'e'));
    // The Unicode form of Jw_cad 8: 255, 0xFFFE, then the length in UTF-16 units.
    const char16_t text[] = u"図面①㎡😀";
    w.u8(255);
    w.u16(0xFFFE);
    w.u8(6);  // 😀 is a surrogate pair
    w.raw(text, 12);
    // The lengths as MFC writes them: a byte below 255, then 255 and a word, then 0xFFFF and a
    // double word.
    const auto* b = reinterpret_cast<const uint8_t*>(w.bytes.data());
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 254);
    EXPECT_EQ(std::vector<uint8_t>(b + 256, b + 259), (std::vector<uint8_t>{255, 255, 0}));
    EXPECT_EQ(std::vector<uint8_t>(b + 514, b + 521), (std::vector<uint8_t>{255, 255, 255, 0x70, 0x11, 1, 0}));
    const size_t d = 521 + 70000, e = d + 3 + 0xFFFD;
    EXPECT_EQ(std::vector<uint8_t>(b + d, b + d + 3), (std::vector<uint8_t>{255, 0xFD, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(b + e, b + e + 7), (std::vector<uint8_t>{255, 255, 255, 0xFE, 0xFF, 0, 0}));
    ByteReader in(reinterpret_cast<const uint8_t*>(w.bytes.data()), w.bytes.size());
    ReadArchive ar(in);
    std::string s;
    ar.str(s);
    EXPECT_EQ(s, "");
    ar.str(s);
    EXPECT_EQ(s, std::string(254, 'a'));
    ar.str(s);
    EXPECT_EQ(s, std::string(255, 'b'));
    ar.str(s);
    EXPECT_EQ(s.size(), 70000u);
    ar.str(s);
    EXPECT_EQ(s, std::string(0xFFFD, 'd'));
    ar.str(s);
    EXPECT_EQ(s, std::string(0xFFFE, 'e'));
    ar.str(s);
    EXPECT_EQ(Cp932ToUtf8(s), "図面①㎡？");  // CP932 holds ① and ㎡, not the emoji
    EXPECT_EQ(ar.replacedCharacters, 1u);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(ArchiveStrings, LengthsBeyondTheDataFailWithoutAllocating) {
    const uint8_t huge[] = {255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'x'};
    ByteReader in(huge, sizeof huge);
    ReadArchive ar(in);
    std::string s;
    ar.str(s);
    EXPECT_TRUE(in.failed());
    EXPECT_TRUE(s.empty());
    const uint8_t unicode[] = {255, 0xFE, 0xFF, 255, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 'x'};
    ByteReader in2(unicode, sizeof unicode);
    ReadArchive ar2(in2);
    ar2.str(s);
    EXPECT_TRUE(in2.failed());
}

}  // namespace
}  // namespace korvel
