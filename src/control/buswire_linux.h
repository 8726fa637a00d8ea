#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The D-Bus messages the command line sends and reads, as bytes on the
// session bus's socket: what it needs of the wire format, without a D-Bus
// library, whose loading would cost a command more than the call itself.
namespace quendral::buswire {

enum class Type : quint8 { Invalid = 0, MethodCall = 1, MethodReturn = 2, Error = 3, Signal = 4 };

// A method call, little-endian, with string (QString) and unsigned 32-bit
// (uint) arguments only. With `noAutoStart` the bus starts no service for a
// name nobody owns.
QByteArray methodCall(quint32 serial, const QString &destination, const QString &path, const QString &interface,
                      const QString &member, const QVariantList &arguments, bool noAutoStart);

// A message read: its type, the serial it answers, the error's name and its
// body's values (a{..} as QVariantMap, as as QStringList, other arrays and
// structs as QVariantList, variants as their value).
struct Message
{
    Type type = Type::Invalid;
    quint32 replySerial = 0;
    QString errorName;
    QVariantList body;
};

// The bytes the message at the start of `bytes` takes, once its first 16
// bytes have come; -1 for bytes that begin no message.
qsizetype messageLength(const QByteArray &bytes);
// Reads the whole message `bytes` holds; false when it is malformed.
bool readMessage(const QByteArray &bytes, Message &message);

} // namespace quendral::buswire
