// Tells its owner about every change of the system clipboard, once per change.
//
// Qt's clipboard signal stands where a Windows program joins the clipboard-viewer chain: it
// reports each new owner of the clipboard (another program's copy or our own), needs no chain to
// pass on, and sends no notice when we start listening.
#pragma once

#include <QObject>
#include <functional>

namespace korvel {

class ClipWatcher : public QObject {
    Q_OBJECT
public:
    using ClipChange = std::function<void(QObject* sender)>;

    explicit ClipWatcher(QObject* owner);
    ~ClipWatcher() override;

    // Assigning a handler starts listening (the first time) or replaces the handler; an empty
    // one stops listening.
    void setOnClipChange(ClipChange handler);
    bool listening() const { return static_cast<bool>(connection_); }
    // How many changes were reported, for the log and for tests.
    int changes() const { return changes_; }

private:
    void notice();

    QObject* owner_;
    ClipChange OnClipChange;
    QMetaObject::Connection connection_;
    int changes_ = 0;
    bool inHandler_ = false;
    int deferred_ = 0;  // notices that arrived while the handler ran
};

}  // namespace korvel
