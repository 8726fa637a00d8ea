#include "control/transport.h"

#include "base/logging.h"
#include "control/busnames_linux.h"
#include "control/dbusservice.h"

#include <QDBusConnection>
#include <QDBusError>

namespace quendral {

QObject *serveControl(Control &control, QObject *parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcControl) << "No session bus: the command line cannot reach this copy";
        return nullptr;
    }
    auto *server = new DBusService(control, parent);
    if (!bus.registerObject(busnames::path(), server, QDBusConnection::ExportAdaptors) ||
        !bus.registerService(busnames::service())) {
        qCWarning(lcControl) << "Cannot own" << busnames::service()
                             << "on the session bus:" << bus.lastError().message();
        bus.unregisterObject(busnames::path());
        delete server;
        return nullptr;
    }
    return server;
}

} // namespace quendral
