// Calls TWinReboot::Reboot(EWX_REBOOT) and records what follows, for a test that runs
// it in a throwaway Wine prefix (the session end reaches every process of the prefix).
//   rebootprobe <record file>
// The record gets "reboot=<0|1>", then "queryendsession" and "endsession=<0|1>" as the
// probe's window receives the session-end messages. Exits on WM_ENDSESSION or after 60 s.
#include "services/WinReboot.h"

#include <windows.h>

#include <string>

namespace {

std::string g_record;

void Append(const std::string& line)
{
    HANDLE h = CreateFileA(g_record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_QUERYENDSESSION) {
        Append("queryendsession");
        return TRUE;
    }
    if (msg == WM_ENDSESSION) {
        Append(std::string("endsession=") + (wParam ? "1" : "0"));
        if (wParam) ExitProcess(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    g_record = argv[1];
    WNDCLASSA wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QsRebootProbe";
    RegisterClassA(&wc);
    // A top-level window, so the session end has someone to ask.
    CreateWindowExA(0, wc.lpszClassName, "QS Reboot Probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                    wc.hInstance, nullptr);

    Append(std::string("reboot=") + (TWinReboot().Reboot(EWX_REBOOT) ? "1" : "0"));

    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    return 1;
}
