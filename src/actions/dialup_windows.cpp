#include "actions/connectionsource_windows.h"
#include "actions/dialup.h"

namespace quendral {

std::unique_ptr<Dialup> makeDialupControl(QWidget *messageParent)
{
    return std::make_unique<Dialup>(std::make_unique<RasConnectionSource>(), messageParent);
}

} // namespace quendral
