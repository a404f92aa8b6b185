#include "services/WinReboot.h"

#include "foundation/Handles.h"

#include <windows.h>

bool TWinReboot::SetPrivilege(const std::string& name, bool enable)
{
    // Without a token the calls below fail on their own.
    UniqueKernelHandle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put());

    TOKEN_PRIVILEGES wanted{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &wanted.Privileges[0].Luid)) return false;
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;

    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = 0;
    const BOOL ok = AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof previous, &previous, &previousSize);
    // The call succeeds even when the token lacks the privilege; only the last error tells.
    return ok && GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

bool TWinReboot::Reboot(std::uint32_t flags)
{
    SetPrivilege("SeShutdownPrivilege", true);
    const bool accepted = ExitWindowsEx(flags, 0) != FALSE;
    SetPrivilege("SeShutdownPrivilege", false);
    return accepted;
}
