// Drives another program's windows from outside, as a user or a UI-automation tool
// would: wait for a top-level window by caption, then close it.
//   wintool wait  <caption> <timeout-ms>   exit 0 once the window exists, 1 on timeout
//   wintool close <caption> <timeout-ms>   as wait, then posts WM_CLOSE to it
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND WaitForWindow(const char* caption, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = FindWindowA(nullptr, caption)) return w;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return 2;
    const std::string verb = argv[1];
    HWND w = WaitForWindow(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    if (!w) return 1;
    if (verb == "close") PostMessageA(w, WM_CLOSE, 0, 0);
    else if (verb != "wait") return 2;
    return 0;
}
