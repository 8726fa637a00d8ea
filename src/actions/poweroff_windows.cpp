#include "actions/poweroff_windows.h"

#include "actions/poweroff.h"
#include "base/logging.h"

#include <powrprof.h>

namespace quendral {

namespace {

// Room for the previous state of two privileges; the call is told it holds none.
struct TwoPrivileges
{
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[2];
};

BOOL WINAPI systemLookupPrivilegeValue(const char *system, const char *name, LUID *luid)
{
    return LookupPrivilegeValueA(system, name, luid);
}

} // namespace

ShutdownCalls ShutdownCalls::system()
{
    return {OpenProcessToken, systemLookupPrivilegeValue, AdjustTokenPrivileges, ExitWindowsEx, CloseHandle,
            SetSuspendState,  GetPwrCapabilities};
}

WindowsPowerControl::WindowsPowerControl(ShutdownCalls calls)
    : m_calls(calls)
{
}

void WindowsPowerControl::enable_shutdown_privilege()
{
    HANDLE token = nullptr;
    if (!m_calls.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        qCWarning(lcPower) << "OpenProcessToken failed: error" << GetLastError();
    LUID luid{};
    if (!m_calls.lookupPrivilegeValue("", "SeShutdownPrivilege", &luid))
        qCWarning(lcPower) << "LookupPrivilegeValue failed: error" << GetLastError();
    TOKEN_PRIVILEGES enable{};
    enable.PrivilegeCount = 1;
    enable.Privileges[0].Luid = luid;
    enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TwoPrivileges previous{};
    DWORD returnLength = sizeof(DWORD);
    if (!m_calls.adjustTokenPrivileges(token, FALSE, &enable, sizeof(TOKEN_PRIVILEGES),
                                       reinterpret_cast<TOKEN_PRIVILEGES *>(&previous), &returnLength))
        qCWarning(lcPower) << "AdjustTokenPrivileges failed: error" << GetLastError();
    if (token)
        m_calls.closeHandle(token);
}

QString WindowsPowerControl::powerOff()
{
    enable_shutdown_privilege();
    qCDebug(lcPower) << "Asking Windows to shut down";
    if (m_calls.exitWindowsEx(kShutdownForce, 0))
        return {};
    return refusal("ExitWindowsEx");
}

PowerControl::Ability WindowsPowerControl::canSleep(Action action)
{
    SYSTEM_POWER_CAPABILITIES capabilities{};
    if (!m_calls.getPwrCapabilities(&capabilities)) {
        qCWarning(lcPower) << "GetPwrCapabilities failed: error" << GetLastError();
        return Ability::Unknown;
    }
    const bool able = action == Action::Hibernate
                          ? capabilities.SystemS4 && capabilities.HiberFilePresent
                          : capabilities.SystemS1 || capabilities.SystemS2 || capabilities.SystemS3;
    qCDebug(lcPower) << "power capabilities for" << int(action) << (able ? "allow" : "refuse");
    return able ? Ability::Yes : Ability::No;
}

QString WindowsPowerControl::sleep(Action action)
{
    // Sleep needs the shutdown privilege as much as a shutdown does.
    enable_shutdown_privilege();
    const bool hibernate = action == Action::Hibernate;
    qCDebug(lcPower) << "Asking Windows to" << (hibernate ? "hibernate" : "sleep");
    if (m_calls.setSuspendState(hibernate, FALSE, FALSE))
        return {};
    return refusal("SetSuspendState");
}

QString WindowsPowerControl::refusal(const char *call)
{
    // A refusal is told, with the system's own words for it.
    const DWORD error = GetLastError();
    // The wide call: the system's words in any language, not only the code page's.
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString reason = text ? QString::fromWCharArray(text).trimmed() : QString::number(error);
    LocalFree(text);
    qCWarning(lcPower) << call << "failed: error" << error << reason;
    return reason.isEmpty() ? QString::number(error) : reason;
}

std::unique_ptr<PowerControl> makePowerControl()
{
    return std::make_unique<WindowsPowerControl>();
}

} // namespace quendral
