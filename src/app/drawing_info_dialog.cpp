// The drawing information dialog.
#include "app/drawing_info_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "drawing/cp932.h"

namespace korvel {

namespace {

const char* const kVersionCaptions[6] = {"V3.51（最新)", "V3.00-3.51a", "V2.30-2.51",
                                         "V2.25-2.25e", "V2.23-2.24a", "V2.20-2.22d"};
const char* const kPaperCaptions[12] = {"Ａ-０", "Ａ-１", "Ａ-２", "Ａ-３", "Ａ-４", "２Ａ",
                                        "３Ａ", "４Ａ", "５Ａ", "10m", "50m", "100m"};
constexpr size_t kMemoBytes = 64;

QGroupBox* radioGroup(QWidget* parent, const QString& title, const char* const* captions, int count,
                      int columns, QButtonGroup*& group) {
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(captions[i]), box);
        group->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);  // filled column by column
    }
    return box;
}

QLabel* note(QWidget* parent, const QString& text, const char* colour) {
    auto* l = new QLabel(text, parent);
    l->setStyleSheet(QStringLiteral("color: %1").arg(QString::fromLatin1(colour)));
    return l;
}

}  // namespace

int InfoVersionPosition(uint32_t version) {
    for (int i = 1; i < 6; ++i)
        if (kInfoVersions[i] == version) return i;
    return 0;
}

std::string InfoMemoBytes(const QString& text) {
    QString joined = text;
    joined.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    joined.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string bytes = Utf8ToCp932(joined.toStdString());
    if (bytes.size() > kMemoBytes) {
        // Keep whole characters: a lead byte cut from its trail byte would turn into garbage.
        size_t end = 0;
        while (end < bytes.size()) {
            const size_t next = end + (IsCp932LeadByte(static_cast<uint8_t>(bytes[end])) ? 2 : 1);
            if (next > kMemoBytes) break;
            end = next;
        }
        bytes.resize(end);
    }
    return bytes;
}

DrawingInfoDialog::DrawingInfoDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral(" Jwwデータ情報"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(radioGroup(this, QStringLiteral(" Jww保存バージョン形式 "), kVersionCaptions, 6, 2, versions_));
    layout->addWidget(radioGroup(this, QStringLiteral(" 用紙サイズ "), kPaperCaptions, 12, 3, papers_));
    layout->addWidget(new QLabel(QStringLiteral("メモ："), this));
    memo_ = new QPlainTextEdit(this);
    memo_->setFixedHeight(60);
    layout->addWidget(memo_);
    layout->addWidget(note(this, QStringLiteral("※ Jwwデータバージョン／用紙サイズ／メモ欄のデータ変更が可能であり、"), "blue"));
    layout->addWidget(note(this, QStringLiteral("　　Jwwデータ保存時に、この設定値で保存します。"), "blue"));
    layout->addWidget(note(this, QStringLiteral("なお、データは破損等に備え、上書き保存はなさらないで下さい。"), "#800000"));
    auto* close = new QPushButton(QStringLiteral("閉 じ る"), this);
    connect(close, &QPushButton::clicked, this, &DrawingInfoDialog::applyAndClose);
    layout->addWidget(close, 0, Qt::AlignHCenter);
}

void DrawingInfoDialog::showFor(DrawingHeader& header) {
    header_ = &header;
    versions_->button(InfoVersionPosition(header.Version))->setChecked(true);
    if (QAbstractButton* paper = papers_->button(static_cast<int>(header.PaperSize))) {
        paper->setChecked(true);
    } else {
        // A paper size outside the list shows no choice and is kept as it is.
        papers_->setExclusive(false);
        for (QAbstractButton* b : papers_->buttons()) b->setChecked(false);
        papers_->setExclusive(true);
    }
    memo_->setPlainText(QString::fromStdString(Cp932ToUtf8(header.Memo)));
}

void DrawingInfoDialog::applyAndClose() {
    if (header_) {
        const int v = versions_->checkedId();
        header_->Version = v >= 0 && v < 6 ? kInfoVersions[v] : 351;
        const int paper = papers_->checkedId();
        if (paper >= 0) header_->PaperSize = static_cast<uint32_t>(paper);
        header_->Memo = InfoMemoBytes(memo_->toPlainText());
    }
    accept();
}

}  // namespace korvel
