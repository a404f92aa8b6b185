// Process entry: the single-instance guard, the four windows in their order, the
// message loop. The background window shows the wizard modally and ends the program.
#include "foundation/AppState.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "app/Unattended.h"
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

#include <cstdlib>
#include <optional>
#include <string>

// Replaces the C++ library's terminate handler, which prints the uncaught exception's
// demangled type to a console a windowed program does not have and brings the whole
// demangler (about 50 KB) into SETUP.EXE. The process ends the same way.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

namespace {

// /? and a wrong command line: the help text on the console or in the output the
// program was started with, else in a message box unless boxes are suppressed.
int ShowCommandLineHelp(const CommandLine& cl, LogFile& log)
{
    std::string text;
    for (const std::string& error : cl.errors) {
        text += error + "\r\n";
        log.Write("コマンドライン: " + error);
    }
    if (!text.empty()) text += "\r\n";
    text += CommandLineHelp();
    AttachConsole(ATTACH_PARENT_PROCESS);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    const bool shown = out && out != INVALID_HANDLE_VALUE &&
                       WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (!shown && !cl.suppressMsgBoxes)
        MessageBoxA(nullptr, text.c_str(), "Quillon Installer",
                    cl.errors.empty() ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONSTOP);
    return cl.errors.empty() ? kExitSuccess : kExitBadCommandLine;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything can load a DLL by bare name.
    RestrictDllSearchToSystem();
    // The shell link object and the folder picker need COM on this thread. The wizard
    // starts it once the background window shows: loading it held up the first window.
    std::optional<ComInit> com;
    CommandLine cl = ParseCommandLine(GetCommandLineA());
    // Held until the program ends; a second copy leaves without a window.
    const SingleInstanceGuard singleInstance;
    if (singleInstance.AnotherInstanceRuns()) {
        PostQuitMessage(0);
        return cl.AnySwitch() ? kExitAnotherInstance : 0;
    }
    LogFile log;
    // A log that cannot be opened costs the run nothing.
    if (!cl.log.empty()) {
        log.Open(cl.log);
    } else if (cl.defaultLog) {
        FolderValues start;
        SetStartFolders(start, RunningProgramPath(), SystemFolderPlatform());
        log.Open(DefaultLogPath(start.TempFolder));
    }
    AnswerFile answers;
    ReadAnswerSwitches(cl, answers);
    if (cl.help || !cl.errors.empty()) return ShowCommandLineHelp(cl, log);

    AppState state;
    if (cl.Unattended()) {
        com.emplace();
        return RunUnattended(state, cl, answers, RunningProgramPath(), log);
    }

    WindowHost host(state, cl.Settings(log, answers));
    TfrmBack back;
    TfrmMain main(state, host);
    TfrmStatus status(state, host);
    TfrmCustomDlg dialog;
    // The background is the first window the user sees: it shows (and maximises) as soon
    // as it exists, while the other forms are still created, in their order, before the
    // wizard and the message loop start.
    if (!back.Create()) return cl.AnySwitch() ? kExitFatal : 1;
    back.Show();
    if (!main.Create(back.Handle()) || !status.Create(back.Handle()) ||
        !dialog.Create(main.Control(TfrmMain::kLblFormShare)))
        return cl.AnySwitch() ? kExitFatal : 1;
    host.Attach(&back, &main, &status, &dialog);
    main.background = back.Handle();
    status.mainWindow = main.Handle();
    status.background = back.Handle();
    status.SetMainModalResult = [&main](int result) { main.SetModalResult(result); };

    const StartupInput input{cl.firstParameter, RunningProgramPath(), AnsweredFolder(cl.dir, answers), &answers};
    StartupEnd startup = StartupEnd::Ready;
    bool ran = false;
    RunResult result;
    main.OnFirstActivate = [&] {
        startup = RunStartupSequence(state, main, back, host, input, SystemFolderPlatform());
        if (cl.LogRequested()) LogStartupFacts(state, cl, log);
    };
    main.StartInstallRun = [&] {
        ran = true;
        result = InstallRun(state, host);
    };
    main.StartUninstallRun = [&] {
        ran = true;
        result = UninstallRun(state, host);
    };
    // The choices as the wizard ends, for /SAVEINF, also when it was left early.
    WizardOptions chosen;
    back.ShowMainModal = [&main, &com, &host, &chosen] {
        com.emplace();
        main.ShowModal();
        chosen = host.Options();
    };
    back.OnClosed = [] { PostQuitMessage(0); };
    back.StartWizard();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    SaveChoices(cl, state, chosen, result, log);
    // Without switches the program ends as it always has; with them its code says how.
    if (!cl.AnySwitch()) return static_cast<int>(msg.wParam);
    int code = ExitCodeOf(result);
    if (!ran) {
        code = startup == StartupEnd::Fatal                            ? kExitFatal
               : startup == StartupEnd::Refused || main.checkerRefused ? kExitRefused
                                                                       : kExitCancelled;
    }
    log.Write("終了コード " + std::to_string(code));
    return code;
}
