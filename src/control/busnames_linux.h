#pragma once

#include <QString>

namespace quendral::busnames {

// Where the running copy answers on the session bus: the application id (the
// packaging's choice) owns the object of the control interface.
inline QString service()
{
    return QStringLiteral(QUENDRAL_APP_ID);
}
inline QString path()
{
    return QStringLiteral("/org/example/Quendral");
}
inline QString interface()
{
    return QStringLiteral("org.example.Quendral");
}

} // namespace quendral::busnames
