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

const CapsuleStamps::Stamp& CapsuleStamps::stampOf(const Key& key) {
    if (slots_.empty() || stamps_.size() >= kMaxShapes || held_ >= kMaxHeld) {
        slots_.assign(kFirstSlots, Slot{});
        stamps_.clear();
        held_ = 0;
    }
    size_t at = slotOf(key);
    while (slots_[at].stamp >= 0) {
        if (slots_[at].key == key) return stamps_[size_t(slots_[at].stamp)];
        at = (at + 1) & (slots_.size() - 1);
    }
    if (2 * (stamps_.size() + 1) > slots_.size()) {
        // Half full: twice the slots, each shape placed anew.
        slots_.assign(slots_.size() * 2, Slot{});
        for (size_t i = 0; i < stamps_.size(); ++i) {
            size_t to = slotOf(stamps_[i].key);
            while (slots_[to].stamp >= 0) to = (to + 1) & (slots_.size() - 1);
            slots_[to] = Slot{stamps_[i].key, static_cast<int32_t>(i)};
        }
        at = slotOf(key);
        while (slots_[at].stamp >= 0) at = (at + 1) & (slots_.size() - 1);
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
    Stamp stamp;
    stamp.key = key;
    std::vector<std::vector<int>> rows(size_t(canvas.height()));
    int top = canvas.height(), bottom = -1, left = canvas.width(), right = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width();) {
            if (!px[x]) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < canvas.width() && px[x]) ++x;
            rows[size_t(y)].push_back(from - first.x());
            rows[size_t(y)].push_back(x - first.x());
            left = std::min(left, from);
            right = std::max(right, x - 1);
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (bottom >= 0) {
        stamp.box = QRect(QPoint(left - first.x(), top - first.y()), QPoint(right - first.x(), bottom - first.y()));
        for (int y = top; y <= bottom; ++y) {
            stamp.runs.push_back(int(rows[size_t(y)].size() / 2));
            stamp.runs.insert(stamp.runs.end(), rows[size_t(y)].begin(), rows[size_t(y)].end());
        }
    }
    held_ += stamp.runs.size();
    slots_[at] = Slot{key, static_cast<int32_t>(stamps_.size())};
    stamps_.push_back(std::move(stamp));
    return stamps_.back();
}

bool CapsuleStamps::draw(const DirectPixels& to, const QLine& line, int w, QRgb argb) {
    if (!to.bits) return false;
    // The outline lies within half the width (and a 64th) of the line's ends, and Qt fills no
    // pixel outside it: a line that far from the clip fills nothing, as Qt's would.
    const QRect reach = QRect(line.p1(), line.p2()).normalized().adjusted(-w - 1, -w - 1, w + 1, w + 1).translated(to.offset);
    if (!reach.intersects(to.clip)) return true;
    const Key key{line.dx(), line.dy(), w};
    // Shapes far longer than a dash seldom recur, and each would cost a picture of its size.
    if (std::abs(key.dx) > kMaxRun || std::abs(key.dy) > kMaxRun) return false;
    const Stamp& stamp = stampOf(key);
    const QPoint at = line.p1() + to.offset;
    if (stamp.runs.empty()) return true;  // fills no pixel
    // Qt fills a shape's pixels that lie inside the clip, and only those.
    const QRect& clip = to.clip;
    const QRect box = stamp.box.translated(at);
    const bool inside = clip.contains(box);
    const int* run = stamp.runs.data();
    for (int y = stamp.box.top(); y <= stamp.box.bottom(); ++y) {
        const int n = *run++;
        const int rowY = at.y() + y;
        if (!inside && (rowY < clip.top() || rowY > clip.bottom())) {
            run += 2 * n;
            continue;
        }
        auto* row = reinterpret_cast<QRgb*>(to.bits + qsizetype(rowY) * to.bytesPerLine);
        for (int k = 0; k < n; ++k, run += 2) {
            int from = at.x() + run[0], past = at.x() + run[1];
            if (!inside) {
                from = std::max(from, clip.left());
                past = std::min(past, clip.right() + 1);
            }
            if (from < past) std::fill(row + from, row + past, argb);
        }
    }
    return true;
}

}  // namespace korvel
