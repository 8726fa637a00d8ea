#include "actions/connectionsource_windows.h"
#include "actions/poweroff_windows.h"
#include "base/commandline.h"
#include "lang/qttranslation.h"
#include "settings/inifile.h"
#include "settings/programfile.h"
#include "settings/registryeditor.h"
#include "settings/settingsstore.h"
#include "settings/storekeys.h"
#include "settings/watchliststore.h"
#include "support/iniwrites.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace quendral;

namespace {

// What the stand-in calls saw, in order.
QStringList g_calls;
DWORD g_enumResult = 0;
QList<quintptr> g_listed; // handles the listing fills in
QList<DWORD> g_states;    // the state of each listed handle
DWORD g_bufferSize = 0;
BOOL g_adjustResult = TRUE;

DWORD WINAPI fakeEnum(void *connections, DWORD *bufferSize, DWORD *count)
{
    g_bufferSize = *bufferSize;
    DWORD firstSize = 0;
    std::memcpy(&firstSize, connections, sizeof firstSize);
    g_calls.append(QStringLiteral("enum size=%1 count=%2").arg(firstSize).arg(*count));
    if (g_enumResult != 0)
        return g_enumResult;
    auto *bytes = static_cast<char *>(connections);
    for (qsizetype i = 0; i < g_listed.size(); ++i) {
        const HANDLE handle = reinterpret_cast<HANDLE>(g_listed.at(i));
        std::memcpy(bytes + i * firstSize + sizeof(void *), &handle, sizeof handle);
    }
    *count = DWORD(g_listed.size());
    return 0;
}

DWORD WINAPI fakeStatus(HANDLE connection, void *status)
{
    const auto handle = reinterpret_cast<quintptr>(connection);
    const qsizetype index = g_listed.indexOf(handle);
    g_calls.append(QStringLiteral("status %1").arg(handle));
    if (index < 0)
        return ERROR_INVALID_HANDLE;
    std::memcpy(static_cast<char *>(status) + sizeof(DWORD), &g_states[index], sizeof(DWORD));
    return 0;
}

DWORD WINAPI fakeHangUp(HANDLE connection)
{
    const auto handle = reinterpret_cast<quintptr>(connection);
    g_calls.append(QStringLiteral("hangup %1").arg(handle));
    // The service lets the handle go once the line is down.
    const qsizetype index = g_listed.indexOf(handle);
    if (index >= 0) {
        g_listed.removeAt(index);
        g_states.removeAt(index);
    }
    return index == 0 ? ERROR_INVALID_HANDLE : 0; // a failed hang-up must not stop the others
}

BOOL WINAPI fakeOpenToken(HANDLE, DWORD access, HANDLE *token)
{
    g_calls.append(QStringLiteral("token access=0x%1").arg(access, 0, 16));
    *token = reinterpret_cast<HANDLE>(quintptr(42));
    return TRUE;
}

BOOL WINAPI fakeLookup(const char *system, const char *name, LUID *luid)
{
    g_calls.append(QStringLiteral("lookup '%1' %2").arg(QLatin1String(system), QLatin1String(name)));
    luid->LowPart = 19;
    return TRUE;
}

BOOL WINAPI fakeAdjust(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES *state, DWORD length, TOKEN_PRIVILEGES *,
                       DWORD *returnLength)
{
    g_calls.append(QStringLiteral("adjust token=%1 disable=%2 count=%3 luid=%4 attr=%5 length=%6 return=%7")
                       .arg(reinterpret_cast<quintptr>(token))
                       .arg(disableAll)
                       .arg(state->PrivilegeCount)
                       .arg(state->Privileges[0].Luid.LowPart)
                       .arg(state->Privileges[0].Attributes)
                       .arg(length)
                       .arg(*returnLength));
    return g_adjustResult;
}

BOOL WINAPI fakeExit(UINT flags, DWORD reason)
{
    g_calls.append(QStringLiteral("exit flags=%1 reason=%2").arg(flags).arg(reason));
    return FALSE;
}

BOOL WINAPI fakeClose(HANDLE)
{
    return TRUE;
}

// Received bytes (the third field of a 60-byte record): 1000 times the handle.
DWORD WINAPI fakeStatistics(HANDLE connection, void *statistics)
{
    auto *record = static_cast<DWORD *>(statistics);
    const bool known = record[0] == 60 && g_listed.contains(reinterpret_cast<quintptr>(connection));
    record[2] = 1000 * DWORD(reinterpret_cast<quintptr>(connection));
    return known ? 0 : ERROR_INVALID_HANDLE;
}

BOOLEAN WINAPI fakeSuspend(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled)
{
    g_calls.append(
        QStringLiteral("suspend hibernate=%1 force=%2 nowake=%3").arg(hibernate).arg(force).arg(wakeupEventsDisabled));
    return FALSE;
}

// S3 and S4 without a hibernation file: sleep yes, hibernate no.
BOOLEAN WINAPI fakeCapabilities(SYSTEM_POWER_CAPABILITIES *capabilities)
{
    *capabilities = {};
    return capabilities->SystemS3 = capabilities->SystemS4 = TRUE;
}

const RasCalls kFakeRas{fakeEnum, fakeStatus, fakeHangUp, fakeStatistics};
const ShutdownCalls kFakeShutdown{fakeOpenToken, fakeLookup,  fakeAdjust,      fakeExit,
                                  fakeClose,     fakeSuspend, fakeCapabilities};

const QString kTestKey = QStringLiteral("Software\\Quendral test");

bool underWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

class TestWindowsBackends : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        g_calls.clear();
        g_enumResult = 0;
        g_listed.clear();
        g_states.clear();
        g_adjustResult = TRUE;
    }

    // --- dial-up ---
    void rasListing_data()
    {
        QTest::addColumn<QList<quintptr>>("handles");
        QTest::addColumn<QList<DWORD>>("states");
        QTest::addColumn<bool>("firstConnected");
        QTest::newRow("none") << QList<quintptr>{} << QList<DWORD>{} << false;
        QTest::newRow("one connected") << QList<quintptr>{7} << QList<DWORD>{0x2000} << true;
        QTest::newRow("first dialling, second connected")
            << QList<quintptr>{7, 8} << QList<DWORD>{0x1000, 0x2000} << false;
    }

    void rasListing()
    {
        QFETCH(QList<quintptr>, handles);
        QFETCH(QList<DWORD>, states);
        QFETCH(bool, firstConnected);
        g_listed = handles;
        g_states = states;
        RasConnectionSource source(kFakeRas);
        const auto list = source.connections();
        QVERIFY(list.has_value());
        QCOMPARE(list->size(), handles.size());
        QCOMPARE(!list->isEmpty() && list->first().connected, firstConnected);
        // 256 records; the first names the record version; only the first
        // handle's state is asked for, a zero handle when nothing is listed.
        QCOMPARE(g_bufferSize, DWORD(256 * (sizeof(void *) == 4 ? 412 : 424)));
        QCOMPARE(g_calls.size(), 2);
        QCOMPARE(g_calls.last(), QStringLiteral("status %1").arg(handles.value(0)));
    }

    void rasListingFailure()
    {
        g_enumResult = 632;
        RasConnectionSource source(kFakeRas);
        QVERIFY(!source.connections().has_value());
    }

    void rasHangsUpEveryConnectionInOrder()
    {
        g_listed = {7, 8, 9};
        g_states = {0x2000, 0x2000, 0x2000};
        RasConnectionSource source(kFakeRas);
        const auto list = source.connections();
        for (const DialupConnection &connection : *list)
            QVERIFY(source.hang_up(connection.handle));
        const QStringList hangUps = g_calls.filter(QStringLiteral("hangup"));
        QCOMPARE(hangUps, QStringList({"hangup 7", "hangup 8", "hangup 9"}));
    }

    void rasReceivedBytesOfTheConnection()
    {
        g_listed = {7};
        RasConnectionSource source(kFakeRas);
        QCOMPARE(source.receivedBytes(QStringLiteral("7")).value_or(0), quint64(7000));
        QVERIFY(!source.receivedBytes(QStringLiteral("8")));
    }

    void rasOfThisSystemAnswers()
    {
        // Wine's service has no connections; a real Windows without a modem
        // neither. Either way the listing answers and nothing is connected.
        RasConnectionSource source;
        const auto list = source.connections();
        QVERIFY(!list || list->isEmpty() || !list->first().connected || qEnvironmentVariableIsSet("QUENDRAL_LIVE_RAS"));
    }

    // --- power-off ---
    void powerOff_data()
    {
        QTest::addColumn<BOOL>("adjustResult");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("ability"); // as the capabilities tell it
        const int yes = int(PowerControl::Ability::Yes), no = int(PowerControl::Ability::No);
        QStringList privilege{"token access=0x28", "lookup '' SeShutdownPrivilege",
                              "adjust token=42 disable=0 count=1 luid=19 attr=2 length=16 return=4",
                              "exit flags=5 reason=0"};
        QTest::newRow("power off") << TRUE << privilege << 0 << int(PowerControl::Ability::Unknown);
        QTest::newRow("privilege refused") << FALSE << privilege << 0 << int(PowerControl::Ability::Unknown);
        privilege.last() = QStringLiteral("suspend hibernate=0 force=0 nowake=0");
        QTest::newRow("suspend") << TRUE << privilege << 1 << yes;
        privilege.last() = QStringLiteral("suspend hibernate=1 force=0 nowake=0");
        QTest::newRow("hibernate, no hibernation file") << TRUE << privilege << 2 << no;
    }

    void powerOff()
    {
        QFETCH(BOOL, adjustResult);
        QFETCH(QStringList, calls);
        QFETCH(int, action);
        QFETCH(int, ability);
        g_adjustResult = adjustResult;
        WindowsPowerControl power(kFakeShutdown);
        QCOMPARE(int(power.can(PowerControl::Action(action))), ability);
        // Refused by the fakes: the system's words come back.
        QVERIFY(!power.perform(PowerControl::Action(action)).isEmpty());
        QCOMPARE(g_calls, calls);
    }

    void commandLineSplitsAsWindowsDoes()
    {
        QCOMPARE(splitCommandLine(QStringLiteral("\"C:\\Program Files\\x.exe\" a \"b c\" d\\\"e")),
                 QStringList({"C:\\Program Files\\x.exe", "a", "b c", "d\"e"}));
        QVERIFY(splitCommandLine(QStringLiteral("  ")).isEmpty());
    }

    // --- the settings file: the system's profile calls and our engine agree ---
    void profileMatchesTheEngine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        const QByteArray files =
            "[Files]\r\nfile0=C:\\a.zip\r\nFILE1 = \"C:\\b c.zip\" \r\n[options]\r\nlanguage=Polish.ini\r\n";
        QTest::newRow("exact") << files << "Files"
                               << "file0";
        QTest::newRow("names without case, blanks and quotes") << files << "files"
                                                               << "file1";
        QTest::newRow("missing key") << files << "Files"
                                     << "file2";
        QTest::newRow("missing section") << files << "Other"
                                         << "file0";
        QTest::newRow("first of two wins") << QByteArray("[a]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n") << "a"
                                           << "k";
        QTest::newRow("line without =") << QByteArray("[a]\r\nk\r\nk=1\r\n") << "a"
                                        << "k";
        QTest::newRow("254 characters at most") << "[a]\r\nk=" + QByteArray(300, 'x') + "\r\n"
                                                << "a"
                                                << "k";
        QTest::newRow("single quotes") << QByteArray("[a]\r\nk='v'\r\n") << "a"
                                       << "k";
    }

    void profileMatchesTheEngine()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Settings.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const IniFile settings(path);
        if (underWine())
            QEXPECT_FAIL("line without =", "Wine reads a line without \"=\" as a key with an empty value", Continue);
        QCOMPARE(settings.ReadIni(section, key), ini::readFromText(QString::fromLatin1(text), section, key));

        // A write through the system reads back as a write through the engine.
        QVERIFY(settings.WriteIni(section, key, QStringLiteral("new value")));
        const QString engine = ini::writeToText(QString::fromLatin1(text), section, key, QStringLiteral("new value"));
        QCOMPARE(settings.ReadIni(section, key), ini::readFromText(engine, section, key));
    }

    void sectionInOneWrite()
    {
        QTemporaryDir dir;
        const IniFile settings(dir.filePath(QStringLiteral("Settings.ini")));
        QVERIFY(settings.WriteIni(QStringLiteral("options"), QStringLiteral("language"), QStringLiteral("Polish.ini")));
        QVERIFY(settings.WriteIni(QStringLiteral("Files"), {{QStringLiteral("file0"), QStringLiteral("C:\\a.zip")},
                                                            {QStringLiteral("file1"), QStringLiteral("C:\\b.zip")},
                                                            {QStringLiteral("file2"), QString()}}));
        const QHash<QString, QString> files = settings.ReadSection(QStringLiteral("files"));
        QCOMPARE(files.value(QStringLiteral("file0")), QStringLiteral("C:\\a.zip"));
        QCOMPARE(files.value(QStringLiteral("file1")), QStringLiteral("C:\\b.zip"));
        QCOMPARE(files.value(QStringLiteral("file2")), QString());
        QCOMPARE(settings.ReadIni(QStringLiteral("options"), QStringLiteral("language")), QStringLiteral("Polish.ini"));
    }

    // One save of many values leaves the bytes the system's per-key writes leave.
    void saveLeavesWhatPerKeyWritesLeave_data() { test::addIniWriteRows(); }
    void saveLeavesWhatPerKeyWritesLeave()
    {
        QFETCH(QByteArray, before);
        QFETCH(test::IniWrites, writes);
        QTemporaryDir dir;
        const QStringList files{QDir::toNativeSeparators(dir.filePath("perkey.ini")), dir.filePath("system.ini")};
        for (const QString &path : files) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        }
        for (const auto &[key, value] : writes)
            WritePrivateProfileStringW(L"Files", key.toStdWString().c_str(), value.toStdWString().c_str(),
                                       files[0].toStdWString().c_str());
        QVERIFY(IniFile(files[1]).WriteIni("Files", writes));
        for (const QString &path : files) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTEST(file.readAll(), "after");
        }
    }

    // --- texts the code page cannot hold ---
    // A watch-list entry and a command read back whole from fresh stores, as
    // after a restart; a line the code page holds keeps the bytes of the
    // system's per-key writes, and the lines not written keep theirs.
    void textsBeyondTheCodePageSurvive_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inCodePage");
        QTest::newRow("ASCII") << QStringLiteral("C:\\Downloads\\a.zip") << true;
        QTest::newRow("Polish") << QStringLiteral("C:\\Pobrane\\zażółć gęślą jaźń.zip") << true;
        QTest::newRow("Czech") << QStringLiteral("C:\\Stažené\\žluťoučký kůň úpěl.zip") << true;
        QTest::newRow("Cyrillic and Czech") << QStringLiteral("C:\\Загрузки\\шалаш a kůň.zip") << false;
    }
    void textsBeyondTheCodePageSurvive()
    {
        QFETCH(QString, text);
        QFETCH(bool, inCodePage);
        if (GetACP() != 1250 && !underWine())
            QSKIP("Needs the Polish code page, as scripts/test-windows.sh gives Wine");
        QCOMPARE(GetACP(), UINT(1250));
        const QByteArray before = QStringLiteral("[options]\r\nnote=żółw\r\n").toLocal8Bit() +
                                  QStringLiteral("[other]\r\nnote=шалаш\r\n").toUtf8();
        const QString command = u'"' + text + QStringLiteral("\" --open");
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), before);
        {
            SettingsStore store(folder.path());
            QVERIFY(watchlist::write(store.settingsFile(), {text}));
            QVERIFY(store.SaveUserSettings({{keys::kCommand, command}}));
        }
        SettingsStore store(folder.path());
        QCOMPARE(watchlist::read(store.settingsFile()), QStringList{text});
        QCOMPARE(store.GetUserSetting(keys::kCommand), command);
        QCOMPARE(store.settingsFile().ReadIni(QStringLiteral("other"), QStringLiteral("note")),
                 QStringLiteral("шалаш"));
        QVERIFY(store.SaveUserSetting(keys::kCommand, QString()));

        QFile file(store.settingsFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        QVERIFY(after.startsWith(before));
        QVERIFY(after.contains("\r\nfile0=" + (inCodePage ? text.toLocal8Bit() : text.toUtf8()) + "\r\n"));
    }

    // --- registry ---
    void registryRoundTrip()
    {
        using namespace registry;
        RegistryEditor regedit;
        QCOMPARE(regedit.RegKeyCreate(Root::CurrentUser, kTestKey), kSuccess);
        QCOMPARE(regedit.RegValueWrite(Root::CurrentUser, kTestKey, QStringLiteral("text"),
                                       QStringLiteral("C:\\Program Files\\Quendral\\quendral.exe"), kString),
                 kSuccess);
        QCOMPARE(
            regedit.RegValueWrite(Root::CurrentUser, kTestKey, QStringLiteral("number"), QStringLiteral("7"), kDword),
            kSuccess);
        QVariant value;
        quint32 type = kString;
        QCOMPARE(regedit.RegValueRead(Root::CurrentUser, kTestKey, QStringLiteral("TEXT"), &value, &type), kSuccess);
        QCOMPARE(value.toString(), QStringLiteral("C:\\Program Files\\Quendral\\quendral.exe"));
        type = kDword;
        QCOMPARE(regedit.RegValueRead(Root::CurrentUser, kTestKey, QStringLiteral("number"), &value, &type), kSuccess);
        QCOMPARE(value.toUInt(), 7u);
        // A text longer than the 255-byte buffer does not fit.
        QCOMPARE(
            regedit.RegValueWrite(Root::CurrentUser, kTestKey, QStringLiteral("long"), QString(300, u'x'), kString),
            kSuccess);
        type = kString;
        QCOMPARE(regedit.RegValueRead(Root::CurrentUser, kTestKey, QStringLiteral("long"), &value, &type), kMoreData);

        // The system's own tool sees what we wrote.
        QProcess reg;
        reg.start(QStringLiteral("reg"), {QStringLiteral("query"), QStringLiteral("HKCU\\") + kTestKey});
        QVERIFY(reg.waitForFinished(30000));
        const QString listed = QString::fromLocal8Bit(reg.readAllStandardOutput());
        QVERIFY2(listed.contains(QStringLiteral("quendral.exe")), qPrintable(listed));

        QCOMPARE(regedit.RegValueDelete(Root::CurrentUser, kTestKey, QStringLiteral("text")), kSuccess);
        QCOMPARE(regedit.RegValueRead(Root::CurrentUser, kTestKey, QStringLiteral("text"), &value, &type), kNotFound);
        regedit.RegValueDelete(Root::CurrentUser, kTestKey, QStringLiteral("number"));
        regedit.RegValueDelete(Root::CurrentUser, kTestKey, QStringLiteral("long"));
        QCOMPARE(regedit.RegKeyDelete(Root::CurrentUser, kTestKey), kSuccess);
        QCOMPARE(regedit.RegKeyOpen(Root::CurrentUser, kTestKey, kQueryValue), kNotFound);
    }

    // Qt's translations come from the program folder's translations/, where
    // deploy-windows.sh puts them and the zip carries them.
    void qtTranslationFromTheProgramFolder()
    {
        useQtTranslation(ProgramFolder(), QStringLiteral("pl"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Tak"));
    }
};

QTEST_GUILESS_MAIN(TestWindowsBackends)
#include "test_windows_backends.moc"
