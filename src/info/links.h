#pragma once

#include <QString>

#include <functional>

namespace quendral {

// Hands a link text to the desktop (mail program, web browser). Whether the
// desktop managed to open it is never examined.
using LinkOpener = std::function<void(const QString &link)>;

// The desktop's handler for the link, as the shell's default action opens it
// on Windows.
void openWithDesktop(const QString &link);

// The author's e-mail address and web page, chosen when the program is built.
QString authorEmail();
QString authorPage();

// Opens a new mail to `address`. Spaces in the subject and body become "%20";
// nothing else is escaped, so the mail program receives the texts as given.
// Both keys are always present, also when their values are empty.
void open_mail_link(const QString &address, const QString &subject, const QString &body, const LinkOpener &open);

} // namespace quendral
