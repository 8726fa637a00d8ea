// Any bytes as a settings file: reads never fail and agree with each other,
// and a write reads back as written without changing what the other sections
// hold.
#include "settings/inifile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace quendral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/quendral-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("Settings.ini"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
    const QHash<QString, QString> other = ini::readSection(path, QStringLiteral("Other"));
    // The keys asked for read as the whole section has them.
    const QStringList asked{QStringLiteral("file0"), QStringLiteral("FILE1"), QStringLiteral("a")};
    const QHash<QString, QString> some = ini::readKeys(path, QStringLiteral("other"), asked);
    for (const QString &key : asked)
        if (some.contains(key) != other.contains(key.toCaseFolded()) ||
            some.value(key) != other.value(key.toCaseFolded()))
            std::abort();
    const QString value = QString::fromUtf8(bytes.left(40)).remove(u'\n').remove(u'\r').trimmed();
    const QList<std::pair<QString, QString>> values{{QStringLiteral("file0"), value}, {QStringLiteral("file1"), {}}};
    if (ini::write(path, QStringLiteral("Files"), values)) {
        if (ini::read(path, QStringLiteral("Files"), QStringLiteral("file0")) != value.left(ini::kMaxValueLength) &&
            !(value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()))
            std::abort();
        if (ini::readSection(path, QStringLiteral("Other")) != other)
            std::abort();
    }
    ini::readFromText(QString::fromUtf8(bytes), QStringLiteral("Files"), QStringLiteral("file0"));
    return 0;
}
