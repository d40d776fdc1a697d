// First cut: plain QFont drawing; the text work replaces it with cell-fitted glyphs.
#include "platform/qt_text.h"

#include <QFont>
#include <QTransform>

namespace korvel {

QString MapFaceName(const std::string& windowsFace) {
    QString face = QString::fromStdString(windowsFace);
    if (face.contains(QStringLiteral("明朝"))) {
        return face.contains(QStringLiteral("Ｐ")) ? QStringLiteral("IPAPMincho") : QStringLiteral("IPAMincho");
    }
    if (face.contains(QStringLiteral("Ｐ"))) return QStringLiteral("IPAPGothic");
    return QStringLiteral("IPAGothic");
}

void QtDrawText(QPainter& painter, const FontSpec& font, uint32_t color, int x, int y,
                const std::u32string& text, QPainterPath* path) {
    QFont f(MapFaceName(font.face));
    f.setPixelSize(font.height > 0 ? font.height : 1);
    f.setBold(font.weight >= 600);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    QString s = QString::fromUcs4(text.data(), static_cast<int>(text.size()));
    QTransform t;
    t.translate(x, y);
    t.rotate(-font.escapement / 10.0);
    QPainterPath glyphs;
    glyphs.addText(0, font.height * 0.88, f, s);
    glyphs = t.map(glyphs);
    if (path) {
        path->addPath(glyphs);
        return;
    }
    painter.fillPath(glyphs, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
}

}  // namespace korvel
