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
    WindowFactory factory;
    CompletionSequence sequence{{factory, sound, &notifier}};
    QList<CompletionSequence::Outcome> finished;

    ActionRig()
    {
        registerActionWindows(factory, {state, sound, [this] { ++languagePasses; }}, dialup, power, notifier);
        QObject::connect(&sequence, &CompletionSequence::finished, &factory,
                         [this](CompletionSequence::Outcome outcome) { finished.append(outcome); });
    }
    ~ActionRig()
    {
        for (const char *name : {"frmdis", "frmshut", "frminfo"})
            delete factory.loaded(QLatin1String(name));
        // The per-user store outlives the rig: the next one starts on the defaults.
        state.store.SaveUserSettings({{QStringLiteral("PowerAction"), {}}, {QStringLiteral("Countdown"), {}}});
    }

    // The countdowns of a met rule, as monitoring plans them, after the
    // notice and `command` when one is given.
    void complete(Chain chain, const QString &command = {}, int timeoutSeconds = 5)
    {
        CompletionPlan plan = sequence.plan();
        if (!command.isEmpty()) {
            plan.add<NoticeStep>();
            plan.add<CommandStep>(command, QStringList{"/d/a.zip", "/d/b c.zip"}, QStringLiteral("/p/Settings.ini"),
                                  timeoutSeconds, CommandStep::Texts{"FAILED:", "EXIT", "TIMEOUT"});
        }
        if (chain != Chain::PowerOff)
            plan.add<CountdownStep>(QStringLiteral("frmdis"));
        if (chain != Chain::HangUp)
            plan.add<CountdownStep>(QStringLiteral("frmshut"));
        sequence.start(std::move(plan));
    }

    template <typename Window> Window *show(const char *name)
    {
        return qobject_cast<Window *>(factory.show(QLatin1String(name)));
    }
    template <typename Window> Window *window(const char *name) const
    {
        return qobject_cast<Window *>(factory.loaded(QLatin1String(name)));
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
