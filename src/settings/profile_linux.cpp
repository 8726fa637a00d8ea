#include "settings/inifile.h"

// The settings and language files through our own engine.
namespace quendral {

QString IniFile::ReadIni(const QString &section, const QString &key) const
{
    return m_path.isEmpty() ? QString() : ini::read(m_path, section, key);
}

QHash<QString, QString> IniFile::ReadSection(const QString &section) const
{
    return m_path.isEmpty() ? QHash<QString, QString>() : ini::readSection(m_path, section);
}

QHash<QString, QString> IniFile::ReadKeys(const QString &section, const QStringList &keys) const
{
    return m_path.isEmpty() ? QHash<QString, QString>() : ini::readKeys(m_path, section, keys);
}

bool IniFile::WriteIni(const QString &section, const QString &key, const QString &value) const
{
    return !m_path.isEmpty() && seed() && ini::write(m_path, section, key, value);
}

bool IniFile::WriteIni(const QString &section, const QList<std::pair<QString, QString>> &values) const
{
    return !m_path.isEmpty() && seed() && ini::write(m_path, section, values);
}

} // namespace quendral
