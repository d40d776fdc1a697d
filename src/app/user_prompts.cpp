// The desktop's answers to the window's questions.
#include "app/user_prompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <QGridLayout>
#include <QLabel>

#include "app/drawing_preview.h"
#include "platform/qt_colour.h"
#include "platform/qt_painter_target.h"

namespace korvel {

int FilterIndex(const QString& filter, const QString& selected) {
    const QStringList filters = filter.split(QStringLiteral(";;"));
    const int i = filters.indexOf(selected);
    return i < 0 ? 1 : i + 1;
}

bool ParseWholeNumber(const QString& text, int& value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok) value = v;
    return ok;
}

void QtUserPrompts::information(const QString& text) {
    QMessageBox::information(parent_, QStringLiteral("Korvel"), text);
}

bool QtUserPrompts::question(const QString& text) {
    return QMessageBox::question(parent_, QStringLiteral("Korvel"), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtUserPrompts::inputText(const QString& title, const QString& prompt, QString& text) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, text, &ok);
    if (ok) text = answer;
    return ok;
}

bool QtUserPrompts::openFile(const QString& folder, const QString& filter, FileChoice& choice) {
    // Qt's own dialog, so that the preview of the chosen drawing can sit beside the list.
    QFileDialog dialog(parent_, QString(), folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(200, 200);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        const QImage image = RenderDrawingPreview(path, preview->width() - 4);
        preview->setPixmap(image.isNull() ? QPixmap()
                                          : QPixmap::fromImage(image.height() > preview->height() - 4
                                                                   ? image.scaledToHeight(preview->height() - 4)
                                                                   : image));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    choice.path = dialog.selectedFiles().front();
    choice.filterIndex = FilterIndex(filter, dialog.selectedNameFilter());
    return true;
}

bool QtUserPrompts::saveFile(const QString& folder, const QString& filter, FileChoice& choice) {
    QString selected;
    // Our own naming rules add the extension, so the dialog must not add one of its own.
    const QString path = QFileDialog::getSaveFileName(parent_, QString(), folder, filter, &selected,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) return false;
    choice.path = path;
    choice.filterIndex = FilterIndex(filter, selected);
    return true;
}

bool QtUserPrompts::chooseColor(uint32_t& color) {
    const QColor chosen = QColorDialog::getColor(QtColorOf(color), parent_);
    if (!chosen.isValid()) return false;
    color = ColorOfQt(chosen);
    return true;
}

bool QtUserPrompts::chooseFolder(QString& folder) {
    const QString chosen = QFileDialog::getExistingDirectory(parent_, QString(), folder);
    if (chosen.isEmpty()) return false;
    folder = chosen;
    return true;
}

void QtUserPrompts::showModal(QDialog& dialog) { dialog.exec(); }

}  // namespace korvel
