// Raw clipboard bytes through Qt's clipboard.
#include "platform/clipboard_formats.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace korvel {

namespace {
const QString kQtImageFormat = QStringLiteral("application/x-qt-image");
}

QByteArray ReadEnhancedMetafile(const QMimeData* data) {
    if (!data) return {};
    for (const char* target : {kEmfMimeType, kWineEmfTarget}) {
        const QString name = QString::fromLatin1(target);
        if (data->hasFormat(name)) {
            QByteArray bytes = data->data(name);
            if (!bytes.isEmpty()) return bytes;
        }
    }
    return {};
}

bool HasEnhancedMetafile(const QMimeData* data) {
    if (!data) return false;
    return data->hasFormat(QString::fromLatin1(kEmfMimeType)) ||
           data->hasFormat(QString::fromLatin1(kWineEmfTarget));
}

bool ReadClipboardFormat(const QString& format, QByteArray& out) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(format)) return false;
    out = data->data(format);
    return true;
}

void AddClipboardFormats(const QList<QPair<QString, QByteArray>>& formats) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* next = new QMimeData;
    if (clipboard->ownsClipboard()) {
        if (const QMimeData* ours = clipboard->mimeData()) {
            if (ours->hasImage()) next->setImageData(ours->imageData());
            for (const QString& f : ours->formats())
                if (f != kQtImageFormat) next->setData(f, ours->data(f));
        }
    }
    for (const auto& [format, bytes] : formats) next->setData(format, bytes);
    clipboard->setMimeData(next);
}

}  // namespace korvel
