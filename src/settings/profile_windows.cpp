#include "base/logging.h"
#include "settings/atomicfile.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QUuid>

#include <windows.h>

#include <vector>

// The settings and language files through the system's private-profile calls,
// which own the format on Windows. What the code page cannot hold is saved in
// UTF-8, line by line, as the engine reads it.
namespace quendral {

namespace {

QByteArray ansi(const QString &text)
{
    return text.toLocal8Bit();
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The system keeps a file with a UTF-16 byte-order mark in UTF-16, every
// character as it is; any other file in the code page.
bool isUtf16(const QString &path)
{
    QFile file(path);
    const QByteArray mark = file.open(QIODevice::ReadOnly) ? file.read(2) : QByteArray();
    return mark == "\xFF\xFE" || mark == "\xFE\xFF";
}

// The bytes of an 8-bit file's line as the engine reads them: UTF-8 when
// they are (a line that the code page could not hold is saved so), else the
// code page's.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLocal8Bit(bytes) : text;
}

// Whether the code page holds every character of `text`, so that the
// system's write stores it whole.
bool fitsCodePage(const QString &text)
{
    if (GetACP() == CP_UTF8)
        return true;
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide(text), int(text.size()), nullptr, 0, nullptr, &lost);
    return !lost;
}

QString readValue(const QString &path, bool utf16, const QString &section, const QString &key)
{
    const QString native = QDir::toNativeSeparators(path);
    if (utf16) {
        // 255 characters with the terminating NUL: a value reads back cut to 254.
        wchar_t buffer[ini::kMaxValueLength + 1] = {};
        GetPrivateProfileStringW(wide(section), wide(key), L"", buffer, ini::kMaxValueLength + 1, wide(native));
        return QString::fromWCharArray(buffer);
    }
    // The file's own bytes: room for 254 characters of up to four bytes each.
    char buffer[4 * ini::kMaxValueLength + 1] = {};
    GetPrivateProfileStringA(ansi(section).constData(), ansi(key).constData(), "", buffer, sizeof buffer,
                             ansi(native).constData());
    return decode(buffer).left(ini::kMaxValueLength);
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
    return readValue(m_path, isUtf16(m_path), section, key);
}

QHash<QString, QString> IniFile::ReadSection(const QString &section) const
{
    QHash<QString, QString> values;
    if (m_path.isEmpty())
        return values;
    const bool utf16 = isUtf16(m_path);
    for (const QByteArray &line : sectionLines(m_path, section)) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QString key = decode(line.left(equals)).trimmed().toCaseFolded();
        if (!values.contains(key))
            values.insert(key, readValue(m_path, utf16, section, key));
    }
    return values;
}

// The system's call cannot tell an empty value from a missing key: both are
// left out.
QHash<QString, QString> IniFile::ReadKeys(const QString &section, const QStringList &keys) const
{
    QHash<QString, QString> values;
    if (m_path.isEmpty())
        return values;
    const bool utf16 = isUtf16(m_path);
    for (const QString &key : keys) {
        const QString value = readValue(m_path, utf16, section, key);
        if (!value.isEmpty())
            values.insert(key, value);
    }
    return values;
}

bool IniFile::WriteIni(const QString &section, const QString &key, const QString &value) const
{
    return WriteIni(section, {{key, value}});
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
    const QString copy = QDir::toNativeSeparators(scratch.fileName());
    // A missing file stays missing until the first write makes it.
    if (!exists)
        DeleteFileW(wide(copy));
    // The code page would store a value it cannot hold with "?" for what it
    // lacks: the system writes a stand-in of its own characters in its
    // place, which then becomes the value in UTF-8, as the reads above take
    // it first. A UTF-16 file holds every character itself.
    const bool utf16 = exists && isUtf16(m_path);
    QList<std::pair<QByteArray, QByteArray>> standIns;
    for (const auto &[key, value] : values) {
        QString written = value;
        if (!utf16 && !fitsCodePage(value)) {
            written = QStringLiteral("quendral-utf8-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
            standIns.append({written.toLatin1(), value.toUtf8()});
        }
        if (!WritePrivateProfileStringW(wide(section), wide(key), wide(written), wide(copy))) {
            qCWarning(lcStore) << "WritePrivateProfileString to" << copy << "failed: error" << GetLastError();
            return false;
        }
    }
    // Lets go of the system's cached copy before the file is read back.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(copy));
    if (!readWholeFile(scratch.fileName(), ini::kMaxFileBytes, &bytes))
        return false;
    for (const auto &[standIn, value] : standIns)
        bytes.replace(standIn, value);
    return writeFileAtomically(m_path, bytes);
}

} // namespace quendral
