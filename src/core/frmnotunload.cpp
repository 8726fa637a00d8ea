#include "core/frmnotunload.h"

#include "core/monitoring.h"
#include "core/trayicon.h"
#include "kit/completionwindows.h"
#include "kit/dialupcontrol.h"
#include "kit/lazypicture.h"
#include "kit/menudecorator.h"
#include "kit/messagebox.h"
#include "kit/powercontrol.h"
#include "kit/sleepinhibitor.h"
#include "kit/soundplayer.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "settings/storekeys.h"
#include "settings/watchliststore.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace quendral {

namespace {

constexpr int kTickMs = 30000;

QIcon pictureOf(const QLabel *box)
{
    return QIcon(box->pixmap());
}

} // namespace

void endAtOnce()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

frmnotunload::frmnotunload(AppState &state, WindowFactory &windows, DialupControl &dialup, SoundPlayer &sound,
                           CompletionWindows &completion, SleepInhibitor &inhibitor, PowerControl &power,
                           std::function<void()> loadLanguage, std::function<void()> endProgram, PresenceProbe probe)
    : m_state(state)
    , m_windows(windows)
    , m_dialup(dialup)
    , m_sound(sound)
    , m_completion(completion)
    , m_inhibitor(inhibitor)
    , m_power(power)
    , m_loadLanguage(std::move(loadLanguage))
    , m_endProgram(std::move(endProgram))
    , m_probe(std::move(probe))
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

    m_tloop = new QTimer(this);
    m_tloop->setObjectName(QStringLiteral("tloop"));
    m_tloop->setInterval(kTickMs);
    connect(m_tloop, &QTimer::timeout, this, &frmnotunload::tloop_Timer);

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
    m_tray->setToolTip(m_lbltooltipnotactive->text());
    m_cmdmonit->setText(m_lblstart->text());
}

void frmnotunload::show_stopped()
{
    m_cmdmonit->setText(m_lblstart->text());
    m_hm1->set_entry_picture(m_cmdmonit, pictureOf(m_pctplay));
    m_tray->icon_stop();
    m_tray->setToolTip(m_lbltooltipnotactive->text());
}

void frmnotunload::show_running()
{
    m_cmdmonit->setText(m_lblstop->text());
    m_hm1->set_entry_picture(m_cmdmonit, pictureOf(m_pctstop));
    m_tray->icon_start();
    m_tray->setToolTip(m_lbltooltipactive->text());
}

void frmnotunload::cmdmonit_Click()
{
    const QString caption = m_cmdmonit->text();
    if (caption == m_lblstop->text()) {
        m_tloop->stop();
        m_inhibitor.release();
        show_stopped();
        return;
    }
    if (caption != m_lblstart->text())
        return;
    if (monitoring::last_file_index(m_state.store) == -1) {
        msgbox::show(this, m_state.message(QStringLiteral("nofiles")), msgbox::Icon::Warning);
        return;
    }
    if (!m_dialup.dialup_connected()) {
        msgbox::show(this, m_state.message(QStringLiteral("noconnection")), msgbox::Icon::Warning);
        return;
    }
    // Without logind, or refused by it, monitoring runs all the same, and the
    // computer may sleep as before.
    m_inhibitor.hold(m_state.message(QStringLiteral("inhibitreason")));
    // Choosing Monitor again while the timer still runs (after a language
    // change reset the caption) keeps the interval where it is.
    if (!m_tloop->isActive())
        m_tloop->start();
    show_running();
    // Monitoring has started by now: a box left open keeps nothing waiting.
    warnIfPowerOffRefused();
}

void frmnotunload::warnIfPowerOffRefused()
{
    const SettingsStore &store = m_state.store;
    const auto countdown =
        monitoring::chooseCountdown(store.userNumber(keys::kAutoDisconnect), store.userNumber(keys::kAutoCompOff));
    if (!countdown ||
        (countdown->mode != CompletionMode::PowerOff && countdown->mode != CompletionMode::HangUpThenPowerOff))
        return;
    switch (m_power.canPowerOff()) {
    case PowerControl::Ability::No:
        msgbox::show(this, m_state.message(QStringLiteral("cannotpoweroff")), msgbox::Icon::Warning);
        break;
    case PowerControl::Ability::Challenge:
        msgbox::show(this, m_state.message(QStringLiteral("poweroffchallenge")), msgbox::Icon::Warning);
        break;
    case PowerControl::Ability::Yes:
    case PowerControl::Ability::Unknown:
        // Unknown: no answer now; a refusal at the end still gets its box.
        break;
    }
}

void frmnotunload::warnAndHalt(const QString &messageKey)
{
    // Monitoring ends here: the computer may sleep while the box waits.
    m_inhibitor.release();
    msgbox::show(this, m_state.message(messageKey), msgbox::Icon::Warning);
    m_tloop->stop();
}

void frmnotunload::tloop_Timer()
{
    // A tick whose message box is open, or whose sound is still playing, would
    // otherwise see the next tick start inside it and stack a second box.
    if (m_inTick)
        return;
    const QScopedValueRollback inTick(m_inTick, true);

    const SettingsStore &store = m_state.store;
    const QStringList paths = watchlist::read(store.settingsFile());
    if (paths.isEmpty()) {
        warnAndHalt(QStringLiteral("nofiles"));
        return;
    }
    if (!m_dialup.dialup_connected()) {
        warnAndHalt(QStringLiteral("noconnection"));
        return;
    }
    const auto rule = monitoring::ruleFrom(store.userNumber(keys::kNotAllFiles));
    if (!monitoring::ruleMet(rule, paths, m_probe))
        return;

    // The downloads are done: nothing is left to stay awake for.
    m_inhibitor.release();
    watchlist::empty(store.settingsFile());

    const QString soundPath = store.GetUserSetting(keys::kSoundPath);
    // A wildcard would find a file but name none to play.
    if (store.userNumber(keys::kSound) == 1 && !presence::hasWildcard(soundPath) && m_probe.anyFound({soundPath}))
        m_sound.playSync(soundPath);

    if (store.userNumber(keys::kInfoFiles) == 1)
        m_completion.showNotice();

    const auto countdown =
        monitoring::chooseCountdown(store.userNumber(keys::kAutoDisconnect), store.userNumber(keys::kAutoCompOff));
    if (!countdown)
        return;
    m_state.completion_mode = countdown->mode;
    if (countdown->window == monitoring::Countdown::HangUp) {
        m_completion.showHangUp();
        m_tloop->stop();
        m_completion.enableHangUpTimer();
    } else {
        m_completion.showPowerOff();
        m_tloop->stop();
        m_completion.enablePowerOffTimer();
    }
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
    const auto answer = msgbox::show(this, m_state.message(QStringLiteral("endprogram")), msgbox::Icon::Question,
                                     msgbox::Buttons::YesNo);
    if (answer != msgbox::Answer::Yes)
        return;
    m_inhibitor.release();
    m_tray->icon_remove();
    m_endProgram();
}

} // namespace quendral
