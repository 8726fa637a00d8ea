#pragma once

#include "settings/programfile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace quendral::test {

// A copy of a built front program in a folder of its own, named `name`, with
// `gui` copied beside it as the program it starts, `behind` (none when "").
class FrontCopy
{
public:
    FrontCopy(const QString &front, const QString &name, const QString &gui,
              const QString &behind = programfile::guiExecutable())
        : m_front(m_dir.filePath(name))
        , m_behind(behind)
    {
        m_ok = QFile::copy(front, m_front) && (gui.isEmpty() || QFile::copy(gui, this->gui()));
    }

    bool ok() const { return m_ok && m_dir.isValid(); }
    QString front() const { return m_front; }
    QString gui() const { return m_dir.filePath(m_behind); }
    QString folder() const { return m_dir.path(); }

    // Runs `program` (the copy, or a link to it) with `arguments` and the
    // environment plus `extra`; its exit status, or -1 when it did not end
    // within 30 s. `pid`, when given, receives its process id.
    static int run(const QString &program, const QStringList &arguments, const QProcessEnvironment &extra,
                   QProcess &process, qint64 *pid = nullptr)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(extra);
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (pid)
            *pid = process.waitForStarted(30000) ? process.processId() : -1;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    // What the stand-in GUI program wrote of the start it was handed: its
    // process id, its real file, argv[0], then its arguments, a line each.
    struct RecordedStart
    {
        int status = -1;
        qint64 pid = 0;
        QStringList lines;
    };
    // Runs `program` as run() does, with the stand-in told to record its
    // start in `record`, and reads that record.
    static RecordedStart runRecorded(const QString &program, const QStringList &arguments, QProcessEnvironment extra,
                                     const QString &record)
    {
        extra.insert(QStringLiteral("QUENDRAL_STANDIN_RECORD"), record);
        RecordedStart start;
        QProcess process;
        start.status = run(program, arguments, extra, process, &start.pid);
        QFile file(record);
        if (file.open(QIODevice::ReadOnly))
            start.lines = QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        return start;
    }

private:
    QTemporaryDir m_dir;
    QString m_front;
    QString m_behind;
    bool m_ok = false;
};

} // namespace quendral::test
