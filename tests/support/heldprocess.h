#pragma once

#include <QProcess>
#include <QStringList>

namespace quendral::test {

// A writerhelper process (support/writerhelper.cpp), started with `arguments`
// and held until closed: closing its input lets it and its children end.
// QUENDRAL_WRITER_HELPER names the program.
class HeldProcess
{
public:
    explicit HeldProcess(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(QUENDRAL_WRITER_HELPER), arguments);
        if (!m_process.waitForReadyRead(60000))
            qFatal("writerhelper %s did not start", qPrintable(arguments.join(u' ')));
    }
    ~HeldProcess() { close(); }
    HeldProcess(const HeldProcess &) = delete;
    HeldProcess &operator=(const HeldProcess &) = delete;

    void close()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(30000)) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

private:
    QProcess m_process;
};

} // namespace quendral::test
