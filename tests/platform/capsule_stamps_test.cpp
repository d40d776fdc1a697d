// Wide lines stamped straight into the image fill exactly the pixels Qt fills for their outline.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>
#include <sstream>

#include "platform/capsule_stamps.h"

namespace korvel {
namespace {

std::string firstDifference(const QImage& a, const QImage& b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                std::ostringstream out;
                out << "first at " << x << "," << y;
                return out.str();
            }
    return "none";
}

// Lines of every width the stamps take, in all directions, long and short, inside the picture,
// across its edges and across a clip, drawn by a painter moved by whole pixels: the stamped
// picture and Qt's own must be the same pixel for pixel, lines Qt had to draw (too long, or
// pens too wide) included.
TEST(CapsuleStamps, StampedLinesFillThePixelsQtFillsForTheirOutline) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> at(-20, 220), run(-40, 40), width(2, 8), wide(9, 34), colour(0, 0xFFFFFF);
    for (const QPoint offset : {QPoint(0, 0), QPoint(7, -13)}) {
        for (const bool clipped : {false, true}) {
            QImage qt(200, 150, QImage::Format_RGB32), stamped(200, 150, QImage::Format_RGB32);
            qt.fill(Qt::white);
            stamped.fill(Qt::white);
            QPainter byQt(&qt), byStamp(&stamped);
            DirectPixels direct{const_cast<uchar*>(stamped.constBits()), stamped.bytesPerLine(), stamped.rect(), offset};
            for (QPainter* p : {&byQt, &byStamp}) {
                p->setRenderHint(QPainter::Antialiasing, false);
                p->setPen(Qt::NoPen);
                p->translate(offset);
                if (clipped) p->setClipRect(QRect(30, 20, 120, 90).translated(-offset));
            }
            if (clipped) direct.clip = QRect(30, 20, 120, 90);
            CapsuleStamps stamps;
            int drawn = 0, byPainter = 0;
            for (int i = 0; i < 3000; ++i) {
                const QPoint a(at(random), at(random));
                // Every 25th line too long to stamp.
                const int stretch = i % 25 == 1 ? 3 : 1;
                const QLine line(a, i % 10 == 0 ? a : a + stretch * QPoint(run(random), run(random) / (i % 3 + 1)));
                const int w = i % 5 == 0 ? wide(random) : width(random);
                const QColor c = QColor::fromRgb(QRgb(0xFF000000u | uint32_t(colour(random))));
                QPointF outline[kCapsulePoints];
                CapsuleOutline(line, w, outline);
                byQt.setBrush(c);
                byQt.drawPolygon(outline, kCapsulePoints, Qt::WindingFill);
                if (stamps.draw(direct, line, w, c.rgba())) {
                    ++drawn;
                } else {
                    ++byPainter;
                    byStamp.setBrush(c);
                    byStamp.drawPolygon(outline, kCapsulePoints, Qt::WindingFill);
                }
            }
            byQt.end();
            byStamp.end();
            EXPECT_TRUE(qt == stamped) << "offset " << offset.x() << "," << offset.y() << (clipped ? " clipped" : "")
                                       << ": " << firstDifference(qt, stamped);
            // Both ways were taken: lines stamped, whole or cut at the clip, and long ones by Qt.
            EXPECT_GT(drawn, 2700);
            EXPECT_GT(byPainter, 20);
            EXPECT_LE(stamps.shapes(), 3000u);
        }
    }
}

// The outline's points sit on the 1/64 grid, so the same shape elsewhere is the same outline
// moved by whole pixels.
TEST(CapsuleStamps, OutlinesMovedByWholePixelsAreTheSameOutlineMoved) {
    QPointF here[kCapsulePoints], there[kCapsulePoints];
    CapsuleOutline(QLine(3, 4, 14, 9), 5, here);
    CapsuleOutline(QLine(1003, 20004, 1014, 20009), 5, there);
    for (int i = 0; i < kCapsulePoints; ++i) {
        EXPECT_EQ(there[i] - here[i], QPointF(1000, 20000)) << i;
        EXPECT_EQ(here[i].x() * 64, std::floor(here[i].x() * 64)) << i;
    }
    // The far end's middle point lies half the width past it along the line.
    EXPECT_EQ(here[4], QPointF(14 + std::nearbyint(2.5 * 11 / std::sqrt(146.0) * 64) / 64,
                               9 + std::nearbyint(2.5 * 5 / std::sqrt(146.0) * 64) / 64));
}

}  // namespace
}  // namespace korvel
