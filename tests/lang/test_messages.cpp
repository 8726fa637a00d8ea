// The message texts: built-in texts and the [Messages] section of the
// current language file.
#include "lang/language.h"
#include "lang/messages.h"
#include "settings/appstate.h"
#include "support/testsupport.h"

#include <QTest>

using namespace quendral;

namespace {

// A program folder whose settings file names English.ini with `messages` as
// the file's [Messages] section.
struct Folder
{
    test::ProgramFolder folder;
    AppState state{folder.path()};

    explicit Folder(const QByteArray &messages)
    {
        folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=English.ini\r\n");
        folder.write(QStringLiteral("Languages/English.ini"), "frmadd.Caption==List\r\n[Messages]\r\n" + messages);
    }
};

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    // --- built-in texts ---
    void theElevenKeysComeFirstInReadingOrder()
    {
        const QStringList expected = {
            QStringLiteral("noconnection"),  QStringLiteral("nofiles"),       QStringLiteral("endprogram"),
            QStringLiteral("doublerun"),     QStringLiteral("nopathtosound"), QStringLiteral("toomanyfiles"),
            QStringLiteral("withoutdrive1"), QStringLiteral("withoutdrive2"), QStringLiteral("pathtofolder"),
            QStringLiteral("pathtofile"),    QStringLiteral("deletefiles"),
        };
        QCOMPARE(messageKeys().mid(0, expected.size()), expected);
        for (const QString &key : messageKeys())
            QVERIFY2(!builtInMessage(key).isEmpty(), qPrintable(key));
    }

    void builtInTextsAreTheProgramsOwn()
    {
        QCOMPARE(builtInMessage(QStringLiteral("doublerun")), QStringLiteral("Quendral jest już uruchomiony!"));
        QCOMPARE(builtInMessage(QStringLiteral("withoutdrive1")), QStringLiteral("Dysk w stacji "));
        QCOMPARE(builtInMessage(QStringLiteral("withoutdrive2")),
                 QStringLiteral("nie jest gotowy! Włóż dysk i ponów próbę."));
        QCOMPARE(builtInMessage(QStringLiteral("noconnection")),
                 QStringLiteral("Nie można wykryć aktywnego połączenia modemowego! Sprawdź czy modem jest "
                                "połączony z siecią i spróbuj ponownie."));
        QCOMPARE(builtInMessage(QStringLiteral("unknown")), QString());
    }

    void startUpFillsEveryMessage()
    {
        test::ProgramFolder folder;
        AppState state(folder.path());
        setBuiltInMessages(state);
        QCOMPARE(state.messages.size(), messageKeys().size());
        for (const QString &key : messageKeys())
            QVERIFY(!state.messages.value(key).isEmpty());
    }

    // --- texts from the language file ---
    void theDriveHalvesArePaddedTowardsTheDriveName()
    {
        Folder f("withoutdrive1=Drive\r\nwithoutdrive2=Not ready\r\n");
        LoadMessages(f.state);
        QCOMPARE(f.state.message(Msg::WithoutDrive1), QStringLiteral("Drive "));
        QCOMPARE(f.state.message(Msg::WithoutDrive2), QStringLiteral(" Not ready"));
    }

    void anEmptyOrMissingKeyGivesTheBuiltInText()
    {
        Folder f("nofiles=\r\ndoublerun=Already running\r\n");
        LoadMessages(f.state);
        QCOMPARE(f.state.message(Msg::NoFiles), builtInMessage(QStringLiteral("nofiles")));
        QCOMPARE(f.state.message(Msg::EndProgram), builtInMessage(QStringLiteral("endprogram")));
        QCOMPARE(f.state.message(Msg::WithoutDrive1), builtInMessage(QStringLiteral("withoutdrive1")));
        QCOMPARE(f.state.message(Msg::DoubleRun), QStringLiteral("Already running"));
    }

    void aFileWithoutTheSectionGivesEveryBuiltIn()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=English.ini\r\n");
        folder.write(QStringLiteral("Languages/English.ini"), "nofiles=outside any section\r\n");
        AppState state(folder.path());
        LoadMessages(state);
        for (const QString &key : messageKeys())
            QCOMPARE(state.messages.value(key), builtInMessage(key));
    }

    // Read as the text lines are, whatever the system's code page: each
    // line UTF-8, else Windows-1250.
    void polishTextsReadInEitherEncoding_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("UTF-8") << QStringLiteral("nofiles=Zażółć gęślą jaźń").toUtf8();
        QTest::newRow("Windows-1250") << QByteArray("nofiles=Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1");
    }
    void polishTextsReadInEitherEncoding()
    {
        QFETCH(QByteArray, line);
        Folder f(line + "\r\n");
        LoadMessages(f.state);
        QCOMPARE(f.state.message(Msg::NoFiles), QStringLiteral("Zażółć gęślą jaźń"));
    }

    void textLinesInsideTheSectionDoNotDisturbIt()
    {
        Folder f("frmadd.cmdadd.Caption==Add\r\nnofiles=No files!\r\n");
        LoadMessages(f.state);
        QCOMPARE(f.state.message(Msg::NoFiles), QStringLiteral("No files!"));
    }

    void longTextsArriveCutTo254Characters()
    {
        Folder f("deletefiles=" + QByteArray(300, 'x') + "\r\nwithoutdrive1=" + QByteArray(300, 'y') + "\r\n");
        LoadMessages(f.state);
        QCOMPARE(f.state.message(Msg::DeleteFiles), QString(254, u'x'));
        QCOMPARE(f.state.message(Msg::WithoutDrive1), QString(254, u'y') + u' ');
    }

    void noSettingsFileGivesEveryBuiltIn()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/English.ini"), "[Messages]\r\nnofiles=No files!\r\n");
        AppState state(folder.path());
        LoadMessages(state);
        QCOMPARE(state.message(Msg::NoFiles), builtInMessage(QStringLiteral("nofiles")));
    }
};

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
