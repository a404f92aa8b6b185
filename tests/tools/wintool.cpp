// Drives another program's windows from outside, as a user or a UI-automation tool
// would: wait for a top-level window by caption, then close it or press a button.
//   wintool wait  <caption> <timeout-ms>   exit 0 once the window exists, 1 on timeout
//   wintool close <caption> <timeout-ms>   as wait, then posts WM_CLOSE to it
//   wintool click <caption> <button> <timeout-ms>
//                                          as wait, then presses the child button given by
//                                          its control ID (digits) or its text (BM_CLICK);
//                                          exit 3 when there is no such button
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
    if (argc < 4) return 2;
    const std::string verb = argv[1];
    const bool click = verb == "click";
    if (argc != (click ? 5 : 4)) return 2;
    HWND w = WaitForWindow(argv[2], static_cast<DWORD>(std::strtoul(argv[argc - 1], nullptr, 10)));
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
