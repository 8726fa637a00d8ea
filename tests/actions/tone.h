#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cmath>

namespace quendral::test {

inline void appendLe32(QByteArray &data, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

inline void appendLe16(QByteArray &data, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    data.append(bytes, 2);
}

// A 16-bit mono PCM WAV of a sine tone. `extraChunk` puts a LIST chunk of odd
// length between fmt and data, as some editors write; `declaredBytes`
// overrides the data size written into the header.
inline QByteArray toneWav(int milliseconds, int rate = 22050, bool extraChunk = false, qint64 declaredBytes = -1)
{
    QByteArray samples;
    const int count = rate * milliseconds / 1000;
    for (int i = 0; i < count; ++i)
        appendLe16(samples, quint16(qint16(12000 * std::sin(2 * M_PI * 440.0 * i / rate))));

    QByteArray body("WAVE");
    body.append("fmt ");
    appendLe32(body, 16);
    appendLe16(body, 1); // PCM
    appendLe16(body, 1); // mono
    appendLe32(body, quint32(rate));
    appendLe32(body, quint32(rate * 2)); // byte rate
    appendLe16(body, 2);
    appendLe16(body, 16);
    if (extraChunk) {
        body.append("LIST");
        appendLe32(body, 5);
        body.append("INFOx", 5);
        body.append('\0'); // pad to an even length
    }
    body.append("data");
    appendLe32(body, quint32(declaredBytes < 0 ? samples.size() : declaredBytes));
    body.append(samples);

    QByteArray wav("RIFF");
    appendLe32(wav, quint32(body.size()));
    return wav + body;
}

inline bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

} // namespace quendral::test
