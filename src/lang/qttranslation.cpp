#include "lang/qttranslation.h"

#include "base/logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

namespace quendral {

namespace {
// The translator is the application's child, found again by this name.
const QString kTranslatorName = QStringLiteral("qtbase-translation");
const char *const kLanguageProperty = "language";
} // namespace

QString qtLanguageFor(const QString &languageFileName)
{
    return QFileInfo(languageFileName).fileName().compare(QLatin1String("Polish.ini"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("pl")
               : QStringLiteral("en");
}

void useQtTranslation(const QString &programFolder, const QString &language)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    auto *translator = app->findChild<QTranslator *>(kTranslatorName, Qt::FindDirectChildrenOnly);
    if (translator && translator->property(kLanguageProperty).toString() == language)
        return;
    if (!translator) {
        translator = new QTranslator(app);
        translator->setObjectName(kTranslatorName);
    }
    QCoreApplication::removeTranslator(translator);
    translator->setProperty(kLanguageProperty, language);
    const QString folder = qtTranslationsFolder(programFolder);
    if (translator->load(QStringLiteral("qtbase_") + language, folder)) {
        QCoreApplication::installTranslator(translator);
        qCDebug(lcStore) << "Qt's translation:" << translator->filePath();
    } else {
        qCWarning(lcStore) << "No Qt translation qtbase_" + language + ".qm in" << folder
                           << "- Qt's buttons and dialogs stay in English";
    }
}

} // namespace quendral
