#pragma once

#include "control/reply.h"

#include <QByteArray>

namespace quendral::localprotocol {

// The Windows pipe's protocol: one request, one answer, each a line of JSON.
// Request {"method": name, "argument": text}; answer {"outcome": "done" or
// "refused", "text": reason, "status": the status map}.
QByteArray request(const QString &method, const QString &argument);
// False for a line that is no request.
bool readRequest(const QByteArray &line, QString &method, QString &argument);
QByteArray answer(const Reply &reply);
Reply readAnswer(const QByteArray &line);

} // namespace quendral::localprotocol
