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

private:
    QTemporaryDir m_dir;
    QString m_front;
    QString m_behind;
    bool m_ok = false;
};

} // namespace quendral::test
