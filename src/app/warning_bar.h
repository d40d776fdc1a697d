// A strip above the drawing that says what went wrong without stopping anyone: a drawing read
// incomplete, data passed over, a picture that could not be drawn. It lists the warnings of each
// source (the load, the render) and stays until the next load or until it is closed.
#pragma once

#include <QFrame>
#include <QStringList>
#include <array>
#include <string>
#include <vector>

class QLabel;
class QToolButton;

namespace korvel {

enum class WarningSource { Load, Render };

class WarningBar : public QFrame {
    Q_OBJECT
public:
    explicit WarningBar(QWidget* parent = nullptr);

    // Replaces the warnings of one source; the bar shows while any source has some.
    void setWarnings(WarningSource source, const std::vector<std::string>& warnings);
    void clear();
    // What the bar says, one warning a line (also when it was closed).
    QStringList lines() const;

private:
    void refresh();

    std::array<QStringList, 2> bySource_;
    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
    QToolButton* close_ = nullptr;
};

}  // namespace korvel
