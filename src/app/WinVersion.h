// Windows version detection: the OS family and the display name used by scripts'
// RejectOS lists and the title page.
#pragma once
#include <cstdint>
#include <string>

struct WindowsVersion {
    std::string OsFamily; // "NT", "notNT" or ""
    std::string OsName;
};

// The family and name for the values GetVersionEx reports (-1 each when it failed).
// build is the full 32-bit value; on the 9x family its high half holds major and minor.
WindowsVersion ClassifyWindowsVersion(std::int64_t platformId, std::int64_t major, std::int64_t minor,
                                      std::int64_t build);

// ClassifyWindowsVersion fed from GetVersionExA.
WindowsVersion DetectWindowsVersion();
