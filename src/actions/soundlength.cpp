#include "actions/soundlength.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace quendral {

std::optional<std::chrono::milliseconds> wavLength(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return std::nullopt;

    quint32 byteRate = 0;
    for (;;) {
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return std::nullopt;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        if (header.startsWith("fmt ")) {
            const QByteArray format = file.read(size);
            if (format.size() < 16)
                return std::nullopt;
            byteRate = qFromLittleEndian<quint32>(format.constData() + 8);
            // Chunks are padded to an even length.
            if (size % 2 != 0)
                file.read(1);
        } else if (header.startsWith("data")) {
            if (byteRate == 0)
                return std::nullopt;
            // Writers that stream set a placeholder size; a cut-off file plays
            // only what it holds.
            const qint64 bytes = std::min<qint64>(size, file.size() - file.pos());
            return std::chrono::milliseconds(bytes * 1000 / byteRate);
        } else if (!file.seek(file.pos() + size + size % 2)) {
            return std::nullopt;
        }
    }
}

} // namespace quendral
