#include "info/links.h"

#include <QDesktopServices>
#include <QUrl>

namespace quendral {

void openWithDesktop(const QString &link)
{
    // Tolerant parsing keeps the "%20" and "&" of a mail link as they are.
    QDesktopServices::openUrl(QUrl(link, QUrl::TolerantMode));
}

QString authorEmail()
{
    return QStringLiteral(QUENDRAL_AUTHOR_EMAIL);
}

QString authorPage()
{
    return QStringLiteral(QUENDRAL_AUTHOR_PAGE);
}

void open_mail_link(const QString &address, const QString &subject, const QString &body, const LinkOpener &open)
{
    const QString space = QStringLiteral(" ");
    const QString escaped = QStringLiteral("%20");
    open(QStringLiteral("mailto:") + address + QStringLiteral("?subject=") + QString(subject).replace(space, escaped) +
         QStringLiteral("&body=") + QString(body).replace(space, escaped));
}

} // namespace quendral
