#pragma once

#include "settings/registry.h"

#include <QString>
#include <QVariant>

namespace quendral {

// The thin layer over the platform's registry calls that the Autostart
// operations use. It holds one open key, which each value operation opens,
// uses and releases within the call. Every operation returns the platform's
// result code (0 success, 2 not found, 5 access denied, 234 the value does not
// fit the buffer).
class RegistryEditor
{
public:
    // Values of these types are read into a text buffer of this many bytes,
    // terminating NUL included; others into 4 bytes.
    static constexpr qsizetype kTextBuffer = 255;

    long RegKeyCreate(registry::Root root, const QString &subkey);
    long RegKeyDelete(registry::Root root, const QString &subkey);
    long RegKeyOpen(registry::Root root, const QString &subkey, quint32 access);
    void RegKeyClose();
    long RegValueDelete(registry::Root root, const QString &subkey, const QString &name);
    // `type` is the expected type on entry and the stored type on return;
    // `value` receives a QString for the text types (1, 2, 3, 6, 7), else a
    // quint32. On failure `value` is left as it was.
    long RegValueRead(registry::Root root, const QString &subkey, const QString &name, QVariant *value, quint32 *type);
    // Text types store `text` with its terminating NUL; kDword stores `text`
    // read as a decimal number (kInvalidParameter when it is none). Nothing is
    // written, and no key created, when the key cannot be opened for writing.
    long RegValueWrite(registry::Root root, const QString &subkey, const QString &name, const QString &text,
                       quint32 type);

private:
    registry::OpenKey m_openkey;
};

} // namespace quendral
