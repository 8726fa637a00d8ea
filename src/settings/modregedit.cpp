#include "settings/modregedit.h"

namespace quendral {

using namespace registry;

namespace {

bool isTextType(quint32 type)
{
    return type == kString || type == kExpandString || type == kBinary || type == kLink || type == kMultiString;
}

} // namespace

long modRegedit::RegKeyCreate(Root root, const QString &subkey)
{
    return createKey(root, subkey);
}

long modRegedit::RegKeyDelete(Root root, const QString &subkey)
{
    return deleteKey(root, subkey);
}

long modRegedit::RegKeyOpen(Root root, const QString &subkey, quint32 access)
{
    return openKey(root, subkey, access, &m_openkey);
}

void modRegedit::RegKeyClose()
{
    closeKey(&m_openkey);
}

long modRegedit::RegValueDelete(Root root, const QString &subkey, const QString &name)
{
    if (const long result = RegKeyOpen(root, subkey, kReadWrite); result != kSuccess)
        return result;
    const long result = deleteValue(m_openkey, name);
    RegKeyClose();
    return result;
}

long modRegedit::RegValueRead(Root root, const QString &subkey, const QString &name, QVariant *value, quint32 *type)
{
    if (const long result = RegKeyOpen(root, subkey, kQueryValue); result != kSuccess)
        return result;
    const bool text = isTextType(*type);
    QByteArray data;
    const long result = queryValue(m_openkey, name, text ? kTextBuffer : 4, type, &data);
    if (result == kSuccess)
        *value = text ? QVariant(textUpToNul(data)) : QVariant(dwordFromBytes(data));
    RegKeyClose();
    return result;
}

long modRegedit::RegValueWrite(Root root, const QString &subkey, const QString &name, const QString &text, quint32 type)
{
    if (const long result = RegKeyOpen(root, subkey, kReadWrite); result != kSuccess)
        return result;
    bool ok = true;
    const QByteArray data = isTextType(type) ? text.toUtf8() + '\0' : dwordBytes(text.toUInt(&ok));
    const long result = ok ? setValue(m_openkey, name, type, data) : kInvalidParameter;
    RegKeyClose();
    return result;
}

} // namespace quendral
