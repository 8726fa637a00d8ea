#include "base/logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>

namespace quendral {

namespace {

std::atomic<LogFile *> installed{nullptr};
QtMessageHandler previous = nullptr;

char levelLetter(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'C';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (LogFile *log = installed.load())
        log->append(type, context, message);
    if (previous)
        previous(type, context, message);
}

} // namespace

LogFile::LogFile(QString path, qint64 maxBytes, int keptFiles)
    : m_path(std::move(path))
    , m_maxBytes(maxBytes)
    , m_keptFiles(keptFiles)
{
}

LogFile::~LogFile()
{
    if (installed.load() == this)
        install(nullptr);
}

void LogFile::append(const QString &line)
{
    // A line break inside a message would read as a line of its own.
    QString text = line;
    text.replace(u'\n', QLatin1String("\\n"));
    const QByteArray bytes = text.toUtf8() + '\n';
    const QMutexLocker lock(&m_mutex);
    if (const qint64 size = QFileInfo(m_path).size(); size > 0 && size + bytes.size() > m_maxBytes)
        rotate();
    QDir().mkpath(QFileInfo(m_path).path());
    QFile file(m_path);
    if (file.open(QIODevice::Append))
        file.write(bytes);
}

void LogFile::append(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    append(QStringLiteral("%1 %2 %3: %4")
               .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
               .arg(QLatin1Char(levelLetter(type)))
               .arg(QLatin1String(context.category ? context.category : "default"), message));
}

void LogFile::rotate()
{
    QFile::remove(m_path + u'.' + QString::number(m_keptFiles - 1));
    for (int n = m_keptFiles - 2; n >= 1; --n)
        QFile::rename(m_path + u'.' + QString::number(n), m_path + u'.' + QString::number(n + 1));
    if (m_keptFiles > 1)
        QFile::rename(m_path, m_path + QStringLiteral(".1"));
    else
        QFile::remove(m_path);
}

QStringList LogFile::recentLines(int count) const
{
    QStringList lines;
    for (int n = 0; n < m_keptFiles && lines.size() < count; ++n) {
        QFile file(n == 0 ? m_path : m_path + u'.' + QString::number(n));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QStringList older = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        older.append(lines);
        lines = older;
    }
    return lines.mid(qMax(qsizetype(0), lines.size() - count));
}

void LogFile::install(LogFile *log)
{
    const LogFile *before = installed.exchange(log);
    if (log && !before)
        previous = qInstallMessageHandler(handle);
    else if (!log && before)
        qInstallMessageHandler(previous);
}

} // namespace quendral
