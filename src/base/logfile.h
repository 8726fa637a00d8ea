#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace quendral {

// The log a user can find: the program's messages, one line each with its
// time and category, appended to a file that, once it reaches its size,
// moves to NAME.1 (NAME.1 to NAME.2, and so on), so that a few small files
// are kept and the oldest is dropped.
class LogFile
{
public:
    static constexpr qint64 kMaxBytes = 256 * 1024;
    static constexpr int kKeptFiles = 3;

    explicit LogFile(QString path, qint64 maxBytes = kMaxBytes, int keptFiles = kKeptFiles);
    // Ends the sending to it, when installed.
    ~LogFile();
    Q_DISABLE_COPY_MOVE(LogFile)

    QString path() const { return m_path; }

    // Appends one line; safe from any thread. A line that cannot be written
    // is dropped: the log must never stop the program.
    void append(const QString &line);

    // Appends a message of the program as its line: time, level, category.
    void append(QtMsgType type, const QMessageLogContext &context, const QString &message);

    // The last `count` lines, oldest first, from the older files as needed.
    QStringList recentLines(int count) const;

    // Sends every message of the program to `log` as well as to where it went
    // before (standard error, the debugger). Null ends it.
    static void install(LogFile *log);

private:
    void rotate();

    QString m_path;
    qint64 m_maxBytes;
    int m_keptFiles;
    QMutex m_mutex;
};

} // namespace quendral
