// A push button whose face shows a colour: the pen colour buttons of the options dialog. The
// face is filled with the colour, framed, given raised edges, and moves one pixel while pressed.
#pragma once

#include <QPushButton>
#include <cstdint>

namespace korvel {

class ColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(const QString& caption = QString(), QWidget* parent = nullptr);
    void setColor(uint32_t bgr);  // 0x00BBGGRR
    uint32_t color() const { return color_; }
    QSize sizeHint() const override { return QSize(48, 20); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t color_ = 0xFFFFFF;
};

}  // namespace korvel
