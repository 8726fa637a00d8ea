#include "lang/qttranslation.h"

#include <QLibraryInfo>

namespace quendral {

// Debian ships them in qt6-translations-l10n, a dependency of the package.
QString qtTranslationsFolder(const QString &)
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

} // namespace quendral
