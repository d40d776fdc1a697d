#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <thread>
#include <vector>

#include "platform/qt_text.h"

namespace korvel {
namespace {

// The ink of a drawing: the smallest rectangle holding every pixel that is not white.
QRect inkOf(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ink |= QRect(x, y, 1, 1);
    return ink;
}

struct QtText : ::testing::Test {
    QImage image{200, 200, QImage::Format_RGB32};

    QRect draw(const FontSpec& font, const std::u32string& text, int x = 100, int y = 100) {
        image.fill(Qt::white);
        QPainter p(&image);
        QtDrawText(p, font, 0x000000, x, y, text, nullptr);
        p.end();
        return inkOf(image);
    }
    static FontSpec gothic(int height, int width, int escapement = 0) {
        FontSpec f;
        f.face = "ＭＳ ゴシック";
        f.height = height;
        f.width = width;
        f.escapement = f.orientation = escapement;
        return f;
    }
};

TEST_F(QtText, WindowsFacesMapToTheIpaFonts) {
    EXPECT_EQ(MapFaceName("ＭＳ ゴシック"), "IPAGothic");
    EXPECT_EQ(MapFaceName("ＭＳゴシック"), "IPAGothic");
    EXPECT_EQ(MapFaceName("MS Gothic"), "IPAGothic");
    EXPECT_EQ(MapFaceName("ＭＳ Ｐゴシック"), "IPAPGothic");
    EXPECT_EQ(MapFaceName("MS PGothic"), "IPAPGothic");
    EXPECT_EQ(MapFaceName("ＭＳ 明朝"), "IPAMincho");
    EXPECT_EQ(MapFaceName("@ＭＳ 明朝"), "IPAMincho");
    EXPECT_EQ(MapFaceName("ＭＳ Ｐ明朝"), "IPAPMincho");
    EXPECT_EQ(MapFaceName("HG丸ｺﾞｼｯｸM-PRO"), "IPAGothic");
    EXPECT_EQ(MapFaceName(""), "IPAGothic");
    for (const char* family : {"IPAGothic", "IPAPGothic", "IPAMincho", "IPAPMincho"})
        EXPECT_TRUE(QFontDatabase::hasFamily(family)) << family << " is not installed";
}

TEST_F(QtText, FullWidthGlyphFillsItsCell) {
    const QRect ink = draw(gothic(40, 20), U"田");
    // The em square is the cell: 40 x 40 from the top-left (100, 100). The glyph's design
    // leaves about an eighth of the em free around "田".
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.left(), 107);
    EXPECT_GE(ink.top(), 100);
    EXPECT_LE(ink.top(), 107);
    EXPECT_LE(ink.right(), 140);
    EXPECT_GE(ink.right(), 132);
    EXPECT_LE(ink.bottom(), 140);
    EXPECT_GE(ink.bottom(), 132);
    EXPECT_NEAR(ink.center().x(), 120, 2);
    EXPECT_NEAR(ink.center().y(), 120, 3);
}

TEST_F(QtText, AverageWidthStretchesTheGlyph) {
    // A cell twice as wide as high: average width 40 for a height of 40.
    const QRect wide = draw(gothic(40, 40), U"田");
    EXPECT_NEAR(wide.width(), 2 * draw(gothic(40, 20), U"田").width(), 2);
    EXPECT_NEAR(wide.center().x(), 140, 3);
    EXPECT_LE(wide.right(), 180);
    EXPECT_LE(wide.bottom(), 140);
    // A half-width character fills half the cell width.
    const QRect half = draw(gothic(40, 20), U"H");
    EXPECT_LE(half.right(), 120);
    EXPECT_GE(half.width(), 10);
    EXPECT_GE(half.height(), 20);
    // Width 0 keeps the font's own proportion.
    EXPECT_EQ(draw(gothic(40, 0), U"田"), draw(gothic(40, 20), U"田"));
}

TEST_F(QtText, EscapementTurnsAboutTheCellsTopLeft) {
    // 90 degrees counter-clockwise: the cell's top edge turns to run upwards from the point, so
    // the cell covers x from 100 to 140 and y from 60 to 100.
    const QRect up = draw(gothic(40, 20, 900), U"田");
    EXPECT_GE(up.left(), 100);
    EXPECT_LE(up.right(), 141);
    EXPECT_GE(up.top(), 59);
    EXPECT_LE(up.bottom(), 100);
    EXPECT_GE(up.height(), 28);
    // 270: below and to the left.
    const QRect down = draw(gothic(40, 20, 2700), U"田");
    EXPECT_LE(down.right(), 100);
    EXPECT_GE(down.left(), 59);
    EXPECT_GE(down.top(), 100);
}

TEST_F(QtText, JapaneseGlyphsAreRealGlyphs) {
    // Distinct characters give distinct ink: no missing-glyph boxes.
    const QImage ta = (draw(gothic(40, 20), U"田"), image.copy());
    const QImage ki = (draw(gothic(40, 20), U"木"), image.copy());
    const QImage ka = (draw(gothic(40, 20), U"カ"), image.copy());
    EXPECT_NE(ta, ki);
    EXPECT_NE(ki, ka);
    EXPECT_FALSE(draw(gothic(40, 20), U"①").isEmpty());
}

TEST_F(QtText, OutlinesGoToThePath) {
    QPainterPath path;
    image.fill(Qt::white);
    {
        QPainter p(&image);
        QtDrawText(p, gothic(40, 20), 0, 100, 100, U"田", &path);
    }
    EXPECT_TRUE(inkOf(image).isEmpty());  // nothing drawn yet
    const QRectF box = path.boundingRect();
    EXPECT_GE(box.left(), 100.0);
    EXPECT_LE(box.right(), 140.0);
    EXPECT_GE(box.width(), 28.0);
}

TEST_F(QtText, TextLeavesThePaintersPenAndTransform) {
    QPainter p(&image);
    p.setPen(QPen(Qt::red, 5));
    p.setBrush(Qt::blue);
    p.translate(3, 4);
    QtDrawText(p, gothic(20, 10, 450), 0x00FF00, 10, 10, U"A", nullptr);
    FontSpec bold = gothic(20, 10, 450);
    bold.weight = 700;
    QtDrawText(p, bold, 0x00FF00, 10, 10, U"AB", nullptr);
    EXPECT_EQ(p.pen(), QPen(Qt::red, 5));
    EXPECT_EQ(p.brush(), QBrush(Qt::blue));
    EXPECT_FALSE(p.testRenderHint(QPainter::Antialiasing));
    EXPECT_EQ(p.worldTransform(), QTransform::fromTranslate(3, 4));
    // An empty cell draws nothing; nor does one of broken size.
    p.end();
    EXPECT_TRUE(draw(gothic(0, 0), U"A").isEmpty());
    EXPECT_TRUE(draw(gothic(100000000, 50000000), U"A").isEmpty());
}

// Darkness summed over the image: 0 for white, 255 for each black pixel.
double inkAmount(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += 255 - qGray(image.pixel(x, y));
    return sum;
}

// "図" drawn at (20, 20) + one cell of margin, one way of the three a glyph can take: an upright
// single character (kept as an image between draws), a turned pair, or the outline path.
enum class Route { Upright, Turned, Outline };

QImage drawOnce(int height, int weight, Route route) {
    QImage canvas(4 * height + 40, 4 * height + 40, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    FontSpec f;
    f.face = "ＭＳ ゴシック";
    f.height = height;
    f.width = height / 2;
    f.weight = weight;
    if (route == Route::Turned) f.escapement = f.orientation = 900;
    const int at = height + 20;
    if (route == Route::Outline) {
        QPainterPath path;
        QtDrawText(p, f, 0, at, at, U"図", &path);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(path, Qt::black);
    } else {
        QtDrawText(p, f, 0, at, at, route == Route::Turned ? U"図図" : U"図", nullptr);
    }
    return canvas;
}

TEST_F(QtText, BoldIsBolderThanPlainAtEveryGlyphHeight) {
    // The IPA fonts have no bold face: bold is made by growing each stroke by a twenty-fourth
    // of the em, some six tenths more ink for "図" (what Qt's own emboldening gives where it
    // works), however large the glyph and whichever way it is drawn.
    for (int height : {20, 70, 200}) {
        for (Route route : {Route::Upright, Route::Turned, Route::Outline}) {
            const double plain = inkAmount(drawOnce(height, 0, route));
            const double bold = inkAmount(drawOnce(height, 700, route));
            ASSERT_GT(plain, 0.0);
            EXPECT_GT(bold / plain, 1.5) << "height " << height << " route " << int(route);
            EXPECT_LT(bold / plain, 1.8) << "height " << height << " route " << int(route);
        }
    }
}

TEST_F(QtText, APainterMovedByWholePixelsDrawsTheGlyphMoved) {
    // Bands and panned views draw through a painter moved by whole pixels: each glyph must land
    // exactly where an unmoved painter puts it at the moved place, smoothed or not.
    for (const bool smooth : {true, false}) {
        for (const int height : {12, 48, 130}) {
            QImage moved(300, 300, QImage::Format_RGB32), placed(300, 300, QImage::Format_RGB32);
            moved.fill(Qt::white);
            placed.fill(Qt::white);
            QPainter byMoved(&moved), byPlaced(&placed);
            byMoved.setRenderHint(QPainter::TextAntialiasing, smooth);
            byPlaced.setRenderHint(QPainter::TextAntialiasing, smooth);
            byMoved.translate(37, -11);
            QtDrawText(byMoved, gothic(height, height / 2), 0x3050A0, 20, 40, U"図", nullptr);
            QtDrawText(byPlaced, gothic(height, height / 2), 0x3050A0, 57, 29, U"図", nullptr);
            byMoved.end();
            byPlaced.end();
            EXPECT_FALSE(inkOf(placed).isEmpty());
            EXPECT_TRUE(moved == placed) << "height " << height << (smooth ? " smooth" : " sharp");
        }
    }
}

TEST_F(QtText, KeptGlyphsBelongToTheirOwnFont) {
    // Glyph images are kept between draws per font. Once more fonts than the font cache holds
    // have been used it starts afresh, and fonts made after that must not be handed the images
    // of fonts made before: every glyph drawn after 256 others matches the same glyph drawn
    // first thing in a fresh thread.
    auto drawX = [](const char* face, int height) {
        QImage canvas(300, 300, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        FontSpec f;
        f.face = face;
        f.height = height;
        f.width = 10;
        QtDrawText(p, f, 0, 20, 20, U"X", nullptr);
        p.end();
        return canvas;
    };
    const char* faces[] = {"ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝"};
    std::vector<QImage> afterOthers, fresh;
    std::thread busy([&] {
        for (const char* face : faces)
            for (int height = 20; height < 84; ++height) drawX(face, height);
        for (int height = 100; height < 150; ++height) afterOthers.push_back(drawX(faces[0], height));
    });
    busy.join();
    std::thread clean([&] {
        for (int height = 100; height < 150; ++height) fresh.push_back(drawX(faces[0], height));
    });
    clean.join();
    ASSERT_EQ(afterOthers.size(), fresh.size());
    for (size_t i = 0; i < fresh.size(); ++i) EXPECT_EQ(afterOthers[i], fresh[i]) << "height " << 100 + i;
}

TEST_F(QtText, FontsTakenInTurnDrawAsEachDrawsAlone) {
    // The font of the glyph before is looked at first: fonts differing in one thing only, taken
    // in turn, must each draw what they draw in a thread of their own.
    FontSpec plain = gothic(40, 20);
    std::vector<FontSpec> fonts{plain};
    for (int change = 0; change < 5; ++change) {
        FontSpec f = plain;
        if (change == 0) f.italic = true;
        if (change == 1) f.underline = true;
        if (change == 2) f.strikeOut = true;
        if (change == 3) f.weight = 700;
        if (change == 4) f.face = "ＭＳ 明朝";
        fonts.push_back(f);
    }
    const auto drawAll = [](const std::vector<FontSpec>& order) {
        std::vector<QImage> out;
        for (const FontSpec& f : order) {
            QImage canvas(120, 120, QImage::Format_RGB32);
            canvas.fill(Qt::white);
            QPainter p(&canvas);
            QtDrawText(p, f, 0x204060, 30, 30, U"あ", nullptr);
            p.end();
            out.push_back(canvas);
        }
        return out;
    };
    std::vector<FontSpec> inTurn;
    for (const FontSpec& f : fonts) inTurn.insert(inTurn.end(), {plain, f, plain, f});
    std::vector<QImage> turned;
    std::thread([&] { turned = drawAll(inTurn); }).join();
    for (size_t i = 0; i < fonts.size(); ++i) {
        std::vector<QImage> alone;
        std::thread([&] { alone = drawAll({fonts[i]}); }).join();
        EXPECT_EQ(turned[4 * i + 1], alone[0]) << "font " << i;
        EXPECT_EQ(turned[4 * i + 3], alone[0]) << "font " << i;
        if (i > 0) {
            EXPECT_NE(alone[0], turned[0]) << "font " << i << " looks plain";
        }
    }
}

}  // namespace
}  // namespace korvel
