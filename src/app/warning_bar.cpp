// The warning strip: an icon, the first warnings, the rest in its tool tip, and a close button.
#include "app/warning_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace korvel {

namespace {
constexpr int kLinesShown = 3;  // more go into the tool tip
}

WarningBar::WarningBar(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xCE));
    p.setColor(QPalette::WindowText, QColor(0x40, 0x30, 0x00));
    setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 3, 3);
    icon_ = new QLabel(this);
    icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    icon_->setAlignment(Qt::AlignTop);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    close_ = new QToolButton(this);
    close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close_->setAutoRaise(true);
    close_->setToolTip(QStringLiteral("閉じる"));
    connect(close_, &QToolButton::clicked, this, &QWidget::hide);
    layout->addWidget(icon_);
    layout->addWidget(text_, 1);
    layout->addWidget(close_, 0, Qt::AlignTop);
    hide();
}

void WarningBar::setWarnings(WarningSource source, const std::vector<std::string>& warnings) {
    QStringList& list = bySource_[static_cast<size_t>(source)];
    list.clear();
    for (const std::string& w : warnings) list << QString::fromStdString(w);
    refresh();
}

void WarningBar::clear() {
    for (QStringList& list : bySource_) list.clear();
    refresh();
}

QStringList WarningBar::lines() const {
    QStringList all;
    for (const QStringList& list : bySource_) all << list;
    return all;
}

void WarningBar::refresh() {
    const QStringList all = lines();
    if (all.isEmpty()) {
        hide();
        return;
    }
    QStringList shown = all.mid(0, kLinesShown);
    if (all.size() > kLinesShown) shown << QStringLiteral("(%1 more)").arg(all.size() - kLinesShown);
    text_->setText(shown.join(QLatin1Char('\n')));
    setToolTip(all.join(QLatin1Char('\n')));
    show();
}

}  // namespace korvel
