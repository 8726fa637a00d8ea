#pragma once

#include "actions/completionsequence.h"
#include "settings/completionchoice.h"

#include <QProcess>
#include <QStringList>

class QTimer;

namespace quendral {

// Runs the user's command after the sound and the notice, while the
// connection is still up, and waits for it at most `timeoutSeconds`; the
// countdowns follow whatever it did. It gets the files that met the rule
// (QUENDRAL_FILES, one per line) and the settings file (QUENDRAL_WATCHLIST).
// Its output goes to the log. A command that cannot start, fails or outlasts
// its time (and is then stopped) is told in the notice, shown for it if need
// be, in the desktop's notifications and in the log.
class CommandStep final : public CompletionStep
{
    Q_OBJECT

public:
    // The texts a failure is told with, in the current language.
    struct Texts
    {
        QString failed, exitCode, timedOut;
    };

    // The command, its time and the files are the completion's.
    CommandStep(const Context &context, const CompletionChoice &choice, const QStringList &files,
                const QString &watchList, const Texts &texts);
    void run() override;
    QString describe() const override;

private:
    void logOutput();
    void finished(int exitCode, QProcess::ExitStatus status);
    void failed(const QString &reason);
    void end();

    CompletionChoice m_choice;
    QString m_command;
    QStringList m_files;
    QString m_watchList;
    int m_timeoutSeconds;
    Texts m_texts;
    QProcess *m_process;
    QTimer *m_timeout;
    bool m_over = false;
};

} // namespace quendral
