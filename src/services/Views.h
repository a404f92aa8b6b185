// The two builds' views of a 64-bit Windows. The x86-64 build sees the 64-bit registry
// and System32; the i686 build, under WoW64, sees the 32-bit registry (HKLM\SOFTWARE is
// SOFTWARE\WOW6432Node, the shared-file register among it) and, as "system32", the
// folder SysWOW64. Each build installs and counts in its own view; an uninstallation
// works in the view of the build that made its record, whichever build runs it.
// A view is named by its bits: 32 or 64, 0 for this build's own.
#pragma once
#include <windows.h>

#include <string>

// 64 for the x86-64 build, 32 for the i686 build.
int OwnBits();
// The record's note of the build that made it, "32" or "64"; anything else (an
// earlier record without it) means this build's own view: 0.
int RecordBits(const std::string& note);
// The access flag that reaches the view from this process: 0 for its own,
// KEY_WOW64_32KEY or KEY_WOW64_64KEY for the other.
REGSAM ViewFlag(int bits);
// The view beside this one (the other build's), 0 when there is none: a 32-bit Windows.
int OtherBits(int bits);
// The path of a file named in the view as this process reaches it: a file below the
// system folder of the other build's view is below SysWOW64 (from the x86-64 build) or
// Sysnative (from the i686 build); the folders WoW64 never redirects, and everything
// else, stay as they are.
std::string PathInView(const std::string& path, int bits, const std::string& windowsFolder,
                       const std::string& systemFolder);
