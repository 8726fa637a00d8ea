#include "settings/inifile.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString &name = QStringLiteral("Settings.ini")) const { return m_dir.filePath(name); }
    void put(const QByteArray &bytes, const QString &name = QStringLiteral("Settings.ini"))
    {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray contents(const QString &name = QStringLiteral("Settings.ini")) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void namesCompareWithoutCaseAndFirstWins()
    {
        const QString text = QStringLiteral("[OPTIONS]\nLanguage=English.ini\nlanguage=Polish.ini\n"
                                            "[options]\nlanguage=Other.ini\nextra=1\n");
        QCOMPARE(ini::readFromText(text, "Options", "language"), QString("English.ini"));
        // The second section of the same name is never read.
        QCOMPARE(ini::readFromText(text, "Options", "extra"), QString());
    }

    void lineRules()
    {
        const QString text = QStringLiteral("[Files]\nfile0\n  file1  =   C:\\a b.zip   \nfile2=\"quoted\"\n"
                                            "file3='single'\nfile4=\"unmatched'\nfile5=\nfile6=a=b\n");
        QCOMPARE(ini::readFromText(text, "Files", "file0"), QString()); // no "=": no key
        QCOMPARE(ini::readFromText(text, "Files", "file1"), QString("C:\\a b.zip"));
        QCOMPARE(ini::readFromText(text, "Files", "file2"), QString("quoted"));
        QCOMPARE(ini::readFromText(text, "Files", "file3"), QString("single"));
        QCOMPARE(ini::readFromText(text, "Files", "file4"), QString("\"unmatched'"));
        QCOMPARE(ini::readFromText(text, "Files", "file5"), QString());
        QCOMPARE(ini::readFromText(text, "Files", "file6"), QString("a=b"));
        QCOMPARE(ini::readFromText(text, "Files", "missing"), QString());
        QCOMPARE(ini::readFromText(text, "Nope", "file1"), QString());
    }

    void readIsCutTo254Characters()
    {
        const QString value(300, QChar(u'ż'));
        QVERIFY(ini::write(file(), "Files", "file0", value));
        QCOMPARE(ini::read(file(), "Files", "file0"), value.left(254));
    }

    void writeReplacesFirstKeyAndKeepsOtherLines()
    {
        put("; comment\r\n[Files]\r\nfile0=old\r\nFILE0=second\r\n\r\n[options]\r\nlanguage=Polish.ini\r\n");
        QVERIFY(ini::write(file(), "files", "File0", ""));
        QCOMPARE(contents(), QByteArray("; comment\r\n[Files]\r\nFile0=\r\nFILE0=second\r\n\r\n[options]\r\n"
                                        "language=Polish.ini\r\n"));
        // An empty value keeps the key; it reads as "".
        QCOMPARE(ini::read(file(), "Files", "file0"), QString());
    }

    void writeAddsKeyAtEndOfSectionAndSectionAtEndOfFile()
    {
        put("[Files]\nfile0=a\n\n[options]\nlanguage=x");
        QVERIFY(ini::write(file(), "Files", "file1", "b"));
        QVERIFY(ini::write(file(), "options", "other", "y"));
        QVERIFY(ini::write(file(), "New", "k", "v"));
        QCOMPARE(contents(), QByteArray("[Files]\nfile0=a\nfile1=b\n\n[options]\nlanguage=x\nother=y\n[New]\nk=v\n"));
    }

    void writeCreatesTheFile()
    {
        const QString path = file("new.ini");
        QVERIFY(ini::write(path, "options", "language", "Polish.ini"));
        QCOMPARE(ini::read(path, "Options", "LANGUAGE"), QString("Polish.ini"));
    }

    void encodings()
    {
        // "Pobrane\żółw.zip" in Windows-1250, as a Polish Windows wrote it.
        put("[Files]\nfile0=C:\\Pobrane\\\xBF\xF3\xB3w.zip\n");
        QCOMPARE(ini::read(file(), "Files", "file0"), QString::fromUtf8("C:\\Pobrane\\żółw.zip"));
        // Writing keeps the text and stores it as UTF-8.
        QVERIFY(ini::write(file(), "Files", "file1", QString::fromUtf8("ąę")));
        QCOMPARE(contents(), QString::fromUtf8("[Files]\nfile0=C:\\Pobrane\\żółw.zip\nfile1=ąę\n").toUtf8());
        QCOMPARE(ini::read(file(), "Files", "file0"), QString::fromUtf8("C:\\Pobrane\\żółw.zip"));
    }

    void badInputGivesEmptyOrValue()
    {
        QByteArray garbage;
        for (int i = 0; i < 100000; ++i)
            garbage.append(char((i * 7919) % 256));
        put(garbage);
        QCOMPARE(ini::read(file(), "Files", "file0"), QString());
        QVERIFY(ini::write(file(), "Files", "file0", "x"));
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("x"));

        put(QByteArray("[Files]\nfile0=a\0b\n", 17));
        QCOMPARE(ini::read(file(), "Files", "file0").size(), 3);

        QByteArray big(10 * 1024 * 1024, 'a');
        big.prepend("[Files]\nfile0=");
        big.append("\nfile1=end\n");
        put(big);
        QCOMPARE(ini::read(file(), "Files", "file0").size(), 254);
        QCOMPARE(ini::read(file(), "Files", "file1"), QString("end"));

        QVERIFY(QDir(m_dir.path()).mkpath("folder.ini"));
        QCOMPARE(ini::read(file("folder.ini"), "Files", "file0"), QString());
        QVERIFY(!ini::write(file("folder.ini"), "Files", "file0", "x"));
        QCOMPARE(ini::read(file("missing.ini"), "Files", "file0"), QString());
        QVERIFY(!ini::write(m_dir.filePath("no/such/folder/Settings.ini"), "Files", "file0", "x"));
    }

    void refusedWritesLeaveTheFileUntouched()
    {
        put("[Files]\nfile0=a\n");
        QVERIFY(!ini::write(file(), "Files", "file1", "two\nlines"));
        QVERIFY(!ini::write(file(), "Files", "file1", "cr\rhere"));
        QVERIFY(!ini::write(file(), "Files", "k=ey", "x"));
        QVERIFY(!ini::write(file(), "Fi]les", "key", "x"));
        QVERIFY(!ini::write(file(), "Files", "  ", "x"));
        QCOMPARE(contents(), QByteArray("[Files]\nfile0=a\n"));
    }

    void settingsPathAndNumbers()
    {
        QCOMPARE(joinPath("/", "Settings.ini"), QString("/Settings.ini"));
        QCOMPARE(joinPath("/opt/q", "Settings.ini"), QString("/opt/q/Settings.ini"));
        // A folder given without its final "/" (the store's choice of folder is
        // in test_userdata).
        QCOMPARE(SettingsStore(m_dir.path()).settingsFilePath(), m_dir.path() + "/Settings.ini");

        QCOMPARE(numberAtStart(""), 0.0);
        QCOMPARE(numberAtStart("abc"), 0.0);
        QCOMPARE(numberAtStart("1"), 1.0);
        QCOMPARE(numberAtStart("1abc"), 1.0);
        QCOMPARE(numberAtStart("  2"), 2.0);
        QCOMPARE(numberAtStart("-1"), -1.0);
        QCOMPARE(numberAtStart("1.5x"), 1.5);
        QCOMPARE(numberAtStart("99999999999999999999"), 1e20);
    }

    void storeNamesTheSettingsFileInTheProgramFolder()
    {
        SettingsStore store(m_dir.path());
        QCOMPARE(store.settingsFile().path(), m_dir.path() + "/Settings.ini");
        QVERIFY(store.settingsFile().WriteIni("Files", "file0", "/tmp/a.zip"));
        QCOMPARE(IniFile(file("Settings.ini")).ReadIni("files", "FILE0"), QString("/tmp/a.zip"));
        QCOMPARE(IniFile().ReadIni("Files", "file0"), QString());
        QVERIFY(!IniFile().WriteIni("Files", "file0", "x"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
