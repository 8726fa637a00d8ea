#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quendral::test {

QString sourceDir()
{
    const QString dir = qEnvironmentVariable("QUENDRAL_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

ProgramFolder::ProgramFolder(Languages languages)
{
    if (languages == Languages::Shipped) {
        QDir().mkpath(path() + QStringLiteral("Languages"));
        const QDir shipped(sourceDir() + QStringLiteral("/Languages"));
        for (const QString &name : shipped.entryList({QStringLiteral("*.ini")}, QDir::Files))
            QFile::copy(shipped.filePath(name), path() + QStringLiteral("Languages/") + name);
    }
}

QString ProgramFolder::path() const
{
    return m_dir.path() + u'/';
}

void ProgramFolder::write(const QString &relative, const QByteArray &data) const
{
    const QString target = path() + relative;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

MessageBoxes::MessageBoxes(msgbox::Answer fallback)
    : m_fallback(fallback)
{
    msgbox::setAnswerer([this](const msgbox::Shown &shown) {
        m_shown.append(shown);
        return m_answers.isEmpty() ? m_fallback : m_answers.takeFirst();
    });
}

MessageBoxes::~MessageBoxes()
{
    msgbox::setAnswerer({});
}

QStringList MessageBoxes::texts() const
{
    QStringList list;
    for (const auto &s : m_shown)
        list.append(s.text);
    return list;
}

} // namespace quendral::test
