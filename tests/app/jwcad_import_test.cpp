// Jw_cad settings import over a Wine user.reg built by the tests.
#include <gtest/gtest.h>

#include <string>

#include "app/jwcad_import.h"
#include "jwcad_fixture.h"
#include "platform/registry_source.h"

namespace korvel {
namespace {

using test::JwCadRegistryFixture;

struct Imported {
    JwCadImportResult result;
    DrawingHeader header;
    JwCadTextOptions text;
};

Imported importFrom(const JwCadRegistryFixture& f, DrawingHeader start = {}) {
    RegistryFile reg;
    std::string text = f.wineUserReg();
    RegistryFile::LoadResult r = reg.parse({text.begin(), text.end()}, "user.reg");
    EXPECT_TRUE(r.ok && r.warnings.empty()) << r.error;
    Imported out;
    out.header = start;
    out.result = ImportJwCadSettings(reg, out.header, out.text);
    return out;
}

bool sameTable(const DrawingHeader& a, const DrawingHeader& b) {
    return a.PenColor == b.PenColor && a.PenWidth == b.PenWidth && a.PrtPenColor == b.PrtPenColor &&
           a.PrtPenWidth == b.PrtPenWidth && a.PointRadius == b.PointRadius &&
           a.LineTypePattern == b.LineTypePattern && a.LineTypePitch == b.LineTypePitch &&
           a.TextWidth == b.TextWidth && a.TextColor == b.TextColor && a.GridMinimum == b.GridMinimum &&
           a.DisplayOption == b.DisplayOption;
}

TEST(JwCadImport, ReadsEveryKeyIntoItsField) {
    Imported im = importFrom(JwCadRegistryFixture::typical());
    ASSERT_TRUE(im.result.ok) << im.result.error;
    EXPECT_TRUE(im.result.found);
    const DrawingHeader& h = im.header;
    EXPECT_DOUBLE_EQ(h.GridMinimum, 12.5);
    EXPECT_DOUBLE_EQ(h.GridIntervalX, 2.5);
    EXPECT_DOUBLE_EQ(h.GridIntervalY, 4.0);
    EXPECT_EQ(h.ShadowHours, 1u);
    EXPECT_DOUBLE_EQ(h.WallShadowLevel, 3.0);
    EXPECT_DOUBLE_EQ(h.ShadowLatitude, 35.5);
    EXPECT_DOUBLE_EQ(h.ShadowLevel, 1.5);
    EXPECT_DOUBLE_EQ(h.SkyMapLevel, 60.0);  // "TENKOR"
    EXPECT_DOUBLE_EQ(h.SkyMapRadius, 2.0);  // "TLevel"
    EXPECT_DOUBLE_EQ(h.ParallelEndExtension, 0.5);
    EXPECT_DOUBLE_EQ(h.ParallelDistance[7], 70.0);
    EXPECT_EQ(h.PenColor[0], 0x000000u);
    EXPECT_EQ(h.PenColor[1], 0xFFFFFFu);
    EXPECT_EQ(h.PenColor[7], 0x0080FFu);
    EXPECT_EQ(h.PenWidth[9], 9u);
    EXPECT_EQ(h.PrtPenWidth[8], 18u);
    EXPECT_DOUBLE_EQ(h.PointRadius[1], 0.2);
    EXPECT_EQ(h.LineTypePattern[2], 0xFF00FF02u);
    EXPECT_EQ(h.LineTypeUnit[19], 1u);
    EXPECT_EQ(h.LineTypePitch[5], 9u);
    EXPECT_EQ(h.PrtLineTypePitch[5], 105u);
    // Random lines: "PrPit" is the printer amplitude, "PrRnd" the printer pitch.
    EXPECT_EQ(h.LineTypePattern[12], 0xFFFFFFFFu);
    EXPECT_EQ(h.RandomLineWidth[12], 32u);
    EXPECT_EQ(h.LineTypePitch[12], 16u);
    EXPECT_EQ(h.PrtRandomLineWidth[12], 112u);
    EXPECT_EQ(h.PrtLineTypePitch[12], 212u);
    EXPECT_EQ(h.LineTypeUnit[12], 0u);  // not a random line's value
    EXPECT_EQ(h.LineTypePattern[10], 0u);
    EXPECT_DOUBLE_EQ(h.TextWidth[10], 11.0);
    EXPECT_DOUBLE_EQ(h.TextHeight[1], 3.0);
    EXPECT_DOUBLE_EQ(h.TextSpacing[4], 0.5);
    EXPECT_EQ(h.TextColor[9], 1u);
    EXPECT_DOUBLE_EQ(h.TextShiftX[0], 1.0);
    EXPECT_DOUBLE_EQ(h.TextShiftY[2], -3.0);
    EXPECT_EQ(im.text.drawOutLine, 2);
    EXPECT_EQ(im.text.lastDraw, 1);
    EXPECT_DOUBLE_EQ(im.text.outLineExpansion, 0.75);
    EXPECT_EQ(h.DisplayOption[5], 1u);
    EXPECT_EQ(h.DisplayOption[6], 0u);
    EXPECT_EQ(h.DisplayOption[7], 1u);
}

TEST(JwCadImport, AbsentKeysChangeNothing) {
    DrawingHeader start;
    start.PenColor[2] = 0xABCDEF;
    start.GridMinimum = 3.0;
    Imported im = importFrom(JwCadRegistryFixture{}, start);
    EXPECT_FALSE(im.result.found);
    EXPECT_TRUE(im.result.ok);
    EXPECT_TRUE(sameTable(im.header, start));

    // Only "Pen": not found (no "Mesh"), yet the pens are taken.
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    for (const char* k : {"Mesh", "Hikage", "FUKUSEN", "Point", "Line", "MOJI", "Printer", "Folder"}) f.removeKey(k);
    im = importFrom(f, start);
    EXPECT_FALSE(im.result.found);
    EXPECT_TRUE(im.result.ok) << im.result.error;
    EXPECT_EQ(im.header.PenColor[2], 0x00FFFFu);
    EXPECT_EQ(im.header.PenWidth[9], 9u);
    EXPECT_EQ(im.header.PrtPenWidth[1], 11u);
    EXPECT_DOUBLE_EQ(im.header.GridMinimum, 3.0);
    EXPECT_DOUBLE_EQ(im.header.PointRadius[1], 0.0);
}

TEST(JwCadImport, NumberFormatsAndValuesNeverRead) {
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.setString("Pen", "Color03", "FF00");
    // Jw_cad reads printer pens and points of colours 1 to 8 only: these would stop the import.
    f.setString("Pen", "PrCol09", "not hex");
    f.setString("Pen", "PrWid09", "wide");
    f.setString("Point", "Point9", "7.5");
    f.remove("MOJI", "SizeD04");
    f.setString("Mesh", "IntrvlX", "");      // empty float text: its default
    f.setString("Mesh", "IntrvlY", "1,5");   // malformed: its default
    f.setString("Pen", "Width02", "+3");
    Imported im = importFrom(f);
    ASSERT_TRUE(im.result.ok) << im.result.error;
    EXPECT_EQ(im.header.PenColor[3], 0x00FF00u);
    EXPECT_EQ(im.header.PrtPenColor[9], 0u);
    EXPECT_EQ(im.header.PrtPenWidth[9], 0u);
    EXPECT_DOUBLE_EQ(im.header.PointRadius[9], 0.0);
    EXPECT_DOUBLE_EQ(im.header.TextSpacing[4], 0.4);
    EXPECT_DOUBLE_EQ(im.header.GridIntervalX, 5.0);
    EXPECT_DOUBLE_EQ(im.header.GridIntervalY, 5.0);
    EXPECT_EQ(im.header.PenWidth[2], 3u);

    // Missing point sizes take 0.1; missing text sizes take the text type's number.
    f.remove("Point", "Point4");
    f.remove("MOJI", "SizeX06");
    f.remove("MOJI", "OfstY1");
    im = importFrom(f);
    EXPECT_DOUBLE_EQ(im.header.PointRadius[4], 0.1);
    EXPECT_DOUBLE_EQ(im.header.TextWidth[6], 6.0);
    EXPECT_DOUBLE_EQ(im.header.TextShiftY[0], -1.0);
}

TEST(JwCadImport, OutLineExpansionMissingMalformedOrDword) {
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.remove("MOJI", "OutLineExpansion");
    f.remove("MOJI", "DrawOutLine");
    Imported im = importFrom(f);
    ASSERT_TRUE(im.result.ok) << im.result.error;
    EXPECT_DOUBLE_EQ(im.text.outLineExpansion, 1.0);
    EXPECT_EQ(im.text.drawOutLine, 0);
    EXPECT_EQ(im.text.lastDraw, 1);

    f.setString("MOJI", "OutLineExpansion", "abc");
    f.setString("MOJI", "LastDraw", "1");  // a DWORD stored as text: guarded, becomes 0
    im = importFrom(f);
    ASSERT_TRUE(im.result.ok) << im.result.error;
    EXPECT_DOUBLE_EQ(im.text.outLineExpansion, 1.0);
    EXPECT_EQ(im.text.lastDraw, 0);

    f.setDword("MOJI", "OutLineExpansion", 3);
    im = importFrom(f);
    ASSERT_TRUE(im.result.ok) << im.result.error;
    EXPECT_DOUBLE_EQ(im.text.outLineExpansion, 0.0);
    EXPECT_EQ(im.header.DisplayOption[7], 1u);  // the import went on to "Printer"
}

TEST(JwCadImport, MissingOrMistypedValueStopsWithItsName) {
    DrawingHeader start;
    start.LineTypePitch[6] = 77;
    start.TextWidth[1] = 42.0;

    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.remove("Line", "Unit_06");
    Imported im = importFrom(f, start);
    EXPECT_TRUE(im.result.found);
    EXPECT_FALSE(im.result.ok);
    EXPECT_EQ(im.result.error, "Jw_cad setting Software\\Jw_cad\\jw_win\\Line \"Unit_06\" is missing; a DWORD was expected");
    EXPECT_EQ(im.header.LineTypePattern[6], 0xFF00FF06u);  // read before the failure
    EXPECT_EQ(im.header.LineTypePitch[6], 77u);            // after it: untouched
    EXPECT_DOUBLE_EQ(im.header.TextWidth[1], 42.0);

    struct Case {
        const char* key;
        const char* value;
        bool dword;
        const char* text;
        const char* error;
    } cases[] = {
        {"Pen", "Color05", false, "", "is missing or empty; a hexadecimal number was expected"},
        {"Pen", "Color05", false, "12G4", "is not a hexadecimal number: \"12G4\""},
        {"Pen", "Width05", false, "1.5", "is not a whole number: \"1.5\""},
        {"Pen", "Color05", true, nullptr, "is stored as a DWORD, not as text"},
        {"Mesh", "Minimum", true, nullptr, "is stored as a DWORD, not as text"},
        {"Printer", "LayerJUN", false, "0", "is stored as text, not as a DWORD"},
    };
    for (const Case& c : cases) {
        JwCadRegistryFixture g = JwCadRegistryFixture::typical();
        if (c.dword) g.setDword(c.key, c.value, 5);
        else g.setString(c.key, c.value, c.text);
        im = importFrom(g);
        EXPECT_FALSE(im.result.ok);
        EXPECT_EQ(im.result.error, std::string("Jw_cad setting Software\\Jw_cad\\jw_win\\") + c.key + " \"" +
                                       c.value + "\" " + c.error);
    }
    JwCadRegistryFixture g = JwCadRegistryFixture::typical();
    g.remove("Pen", "Width05");
    im = importFrom(g);
    EXPECT_EQ(im.result.error,
              "Jw_cad setting Software\\Jw_cad\\jw_win\\Pen \"Width05\" is missing or empty; a whole number was expected");
}

TEST(JwCadNumbers, HexDecimalAndFloatText) {
    uint32_t h = 0;
    EXPECT_TRUE(ParseJwHexString("ff00", h));
    EXPECT_EQ(h, 0xFF00u);
    EXPECT_TRUE(ParseJwHexString("FFFFFFFF", h));
    EXPECT_EQ(h, 0xFFFFFFFFu);
    EXPECT_FALSE(ParseJwHexString("100000000", h));
    EXPECT_FALSE(ParseJwHexString("", h));
    EXPECT_FALSE(ParseJwHexString("0xff", h));  // "$0xff" is no number either
    EXPECT_FALSE(ParseJwHexString(" ff", h));
    int32_t d = 0;
    EXPECT_TRUE(ParseJwDecimalString("12", d));
    EXPECT_EQ(d, 12);
    EXPECT_TRUE(ParseJwDecimalString(" -3", d));
    EXPECT_EQ(d, -3);
    EXPECT_TRUE(ParseJwDecimalString("$1F", d));
    EXPECT_EQ(d, 31);
    EXPECT_TRUE(ParseJwDecimalString("0x10", d));
    EXPECT_EQ(d, 16);
    EXPECT_FALSE(ParseJwDecimalString("3 ", d));
    EXPECT_FALSE(ParseJwDecimalString("2147483648", d));
    EXPECT_FALSE(ParseJwDecimalString("-", d));
    EXPECT_DOUBLE_EQ(ParseJwFloatString(" 2.5 ", 9), 2.5);
    EXPECT_DOUBLE_EQ(ParseJwFloatString("-.5", 9), -0.5);
    EXPECT_DOUBLE_EQ(ParseJwFloatString("1e2", 9), 100.0);
    EXPECT_DOUBLE_EQ(ParseJwFloatString("5.", 9), 5.0);
    for (const char* bad : {"", "abc", "inf", "nan", "0x10", "1e", ".", "1.2.3", "1,5"})
        EXPECT_DOUBLE_EQ(ParseJwFloatString(bad, 9.0), 9.0) << bad;
}

}  // namespace
}  // namespace korvel
