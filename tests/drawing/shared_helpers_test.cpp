// The small helpers every layer shares: text conversions, file extensions, whole-file reads and
// colour channels.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "drawing/archive.h"
#include "drawing/byte_reader.h"
#include "drawing/colour.h"
#include "drawing/drawing_builder.h"
#include "drawing/file_bytes.h"
#include "drawing/file_extension.h"
#include "drawing/page_warmer.h"
#include "drawing/jww_layout.h"
#include "drawing/record_kinds.h"
#include "drawing/text_conversion.h"
#include "test_support.h"

namespace korvel {
namespace {

TEST(TextConversion, Utf8EncodesEachLengthAtItsBoundariesAndReplacesWhatIsNoCharacter) {
    EXPECT_EQ(CodePointsToUtf8(U"\u007F"), "\x7F");
    EXPECT_EQ(CodePointsToUtf8(U"\u0080"), "\xC2\x80");
    EXPECT_EQ(CodePointsToUtf8(U"\u07FF"), "\xDF\xBF");
    EXPECT_EQ(CodePointsToUtf8(U"\u0800"), "\xE0\xA0\x80");
    EXPECT_EQ(CodePointsToUtf8(U"\uFFFF"), "\xEF\xBF\xBF");
    EXPECT_EQ(CodePointsToUtf8(U"\U00010000"), "\xF0\x90\x80\x80");
    EXPECT_EQ(CodePointsToUtf8(U"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
    // A surrogate or a value past U+10FFFF is no character: U+FFFD each.
    EXPECT_EQ(CodePointsToUtf8(std::u32string{0xD800, U'a', 0x110000}), "\xEF\xBF\xBD" "a" "\xEF\xBF\xBD");
    EXPECT_EQ(CodePointsToUtf8(std::u32string{0xD7FF, 0xDFFF, 0xE000}), "\xED\x9F\xBF" "\xEF\xBF\xBD" "\xEE\x80\x80");
}

TEST(TextConversion, Utf8DecodingReplacesEachBadByteAndKeepsWhatFollows) {
    EXPECT_EQ(Utf8ToCodePoints("a\xE3\x81\x82z"), U"a\u3042z");
    EXPECT_EQ(Utf8ToCodePoints("\xF0\x9F\x98\x80"), U"\U0001F600");
    // A lead byte without its continuation, a stray continuation, a cut-off end.
    EXPECT_EQ(Utf8ToCodePoints("\xE3" "a"), std::u32string({0xFFFD, U'a'}));
    EXPECT_EQ(Utf8ToCodePoints("\x80"), std::u32string({0xFFFD}));
    EXPECT_EQ(Utf8ToCodePoints("b\xE3\x81"), std::u32string({U'b', 0xFFFD, 0xFFFD}));
    // Two bytes, ending the text; the largest value of each length; one past the last character.
    EXPECT_EQ(Utf8ToCodePoints("\xC3\xA9"), U"\u00E9");
    EXPECT_EQ(Utf8ToCodePoints("\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), U"\u07FF\uFFFF\U0010FFFF");
    EXPECT_EQ(Utf8ToCodePoints("\xF4\x90\x80\x80"), std::u32string(4, 0xFFFD));
    EXPECT_EQ(Utf8ToCodePoints("\xF8\x88"), std::u32string(2, 0xFFFD));
    // Whether text is UTF-8 already: whole sequences to the last byte, nothing cut or stray.
    for (const char* yes : {"", "a\xE3\x81\x82", "\xC3\xA9", "\xF0\x9F\x98\x80"}) EXPECT_TRUE(IsUtf8(yes)) << yes;
    for (const char* no : {"\xC3", "\xE3\x81", "\xF0\x9F\x98", "\xC3" "a", "\xF8\x88\x80\x80\x80",
                           "\xFC\x84\x80\x80\x80\x80" "a", "\x80"})
        EXPECT_FALSE(IsUtf8(no)) << no;
}

TEST(TextConversion, Utf16PairsSurrogatesAndReplacesLoneOnes) {
    const std::vector<uint8_t> pair = {0x3D, 0xD8, 0x00, 0xDE, 'x', 0};
    EXPECT_EQ(Utf16LeToUtf8(pair.data(), pair.size()), "\xF0\x9F\x98\x80x");
    const std::vector<uint8_t> lone = {0x3D, 0xD8, 'x', 0, 0x00, 0xDE, 'y'};  // and an odd last byte
    EXPECT_EQ(Utf16LeToUtf8(lone.data(), lone.size()), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    // The ends of both surrogate ranges, and the characters either side of them.
    const std::vector<uint8_t> ends = {0xFF, 0xDB, 0xFF, 0xDF, 0x00, 0xDC, 0xFF, 0xD7, 0x00, 0xE0, 0xFF, 0xDB};
    EXPECT_EQ(Utf16LeToUtf8(ends.data(), ends.size()),
              "\xF4\x8F\xBF\xBF" "\xEF\xBF\xBD" "\xED\x9F\xBF" "\xEE\x80\x80" "\xEF\xBF\xBD");
    const std::vector<uint8_t> lowest = {0x00, 0xD8, 0x00, 0xDC};
    EXPECT_EQ(Utf16LeToUtf8(lowest.data(), lowest.size()), "\xF0\x90\x80\x80");
}

TEST(TextConversion, AnsiTextIsReadAsCp932UnlessItIsUtf8Already) {
    EXPECT_EQ(AnsiToUtf8("\x93\xFA\x96\x7B"), "日本");
    EXPECT_EQ(AnsiToUtf8("日本"), "日本");
    // 0xA0 is no CP932 character; the byte after it is read on its own.
    EXPECT_EQ(AnsiToUtf8("\xA0" "A\x82\xA0"), "\xEF\xBF\xBD" "Aあ");
    EXPECT_TRUE(IsUtf8("plain"));
    EXPECT_FALSE(IsUtf8("\x82\xA0"));
    // A view ends where it ends, whatever bytes lie after it in memory.
    EXPECT_FALSE(IsUtf8(std::string_view("\xC3\xA9", 1)));
    EXPECT_FALSE(IsUtf8(std::string_view("a\xE3\x81\x82", 3)));
    // A pair of encodings iconv lacks converts nothing.
    IconvConverter none("NO-SUCH-ENCODING", "UTF-8");
    EXPECT_FALSE(none.ok());
    EXPECT_EQ(none.run("abc", 3, [](const uint8_t*, size_t) { return std::make_pair(std::string("?"), size_t{1}); }), "");
    EXPECT_EQ(AsciiLowerCase("Jw_WIN\\図面"), "jw_win\\図面");
    EXPECT_EQ(AsciiLowerCase("@AZ[`az{"), "@az[`az{");
}

TEST(FileExtension, TheLastDotOfTheLastNameDecides) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plan.jww", ".jww"},
        {"PLAN.JWW", ".JWW"},
        {"/home/u/old.plan.jwz", ".jwz"},
        {"logo.bmp.gz", ".gz"},
        {"C:\\jww\\logo.BMP", ".BMP"},
        {"/home/u.d/plan", ""},
        {"dir.x\\plan", ""},
        {"plan", ""},
        {"", ""},
        {".jww", ".jww"},
        {"plan.", "."},
    };
    for (const auto& [path, extension] : cases) EXPECT_EQ(FileExtension(path), extension) << path;
    EXPECT_TRUE(HasExtension("PLAN.Jww", ".jww"));
    EXPECT_TRUE(HasExtension("a/b.JPEG", ".jpeg"));
    EXPECT_FALSE(HasExtension("plan.jww.bak", ".jww"));
    EXPECT_FALSE(HasExtension("planjww", ".jww"));
}

TEST(WholeFile, ReadsUpToItsLimitAndRefusesWhatIsNotAFile) {
    const std::string dir = test::scratchDir("whole-file");
    test::writeFileBytes(dir + "/four", {1, 2, 3, 4});
    std::vector<uint8_t> bytes;
    auto into = [&bytes](size_t n) {
        bytes.resize(n);
        return bytes.data();
    };
    FileReadError error;
    int64_t modified = 0;
    ASSERT_TRUE(ReadRegularFile(dir + "/four", 4, into, error, &modified));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/four").c_str(), &st), 0);
    EXPECT_EQ(modified, static_cast<int64_t>(st.st_mtime));

    EXPECT_FALSE(ReadRegularFile(dir + "/four", 3, into, error));
    EXPECT_EQ(error.kind, FileReadError::TooLarge);
    EXPECT_EQ(error.size, 4u);

    test::writeFileBytes(dir + "/empty", {});
    EXPECT_TRUE(ReadRegularFile(dir + "/empty", 0, into, error));
    EXPECT_TRUE(bytes.empty());

    EXPECT_FALSE(ReadRegularFile(dir + "/missing", 10, into, error));
    EXPECT_EQ(error.kind, FileReadError::CannotOpen);
    EXPECT_EQ(error.code, ENOENT);

    EXPECT_FALSE(ReadRegularFile(dir, 10, into, error));
    EXPECT_EQ(error.kind, FileReadError::NotRegularFile);
    EXPECT_STREQ(error.fileKind, "a folder");

    // Opening a pipe with no writer must not wait for one.
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
    EXPECT_FALSE(ReadRegularFile(dir + "/pipe", 10, into, error));
    EXPECT_EQ(error.kind, FileReadError::NotRegularFile);
    EXPECT_EQ(error.what, "a pipe (FIFO), not a regular file");
}

TEST(WholeFile, NoPlaceForTheBytesIsReportedAsNoMemory) {
    const std::string dir = test::scratchDir("whole-file-memory");
    test::writeFileBytes(dir + "/two", {7, 8});
    FileReadError error;
    EXPECT_FALSE(ReadRegularFile(dir + "/two", 10, [](size_t) -> uint8_t* { return nullptr; }, error));
    EXPECT_EQ(error.kind, FileReadError::NoMemory);
    EXPECT_EQ(error.what, "not enough memory to read its 2 bytes");
}

TEST(Colour, ChannelsComeApartAndTogetherInWindowsOrder) {
    constexpr uint32_t c = 0x00336699;  // blue 0x33, green 0x66, red 0x99
    static_assert(RedOf(c) == 0x99 && GreenOf(c) == 0x66 && BlueOf(c) == 0x33);
    EXPECT_EQ(MakeColor(0x99, 0x66, 0x33), c);
    EXPECT_EQ(RedOf(0xFF000001u), 1);  // the top byte belongs to no channel
    EXPECT_EQ(SwapRedBlue(c), 0x00996633u);
    EXPECT_EQ(SwapRedBlue(0xAA010203u), 0x00030201u);
}

TEST(Colour, LightColoursStartAtGreyLevel128) {
    EXPECT_EQ(LuminanceMilli(MakeColor(255, 0, 0)), 255 * 299);
    EXPECT_EQ(LuminanceMilli(MakeColor(0, 255, 0)), 255 * 587);
    EXPECT_EQ(LuminanceMilli(MakeColor(0, 0, 255)), 255 * 114);
    EXPECT_TRUE(IsLightColor(MakeColor(128, 128, 128)));
    EXPECT_FALSE(IsLightColor(MakeColor(127, 127, 127)));
    EXPECT_FALSE(IsLightColor(MakeColor(255, 0, 255)));  // 105,315 thousandths: magenta counts as dark
    EXPECT_TRUE(IsLightColor(MakeColor(0, 255, 0)));
}

// What the tests and the program build drawings with: members go to the open block, the
// definition is numbered by position and counts its members, and the top-level records are
// filed in the order given.
// A new record is all zeros but for pen style and colour 1, a circle's flatness and an insert's
// scales of 1: written, only those bytes are set.
TEST(Records, ANewRecordIsZeroButForItsPenAndItsScales) {
    const auto written = [](const auto& record, uint32_t version) {
        ByteWriter w;
        WriteArchive out(w);
        archiveAny(out, record, version);
        std::vector<uint8_t> set;
        for (char c : w.bytes)
            if (c != 0) set.push_back(static_cast<uint8_t>(c));
        return std::make_pair(w.bytes.size(), set);
    };
    using Bytes = std::vector<uint8_t>;
    const Bytes pen = {1, 1};
    TDataTen special;
    special.penStyle = 100;
    EXPECT_EQ(written(TDataSen{}, 351), std::make_pair(size_t{47}, pen));
    EXPECT_EQ(written(TDataEnko{}, 351), std::make_pair(size_t{75}, Bytes{1, 1, 0xF0, 0x3F}));
    EXPECT_EQ(written(TDataTen{}, 351), std::make_pair(size_t{35}, pen));
    EXPECT_EQ(written(special, 351), std::make_pair(size_t{55}, Bytes{100, 1}));
    EXPECT_EQ(written(TDataMoji{}, 351), std::make_pair(size_t{85}, pen));
    Bytes nine;
    for (int i = 0; i < 9; ++i) nine.insert(nine.end(), {1, 1});  // its own, line, text, 2 lines, 4 points
    EXPECT_EQ(written(TDataSunpou{}, 600), std::make_pair(size_t{15 + 47 + 85 + 2 + 2 * 47 + 4 * 35}, nine));
    EXPECT_EQ(written(TDataSolid{}, 351), std::make_pair(size_t{79}, pen));
    EXPECT_EQ(written(TDataBlock{}, 351), std::make_pair(size_t{59}, Bytes{1, 1, 0xF0, 0x3F, 0xF0, 0x3F}));
    EXPECT_EQ(written(TDataList{}, 351), std::make_pair(size_t{30}, pen));
    EXPECT_FALSE(TDataSunpou{}.hasSxf);
}

TEST(DrawingBuilder, BlocksTakeTheirMembersAndTheDrawingKeepsItsOrder) {
    Drawing d;
    DrawingBuilder b(d);
    b.line(0, 0, 1, 0);
    b.beginBlock();
    b.circle(0, 0, 2);
    b.text(1, 1, "A");
    b.endBlock();
    b.beginBlock();
    b.insert(0, 5, 5).layer = 3;
    b.endBlock();
    TDataBlock& placed = b.insert(1, 10, 0, 0.5, 2.0, 2.0);
    EXPECT_EQ(placed.scaleX, 2.0);

    ASSERT_EQ(d.top.definitions.size(), 2u);
    EXPECT_EQ(d.top.definitions[0].number, 0u);
    EXPECT_EQ(d.top.definitions[0].count, 2);
    EXPECT_EQ(d.top.definitions[1].number, 1u);
    EXPECT_EQ(d.top.definitions[1].count, 1);
    EXPECT_EQ(d.completedDefinitions, 2u);
    EXPECT_EQ(d.memberStart, (std::vector<uint32_t>{0, 2}));
    const std::vector<RecordClass> top = {RecordClass::Sen, RecordClass::List, RecordClass::List, RecordClass::Block};
    ASSERT_EQ(d.top.sequence.size(), top.size());
    for (size_t i = 0; i < top.size(); ++i) EXPECT_EQ(d.top.sequence[i].cls, top[i]) << i;
    EXPECT_EQ(d.members.inserts.at(0).layer, 3);
    EXPECT_EQ(d.members.circles.at(0).radius, 2.0);
    // The record makers count what is filed at the top as a load announces it, definitions too.
    EXPECT_EQ(d.ExpectedCount, 4u);

    b.finish();
    EXPECT_EQ(d.ExpectedCount, 2u);  // a load's count: records, not definitions
    EXPECT_EQ(d.StreamBlockDefinitionCount, 2u);
}

// Each maker puts every value where its record keeps it, none crossed over.
TEST(DrawingBuilder, RecordMakersFillEveryField) {
    Drawing d;
    DrawingBuilder b(d);
    const TDataSen l = b.line(1, 2, 3, 4, 5, 6);
    EXPECT_EQ((std::vector<double>{l.start.x, l.start.y, l.end.x, l.end.y}), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(l.penColor, 5);
    EXPECT_EQ(l.penStyle, 6);
    const TDataEnko a = b.arc(1, 2, 3, 0.5, 1.5, 7, 8);
    EXPECT_EQ((std::vector<double>{a.center.x, a.center.y, a.radius, a.startAngle, a.arcAngle}),
              (std::vector<double>{1, 2, 3, 0.5, 1.5}));
    EXPECT_EQ(a.fullCircle, 0u);
    EXPECT_EQ(a.penColor, 7);
    EXPECT_EQ(a.penStyle, 8);
    const TDataEnko c = b.circle(-1, -2, 4);
    EXPECT_EQ((std::vector<double>{c.center.x, c.center.y, c.radius, c.startAngle, c.arcAngle}),
              (std::vector<double>{-1, -2, 4, 0, 6.283185307179586}));
    EXPECT_EQ(c.fullCircle, 1u);
    const TDataTen p = b.specialPoint(5, 6, 7, 2.5, 0.25);
    EXPECT_EQ((std::vector<double>{p.point.x, p.point.y, p.scale, p.angle}), (std::vector<double>{5, 6, 2.5, 0.25}));
    EXPECT_EQ(p.code, 7u);
    EXPECT_EQ(p.penStyle, 100);
    const TDataTen q = b.point(8, 9, 4);
    EXPECT_EQ((std::vector<double>{q.point.x, q.point.y}), (std::vector<double>{8, 9}));
    EXPECT_EQ(q.penColor, 4);
    const TDataSolid s = b.solid({1, 2}, {3, 4}, {5, 6}, {7, 8}, 10);
    EXPECT_EQ((std::vector<double>{s.corner1.x, s.corner1.y, s.corner2.x, s.corner2.y, s.corner3.x, s.corner3.y,
                                   s.corner4.x, s.corner4.y}),
              (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(s.penColor, 10);
    const TDataMoji t = b.text(2, 3, "ab");
    EXPECT_EQ((std::vector<double>{t.start.x, t.start.y, t.end.x, t.end.y, t.sizeX, t.sizeY}),
              (std::vector<double>{2, 3, 12, 3, 3, 3}));
    EXPECT_EQ(t.text, "ab");
    const TDataSunpou m = b.dimension(1, 2, 3, 4);
    EXPECT_EQ((std::vector<double>{m.line.start.x, m.line.start.y, m.line.end.x, m.line.end.y, m.text.start.x,
                                   m.text.start.y, m.text.end.x, m.text.end.y}),
              (std::vector<double>{1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(m.text.text, "10");
    const TDataBlock i = b.insert(3, 1, 2, 0.5, 4, 5);
    EXPECT_EQ((std::vector<double>{i.origin.x, i.origin.y, i.rotation, i.scaleX, i.scaleY}),
              (std::vector<double>{1, 2, 0.5, 4, 5}));
    EXPECT_EQ(i.blockNumber, 3u);
    // Left out, the pen is 2 with the solid line style, as a new record has it; an insert is
    // placed upright at its own size.
    const TDataSen dl = b.line(0, 0, 1, 1);
    const TDataEnko dc = b.circle(0, 0, 1), da = b.arc(0, 0, 1, 0, 1);
    EXPECT_EQ((std::vector<int>{dl.penColor, dl.penStyle, dc.penColor, dc.penStyle, da.penColor, da.penStyle,
                                b.point(0, 0).penColor, b.solid({}, {}, {}, {}).penColor,
                                b.dimension(0, 0, 1, 0).line.penColor}),
              (std::vector<int>{2, 1, 2, 1, 2, 1, 2, 2, 2}));
    const TDataBlock di = b.insert(0, 0, 0);
    EXPECT_EQ((std::vector<double>{di.rotation, di.scaleX, di.scaleY, b.specialPoint(0, 0, 1, 1).angle}),
              (std::vector<double>{0, 1, 1, 0}));
    EXPECT_EQ(di.penColor, 2);
    b.extents(-1, -2, 3, 6);
    EXPECT_EQ((std::vector<double>{d.extents.MinX, d.extents.MinY, d.extents.MaxX, d.extents.MaxY, d.extents.Aspect}),
              (std::vector<double>{-1, -2, 3, 6, 0.5}));
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Lists warmed ahead while they grow keep every value written: the warming thread faults pages
// in without writing them. It is asked a step ahead of the end, never past the list's buffer,
// and follows a list that outgrows its buffer to the new one.
TEST(PageWarmer, ListsWarmedAheadKeepEveryValueAndAreAskedStepByStep) {
    PageWarmer warmer;
    std::vector<uint64_t> reserved, growing;
    reserved.reserve(size_t(6) << 20);  // 48 MB
    ListWarmth reservedWarmth, growingWarmth;
    for (uint64_t i = 0; i < (uint64_t(6) << 20); ++i) {
        reserved.push_back(i * 2654435761u);
        reservedWarmth.ahead(warmer, reserved);
        if (i < (uint64_t(1) << 20)) {
            growing.push_back(~i);
            growingWarmth.ahead(warmer, growing);
        }
    }
    for (uint64_t i = 0; i < reserved.size(); ++i) ASSERT_EQ(reserved[i], i * 2654435761u) << i;
    for (uint64_t i = 0; i < growing.size(); ++i) ASSERT_EQ(growing[i], ~i) << i;
    // A list of 48 MB alone: asked for two steps (8 MB) at a time, each time its end comes within
    // a step of the part warmed, and never past its buffer.
    const size_t steps = 6;
    PageWarmer alone;
    std::vector<uint64_t> one;
    one.reserve(reserved.capacity());
    ListWarmth oneWarmth;
    for (size_t i = 0; i < reserved.capacity(); ++i) {
        one.push_back(i);
        oneWarmth.ahead(alone, one);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (alone.rangesWarmed() < steps && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(alone.rangesWarmed(), steps);
}

}  // namespace
}  // namespace korvel
