#include "settings/inifile.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"
#include "support/iniwrites.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
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
        QCOMPARE(contents(), QByteArray("; comment\r\n[Files]\r\nfile0=\r\nFILE0=second\r\n\r\n[options]\r\n"
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
        // Writing keeps the other line's bytes and stores the new one as UTF-8.
        QVERIFY(ini::write(file(), "Files", "file1", QString::fromUtf8("ąę")));
        QCOMPARE(contents(), QByteArray("[Files]\nfile0=C:\\Pobrane\\\xBF\xF3\xB3w.zip\nfile1=\xC4\x85\xC4\x99\n"));
        QCOMPARE(ini::read(file(), "Files", "file0"), QString::fromUtf8("C:\\Pobrane\\żółw.zip"));
    }

    // A write changes only the line it writes: every other byte and the
    // file's encoding stay, and every text still reads as written.
    void writeKeepsEveryOtherByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto utf16 = [](const char *mark, const QString &text, QStringConverter::Encoding encoding) {
            return QByteArray(mark) + QByteArray(QStringEncoder(encoding).encode(text));
        };
        const QString text = QString::fromUtf8("[Other]\r\nx=żółw\r\n");
        const QString written = QString::fromUtf8("[Files]\r\nfile0=ą\r\n");
        QTest::newRow("UTF-16 LE") << utf16("\xFF\xFE", text, QStringConverter::Utf16LE)
                                   << utf16("\xFF\xFE", text + written, QStringConverter::Utf16LE) << "Other"
                                   << "x" << QString::fromUtf8("żółw");
        QTest::newRow("UTF-16 BE") << utf16("\xFE\xFF", text, QStringConverter::Utf16BE)
                                   << utf16("\xFE\xFF", text + written, QStringConverter::Utf16BE) << "Other"
                                   << "x" << QString::fromUtf8("żółw");
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF[Other]\r\nx=1\r\n")
                                    << QByteArray("\xEF\xBB\xBF[Other]\r\nx=1\r\n[Files]\r\nfile0=\xC4\x85\r\n")
                                    << "Other"
                                    << "x"
                                    << "1";
        // One stray byte turns no other line into another text.
        QTest::newRow("invalid byte") << QByteArray("[Other]\nbad=\xFF\ngood=\xC5\xBC\n[Files]\nfile0=old\n")
                                      << QByteArray("[Other]\nbad=\xFF\ngood=\xC5\xBC\n[Files]\nfile0=\xC4\x85\n")
                                      << "Other"
                                      << "good" << QString::fromUtf8("ż");
        QTest::newRow("no final line break")
            << QByteArray("[Files]\r\nfile9=z") << QByteArray("[Files]\r\nfile9=z\r\nfile0=\xC4\x85\r\n") << "Files"
            << "file9"
            << "z";
    }
    void writeKeepsEveryOtherByte()
    {
        QFETCH(QByteArray, before);
        put(before);
        QVERIFY(ini::write(file(), "Files", "file0", QString::fromUtf8("ą")));
        QTEST(contents(), "after");
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTEST(ini::read(file(), section, key), "expected");
        QCOMPARE(ini::read(file(), "Files", "file0"), QString::fromUtf8("ą"));
    }

    // Many values in one replace leave the file the one-by-one writes leave.
    void severalValuesInOneWrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("other sections around") << QByteArray("[A]\r\nk=1\r\n[files]\r\nFILE1=x\r\n\r\n[B]\r\nk=2");
        QTest::newRow("twice, no line break") << QByteArray("[Files]\nfile0=a\n[Files]\nfile0=b");
        QTest::newRow("cp1250") << QByteArray("[Files]\nfile0=\xBF\n; \xB3\n");
    }
    void severalValuesInOneWrite()
    {
        QFETCH(QByteArray, before);
        const QList<std::pair<QString, QString>> values = {
            {"file0", "/a"}, {"file1", ""}, {"File2", QString::fromUtf8("/ż")}, {"file0", "/b"}};
        if (!before.isEmpty()) {
            put(before, "one.ini");
            put(before, "many.ini");
        }
        for (const auto &[key, value] : values)
            QVERIFY(ini::write(file("one.ini"), "Files", key, value));
        QVERIFY(ini::write(file("many.ini"), "Files", values));
        QCOMPARE(contents("many.ini"), contents("one.ini"));
        QVERIFY(!ini::write(file("many.ini"), "Files", {{"file0", "c"}, {"file1", "two\nlines"}}));
        QCOMPARE(contents("many.ini"), contents("one.ini"));
    }

    // A save leaves every line it does not write, as the system's per-key
    // writes do, byte for byte.
    void saveLeavesWhatPerKeyWritesLeave_data() { test::addIniWriteRows(); }
    void saveLeavesWhatPerKeyWritesLeave()
    {
        QFETCH(QByteArray, before);
        QFETCH(test::IniWrites, writes);
        put(before);
        QVERIFY(IniFile(file()).WriteIni("Files", writes));
        QTEST(contents(), "after");
    }

    void sectionReadInOnePass()
    {
        put("[Files]\nFILE0=a\nfile0=b\n file1 = \"c\" \n[files]\nfile2=d\n");
        const QHash<QString, QString> values = ini::readSection(file(), "FILES");
        QCOMPARE(values.size(), 2);
        QCOMPARE(values.value("file0"), QString("a"));
        QCOMPARE(values.value("file1"), QString("c"));
        QVERIFY(ini::readSection(file("missing.ini"), "Files").isEmpty());
        // Only the keys asked for, by the key as asked, under the same rules.
        put("[Files]\nFILE0=a\nfile0=b\n file1 = \"c\" \n\xC5\xBC\xC3\xB3\xC5\x82w=e\n[files]\nfile2=d\n");
        const QHash<QString, QString> asked = ini::readKeys(file(), "files", {"File0", "file1", "file2", "ŻÓŁw"});
        QCOMPARE(asked, (QHash<QString, QString>{{"File0", "a"}, {"file1", "c"}, {"ŻÓŁw", "e"}}));
    }

    // A hand-edited section of far more keys than the list holds reads as
    // the list's slots, file0 to file100.
    void watchListReadsOnlyItsSlots()
    {
        QByteArray text = "[Files]\r\n";
        for (int n = 0; n < 150; ++n)
            text += "file" + QByteArray::number(n) + "=/f" + QByteArray::number(n) + ".zip\r\n";
        put(text + "FILE3=/later.zip\r\n");
        const QStringList list = watchlist::read(IniFile(file()));
        QCOMPARE(list.size(), watchlist::kSlots);
        QCOMPARE(list[3], QString("/f3.zip"));
        QCOMPARE(list.last(), QString("/f100.zip"));
    }

    // A parsed file is kept only while its time and size stay the same.
    void changedFileIsReadAgain()
    {
        const QDateTime hourAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
        const auto putAged = [&](const QByteArray &bytes, const QDateTime &time) {
            put(bytes);
            QFile f(file());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(time, QFileDevice::FileModificationTime));
        };
        putAged("[Files]\nfile0=a\n", hourAgo);
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("a"));
        putAged("[Files]\nfile0=b\n", hourAgo.addSecs(1));
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("b"));
        putAged("[Files]\nfile0=bc\n", hourAgo.addSecs(1));
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("bc"));
        QVERIFY(ini::write(file(), "Files", "file0", "d"));
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("d"));
    }

    // A write that would take the file over the cap is refused, so the file
    // stays readable.
    void writeOverTheCapIsRefused()
    {
        QByteArray text("[Files]\nfile0=a\n[Pad]\n");
        text.append(QByteArray(ini::kMaxFileBytes - text.size() - 11, ';')); // 10 bytes left
        text.append("\n");
        put(text);
        QVERIFY(!ini::write(file(), "Files", "file1", "abcdef"));
        QCOMPARE(QFileInfo(file()).size(), text.size());
        QCOMPARE(ini::read(file(), "Files", "file0"), QString("a"));
        QVERIFY(ini::write(file(), "Files", "file1", "b"));
        QCOMPARE(ini::read(file(), "Files", "file1"), QString("b"));
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
