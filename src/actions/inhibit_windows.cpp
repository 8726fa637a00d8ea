#include "actions/inhibit.h"
#include "kit/logging.h"

#include <windows.h>

namespace quendral {

namespace {

// Windows keeps the system awake while the thread that asked says so; the
// window thread that asks lives as long as the program.
class ExecutionStateInhibitor final : public SleepInhibitor
{
public:
    ~ExecutionStateInhibitor() override { release(); }

    bool hold(const QString &) override
    {
        if (m_held)
            return true;
        m_held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
        if (m_held)
            qCDebug(lcSleep) << "System kept awake";
        else
            qCWarning(lcSleep) << "SetThreadExecutionState failed: error" << GetLastError();
        return m_held;
    }
    void release() override
    {
        if (m_held) {
            SetThreadExecutionState(ES_CONTINUOUS);
            qCDebug(lcSleep) << "System allowed to sleep again";
        }
        m_held = false;
    }
    bool held() const override { return m_held; }

private:
    bool m_held = false;
};

} // namespace

std::unique_ptr<SleepInhibitor> makeSleepInhibitor()
{
    return std::make_unique<ExecutionStateInhibitor>();
}

} // namespace quendral
