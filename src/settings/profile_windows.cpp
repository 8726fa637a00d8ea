#include "base/logging.h"
#include "settings/atomicfile.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <windows.h>

#include <vector>

// The settings and language files through the system's private-profile calls,
// which own the format on Windows.
namespace quendral {

namespace {

QByteArray ansi(const QString &text)
{
    return text.toLocal8Bit();
}

// The section's lines "key=value" as the system gives them, in file order.
QList<QByteArray> sectionLines(const QString &path, const QString &section)
{
    // The call answers size - 2 when the buffer is too small: grow until it fits.
    for (DWORD size = 32 * 1024; size <= 64u * 1024 * 1024; size *= 4) {
        std::vector<char> buffer(size);
        const DWORD length = GetPrivateProfileSectionA(ansi(section).constData(), buffer.data(), size,
                                                       ansi(QDir::toNativeSeparators(path)).constData());
        if (length < size - 2) {
            QList<QByteArray> lines;
            for (const QByteArray &line : QByteArray(buffer.data(), length).split('\0'))
                if (!line.isEmpty())
                    lines.append(line);
            return lines;
        }
    }
    return {};
}

} // namespace

QString IniFile::ReadIni(const QString &section, const QString &key) const
{
    if (m_path.isEmpty())
        return {};
    // 255 characters with the terminating NUL: a value reads back cut to 254.
    char buffer[ini::kMaxValueLength + 1] = {};
    GetPrivateProfileStringA(ansi(section).constData(), ansi(key).constData(), "", buffer, sizeof buffer,
                             ansi(QDir::toNativeSeparators(m_path)).constData());
    return QString::fromLocal8Bit(buffer);
}

QHash<QString, QString> IniFile::ReadSection(const QString &section) const
{
    QHash<QString, QString> values;
    if (m_path.isEmpty())
        return values;
    for (const QByteArray &line : sectionLines(m_path, section)) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QString key = QString::fromLocal8Bit(line.left(equals)).trimmed().toCaseFolded();
        if (!values.contains(key))
            values.insert(key, ReadIni(section, key));
    }
    return values;
}

// The system's call cannot tell an empty value from a missing key: both are
// left out.
QHash<QString, QString> IniFile::ReadKeys(const QString &section, const QStringList &keys) const
{
    QHash<QString, QString> values;
    for (const QString &key : keys) {
        const QString value = ReadIni(section, key);
        if (!value.isEmpty())
            values.insert(key, value);
    }
    return values;
}

bool IniFile::WriteIni(const QString &section, const QString &key, const QString &value) const
{
    if (m_path.isEmpty() || !seed())
        return false;
    if (WritePrivateProfileStringA(ansi(section).constData(), ansi(key).constData(), ansi(value).constData(),
                                   ansi(QDir::toNativeSeparators(m_path)).constData()))
        return true;
    qCWarning(lcStore) << "WritePrivateProfileString to" << m_path << "failed: error" << GetLastError();
    return false;
}

bool IniFile::WriteIni(const QString &section, const QList<std::pair<QString, QString>> &values) const
{
    if (m_path.isEmpty() || !seed())
        return false;
    // The system's own per-key writes, each one keeping every line it does
    // not write, on a scratch copy; the result then replaces the file in one
    // atomic write, so a crash leaves the old values or the new ones.
    QByteArray bytes;
    const bool exists = QFileInfo::exists(m_path);
    if (exists && !readWholeFile(m_path, ini::kMaxFileBytes, &bytes)) {
        qCWarning(lcStore) << "Not writing" << m_path << "which could not be read";
        return false;
    }
    QTemporaryFile scratch(QDir::tempPath() + QStringLiteral("/quendral-XXXXXX.ini"));
    if (!scratch.open() || scratch.write(bytes) != bytes.size()) {
        qCWarning(lcStore) << "Writing a scratch copy of" << m_path << "failed:" << scratch.errorString();
        return false;
    }
    scratch.close();
    const auto wide = [](const QString &text) { return reinterpret_cast<const wchar_t *>(text.utf16()); };
    const QString copy = QDir::toNativeSeparators(scratch.fileName());
    // A missing file stays missing until the first write makes it.
    if (!exists)
        DeleteFileW(wide(copy));
    for (const auto &[key, value] : values) {
        if (!WritePrivateProfileStringW(wide(section), wide(key), wide(value), wide(copy))) {
            qCWarning(lcStore) << "WritePrivateProfileString to" << copy << "failed: error" << GetLastError();
            return false;
        }
    }
    // Lets go of the system's cached copy before the file is read back.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(copy));
    return readWholeFile(scratch.fileName(), ini::kMaxFileBytes, &bytes) && writeFileAtomically(m_path, bytes);
}

} // namespace quendral
