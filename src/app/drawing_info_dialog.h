// The drawing information dialog: the version to save as, the paper size and the memo of the
// open drawing, changed here before saving.
#pragma once

#include <QDialog>
#include <cstdint>

#include "drawing/drawing_header.h"

class QButtonGroup;
class QPlainTextEdit;

namespace korvel {

// Radio positions and the versions they save as.
constexpr uint32_t kInfoVersions[6] = {351, 300, 230, 225, 223, 220};
// The position a version opens on: its own entry, else the newest.
int InfoVersionPosition(uint32_t version);
// The memo as the header keeps it: lines joined with CR LF, at most 64 bytes of CP932.
std::string InfoMemoBytes(const QString& text);

class DrawingInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit DrawingInfoDialog(QWidget* parent = nullptr);

    // Fills the controls from `header`; the close button writes them back into it.
    void showFor(DrawingHeader& header);
    // What the close button does: the controls into the header, then close.
    void applyAndClose();

    QButtonGroup& versions() { return *versions_; }
    QButtonGroup& papers() { return *papers_; }
    QPlainTextEdit& memo() { return *memo_; }

private:
    QButtonGroup* versions_;
    QButtonGroup* papers_;
    QPlainTextEdit* memo_;
    DrawingHeader* header_ = nullptr;
};

}  // namespace korvel
