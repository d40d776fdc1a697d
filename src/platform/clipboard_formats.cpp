// Raw clipboard bytes through Qt's clipboard.
#include "platform/clipboard_formats.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace korvel {

namespace {

const QString kQtImageFormat = QStringLiteral("application/x-qt-image");

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void copyFormats(const QMimeData* from, QMimeData& to) {
    if (!from) return;
    if (from->hasImage()) to.setImageData(from->imageData());
    for (const QString& f : from->formats())
        if (f != kQtImageFormat) to.setData(f, from->data(f));
}

// The window Qt's claims come from, once one held.
uint32_t ownWindow = 0;

// Touches a property of one of Qt's windows: the server's notice of it carries the server's time,
// and Qt takes its time from such notices.
void showQtTheServerTime(xcb_connection_t* c) {
    QWindow* window = nullptr;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle()) window = w;
    static QWindow* hidden = nullptr;
    if (!window) {
        if (!hidden) {
            hidden = new QWindow;
            hidden->create();
        }
        window = hidden;
    }
    static const xcb_atom_t atom = internAtom(c, "_KORVEL_TIME");
    xcb_change_property(c, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(window->winId()), atom, XCB_ATOM_STRING, 8,
                        0, nullptr);
    // A round trip: the notice is on its way to Qt before the answer arrives.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

}  // namespace

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

bool ReadClipboardFormat(const QString& format, QByteArray& out, bool neverEmpty) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(format)) return false;
    out = data->data(format);
    // Qt asks with the time of the last event it has seen; an owner that took the clipboard
    // after that moment (Wine, putting a copy together in several steps) may answer with nothing.
    xcb_connection_t* c = qtConnection();
    for (int attempt = 0; neverEmpty && out.isEmpty() && c && attempt < 5; ++attempt) {
        showQtTheServerTime(c);
        data = QGuiApplication::clipboard()->mimeData();
        if (!data || !data->hasFormat(format)) return false;
        out = data->data(format);
    }
    return true;
}

bool AddClipboardFormats(const QList<QPair<QString, QByteArray>>& formats) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    QMimeData next;
    if (clipboard->ownsClipboard()) copyFormats(clipboard->mimeData(), next);
    for (const auto& [format, bytes] : formats) next.setData(format, bytes);
    return PlaceOnClipboard([&next] {
        auto* copy = new QMimeData;
        copyFormats(&next, *copy);
        return copy;
    });
}

bool PlaceOnClipboard(const std::function<QMimeData*()>& make) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    xcb_connection_t* c = qtConnection();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const uint32_t before = ClipboardOwnerId();
        clipboard->setMimeData(make());
        if (!c) return true;
        const uint32_t after = ClipboardOwnerId();
        if (after != XCB_NONE && (after != before || after == ownWindow)) {
            ownWindow = after;
            return true;
        }
        // Qt believes the claim held; take it back before claiming again.
        clipboard->clear();
        showQtTheServerTime(c);
    }
    return false;
}

uint32_t ClipboardOwnerId() {
    xcb_connection_t* c = qtConnection();
    if (!c) return 0;
    static const xcb_atom_t clipboardAtom = internAtom(c, "CLIPBOARD");
    if (clipboardAtom == XCB_ATOM_NONE) return 0;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboardAtom), nullptr), &std::free);
    return owner ? owner->owner : 0;
}

}  // namespace korvel
