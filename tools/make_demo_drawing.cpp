// Builds the bundled demo drawing through the library's own writer: every line type and colour,
// curves, points and special points, texts (Japanese too), dimensions, solids, blocks with nested
// inserts, hidden and greyed layers. Usage: make_demo_drawing OUT.jww
#include <cmath>
#include <cstdio>
#include <string>

#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"

using namespace korvel;

namespace {

constexpr double kPi = 3.14159265358979323846;

TDataSen line(double x1, double y1, double x2, double y2, int color = 2, int style = 1) {
    TDataSen s;
    s.start = {x1, y1};
    s.end = {x2, y2};
    s.penColor = static_cast<uint16_t>(color);
    s.penStyle = static_cast<uint8_t>(style);
    return s;
}

TDataEnko arc(double x, double y, double r, double start, double sweep, int color = 2, double flat = 1.0,
              double tilt = 0.0) {
    TDataEnko c;
    c.center = {x, y};
    c.radius = r;
    c.startAngle = start;
    c.arcAngle = sweep;
    c.flatness = flat;
    c.tiltAngle = tilt;
    c.fullCircle = std::fabs(sweep) >= 2 * kPi - 1e-9 ? 1 : 0;
    c.penColor = static_cast<uint16_t>(color);
    return c;
}

TDataMoji text(double x, double y, const std::string& utf8, double size, int color = 2, double angle = 0.0,
               uint32_t type = 3) {
    TDataMoji t;
    t.start = {x, y};
    t.text = Utf8ToCp932(utf8);
    t.fontName = Utf8ToCp932("ＭＳ ゴシック");
    t.sizeX = size;
    t.sizeY = size;
    t.spacing = size * 0.1;
    t.angle = angle;
    t.textType = type;
    t.penColor = static_cast<uint16_t>(color);
    // The end of the text line: as many full-width cells as the string holds characters.
    const double length = Cp932ToUtf32(t.text).size() * (size + t.spacing);
    t.end = {x + length * std::cos(angle * kPi / 180), y + length * std::sin(angle * kPi / 180)};
    return t;
}

TDataTen point(double x, double y, int color, int code = -3, double angle = 0.0) {
    TDataTen p;
    p.point = {x, y};
    p.penColor = static_cast<uint16_t>(color);
    if (code != -3) {
        p.penStyle = 100;
        p.code = static_cast<uint32_t>(code);
        p.angle = angle;
        p.scale = 1.0;
    }
    return p;
}

void build(Drawing& d) {
    d.header = NewDrawingHeader();
    d.header.Memo = Utf8ToCp932("Korvel デモ図面\r\n線種・円弧・文字・寸法・ソリッド・ブロック");
    d.header.LayerGroupName[0] = Utf8ToCp932("平面図");
    d.header.LayerName[0][0] = Utf8ToCp932("線種");
    d.header.LayerName[0][1] = Utf8ToCp932("曲線");
    d.header.LayerName[0][2] = Utf8ToCp932("文字");
    d.header.LayerName[0][3] = Utf8ToCp932("非表示");
    d.header.LayerName[0][4] = Utf8ToCp932("表示のみ");
    d.header.LayerState[0][3] = 0;  // hidden
    d.header.LayerState[0][4] = 1;  // shown greyed
    DrawingBuilder b(d);

    // Line types 1-9, random lines 11-15 and double-length types 16-19, one colour each.
    int row = 0;
    for (int style : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19}) {
        const double y = 180 - row * 6;
        b.add(line(0, y, 90, y, 1 + row % 9, style));
        b.add(text(92, y - 1.5, "線種 " + std::to_string(style), 2.5, 2));
        ++row;
    }
    // Curves on layer 1: circles, arcs, an ellipse, a tilted elliptic arc.
    auto onLayer = [](auto r, int layer) {
        r.layer = static_cast<uint16_t>(layer);
        return r;
    };
    b.add(onLayer(arc(140, 160, 15, 0, 2 * kPi, 2), 1));
    b.add(onLayer(arc(140, 160, 10, kPi / 4, kPi, 6), 1));
    b.add(onLayer(arc(180, 160, 15, 0, 2 * kPi, 3, 0.5), 1));
    b.add(onLayer(arc(180, 160, 15, 0, 3 * kPi / 2, 5, 0.5, kPi / 6), 1));
    TDataEnko dashedCircle = arc(220, 160, 12, 0, 2 * kPi, 4);
    dashedCircle.penStyle = 3;
    b.add(onLayer(dashedCircle, 1));

    // Points: ordinary and every special symbol code.
    int k = 0;
    for (int code : {-7, -6, -5, -4, -3, -2, -1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        b.add(point(130 + (k % 9) * 10, 125 - (k / 9) * 10, 1 + k % 9, code, k * kPi / 18));
        ++k;
    }
    b.add(point(230, 125, 2));

    // Texts on layer 2: Japanese, rotated, vertical, bold and italic, codes.
    b.add(onLayer(text(0, 60, "Ｊｗ＿ｃａｄ 図面を Korvel で表示", 5, 2), 2));
    b.add(onLayer(text(0, 50, "平面図 １／１００ ①②③ ㎡", 4, 5, 0, 20003), 2));
    b.add(onLayer(text(40, -45, "回転した文字 30°", 4, 6, 30, 10003), 2));
    TDataMoji vertical = text(120, 70, "縦書きの文字（例）", 4, 3, 270);
    vertical.flags = 0x20;
    b.add(onLayer(vertical, 2));
    b.add(onLayer(text(0, 30, "^$6赤^$2黒 X^uY 日付 %y/%m/%d", 3.5, 2), 2));

    // Dimensions: a horizontal and a vertical one.
    TDataSunpou dim;
    dim.line = line(0, 10, 80, 10, 1);
    dim.text = text(35, 11, "80", 3, 1);
    dim.penColor = 1;
    b.add(dim);
    TDataSunpou vdim;
    vdim.line = line(90, 0, 90, 50, 1);
    vdim.text = text(89, 20, "50", 3, 1, 90);
    vdim.penColor = 1;
    b.add(vdim);

    // Solids: quadrilaterals by pen colour and by own colour, a circle solid and an arc solid.
    TDataSolid quad;
    quad.penColor = 3;
    quad.corner1 = {150, 10};
    quad.corner2 = {180, 10};
    quad.corner3 = {180, 30};
    quad.corner4 = {150, 30};
    b.add(quad);
    TDataSolid own = quad;
    own.penColor = 10;
    own.color = 0x40A0FF;  // orange, 0x00BBGGRR
    own.corner1 = {185, 10};
    own.corner2 = {215, 10};
    own.corner3 = {200, 35};
    own.corner4 = {185, 25};
    b.add(own);
    TDataSolid disc;
    disc.penStyle = 101;
    disc.penColor = 5;
    disc.corner1 = {235, 20};
    disc.corner2 = {10, 1};          // radius, flatness
    disc.corner3 = {0, 0};           // tilt, start angle
    disc.corner4 = {2 * kPi, 100};   // sweep, whole circle
    b.add(disc);
    TDataSolid fan = disc;
    fan.penColor = 6;
    fan.corner1 = {260, 20};
    fan.corner3 = {0, kPi / 6};
    fan.corner4 = {kPi, 5};          // a sector that includes its centre
    b.add(fan);

    // Hidden and greyed layers.
    b.add(onLayer(line(0, -10, 90, -10, 6), 3));  // never drawn
    b.add(onLayer(line(0, -15, 90, -15, 6), 4));  // drawn grey
    b.add(onLayer(text(0, -22, "表示のみレイヤ", 3, 6), 4));

    // Blocks: a window (block 0) inserted twice, a room (block 1) that nests the window.
    TDataBlock window;
    window.origin = {140, 60};
    window.blockNumber = 0;
    b.add(window);
    TDataBlock turned = window;
    turned.origin = {170, 60};
    turned.rotation = kPi / 6;
    turned.scaleX = 1.5;
    b.add(turned);
    TDataBlock room;
    room.origin = {200, 50};
    room.blockNumber = 1;
    b.add(room);

    TDataList windowDef;
    windowDef.name = Utf8ToCp932("窓");
    b.beginBlock(windowDef);
    b.add(line(0, 0, 20, 0, 2));
    b.add(line(20, 0, 20, 10, 2));
    b.add(line(20, 10, 0, 10, 2));
    b.add(line(0, 10, 0, 0, 2));
    b.add(arc(0, 0, 10, 0, kPi / 2, 3));
    TDataList roomDef;
    roomDef.name = Utf8ToCp932("部屋");
    b.beginBlock(roomDef);
    b.add(line(0, 0, 50, 0, 2));
    b.add(line(50, 0, 50, 40, 2));
    b.add(line(50, 40, 0, 40, 2));
    b.add(line(0, 40, 0, 0, 2));
    TDataBlock nested;
    nested.origin = {15, 40};
    nested.blockNumber = 0;
    b.add(nested);
    b.finish();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_drawing OUT.jww\n");
        return 2;
    }
    Drawing d;
    build(d);
    SaveResult saved;
    std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    std::string error;
    if (!WriteFileAtomically(argv[1], bytes, error)) {
        std::fprintf(stderr, "make_demo_drawing: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
