#include "lang/languageid.h"

#include <QRegularExpression>
#include <QtGlobal>

namespace quendral {

// The locale that names the language of messages: LC_ALL, else LC_MESSAGES,
// else LANG, as the C library chooses it. "pl", "pl_PL" and "pl_PL.UTF-8"
// are Polish.
quint16 systemDefaultLangId()
{
    QString locale;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(variable);
        if (!locale.isEmpty())
            break;
    }
    const qsizetype end = locale.indexOf(QRegularExpression(QStringLiteral("[_.@]")));
    const QString language = end < 0 ? locale : locale.left(end);
    return language == QLatin1String("pl") ? kLangIdPolish : kLangIdEnglish;
}

} // namespace quendral
