#include "tray/traywindow.h"

#include "base/desktopnotifier.h"
#include "engine/monitor.h"
#include "engine/monitorstatus.h"
#include "engine/remotefolder.h"
#include "kit/lazypicture.h"
#include "kit/menudecorator.h"
#include "kit/messagebox.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"
#include "tray/trayicon.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QTime>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace quendral {

namespace {

QIcon pictureOf(const QLabel *box)
{
    return QIcon(box->pixmap());
}

Msg textOf(Monitor::Problem problem)
{
    switch (problem) {
    case Monitor::Problem::NoFiles:
        return Msg::NoFiles;
    case Monitor::Problem::NoConnection:
        return Msg::NoConnection;
    case Monitor::Problem::ListNotEmptied:
        return Msg::ListNotEmptied;
    }
    return Msg::NoFiles;
}

} // namespace

void endAtOnce()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

TrayWindow::TrayWindow(AppState &state, Monitor &monitor, WindowFactory &windows, DesktopNotifier &notifier,
                       LanguagePass loadLanguage)
    : m_state(state)
    , m_monitor(monitor)
    , m_windows(windows)
    , m_notifier(notifier)
    , m_loadLanguage(std::move(loadLanguage))
{
    setObjectName(QStringLiteral("frmnotunload"));
    setWindowTitle(QStringLiteral("Quendral"));

    m_tray = new TrayIcon(this);
    m_tray->setObjectName(QStringLiteral("Tray"));
    connect(m_tray, &TrayIcon::leftClick, this, [this] { m_windows.show(QStringLiteral("frmmain")); });
    connect(m_tray, &TrayIcon::rightClick, this, [this] { m_mnutray->popup(QCursor::pos()); });

    m_mnutray = new QMenu(QStringLiteral("Tray"), this);
    m_mnutray->setObjectName(QStringLiteral("mnutray"));
    m_tray->setMenu(m_mnutray);
    m_hm1 = new MenuDecorator(*m_mnutray, this);
    m_hm1->setObjectName(QStringLiteral("hm1"));
    m_hm1->setPicture(QStringLiteral("#cmdmonit"), lazyPicture(QStringLiteral(":/pictures/play.svg")));
    m_hm1->setPicture(QStringLiteral("#cmdaddfile"), lazyPicture(QStringLiteral(":/pictures/addfile.svg")));
    m_hm1->setPicture(QStringLiteral("#cmdoptions"), lazyPicture(QStringLiteral(":/pictures/options.svg")));
    m_hm1->setPicture(QStringLiteral("#cmdhelp"), lazyPicture(QStringLiteral(":/pictures/help.svg")));
    m_hm1->setPicture(QStringLiteral("#cmdabout"), lazyPicture(QStringLiteral(":/pictures/about.svg")));
    m_hm1->setPicture(QStringLiteral("#cmdexit"), lazyPicture(QStringLiteral(":/pictures/exit.svg")));
    m_hm1->setPicture(QStringLiteral("#cmddecline"), lazyPicture(QStringLiteral(":/pictures/decline.svg")));

    m_lblstart = addLabel(QStringLiteral("lblstart"), QStringLiteral("Monitoruj"));
    m_lblstop = addLabel(QStringLiteral("lblstop"), QStringLiteral("Zatrzymaj"));
    m_lbltooltipactive = addLabel(QStringLiteral("lbltooltipactive"), QStringLiteral("Quendral jest aktywny"));
    m_lbltooltipnotactive =
        addLabel(QStringLiteral("lbltooltipnotactive"), QStringLiteral("Quendral nie jest aktywny"));
    m_lblIE = addLabel(QStringLiteral("lblIE"), QStringLiteral("Kontroluj pobierane pliki!"));
    m_pctplay = addPicture(QStringLiteral("pctplay"), QStringLiteral(":/pictures/play.svg"));
    m_pctstop = addPicture(QStringLiteral("pctstop"), QStringLiteral(":/pictures/stop.svg"));

    m_cmdmonit = addEntry(QStringLiteral("cmdmonit"), QStringLiteral("Monitoruj"), &TrayWindow::startOrStopMonitoring);
    addEntry(QStringLiteral("cmdaddfile"), QStringLiteral("Dodaj plik"), &TrayWindow::addFile);
    addEntry(QStringLiteral("cmdoptions"), QStringLiteral("&Pokaż opcje"), &TrayWindow::showOptions);
    addEntry(QStringLiteral("cmdhelp"), QStringLiteral("Pomo&c"), &TrayWindow::showHelp);
    addEntry(QStringLiteral("cmdabout"), QStringLiteral("&O programie..."), &TrayWindow::showAbout);
    addEntry(QStringLiteral("cmdexit"), QStringLiteral("&Zamknij"), &TrayWindow::exitProgram);

    m_mayBlock = [folders = std::make_shared<RemoteFolders>()](const QString &folder) {
        return folders->mayBlock(folder);
    };
    // Every change of the monitor's state or choice shows at once; nothing
    // else wakes the program while it waits.
    for (const auto signal : {&Monitor::started, &Monitor::stopped, &Monitor::ticked, &Monitor::ruleMet,
                              &Monitor::countdownChanged, &Monitor::programsChanged})
        connect(&m_monitor, signal, this, &TrayWindow::showState);
    connect(&m_monitor, &Monitor::halted, this, &TrayWindow::tellStopped);
    connect(&m_monitor, &Monitor::warning, this, [this](Monitor::Warning warning, PowerControl::Action action) {
        const PowerActionInfo &info = powerActionInfo(action);
        warn(m_state.message(warning == Monitor::Warning::Cannot ? info.cannot : info.challenge));
    });
    // Declining a running countdown from the menu, as its own button does.
    m_cmddecline = addEntry(QStringLiteral("cmddecline"), QStringLiteral("&Przerwij odliczanie"),
                            &TrayWindow::declineTheCountdown);
    // In the menu only while a countdown runs: a hidden entry would still be
    // listed to screen readers.
    m_mnutray->removeAction(m_cmddecline);
    connect(&m_monitor, &Monitor::countdownChanged, this, [this] {
        if (m_monitor.countdownRunning())
            m_mnutray->insertAction(m_cmdmonit, m_cmddecline);
        else
            m_mnutray->removeAction(m_cmddecline);
    });

    load();
}

QAction *TrayWindow::addEntry(const QString &name, const QString &caption, void (TrayWindow::*handler)())
{
    auto *entry = new QAction(caption, m_mnutray);
    entry->setObjectName(name);
    connect(entry, &QAction::triggered, this, handler);
    m_mnutray->addAction(entry);
    return entry;
}

QLabel *TrayWindow::addLabel(const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->hide();
    return label;
}

QLabel *TrayWindow::addPicture(const QString &name, const QString &file)
{
    QLabel *box = addLabel(name, QString());
    box->setPixmap(QIcon(file).pixmap(32, 32));
    return box;
}

void TrayWindow::load()
{
    m_loadLanguage(this);
    showState();
}

void TrayWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The entry and the tooltip in the new language's texts.
    if (event->type() == QEvent::LanguageChange)
        showState();
}

QString TrayWindow::browserButtonText() const
{
    return m_lblIE->text();
}

void TrayWindow::showState()
{
    // The entry offers Stop while the tick runs and Monitor otherwise (a
    // countdown on screen has its own decline); the icon keeps the running
    // look until the countdown ends.
    const bool ticking = m_monitor.state() == Monitor::State::Running;
    m_cmdmonit->setText((ticking ? m_lblstop : m_lblstart)->text());
    // Put on again only when it changes: a new picture tells a StatusNotifier
    // host that the exported menu changed, at every tick otherwise.
    if (const QLabel *picture = ticking ? m_pctstop : m_pctplay; picture != m_entryPicture) {
        m_hm1->setEntryPicture(m_cmdmonit, pictureOf(picture));
        m_entryPicture = picture;
    }
    if (m_monitor.running())
        m_tray->showRunningLook();
    else
        m_tray->showStoppedLook();
    m_tray->setToolTip(toolTipText());
}

QString TrayWindow::toolTipText() const
{
    if (!m_monitor.running())
        return m_lbltooltipnotactive->text();
    const MonitorStatus status = MonitorStatus::take(m_state, m_monitor, MonitorStatus::Look::Arrived, m_mayBlock);
    QStringList lines{m_lbltooltipactive->text()};
    // A language file that empties a text leaves its line out.
    const auto line = [&](Msg id, const QString &first, const QString &second = QString()) {
        if (const QString text = m_state.message(id); !text.isEmpty())
            lines.append(second.isNull() ? text.arg(first) : text.arg(first, second));
    };
    const qsizetype total = status.files.size();
    if (total > 0)
        line(total == 1 ? Msg::StatusFile : Msg::StatusFiles, QString::number(status.there()), QString::number(total));
    const CompletionChoice choice = m_monitor.choice();
    const auto powerTitle = [this](PowerControl::Action action) {
        return m_state.message(powerActionInfo(action).title);
    };
    if (const auto countdown = m_monitor.countdown())
        line(Msg::StatusCountdown, QString::number(countdown->left),
             countdown->power ? powerTitle(*countdown->power) : m_state.message(Msg::ActionHangUp));
    else if (const int next = m_monitor.secondsToNextTick(); next >= 0)
        line(Msg::StatusNextCheck, QTime::currentTime().addSecs(next).toString(QStringLiteral("HH:mm:ss")));
    QStringList actions;
    if (!choice.soundPath.isEmpty())
        actions.append(m_state.message(Msg::ActionSound));
    if (choice.notice)
        actions.append(m_state.message(Msg::ActionNotice));
    if (!choice.command.isEmpty())
        actions.append(m_state.message(Msg::ActionCommand).arg(choice.command));
    if (choice.hangUp)
        actions.append(m_state.message(Msg::ActionHangUp));
    if (choice.power)
        actions.append(powerTitle(*choice.power));
    if (!actions.isEmpty())
        line(Msg::StatusActions, actions.join(QStringLiteral(", ")));
    if (const QString armed = armedConditionsText(m_monitor.conditions(), m_state); !armed.isEmpty())
        line(Msg::StatusArmed, armed);
    return lines.join(u'\n');
}

void TrayWindow::startOrStopMonitoring()
{
    if (m_monitor.state() == Monitor::State::Running) {
        m_monitor.stop();
        return;
    }
    if (const auto problem = m_monitor.start())
        warn(m_state.message(textOf(*problem)));
}

void TrayWindow::warn(const QString &text)
{
    msgbox::show(this, text, msgbox::Icon::Warning);
}

void TrayWindow::tellStopped(Monitor::Problem problem)
{
    // Whoever is away from the screen learns it from the notifications.
    QString text = m_state.message(textOf(problem));
    if (const QString stopped = m_state.message(Msg::MonitoringStopped); !stopped.isEmpty())
        text += QStringLiteral("\n\n") + stopped;
    m_notifier.notify(QStringLiteral("Quendral"), text);
    warn(text);
}

void TrayWindow::declineTheCountdown()
{
    m_monitor.declineCountdown();
}

void TrayWindow::addFile()
{
    m_windows.show(QStringLiteral("frmmain"));
    if (!m_windows.isVisible(QStringLiteral("frmadd")))
        m_windows.showModal(QStringLiteral("frmadd"));
}

void TrayWindow::showOptions()
{
    m_windows.show(QStringLiteral("frmmain"));
}

void TrayWindow::showHelp()
{
    m_windows.show(QStringLiteral("frmprehelp"));
}

void TrayWindow::showAbout()
{
    m_windows.show(QStringLiteral("frmabout"));
}

void TrayWindow::exitProgram()
{
    const auto answer =
        msgbox::show(this, m_state.message(Msg::EndProgram), msgbox::Icon::Question, msgbox::Buttons::YesNo);
    if (answer != msgbox::Answer::Yes)
        return;
    // The computer may sleep again; the process ends before anything redraws.
    m_monitor.stop();
    m_tray->removeIcon();
    emit exitConfirmed();
}

} // namespace quendral
