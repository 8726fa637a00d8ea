#include "actions/dialup.h"

#include "base/logging.h"
#include "kit/messagebox.h"

namespace quendral {

Dialup::Dialup(std::unique_ptr<ConnectionSource> source, QWidget *messageParent)
    : m_source(std::move(source))
    , m_messageParent(messageParent)
{
}

bool Dialup::isConnected()
{
    const auto list = m_source->connections();
    if (!list) {
        msgbox::show(m_messageParent, QStringLiteral("ERROR"), msgbox::Icon::None, msgbox::Buttons::Ok);
        return false;
    }
    return !list->isEmpty() && list->first().connected;
}

void Dialup::hangUpAll()
{
    const auto list = m_source->connections();
    if (!list)
        return;
    // Each request stands alone: one refused hang-up must not keep the
    // others up.
    for (const DialupConnection &connection : *list) {
        qCDebug(lcDialup) << "Hanging up" << connection.handle;
        m_source->hang_up(connection.handle);
    }
}

std::optional<quint64> Dialup::receivedBytes()
{
    // A failed listing was reported by the probe of the same tick.
    const auto list = m_source->connections();
    if (!list || list->isEmpty())
        return std::nullopt;
    return m_source->receivedBytes(list->first().handle);
}

void Dialup::setMetering(bool on)
{
    m_source->setMetering(on);
}

} // namespace quendral
