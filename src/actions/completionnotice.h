#pragma once

#include "base/powercontrol.h"
#include "kit/languagepass.h"
#include "settings/completionchoice.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace quendral {

struct AppState;
class DesktopNotifier;
class SoundPlayer;

// The completion notice: tells the user that the requested tasks were done,
// with the system's beep, and stays until dismissed. It names the files that
// came in (or are missing), when it finished, what the command did and what
// became of each countdown. Its title and text also go to the desktop's
// notifications, once the command, if any, has given its result. It stands
// apart from the countdown windows.
class CompletionNotice final : public QWidget
{
    Q_OBJECT

public:
    CompletionNotice(const AppState &state, SoundPlayer &sound, DesktopNotifier &notifier,
                     const LanguagePass &loadLanguage, QWidget *parent = nullptr);

    void apply();
    // Tells why the completion came: the files are there (the language
    // file's title and text), or the connection went quiet, or the deadline
    // came, or the programs waited for ended (which, and when), with the
    // files still missing; kept over later language passes.
    void showReason(const CompletionChoice &choice);
    // One more line under the text: what the command did, a failure in the
    // failure colour. The first one sends the notification that waited for it.
    void addReport(const QString &line, bool failure = true);
    // A countdown of the completion has closed: carried out or declined.
    void countdownEnded(std::optional<PowerControl::Action> power, bool declined);

protected:
    void changeEvent(QEvent *event) override;

private:
    enum class Countdown { Ahead, Done, Declined };
    struct CountdownLine
    {
        std::optional<PowerControl::Action> power; // none: the hang-up
        Countdown state = Countdown::Ahead;
    };

    void showReasonTexts();
    void showDetails();
    void showFailureColour();
    void fitContents();
    void notifyDesktop();
    QString wholeText() const;

    const AppState &m_state;
    DesktopNotifier &m_notifier;
    QLabel *m_text = nullptr;
    QLabel *m_details = nullptr;
    QLabel *m_reports = nullptr;
    // The reason as texts are made from it; none while the files decided.
    int m_reason = 0;
    QString m_reasonArgument;
    QStringList m_arrived;
    QStringList m_missing;
    QList<EndedProgram> m_ended;
    QDateTime m_finished;
    QList<CountdownLine> m_countdowns;
    QStringList m_successes;
    // The notification waits for the command's result.
    bool m_awaitingCommand = false;
    bool m_notified = false;
};

} // namespace quendral
