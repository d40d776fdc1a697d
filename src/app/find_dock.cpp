// The find dock: the field, the hit list, and the marks of the hits over the picture.
#include "app/find_dock.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "drawing/cp932.h"

namespace korvel {

namespace {

constexpr int kTypingPauseMs = 250;  // the search follows the field once typing pauses
constexpr const char* kHex = "0123456789ABCDEF";

QChar hexDigit(int v) { return QChar(kHex[v & 15]); }

QRectF pixelBox(const ViewMapping& m, const TextHit& hit) {
    const QPointF a(m.toPixelX(hit.minX), m.toPixelY(hit.maxY)), b(m.toPixelX(hit.maxX), m.toPixelY(hit.minY));
    // A text a pixel high still gets a mark one can see.
    return QRectF(a, b).normalized().adjusted(-3, -3, 3, 3);
}

}  // namespace

QString HitCaption(const TextHit& hit) {
    QString caption = QString::fromStdString(Cp932ToUtf8(hit.text)).simplified();
    QStringList notes;
    if (hit.layerGroup < 16 && hit.layer < 16)
        notes << QStringLiteral("%1-%2").arg(hexDigit(hit.layerGroup)).arg(hexDigit(hit.layer));
    if (hit.dimension) notes << QStringLiteral("寸法");
    if (hit.inBlock) notes << QStringLiteral("ブロック");
    if (hit.show == LayerShow::Hidden) notes << QStringLiteral("非表示");
    else if (hit.show == LayerShow::Greyed) notes << QStringLiteral("グレー");
    return caption + QStringLiteral("   [") + notes.join(QStringLiteral(", ")) + QLatin1Char(']');
}

FindDock::FindDock(std::function<TextSearchResult(const std::string&)> search, QWidget* parent)
    : QDockWidget(QStringLiteral("文字検索"), parent), search_(std::move(search)) {
    setObjectName(QStringLiteral("findDock"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    field_ = new QLineEdit(body);
    field_->setPlaceholderText(QStringLiteral("探す文字 (全角・半角、大文字・小文字を区別しません)"));
    field_->setClearButtonEnabled(true);
    layout->addWidget(field_);
    summary_ = new QLabel(body);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    list_ = new QListWidget(body);
    layout->addWidget(list_, 1);
    setWidget(body);

    auto* typing = new QTimer(this);
    typing->setSingleShot(true);
    typing->setInterval(kTypingPauseMs);
    connect(field_, &QLineEdit::textEdited, typing, qOverload<>(&QTimer::start));
    connect(typing, &QTimer::timeout, this, [this] { find(field_->text()); });
    connect(field_, &QLineEdit::returnPressed, this, [this, typing] {
        // Enter on the query just found steps to the next hit.
        if (typing->isActive() || result_.hits.empty()) {
            typing->stop();
            find(field_->text());
        } else {
            chooseNext(1);
        }
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != current_) choose(row);
    });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem*) { choose(list_->currentRow()); });
}

void FindDock::start() {
    show();
    raise();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void FindDock::searchAgain() {
    const int keep = current_;
    result_ = field_->text().isEmpty() ? TextSearchResult{} : search_(field_->text().toStdString());
    current_ = -1;
    listHits();
    if (keep >= 0 && keep < int(result_.hits.size())) {
        current_ = keep;
        list_->setCurrentRow(keep);
    }
    emit marksChanged();
}

void FindDock::find(const QString& query) {
    if (field_->text() != query) field_->setText(query);
    result_ = query.isEmpty() ? TextSearchResult{} : search_(query.toStdString());
    current_ = -1;
    listHits();
    if (!result_.hits.empty()) choose(0);
    emit marksChanged();
}

void FindDock::listHits() {
    list_->blockSignals(true);
    list_->clear();
    for (const TextHit& hit : result_.hits) {
        auto* item = new QListWidgetItem(HitCaption(hit), list_);
        if (hit.show == LayerShow::Hidden) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    list_->blockSignals(false);
    QString text;
    if (field_->text().isEmpty()) text.clear();
    else if (result_.hits.empty()) text = QStringLiteral("見つかりません");
    else text = QStringLiteral("%1 件").arg(result_.hits.size());
    if (result_.truncated) text += QStringLiteral(" (多すぎるため最初の %1 件のみ)").arg(result_.hits.size());
    if (!result_.complete) text += QStringLiteral(" (ブロックの入れ子が深すぎて一部は探していません)");
    summary_->setText(text);
}

void FindDock::choose(int index) {
    if (index < 0 || index >= int(result_.hits.size())) return;
    current_ = index;
    if (list_->currentRow() != index) {
        list_->blockSignals(true);
        list_->setCurrentRow(index);
        list_->blockSignals(false);
    }
    emit showHit(result_.hits[size_t(index)]);
    emit marksChanged();
}

void FindDock::chooseNext(int step) {
    const int n = int(result_.hits.size());
    if (n == 0) return;
    choose(((current_ < 0 ? (step > 0 ? -1 : 0) : current_) + step % n + n) % n);
}

void FindDock::paintOverlay(QPainter& p, const ViewMapping& m) {
    if (!isVisible() || result_.hits.empty()) return;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 170, 0), 1.0));
    for (size_t i = 0; i < result_.hits.size(); ++i)
        if (int(i) != current_) p.drawRect(pixelBox(m, result_.hits[i]));
    if (current_ < 0) return;
    p.setPen(QPen(QColor(230, 0, 120), 2.5));
    p.setBrush(QColor(255, 230, 0, 70));
    p.drawRect(pixelBox(m, result_.hits[size_t(current_)]));
}

}  // namespace korvel
