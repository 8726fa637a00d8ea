#include "lang/qttranslation.h"

namespace quendral {

// Qt's own folder is where Qt was built, not on the user's machine: the zip
// carries the files beside the program (scripts/deploy-windows.sh).
QString qtTranslationsFolder(const QString &programFolder)
{
    return programFolder + QStringLiteral("translations");
}

} // namespace quendral
