// ClipWatcher over QClipboard::dataChanged.
#include "app/clip_watcher.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace korvel {

ClipWatcher::ClipWatcher(QObject* owner) : QObject(owner), owner_(owner) {}

ClipWatcher::~ClipWatcher() { setOnClipChange(nullptr); }

void ClipWatcher::setOnClipChange(ClipChange handler) {
    if (!handler) {
        if (connection_) disconnect(connection_);
        connection_ = {};
        OnClipChange = nullptr;
        return;
    }
    OnClipChange = std::move(handler);
    if (connection_) return;
    connection_ = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &ClipWatcher::notice);
}

void ClipWatcher::notice() {
    // A handler that writes the clipboard hears of its own write at once; that notice waits until
    // the handler has returned, so that handlers never run inside each other.
    if (inHandler_) {
        ++deferred_;
        return;
    }
    ++changes_;
    if (!OnClipChange) return;
    inHandler_ = true;
    OnClipChange(owner_ ? owner_ : this);
    inHandler_ = false;
    for (; deferred_ > 0; --deferred_) QTimer::singleShot(0, this, &ClipWatcher::notice);
}

}  // namespace korvel
