#include "actions/inhibit.h"
#include "base/logging.h"

#include <windows.h>

namespace quendral {

namespace {

constexpr wchar_t kPowerWindowClass[] = L"QuendralPowerNotices";

// Windows keeps the system awake while the thread that asked says so; the
// window thread that asks lives as long as the program. Power broadcasts
// reach top-level windows only, and Qt's own windows for the tray and the
// event loop are message-only: a hidden window of its own hears the wake.
class ExecutionStateInhibitor final : public SleepInhibitor
{
public:
    ExecutionStateInhibitor()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ExecutionStateInhibitor::powerNotices;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kPowerWindowClass;
        // Registered already by an earlier inhibitor: that is as good.
        RegisterClassW(&windowClass);
        m_window =
            CreateWindowExW(0, kPowerWindowClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
        if (m_window)
            SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        else
            qCWarning(lcSleep) << "Creating the window for power notices failed: error" << GetLastError();
    }
    ~ExecutionStateInhibitor() override
    {
        release();
        if (m_window)
            DestroyWindow(m_window);
    }
    ExecutionStateInhibitor(const ExecutionStateInhibitor &) = delete;
    ExecutionStateInhibitor &operator=(const ExecutionStateInhibitor &) = delete;

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
    static LRESULT CALLBACK powerNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
            if (auto *self = reinterpret_cast<ExecutionStateInhibitor *>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
                qCDebug(lcSleep) << "The computer woke";
                emit self->woke();
            }
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    bool m_held = false;
    HWND m_window = nullptr;
};

} // namespace

std::unique_ptr<SleepInhibitor> makeSleepInhibitor()
{
    return std::make_unique<ExecutionStateInhibitor>();
}

} // namespace quendral
