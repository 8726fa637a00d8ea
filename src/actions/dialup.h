#pragma once

#include "actions/connectionsource.h"
#include "kit/dialupcontrol.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace quendral {

// The probe and the hang-up over whatever connection source the platform has.
// Only the first listed connection decides whether we are connected: the
// monitoring cycle treats "the dial-up link" as one link.
class Dialup : public DialupControl
{
public:
    // `messageParent` owns the "ERROR" box of a failed listing; it may be null
    // or go away while we live.
    Dialup(std::unique_ptr<ConnectionSource> source, QWidget *messageParent);

    bool dialup_connected() override;
    void hang_up_all() override;

private:
    std::unique_ptr<ConnectionSource> m_source;
    QPointer<QWidget> m_messageParent;
};

// The platform's dial-up control, for main.cpp.
std::unique_ptr<DialupControl> makeDialupControl(QWidget *messageParent = nullptr);

} // namespace quendral
