// ClipWatcher over QClipboard::dataChanged.
#include "app/clip_watcher.h"

#include <QClipboard>
#include <QGuiApplication>

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
    Registering = true;
    connection_ = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &ClipWatcher::notice);
    Registering = false;
}

void ClipWatcher::notice() {
    if (SkipRegistrationNotice && Registering) return;
    ++changes_;
    if (OnClipChange) OnClipChange(owner_ ? owner_ : this);
}

}  // namespace korvel
