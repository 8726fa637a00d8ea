#pragma once

#include "base/powercontrol.h"

#include <windows.h>

namespace quendral {

// The calls that shut Windows down, named so that tests can stand in for them
// without ending the machine they run on.
struct ShutdownCalls
{
    BOOL(WINAPI *openProcessToken)(HANDLE process, DWORD access, HANDLE *token);
    BOOL(WINAPI *lookupPrivilegeValue)(const char *system, const char *name, LUID *luid);
    BOOL(WINAPI *adjustTokenPrivileges)
    (HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES *newState, DWORD length, TOKEN_PRIVILEGES *previousState,
     DWORD *returnLength);
    BOOL(WINAPI *exitWindowsEx)(UINT flags, DWORD reason);
    BOOL(WINAPI *closeHandle)(HANDLE handle);
    BOOLEAN(WINAPI *setSuspendState)(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled);
    BOOLEAN(WINAPI *getPwrCapabilities)(SYSTEM_POWER_CAPABILITIES *capabilities);

    // advapi32's, kernel32's, user32's and powrprof's own functions.
    static ShutdownCalls system();
};

// Shuts the computer down, ending the other programs without asking them. The
// process must first hold the shutdown privilege.
class WindowsPowerControl final : public PowerControl
{
public:
    static constexpr UINT kShutdownForce = EWX_SHUTDOWN | EWX_FORCE;

    explicit WindowsPowerControl(ShutdownCalls calls = ShutdownCalls::system());

    // The system answers only by doing it: a user who may not shut down
    // learns so when the request is refused.
    Ability canPowerOff() override { return Ability::Unknown; }
    QString powerOff() override;
    // Sleep (S1-S3) or hibernation (S4 with its file), as the power
    // capabilities say; only Yes or No.
    Ability canSleep(Action action) override;
    QString sleep(Action action) override;
    void enable_shutdown_privilege();

private:
    QString refusal(const char *call);

    ShutdownCalls m_calls;
};

} // namespace quendral
