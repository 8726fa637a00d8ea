#include "actions/commandstep.h"

#include "actions/actionwindows.h"
#include "actions/completionnotice.h"
#include "base/commandline.h"
#include "base/logging.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTimer>

namespace quendral {

namespace {

// How much output one read takes: a small buffer, however much is waiting.
constexpr qint64 kChunk = 64 * 1024;
constexpr int kGraceStepMs = 50;

} // namespace

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
    , m_group(*m_process)
    , m_timeout(new QTimer(this))
    , m_grace(new QTimer(this))
{
    // A coarse timer may fire 5 % early: minutes too soon at a long timeout.
    m_timeout->setTimerType(Qt::PreciseTimer);
    m_timeout->setSingleShot(true);
    m_grace->setInterval(kGraceStepMs);
    connect(m_grace, &QTimer::timeout, this, &CommandStep::waitForGroup);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // Nobody is there to type: a command that reads its input gets its end.
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyRead, this, &CommandStep::readOutput);
    connect(m_process, &QProcess::started, this, [this] { m_group.started(); });
    connect(m_process, &QProcess::finished, this, &CommandStep::finished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failed(m_process->errorString());
    });
    connect(m_timeout, &QTimer::timeout, this,
            [this] { failed(m_texts.timedOut + QLatin1Char(' ') + QString::number(m_timeoutSeconds)); });
}

CommandStep::~CommandStep()
{
    // A command being stopped is stopped, even when the program ends first.
    if (m_grace->isActive())
        m_group.kill();
}

void CommandStep::run()
{
    QString invalid;
    const QStringList arguments = splitCommandLine(m_command, &invalid);
    if (!invalid.isEmpty()) {
        failed(invalid);
        return;
    }
    if (arguments.isEmpty()) {
        emit done(Result::Done);
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENDRAL_FILES"), m_files.join(QLatin1Char('\n')));
    if (const QString names = writeNameFile(); !names.isEmpty())
        environment.insert(QStringLiteral("QUENDRAL_FILES0"), names);
    else
        environment.remove(QStringLiteral("QUENDRAL_FILES0"));
    environment.insert(QStringLiteral("QUENDRAL_WATCHLIST"), m_watchList);
    m_process->setProcessEnvironment(environment);
    m_process->setProgram(arguments.first());
    m_process->setArguments(arguments.mid(1));
    QStringList quoted;
    for (const QString &argument : std::as_const(arguments))
        quoted.append(quoteCommandArgument(argument));
    qCInfo(lcCommand).noquote() << "running" << quoted.join(u' ');
    m_timeout->start(m_timeoutSeconds * 1000);
    m_process->start();
}

QString CommandStep::writeNameFile()
{
    m_nameFile = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/quendral-files-XXXXXX"));
    if (!m_nameFile->open()) {
        qCWarning(lcCommand) << "no file of names for the command:" << m_nameFile->errorString();
        return {};
    }
    QByteArray names;
    for (const QString &file : std::as_const(m_files))
        names += file.toUtf8() + '\0';
    if (m_nameFile->write(names) != names.size() || !m_nameFile->flush()) {
        qCWarning(lcCommand) << "no file of names for the command:" << m_nameFile->errorString();
        return {};
    }
    return m_nameFile->fileName();
}

QString CommandStep::describe() const
{
    return QStringLiteral("command ") + m_command;
}

void CommandStep::readOutput()
{
    char chunk[kChunk];
    for (qint64 size; (size = m_process->read(chunk, kChunk)) > 0;) {
        QByteArrayView rest(chunk, size);
        while (!rest.isEmpty()) {
            const qsizetype end = rest.indexOf('\n');
            const QByteArrayView piece = end < 0 ? rest : rest.first(end);
            if (!m_cutting) {
                const qsizetype room = kMaxLine - m_line.size();
                if (piece.size() > room) {
                    m_line.append(piece.first(room));
                    logLine(m_line, true);
                    m_cutting = true;
                } else {
                    m_line.append(piece);
                }
            }
            if (end < 0)
                break;
            if (!m_cutting)
                logLine(m_line, false);
            m_line.clear();
            m_cutting = false;
            rest = rest.sliced(end + 1);
        }
    }
}

void CommandStep::logLine(QByteArrayView line, bool cut)
{
    if (m_logged >= kMaxLogged) {
        m_unlogged += line.size();
        return;
    }
    m_logged += line.size();
    const QString text = QString::fromLocal8Bit(line).trimmed();
    if (cut)
        qCInfo(lcCommand).noquote() << text << "[line cut]";
    else
        qCInfo(lcCommand).noquote() << text;
    if (m_logged >= kMaxLogged)
        qCInfo(lcCommand) << "the command's further output is not logged";
}

void CommandStep::finished(int exitCode, QProcess::ExitStatus status)
{
    if (m_over)
        return;
    readOutput();
    // The last line may lack its end.
    if (!m_line.isEmpty() && !m_cutting)
        logLine(m_line, false);
    m_line.clear();
    if (m_unlogged > 0)
        qCInfo(lcCommand) << "output not logged, at least" << m_unlogged << "bytes";
    if (status == QProcess::CrashExit)
        failed(m_process->errorString());
    else if (exitCode != 0)
        failed(m_texts.exitCode + QLatin1Char(' ') + QString::number(exitCode));
    else
        succeeded(exitCode);
}

void CommandStep::succeeded(int exitCode)
{
    // Told in a notice the user chose; success opens none of its own.
    if (CompletionNotice *notice = m_context.windows.notice())
        notice->addReport(m_texts.succeeded.arg(exitCode).arg(m_command), false);
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
    CompletionNotice *notice = m_context.windows.notice();
    if (!notice)
        notice = m_context.windows.showNotice(m_choice);
    // The notice's notification, sent with this line, tells it to the desktop.
    notice->addReport(line);
    end();
}

void CommandStep::end()
{
    m_over = true;
    m_timeout->stop();
    if (m_process->state() == QProcess::NotRunning) {
        emit done(Result::Done);
        return;
    }
    // Past its time the command goes, with every process it started, so
    // that none can act on a machine that is being turned off: asked first,
    // ended after a short grace. The completion goes on once they are gone.
    disconnect(m_process, nullptr, this, nullptr);
    // Output still coming is read and dropped, so no writer blocks on it.
    connect(m_process, &QProcess::readyRead, this, [this] { m_process->skip(m_process->bytesAvailable()); });
    m_group.terminate();
    m_graceClock.start();
    m_grace->start();
}

void CommandStep::waitForGroup()
{
    const bool late = m_graceClock.elapsed() >= kGraceMs;
    if (m_group.alive() && !late)
        return;
    if (late) {
        m_group.kill();
        m_process->kill();
        // Killed, it ends at once; waited for, it leaves no zombie behind.
        m_process->waitForFinished(1000);
    }
    m_grace->stop();
    emit done(Result::Done);
}

} // namespace quendral
