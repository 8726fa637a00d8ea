#pragma once

#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/testsupport.h"

#include <QList>
#include <QPair>

namespace quendral::test {

// What most window tests stand on: a temporary program folder, the program's
// state over it, and a window factory whose requests are recorded in order.
struct WindowRig
{
    using Requests = QList<QPair<QString, WindowFactory::Request>>;

    explicit WindowRig(ProgramFolder::Languages languages = ProgramFolder::Languages::None)
        : folder(languages)
        , state(folder.path())
    {
        QObject::connect(&factory, &WindowFactory::requested, &factory,
                         [this](const QString &name, WindowFactory::Request request) {
                             requests.append({name, request});
                         });
    }
    WindowRig(const WindowRig &) = delete;
    WindowRig &operator=(const WindowRig &) = delete;

    ProgramFolder folder;
    AppState state;
    WindowFactory factory;
    Requests requests;
};

} // namespace quendral::test
