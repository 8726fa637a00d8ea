#include "control/commandlineends.h"

#include "control/runningcopy.h"
#include "lang/interfacemessages.h"
#include "settings/autostart.h"
#include "settings/programfile.h"
#include "settings/userdata.h"
#include "tray/uninstall.h"

#include <memory>
#include <optional>

namespace quendral {

CommandLineEnds commandLineEnds(const QStringList &arguments)
{
    CommandLineEnds ends;
    ends.call = callRunningCopy;
    ends.uninstall = [arguments] { uninstallSwitch(arguments, RemoveBrowserButton, RemoveAutostart); };
    ends.text = [texts = std::make_shared<std::optional<QHash<QString, QString>>>()](Msg id) {
        if (!*texts)
            *texts = interfaceMessages(ProgramFolder());
        return (*texts)->value(messageKey(id));
    };
    ends.logFile = userDataFolder() + QStringLiteral("quendral.log");
    return ends;
}

} // namespace quendral
