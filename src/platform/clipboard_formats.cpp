// Raw clipboard bytes through Qt's clipboard.
#include "platform/clipboard_formats.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <cstdlib>
#include <memory>

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

uint32_t ClipboardOwnerId() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return 0;
    static xcb_atom_t clipboardAtom = XCB_ATOM_NONE;
    if (clipboardAtom == XCB_ATOM_NONE) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr), &std::free);
        if (!atom) return 0;
        clipboardAtom = atom->atom;
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboardAtom), nullptr), &std::free);
    return owner ? owner->owner : 0;
}

}  // namespace korvel
