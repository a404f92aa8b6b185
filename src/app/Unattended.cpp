#include "app/Unattended.h"

#include "app/Startup.h"
#include "app/StartupConfig.h"
#include "app/WinVersion.h"
#include "foundation/FolderMacros.h"
#include "foundation/SystemLibrary.h"
#include "foundation/VersionInfo.h"
#include "foundation/uStrOp.h"
#include "install/InstallRun.h"
#include "scripts/ScriptGeneral.h"
#include "services/FileOps.h"
#include "ui/UnattendedHost.h"
#include "uninstall/UninstallRun.h"

#include <windows.h>

namespace {

WizardOptions InstallOptions(const StartupConfig& config, const std::string& folder)
{
    WizardOptions o;
    o.folder = folder;
    o.overwrite = true; // the box the wizard starts with ticked
    const CheckBoxState* boxes[4] = {&config.desktop, &config.startMenu, &config.startUp, &config.sendTo};
    for (int i = 0; i < 4; ++i) o.boxes[i] = {"", boxes[i]->checked, boxes[i]->enabled, true};
    return o;
}

// The preconditions and the checker of the installer; false when one refuses.
bool InstallerMayGoOn(AppState& state, const GeneralKeys& keys, const std::string& folder, Host& host)
{
    if (CheckInstallPreconditions(state, keys, folder, host) != StartupRefusal::None) return false;
    bool ran = false;
    const CheckerResult checker = RunInstallChecker(host, state.AppFolder, state.WindowsFolder, keys.InstallChecker, ran);
    if (!checker.allowed) {
        host.Ask(CheckerRefusalText(state.SetupWord), "警告", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!checker.message.empty()) host.Ask(checker.message, "情報", MB_OK | MB_ICONINFORMATION);
    return true;
}

} // namespace

int ExitCodeOf(const RunResult& result)
{
    switch (result.outcome) {
    case RunOutcome::Refused: return kExitRefused;
    case RunOutcome::Cancelled: return kExitCancelled;
    case RunOutcome::Failed: return kExitFatal;
    case RunOutcome::Completed: break;
    }
    if (result.failures > 0 || result.recordMissing) return kExitPartlyFailed;
    if (result.restarted) return kExitRestartInitiated;
    if (result.restartNeeded) return kExitRestartNeeded;
    return kExitSuccess;
}

void LogStartupFacts(const AppState& s, const CommandLine& cl, LogFile& log)
{
    std::string switches;
    for (const std::string& sw : cl.switches) switches += " " + sw;
    const std::string exe = RunningProgramPath();
    log.Write("Quillon Installer " + ReadFileVersion(exe) + " " + exe + " 役割 " + s.RunMode + " スイッチ" + switches);
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExA(&v)) v = {};
    log.Write("システム " + s.OsName + " (" + s.OsFamily + " " + std::to_string(v.dwMajorVersion) + "." +
              std::to_string(v.dwMinorVersion) + "." + std::to_string(v.dwBuildNumber) + ")");
    log.Write("プログラムのフォルダ " + s.AppFolder + " 作業フォルダ " + s.WorkFolder + " スクリプト " + s.ScriptFile);
    log.Write("Windows " + s.WindowsFolder + " System " + s.SystemFolder + " Temp " + s.TempFolder + " Program Files " +
              s.ProgramFilesFolder);
    for (const std::string& sw : cl.ignored) log.Write("スイッチ " + sw + " はこのプログラムでは何もしません");
}

std::string DefaultLogPath(const std::string& tempFolder)
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char name[64];
    wsprintfA(name, "QuillonSetup-%04u%02u%02u-%02u%02u%02u.log", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
              t.wSecond);
    return AddBackslash(tempFolder, "B") + name;
}

void KeepLogIfTelling(const AppState& state, LogFile& log, int exitCode, bool leftFiles)
{
    const std::string path = log.Path();
    log.Close();
    const bool succeeded = exitCode == kExitSuccess || exitCode == kExitRestartNeeded ||
                           exitCode == kExitRestartInitiated;
    if ((succeeded && !leftFiles) || path.empty() || state.WorkFolder.empty() ||
        path.compare(0, state.WorkFolder.size(), state.WorkFolder) != 0)
        return;
    MoveFileExA(path.c_str(), DefaultLogPath(state.TempFolder).c_str(),
                MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

int RunUnattended(AppState& state, const CommandLine& cl, const std::string& exePath, LogFile& log)
{
    UnattendedHost host(state, cl.Settings(log));
    const bool fine = PrepareStartup(state, cl.firstParameter, exePath, SystemFolderPlatform(), DetectWindowsVersion());
    if (!log.IsOpen() && !state.WorkFolder.empty()) log.Open(state.WorkFolder + "SETUP.LOG");
    LogStartupFacts(state, cl, log);

    int code = kExitSuccess;
    bool ran = false;
    RunResult result;
    if (!fine) {
        log.Write("致命的エラー: " + OneLine(state.ErrorLines));
        host.Ask(state.ErrorLines + "\r\n処理は続行できません。", "致命的エラー", MB_OK | MB_ICONSTOP);
        code = kExitFatal;
    } else {
        const GeneralKeys keys = ReadGeneralKeys(state.ScriptFile);
        const StartupConfig config = ConfigureStartup(state, keys);
        const bool installer = !state.IsUninstaller();
        if (installer) {
            const std::string folder = cl.dir.empty() ? config.folder : AddBackslash(cl.dir, "B");
            host.SetOptions(InstallOptions(config, folder));
            if (!InstallerMayGoOn(state, keys, folder, host)) code = kExitRefused;
        } else {
            if (!cl.dir.empty()) log.Write("/DIR はアンインストールでは使いません: " + cl.dir);
            WizardOptions o;
            o.folder = config.folder;
            const auto boxes = UninstallOptionBoxes(keys, state.UnSetupWord);
            for (int i = 0; i < 4; ++i) o.boxes[i] = boxes[i];
            host.SetOptions(o);
        }
        if (code == kExitSuccess) {
            if (cl.silent && !cl.verySilent && !host.CreateProgressWindow())
                log.Write("進行状況のウィンドウを作れません");
            ran = true;
            result = installer ? InstallRun(state, host) : UninstallRun(state, host);
            code = ExitCodeOf(result);
        }
    }
    log.Write("終了コード " + std::to_string(code));
    KeepLogIfTelling(state, log, code, result.leftOnPurpose > 0);
    state.WorkLocks.Release();
    RemoveWorkFolders(host, state.TempFolder);
    if (ran) NotifyShellOfChanges();
    return code;
}
