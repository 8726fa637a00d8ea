#include "base/processuser_windows.h"

#include <vector>

#include <sddl.h>

namespace quendral {

QString processUser(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    wchar_t *text = nullptr;
    const bool read = size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
                      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &text);
    CloseHandle(token);
    if (!read)
        return {};
    const QString sid = QString::fromWCharArray(text);
    LocalFree(text);
    return sid;
}

const QString &currentUser()
{
    static const QString sid = processUser(GetCurrentProcess());
    return sid;
}

} // namespace quendral
