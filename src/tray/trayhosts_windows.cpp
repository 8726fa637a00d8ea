#include "tray/trayhosts.h"

namespace quendral {

namespace {

// The taskbar's notification area is always there.
class TaskbarArea : public TrayHosts
{
public:
    TrayKind present() const override { return TrayKind::Embedding; }
};

} // namespace

std::unique_ptr<TrayHosts> makeTrayHosts()
{
    return std::make_unique<TaskbarArea>();
}

} // namespace quendral
