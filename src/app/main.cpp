// Process entry: the single-instance guard, the four windows in their order, the
// message loop. The background window shows the wizard modally and ends the program.
#include "foundation/AppState.h"
#include "app/Startup.h"
#include "app/StartupSequence.h"
#include "foundation/SystemLibrary.h"
#include "install/InstallRun.h"
#include "uninstall/UninstallRun.h"
#include "services/Shortcut.h"
#include "ui/Back.h"
#include "ui/CusDlg.h"
#include "ui/Main.h"
#include "ui/Status.h"
#include "ui/WindowHost.h"

#include <windows.h>

#include <string>

namespace {

std::string ModulePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (len < path.size()) return path.substr(0, len);
        path.resize(path.size() * 2);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
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
    WindowHost host(state);
    TfrmBack back;
    TfrmMain main(state, host);
    TfrmStatus status(state, host);
    TfrmCustomDlg dialog;
    if (!back.Create() || !main.Create(back.Handle()) || !status.Create(back.Handle()) ||
        !dialog.Create(main.Control(TfrmMain::kLblFormShare)))
        return 1;
    host.Attach(&back, &main, &status, &dialog);
    main.background = back.Handle();
    status.mainWindow = main.Handle();
    status.background = back.Handle();
    status.SetMainModalResult = [&main](int result) { main.SetModalResult(result); };

    const StartupInput input{FirstCommandLineParameter(GetCommandLineA()), ModulePath()};
    main.OnFirstActivate = [&] { RunStartupSequence(state, main, back, host, input, SystemFolderPlatform()); };
    main.StartInstallRun = [&] { InstallRun(state, host); };
    main.StartUninstallRun = [&] { UninstallRun(state, host); };
    back.ShowMainModal = [&main] { main.ShowModal(); };
    back.OnClosed = [] { PostQuitMessage(0); };
    back.Show();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
