#include "app/notice_panel.h"

#include <QMouseEvent>
#include <QStringList>

namespace korvel {

NoticePanel::NoticePanel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setIndent(2);
    setTextFormat(Qt::PlainText);
    setStyleSheet(QStringLiteral("color: #A04000;"));
    hide();
}

void NoticePanel::setNotices(const std::vector<std::string>& notices) {
    if (notices == notices_) return;
    notices_ = notices;
    if (notices_.empty()) {
        clear();
        setToolTip({});
        hide();
        return;
    }
    QString first = QString::fromStdString(notices_.front());
    if (notices_.size() > 1) first += QStringLiteral(" (+%1)").arg(notices_.size() - 1);
    setText(QStringLiteral("\u26A0 ") + first);
    setToolTip(allNotices());
    show();
}

QString NoticePanel::allNotices() const {
    QStringList all;
    for (const std::string& n : notices_) all << QString::fromStdString(n);
    return all.join(QLatin1Char('\n'));
}

void NoticePanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !notices_.empty()) emit clicked();
    QLabel::mousePressEvent(event);
}

}  // namespace korvel
