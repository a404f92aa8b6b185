#include "app/WinVersion.h"

#include <windows.h>

WindowsVersion ClassifyWindowsVersion(std::int64_t platformId, std::int64_t major, std::int64_t minor, std::int64_t build)
{
    WindowsVersion v{"", "Windows"};
    if (platformId == VER_PLATFORM_WIN32_NT) {
        v.OsFamily = "NT";
        if (major == 4) v.OsName = "Windows NT4.0";
        else if (major == 5 && minor == 0) v.OsName = "Windows 2000";
        else if (major == 5 && minor == 1) v.OsName = "Windows XP";
        else if (major == 5 && minor == 2) v.OsName = "Windows 2003";
        else if (major == 5) v.OsName = "Windows NT Technology";
    } else if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        v.OsFamily = "notNT";
        if (minor > 89 || build > 73010103 || build == 3000) v.OsName = "Windows Me";
        else if (minor < 10 && minor >= 0) v.OsName = "Windows 95";
        else if (minor < 0) v.OsName = "Windows";
        else if (build <= 2222) v.OsName = build > 1998 ? "Windows 98<SE>" : "Windows 98";
        else if (build <= 67766221) v.OsName = "Windows";
        else if (build < 67766446) v.OsName = "Windows 98";
        else v.OsName = "Windows 98<SE>";
    }
    return v;
}

WindowsVersion DetectWindowsVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    if (!GetVersionExA(&info)) return ClassifyWindowsVersion(-1, -1, -1, -1);
    return ClassifyWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}
