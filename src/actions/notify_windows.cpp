#include "actions/notify.h"

namespace quendral {

namespace {

// Windows has no notification service that a program reaches without a
// registered application identity; the notice window and the message boxes
// are what the user sees there.
class NoDesktopNotifier final : public DesktopNotifier
{
public:
    void notify(const QString &, const QString &) override {}
};

} // namespace

std::unique_ptr<DesktopNotifier> makeDesktopNotifier(const QString &)
{
    return std::make_unique<NoDesktopNotifier>();
}

} // namespace quendral
