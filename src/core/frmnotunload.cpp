#include "core/frmnotunload.h"

#include "core/monitor.h"
#include "core/monitorstatus.h"
#include "core/remotefolder.h"
#include "core/trayicon.h"
#include "kit/lazypicture.h"
#include "kit/menudecorator.h"
#include "kit/messagebox.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace quendral {

namespace {

QIcon pictureOf(const QLabel *box)
{
    return QIcon(box->pixmap());
}

// The active tooltip, with what may end monitoring besides the files.
QString activeToolTip(const QLabel *active, const Monitor &monitor, const AppState &state)
{
    const QString armed = armedConditionsText(monitor.conditions(), state);
    return armed.isEmpty() ? active->text() : active->text() + QStringLiteral(": ") + armed;
}

Msg textOf(Monitor::Problem problem)
{
    return problem == Monitor::Problem::NoFiles ? Msg::NoFiles : Msg::NoConnection;
}

Msg textOf(Monitor::Warning warning)
{
    switch (warning) {
    case Monitor::Warning::CannotPowerOff:
        return Msg::CannotPowerOff;
    case Monitor::Warning::PowerOffChallenge:
        return Msg::PowerOffChallenge;
    case Monitor::Warning::CannotSuspend:
        return Msg::CannotSuspend;
    case Monitor::Warning::SuspendChallenge:
        return Msg::SuspendChallenge;
    case Monitor::Warning::CannotHibernate:
        return Msg::CannotHibernate;
    case Monitor::Warning::HibernateChallenge:
        return Msg::HibernateChallenge;
    }
    return Msg::CannotPowerOff;
}

} // namespace

void endAtOnce()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

frmnotunload::frmnotunload(AppState &state, Monitor &monitor, WindowFactory &windows,
                           std::function<void()> loadLanguage)
    : m_state(state)
    , m_monitor(monitor)
    , m_windows(windows)
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

    m_cmdmonit = addEntry(QStringLiteral("cmdmonit"), QStringLiteral("Monitoruj"), &frmnotunload::cmdmonit_Click);
    addEntry(QStringLiteral("cmdaddfile"), QStringLiteral("Dodaj plik"), &frmnotunload::cmdaddfile_Click);
    addEntry(QStringLiteral("cmdoptions"), QStringLiteral("&Pokaż opcje"), &frmnotunload::cmdoptions_Click);
    addEntry(QStringLiteral("cmdhelp"), QStringLiteral("Pomo&c"), &frmnotunload::cmdhelp_Click);
    addEntry(QStringLiteral("cmdabout"), QStringLiteral("&O programie..."), &frmnotunload::cmdabout_Click);
    addEntry(QStringLiteral("cmdexit"), QStringLiteral("&Zamknij"), &frmnotunload::cmdexit_Click);

    m_tipTimer = new QTimer(this);
    m_tipTimer->setInterval(1000);
    connect(m_tipTimer, &QTimer::timeout, this, [this] { refreshToolTip(true); });
    m_mayBlock = [folders = std::make_shared<RemoteFolders>()](const QString &folder) {
        return folders->mayBlock(folder);
    };
    connect(&m_monitor, &Monitor::ticked, this, &frmnotunload::recount);

    connect(&m_monitor, &Monitor::started, this, &frmnotunload::show_running);
    connect(&m_monitor, &Monitor::stopped, this, &frmnotunload::show_stopped);
    // A completion disarms what the tooltip names.
    connect(&m_monitor, &Monitor::ruleMet, this, &frmnotunload::reset_to_start_texts);
    connect(&m_monitor, &Monitor::halted, this, [this](Monitor::Problem problem) { warn(textOf(problem)); });
    connect(&m_monitor, &Monitor::warning, this, [this](Monitor::Warning warning) { warn(textOf(warning)); });
    // Declining a running countdown from the menu, as its own button does.
    m_cmddecline =
        addEntry(QStringLiteral("cmddecline"), QStringLiteral("&Przerwij odliczanie"), &frmnotunload::cmddecline_Click);
    // In the menu only while a countdown runs: a hidden entry would still be
    // listed to screen readers.
    m_mnutray->removeAction(m_cmddecline);
    connect(&m_monitor, &Monitor::countdownChanged, this, [this] {
        if (m_monitor.countdownRunning())
            m_mnutray->insertAction(m_cmdmonit, m_cmddecline);
        else
            m_mnutray->removeAction(m_cmddecline);
    });

    Form_Load();
}

QAction *frmnotunload::addEntry(const QString &name, const QString &caption, void (frmnotunload::*handler)())
{
    auto *entry = new QAction(caption, m_mnutray);
    entry->setObjectName(name);
    connect(entry, &QAction::triggered, this, handler);
    m_mnutray->addAction(entry);
    return entry;
}

QLabel *frmnotunload::addLabel(const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->hide();
    return label;
}

QLabel *frmnotunload::addPicture(const QString &name, const QString &file)
{
    QLabel *box = addLabel(name, QString());
    box->setPixmap(QIcon(file).pixmap(32, 32));
    return box;
}

void frmnotunload::Form_Load()
{
    m_loadLanguage();
    m_tray->icon_start();
    reset_to_start_texts();
}

QString frmnotunload::browserButtonText() const
{
    return m_lblIE->text();
}

void frmnotunload::reset_to_start_texts()
{
    const bool running = m_monitor.running();
    refreshToolTip(running);
    m_cmdmonit->setText((running ? m_lblstop : m_lblstart)->text());
}

void frmnotunload::show_stopped()
{
    m_cmdmonit->setText(m_lblstart->text());
    m_hm1->set_entry_picture(m_cmdmonit, pictureOf(m_pctplay));
    m_tray->icon_stop();
    m_tipTimer->stop();
    refreshToolTip(false);
}

void frmnotunload::show_running()
{
    m_cmdmonit->setText(m_lblstop->text());
    m_hm1->set_entry_picture(m_cmdmonit, pictureOf(m_pctstop));
    m_tray->icon_start();
    m_tipTimer->start();
    recount();
}

void frmnotunload::recount()
{
    const MonitorStatus status = MonitorStatus::take(m_state, m_monitor, MonitorStatus::Look::Arrived, m_mayBlock);
    m_there = status.there();
    m_total = int(status.files.size());
    m_actions = status.actions;
    refreshToolTip(true);
}

void frmnotunload::refreshToolTip(bool running)
{
    m_tray->setToolTip(toolTipText(running));
}

QString frmnotunload::toolTipText(bool running) const
{
    if (!running)
        return m_lbltooltipnotactive->text();
    QStringList lines{activeToolTip(m_lbltooltipactive, m_monitor, m_state)};
    // A language file that empties a text leaves its line out.
    const auto line = [&](Msg id, int value, std::optional<int> other = std::nullopt) {
        if (const QString text = m_state.message(id); !text.isEmpty())
            lines.append(other ? text.arg(value).arg(*other) : text.arg(value));
    };
    line(m_total == 1 ? Msg::StatusFile : Msg::StatusFiles, m_there, m_total);
    if (m_monitor.state() == Monitor::State::CountingDown)
        line(Msg::StatusCountdown, m_state.countdown);
    else if (const int next = m_monitor.secondsToNextTick(); next >= 0)
        line(Msg::StatusNextCheck, next);
    static const QHash<QString, Msg> names = {{QStringLiteral("sound"), Msg::ActionSound},
                                              {QStringLiteral("notice"), Msg::ActionNotice},
                                              {QStringLiteral("hangup"), Msg::ActionHangUp},
                                              {QStringLiteral("poweroff"), Msg::ActionPowerOff}};
    QStringList actions;
    for (const QString &action : m_actions) {
        if (const auto name = names.constFind(action); name != names.cend())
            actions.append(m_state.message(*name));
    }
    if (const QString text = m_state.message(Msg::StatusActions); !actions.isEmpty() && !text.isEmpty())
        lines.append(text.arg(actions.join(QStringLiteral(", "))));
    return lines.join(u'\n');
}

void frmnotunload::cmdmonit_Click()
{
    if (m_monitor.running()) {
        m_monitor.stop();
        return;
    }
    if (const auto problem = m_monitor.start())
        warn(textOf(*problem));
}

void frmnotunload::warn(Msg message)
{
    msgbox::show(this, m_state.message(message), msgbox::Icon::Warning);
}

void frmnotunload::cmddecline_Click()
{
    m_monitor.declineCountdown();
}

void frmnotunload::cmdaddfile_Click()
{
    m_windows.show(QStringLiteral("frmmain"));
    if (!m_windows.isVisible(QStringLiteral("frmadd")))
        m_windows.showModal(QStringLiteral("frmadd"));
}

void frmnotunload::cmdoptions_Click()
{
    m_windows.show(QStringLiteral("frmmain"));
}

void frmnotunload::cmdhelp_Click()
{
    m_windows.show(QStringLiteral("frmprehelp"));
}

void frmnotunload::cmdabout_Click()
{
    m_windows.show(QStringLiteral("frmabout"));
}

void frmnotunload::cmdexit_Click()
{
    const auto answer =
        msgbox::show(this, m_state.message(Msg::EndProgram), msgbox::Icon::Question, msgbox::Buttons::YesNo);
    if (answer != msgbox::Answer::Yes)
        return;
    // The computer may sleep again; the process ends before anything redraws.
    m_monitor.stop();
    m_tray->icon_remove();
    emit exitConfirmed();
}

} // namespace quendral
