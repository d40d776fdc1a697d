// A panel at the end of the status bar that tells what the window could not show of the drawing
// (parts left out by a render's limits, pictures not found...): the first notice, how many more,
// and all of them in its tooltip and, when clicked, in a message. Hidden while there is nothing
// to tell.
#pragma once

#include <QLabel>
#include <string>
#include <vector>

namespace korvel {

class NoticePanel : public QLabel {
    Q_OBJECT
public:
    explicit NoticePanel(QWidget* parent = nullptr);

    void setNotices(const std::vector<std::string>& notices);
    const std::vector<std::string>& notices() const { return notices_; }
    QString allNotices() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<std::string> notices_;
};

}  // namespace korvel
