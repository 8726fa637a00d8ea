#include "settings/registryeditor.h"

#include "base/logging.h"

namespace quendral {

using namespace registry;

namespace {

QString rootName(Root root)
{
    return root == Root::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
}

// A missing key or value is what a first start finds: worth a debug line
// only. Every other failure is a warning, with the platform's result code.
long logged(long result, const char *operation, Root root, const QString &subkey, const QString &name = {})
{
    if (result == kSuccess)
        qCDebug(lcStore) << operation << rootName(root) + u'\\' + subkey << name;
    else if (result == kNotFound)
        qCDebug(lcStore) << operation << rootName(root) + u'\\' + subkey << name << "found nothing";
    else
        qCWarning(lcStore) << operation << rootName(root) + u'\\' + subkey << name << "failed: error" << result;
    return result;
}

bool isTextType(quint32 type)
{
    return type == kString || type == kExpandString || type == kBinary || type == kLink || type == kMultiString;
}

} // namespace

long RegistryEditor::RegKeyCreate(Root root, const QString &subkey)
{
    return logged(createKey(root, subkey), "RegKeyCreate", root, subkey);
}

long RegistryEditor::RegKeyDelete(Root root, const QString &subkey)
{
    return logged(deleteKey(root, subkey), "RegKeyDelete", root, subkey);
}

long RegistryEditor::RegKeyOpen(Root root, const QString &subkey, quint32 access)
{
    return openKey(root, subkey, access, &m_openkey);
}

void RegistryEditor::RegKeyClose()
{
    closeKey(&m_openkey);
}

long RegistryEditor::RegValueDelete(Root root, const QString &subkey, const QString &name)
{
    if (const long result = RegKeyOpen(root, subkey, kReadWrite); result != kSuccess)
        return logged(result, "RegValueDelete", root, subkey, name);
    const long result = deleteValue(m_openkey, name);
    RegKeyClose();
    return logged(result, "RegValueDelete", root, subkey, name);
}

long RegistryEditor::RegValueRead(Root root, const QString &subkey, const QString &name, QVariant *value, quint32 *type)
{
    if (const long result = RegKeyOpen(root, subkey, kQueryValue); result != kSuccess)
        return logged(result, "RegValueRead", root, subkey, name);
    const bool text = isTextType(*type);
    QByteArray data;
    const long result = queryValue(m_openkey, name, text ? kTextBuffer : 4, type, &data);
    if (result == kSuccess)
        *value = text ? QVariant(textUpToNul(data)) : QVariant(dwordFromBytes(data));
    RegKeyClose();
    return logged(result, "RegValueRead", root, subkey, name);
}

long RegistryEditor::RegValueWrite(Root root, const QString &subkey, const QString &name, const QString &text,
                                   quint32 type)
{
    if (const long result = RegKeyOpen(root, subkey, kReadWrite); result != kSuccess)
        return logged(result, "RegValueWrite", root, subkey, name);
    bool ok = true;
    const QByteArray data = isTextType(type) ? text.toUtf8() + '\0' : dwordBytes(text.toUInt(&ok));
    const long result = ok ? setValue(m_openkey, name, type, data) : kInvalidParameter;
    RegKeyClose();
    return logged(result, "RegValueWrite", root, subkey, name);
}

} // namespace quendral
