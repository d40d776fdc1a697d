// DXF export checked by the programs that read DXF: ezdxf (its reader and auditor, Debian's
// python3-ezdxf) and LibreCAD's own command line. The colour, lineweight and string rules
// are checked alone first.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>
#include <filesystem>
#include <map>
#include <sstream>

#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/extents.h"
#include "drawing/loaders.h"
#include "external_tools.h"
#include "feature_drawings.h"
#include "output/dxf_colors.h"
#include "output/dxf_export.h"
#include "output/dxf_symbols.h"
#include "output/dxf_strings.h"
#include "picture_files.h"
#include "render/render_context.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::haveTool;
using test::runTool;
using test::featureDrawing;
using test::textRecord;
using test::varietyDrawing;

constexpr double kPi = 3.141592653589793;

bool haveEzdxf() {
    return std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
}
#define REQUIRE_EZDXF()                                                                     \
    do {                                                                                    \
        if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed; DXF not read back"; \
    } while (0)

std::string writeDxf(const Drawing& d, DxfVersion version, const std::string& path,
                     std::vector<std::string>* warnings = nullptr) {
    std::vector<uint8_t> bytes;
    const DxfExportResult r = ExportDxf(d, RenderOptions{}, version, "", bytes);
    EXPECT_TRUE(r.ok) << r.error;
    if (warnings) *warnings = r.warnings;
    test::writeFileBytes(path, bytes);
    return path;
}

// What ezdxf reads from the file (see dxf_probe.py).
QJsonObject probe(const std::string& path) {
    const std::string out = runTool("/usr/bin/python3 " KORVEL_SOURCE_DIR "/tests/output/dxf_probe.py '" + path + "'");
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out));
    EXPECT_TRUE(doc.isObject()) << out;
    return doc.object();
}

int countOf(const QJsonObject& p, const char* type) { return p["counts"].toObject()[type].toInt(); }

// --- the rules alone ---

TEST(DxfColors, PenColoursBecomeTheNearestIndexAndBlackStaysForeground) {
    EXPECT_EQ(NearestAci(0x000000), 7);
    EXPECT_EQ(NearestAci(0x000001), 18);  // nearly black: the darkest red, as 7 is kept for black
    EXPECT_EQ(NearestAci(0x0000FF), 1);  // red (0x00BBGGRR)
    EXPECT_EQ(NearestAci(0x00FFFF), 2);
    EXPECT_EQ(NearestAci(0xFF0000), 5);
    EXPECT_EQ(NearestAci(0xC0C0C0), 9);
    EXPECT_EQ(NearestAci(0x808080), 8);
    EXPECT_EQ(NearestAci(0xFFFFFF), 255);
    EXPECT_EQ(NearestAci(0x007FFF), 30);  // orange: hue 30 degrees, full brightness
    EXPECT_EQ(AciColor(21), 0x7F9FFFu);   // hue 15 degrees at half saturation
    EXPECT_EQ(AciColor(26), 0x001F7Fu);
    EXPECT_EQ(DxfTrueColor(0x123456), 0x563412);
}

// The index table by AutoCAD's rule: a shade per sector of the hue circle, each variant's
// brightness, half saturation on odd indexes, and the six greys at the end.
TEST(DxfColors, TheIndexTableWalksTheHueCircle) {
    auto rgb = [](int r, int g, int b) { return static_cast<uint32_t>(r | g << 8 | b << 16); };
    const std::vector<std::pair<int, uint32_t>> table = {
        {0, 0},                       {1, rgb(255, 0, 0)},       {5, rgb(0, 0, 255)},
        {7, rgb(255, 255, 255)},      {8, rgb(128, 128, 128)},   {9, rgb(192, 192, 192)},
        {10, rgb(255, 0, 0)},         {15, rgb(153, 76, 76)},    {19, rgb(76, 38, 38)},
        {40, rgb(255, 191, 0)},       {60, rgb(191, 255, 0)},    {100, rgb(0, 255, 63)},
        {140, rgb(0, 191, 255)},      {180, rgb(63, 0, 255)},    {220, rgb(255, 0, 191)},
        {241, rgb(255, 127, 159)},    {249, rgb(76, 38, 47)},    {250, rgb(51, 51, 51)},
        {251, rgb(91, 91, 91)},       {252, rgb(132, 132, 132)}, {253, rgb(173, 173, 173)},
        {254, rgb(214, 214, 214)},    {255, rgb(255, 255, 255)},
        {256, 0},                     {-1, 0}};
    for (const auto& [index, colour] : table) EXPECT_EQ(AciColor(index), colour) << index;
    // The nine standard colours exactly, each its own nearest index.
    const uint32_t standard[10] = {0, rgb(255, 0, 0), rgb(255, 255, 0), rgb(0, 255, 0), rgb(0, 255, 255),
                                   rgb(0, 0, 255), rgb(255, 0, 255), rgb(255, 255, 255), rgb(128, 128, 128),
                                   rgb(192, 192, 192)};
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(AciColor(i), standard[i]) << i;
        if (i != 7) {
            EXPECT_EQ(NearestAci(standard[i]), i) << i;
        }
    }
    // Of two indexes of one colour the lower is taken; index 7 is black's alone.
    EXPECT_EQ(NearestAci(rgb(255, 255, 255)), 255);
    EXPECT_EQ(NearestAci(rgb(76, 38, 38)), 19);
    EXPECT_EQ(NearestAci(rgb(50, 50, 50)), 250);
}

TEST(DxfColors, PenWidthsBecomeStandardLineweightsAtRealScale) {
    EXPECT_EQ(DxfLineweight(0), 25);  // the thinnest pen is one unit wide
    EXPECT_EQ(DxfLineweight(1), 25);
    EXPECT_EQ(DxfLineweight(2), 53);
    EXPECT_EQ(DxfLineweight(3), 80);
    EXPECT_EQ(DxfLineweight(5), 140);
    EXPECT_EQ(DxfLineweight(1000), 211);
}

TEST(DxfVersions, NamesInAnyCase) {
    for (const char* name : {"2000", "R2000", "r2000", "AC1015", "ac1015"}) {
        DxfVersion v = DxfVersion::R2013;
        EXPECT_TRUE(DxfVersionFromName(name, v)) << name;
        EXPECT_EQ(v, DxfVersion::R2000) << name;
    }
    for (const char* name : {"2013", "R2013", "r2013", "AC1027", "Ac1027"}) {
        DxfVersion v = DxfVersion::R2000;
        EXPECT_TRUE(DxfVersionFromName(name, v)) << name;
        EXPECT_EQ(v, DxfVersion::R2013) << name;
    }
    for (const char* name : {"", "2012", "R2013 ", "AC1024", "R14"}) {
        DxfVersion v = DxfVersion::R2013;
        EXPECT_FALSE(DxfVersionFromName(name, v)) << name;
        EXPECT_EQ(v, DxfVersion::R2013) << name;
    }
}

TEST(DxfStrings, EachFlavourKeepsEveryCharacterAndNoLineBreak) {
    const std::string so = Utf8ToCp932("ソ表{x}\\");  // both trail bytes are 0x5C
    const DxfStrings r2000(DxfVersion::R2000), r2013(DxfVersion::R2013);
    EXPECT_EQ(r2000.value(so), so);
    EXPECT_EQ(r2013.value(so), "ソ表{x}\\");
    EXPECT_EQ(r2013.mtextLine(so), "ソ表\\{x\\}\\\\");
    EXPECT_EQ(r2000.mtextLine(so), Utf8ToCp932("ソ表\\{x\\}\\\\"));
    EXPECT_EQ(r2013.value("a\nb\tc^d"), "a^Jb^Ic^ d");
    EXPECT_EQ(r2013.name("1-2 <a/b>:c"), "1-2 _a_b__c");
    // A lead byte with nothing after it is no character: "？", counted.
    EXPECT_EQ(r2000.value(std::string("A\x82", 2)), Utf8ToCp932("A？"));
    EXPECT_EQ(r2000.replaced(), 1u);
    EXPECT_EQ(r2013.valueFromUtf8("/tmp/図.png"), "/tmp/図.png");
    EXPECT_EQ(r2000.valueFromUtf8("/tmp/図.png"), Utf8ToCp932("/tmp/図.png"));
}

// --- a drawing with one of everything, read back by ezdxf ---

const QJsonObject* entityOfType(const QJsonArray& entities, const char* type, int nth = 0) {
    static QJsonObject found;
    for (const auto& v : entities) {
        if (v.toObject()["type"].toString() == type && nth-- == 0) {
            found = v.toObject();
            return &found;
        }
    }
    return nullptr;
}

TEST(DxfExport, EveryRecordKindReadsBackInBothFlavours) {
    REQUIRE_EZDXF();
    const Drawing d = featureDrawing();
    for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R2013}) {
        const bool r2013 = version == DxfVersion::R2013;
        SCOPED_TRACE(r2013 ? "2013" : "2000");
        std::vector<std::string> warnings;
        const std::string path = writeDxf(d, version, test::scratchDir("dxf_features") + "/f.dxf", &warnings);
        const QJsonObject p = probe(path);
        EXPECT_EQ(p["version"].toString(), r2013 ? "AC1027" : "AC1015");
        EXPECT_EQ(p["codepage"].toString(), "ANSI_932");
        EXPECT_EQ(p["insunits"].toInt(), 4);
        EXPECT_EQ(p["maintver"].toInt(), r2013 ? 105 : 6);  // the maintenance releases AutoCAD wrote
        EXPECT_TRUE(p["header_slips"].toArray().isEmpty())
            << QJsonDocument(p["header_slips"].toArray()).toJson().toStdString();
        EXPECT_TRUE(p["errors"].toArray().isEmpty()) << QJsonDocument(p["errors"].toArray()).toJson().toStdString();
        EXPECT_TRUE(p["fixes"].toArray().isEmpty()) << QJsonDocument(p["fixes"].toArray()).toJson().toStdString();

        EXPECT_EQ(countOf(p, "LINE"), 3);  // the one with a NaN end is left out...
        EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                            "1 record was left out of the DXF: coordinates or sizes not finite or beyond 10,000 km"),
                  warnings.end());  // ...and said so
        EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                            "1 text uses ^ codes for weight, slant, underline, colour, face, scripts or overlays; "
                            "the DXF shows its characters plainly"),
                  warnings.end());
        EXPECT_EQ(countOf(p, "ELLIPSE"), 1);
        EXPECT_EQ(countOf(p, "TEXT"), 3);
        EXPECT_EQ(countOf(p, "MTEXT"), 1);
        EXPECT_EQ(countOf(p, "DIMENSION"), 1);
        EXPECT_EQ(countOf(p, "SOLID"), 1);
        EXPECT_EQ(countOf(p, "HATCH"), 1);
        EXPECT_EQ(countOf(p, "INSERT"), 3);  // the special point and the two block inserts

        // Texts: codes and macros expanded as the renderer does; the vertical one line by line.
        const QJsonArray texts = p["texts"].toArray();
        std::vector<std::string> got;
        for (const auto& t : texts) got.push_back(t.toString().toStdString());
        std::sort(got.begin(), got.end());
        std::vector<std::string> want = {"5,000", "メモ", "太字A2", "平面図 A-1", "縦書き"};
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);

        const QJsonObject layers = p["layers"].toObject();
        ASSERT_TRUE(layers.contains("1-2 壁"));
        EXPECT_TRUE(layers["1-2 壁"].toObject()["on"].toBool());
        EXPECT_EQ(layers["1-2 壁"].toObject()["description"].toString().toStdString(),
                  "Jw_cad layer group 1, scale 1/100");
        EXPECT_TRUE(layers["1-2 壁"].toObject()["locked"].toBool());
        EXPECT_FALSE(layers["1-3"].toObject()["on"].toBool());
        EXPECT_FALSE(layers["1-3"].toObject()["locked"].toBool());
        EXPECT_EQ(layers["1-4"].toObject()["color"].toInt(), 9);

        const QJsonArray entities = p["entities"].toArray();
        const QJsonObject first = *entityOfType(entities, "LINE", 0);
        EXPECT_EQ(first["layer"].toString(), "1-2 壁");
        EXPECT_EQ(first["linetype"].toString(), "JW_LINE_2");
        EXPECT_EQ(first["color"].toInt(), 92);  // (0, 204, 0), the nearest to (0, 192, 0)
        EXPECT_EQ(first["true_color"].toInt(), r2013 ? 0x00C000 : -1);
        EXPECT_EQ(first["lineweight"].toInt(), 25);
        EXPECT_EQ(entityOfType(entities, "LINE", 1)->value("linetype").toString(), "JW_RANDOM_12");
        EXPECT_EQ(entityOfType(entities, "LINE", 1)->value("lineweight").toInt(), 140);
        EXPECT_EQ(entityOfType(entities, "LINE", 2)->value("lineweight").toInt(), 25);
        // Greyed layer: drawn grey, as on screen.
        EXPECT_EQ(entityOfType(entities, "LINE", 2)->value("color").toInt(), 9);
        EXPECT_EQ(entityOfType(entities, "INSERT", 0)->value("name").toString(), "JW_POINT_5");
        // The symbol takes the point's scale across and up, and none in depth.
        const QJsonArray scales = entityOfType(entities, "INSERT", 0)->value("scales").toArray();
        ASSERT_EQ(scales.size(), 3);
        EXPECT_EQ(scales[0].toDouble(), 2.0);
        EXPECT_EQ(scales[1].toDouble(), 2.0);
        EXPECT_EQ(scales[2].toDouble(), 1.0);
        const QJsonObject solid = *entityOfType(entities, "SOLID");
        EXPECT_EQ(solid["color"].toInt(), 1);
        EXPECT_EQ(solid["true_color"].toInt(), r2013 ? 0xFF0000 : -1);
        EXPECT_EQ(entityOfType(entities, "TEXT", 0)->value("style").toString(), "ＭＳ ゴシック");

        // Line type 2 of the built-in pens: dashes of 16 units, 25.4 / 96 mm each.
        const QJsonArray dashes = p["linetypes"].toObject()["JW_LINE_2"].toArray();
        ASSERT_EQ(dashes.size(), 2);
        EXPECT_NEAR(dashes[0].toDouble(), 16 * 25.4 / 96, 1e-9);
        EXPECT_NEAR(dashes[1].toDouble(), -16 * 25.4 / 96, 1e-9);
        EXPECT_EQ(p["blocks"].toObject()["inner"].toInt(), 2);
        EXPECT_EQ(p["blocks"].toObject()["外側"].toInt(), 2);
    }
}

// A DXF byte for byte as its reference file, which ezdxf was seen to read whole: every group the
// writer puts out, not only those ezdxf reports, is pinned. After a change to the DXF that is
// meant, the new file is left in the test's scratch folder to be checked with ezdxf and copied
// over the reference.
void expectReference(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::vector<uint8_t> want = test::readFileBytes(KORVEL_SOURCE_DIR "/tests/output/references/" + name);
    if (bytes == want) return;
    const std::string got = test::scratchDir("dxf_reference_" + name) + "/" + name;
    test::writeFileBytes(got, bytes);
    // The first line that differs, with its number, so that the failure reads as a group.
    size_t line = 1, i = 0;
    while (i < bytes.size() && i < want.size() && bytes[i] == want[i]) line += bytes[i++] == '\n';
    auto lineAt = [&](const std::vector<uint8_t>& b) {
        size_t from = i;
        while (from > 0 && b.size() >= from && b[from - 1] != '\n') --from;
        size_t to = from;
        while (to < b.size() && b[to] != '\n') ++to;
        return std::string(b.begin() + static_cast<long>(std::min(from, b.size())), b.begin() + static_cast<long>(to));
    };
    ADD_FAILURE() << name << " line " << line << ": written \"" << lineAt(bytes) << "\", reference \"" << lineAt(want)
                  << "\" (" << bytes.size() << " against " << want.size() << " bytes; written to " << got << ")";
}

// Both drawings of feature_drawings.h in both flavours.
TEST(DxfExport, TwoDrawingsAreWrittenByteForByteAsTheirReferenceFiles) {
    for (const char* drawing : {"features", "variety"}) {
        const Drawing d = std::string(drawing) == "features" ? featureDrawing() : varietyDrawing();
        for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R2013}) {
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(ExportDxf(d, RenderOptions{}, version, "", bytes).ok);
            expectReference(std::string(drawing) + (version == DxfVersion::R2013 ? "_2013.dxf" : "_2000.dxf"), bytes);
        }
    }
}

// Each line type the drawing uses gets a description in Jw_cad's words, the double-length
// ones (16 to 19) too.
TEST(DxfExport, LineTypesAreDescribedByJwcadsNames) {
    REQUIRE_EZDXF();
    Drawing d;
    d.header = NewDrawingHeader();
    korvel::DrawingBuilder b(d);
    const int types[] = {2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18, 19};
    for (int i = 0; i < 12; ++i) {
        TDataSen l;
        l.start = {0, 10.0 * i};
        l.end = {100, 10.0 * i};
        l.penStyle = static_cast<uint8_t>(types[i]);
        b.add(l);
    }
    TDataSen zero;  // type 0 draws as Jw_cad draws it, with a pattern of its own
    zero.end = {100, -10};
    zero.penStyle = 0;
    b.add(zero);
    b.finish();
    const QJsonObject p = probe(writeDxf(d, DxfVersion::R2013, test::scratchDir("dxf_linetypes") + "/t.dxf"));
    EXPECT_EQ(entityOfType(p["entities"].toArray(), "LINE", 12)->value("linetype").toString(), "JW_LINE_0");
    const QJsonObject described = p["linetype_descriptions"].toObject();
    const char* const captions[] = {"dotted 1", "dotted 2", "dotted 3", "chain 1", "chain 2",
                                    "double chain 1", "double chain 2", "auxiliary", "double length",
                                    "double length", "double length", "double length"};
    for (int i = 0; i < 12; ++i) {
        const std::string name = "JW_LINE_" + std::to_string(types[i]);
        EXPECT_EQ(described[QString::fromStdString(name)].toString().toStdString(),
                  "Jw_cad line type " + std::to_string(types[i]) + " (" + captions[i] + ")");
    }
}

// Text types 10000 on are italic, 20000 on bold, 30000 on both: one style each.
TEST(DxfExport, TextStylesFollowBoldAndItalic) {
    REQUIRE_EZDXF();
    Drawing d;
    d.header = NewDrawingHeader();
    korvel::DrawingBuilder b(d);
    const uint32_t types[] = {0, 10000, 20000, 30000, 30001};
    for (int i = 0; i < 5; ++i) {
        TDataMoji t = textRecord("A", {0, 10.0 * i}, {3, 10.0 * i});
        t.textType = types[i];
        b.add(t);
    }
    b.finish();
    const QJsonObject p = probe(writeDxf(d, DxfVersion::R2013, test::scratchDir("dxf_styles") + "/s.dxf"));
    const QJsonArray entities = p["entities"].toArray();
    const char* const styles[] = {"ＭＳ ゴシック", "ＭＳ ゴシック Italic", "ＭＳ ゴシック Bold",
                                  "ＭＳ ゴシック Bold Italic", "ＭＳ ゴシック Bold Italic"};
    for (int i = 0; i < 5; ++i) {
        const QJsonObject* text = entityOfType(entities, "TEXT", i);
        ASSERT_NE(text, nullptr) << i;
        EXPECT_EQ(text->value("style").toString().toStdString(), styles[i]) << types[i];
    }
}

// A DXF line type starts with a dash: a pattern that begins with a gap is turned round, its
// first gap joining its last, which only shifts where the dashes fall.
TEST(DxfExport, PatternsThatBeginWithAGapStartWithTheirFirstDash) {
    REQUIRE_EZDXF();
    Drawing d;
    d.header = NewDrawingHeader();
    d.header.LineTypePattern[2] = 0x00FF00FFu;  // 8 gaps, 8 dots, 8 gaps, 8 dots
    d.header.LineTypePattern[3] = 0xFF00FF00u;  // the same, begun with the dots
    korvel::DrawingBuilder b(d);
    for (int t : {2, 3}) {
        TDataSen l;
        l.end = {100, 10.0 * t};
        l.start = {0, 10.0 * t};
        l.penStyle = static_cast<uint8_t>(t);
        b.add(l);
    }
    b.finish();
    const QJsonObject p = probe(writeDxf(d, DxfVersion::R2013, test::scratchDir("dxf_gap_first") + "/g.dxf"));
    const double dot = 25.4 / 96;
    // As the renderer draws them: a pattern ending on a dots run is closed by a gap of one dot,
    // which the turned pattern's last gap carries with the first.
    const std::pair<const char*, std::vector<double>> cases[] = {{"JW_LINE_2", {8, -8, 8, -9}},
                                                                 {"JW_LINE_3", {8, -8, 8, -8}}};
    for (const auto& [name, want] : cases) {
        const QJsonArray dashes = p["linetypes"].toObject()[name].toArray();
        ASSERT_EQ(dashes.size(), 4) << name;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(dashes[i].toDouble() / dot, want[size_t(i)], 1e-9) << name << " " << i;
    }
}

// The layer table's words for scales no sheet can have, and the current layer when the drawing
// names a layer group or layer that does not exist: read in the file's own text.
TEST(DxfExport, ScalesAndTheCurrentLayerBeyondTheirRangeAreWrittenSafely) {
    const auto dxfText = [](Drawing& d) {
        std::vector<uint8_t> bytes;
        const DxfExportResult r = ExportDxf(d, RenderOptions{}, DxfVersion::R2013, "", bytes);
        EXPECT_TRUE(r.ok) << r.error;
        return std::string(bytes.begin(), bytes.end());
    };
    Drawing d;
    d.header = NewDrawingHeader();
    const double scales[] = {std::numeric_limits<double>::infinity(), std::nan(""), -5.0, 0.0, 50.0};
    {
        korvel::DrawingBuilder b(d);
        for (uint16_t g = 1; g <= 5; ++g) {
            d.header.LayerGroupScale[g] = scales[g - 1];
            TDataSen line;
            line.start = {0, double(g)};
            line.end = {10, double(g)};
            line.layerGroup = g;
            b.add(line);
        }
        b.finish();
    }
    const auto describes = [](const std::string& text, int g, const std::string& scale) {
        return text.find("Jw_cad layer group " + std::to_string(g) + ", scale " + scale + "\r\n") != std::string::npos;
    };
    const auto currentLayer = [](const std::string& text) {
        const std::string key = "$CLAYER\r\n  8\r\n";
        const size_t at = text.find(key);
        if (at == std::string::npos) return std::string("?");
        const size_t from = at + key.size();
        return text.substr(from, text.find('\r', from) - from);
    };
    d.header.WriteLayerGroup = 3;
    d.header.WriteLayer[3] = 0;
    std::string text = dxfText(d);
    for (int g = 1; g <= 4; ++g) EXPECT_TRUE(describes(text, g, "unknown")) << "group " << g;
    EXPECT_TRUE(describes(text, 5, "1/50"));
    EXPECT_EQ(currentLayer(text), "3-0");
    d.header.WriteLayer[3] = 16;  // no such layer
    EXPECT_EQ(currentLayer(dxfText(d)), "0");
    d.header.WriteLayerGroup = 16;  // no such group
    EXPECT_EQ(currentLayer(dxfText(d)), "0");
}

TEST(DxfExport, ExtentsOfFlatDrawingsAreTheirOwn) {
    // One horizontal line, or one point: no height (or no size) of their own, yet known.
    REQUIRE_EZDXF();
    auto extentsOf = [](auto add) {
        Drawing d;
        d.header = NewDrawingHeader();
        korvel::DrawingBuilder b(d);
        add(b);
        b.finish();
        const QJsonArray e = probe(writeDxf(d, DxfVersion::R2013, test::scratchDir("dxf_flat") + "/f.dxf"))["extents"].toArray();
        std::vector<double> out;
        for (const auto& v : e) out.push_back(v.toDouble());
        return out;
    };
    TDataSen line;
    line.start = {-3, 4};
    line.end = {12, 4};
    EXPECT_EQ(extentsOf([&](korvel::DrawingBuilder& b) { b.add(line); }), (std::vector<double>{-3, 4, 12, 4}));
    TDataTen point;
    point.point = {5, 7};
    EXPECT_EQ(extentsOf([&](korvel::DrawingBuilder& b) { b.add(point); }), (std::vector<double>{5, 7, 5, 7}));
}

// Where Korvel draws a member point of an insert nested in another: through the render's own
// block transforms, composed as the block drawing composes them.
Point2 drawnAt(const TDataBlock& outer, const TDataBlock& inner, Point2 p) {
    BlockTransform o{outer.origin.x, outer.origin.y, outer.scaleX, outer.scaleY, outer.rotation, true};
    BlockTransform i{inner.origin.x, inner.origin.y, inner.scaleX, inner.scaleY, inner.rotation, true};
    i.outer = &o;
    return i.apply(p);
}

TEST(DxfExport, NestedTurnedMirroredInsertsStayBlocksWhereKorvelDrawsThem) {
    REQUIRE_EZDXF();
    const Drawing d = featureDrawing();
    const std::string path = writeDxf(d, DxfVersion::R2013, test::scratchDir("dxf_blocks") + "/b.dxf");
    const QJsonArray inserts = probe(path)["inserts"].toArray();
    // The special point is an insert too; the two block inserts come after it.
    ASSERT_EQ(inserts.size(), 3);
    const TDataBlock& inner = d.members.inserts[0];
    for (int k = 0; k < 2; ++k) {
        const TDataBlock& outer = d.top.inserts[k];
        const QJsonArray shown = inserts[k + 1].toArray();
        ASSERT_EQ(shown.size(), 3);  // the inner line and circle, then the outer line
        const QJsonArray innerLine = shown[0].toArray(), circle = shown[1].toArray(), outerLine = shown[2].toArray();
        const Point2 a = drawnAt(outer, inner, {0, 0}), b = drawnAt(outer, inner, {10, 0});
        EXPECT_NEAR(innerLine[0].toDouble(), a.x, 1e-6);
        EXPECT_NEAR(innerLine[1].toDouble(), a.y, 1e-6);
        EXPECT_NEAR(innerLine[2].toDouble(), b.x, 1e-6);
        EXPECT_NEAR(innerLine[3].toDouble(), b.y, 1e-6);
        const Point2 c = drawnAt(outer, inner, {5, 5});
        EXPECT_NEAR(circle[0].toDouble(), c.x, 1e-6);
        EXPECT_NEAR(circle[1].toDouble(), c.y, 1e-6);
        BlockTransform o{outer.origin.x, outer.origin.y, outer.scaleX, outer.scaleY, outer.rotation, true};
        const Point2 e = o.apply({0, 7});
        EXPECT_NEAR(outerLine[2].toDouble(), e.x, 1e-6);
        EXPECT_NEAR(outerLine[3].toDouble(), e.y, 1e-6);
    }
}

TEST(DxfExport, BrokenBlocksAreLeftOutAndSaidSo) {
    REQUIRE_EZDXF();
    Drawing d;
    d.header = NewDrawingHeader();
    korvel::DrawingBuilder b(d);
    TDataList self;
    self.name = "self";
    b.beginBlock(self);
    TDataSen l;
    l.end = {1, 1};
    b.add(l);
    TDataBlock again;
    again.blockNumber = 0;
    b.add(again);
    b.endBlock();
    // A ring of three, each block inserting the next: every one of its inserts closes the ring.
    for (uint32_t k = 1; k <= 3; ++k) {
        TDataList ring;
        ring.name = k == 2 ? "" : "ring" + std::to_string(k);  // the unnamed one is named by its number from 1
        b.beginBlock(ring);
        b.add(l);
        TDataBlock next;
        next.blockNumber = k % 3 + 1;
        b.add(next);
        b.endBlock();
    }
    TDataBlock use, missing, flat;
    b.add(use);
    missing.blockNumber = 7;
    b.add(missing);
    flat.scaleX = 0.0;
    b.add(flat);
    b.finish();
    std::vector<std::string> warnings;
    const QJsonObject p = probe(writeDxf(d, DxfVersion::R2000, test::scratchDir("dxf_broken") + "/b.dxf", &warnings));
    EXPECT_TRUE(p["errors"].toArray().isEmpty());
    EXPECT_EQ(countOf(p, "INSERT"), 2);
    for (const char* name : {"self", "ring1", "JW_BLOCK_3", "ring3"}) EXPECT_EQ(p["blocks"].toObject()[name].toInt(), 1) << name;
    const std::vector<std::string> want = {
        "1 block insert refers to a block that has no definition; left out of the DXF",
        "4 block inserts would make a block contain itself; left out of the DXF",
        "1 block scale of 0 was written as 1"};
    EXPECT_EQ(warnings, want);
}

TEST(DxfExport, PicturesBecomeImagesOfTheirFilesAndEmbeddedOnesTravelBeside) {
    REQUIRE_EZDXF();
    const std::string dir = test::scratchDir("dxf_pictures");
    const std::vector<uint8_t> png = test::makePng(4, 2, std::vector<uint32_t>(8, 0xFF00FF00u));
    test::writeFileBytes(dir + "/site.png", png);
    Drawing d;
    d.header = NewDrawingHeader();
    d.DrawingFolder = dir;
    korvel::DrawingBuilder b(d);
    d.embeddedPictures.push_back({"logo.png.gz", test::gzipped(png)});
    b.add(textRecord("^@BMsite.png,40,20", {10, 10}, {10, 10}));
    b.add(textRecord("^@BM%temp%logo.png,8", {60, 10}, {60, 10}));
    b.add(textRecord("^@BMgone.bmp,5", {0, 0}, {0, 0}));
    b.finish();
    std::vector<uint8_t> bytes;
    const DxfExportResult r = ExportDxf(d, RenderOptions{}, DxfVersion::R2013, "plan", bytes);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.companions.size(), 1u);
    EXPECT_EQ(r.companions[0].name, "plan-logo.png");
    EXPECT_EQ(r.companions[0].bytes, png);  // unpacked, as a file of its own
    EXPECT_EQ(r.warnings, std::vector<std::string>{"picture gone.bmp was not found; the DXF names it without its size in pixels"});
    {
        // Everything but the picture's folder, which is the test's own.
        std::string text(bytes.begin(), bytes.end());
        for (size_t at; (at = text.find(dir)) != std::string::npos;) text.replace(at, dir.size(), "FOLDER");
        expectReference("pictures_2013.dxf", std::vector<uint8_t>(text.begin(), text.end()));
    }
    test::writeFileBytes(dir + "/plan.dxf", bytes);
    const QJsonObject p = probe(dir + "/plan.dxf");
    EXPECT_TRUE(p["errors"].toArray().isEmpty());
    EXPECT_TRUE(p["fixes"].toArray().isEmpty());
    EXPECT_EQ(countOf(p, "IMAGE"), 3);
    const QJsonArray images = p["images"].toArray();
    ASSERT_EQ(images.size(), 3);
    EXPECT_EQ(images[0].toString().toStdString(), dir + "/site.png");
    EXPECT_EQ(images[1].toString().toStdString(), "plan-logo.png");
    EXPECT_EQ(images[2].toString().toStdString(), "gone.bmp");
    // What readers take from each IMAGE besides its place: shown, unclipped to its own border,
    // at the neutral brightness, contrast and fade; the first one's pixels and their size.
    std::vector<std::vector<std::pair<int, std::string>>> imageGroups;
    std::vector<std::string> loadedFlags;  // group 280 of each IMAGEDEF: could its file be read
    std::map<int, std::string> pictureDictionary;  // the dictionary that names the pictures
    std::map<int, std::string> dictionary;
    const std::string text(bytes.begin(), bytes.end());
    bool inImage = false, inDefinition = false, inDictionary = false;
    for (size_t at = 0;;) {
        const size_t codeEnd = text.find("\r\n", at);
        const size_t valueEnd = codeEnd == std::string::npos ? std::string::npos : text.find("\r\n", codeEnd + 2);
        if (valueEnd == std::string::npos) break;
        const int code = std::stoi(text.substr(at, codeEnd - at));
        const std::string value = text.substr(codeEnd + 2, valueEnd - codeEnd - 2);
        at = valueEnd + 2;
        if (code == 0) {
            if (inDictionary && dictionary[3] == "JW_PICTURE_1") pictureDictionary = dictionary;
            dictionary.clear();
            inDictionary = value == "DICTIONARY";
            inImage = value == "IMAGE";
            inDefinition = value == "IMAGEDEF";
            if (inImage) imageGroups.emplace_back();
        } else if (inImage) {
            imageGroups.back().push_back({code, value});
        } else if (inDefinition && code == 280) {
            loadedFlags.push_back(value);
        } else if (inDictionary && !dictionary.count(code)) {
            dictionary[code] = value;
        }
    }
    ASSERT_EQ(imageGroups.size(), 3u);
    EXPECT_EQ(loadedFlags, (std::vector<std::string>{"1", "1", "0"}));
    // Its entries are kept whatever a reader's cloning does (281 = 1), as AutoCAD writes it.
    EXPECT_EQ(pictureDictionary[281], "1");
    EXPECT_EQ(pictureDictionary.count(1), 0u);
    std::map<int, std::vector<std::string>> first;
    for (const auto& [code, value] : imageGroups[0]) first[code].push_back(value);
    for (const auto& image : imageGroups) {
        std::map<int, std::string> g;
        for (const auto& [code, value] : image) g[code] = value;
        EXPECT_EQ((std::vector<std::string>{g[70], g[280], g[281], g[282], g[283], g[71], g[91]}),
                  (std::vector<std::string>{"7", "0", "50", "50", "0", "1", "2"}));
    }
    EXPECT_EQ(first[13], std::vector<std::string>{"4"});
    EXPECT_EQ(first[23], std::vector<std::string>{"2"});
    EXPECT_EQ(first[11], std::vector<std::string>{"10"});
    EXPECT_EQ(first[12], std::vector<std::string>{"0"});
    EXPECT_EQ(first[22], std::vector<std::string>{"10"});
    EXPECT_EQ(first[14], (std::vector<std::string>{"-0.5", "3.5"}));
    EXPECT_EQ(first[24], (std::vector<std::string>{"-0.5", "1.5"}));
    // The first picture spans 40 by 20 mm from its start point.
    const QJsonArray box = p["box"].toArray();
    EXPECT_NEAR(box[2].toDouble(), 68.0, 1e-9);  // the logo: 8 mm square from x = 60
    EXPECT_NEAR(box[3].toDouble(), 30.0, 1e-9);
}

// Damaged and unusual records: nothing may crash, the file stays clean for the auditor, and
// what cannot go in is counted in the warnings.
TEST(DxfExport, HostileRecordsLeaveACleanFile) {
    REQUIRE_EZDXF();
    Drawing d;
    d.header = NewDrawingHeader();
    d.header.Version = 600;
    korvel::DrawingBuilder b(d);
    const double inf = std::numeric_limits<double>::infinity();
    TDataSen far;
    far.end = {1e300, 0};
    far.layerGroup = 99;  // beyond the table: layer "0"
    b.add(far);
    TDataSen odd;
    odd.end = {5, 5};
    odd.penStyle = 255;
    odd.penColor = 400;
    odd.layerGroup = 99;
    b.add(odd);
    TDataEnko c;
    c.center = {1, 1};
    c.radius = -3;       // the other way round
    c.flatness = 2.5;    // taller than wide
    c.tiltAngle = 0.4;
    c.startAngle = -1.0;
    c.arcAngle = -7.0;   // more than a turn, backwards
    b.add(c);
    c.flatness = -0.5;
    b.add(c);
    c.radius = inf;
    b.add(c);
    TDataTen p;
    p.penStyle = 100;
    p.code = static_cast<uint32_t>(-3);  // drawn as a dot
    b.add(p);
    p.code = 7;
    p.scale = 0.0;  // a symbol of no size: a point
    b.add(p);
    TDataMoji t = textRecord("", {0, 0}, {0, 0});
    t.text = std::string("\x01\x82\xFF^", 4) + std::string(300, 'a');  // control, broken, long
    b.add(t);
    t.text = Utf8ToCp932(std::string(200, 'x') + "縦");
    t.flags = 0x20;
    t.sizeY = 0.0;
    b.add(t);
    TDataSolid s;
    s.penStyle = 101;
    s.corner2 = {5, 1};
    s.corner4 = {1.0, 42.0};  // no such shape
    b.add(s);
    s.penStyle = 106;          // a ring
    s.corner4 = {7.0, 2.0};
    b.add(s);
    TDataSunpou dim;            // a dimension of no length: its line and text
    dim.text = textRecord("0", {0, 0}, {1, 0});
    b.add(dim);
    dim.text.end = {1e300, 0};  // its text's end alone out of reach
    b.add(dim);
    TDataBlock insert;          // one sound insert, and two that no reader could place
    insert.scaleX = insert.scaleY = 1.0;
    b.add(insert);
    insert.scaleY = std::nan("");
    b.add(insert);
    insert.scaleY = 1.0;
    insert.rotation = inf;
    b.add(insert);
    TDataList definition;
    definition.name = "b";
    b.beginBlock(definition);
    b.add(far);
    b.add(odd);
    b.endBlock();
    b.finish();
    for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R2013}) {
        std::vector<std::string> warnings;
        const std::string path = writeDxf(d, version, test::scratchDir("dxf_hostile") + "/h.dxf", &warnings);
        expectReference(version == DxfVersion::R2013 ? "hostile_2013.dxf" : "hostile_2000.dxf", test::readFileBytes(path));
        const QJsonObject p2 = probe(path);
        EXPECT_TRUE(p2["errors"].toArray().isEmpty()) << QJsonDocument(p2["errors"].toArray()).toJson().toStdString();
        EXPECT_TRUE(p2["fixes"].toArray().isEmpty()) << QJsonDocument(p2["fixes"].toArray()).toJson().toStdString();
        EXPECT_EQ(countOf(p2, "LINE"), 2);
        EXPECT_EQ(countOf(p2, "ELLIPSE"), 2);
        EXPECT_EQ(countOf(p2, "POINT"), 2);
        EXPECT_EQ(countOf(p2, "MTEXT"), 2);
        EXPECT_EQ(countOf(p2, "TEXT"), 1);
        EXPECT_EQ(countOf(p2, "HATCH"), 1);
        EXPECT_EQ(countOf(p2, "INSERT"), 1);
        const QJsonArray texts = p2["texts"].toArray();
        ASSERT_GE(texts.size(), 2);
        EXPECT_EQ(texts[0].toString().toStdString(), "\x01？？^" + std::string(300, 'a'));
        EXPECT_EQ(texts[1].toString().toStdString(), std::string(200, 'x') + "縦");
        // The far line, the circle of infinite radius, the dimension whose text ends far away, the
        // far line again as a member, and the two inserts.
        EXPECT_EQ(warnings, (std::vector<std::string>{
                                "6 records were left out of the DXF: coordinates or sizes not finite or beyond 10,000 km",
                                "1 arc solid has no known shape and, as in the picture, was left out",
                                "1 vertical text is written one character per line; brackets and dashes that Jw_cad "
                                "turns along the column stay upright",
                                "4 characters that are not CP932 written as \xEF\xBC\x9F"}));
    }
}

// An arc solid with any corner not a number is left out and counted, whichever corner it is.
TEST(DxfExport, ArcSolidsWithAnyCornerNotANumberAreLeftOut) {
    Drawing d;
    korvel::DrawingBuilder b(d);
    TDataSolid sound;
    sound.penStyle = 101;
    sound.corner1 = {10, 10};
    sound.corner2 = {5, 1};
    sound.corner4 = {1.0, 100.0};
    b.add(sound);
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    for (int field = 0; field < 4; ++field) {
        TDataSolid bad = sound;
        (field == 0 ? bad.corner3.x : field == 1 ? bad.corner3.y : field == 2 ? bad.corner4.x : bad.corner2.y) =
            field == 1 ? inf : nan;
        b.add(bad);
    }
    b.finish();
    std::vector<uint8_t> bytes;
    const DxfExportResult r = ExportDxf(d, RenderOptions{}, DxfVersion::R2013, "", bytes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.warnings, std::vector<std::string>{
                              "4 records were left out of the DXF: coordinates or sizes not finite or beyond 10,000 km"});
    const std::string text(bytes.begin(), bytes.end());
    size_t hatches = 0;
    for (size_t at = text.find("\nHATCH\r\n"); at != std::string::npos; at = text.find("\nHATCH\r\n", at + 1)) ++hatches;
    for (size_t at = text.find("\nHATCH\n"); at != std::string::npos; at = text.find("\nHATCH\n", at + 1)) ++hatches;
    EXPECT_EQ(hatches, 1u);
}

// An arc solid a kilometre across keeps its size: its outline is sampled at a scale that keeps it
// within the renderer's reach.
TEST(DxfExport, AHugeArcSolidKeepsItsSize) {
    Drawing d;
    korvel::DrawingBuilder b(d);
    TDataSolid pie;
    pie.penStyle = 101;
    pie.corner2 = {1.0e6, 1};
    pie.corner4 = {1.0, 100.0};
    b.add(pie);
    b.finish();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ExportDxf(d, RenderOptions{}, DxfVersion::R2013, "", bytes).ok);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string code, value;
    bool inHatch = false;
    double farthest = 0.0;
    while (std::getline(in, code) && std::getline(in, value)) {
        if (std::stoi(code) == 0) inHatch = value.rfind("HATCH", 0) == 0;
        else if (inHatch && std::stoi(code) == 10) farthest = std::max(farthest, std::stod(value));
    }
    EXPECT_NEAR(farthest, 1.0e6, 1.0);
}

// Code 8 is two half circles side by side: each arc keeps the half the renderer draws.
TEST(DxfSymbols, HalfCirclesKeepTheirEnds) {
    const DxfSymbol s = SpecialPointSymbol(8);
    ASSERT_EQ(s.arcs.size(), 2u);
    const double r = s.arcs[0].radius;
    EXPECT_NEAR(r, 0.707, 1e-3);
    EXPECT_NEAR(s.arcs[0].center.x, -r, 1e-12);
    EXPECT_NEAR(s.arcs[1].center.x, r, 1e-12);
    for (const DxfSymbolArc& a : s.arcs) {
        EXPECT_FALSE(a.full);
        EXPECT_NEAR(a.center.y, 0.0, 1e-12);
    }
    EXPECT_NEAR(s.arcs[0].startDegrees, 0.0, 1e-9);
    EXPECT_NEAR(s.arcs[0].endDegrees, -180.0, 1e-9);
    EXPECT_NEAR(s.arcs[1].startDegrees, -180.0, 1e-9);
    EXPECT_NEAR(s.arcs[1].endDegrees, 0.0, 1e-9);
    const DxfSymbol circle = SpecialPointSymbol(3);
    ASSERT_EQ(circle.arcs.size(), 1u);
    EXPECT_TRUE(circle.arcs[0].full);
}

// Special points became symbols with version 3.00: from that version on they are written as
// inserts of a symbol block, before it as the plain points their records were then.
TEST(DxfSymbols, SpecialPointsAreSymbolsFromVersion300) {
    for (uint32_t version : {299u, 300u, 600u}) {
        Drawing d;
        d.header = NewDrawingHeader();
        d.header.Version = version;
        korvel::DrawingBuilder b(d);
        b.specialPoint(10, 10, 5, 2.0);
        b.finish();
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ExportDxf(d, RenderOptions{}, DxfVersion::R2013, "", bytes).ok) << version;
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(text.find("JW_POINT_5") != std::string::npos, version >= 300) << version;
    }
}

// --- the real drawings ---

std::vector<std::string> sampleFiles() {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(test::samplesDir()))
        if (e.path().extension() == ".jww") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The extents with every layer shown, without the view's margin.
Extents allLayerExtents(Drawing d) {
    d.AllLayers = true;
    d.extents = Extents{};
    ExtentsBuilder b(d);
    for (const RecordRef& ref : d.top.sequence) b.AddRecord(d.top, ref);
    std::vector<std::string> warnings;
    b.ExpandBlockInserts(warnings);
    return d.extents;
}

TEST(DxfExport, EverySampleReadsBackWholeInBothFlavours) {
    KORVEL_REQUIRE_SAMPLES();
    REQUIRE_EZDXF();
    for (const std::string& file : sampleFiles()) {
        Drawing d;
        ASSERT_TRUE(LoadFile(d, file).ok) << file;
        std::multiset<std::string> texts;
        for (const TDataMoji& t : d.top.texts)
            if (!IsJwcadSettingsText(t)) texts.insert(Cp932ToUtf8(t.text));
        for (const TDataMoji& t : d.members.texts)
            if (!IsJwcadSettingsText(t)) texts.insert(Cp932ToUtf8(t.text));
        const Extents e = allLayerExtents(d);
        for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R2013}) {
            SCOPED_TRACE(file + (version == DxfVersion::R2013 ? " 2013" : " 2000"));
            const QJsonObject p = probe(writeDxf(d, version, test::scratchDir("dxf_samples") + "/s.dxf"));
            EXPECT_TRUE(p["errors"].toArray().isEmpty());
            EXPECT_TRUE(p["fixes"].toArray().isEmpty());
            EXPECT_EQ(countOf(p, "LINE"), static_cast<int>(d.LineCount()));
            EXPECT_EQ(countOf(p, "CIRCLE") + countOf(p, "ARC") + countOf(p, "ELLIPSE"),
                      static_cast<int>(d.CircleCount()));
            EXPECT_EQ(countOf(p, "TEXT") + countOf(p, "MTEXT"),
                      static_cast<int>(std::count_if(d.top.texts.begin(), d.top.texts.end(),
                                                     [](const TDataMoji& t) { return !IsJwcadSettingsText(t); })));
            EXPECT_EQ(countOf(p, "POINT"), static_cast<int>(d.PointCount()));
            EXPECT_EQ(countOf(p, "SOLID") + countOf(p, "HATCH"), static_cast<int>(d.SolidCount()));
            EXPECT_EQ(countOf(p, "INSERT"), static_cast<int>(d.BlockInsertCount()));
            const QJsonObject blocks = p["blocks"].toObject();
            EXPECT_EQ(blocks.size(), static_cast<int>(d.BlockDefinitionCount()));
            int members = 0;
            for (const auto& v : blocks) members += v.toInt();
            EXPECT_EQ(members, static_cast<int>(d.members.size()) -
                                   static_cast<int>(std::count_if(d.members.texts.begin(), d.members.texts.end(),
                                                                  [](const TDataMoji& t) { return IsJwcadSettingsText(t); })));
            std::multiset<std::string> got;
            for (const auto& t : p["texts"].toArray()) got.insert(t.toString().toStdString());
            EXPECT_EQ(got, texts);
            const QJsonArray box = p["box"].toArray();
            ASSERT_EQ(box.size(), 4);
            EXPECT_NEAR(box[0].toDouble(), e.MinX, 0.01);
            EXPECT_NEAR(box[1].toDouble(), e.MinY, 0.01);
            EXPECT_NEAR(box[2].toDouble(), e.MaxX, 0.01);
            EXPECT_NEAR(box[3].toDouble(), e.MaxY, 0.01);
        }
    }
}

TEST(DxfExport, LibreCadPrintsEverySampleOnAPage) {
    KORVEL_REQUIRE_SAMPLES();
    if (!haveTool("librecad") || !haveTool("xvfb-run") || !haveTool("pdftoppm"))
        GTEST_SKIP() << "librecad, xvfb-run or pdftoppm is not installed; DXF not printed";
    const std::string dir = test::scratchDir("dxf_librecad");
    std::string names;
    for (const std::string& file : sampleFiles()) {
        Drawing d;
        ASSERT_TRUE(LoadFile(d, file).ok);
        const std::string stem = std::filesystem::path(file).stem().string();
        writeDxf(d, DxfVersion::R2000, dir + "/" + stem + ".dxf");
        names += " '" + dir + "/" + stem + ".dxf'";
    }
    const std::string log = runTool("cd '" + dir + "' && xvfb-run -a librecad dxf2pdf -a -p 420x297 -t '" +
                                    dir + "'" + names);
    for (const std::string& file : sampleFiles()) {
        const std::string stem = std::filesystem::path(file).stem().string();
        SCOPED_TRACE(stem);
        const std::string pdf = dir + "/" + stem + ".pdf";
        ASSERT_TRUE(std::filesystem::exists(pdf)) << log;
        // A grey page at 10 dots per inch: any pixel darker than paper is something drawn.
        runTool("pdftoppm -r 10 -gray -singlefile '" + pdf + "' '" + dir + "/" + stem + "'");
        const std::vector<uint8_t> pgm = test::readFileBytes(dir + "/" + stem + ".pgm");
        int width = 0, height = 0, depth = 0, header = 0;
        ASSERT_EQ(std::sscanf(reinterpret_cast<const char*>(pgm.data()), "P5 %d %d %d%n", &width, &height,
                              &depth, &header), 3);
        ASSERT_EQ(pgm.size(), static_cast<size_t>(header + 1 + width * height));
        size_t inked = 0;
        for (size_t i = header + 1; i < pgm.size(); ++i) inked += pgm[i] < 200;
        EXPECT_GT(inked, 20u);
    }
}

}  // namespace
}  // namespace korvel
