// Steps through the wizard of a running SETUP.EXE from outside, for the demo and for
// shell-driven checks:
//   wizdrive waittext <control-id> <text> <timeout-ms>  exit 0 once the wizard's control
//                                                       shows the text, 1 on timeout
//   wizdrive click <control-id> <timeout-ms>            presses the wizard's control
//   wizdrive answer <caption> <button-id> <timeout-ms>  presses a button of the message
//                                                       box with the caption
// The wizard is the visible top-level window of class "TfrmMain".
#include "ui/Controls.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND WizardControl(int id)
{
    HWND wizard = FindWindowA("TfrmMain", nullptr);
    if (!wizard || !IsWindowVisible(wizard)) return nullptr;
    return FindControl(wizard, id);
}

template <class F>
bool Poll(DWORD timeoutMs, F condition)
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
    if (argc < 2) return 2;
    const std::string verb = argv[1];
    if (verb == "waittext" && argc == 5) {
        const int id = static_cast<int>(Number(argv[2]));
        const std::string text = argv[3];
        return Poll(Number(argv[4]), [&] {
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
        if (!Poll(Number(argv[4]), [&] { return (box = FindWindowA("#32770", argv[2])) != nullptr; })) return 1;
        HWND button = GetDlgItem(box, static_cast<int>(Number(argv[3])));
        if (!button) return 3;
        PostMessageA(button, BM_CLICK, 0, 0);
        return 0;
    }
    return 2;
}
