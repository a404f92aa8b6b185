// Drives another program's windows from outside, as a user or a UI-automation tool
// would: wait for a top-level window by caption, then close it or press a button.
//   wintool [-p <pid>] wait  <caption> <timeout-ms>   exit 0 once the window exists, 1 on timeout
//   wintool [-p <pid>] close <caption> <timeout-ms>   as wait, then posts WM_CLOSE to it
//   wintool [-p <pid>] click <caption> <button> <timeout-ms>
//                                          as wait, then presses the child button given by
//                                          its control ID (digits) or its text (BM_CLICK);
//                                          exit 3 when there is no such button
// With -p only windows of that process count: test programs running side by side may
// show windows with the same caption (SETUP.EXE creates every form at start-up).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct WindowSearch {
    const char* caption;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (search->pid && pid != search->pid) return TRUE;
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    if (std::strcmp(text, search->caption) != 0) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND WaitForWindow(const char* caption, DWORD pid, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{caption, pid, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

struct TextSearch {
    const char* text;
    HWND found;
};

BOOL CALLBACK MatchText(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<TextSearch*>(param);
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    if (std::strcmp(text, search->text) != 0) return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindButton(HWND window, const char* button)
{
    char* end = nullptr;
    const unsigned long id = std::strtoul(button, &end, 10);
    if (*button != '\0' && *end == '\0') return GetDlgItem(window, static_cast<int>(id));
    TextSearch search{button, nullptr};
    EnumChildWindows(window, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int main(int argc, char** argv)
{
    DWORD pid = 0;
    if (argc > 2 && std::strcmp(argv[1], "-p") == 0) {
        pid = std::strtoul(argv[2], nullptr, 10);
        argc -= 2;
        argv += 2;
    }
    if (argc < 4) return 2;
    const std::string verb = argv[1];
    const bool click = verb == "click";
    if (argc != (click ? 5 : 4)) return 2;
    HWND w = WaitForWindow(argv[2], pid, static_cast<DWORD>(std::strtoul(argv[argc - 1], nullptr, 10)));
    if (!w) return 1;
    if (verb == "close") {
        PostMessageA(w, WM_CLOSE, 0, 0);
    } else if (click) {
        HWND button = FindButton(w, argv[3]);
        if (!button) return 3;
        // Posted: the window's owner may be waiting for this process to end.
        PostMessageA(button, BM_CLICK, 0, 0);
    } else if (verb != "wait") {
        return 2;
    }
    return 0;
}
