// The language pass: text lines, the default language, the choice of file,
// early ends and hostile files.
#include "kit/picturebutton.h"
#include "lang/language.h"
#include "lang/languageid.h"
#include "lang/messages.h"
#include "settings/appstate.h"
#include "settings/inifile.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace quendral;

namespace {

// A throwaway watch-list window with the controls the lines below address.
struct WatchList
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    PictureButton *cmdadd = new PictureButton(QStringLiteral("Dodaj plik"), window.get());
    PictureButton *cmddel = new PictureButton(QStringLiteral("Usuń plik"), window.get());

    WatchList()
    {
        window->setObjectName(QStringLiteral("frmadd"));
        window->setWindowTitle(QStringLiteral("Quendral - lista plików"));
        cmdadd->setObjectName(QStringLiteral("cmdadd"));
        cmddel->setObjectName(QStringLiteral("cmddel"));
    }
};

// A window whose load runs the pass, as every window of the program does.
class HelpWindow : public QWidget
{
public:
    explicit HelpWindow(AppState &state)
    {
        setObjectName(QStringLiteral("frmhelp"));
        auto *title = new QLabel(QStringLiteral("Pomoc programu Quendral"), this);
        title->setObjectName(QStringLiteral("lbltitle"));
        LoadLanguage(state);
    }
    QString title() const { return findChild<QLabel *>(QStringLiteral("lbltitle"))->text(); }
};

void setLocale(const char *lcAll, const char *lcMessages, const char *lang)
{
    const auto set = [](const char *name, const char *value) {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    };
    set("LC_ALL", lcAll);
    set("LC_MESSAGES", lcMessages);
    set("LANG", lang);
}

QByteArray crlf(const QByteArray &lf)
{
    QByteArray text = lf;
    return text.replace("\n", "\r\n");
}

const QByteArray kEnglish = crlf("frmadd.cmdadd.Caption==Add file\n[Messages]\nnofiles=No files!\n");
const QByteArray kPolish = crlf("frmadd.cmdadd.Caption==Dodaj\n[Messages]\nnofiles=Brak plików!\n");

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init() { setLocale(nullptr, nullptr, "en_US.UTF-8"); }

    // --- text lines ---
    void textAfterASecondSeparatorIsDropped()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.cmdadd.Caption==Dodaj==x\r\n")));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj"));
    }

    void anEmptyValueIsAssigned()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.Caption==")));
        QCOMPARE(w.window->windowTitle(), QString());
    }

    void valuesKeepTheirBlanks()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.cmdadd.Caption==  Dodaj \r\n")));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("  Dodaj "));
    }

    void windowNamesKeepLetterCasePropertyNamesDoNot()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmAdd.Caption==X\r\nfrmadd.cmdadd.caption==Y\r\n")));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quendral - lista plików"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Y"));
    }

    void aBlankBeforeTheSeparatorEndsThePass()
    {
        WatchList w;
        QVERIFY(!ApplyTextLines(QStringLiteral("frmadd.Caption == Lista\r\nfrmadd.cmdadd.Caption==Z\r\n")));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quendral - lista plików"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj plik"));
    }

    void loneLineFeedsAndCarriageReturnsAreOrdinaryCharacters()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.cmdadd.Caption==A\nfrmadd.cmddel.Caption==B\r\n")));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("A\nfrmadd.cmddel.Caption"));
        QCOMPARE(w.cmddel->text(), QStringLiteral("Usuń plik"));
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.cmddel.Caption==C\rD\r\n")));
        QCOMPARE(w.cmddel->text(), QStringLiteral("C\rD"));
    }

    // A file with no CR LF at all is split where its lines end; each line is
    // decoded on its own.
    void filesEditedElsewhere_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("add");
        QTest::addColumn<QString>("del");
        QTest::newRow("LF") << QByteArray("frmadd.cmdadd.Caption==A\nfrmadd.cmddel.Caption==B\n") << "A"
                            << "B";
        QTest::newRow("CR") << QByteArray("frmadd.cmdadd.Caption==A\r[Messages]\rfrmadd.cmddel.Caption==B") << "A"
                            << "B";
        QTest::newRow("one invalid byte")
            << QByteArray("frmadd.cmdadd.Caption==\xFF\r\nfrmadd.cmddel.Caption==\xC5\xBC\r\n")
            << QString::fromUtf8("˙") << QString::fromUtf8("ż");
    }
    void filesEditedElsewhere()
    {
        QFETCH(QByteArray, file);
        WatchList w;
        QVERIFY(ApplyTextFile(file));
        QTEST(w.cmdadd->text(), "add");
        QTEST(w.cmddel->text(), "del");
    }

    void linesThatAreNoTextLinesAreSkipped()
    {
        WatchList w;
        const QString text = QStringLiteral("\r\n; comment\r\n[Messages]\r\nnofiles=x\r\n==value\r\nfrmadd==x\r\n"
                                            "frmadd.cmdadd.Caption==Kept\r\n");
        QVERIFY(ApplyTextLines(text));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Kept"));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quendral - lista plików"));
    }

    void unknownWindowsAndControlsAreSkippedSilently()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmnone.Caption==x\r\nfrmadd.cmdnone.Caption==x\r\n"
                                              "frmadd..Caption==x\r\nfrmadd.cmdadd.Caption==Last\r\n")));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Last"));
    }

    void fourOrMoreNamePartsAddressTheWindow()
    {
        WatchList w;
        QVERIFY(ApplyTextLines(QStringLiteral("frmadd.Caption.cmdadd.x==Title\r\n")));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Title"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj plik"));
    }

    // --- the default language and the file chosen ---
    void localeVariablesGiveTheSystemLanguage_data()
    {
        QTest::addColumn<QByteArray>("lcAll");
        QTest::addColumn<QByteArray>("lcMessages");
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<int>("id");
        QTest::newRow("LANG Polish") << QByteArray() << QByteArray() << QByteArray("pl_PL.UTF-8") << 1045;
        QTest::newRow("bare pl") << QByteArray() << QByteArray() << QByteArray("pl") << 1045;
        QTest::newRow("LC_ALL wins") << QByteArray("C") << QByteArray() << QByteArray("pl_PL") << 1033;
        QTest::newRow("LC_MESSAGES before LANG")
            << QByteArray() << QByteArray("pl_PL@euro") << QByteArray("de_DE") << 1045;
        QTest::newRow("LC_ALL Polish") << QByteArray("pl_PL.ISO-8859-2") << QByteArray("en_GB") << QByteArray() << 1045;
        QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << 1033;
        QTest::newRow("not a prefix") << QByteArray() << QByteArray() << QByteArray("plx_PL") << 1033;
    }

    void localeVariablesGiveTheSystemLanguage()
    {
        QFETCH(QByteArray, lcAll);
        QFETCH(QByteArray, lcMessages);
        QFETCH(QByteArray, lang);
        QFETCH(int, id);
        const auto orNull = [](const QByteArray &v) { return v.isEmpty() ? nullptr : v.constData(); };
        setLocale(orNull(lcAll), orNull(lcMessages), orNull(lang));
        QCOMPARE(int(systemDefaultLangId()), id);
    }

    void firstPassOnAPolishSystemCreatesTheSettingsFile()
    {
        setLocale(nullptr, nullptr, "pl_PL.UTF-8");
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/Polish.ini"), kPolish);
        folder.write(QStringLiteral("Languages/English.ini"), kEnglish);
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(ini::read(folder.file(QStringLiteral("Settings.ini")), QStringLiteral("options"),
                           QStringLiteral("language")),
                 QStringLiteral("Polish.ini"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj"));
        QCOMPARE(state.message(Msg::NoFiles), QStringLiteral("Brak plików!"));
    }

    void aMissingKeyGetsTheDefaultOfAnEnglishSystem()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[Files]\r\nfile0=/tmp/a.zip\r\n");
        folder.write(QStringLiteral("Languages/Polish.ini"), kPolish);
        folder.write(QStringLiteral("Languages/English.ini"), kEnglish);
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(state.store.settingsFile().ReadIni(QStringLiteral("Options"), QStringLiteral("language")),
                 QStringLiteral("English.ini"));
        QCOMPARE(state.store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file0")),
                 QStringLiteral("/tmp/a.zip"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Add file"));
    }

    void aValueNamingAMissingFileIsReplacedByTheDefault()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=Klingon.ini\r\n");
        folder.write(QStringLiteral("Languages/English.ini"), kEnglish);
        AppState state(folder.path());
        LoadLanguage(state);
        QCOMPARE(state.store.settingsFile().ReadIni(QStringLiteral("options"), QStringLiteral("language")),
                 QStringLiteral("English.ini"));
    }

    void withoutLanguageFilesNothingIsWrittenAndBuiltInsShow()
    {
        test::ProgramFolder folder;
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QVERIFY(!QFileInfo::exists(folder.file(QStringLiteral("Settings.ini"))));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj plik"));
        for (const QString &key : messageKeys())
            QCOMPARE(state.messages.value(key), builtInMessage(key));
    }

    void valuesReachingOutsideTheLanguagesFolderAreRefused_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("parent") << QStringLiteral("../secret.ini");
        QTest::newRow("absolute") << QStringLiteral("%1secret.ini");
        QTest::newRow("subfolder") << QStringLiteral("sub/inner.ini");
        QTest::newRow("backslash") << QStringLiteral("..\\secret.ini");
        QTest::newRow("dot dot") << QStringLiteral("..");
    }

    void valuesReachingOutsideTheLanguagesFolderAreRefused()
    {
        QFETCH(QString, value);
        test::ProgramFolder folder;
        value.replace(QStringLiteral("%1"), folder.path());
        const QByteArray hostile = crlf("frmadd.cmdadd.Caption==Hacked\n[Messages]\nnofiles=Hacked\n");
        folder.write(QStringLiteral("secret.ini"), hostile);
        folder.write(QStringLiteral("Languages/sub/inner.ini"), hostile);
        folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=" + value.toUtf8() + "\r\n");
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj plik"));
        QCOMPARE(state.message(Msg::NoFiles), builtInMessage(QStringLiteral("nofiles")));
        QVERIFY(languageFilePath(state, value).isEmpty());
    }

    void aFolderNamedLikeALanguageIsNoLanguage()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/Folder.ini/x"), "");
        AppState state(folder.path());
        QVERIFY(languageFilePath(state, QStringLiteral("Folder.ini")).isEmpty());
    }

    // --- when the pass runs ---
    void switchingTheShippedFilesChangesTextsAndMessages()
    {
        test::ProgramFolder folder(test::ProgramFolder::Languages::Shipped);
        AppState state(folder.path());
        WatchList w;
        state.store.settingsFile().WriteIni(QStringLiteral("options"), QStringLiteral("language"),
                                            QStringLiteral("English.ini"));
        LoadLanguage(state);
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quendral - file list"));
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Add file"));
        QCOMPARE(state.message(Msg::DoubleRun), QStringLiteral("Quendral is already running!"));

        state.store.settingsFile().WriteIni(QStringLiteral("options"), QStringLiteral("language"),
                                            QStringLiteral("Polish.ini"));
        LoadLanguage(state);
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quendral - lista plików"));
        QCOMPARE(w.cmddel->text(), QStringLiteral("Usuń plik"));
        QCOMPARE(state.message(Msg::DoubleRun), builtInMessage(QStringLiteral("doublerun")));
        QCOMPARE(state.message(Msg::WithoutDrive1), builtInMessage(QStringLiteral("withoutdrive1")));
    }

    // Qt's standard buttons follow the chosen file, row after row as the
    // options window switches it.
    void questionBoxButtonsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("yes");
        QTest::newRow("Polish") << QStringLiteral("Polish.ini") << QStringLiteral("&Tak");
        QTest::newRow("English") << QStringLiteral("English.ini") << QStringLiteral("&Yes");
        QTest::newRow("back to Polish") << QStringLiteral("Polish.ini") << QStringLiteral("&Tak");
        QTest::newRow("a user's own file") << QStringLiteral("Deutsch.ini") << QStringLiteral("&Yes");
    }

    void questionBoxButtonsFollowTheLanguage()
    {
        QFETCH(QString, file);
        test::ProgramFolder folder(test::ProgramFolder::Languages::Shipped);
        folder.write(QStringLiteral("Languages/Deutsch.ini"), kEnglish);
        AppState state(folder.path());
        state.store.settingsFile().WriteIni(QStringLiteral("options"), QStringLiteral("language"), file);
        LoadLanguage(state);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Quendral"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QTEST(box.button(QMessageBox::Yes)->text(), "yes");
    }

    void aWindowLoadedLaterGetsTheTextsAtItsOwnLoad()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/English.ini"), "frmhelp.lbltitle.Caption==Quendral Help\r\n");
        AppState state(folder.path());
        LoadLanguage(state); // no help window loaded: nothing to change
        HelpWindow help(state);
        QCOMPARE(help.title(), QStringLiteral("Quendral Help"));
    }

    void codeWrittenTextsSurviveWhereTheFileHasNoLine()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/English.ini"), "frmadd.cmddel.Caption==Remove\r\n");
        AppState state(folder.path());
        WatchList w;
        w.cmdadd->setText(QStringLiteral("Set by code"));
        LoadLanguage(state);
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Set by code"));
        QCOMPARE(w.cmddel->text(), QStringLiteral("Remove"));
    }

    void windows1250FilesAreReadAsSuch()
    {
        test::ProgramFolder folder;
        // "Usuń" and "plików" in Windows-1250.
        folder.write(QStringLiteral("Languages/English.ini"),
                     "frmadd.cmddel.Caption==Usu\xf1\r\n[Messages]\r\nnofiles=Brak plik\xf3w\r\n");
        AppState state(folder.path());
        WatchList w;
        w.cmddel->setText(QString());
        LoadLanguage(state);
        QCOMPARE(w.cmddel->text(), QStringLiteral("Usuń"));
        QCOMPARE(state.message(Msg::NoFiles), QStringLiteral("Brak plików"));
    }

    // --- early ends keep a text in every message ---
    void anEarlyEndAtTheFirstPassLeavesTheBuiltInTexts()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/English.ini"),
                     crlf("frmadd.Caption == List\nfrmadd.cmdadd.Caption==Add\n[Messages]\nnofiles=No files!\n"));
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(w.cmdadd->text(), QStringLiteral("Dodaj plik"));
        for (const QString &key : messageKeys())
            QCOMPARE(state.messages.value(key), builtInMessage(key));
    }

    void anEarlyEndLaterKeepsThePreviousPassTexts()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Languages/English.ini"), kEnglish);
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(state.message(Msg::NoFiles), QStringLiteral("No files!"));
        folder.write(QStringLiteral("Languages/English.ini"),
                     crlf("frmadd.cmdadd.Bogus==x\n[Messages]\nnofiles=Changed!\n"));
        LoadLanguage(state);
        QCOMPARE(state.message(Msg::NoFiles), QStringLiteral("No files!"));
    }

    // --- hostile files ---
    void binaryGarbageNeitherCrashesNorHangs()
    {
        test::ProgramFolder folder;
        QByteArray garbage(1 << 20, '\0');
        QRandomGenerator random(6);
        for (char &c : garbage)
            c = char(random.bounded(256));
        // Some separators, so that garbage also reaches the name lookup.
        for (qsizetype i = 0; i + 6 < garbage.size(); i += 997)
            garbage.replace(i, 6, "frm.==");
        folder.write(QStringLiteral("Languages/English.ini"), garbage);
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        for (const QString &key : messageKeys())
            QVERIFY(!state.messages.value(key).isEmpty());
    }

    void aTenMegabyteFileIsAppliedInReasonableTime()
    {
        test::ProgramFolder folder;
        QByteArray big;
        const QByteArray line = "frmadd.cmdadd.Caption==Add file\r\nfrmnone.x.Caption==y\r\n; padding padding\r\n";
        while (big.size() < 10 * 1024 * 1024)
            big += line;
        big += "frmadd.cmddel.Caption==Remove\r\n";
        folder.write(QStringLiteral("Languages/English.ini"), big);
        AppState state(folder.path());
        WatchList w;
        QElapsedTimer clock;
        clock.start();
        LoadLanguage(state);
        QCOMPARE(w.cmddel->text(), QStringLiteral("Remove"));
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    }

    void megabyteLinesAreHandled()
    {
        test::ProgramFolder folder;
        const QByteArray longName = "frmadd." + QByteArray(1 << 20, 'a') + ".Caption==x\r\n";
        const QByteArray manyDots = "frmadd" + QByteArray(1 << 20, '.') + "==x\r\n";
        const QByteArray longValue = "frmadd.cmdadd.Caption==" + QByteArray(1 << 20, 'v') + "\r\n";
        folder.write(QStringLiteral("Languages/English.ini"),
                     longName + longValue + "[Messages]\r\nnofiles=" + QByteArray(1 << 20, 'n') + "\r\n");
        AppState state(folder.path());
        WatchList w;
        LoadLanguage(state);
        QCOMPARE(w.cmdadd->text().size(), 1 << 20);
        QCOMPARE(state.message(Msg::NoFiles).size(), ini::kMaxValueLength);
        // Many dots: the window itself with an empty property name, which ends the pass.
        QVERIFY(!ApplyTextLines(QString::fromLatin1(manyDots)));
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
