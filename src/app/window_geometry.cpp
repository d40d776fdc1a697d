// Window size and status-bar texts.
#include "app/window_geometry.h"

#include <cmath>

#include "render/render_context.h"

namespace korvel {

QSize FittedWindowSize(double aspect) {
    const QSize fallback(720, 540);
    if (!std::isfinite(aspect) || aspect <= 0.0) return fallback;
    if (aspect < 1.333) {
        const double w = 440.0 * aspect;
        if (w < 1.0) return fallback;
        return QSize(RoundDevice(w), 540);
    }
    const double h = 720.0 / aspect;
    if (!std::isfinite(h)) return fallback;
    return QSize(720, RoundDevice(h) + 100);
}

QString VersionPanelText(uint32_t version) {
    const QString digits = QString::number(version);
    return QStringLiteral("Ver : ") + digits.left(1) + QStringLiteral(".") + digits.mid(1, 2);
}

QString EditingTimeText(uint32_t seconds) {
    const uint32_t h = seconds / 3600;
    const uint32_t m = (seconds - 3600 * h) / 60;
    return QStringLiteral("%1：%2 ").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0'));
}

std::array<QString, kStatusPanels> StatusBarTexts(const Drawing& d) {
    auto count = [](const char* label, uint32_t n) {
        return QString::fromLatin1(label) + QString::number(n) + QLatin1Char(' ');
    };
    return {VersionPanelText(d.header.Version),
            count("L = ", d.LineCount()),
            count("C = ", d.CircleCount()),
            count("M = ", d.TextCount()),
            count("J = ", d.PointCount()),
            count("So = ", d.SolidCount()),
            count("Su = ", d.DimensionCount()),
            count("B = ", d.BlockInsertCount()),
            EditingTimeText(d.header.ExtraOption[0])};
}

}  // namespace korvel
