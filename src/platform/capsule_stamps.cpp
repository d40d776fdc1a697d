#include "platform/capsule_stamps.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace korvel {

void CapsuleOutline(const QLine& line, double w, QPointF* out) {
    const double dx = line.x2() - line.x1(), dy = line.y2() - line.y1();
    double ux = dx, uy = dy;
    const double length = std::sqrt(ux * ux + uy * uy);
    if (length > 0.0) {
        ux /= length;
        uy /= length;
    } else {
        ux = 1.0;
        uy = 0.0;
    }
    const double r = w / 2.0;
    // Directions from -90° to +90° about the line's direction, in steps of 22.5°.
    static const double c[9] = {0.0, 0.38268343236508984, 0.7071067811865476, 0.9238795325112867, 1.0,
                                0.9238795325112867, 0.7071067811865476, 0.38268343236508984, 0.0};
    static const double s[9] = {-1.0, -0.9238795325112867, -0.7071067811865476, -0.38268343236508984, 0.0,
                                0.38268343236508984, 0.7071067811865476, 0.9238795325112867, 1.0};
    // Offsets on the 1/64 grid, added to whole pixels: exact, whatever the magnitude.
    const auto grid = [](double v) { return std::nearbyint(v * 64.0) / 64.0; };
    for (int i = 0; i < 9; ++i) {  // the far end, turning through the direction of the line
        out[i] = QPointF(line.x2() + grid(r * (c[i] * ux - s[i] * uy)),
                         line.y2() + grid(r * (c[i] * uy + s[i] * ux)));
    }
    for (int i = 0; i < 9; ++i) {  // the near end, turning through the opposite direction
        out[9 + i] = QPointF(line.x1() + grid(r * (-c[i] * ux + s[i] * uy)),
                             line.y1() + grid(r * (-c[i] * uy - s[i] * ux)));
    }
}

size_t CapsuleStamps::slotOf(const Key& key) const {
    const uint32_t hash = uint32_t(key.dx) * 73856093u ^ uint32_t(key.dy) * 19349663u ^ uint32_t(key.w) * 83492791u;
    return (hash ^ (hash >> 15)) & (slots_.size() - 1);
}

const CapsuleStamps::Slot& CapsuleStamps::stampOf(const Key& key) {
    if (slots_.empty() || shapes_ >= kMaxShapes || runs_.size() >= kMaxHeld) {
        slots_.assign(kFirstSlots, Slot{});
        runs_.clear();
        shapes_ = 0;
    }
    size_t at = slotOf(key);
    while (slots_[at].runs >= 0) {
        if (slots_[at].key == key) return slots_[at];
        at = (at + 1) & (slots_.size() - 1);
    }
    if (2 * (shapes_ + 1) > slots_.size()) {
        // Half full: twice the slots, each shape placed anew.
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.runs < 0) continue;
            size_t to = slotOf(slot.key);
            while (slots_[to].runs >= 0) to = (to + 1) & (slots_.size() - 1);
            slots_[to] = slot;
        }
        at = slotOf(key);
        while (slots_[at].runs >= 0) at = (at + 1) & (slots_.size() - 1);
    }
    // The shape filled by Qt itself, away from every edge of a picture of its own.
    const int margin = key.w + 2;
    const QPoint first(margin + std::max(0, -key.dx), margin + std::max(0, -key.dy));
    QImage canvas(std::abs(key.dx) + 2 * margin + 1, std::abs(key.dy) + 2 * margin + 1,
                  QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255));
        QPointF outline[kCapsulePoints];
        CapsuleOutline(QLine(first, first + QPoint(key.dx, key.dy)), key.w, outline);
        painter.drawPolygon(outline, kCapsulePoints, Qt::WindingFill);
    }
    // Row by row from the first filled one to the last: a count, then the runs.
    Slot slot;
    slot.key = key;
    slot.runs = int32_t(runs_.size());
    int top = -1, bottom = -1, left = canvas.width(), right = -1;
    size_t kept = runs_.size();  // the bytes up to the last filled row
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        const size_t count = runs_.size();
        runs_.push_back(0);
        for (int x = 0; x < canvas.width();) {
            if (!px[x]) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < canvas.width() && px[x]) ++x;
            ++runs_[count];
            runs_.push_back(int8_t(from - first.x()));
            runs_.push_back(int8_t(x - first.x()));
            left = std::min(left, from);
            right = std::max(right, x - 1);
        }
        if (runs_[count] == 0) {
            if (top < 0) runs_.pop_back();  // above the shape
            continue;
        }
        if (top < 0) top = y;
        bottom = y;
        kept = runs_.size();
    }
    runs_.resize(kept);
    if (bottom >= 0) {
        slot.top = int16_t(top - first.y());
        slot.rows = int16_t(bottom - top + 1);
        slot.left = int16_t(left - first.x());
        slot.right = int16_t(right - first.x());
    }
    slots_[at] = slot;
    ++shapes_;
    return slots_[at];
}

bool CapsuleStamps::draw(const DirectPixels& to, const QLine& line, int w, QRgb argb) {
    if (!to.bits) return false;
    const QRect& clip = to.clip;
    // The outline lies within half the width (and a 64th) of the line's ends, and Qt fills no
    // pixel outside it: a line that far from the clip fills nothing, as Qt's would.
    const int x1 = line.x1() + to.offset.x(), y1 = line.y1() + to.offset.y();
    const int x2 = line.x2() + to.offset.x(), y2 = line.y2() + to.offset.y();
    if (std::max(x1, x2) + w + 1 < clip.left() || std::min(x1, x2) - w - 1 > clip.right() ||
        std::max(y1, y2) + w + 1 < clip.top() || std::min(y1, y2) - w - 1 > clip.bottom())
        return true;
    const Key key{line.dx(), line.dy(), w};
    // Shapes far longer than a dash seldom recur, and each would cost a picture of its size.
    if (std::abs(key.dx) > kMaxRun || std::abs(key.dy) > kMaxRun || w > kMaxWidth || w < 0) return false;
    const Slot& stamp = stampOf(key);
    if (stamp.rows == 0) return true;  // fills no pixel
    // Qt fills a shape's pixels that lie inside the clip, and only those.
    const bool inside = x1 + stamp.left >= clip.left() && x1 + stamp.right <= clip.right() &&
                        y1 + stamp.top >= clip.top() && y1 + stamp.top + stamp.rows - 1 <= clip.bottom();
    const int8_t* run = runs_.data() + stamp.runs;
    for (int y = y1 + stamp.top, end = y + stamp.rows; y < end; ++y) {
        const int n = *run++;
        if (!inside && (y < clip.top() || y > clip.bottom())) {
            run += 2 * n;
            continue;
        }
        auto* row = reinterpret_cast<QRgb*>(to.bits + qsizetype(y) * to.bytesPerLine);
        for (int k = 0; k < n; ++k, run += 2) {
            int from = x1 + run[0], past = x1 + run[1];
            if (!inside) {
                from = std::max(from, clip.left());
                past = std::min(past, clip.right() + 1);
            }
            for (int x = from; x < past; ++x) row[x] = argb;
        }
    }
    return true;
}

}  // namespace korvel
