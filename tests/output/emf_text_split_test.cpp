// Text records whose advances put every character in its own cell, split for the preview into
// one record per character where the advances put it; everything the split cannot be sure of,
// and every record it cannot read, passes through as it was.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <string>
#include <vector>

#include "output/emf_target.h"
#include "platform/emf_preview.h"
#include "platform/emf_text_split.h"
#include "platform/headless_app.h"

namespace korvel::test {
namespace {

uint32_t u32(const QByteArray& b, qsizetype at) {
    uint32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
void put32(QByteArray& b, qsizetype at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// Where the record of `type` with the given index starts.
qsizetype recordAt(const QByteArray& b, uint32_t type, int index = 0) {
    for (qsizetype at = 0; at + 8 <= b.size(); at += u32(b, at + 4)) {
        if (u32(b, at) == type && index-- == 0) return at;
        if (u32(b, at + 4) < 8) break;
    }
    return -1;
}

// The text records: where, options, the units and their advances.
std::vector<std::string> texts(const QByteArray& b) {
    std::vector<std::string> out;
    for (qsizetype at = 0; (at = recordAt(b, 84, static_cast<int>(out.size()))) >= 0;) {
        const uint32_t n = u32(b, at + 44), text = u32(b, at + 48), dx = u32(b, at + 72);
        std::string line = std::to_string(int32_t(u32(b, at + 36))) + "," + std::to_string(int32_t(u32(b, at + 40))) +
                           " o" + std::to_string(u32(b, at + 52)) + " ";
        for (uint32_t i = 0; i < n; ++i) {
            uint16_t u;
            std::memcpy(&u, b.constData() + at + text + 2 * i, 2);
            line += u < 0x80 ? std::string(1, char(u)) : "U+" + std::to_string(u);
        }
        for (uint32_t i = 0; dx && i < n; ++i) line += " " + std::to_string(u32(b, at + dx + 4 * i));
        out.push_back(line);
    }
    return out;
}

// A record of its type and parameters.
QByteArray record(std::initializer_list<uint32_t> words) {
    const uint32_t* w = words.begin();
    QByteArray r(static_cast<qsizetype>(4 * words.size() + 4), '\0');
    put32(r, 0, w[0]);
    put32(r, 4, static_cast<uint32_t>(r.size()));
    for (size_t i = 1; i < words.size(); ++i) put32(r, static_cast<qsizetype>(4 + 4 * i), w[i]);
    return r;
}

QByteArray finished(EmfTarget& emf) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(emf.finish(bytes, error)) << error;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

TextStyle style() {
    TextStyle s;
    s.font.face = "DejaVu Sans";
    s.font.height = 24;
    s.font.width = 10;
    return s;
}

// "AB" and a full-width character joined in one record: advances 7, 13 and the last one's 20.
QByteArray joinedLine() {
    EmfTarget emf(FittedMetafileFrame(100, 50), "split");
    emf.text({10, 20}, U"A", style());
    emf.text({17, 20}, U"B\u3042", style());
    return finished(emf);
}

TEST(EmfTextSplit, AJoinedLineBecomesOneRecordPerCharacterWhereItsAdvancesPutIt) {
    QByteArray emf = joinedLine();
    ASSERT_EQ(texts(emf), (std::vector<std::string>{"10,20 o0 ABU+12354 7 10 20"}));
    put32(emf, recordAt(emf, 84) + 52, 0x2 | 0x4);  // opaque and clipped
    const QByteArray split = SplitTextAdvances(emf);
    EXPECT_EQ(texts(split), (std::vector<std::string>{"10,20 o6 A 7", "17,20 o4 B 10", "27,20 o4 U+12354 20"}));
    // Three records of 84 bytes for one of 76 + 8 + 12: the header counts what is there.
    EXPECT_EQ(split.size(), emf.size() + 3 * 84 - 96);
    EXPECT_EQ(u32(split, 48), static_cast<uint32_t>(split.size()));
    EXPECT_EQ(u32(split, 52), u32(emf, 52) + 2);
    EXPECT_EQ(EmfRecordsLength(split), static_cast<size_t>(split.size()));
    // Everything else is copied as it was, in its place.
    const qsizetype text = recordAt(emf, 84);
    EXPECT_EQ(split.left(text).mid(56), emf.left(text).mid(56));
    EXPECT_EQ(split.right(emf.size() - text - 96), emf.right(emf.size() - text - 96));
}

// Turned fonts advance along their baseline (up the page for 90°, MM_TEXT's y grows down).
// Right-aligned or centred text, vertical fonts and advances with a y part are placed by rules
// the split does not follow: those records stay whole.
TEST(EmfTextSplit, TurnedFontsGoAlongTheirBaselineAndUnfollowedLayoutsStayWhole) {
    const QByteArray emf = joinedLine();
    const qsizetype font = recordAt(emf, 82);
    QByteArray turned = emf;
    put32(turned, font + 12 + 8, 900);
    EXPECT_EQ(texts(SplitTextAdvances(turned)),
              (std::vector<std::string>{"10,20 o0 A 7", "10,13 o0 B 10", "10,3 o0 U+12354 20"}));
    put32(turned, font + 12 + 8, 450);
    EXPECT_EQ(texts(SplitTextAdvances(turned)),
              (std::vector<std::string>{"10,20 o0 A 7", "15,15 o0 B 10", "22,8 o0 U+12354 20"}));

    QByteArray rightAligned = emf;
    put32(rightAligned, recordAt(emf, 22) + 8, 2);
    EXPECT_EQ(SplitTextAdvances(rightAligned), rightAligned);
    QByteArray vertical = emf;
    vertical[font + 12 + 28] = '@';
    EXPECT_EQ(SplitTextAdvances(vertical), vertical);
    QByteArray pairs = emf;
    put32(pairs, recordAt(emf, 84) + 52, 0x2000);
    EXPECT_EQ(SplitTextAdvances(pairs), pairs);
    // A stock font selected over the turned one is upright; a saved state restored turns it again.
    const qsizetype text = recordAt(turned, 84);
    const QByteArray stock = record({37, 0x8000000D}), save = record({33}), restore = record({34, uint32_t(-1)});
    const QByteArray upright = turned.left(text) + stock + turned.mid(text);
    EXPECT_EQ(texts(SplitTextAdvances(upright))[1], "17,20 o0 B 10");
    const QByteArray restored = turned.left(text) + save + stock + restore + turned.mid(text);
    EXPECT_EQ(texts(SplitTextAdvances(restored))[1], "15,15 o0 B 10");
}

TEST(EmfTextSplit, RecordsWithoutAdvancesOrReadingPastTheirEndPassThroughUntouched) {
    const QByteArray emf = joinedLine();
    const qsizetype text = recordAt(emf, 84);
    const std::pair<qsizetype, uint32_t> damages[] = {
        {72, 0},           // no advances
        {44, 49},          // more characters than the record holds advances for
        {44, 0x80000000},  // a count that overflows 32 bits when doubled
        {48, 92},          // the string runs past the end
        {48, 40},          // the string overlaps the fixed fields
        {72, 0xFFFFFFF0},  // advances far outside the record
        {4, 60},           // a record too short for its text
    };
    for (auto [field, value] : damages) {
        QByteArray bad = emf;
        put32(bad, text + field, value);
        EXPECT_EQ(SplitTextAdvances(bad), bad) << field;
    }
    // A walk that meets a broken record stops; what was split before it stays split.
    QByteArray twice = emf.left(text + 96) + emf.mid(text);
    put32(twice, text + 96 + 4, 6);
    const QByteArray split = SplitTextAdvances(twice);
    EXPECT_EQ(split.size(), twice.size() + 3 * 84 - 96);
    EXPECT_EQ(split.mid(text + 3 * 84), twice.mid(text + 96));
    EXPECT_EQ(SplitTextAdvances(emf.left(40)), emf.left(40));
}

// The preview of a joined line is the preview of the same glyphs written one record each.
TEST(EmfTextSplit, APreviewOfJoinedGlyphsIsThePreviewOfTheGlyphsOneByOne) {
    EnsureHeadlessGuiApplication();  // for the glyphs
    const char32_t* word = U"Korvel\u56f3";
    EmfTarget joined(FittedMetafileFrame(240, 60), "joined"), single(FittedMetafileFrame(240, 60), "single");
    for (int i = 0; word[i]; ++i) {
        const DevicePoint cell{8 + 27 * i, 12};
        joined.text(cell, std::u32string(1, word[i]), style());
        single.text(cell, std::u32string(1, word[i]), style());
        single.end();
    }
    const QByteArray a = finished(joined), b = finished(single);
    ASSERT_EQ(texts(a).size(), 1u);
    ASSERT_EQ(texts(b).size(), 7u);
    EmfPicture pa, pb;
    ASSERT_TRUE(pa.load(a));
    ASSERT_TRUE(pb.load(b));
    const QImage ia = pa.render(QSize(240, 60)), ib = pb.render(QSize(240, 60));
    EXPECT_TRUE(ia == ib) << "the joined line previews otherwise than its glyphs one by one";
    // Ink, and the last glyph where its cell is: far past where the font's own widths put it.
    int inked = 0, right = 0;
    for (int x = 0; x < 240; ++x)
        for (int y = 0; y < 60; ++y)
            if (ia.pixel(x, y) != qRgb(255, 255, 255)) ++inked, right = x;
    EXPECT_GT(inked, 200);
    EXPECT_GE(right, 8 + 27 * 6);
}

}  // namespace
}  // namespace korvel::test
