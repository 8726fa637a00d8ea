#include "fakepppd.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

namespace quendral::test {

bool writeNetInterface(const QString &netFolder, const QString &name, int type, int index, const QByteArray &flags)
{
    const QString folder = netFolder + QLatin1Char('/') + name + QLatin1Char('/');
    if (!QDir().mkpath(folder))
        return false;
    QList<std::pair<QString, QByteArray>> files = {{QStringLiteral("type"), QByteArray::number(type)},
                                                   {QStringLiteral("ifindex"), QByteArray::number(index)}};
    if (!flags.isEmpty())
        files.append({QStringLiteral("flags"), flags});
    for (const auto &[file, value] : files) {
        QFile out(folder + file);
        if (!out.open(QIODevice::WriteOnly) || out.write(value + '\n') <= 0)
            return false;
    }
    return true;
}

FakePppd::FakePppd()
{
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

FakePppd::~FakePppd()
{
    // A pppd left behind by a signalled wvdial is no child of ours.
    if (pppdAlive())
        ::kill(m_pppd, SIGKILL);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString FakePppd::copyAs(const QString &original, const QString &name) const
{
    const QString copy = m_binaries.filePath(name);
    if (!QFile::exists(copy))
        QFile::copy(original, copy);
    return copy;
}

bool FakePppd::start(const QString &runFolder, const QString &interfaceName)
{
    m_process.start(copyAs(QStringLiteral("/bin/sleep"), QStringLiteral("pppd")), {QStringLiteral("60")});
    if (!m_process.waitForStarted())
        return false;
    m_pppd = static_cast<pid_t>(m_process.processId());
    QFile pidFile(runFolder + QLatin1Char('/') + interfaceName + QLatin1String(".pid"));
    return pidFile.open(QIODevice::WriteOnly) && pidFile.write(QByteArray::number(m_pppd) + '\n') > 0;
}

bool FakePppd::startUnderWvdial(const QString &runFolder, const QString &interfaceName)
{
    const QString pidPath = runFolder + QLatin1Char('/') + interfaceName + QLatin1String(".pid");
    // The shell waits for its child instead of replacing itself with it, as
    // wvdial stays the parent of the pppd it runs.
    m_process.start(copyAs(QStringLiteral("/bin/sh"), QStringLiteral("wvdial")),
                    {QStringLiteral("-c"), QStringLiteral("\"$0\" 60 & echo $! > \"$1\"; wait"),
                     copyAs(QStringLiteral("/bin/sleep"), QStringLiteral("pppd")), pidPath});
    if (!m_process.waitForStarted())
        return false;
    QFile pidFile(pidPath);
    if (!QTest::qWaitFor([&] { return pidFile.size() > 0; }, 5000) || !pidFile.open(QIODevice::ReadOnly))
        return false;
    m_pppd = pidFile.readAll().trimmed().toInt();
    return QTest::qWaitFor([&] { return pppdAlive(); }, 5000);
}

bool FakePppd::endsBySigterm()
{
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::CrashExit &&
           m_process.exitCode() == SIGTERM;
}

bool FakePppd::pppdAlive() const
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(m_pppd));
    return m_pppd > 1 && comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "pppd";
}

} // namespace quendral::test
