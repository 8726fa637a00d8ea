#include "lang/languageid.h"

#include <QtGlobal>

#include <algorithm>

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
    const auto end =
        std::find_if(locale.cbegin(), locale.cend(), [](QChar c) { return c == u'_' || c == u'.' || c == u'@'; });
    const QString language = locale.first(end - locale.cbegin());
    return language == QLatin1String("pl") ? kLangIdPolish : kLangIdEnglish;
}

} // namespace quendral
