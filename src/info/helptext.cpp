#include "info/helptext.h"

#include <QFile>

namespace quendral {

namespace {

QString embeddedText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString polishHelpText()
{
    return embeddedText(QStringLiteral(":/quendral/help/helptext_pl.txt"));
}

QString englishHelpText()
{
    return embeddedText(QStringLiteral(":/quendral/help/helptext_en.txt"));
}

} // namespace quendral
