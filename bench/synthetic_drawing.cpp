#include "synthetic_drawing.h"

#include <cmath>
#include <random>

#include "drawing/cp932.h"
#include "drawing/drawing_builder.h"
#include "drawing/loaders.h"

namespace korvel::bench {

Drawing SyntheticDrawing(const SyntheticSize& size) {
    Drawing d;
    d.header = NewDrawingHeader();
    DrawingBuilder b(d);
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> x(0.0, 1000.0), y(0.0, 700.0), len(-20.0, 20.0);
    std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
    const std::string words[] = {Utf8ToCp932("平面図の壁と窓"), Utf8ToCp932("Room 101 A"), Utf8ToCp932("寸法１２３４５")};
    const size_t total = size.lines + size.arcs + size.texts;
    size_t lines = 0, arcs = 0, texts = 0;
    for (size_t i = 0; i < total; ++i) {
        // Interleave the kinds in proportion, as a real drawing mixes them.
        const double done = static_cast<double>(i) / static_cast<double>(total);
        if (arcs < size.arcs && arcs < done * size.arcs) {
            TDataEnko c;
            c.center = {x(random), y(random)};
            c.radius = 1.0 + std::fabs(len(random));
            c.startAngle = angle(random);
            c.arcAngle = angle(random);
            c.penColor = static_cast<uint16_t>(1 + arcs % 9);
            c.penStyle = static_cast<uint8_t>(1 + arcs % 4);
            b.add(c);
            ++arcs;
        } else if (texts < size.texts && texts < done * size.texts) {
            TDataMoji t;
            t.start = {x(random), y(random)};
            t.sizeX = t.sizeY = 3.0;
            t.spacing = 0.3;
            t.text = words[texts % 3];
            t.fontName = Utf8ToCp932("ＭＳ ゴシック");
            t.end = {t.start.x + 33.0, t.start.y};
            t.penColor = 2;
            t.textType = 3;
            b.add(t);
            ++texts;
        } else if (lines < size.lines) {
            TDataSen s;
            s.start = {x(random), y(random)};
            s.end = {s.start.x + len(random), s.start.y + len(random)};
            s.penColor = static_cast<uint16_t>(1 + lines % 9);
            s.penStyle = static_cast<uint8_t>(1 + lines % 9);
            b.add(s);
            ++lines;
        }
    }
    b.finish();
    return d;
}

std::vector<uint8_t> SyntheticJww(const SyntheticSize& size) {
    Drawing d = SyntheticDrawing(size);
    SaveResult result;
    return SaveJwwBytes(d, 351, result);
}

}  // namespace korvel::bench
