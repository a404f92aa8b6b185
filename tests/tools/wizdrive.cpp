// Steps through the wizard of a running SETUP.EXE from outside, for the demo and for
// shell-driven checks:
//   wizdrive [-e <exe name>] waittext <control-id> <text> <timeout-ms>
//                                     exit 0 once the wizard's control shows the text,
//                                     1 on timeout
//   wizdrive [-e <exe name>] click <control-id> <timeout-ms>
//                                     presses the wizard's control
//   wizdrive [-e <exe name>] answer <caption> <button-id> <timeout-ms>
//                                     presses a button of the message box with the caption
// The wizard is the visible top-level window of class "TfrmMain" of a process whose
// program file is named SETUP.EXE (or the -e name): test programs running beside it
// show windows of the same class and captions.
#include "ui/Controls.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_exeName = "SETUP.EXE";

bool OfTheProgram(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return false;
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameA(process, 0, path, &size);
    CloseHandle(process);
    const char* name = std::strrchr(path, '\\');
    return named && lstrcmpiA(name ? name + 1 : path, g_exeName.c_str()) == 0;
}

struct Search {
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, s->className) != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (s->caption && GetText(hwnd) != s->caption) return TRUE;
    if (!OfTheProgram(hwnd)) return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND ProgramWindow(const char* className, const char* caption)
{
    Search s{className, caption, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WizardControl(int id)
{
    HWND wizard = ProgramWindow("TfrmMain", nullptr);
    return wizard ? FindControl(wizard, id) : nullptr;
}

template <class F> bool Poll(DWORD timeoutMs, F condition)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
}

DWORD Number(const char* text)
{
    return std::strtoul(text, nullptr, 10);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "-e") == 0) {
        g_exeName = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) return 2;
    const std::string verb = argv[1];
    if (verb == "waittext" && argc == 5) {
        const int id = static_cast<int>(Number(argv[2]));
        const std::string text = argv[3];
        return Poll(Number(argv[4]),
                    [&] {
                        HWND c = WizardControl(id);
                        return c && GetText(c) == text;
                    })
                   ? 0
                   : 1;
    }
    if (verb == "click" && argc == 4) {
        HWND c = nullptr;
        if (!Poll(Number(argv[3]), [&] { return (c = WizardControl(static_cast<int>(Number(argv[2])))) != nullptr; }))
            return 1;
        PostMessageA(c, BM_CLICK, 0, 0);
        return 0;
    }
    if (verb == "answer" && argc == 5) {
        HWND box = nullptr;
        if (!Poll(Number(argv[4]), [&] { return (box = ProgramWindow("#32770", argv[2])) != nullptr; })) return 1;
        HWND button = GetDlgItem(box, static_cast<int>(Number(argv[3])));
        if (!button) return 3;
        PostMessageA(button, BM_CLICK, 0, 0);
        return 0;
    }
    return 2;
}
