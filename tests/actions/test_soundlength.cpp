#include "actions/soundlength.h"

#include "support/testsupport.h"
#include "tone.h"

#include <QtTest>

using namespace quendral;
using namespace quendral::test;
using std::chrono::milliseconds;

class TestSoundLength : public QObject
{
    Q_OBJECT

private slots:
    void plainPcm()
    {
        ProgramFolder folder;
        QVERIFY(writeFile(folder.file(QStringLiteral("a.wav")), toneWav(800)));
        QCOMPARE(wavLength(folder.file(QStringLiteral("a.wav"))), milliseconds(800));
    }

    void chunksBeforeTheDataAreSkipped()
    {
        ProgramFolder folder;
        QVERIFY(writeFile(folder.file(QStringLiteral("a.wav")), toneWav(300, 44100, true)));
        QCOMPARE(wavLength(folder.file(QStringLiteral("a.wav"))), milliseconds(300));
    }

    void aCutOffFilePlaysWhatItHolds()
    {
        // Streaming writers leave 0xFFFFFFFF as the data size.
        ProgramFolder folder;
        QVERIFY(writeFile(folder.file(QStringLiteral("a.wav")), toneWav(200, 22050, false, 0xFFFFFFFF)));
        QCOMPARE(wavLength(folder.file(QStringLiteral("a.wav"))), milliseconds(200));
    }

    void theShippedTickIsShort()
    {
        const auto length = wavLength(sourceDir() + QStringLiteral("/resources/beep.wav"));
        QVERIFY(length);
        QVERIFY(*length > milliseconds(20) && *length < milliseconds(300));
    }

    void notAWav_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some text, long enough to fill a header");
        QTest::newRow("no data chunk") << toneWav(100).left(36);
        QTest::newRow("zero byte rate") << toneWav(100).replace(28, 4, QByteArray(4, '\0'));
        QTest::newRow("short fmt") << QByteArray("RIFF\x10\0\0\0WAVEfmt \x04\0\0\0abcd", 24);
    }
    void notAWav()
    {
        QFETCH(QByteArray, data);
        ProgramFolder folder;
        QVERIFY(writeFile(folder.file(QStringLiteral("a.wav")), data));
        QVERIFY(!wavLength(folder.file(QStringLiteral("a.wav"))));
        QVERIFY(!wavLength(folder.file(QStringLiteral("missing.wav"))));
    }
};

QTEST_MAIN(TestSoundLength)
#include "test_soundlength.moc"
