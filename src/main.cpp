#include "actions/actionwindows.h"
#include "actions/completionsequence.h"
#include "actions/dialup.h"
#include "actions/inhibit.h"
#include "actions/notify.h"
#include "actions/poweroff.h"
#include "actions/sound.h"
#include "base/logfile.h"
#include "control/commandlineends.h"
#include "control/control.h"
#include "control/transport.h"
#include "engine/monitor.h"
#include "info/aboutwindow.h"
#include "info/helplanguagewindow.h"
#include "info/helpwindow.h"
#include "kit/messagebox.h"
#include "kit/windowfactory.h"
#include "lang/language.h"
#include "lang/languageid.h"
#include "options/optionswindow.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "settings/programfile.h"
#include "tray/singleinstance.h"
#include "tray/startup.h"
#include "tray/trayhosts.h"
#include "tray/trayplacement.h"
#include "tray/traystandin.h"
#include "tray/traywindow.h"
#include "watchlist/watchlistwindow.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace quendral;

namespace {

// Said before any language file can be read (they sit in the very folder that
// has no name), so in the system's language, Polish or English.
void refuseUnnamedFolder(const char *startedAs)
{
    const QString text =
        (systemDefaultLangId() == kLangIdPolish
             ? QStringLiteral("Quendral nie może działać z folderu, którego nazwa nie jest zapisana w UTF-8:\n%1\n"
                              "Przenieś program do folderu o innej nazwie.")
             : QStringLiteral("Quendral cannot run from a folder whose name is not valid UTF-8:\n%1\n"
                              "Move the program to a folder with another name."))
            .arg(QString::fromLocal8Bit(startedAs));
    fprintf(stderr, "%s\n", qPrintable(text));
    msgbox::show(nullptr, text, msgbox::Icon::Critical);
}

// While QApplication opens the display: Qt ends the program with abort() and
// a word about reinstalling it when no display can be opened. The user
// learns instead that a display is needed; Qt's own lines go to the log.
struct DisplayGuard
{
    static inline LogFile *log = nullptr;
    static inline QString text;
    static inline QtMessageHandler before = nullptr;

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type != QtFatalMsg) {
            before(type, context, message);
            return;
        }
        log->append(type, context, message);
        fprintf(stderr, "%s\n", qPrintable(text));
        std::_Exit(ExitNoDisplay);
    }
};

} // namespace

// Builds the program: the shared state, the back-ends and the window factory
// with every window's creator, then runs the entry procedure.
int main(int argc, char *argv[])
{
    // The uninstall switch and the command line need no display, so they are
    // served before any GUI object exists; the registry layer and the bus
    // need only a core application. Started by the front program, which
    // served them already, this program is left with a start.
    // --monitor, --wait-pid or --wait-program with no running copy: the copy
    // that starts carries it out.
    std::optional<Command> monitorOnStart;
    QString logPath;
    QString needsDisplay;
    {
        QCoreApplication core(argc, argv);
        const QStringList arguments = QCoreApplication::arguments().mid(1);
        const ParsedCommand command = parseCommand(arguments);
        const CommandLineEnds ends = commandLineEnds(arguments);
        logPath = ends.logFile;
        if (const int status = runCommandLine(command, ends); status >= 0)
            return status;
        // --monitor with no running copy starts one, which then monitors.
        if (startsCopy(command.command->kind))
            monitorOnStart = command.command;
        needsDisplay = ends.text(Msg::NeedsDisplay);
    }
    // From here on the program's messages go to its log as well.
    LogFile log(logPath);
    LogFile::install(&log);
    DisplayGuard::log = &log;
    DisplayGuard::text = needsDisplay;
    DisplayGuard::before = qInstallMessageHandler(DisplayGuard::handle);
    QApplication app(argc, argv);
    qInstallMessageHandler(DisplayGuard::before);
    // The program lives in the tray: closing its last window does not end it.
    app.setQuitOnLastWindowClosed(false);
    const QString programFolder = ProgramFolder();
    if (programFolder.isEmpty()) {
        refuseUnnamedFolder(argv[0]);
        return 1;
    }
    AppState state(programFolder);
    state.programFile = programfile::startedFile(QCoreApplication::applicationFilePath());
    QApplication::setWindowIcon(QIcon(state.ProgramFolder() + programfile::programPicture()));

    const std::unique_ptr<Dialup> dialup = makeDialupControl();
    const std::unique_ptr<PowerControl> power = makePowerControl();
    const std::unique_ptr<SoundPlayer> sound = makeSoundPlayer();
    const std::unique_ptr<SleepInhibitor> inhibitor = makeSleepInhibitor();
    const std::unique_ptr<DesktopNotifier> notifier =
        makeDesktopNotifier(state.ProgramFolder() + QStringLiteral("quendral.svg"));
    WindowFactory factory;
    const LanguagePass loadLanguage = [&state](QWidget *window) { LoadLanguage(state, window); };
    ActionWindows actionWindows(CountdownDeps{state, *sound, loadLanguage}, *dialup, *power, *notifier);
    CompletionSequence completion({actionWindows, *sound});
    Monitor monitor(state, {*dialup, *inhibitor, *power, completion});
    monitor.setTrafficMeter(dialup.get());
    // A diagnostic setting for test and soak runs, not an option: a tick of
    // this many milliseconds instead of 30 s.
    if (const int tickMs = qEnvironmentVariableIntValue("QUENDRAL_TICK_MS"); tickMs > 0)
        monitor.setInterval(tickMs);
    Control control(state, monitor, completion);

    // The tray window, once the start-up has loaded it: the other windows
    // that need it are loaded after it.
    QPointer<TrayWindow> tray;
    factory.setCreator(QStringLiteral("frmnotunload"), [&] {
        tray = new TrayWindow(state, monitor, factory, *notifier, loadLanguage);
        QObject::connect(tray, &TrayWindow::exitConfirmed, tray, [] { endAtOnce(); });
        new TrayPlacement(
            tray->trayIcon(), makeTrayHosts(), [&factory] { factory.show(QStringLiteral("frmtray")); },
            [&factory] {
                if (QWidget *standIn = factory.loaded(QStringLiteral("frmtray")))
                    standIn->hide();
            },
            TrayPlacement::kGrace, tray);
        // The copy that runs from here on: it answers the command line.
        serveControl(control, tray);
        if (monitorOnStart) {
            QTimer::singleShot(0, &control, [&control, start = *monitorOnStart] {
                control.run(start.kind, start.target, [](const Reply &reply) {
                    if (!reply.text.isEmpty())
                        fprintf(reply.outcome == Reply::Outcome::Refused ? stderr : stdout, "%s\n",
                                qPrintable(reply.text));
                });
            });
        }
        return tray;
    });
    factory.setCreator(QStringLiteral("frmtray"), [&]() -> QWidget * {
        if (!tray)
            return nullptr;
        return new TrayStandIn(tray->trayMenu(), tray->trayIcon(), loadLanguage);
    });
    // The options window is built when it is first shown: the start-up's
    // hidden load makes only the corrections its load makes (and tells of a
    // sound with no file), so that a program that waits does not keep the
    // window's controls, their code and their fonts for hours.
    bool optionsShown = false;
    QObject::connect(&factory, &WindowFactory::requested, &factory,
                     [&optionsShown](const QString &name, WindowFactory::Request request) {
                         if (name == QLatin1String("frmmain") && request != WindowFactory::Request::Load)
                             optionsShown = true;
                     });
    factory.setCreator(QStringLiteral("frmmain"), [&]() -> QWidget * {
        if (!optionsShown) {
            OptionsWindow::correctStored(state, Options::read(state.store), nullptr);
            return nullptr;
        }
        OptionsWindow::Deps deps;
        deps.loadLanguage = loadLanguage;
        // The tray window is loaded before the options window; loading it here
        // keeps the text right should that order ever change.
        deps.browserButtonText = [&] {
            factory.load(QStringLiteral("frmnotunload"));
            return tray ? tray->browserButtonText() : QString();
        };
        return new OptionsWindow(state, factory, deps);
    });
    factory.setCreator(QStringLiteral("frmadd"), [&] { return new WatchListWindow(state, loadLanguage); });
    factory.setCreator(QStringLiteral("frmprehelp"),
                       [&] { return new HelpLanguageWindow(state, factory, loadLanguage); });
    factory.setCreator(QStringLiteral("frmhelp"), [&] { return new HelpWindow(state, loadLanguage); });
    factory.setCreator(QStringLiteral("frmabout"), [&] { return new AboutWindow(loadLanguage); });

    SingleInstance instance(state.programFile);
    const StartUp startUp{state, factory, instance, loadLanguage};
    if (!runStartUp(startUp))
        return 0;
    return app.exec();
}
