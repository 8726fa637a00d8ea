#pragma once

#include <QByteArray>
#include <QString>

namespace quendral {

// Text files brought over from a Polish Windows installation are in
// Windows-1250; files written here are UTF-8. A file that is valid UTF-8 is
// read as UTF-8, anything else as Windows-1250.
QString decodeUtf8OrCp1250(const QByteArray &bytes);

QString decodeCp1250(const QByteArray &bytes);

} // namespace quendral
