#pragma once

#include "actions/connectionsource.h"
#include "base/dialupcontrol.h"
#include "base/trafficmeter.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace quendral {

// The probe and the hang-up over whatever connection source the platform has.
// Only the first listed connection decides whether we are connected: the
// monitoring cycle treats "the dial-up link" as one link, and meters it.
class Dialup : public DialupControl, public TrafficMeter
{
public:
    // `messageParent` owns the "ERROR" box of a failed listing; it may be null
    // or go away while we live.
    Dialup(std::unique_ptr<ConnectionSource> source, QWidget *messageParent);

    bool isConnected() override;
    void hangUpAll() override;
    std::optional<quint64> receivedBytes() override;
    void setMetering(bool on) override;

private:
    std::unique_ptr<ConnectionSource> m_source;
    QPointer<QWidget> m_messageParent;
};

// The platform's dial-up control and meter, for main.cpp.
std::unique_ptr<Dialup> makeDialupControl(QWidget *messageParent = nullptr);

} // namespace quendral
