// Painting of the colour buttons.
#include "app/color_button.h"

#include <QPainter>

#include "platform/qt_colour.h"

namespace korvel {

ColorButton::ColorButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setMinimumSize(40, 18);
}

void ColorButton::setColor(uint32_t bgr) {
    color_ = bgr & 0xFFFFFF;
    update();
}

void ColorButton::paintEvent([[maybe_unused]] QPaintEvent* event) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect r = rect();
    const bool down = isDown();
    const QColor face = QtColorOf(color_);
    p.fillRect(r, face);
    // Frame, then raised edges (sunken while pressed).
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect inner = r.adjusted(1, 1, -2, -2);
    const QColor light = pal.color(QPalette::Light), dark = pal.color(QPalette::Dark);
    p.setPen(down ? dark : light);
    p.drawLine(inner.topLeft(), inner.topRight());
    p.drawLine(inner.topLeft(), inner.bottomLeft());
    p.setPen(down ? light : dark);
    p.drawLine(inner.bottomLeft(), inner.bottomRight());
    p.drawLine(inner.topRight(), inner.bottomRight());
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
    if (!text().isEmpty()) {
        // Margins of 5 pixels left and right, 4 at the top and 5 at the bottom.
        QRect caption = r.adjusted(5, 4, -5, -5);
        if (down) caption.translate(1, 1);
        const int grey = qGray(face.rgb());
        p.setPen(grey < 128 ? Qt::white : Qt::black);
        p.drawText(caption, Qt::AlignCenter, text());
    }
    if (!isEnabled()) p.fillRect(r, QColor(255, 255, 255, 128));
}

}  // namespace korvel
