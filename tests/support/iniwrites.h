#pragma once

#include <QTest>

namespace quendral::test {

using IniWrites = QList<std::pair<QString, QString>>;

// Saves into section Files and the bytes one WritePrivateProfileString per
// value leaves (checked under Wine), on files in the form Wine writes (CRLF,
// no empty lines, no blanks around "="), where Wine and Windows agree.
inline void addIniWriteRows()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<IniWrites>("writes");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("comment, line without =, second section")
        << QByteArray(
               "[Files]\r\n; mine\r\nfile0=C:\\old.zip\r\nnote\r\n[Other]\r\nx=1\r\n[files]\r\nfile1=C:\\2.zip\r\n")
        << IniWrites{{"file0", "C:\\a.zip"}, {"file1", "C:\\b.zip"}, {"file2", ""}}
        << QByteArray("[Files]\r\n; mine\r\nfile0=C:\\a.zip\r\nnote\r\nfile1=C:\\b.zip\r\nfile2=\r\n[Other]\r\nx=1\r\n"
                      "[files]\r\nfile1=C:\\2.zip\r\n");
    QTest::newRow("a key keeps its spelling, a line without = names one")
        << QByteArray("[FILES]\r\nFile0=old\r\nfile1\r\n;c\r\n")
        << IniWrites{{"file0", "a"}, {"file1", "v"}, {"file2", "w"}}
        << QByteArray("[FILES]\r\nFile0=a\r\nfile1=v\r\n;c\r\nfile2=w\r\n");
    QTest::newRow("new section after lines before any section")
        << QByteArray("; top\r\n[X]\r\ny=1\r\n") << IniWrites{{"file0", "a"}, {"FILE0", "b"}}
        << QByteArray("; top\r\n[X]\r\ny=1\r\n[Files]\r\nfile0=b\r\n");
}

} // namespace quendral::test
