#include "actions/connectionsource_linux.h"
#include "actions/dialup.h"

namespace quendral {

std::unique_ptr<Dialup> makeDialupControl(QWidget *messageParent)
{
    return std::make_unique<Dialup>(
        std::make_unique<LinuxConnectionSource>(QDBusConnection::systemBus(), PppSource::ofProgram()), messageParent);
}

} // namespace quendral
