#pragma once

#include "actions/completionsequence.h"
#include "actions/processgroup.h"
#include "settings/completionchoice.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <memory>

class QTemporaryFile;
class QTimer;

namespace quendral {

// Runs the user's command after the sound and the notice, while the
// connection is still up, and waits for it at most `timeoutSeconds`; the
// countdowns follow whatever it did. It gets the files that met the rule
// (QUENDRAL_FILES, one per line; QUENDRAL_FILES0, the path of a file holding
// them each followed by a NUL byte, for names that hold a line break) and the
// settings file (QUENDRAL_WATCHLIST). Its output goes to the log, within
// bounds. A command that cannot start, fails or outlasts its time (and is
// then stopped, with every process it started) is told in the notice, shown
// for it if need be, in the notice's desktop notification and in the log; a
// command that succeeded, in a notice the user chose.
class CommandStep final : public CompletionStep
{
    Q_OBJECT

public:
    // The texts a result is told with, in the current language; `succeeded`
    // takes the exit status and the command.
    struct Texts
    {
        QString failed, exitCode, timedOut, succeeded;
    };

    // How long the command's processes get to end after being asked to.
    static constexpr int kGraceMs = 2000;
    // The longest line logged, and the most output logged, in bytes: a
    // command that writes without end fills neither memory nor the log.
    static constexpr qsizetype kMaxLine = 4096;
    static constexpr qint64 kMaxLogged = 256 * 1024;

    // The command, its time and the files are the completion's.
    CommandStep(const Context &context, const CompletionChoice &choice, const QStringList &files,
                const QString &watchList, const Texts &texts);
    ~CommandStep() override;
    void run() override;
    QString describe() const override;

private:
    void readOutput();
    void logLine(QByteArrayView line, bool cut);
    void finished(int exitCode, QProcess::ExitStatus status);
    void succeeded(int exitCode);
    void failed(const QString &reason);
    void end();
    void waitForGroup();
    QString writeNameFile();

    CompletionChoice m_choice;
    QString m_command;
    QStringList m_files;
    QString m_watchList;
    int m_timeoutSeconds;
    Texts m_texts;
    QProcess *m_process;
    ProcessGroup m_group;
    QTimer *m_timeout;
    // While the processes of a command past its time are ending.
    QTimer *m_grace;
    QElapsedTimer m_graceClock;
    std::unique_ptr<QTemporaryFile> m_nameFile;
    // The line being read, up to kMaxLine bytes; the rest of a longer one is
    // passed over.
    QByteArray m_line;
    bool m_cutting = false;
    qint64 m_logged = 0;
    qint64 m_unlogged = 0;
    bool m_over = false;
};

} // namespace quendral
