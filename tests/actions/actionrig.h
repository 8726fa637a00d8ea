#pragma once

#include "actions/actionwindows.h"
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

// The completion windows wired to fakes, in a temporary program folder: what
// the tray window hands over when a monitoring rule is met.
struct ActionRig
{
    ProgramFolder folder;
    AppState state{folder.path()};
    FakeSound sound;
    FakeDialup dialup;
    FakePower power;
    FakeNotifier notifier;
    int stopped = 0;        // show_stopped calls
    int languagePasses = 0; // loadLanguage calls
    WindowFactory factory;
    ActionWindows windows{
        factory, {state, sound, [this] { ++stopped; }, [this] { ++languagePasses; }}, dialup, power, notifier};

    ~ActionRig()
    {
        for (const char *name : {"frmdis", "frmshut", "frminfo"})
            delete factory.loaded(QLatin1String(name));
    }

    // The tick's hand-over: completion_mode, the window, then its timer.
    void complete(CompletionMode mode)
    {
        state.completion_mode = mode;
        if (mode == CompletionMode::PowerOff) {
            windows.showPowerOff();
            windows.enablePowerOffTimer();
        } else {
            windows.showHangUp();
            windows.enableHangUpTimer();
        }
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
