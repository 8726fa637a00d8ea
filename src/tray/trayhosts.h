#pragma once

#include <QObject>

#include <memory>

namespace quendral {

// The kind of notification area the desktop offers.
enum class TrayKind {
    None,
    // A StatusNotifierItem host on the session bus: it draws the icon and
    // the menu itself.
    StatusNotifier,
    // A notification area that embeds the icon's own window (the X11 system
    // tray, the Windows taskbar).
    Embedding,
};

// Tells whether the desktop has a notification area. Qt settles the kind of
// tray icon it makes once per process, when the first icon is made: the
// program makes its icon only when this says an area exists, and afterwards
// asks whether an area of that kind is still there.
class TrayHosts : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual TrayKind present() const = 0;
    // Whether an area of this kind is there, whichever kind present() prefers.
    virtual bool offers(TrayKind kind) const { return kind != TrayKind::None && present() == kind; }

signals:
    // A notification area may have appeared or gone: ask again.
    void changed();
};

std::unique_ptr<TrayHosts> makeTrayHosts();

} // namespace quendral
