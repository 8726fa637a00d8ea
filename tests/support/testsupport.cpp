#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quendral::test {

namespace {

// The recorder that Qt's message handler, a plain function, reports to.
LogRecorder *recording = nullptr;

} // namespace

QString sourceDir()
{
    const QString dir = qEnvironmentVariable("QUENDRAL_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

QString shippedLanguagesDir()
{
    // The Windows tests run from the program folder itself.
    const QString dir = qEnvironmentVariable("QUENDRAL_PROGRAM_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir) + QStringLiteral("/Languages");
}

ProgramFolder::ProgramFolder(Languages languages)
{
    if (languages == Languages::Shipped) {
        QDir().mkpath(path() + QStringLiteral("Languages"));
        const QDir shipped(shippedLanguagesDir());
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

LogRecorder::LogRecorder()
{
    recording = this;
    m_previous = qInstallMessageHandler(record);
}

LogRecorder::~LogRecorder()
{
    qInstallMessageHandler(m_previous);
    recording = nullptr;
}

void LogRecorder::record(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    LogRecorder *self = recording;
    if (type == QtWarningMsg) {
        const QMutexLocker lock(&self->m_mutex);
        self->m_warnings.append({QByteArray(context.category), text});
    }
    if (self->m_previous)
        self->m_previous(type, context, text);
}

QStringList LogRecorder::warnings(const char *category) const
{
    const QMutexLocker lock(&m_mutex);
    QStringList texts;
    for (const auto &[from, text] : m_warnings)
        if (from == category)
            texts.append(text);
    return texts;
}

bool LogRecorder::warned(const char *category, const QString &text) const
{
    const QStringList lines = warnings(category);
    return std::any_of(lines.cbegin(), lines.cend(), [&](const QString &line) { return line.contains(text); });
}

} // namespace quendral::test
