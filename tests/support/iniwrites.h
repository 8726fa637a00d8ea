#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTest>

#include <utility>

namespace quendral::test {

// Saves into section Files of a settings file, and the bytes they leave: what
// one WritePrivateProfileString per value leaves (checked under Wine). The
// files are in the form Wine writes (CRLF, no empty lines, no blanks around
// "="), where Wine and Windows agree on every byte.
inline void addIniWriteRows()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("writes"); // "key=value"
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("comment, line without =, second section")
        << QByteArray(
               "[Files]\r\n; mine\r\nfile0=C:\\old.zip\r\nnote\r\n[Other]\r\nx=1\r\n[files]\r\nfile1=C:\\2.zip\r\n")
        << QStringList{"file0=C:\\a.zip", "file1=C:\\b.zip", "file2="}
        << QByteArray("[Files]\r\n; mine\r\nfile0=C:\\a.zip\r\nnote\r\nfile1=C:\\b.zip\r\nfile2=\r\n[Other]\r\nx=1\r\n"
                      "[files]\r\nfile1=C:\\2.zip\r\n");
    QTest::newRow("the key keeps its spelling")
        << QByteArray("[FILES]\r\nFile0=old\r\n") << QStringList{"file0=a"} << QByteArray("[FILES]\r\nFile0=a\r\n");
    QTest::newRow("a line without = names the key")
        << QByteArray("[Files]\r\nfile1\r\n;c\r\n") << QStringList{"file1=v", "file0=w"}
        << QByteArray("[Files]\r\nfile1=v\r\n;c\r\nfile0=w\r\n");
    QTest::newRow("new section after lines before any section")
        << QByteArray("; top\r\n[X]\r\ny=1\r\n") << QStringList{"file0=a", "FILE0=b"}
        << QByteArray("; top\r\n[X]\r\ny=1\r\n[Files]\r\nfile0=b\r\n");
}

// A row's writes as key and value.
inline QList<std::pair<QString, QString>> iniWrites(const QStringList &writes)
{
    QList<std::pair<QString, QString>> values;
    for (const QString &write : writes)
        values.append({write.section(u'=', 0, 0), write.section(u'=', 1)});
    return values;
}

} // namespace quendral::test
