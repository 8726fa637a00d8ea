// The last look of the presence test: download programs' partial markers and
// processes that still have a file open for writing.
#include "core/openwriters.h"
#include "core/presence.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

using namespace quendral;
using namespace std::chrono_literals;

namespace {

// A child process holding `file` open through the shell redirection `mode`
// ("3>>" appends, "3<" reads, "3<>" reads and writes) until it is killed.
class Holder
{
public:
    Holder(const QString &mode, const QString &file)
    {
        m_process.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("exec %1\"$0\"; echo open; exec sleep 600").arg(mode), file});
        if (!m_process.waitForReadyRead(10000))
            qFatal("the holding process did not start");
    }
    ~Holder() { close(); }
    void close()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

std::chrono::steady_clock::time_point soon()
{
    return std::chrono::steady_clock::now() + 5s;
}

} // namespace

class TestOpenWriters : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    void write(const QString &name, const QByteArray &data = "data") const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    }
    bool found(const QString &name) const { return presence::found(path(name)); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // --- partial markers ---
    void markerHoldsTheFileBack_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("marker");
        for (const char *entry : {"plik.zip", "*.zip", "plik.*"}) {
            for (const char *marker : {".part", ".crdownload", ".aria2", ".!qB"})
                QTest::addRow("%s, %s", entry, marker) << QString::fromLatin1(entry) << QString::fromLatin1(marker);
        }
    }
    void markerHoldsTheFileBack()
    {
        QFETCH(QString, entry);
        QFETCH(QString, marker);
        write(QStringLiteral("plik.zip"));
        // Even an empty marker counts: aria2's control file may be empty at first.
        write(QStringLiteral("plik.zip") + marker, "");
        QVERIFY(!found(entry));
        QVERIFY(QFile::remove(path(QStringLiteral("plik.zip") + marker)));
        QVERIFY(found(entry));
    }

    void markerFilesNeverMatchAPattern()
    {
        for (const char *marker : {"a.zip.part", "a.zip.crdownload", "a.zip.aria2", "a.zip.!qB"})
            write(QString::fromLatin1(marker));
        QVERIFY(!found(QStringLiteral("*")));
        QVERIFY(!found(QStringLiteral("a.zip*")));
    }

    // --- open writers ---
    void onlyWritersHoldTheFileBack_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("holds");
        QTest::newRow("appending") << "3>>" << true;
        QTest::newRow("truncating") << "3>" << true;
        QTest::newRow("reading and writing") << "3<>" << true;
        QTest::newRow("reading") << "3<" << false;
    }
    void onlyWritersHoldTheFileBack()
    {
        QFETCH(QString, mode);
        QFETCH(bool, holds);
        write(QStringLiteral("plik.zip"));
        Holder holder(mode, path(QStringLiteral("plik.zip")));
        // ">" empties the file as it opens it; the download writes on.
        write(QStringLiteral("plik.zip"));
        const QStringList files = {path(QStringLiteral("plik.zip"))};
        QCOMPARE(openwriters::writing(files, soon()).writing.size(), holds ? 1 : 0);
        QCOMPARE(openwriters::scan(files, soon()).writing.size(), holds ? 1 : 0);
        QCOMPARE(found(QStringLiteral("plik.zip")), !holds);
        QCOMPARE(found(QStringLiteral("*.zip")), !holds);
        holder.close();
        QVERIFY(found(QStringLiteral("plik.zip")));
        QVERIFY(found(QStringLiteral("*.zip")));
    }

    void aPatternIsFoundByAnotherCompleteFile()
    {
        write(QStringLiteral("a.zip"));
        write(QStringLiteral("b.zip"));
        Holder a(QStringLiteral("3>>"), path(QStringLiteral("a.zip")));
        Holder b(QStringLiteral("3>>"), path(QStringLiteral("b.zip")));
        QVERIFY(!found(QStringLiteral("*.zip")));
        b.close();
        using enum presence::Answer;
        const std::vector<presence::Answer> answers = presence::foundIn(
            m_dir->path() + u'/', {QStringLiteral("a.zip"), QStringLiteral("*.zip"), QStringLiteral("b.zip")});
        QCOMPARE(answers, std::vector<presence::Answer>({No, Yes, Yes}));
    }

    void aLinkedEntryIsHeldBackByItsTargetsWriter()
    {
        write(QStringLiteral("elsewhere/real.zip"));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/real.zip")), path(QStringLiteral("plik.zip"))));
        Holder holder(QStringLiteral("3>>"), path(QStringLiteral("elsewhere/real.zip")));
        QVERIFY(!found(QStringLiteral("plik.zip")));
        holder.close();
        QVERIFY(found(QStringLiteral("plik.zip")));
    }

    void ownWritesCountToo()
    {
        write(QStringLiteral("plik.zip"));
        QFile file(path(QStringLiteral("plik.zip")));
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(!found(QStringLiteral("plik.zip")));
        file.close();
        QVERIFY(found(QStringLiteral("plik.zip")));
    }

    // --- the look without leases, on a /proc laid out by hand ---
    void scanReadsFlagsAndFailsClosed()
    {
        write(QStringLiteral("plik.zip"));
        // A writer may hold the file under another name.
        QVERIFY(::link(QFile::encodeName(path(QStringLiteral("plik.zip"))).constData(),
                       QFile::encodeName(path(QStringLiteral("other.bin"))).constData()) == 0);
        const QString proc = path(QStringLiteral("proc/"));
        const auto process = [&](const char *pid, const char *flags) {
            QVERIFY(QDir().mkpath(proc + QLatin1String(pid) + QStringLiteral("/fd")));
            QVERIFY(QDir().mkpath(proc + QLatin1String(pid) + QStringLiteral("/fdinfo")));
            QVERIFY(
                QFile::link(path(QStringLiteral("other.bin")), proc + QLatin1String(pid) + QStringLiteral("/fd/7")));
            QFile info(proc + QLatin1String(pid) + QStringLiteral("/fdinfo/7"));
            QVERIFY(info.open(QIODevice::WriteOnly));
            info.write(QByteArray("pos:\t0\nflags:\t") + flags + "\nmnt_id:\t25\n");
        };
        const QStringList files = {path(QStringLiteral("plik.zip"))};
        const auto scan = [&](std::chrono::steady_clock::time_point deadline = soon()) {
            return openwriters::scan(files, deadline, proc);
        };
        process("100", "0100000"); // read only
        QVERIFY(scan().writing.isEmpty() && scan().unsure.isEmpty());
        // A process whose descriptors cannot be read may be the writer.
        QVERIFY(QDir().mkpath(proc + QStringLiteral("150")));
        write(QStringLiteral("proc/150/fd"));
        QVERIFY(scan().writing.isEmpty() && scan().unsure.contains(files.first()));
        process("200", "02100001"); // write only
        QCOMPARE(scan().writing, QSet<QString>{files.first()});
        QVERIFY(scan().unsure.isEmpty());
        // Past its deadline, or without /proc, the scan cannot tell.
        QVERIFY(scan(std::chrono::steady_clock::now()).unsure.contains(files.first()));
        QVERIFY(openwriters::scan(files, soon(), path(QStringLiteral("noproc"))).unsure.contains(files.first()));
        // A folder or a missing file: nothing to find.
        const auto none = openwriters::scan({m_dir->path(), path(QStringLiteral("gone.zip"))}, soon(), proc);
        QVERIFY(none.writing.isEmpty() && none.unsure.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOpenWriters)
#include "test_openwriters.moc"
