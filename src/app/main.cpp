// Process entry. Until the wizard windows exist this shows one window with what the
// start-up has found: the Windows version, the version label and the machine's folders.
#include "app/AppState.h"
#include "app/Startup.h"
#include "app/WinVersion.h"
#include "foundation/SystemLibrary.h"
#include "foundation/VersionInfo.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "services/Shortcut.h"

#include <windows.h>

#include <string>

namespace {

constexpr char kWindowClass[] = "QuillonSetupShell";

std::string ModulePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (len < path.size()) return path.substr(0, len);
        path.resize(path.size() * 2);
    }
}

std::string DescribeStartup(AppState& state, const std::string& exePath)
{
    const WindowsVersion version = DetectWindowsVersion();
    state.OsFamily = version.OsFamily;
    state.OsName = version.OsName;
    const FolderPlatform platform = SystemFolderPlatform();
    SetStartFolders(state, exePath, platform);
    state.ErrorLines = DiscoverFolders(state, state.OsFamily, platform);

    return "Quillon Installer(on " + state.OsName + ")\r\n" +
           "Version " + ReadFileVersion(exePath) + "\r\n\r\n" +
           "(Win) " + state.WindowsFolder + "\r\n" + "(Sys) " + state.SystemFolder + "\r\n" +
           "(Prg) " + state.ProgramFilesFolder + "\r\n" + "(Tmp) " + state.TempFolder + "\r\n" +
           state.ErrorLines;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    // Before anything can load a DLL by bare name.
    RestrictDllSearchToSystem();
    // The shell link object and the folder picker need COM on this thread.
    const ComInit com;
    // Held until the program ends; a second copy leaves without a window.
    const SingleInstanceGuard singleInstance;
    if (singleInstance.AnotherInstanceRuns()) {
        PostQuitMessage(0);
        return 0;
    }

    AppState state;
    const std::string info = DescribeStartup(state, ModulePath());

    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return 1;
    HWND window = CreateWindowExA(0, kWindowClass, "Quillon Installer", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 360, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 1;
    CreateWindowExA(0, "STATIC", info.c_str(), WS_CHILD | WS_VISIBLE, 16, 16, 600, 300, window,
                    nullptr, instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
