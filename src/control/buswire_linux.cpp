#include "control/buswire_linux.h"

#include <QVariantMap>
#include <QtEndian>

#include <cstring>

namespace quendral::buswire {

namespace {

// The header fields' codes.
enum Field : quint8 {
    Path = 1,
    Interface = 2,
    Member = 3,
    ErrorName = 4,
    ReplySerial = 5,
    Destination = 6,
    Signature = 8
};
constexpr qsizetype kFixedHeader = 16;
// Far above any answer of the running copy, well below what the bus allows.
constexpr qsizetype kMaxMessage = 1 << 24;

class Writer
{
public:
    void align(int n)
    {
        while (m_bytes.size() % n)
            m_bytes.append('\0');
    }
    void byte(quint8 value) { m_bytes.append(char(value)); }
    void u32(quint32 value)
    {
        align(4);
        const quint32 little = qToLittleEndian(value);
        m_bytes.append(reinterpret_cast<const char *>(&little), 4);
    }
    void string(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        u32(quint32(utf8.size()));
        m_bytes.append(utf8).append('\0');
    }
    void signature(const QByteArray &signature)
    {
        byte(quint8(signature.size()));
        m_bytes.append(signature).append('\0');
    }
    void field(Field code, const QByteArray &type, const QString &value)
    {
        align(8);
        byte(code);
        signature(type);
        if (type == "g")
            signature(value.toLatin1());
        else
            string(value);
    }
    void patch(qsizetype at, quint32 value) { qToLittleEndian(value, m_bytes.data() + at); }
    QByteArray &bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

// The alignment of a type's values.
int alignment(char type)
{
    switch (type) {
    case 'y':
    case 'g':
    case 'v':
        return 1;
    case 'n':
    case 'q':
        return 2;
    case 'x':
    case 't':
    case 'd':
    case '(':
    case '{':
        return 8;
    default:
        return 4;
    }
}

// The end of the complete type that starts at `at` in `signature`, or -1.
qsizetype completeType(const QByteArray &signature, qsizetype at)
{
    if (at >= signature.size())
        return -1;
    const char type = signature[at];
    if (type == 'a')
        return completeType(signature, at + 1);
    if (type != '(' && type != '{')
        return at + 1;
    const char close = type == '(' ? ')' : '}';
    for (qsizetype next = at + 1; next >= 0 && next < signature.size();) {
        if (signature[next] == close)
            return next + 1;
        next = completeType(signature, next);
    }
    return -1;
}

class Reader
{
public:
    Reader(const QByteArray &bytes, bool bigEndian)
        : m_bytes(bytes)
        , m_big(bigEndian)
    {
    }

    bool ok() const { return m_ok; }
    qsizetype at() const { return m_at; }
    void seek(qsizetype at) { m_at = at; }

    bool align(int n)
    {
        m_at = (m_at + n - 1) / n * n;
        return check(0);
    }
    template <typename T> T number()
    {
        if (!align(int(sizeof(T))) || !check(sizeof(T)))
            return T();
        T value;
        std::memcpy(&value, m_bytes.constData() + m_at, sizeof(T));
        m_at += qsizetype(sizeof(T));
        return m_big ? qFromBigEndian(value) : qFromLittleEndian(value);
    }
    QByteArray text(qsizetype length)
    {
        if (!check(length + 1) || m_bytes[m_at + length] != '\0')
            return {};
        const QByteArray text = m_bytes.mid(m_at, length);
        m_at += length + 1;
        return text;
    }
    QByteArray signature() { return text(number<quint8>()); }

    // One value of the complete type at `signature[from, to)`.
    QVariant value(const QByteArray &signature, qsizetype from, qsizetype to)
    {
        if (!m_ok || from >= to || ++m_depth > 64)
            return fail();
        QVariant value = read(signature, from, to);
        --m_depth;
        return value;
    }

    QVariantList values(const QByteArray &signature)
    {
        QVariantList values;
        for (qsizetype from = 0; m_ok && from < signature.size();) {
            const qsizetype to = completeType(signature, from);
            if (to < 0)
                return fail(), QVariantList();
            values.append(value(signature, from, to));
            from = to;
        }
        return values;
    }

private:
    QVariant fail()
    {
        m_ok = false;
        return {};
    }
    bool check(qsizetype length)
    {
        m_ok = m_ok && length >= 0 && m_at + length <= m_bytes.size();
        return m_ok;
    }

    QVariant read(const QByteArray &signature, qsizetype from, qsizetype to)
    {
        switch (signature[from]) {
        case 'y':
            return uint(number<quint8>());
        case 'b':
            return number<quint32>() != 0;
        case 'n':
            return int(number<qint16>());
        case 'q':
            return uint(number<quint16>());
        case 'i':
            return number<qint32>();
        case 'u':
        case 'h':
            return number<quint32>();
        case 'x':
            return number<qint64>();
        case 't':
            return number<quint64>();
        case 'd': {
            const quint64 bits = number<quint64>();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        case 's':
        case 'o':
            return QString::fromUtf8(text(number<quint32>()));
        case 'g':
            return QString::fromLatin1(this->signature());
        case 'v': {
            const QByteArray inner = this->signature();
            const qsizetype end = completeType(inner, 0);
            if (!m_ok || end != inner.size())
                return fail();
            return value(inner, 0, end);
        }
        case '(': {
            align(8);
            QVariantList fields;
            for (qsizetype next = from + 1; m_ok && next < to - 1;) {
                const qsizetype end = completeType(signature, next);
                fields.append(value(signature, next, end));
                next = end;
            }
            return fields;
        }
        case 'a':
            return array(signature, from + 1, to);
        default:
            return fail();
        }
    }

    QVariant array(const QByteArray &signature, qsizetype from, qsizetype to)
    {
        const quint32 length = number<quint32>();
        align(alignment(signature[from]));
        const qsizetype end = m_at + qsizetype(length);
        if (!check(qsizetype(length)))
            return {};
        if (signature[from] == '{') {
            const qsizetype keyEnd = completeType(signature, from + 1);
            QVariantMap map;
            while (m_ok && m_at < end) {
                align(8);
                const QString key = value(signature, from + 1, keyEnd).toString();
                map.insert(key, value(signature, keyEnd, to - 1));
            }
            return map;
        }
        QVariantList items;
        while (m_ok && m_at < end)
            items.append(value(signature, from, to));
        if (signature[from] == 's' && to == from + 1) {
            QStringList strings;
            for (const QVariant &item : std::as_const(items))
                strings.append(item.toString());
            return strings;
        }
        return items;
    }

    const QByteArray &m_bytes;
    bool m_big;
    qsizetype m_at = 0;
    bool m_ok = true;
    int m_depth = 0;
};

} // namespace

QByteArray methodCall(quint32 serial, const QString &destination, const QString &path, const QString &interface,
                      const QString &member, const QVariantList &arguments, bool noAutoStart)
{
    const auto isNumber = [](const QVariant &argument) { return argument.typeId() == QMetaType::UInt; };
    Writer writer;
    writer.byte('l');
    writer.byte(quint8(Type::MethodCall));
    writer.byte(noAutoStart ? 0x2 : 0x0);
    writer.byte(1);
    writer.u32(0); // the body's length, below
    writer.u32(serial);
    writer.u32(0); // the header fields' length, below
    writer.field(Path, "o", path);
    writer.field(Interface, "s", interface);
    writer.field(Member, "s", member);
    writer.field(Destination, "s", destination);
    if (!arguments.isEmpty()) {
        QString signature;
        for (const QVariant &argument : arguments)
            signature += isNumber(argument) ? u'u' : u's';
        writer.field(Signature, "g", signature);
    }
    writer.patch(12, quint32(writer.bytes().size() - kFixedHeader));
    writer.align(8);
    const qsizetype body = writer.bytes().size();
    for (const QVariant &argument : arguments) {
        if (isNumber(argument))
            writer.u32(argument.toUInt());
        else
            writer.string(argument.toString());
    }
    writer.patch(4, quint32(writer.bytes().size() - body));
    return writer.bytes();
}

qsizetype messageLength(const QByteArray &bytes)
{
    if (bytes.size() < kFixedHeader || (bytes[0] != 'l' && bytes[0] != 'B') || bytes[3] != 1)
        return -1;
    const bool big = bytes[0] == 'B';
    const auto u32 = [&](int at) {
        quint32 value;
        std::memcpy(&value, bytes.constData() + at, 4);
        return qsizetype(big ? qFromBigEndian(value) : qFromLittleEndian(value));
    };
    const qsizetype fields = u32(12);
    const qsizetype length = (kFixedHeader + fields + 7) / 8 * 8 + u32(4);
    return fields > kMaxMessage || length > kMaxMessage ? -1 : length;
}

bool readMessage(const QByteArray &bytes, Message &message)
{
    const qsizetype length = messageLength(bytes);
    if (length < 0 || bytes.size() < length)
        return false;
    Reader reader(bytes, bytes[0] == 'B');
    message.type = Type(quint8(bytes[1]));
    reader.seek(12);
    const qsizetype fieldsEnd = kFixedHeader + reader.number<quint32>();
    QByteArray signature;
    while (reader.ok() && reader.align(8) && reader.at() < fieldsEnd) {
        const quint8 code = reader.number<quint8>();
        const QVariant value = reader.value("v", 0, 1);
        if (code == ReplySerial)
            message.replySerial = value.toUInt();
        else if (code == ErrorName)
            message.errorName = value.toString();
        else if (code == Signature)
            signature = value.toString().toLatin1();
    }
    reader.seek((fieldsEnd + 7) / 8 * 8);
    message.body = reader.values(signature);
    return reader.ok() && reader.at() == length;
}

} // namespace quendral::buswire
