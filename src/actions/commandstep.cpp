#include "actions/commandstep.h"

#include "actions/actionwindows.h"
#include "actions/commandline.h"
#include "actions/frminfo.h"
#include "kit/desktopnotifier.h"
#include "kit/logging.h"

#include <QTimer>

namespace quendral {

CommandStep::CommandStep(const Context &context, const CompletionChoice &choice, const QStringList &files,
                         const QString &watchList, const Texts &texts)
    : CompletionStep(context)
    , m_choice(choice)
    , m_command(choice.command)
    , m_files(files)
    , m_watchList(watchList)
    , m_timeoutSeconds(choice.commandTimeoutSeconds)
    , m_texts(texts)
    , m_process(new QProcess(this))
    , m_timeout(new QTimer(this))
{
    m_timeout->setSingleShot(true);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // Nobody is there to type: a command that reads its input gets its end.
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyRead, this, &CommandStep::logOutput);
    connect(m_process, &QProcess::finished, this, &CommandStep::finished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failed(m_process->errorString());
    });
    connect(m_timeout, &QTimer::timeout, this,
            [this] { failed(m_texts.timedOut + QLatin1Char(' ') + QString::number(m_timeoutSeconds)); });
}

void CommandStep::run()
{
    const QStringList arguments = splitCommandLine(m_command);
    if (arguments.isEmpty()) {
        emit done(Result::Done);
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENDRAL_FILES"), m_files.join(QLatin1Char('\n')));
    environment.insert(QStringLiteral("QUENDRAL_WATCHLIST"), m_watchList);
    m_process->setProcessEnvironment(environment);
    m_process->setProgram(arguments.first());
    m_process->setArguments(arguments.mid(1));
    qCInfo(lcCommand) << "running" << arguments;
    m_timeout->start(m_timeoutSeconds * 1000);
    m_process->start();
}

QString CommandStep::describe() const
{
    return QStringLiteral("command ") + m_command;
}

void CommandStep::logOutput()
{
    while (m_process->canReadLine())
        qCInfo(lcCommand).noquote() << QString::fromLocal8Bit(m_process->readLine()).trimmed();
}

void CommandStep::finished(int exitCode, QProcess::ExitStatus status)
{
    if (m_over)
        return;
    logOutput();
    // The last line may lack its end.
    if (const QByteArray rest = m_process->readAll(); !rest.isEmpty())
        qCInfo(lcCommand).noquote() << QString::fromLocal8Bit(rest).trimmed();
    if (status == QProcess::CrashExit)
        failed(m_process->errorString());
    else if (exitCode != 0)
        failed(m_texts.exitCode + QLatin1Char(' ') + QString::number(exitCode));
    else
        end();
}

void CommandStep::failed(const QString &reason)
{
    if (m_over)
        return;
    const QString line = QStringLiteral("%1 %2 (%3)").arg(m_texts.failed, m_command, reason);
    qCWarning(lcCommand).noquote() << line;
    // The notice carries the report even when it was not chosen: a desktop
    // without a notification service would otherwise hear nothing of it.
    frminfo *notice = m_context.windows.notice();
    if (!notice)
        notice = m_context.windows.showNotice(m_choice);
    notice->addReport(line);
    if (m_context.notifier)
        m_context.notifier->notify(QStringLiteral("Quendral"), line);
    end();
}

void CommandStep::end()
{
    m_over = true;
    m_timeout->stop();
    // Past its time the command goes, so that it cannot act on a machine
    // that is being turned off.
    if (m_process->state() != QProcess::NotRunning) {
        disconnect(m_process, nullptr, this, nullptr);
        m_process->kill();
    }
    emit done(Result::Done);
}

} // namespace quendral
