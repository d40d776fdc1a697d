// One-pixel lines written straight into the pixels land exactly where Qt puts them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/hairline_raster.h"

namespace korvel {
namespace {

struct Scene {
    int width = 64;
    int height = 48;
    QImage::Format format = QImage::Format_RGB32;
    int dx = 0;  // the painter's translation
    int dy = 0;
    std::vector<QRect> clip;  // device pixels; none: no clip
    bool regionClip = false;  // set as a region even when it is one rectangle
    int penWidth = 0;
    Qt::PenCapStyle cap = Qt::RoundCap;
};

const QRgb kInk = qRgb(0x12, 0x34, 0x56);

QImage blank(const Scene& s) {
    QImage image(s.width, s.height, s.format);
    image.fill(qRgb(255, 255, 255));
    return image;
}

QImage drawnByQt(const Scene& s, const std::vector<QLine>& lines) {
    QImage image = blank(s);
    QPainter p(&image);
    if (!s.clip.empty()) {
        if (s.clip.size() == 1 && !s.regionClip) {
            p.setClipRect(s.clip.front());
        } else {
            QRegion region;
            for (const QRect& r : s.clip) region += r;
            p.setClipRegion(region);
        }
    }
    p.translate(s.dx, s.dy);
    QPen pen{QColor(kInk)};
    pen.setWidth(s.penWidth);
    pen.setCapStyle(s.cap);
    p.setPen(pen);
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    return image;
}

QImage drawnByQt(const Scene& s, const std::vector<QPoint>& polyline) {
    QImage image = blank(s);
    QPainter p(&image);
    p.translate(s.dx, s.dy);
    QPen pen{QColor(kInk)};
    pen.setWidth(s.penWidth);
    pen.setCapStyle(s.cap);
    p.setPen(pen);
    p.drawPolyline(polyline.data(), static_cast<int>(polyline.size()));
    return image;
}

HairlineRaster rasterOn(QImage& image, const Scene& s) {
    HairlineRaster raster(reinterpret_cast<uint32_t*>(image.bits()), s.width, s.height, image.bytesPerLine() / 4);
    raster.setOrigin(s.dx, s.dy);
    raster.setPixel(kInk | 0xFF000000u);
    raster.setCaps(s.cap != Qt::FlatCap);
    return raster;
}

QImage drawnDirectly(const Scene& s, const std::vector<QPoint>& polyline) {
    QImage image = blank(s);
    std::vector<DevicePoint> points;
    for (const QPoint& p : polyline) points.push_back({p.x(), p.y()});
    rasterOn(image, s).polyline(points.data(), points.size());
    return image;
}

QImage drawnDirectly(const Scene& s, const std::vector<QLine>& lines) {
    QImage image = blank(s);
    HairlineRaster raster = rasterOn(image, s);
    if (!s.clip.empty()) {
        // Qt keeps a region's own rectangles: overlapping ones come apart into bands.
        QRegion region;
        for (const QRect& r : s.clip) region += r;
        std::vector<PixelRect> rects;
        for (const QRect& r : region) rects.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
        raster.setClip(rects);
    }
    raster.startBatch();
    for (const QLine& l : lines) raster.line(l.x1(), l.y1(), l.x2(), l.y2());
    return image;
}

std::string describe(const Scene& s, const QLine& l) {
    std::ostringstream out;
    out << "line (" << l.x1() << "," << l.y1() << ")-(" << l.x2() << "," << l.y2() << ") in " << s.width << "x"
        << s.height << " format " << int(s.format) << " moved by " << s.dx << "," << s.dy << " pen " << s.penWidth
        << " cap " << int(s.cap) << " clip";
    for (const QRect& r : s.clip) out << " [" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << "]";
    if (s.regionClip) out << " as region";
    return out.str();
}

// Empty when both draw the same pixels; otherwise the first line that draws differently, and
// the line before it in the batch when only the two together differ.
std::string firstDifference(const Scene& s, const std::vector<QLine>& lines) {
    if (drawnByQt(s, lines) == drawnDirectly(s, lines)) return {};
    for (size_t n = 1; n <= lines.size(); ++n) {
        const std::vector<QLine> prefix(lines.begin(), lines.begin() + n);
        if (drawnByQt(s, prefix) == drawnDirectly(s, prefix)) continue;
        const QLine& l = lines[n - 1];
        if (drawnByQt(s, {l}) != drawnDirectly(s, {l}) || n == 1) return describe(s, l);
        return describe(s, l) + " after " + describe(s, lines[n - 2]);
    }
    return "the lines differ only together";
}

// The pixels of a small image that are not white, as "x,y" in rows.
std::string inked(const QImage& image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                out += (out.empty() ? "" : " ") + std::to_string(x) + "," + std::to_string(y);
    return out;
}

TEST(HairlineRaster, SmallLinesEndWhereQtEndsThem) {
    Scene s;
    s.width = 8;
    s.height = 8;
    const std::vector<QLine> cases = {
        {1, 1, 4, 1},  // round ends reach the last pixel
        {4, 1, 1, 1},  // drawn backwards: the same pixels, even without caps
        {2, 2, 2, 2},  // zero length: one pixel
        {0, 0, 3, 3},  // diagonal
        {1, 5, 2, 7},  // steep
    };
    const std::vector<std::string> round = {"1,1 2,1 3,1 4,1", "1,1 2,1 3,1 4,1", "2,2", "0,0 1,1 2,2 3,3",
                                            "1,5 1,6 2,7"};
    const std::vector<std::string> flat = {"1,1 2,1 3,1", "1,1 2,1 3,1", "2,2", "0,0 1,1 2,2", "1,5 1,6"};
    for (size_t i = 0; i < cases.size(); ++i) {
        s.cap = Qt::RoundCap;
        EXPECT_EQ(inked(drawnByQt(s, {cases[i]})), round[i]) << describe(s, cases[i]);
        EXPECT_EQ(inked(drawnDirectly(s, {cases[i]})), round[i]) << describe(s, cases[i]);
        s.cap = Qt::FlatCap;
        EXPECT_EQ(inked(drawnByQt(s, {cases[i]})), flat[i]) << describe(s, cases[i]);
        EXPECT_EQ(inked(drawnDirectly(s, {cases[i]})), flat[i]) << describe(s, cases[i]);
    }
}

TEST(HairlineRaster, FlatLineTurningBackGetsAStartCapInItsBatch) {
    Scene s;
    s.width = 12;
    s.height = 4;
    s.cap = Qt::FlatCap;
    const QLine there(0, 1, 10, 1), back(10, 2, 0, 2);
    const std::string alone = "0,2 1,2 2,2 3,2 4,2 5,2 6,2 7,2 8,2 9,2";  // not its start (10,2)
    const std::string after = "0,1 1,1 2,1 3,1 4,1 5,1 6,1 7,1 8,1 9,1 0,2 1,2 2,2 3,2 4,2 5,2 6,2 7,2 8,2 9,2 10,2";
    EXPECT_EQ(inked(drawnByQt(s, {back})), alone);
    EXPECT_EQ(inked(drawnDirectly(s, {back})), alone);
    EXPECT_EQ(inked(drawnByQt(s, {there, back})), after);
    EXPECT_EQ(inked(drawnDirectly(s, {there, back})), after);
}

TEST(HairlineRaster, ClipsAndTranslationsKeepQtsPixels) {
    Scene s;
    s.width = 10;
    s.height = 10;
    const std::vector<QLine> across = {{-20, 3, 30, 7}, {4, -30, 6, 40}, {-1, -1, 10, 10}, {9, 0, 0, 9}};
    // Lines cut by a clip rectangle, by a region of two rectangles and by an empty clip.
    for (const std::vector<QRect>& clip : std::vector<std::vector<QRect>>{
             {QRect(2, 2, 5, 5)}, {QRect(0, 0, 10, 3), QRect(6, 3, 4, 7)}, {QRect(3, 3, 0, 0)}}) {
        s.clip = clip;
        EXPECT_EQ(firstDifference(s, across), "");
    }
    s.clip.clear();
    s.dx = -7;
    s.dy = 4;
    EXPECT_EQ(firstDifference(s, across), "");
    EXPECT_EQ(inked(drawnDirectly(s, {{9, 1, 9, 1}})), "2,5");  // a dot moves too
}

TEST(HairlineRaster, HugeCoordinatesAreCutInFloatingPointLikeQt) {
    Scene s;
    s.width = 100;
    s.height = 80;
    const int big = 1 << 28;
    const std::vector<QLine> lines = {{-big, -big, big, big},   {-big, 40, big, 41},     {50, -big, 51, big},
                                      {-big, big, big, -big + 7}, {big, 3, -big, 77},     {-big, -big, -big, big},
                                      {-3000000, 17, 2999999, 62}, {33, 1999999, 34, -2000000}};
    EXPECT_EQ(firstDifference(s, lines), "");
    s.dx = big;  // the translation takes them back and forth
    s.dy = -big;
    const std::vector<QLine> moved = {{-big, big, -big + 99, big + 79}, {-2 * big + 5, big + 3, 7, big + 70}};
    EXPECT_EQ(firstDifference(s, moved), "");
}

// An end point: inside, on or next to an edge, a little outside or far outside.
int coordinate(std::mt19937& random, int size) {
    switch (random() % 5) {
        case 0: return int(random() % size);
        case 1: {
            const int edges[] = {-2, -1, 0, 1, size - 2, size - 1, size, size + 1, size + 2};
            return edges[random() % 9];
        }
        case 2: return int(random() % (size + 200)) - 100;
        case 3: return int(random() % 20001) - 10000;
        default: return int(random() % 6001) - 3000 + size / 2;
    }
}

QLine randomLine(std::mt19937& random, int width, int height) {
    const int x1 = coordinate(random, width), y1 = coordinate(random, height);
    switch (random() % 4) {
        case 0: return QLine(x1, y1, coordinate(random, width), coordinate(random, height));
        case 1: {  // short pieces, as dashes are
            const int reach = 1 + int(random() % 6);
            return QLine(x1, y1, x1 + int(random() % (2 * reach + 1)) - reach,
                         y1 + int(random() % (2 * reach + 1)) - reach);
        }
        case 2: {  // axis-aligned and diagonal pieces up to 3000 long
            const int length = int(random() % 3001);
            const int kind = int(random() % 6);
            const int sx = kind == 1 ? 0 : (kind % 2 ? -1 : 1), sy = kind == 0 ? 0 : (kind > 3 ? -1 : 1);
            return QLine(x1, y1, x1 + sx * length, y1 + sy * length);
        }
        default: {  // any direction, length up to 3000
            const int length = int(random() % 3001);
            const double angle = (random() % 100000) * (6.283185307179586 / 100000);
            return QLine(x1, y1, x1 + int(std::lround(length * std::cos(angle))),
                         y1 + int(std::lround(length * std::sin(angle))));
        }
    }
}

TEST(HairlineRaster, SeededRandomLinesMatchQtPixelForPixel) {
    std::mt19937 random(20261209);
    const QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_ARGB32,
                                      QImage::Format_ARGB32_Premultiplied};
    int lineCount = 0;
    for (int scene = 0; scene < 60; ++scene) {
        Scene s;
        s.width = 1 + int(random() % (scene % 4 == 0 ? 8 : 400));
        s.height = 1 + int(random() % (scene % 4 == 1 ? 8 : 300));
        s.format = formats[scene % 3];
        s.penWidth = int(random() % 2);
        s.cap = random() % 4 == 0 ? Qt::FlatCap : (random() % 2 ? Qt::RoundCap : Qt::SquareCap);
        if (random() % 2) {
            s.dx = int(random() % 801) - 400;
            s.dy = int(random() % 801) - 400;
        }
        const auto clipRect = [&] {
            const int x = int(random() % (s.width + 20)) - 10, y = int(random() % (s.height + 20)) - 10;
            return QRect(x, y, int(random() % (s.width + 10)), int(random() % (s.height + 10)));
        };
        switch (random() % 4) {
            case 1: s.clip = {clipRect()}; break;
            case 2: s.clip = {clipRect()}; s.regionClip = true; break;
            case 3: s.clip = {clipRect(), clipRect(), clipRect()}; break;
            default: break;
        }
        std::vector<QLine> lines;
        for (int i = 0; i < 100; ++i) {
            QLine l = randomLine(random, s.width, s.height);
            lines.push_back(l.translated(-s.dx, -s.dy));
        }
        lineCount += int(lines.size());
        ASSERT_EQ(firstDifference(s, lines), "") << "scene " << scene;
    }
    EXPECT_EQ(lineCount, 6000);
}

TEST(HairlineRaster, PolylinesJoinWithoutRepeatsOrGapsAsQtJoinsThem) {
    Scene s;
    s.width = 8;
    s.height = 8;
    // A corner: the join's pixel once; a closed square: no caps, each corner once.
    const std::vector<QPoint> corner = {{1, 1}, {5, 1}, {5, 5}};
    const std::vector<QPoint> square = {{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}};
    EXPECT_EQ(inked(drawnByQt(s, corner)), "1,1 2,1 3,1 4,1 5,1 5,2 5,3 5,4 5,5");
    EXPECT_EQ(inked(drawnDirectly(s, corner)), "1,1 2,1 3,1 4,1 5,1 5,2 5,3 5,4 5,5");
    EXPECT_EQ(inked(drawnByQt(s, square)), inked(drawnDirectly(s, square)));
    EXPECT_EQ(inked(drawnDirectly(s, square)), "1,1 2,1 3,1 4,1 1,2 4,2 1,3 4,3 1,4 2,4 3,4 4,4");
}

TEST(HairlineRaster, SeededRandomPolylinesMatchQtPixelForPixel) {
    std::mt19937 random(7031);
    for (int trial = 0; trial < 3000; ++trial) {
        Scene s;
        s.width = 1 + int(random() % (trial % 5 == 0 ? 6 : 160));
        s.height = 1 + int(random() % (trial % 5 == 1 ? 6 : 120));
        s.penWidth = int(random() % 2);
        s.cap = random() % 3 == 0 ? Qt::FlatCap : Qt::RoundCap;
        if (random() % 2) {
            s.dx = int(random() % 201) - 100;
            s.dy = int(random() % 201) - 100;
        }
        std::vector<QPoint> points;
        const int count = 3 + int(random() % 14);
        QPoint p(coordinate(random, s.width), coordinate(random, s.height));
        const int kind = int(random() % 3);
        const int reach = 1 + int(random() % (kind == 0 ? 4 : kind == 1 ? 40 : 3000));
        for (int i = 0; i < count; ++i) {
            points.push_back(p - QPoint(s.dx, s.dy));
            const int step = int(random() % 8);  // now and then a repeated point or a straight run
            if (step == 0) continue;
            p += QPoint(int(random() % (2 * reach + 1)) - reach, int(random() % (2 * reach + 1)) - reach);
        }
        if (random() % 3 == 0) points.back() = points.front();  // closed
        const QImage qts = drawnByQt(s, points), ours = drawnDirectly(s, points);
        if (qts == ours) continue;
        std::ostringstream out;
        for (const QPoint& q : points) out << " (" << q.x() << "," << q.y() << ")";
        FAIL() << "polyline" << out.str() << " " << describe(s, QLine()) << "\nQt: " << inked(qts)
               << "\nours: " << inked(ours);
    }
}

}  // namespace
}  // namespace korvel
