#pragma once

#include "actions/actionwindows.h"
#include "actions/completionsequence.h"
#include "engine/monitor.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/shownwindows.h"
#include "support/windowrig.h"
#include "tray/traywindow.h"

#include <QCoreApplication>

#include <memory>

namespace quendral::test {

// The tray window over a real monitor and completion sequence, with the real
// completion windows and fakes for every service, in a program folder of its
// own. Set `sleepInhibitor`, `probe` or `loadLanguage` before load().
struct TrayRig : WindowRig
{
    FakeDialup dialup;
    FakeSound sound;
    FakeInhibitor inhibitor;
    FakePower power;
    FakeNotifier notifier;
    SleepInhibitor *sleepInhibitor = &inhibitor;
    PresenceProbe probe;
    // No grace unless a test asks: a tick without a connection halts at once.
    int connectionGraceMs = 0;
    std::function<void()> loadLanguage = [] {};
    int exits = 0;
    ActionWindows actionWindows{{state, sound, [this](QWidget *) { loadLanguage(); }}, dialup, power, notifier};
    CompletionSequence completion{{actionWindows, sound}};
    ShownWindows shown;
    std::unique_ptr<Monitor> monitor;
    std::unique_ptr<TrayWindow> window;

    explicit TrayRig(ProgramFolder::Languages languages = ProgramFolder::Languages::None)
        : WindowRig(languages)
    {
    }
    ~TrayRig()
    {
        delete actionWindows.notice();
        delete actionWindows.hangUp();
        delete actionWindows.powerAction();
    }

    TrayWindow &load()
    {
        monitor = std::make_unique<Monitor>(state, Monitor::Services{dialup, *sleepInhibitor, power, completion},
                                            std::move(probe));
        monitor->setConnectionGrace(connectionGraceMs);
        window =
            std::make_unique<TrayWindow>(state, *monitor, factory, notifier, [this](QWidget *) { loadLanguage(); });
        QObject::connect(window.get(), &TrayWindow::exitConfirmed, window.get(), [this] { ++exits; });
        return *window;
    }

    // Every per-user option, absent ones written "0", so no test sees another's;
    // others given are written too.
    void setOptions(QHash<QString, QString> values)
    {
        for (const char *key : {"notallfiles", "sound", "sound_path", "infofiles", "autodisconnect", "autocomp_off"})
            values.insert(QString::fromLatin1(key), values.value(QString::fromLatin1(key), QStringLiteral("0")));
        // The per-user store outlives a rig: these go back to unset.
        for (const char *key : {"PowerAction", "Command", "WaitPrograms"})
            values.insert(QString::fromLatin1(key), values.value(QString::fromLatin1(key)));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            state.store.SaveUserSetting(it.key(), it.value());
    }
    void setWatchList(const QStringList &paths) const
    {
        QByteArray text = "[Files]\n";
        for (int n = 0; n < paths.size(); ++n)
            text += "file" + QByteArray::number(n) + '=' + paths[n].toUtf8() + '\n';
        folder.write(QStringLiteral("Settings.ini"), text);
    }
    QString present(const QString &name) const
    {
        folder.write(QStringLiteral("downloads/") + name, "data");
        return folder.file(QStringLiteral("downloads/") + name);
    }
    QString absent(const QString &name) const { return folder.file(QStringLiteral("downloads/") + name); }

    // The windows the completion showed, in order.
    QStringList completionWindows() const
    {
        QStringList names;
        for (const QString &name : shown.names) {
            if (name == QLatin1String("frmdis") || name == QLatin1String("frmshut") || name == QLatin1String("frminfo"))
                names.append(name);
        }
        return names;
    }
};

} // namespace quendral::test
