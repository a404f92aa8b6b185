#include "app/Startup.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "scripts/UninstallRecord.h"
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

bool IsPlainFolder(const std::string& path)
{
    const DWORD a = GetFileAttributesA(RemoveBackslash(path, "B").c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string CreateWorkFolder(const std::string& tempFolder)
{
    std::string folder;
    for (int n = 1; n <= 99; ++n) {
        folder = tempFolder + "QSTMP" + std::to_string(n) + "\\";
        // Anything of that name, a file or a link planted there included, is passed by;
        // only a folder this run made itself becomes the work folder.
        if (GetFileAttributesA(RemoveBackslash(folder, "B").c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!FolderExists(folder) && CreateFolderTree(folder) && IsPlainFolder(folder)) return folder;
    }
    return folder;
}

namespace {

// Opens a copy for reading only, denying writers and deleters.
std::shared_ptr<UniqueFile> Hold(const std::string& path)
{
    auto file = std::make_shared<UniqueFile>(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return *file ? file : nullptr;
}

} // namespace

bool PrepareStartup(AppState& state, const std::string& firstParameter, const std::string& exePath,
                    const FolderPlatform& platform, const WindowsVersion& version)
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
    state.RecordFile = uninstaller ? firstParameter : std::string();

    state.WorkFolder = CreateWorkFolder(state.TempFolder);
    state.ProgramFile = state.AppFolder + PathFileName(exePath);
    state.ScriptFile = state.WorkFolder + (uninstaller ? "UNSETUP.INI" : "SETUP.INI");
    state.WorkLocks.Release();
    // A work folder that is a planted file or link is never written into: without the
    // copies the fatal line below ends the start-up.
    if (IsPlainFolder(state.WorkFolder)) {
        // The install run takes the uninstaller it stores from this copy; a failure shows then.
        const std::string programCopy = state.WorkFolder + "SETUPQ.EXE";
        CopyFileReplace(state.ProgramFile, programCopy);
        state.WorkLocks.program = Hold(programCopy);
        state.WorkLocks.programIsThisProgram = state.WorkLocks.program && SameFileBytes(programCopy, state.ProgramFile);
        std::string source = uninstaller ? firstParameter : state.AppFolder + "SETUP.INI";
        // An uninstallation that was interrupted goes on from the copy it kept, which also
        // knows what that run counted down already; the record may have deleted itself.
        // (An installation into the folder since then removed the copy with the record.)
        const std::string resume = ResumeRecordPath(state.WindowsFolder, firstParameter);
        if (uninstaller && FileAge(resume) != -1) source = resume;
        // A reused QSTMP99 may hold another run's script; it must not pass for ours.
        DeleteFileA(state.ScriptFile.c_str());
        if (uninstaller || FileAge(source) != -1) CopyFileReplace(source, state.ScriptFile);
        state.WorkLocks.script = Hold(state.ScriptFile);
    }
    if (FileAge(state.ScriptFile) == -1 || !state.WorkLocks.script)
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
