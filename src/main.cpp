#include "actions/actionwindows.h"
#include "actions/completionsequence.h"
#include "actions/dialup.h"
#include "actions/inhibit.h"
#include "actions/notify.h"
#include "actions/poweroff.h"
#include "actions/sound.h"
#include "core/frmnotunload.h"
#include "core/frmtray.h"
#include "core/monitor.h"
#include "core/singleinstance.h"
#include "core/stylexp.h"
#include "core/trayhosts.h"
#include "core/trayplacement.h"
#include "info/frmabout.h"
#include "info/frmhelp.h"
#include "info/frmprehelp.h"
#include "kit/windowfactory.h"
#include "lang/language.h"
#include "options/frmmain.h"
#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/programfile.h"
#include "watchlist/frmadd.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>

using namespace quendral;

// Builds the program: the shared state, the back-ends and the window factory
// with every window's creator, then runs the entry procedure.
int main(int argc, char *argv[])
{
    // The uninstall switch needs no display, so it is served before any GUI
    // object exists; the registry layer needs only a core application.
    {
        QCoreApplication core(argc, argv);
        if (uninstallSwitch(QCoreApplication::arguments().mid(1), RemoveBrowserButton, RemoveAutostart))
            return 0;
    }
    QApplication app(argc, argv);
    // The program lives in the tray: closing its last window does not end it.
    app.setQuitOnLastWindowClosed(false);
    AppState state(ProgramFolder());
    QApplication::setWindowIcon(QIcon(state.ProgramFolder() + programfile::programPicture()));

    const std::unique_ptr<DialupControl> dialup = makeDialupControl();
    const std::unique_ptr<PowerControl> power = makePowerControl();
    const std::unique_ptr<SoundPlayer> sound = makeSoundPlayer();
    const std::unique_ptr<SleepInhibitor> inhibitor = makeSleepInhibitor();
    const std::unique_ptr<DesktopNotifier> notifier =
        makeDesktopNotifier(state.ProgramFolder() + QStringLiteral("quendral.svg"));
    WindowFactory factory;
    const auto loadLanguage = [&state] { LoadLanguage(state); };
    registerActionWindows(factory, CountdownDeps{state, *sound, loadLanguage}, *dialup, *power, *notifier);
    CompletionSequence completion({factory, *sound});
    Monitor monitor(state, {*dialup, *inhibitor, *power, completion});

    // The tray window, once the start-up has loaded it: the other windows
    // that need it are loaded after it.
    QPointer<frmnotunload> tray;
    factory.setCreator(QStringLiteral("frmnotunload"), [&] {
        tray = new frmnotunload(state, monitor, factory, loadLanguage);
        QObject::connect(tray, &frmnotunload::exitConfirmed, tray, [] { endAtOnce(); });
        new TrayPlacement(
            tray->trayIcon(), makeTrayHosts(), [&factory] { factory.show(QStringLiteral("frmtray")); },
            [&factory] {
                if (QWidget *standIn = factory.loaded(QStringLiteral("frmtray")))
                    standIn->hide();
            },
            TrayPlacement::kGrace, tray);
        return tray;
    });
    factory.setCreator(QStringLiteral("frmtray"), [&]() -> QWidget * {
        if (!tray)
            return nullptr;
        return new frmtray(tray->trayMenu(), tray->trayIcon(), loadLanguage);
    });
    factory.setCreator(QStringLiteral("frmmain"), [&] {
        frmmain::Deps deps;
        deps.loadLanguage = loadLanguage;
        deps.resetTrayTexts = [&tray] {
            if (tray)
                tray->reset_to_start_texts();
        };
        // The tray window is loaded before the options window; loading it here
        // keeps the text right should that order ever change.
        deps.browserButtonText = [&] {
            factory.load(QStringLiteral("frmnotunload"));
            return tray ? tray->browserButtonText() : QString();
        };
        return new frmmain(state, factory, deps);
    });
    factory.setCreator(QStringLiteral("frmadd"), [&] { return new frmadd(state, loadLanguage); });
    factory.setCreator(QStringLiteral("frmprehelp"), [&] { return new frmprehelp(state, factory, loadLanguage); });
    factory.setCreator(QStringLiteral("frmhelp"), [&] { return new frmhelp(state, loadLanguage); });
    factory.setCreator(QStringLiteral("frmabout"), [&] { return new frmabout(loadLanguage); });

    SingleInstance instance(QCoreApplication::applicationFilePath());
    const StartUp startUp{state, factory, instance, loadLanguage};
    if (!stylexp(startUp))
        return 0;
    return app.exec();
}
