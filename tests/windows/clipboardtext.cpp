// Prints the clipboard's text as UTF-8. The Windows end-to-end test copies a
// message box (Ctrl+C) and reads back, through this, what the box shows.
#include <windows.h>

#include <string>

int main()
{
    if (!OpenClipboard(nullptr))
        return 1;
    int result = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
            std::string utf8(size > 0 ? size : 1, '\0');
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), DWORD(utf8.size() - 1), &written, nullptr);
            GlobalUnlock(data);
            result = 0;
        }
    }
    CloseClipboard();
    return result;
}
