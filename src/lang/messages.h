#pragma once

#include <QString>
#include <QStringList>

namespace quendral {

struct AppState;

// The keys of the message texts, in the order the language pass reads them. A
// new key gets its built-in text in messages.cpp and a line at the end of the
// [Messages] section of every shipped language file.
const QStringList &messageKeys();

// The built-in Polish text of a message key ("" for a key no message uses).
QString builtInMessage(const QString &key);

// Gives every message text its built-in text. The program calls this at
// start-up, before anything can show a message box.
void setBuiltInMessages(AppState &state);

} // namespace quendral
