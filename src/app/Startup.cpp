#include "app/Startup.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "foundation/FilePrim.h"

#include <windows.h>

namespace {

constexpr DWORD kMutexAllAccess = 0x1F0001;


} // namespace

SingleInstanceGuard::SingleInstanceGuard(const std::string& name)
{
    UniqueKernelHandle existing(OpenMutexA(kMutexAllAccess, FALSE, name.c_str()));
    if (existing) {
        anotherRuns_ = true;
        return;
    }
    mutex_.reset(CreateMutexA(nullptr, FALSE, name.c_str()));
}

bool IsUninstallerParameter(const std::string& firstParameter)
{
    return PathFileName(firstParameter) == "UNSETUP.INI";
}

std::string CreateWorkFolder(const std::string& tempFolder)
{
    std::string folder;
    for (int n = 1; n <= 99; ++n) {
        folder = tempFolder + "QSTMP" + std::to_string(n) + "\\";
        if (!FolderExists(folder)) {
            CreateFolderTree(folder);
            break;
        }
    }
    return folder;
}

bool PrepareStartup(AppState& state, const std::string& firstParameter,
                    const std::string& exePath, const FolderPlatform& platform,
                    const WindowsVersion& version)
{
    state.ErrorLines.clear();
    state.TitlePending = state.EulaPending = state.ReadmePending = state.OptionsPending = 0;
    state.CheckerDone = 0;

    state.OsFamily = version.OsFamily;
    state.OsName = version.OsName;

    SetStartFolders(state, exePath, platform);
    state.ErrorLines += DiscoverFolders(state, state.OsFamily, platform);
    state.InstallFolder = "(App)";

    const bool uninstaller = IsUninstallerParameter(firstParameter);
    state.RunMode = uninstaller ? "UNSETUP" : "SETUP";

    state.WorkFolder = CreateWorkFolder(state.TempFolder);
    // The install run takes the uninstaller it stores from this copy; a failure shows then.
    CopyFileReplace(state.AppFolder + PathFileName(exePath), state.WorkFolder + "SETUPQ.EXE");

    const std::string source = uninstaller ? firstParameter : state.AppFolder + "SETUP.INI";
    state.ScriptFile = state.WorkFolder + (uninstaller ? "UNSETUP.INI" : "SETUP.INI");
    // A reused QSTMP99 may hold another run's script; it must not pass for ours.
    DeleteFileA(state.ScriptFile.c_str());
    if (uninstaller || FileAge(source) != -1) CopyFileReplace(source, state.ScriptFile);
    if (FileAge(state.ScriptFile) == -1)
        state.ErrorLines += "【致命的エラー → iniファイル読み込み失敗】\r\n";

    return state.ErrorLines.empty();
}

StartupTexts StartupPageTexts(const AppState& state)
{
    StartupTexts t;
    t.titleA2 = "Quillon Installer(on " + state.OsName + ")";
    if (!state.ErrorLines.empty()) {
        t.message = state.ErrorLines + "\r\n" + "処理は続行できません。";
        t.eventCaption = "処理開始(&S)";
        t.endCaption = "終了(&E)";
    }
    return t;
}
