#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sched.h>
#include <sys/mount.h>

namespace quendral::test {

QString modeCode(CompletionMode mode)
{
    switch (mode) {
    case CompletionMode::HangUp:
        return QStringLiteral("roz");
    case CompletionMode::PowerOff:
        return QStringLiteral("wyl");
    case CompletionMode::HangUpThenPowerOff:
        return QStringLiteral("dwa");
    case CompletionMode::None:
        break;
    }
    return {};
}

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

ReadOnlyView::ReadOnlyView(const QString &folder, const QString &mountPoint)
    : m_mountPoint(QFile::encodeName(mountPoint))
{
    // Private propagation keeps the mounts from reaching the host's namespace.
    const QByteArray source = QFile::encodeName(folder);
    m_mounted = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount(source.constData(), m_mountPoint.constData(), nullptr, MS_BIND, nullptr) == 0;
    if (m_mounted &&
        mount(nullptr, m_mountPoint.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        umount2(m_mountPoint.constData(), MNT_DETACH);
        m_mounted = false;
    }
}

ReadOnlyView::~ReadOnlyView()
{
    if (m_mounted)
        umount2(m_mountPoint.constData(), MNT_DETACH);
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
