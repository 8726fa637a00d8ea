#pragma once

#include "actions/actionwindows.h"
#include "actions/commandstep.h"
#include "actions/completionsequence.h"
#include "actions/completionsteps.h"
#include "actions/countdownwindow.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/shownwindows.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

namespace quendral::test {

// The countdowns a completion may run.
enum class Chain { HangUp, PowerOff, HangUpThenPowerOff };

// The completion windows and sequence wired to fakes, in a temporary program
// folder: what monitoring hands over when its rule is met.
struct ActionRig
{
    ProgramFolder folder;
    AppState state{folder.path()};
    FakeSound sound;
    FakeDialup dialup;
    FakePower power;
    FakeNotifier notifier;
    int languagePasses = 0; // loadLanguage calls
    ActionWindows windows{{state, sound, [this](QWidget *) { ++languagePasses; }}, dialup, power, notifier};
    CompletionSequence sequence{{windows, sound}};
    QList<CompletionSequence::Outcome> finished;

    ActionRig()
    {
        state.messages.insert(
            {{"commandfailed", "FAILED:"}, {"commandexitcode", "EXIT"}, {"commandtimedout", "TIMEOUT"}});
        QObject::connect(&sequence, &CompletionSequence::finished, &sequence,
                         [this](CompletionSequence::Outcome outcome) { finished.append(outcome); });
    }
    ~ActionRig()
    {
        delete windows.notice();
        delete windows.hangUp();
        delete windows.powerAction();
    }

    // The countdowns of a met rule, as monitoring plans them, after the
    // notice and `command` when one is given.
    void complete(Chain chain, const QString &command = {}, int timeoutSeconds = 5, int seconds = 15,
                  PowerControl::Action action = PowerControl::Action::PowerOff)
    {
        CompletionChoice choice;
        choice.notice = !command.isEmpty();
        choice.command = command;
        choice.commandTimeoutSeconds = timeoutSeconds;
        choice.files = QStringList{"/d/a.zip", "/d/b c.zip"};
        choice.hangUp = chain != Chain::PowerOff;
        if (chain != Chain::HangUp)
            choice.power = action;
        choice.countdownSeconds = seconds;
        sequence.start(choice, QStringLiteral("/p/Settings.ini"));
    }

    template <typename Window> Window *window(const char *name) const
    {
        return loadedWindow<Window>(QLatin1String(name));
    }
    bool isVisible(const char *name) const
    {
        const QWidget *shown = window<QWidget>(name);
        return shown && shown->isVisible();
    }

    // Closed windows delete themselves at the next turn of the event loop;
    // the next completion loads them afresh.
    static void unloadClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // A countdown window's buttons take no press for a moment after it shows.
    static void waitOutClickGuard() { QTest::qWait(int(CountdownWindow::clickGuard.count())); }

    static QString seconds(const QWidget *window)
    {
        return window->findChild<QLabel *>(QStringLiteral("lbls"))->text();
    }
};

} // namespace quendral::test
