// The start of an uninstallation run and its stages after the files: folders, registry
// keys, associations, the installed-programs entry and the installation folder.
#include "uninstall/UninstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/Handles.h"
#include "foundation/IniDocument.h"
#include "foundation/uStrOp.h"
#include "scripts/UninstallRecord.h"
#include "services/FileOps.h"
#include "services/Launch.h"
#include "services/Registry.h"
#include "uninstall/Containment.h"

#include <windows.h>

void UninstallContext::Fail(const char* tag, const std::string& path, const std::string& errorLine)
{
    AddFailure(tag, path, errorLine);
    state.StepResult = "一部失敗";
}

void UninstallContext::Refuse(const char* tag, const std::string& path, const std::string& why)
{
    host.Log("削除を拒否 " + path + "（" + why + "）");
    Fail(tag, path, why + "\r\n");
}

void UninstallContext::LeaveOnPurpose(const std::string& path, const std::string& why)
{
    // Known by its long names, as the folder walk finds it. Only a level with "~" can be
    // an 8.3 name; resolving asks for every level, each a folder search (over a
    // millisecond a file in a folder of 200), so a path without one is taken as it is.
    // A short name without "~" (set by hand) then keeps its folder reported, never more.
    const std::string full = FullPath(path);
    const std::string& known = full.empty() || full.find('~') != std::string::npos ? ResolvePath(path) : full;
    leftOnPurpose_[MapString(known, LCMAP_UPPERCASE)] = why;
    host.Log("残すファイル " + path + "（" + why + "）");
}

bool UninstallContext::HoldsOnlyWhatWasLeft(const std::string& folder) const
{
    if (leftOnPurpose_.empty()) return false;
    std::vector<std::string> pending{AddBackslash(ResolvePath(folder), "B")};
    while (!pending.empty()) {
        const std::string current = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAA d{};
        const UniqueFind find(FindFirstFileA((current + "*").c_str(), &d));
        if (!find) return false;
        do {
            const std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) pending.push_back(current + name + "\\");
            else if (!leftOnPurpose_.count(MapString(current + name, LCMAP_UPPERCASE))) return false;
        } while (FindNextFileA(find.get(), &d));
    }
    return true;
}

namespace {

// The pieces of patterns that stay inside folder; a piece leading out of it ("..",
// another root) would empty the folders around it and is dropped. A piece that stays
// inside the installation folder may still climb out of a folder below it, so each
// folder is judged on its own.
std::string ContainedPatterns(UninstallContext& run, const std::string& folder, const std::string& patterns)
{
    std::vector<std::string> refused;
    const std::string inside = PatternsInside(folder, patterns, refused);
    for (const std::string& piece : refused)
        run.Refuse("<File> ", AddBackslash(folder, "B") + piece,
                   "フォルダの外を指すパターンのため、削除しませんでした。");
    return inside;
}

// A folder that cannot go only because it holds files left on purpose is no failure of
// the run for whoever started it; the windowed run still shows it.
void ExcuseFolderOfLeftFiles(UninstallContext& run, const std::string& folder, std::uint32_t r)
{
    if ((r == ERROR_DIR_NOT_EMPTY || r == ERROR_ACCESS_DENIED) && run.HoldsOnlyWhatWasLeft(folder)) {
        ++run.excusedFailures;
        run.host.Log("フォルダ " + folder + " は残したファイルのために残ります");
    }
}

// Resume copies of other records that nothing can start again: the installed-programs
// entry they name is gone, or no longer starts their record.
void ForgetUnreachableResumeCopies(UninstallContext& run)
{
    const std::string windows = AddBackslash(run.state.WindowsFolder, "B");
    WIN32_FIND_DATAA d{};
    const UniqueFind find(FindFirstFileA((windows + "QURESUME*.INI").c_str(), &d));
    if (!find) return;
    std::vector<std::string> unreachable;
    do {
        const std::string copy = windows + d.cFileName;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ||
            MapString(copy, LCMAP_UPPERCASE) == MapString(run.resumeFile, LCMAP_UPPERCASE))
            continue;
        const IniDocument record = IniDocument::Load(copy);
        const std::string key = record.Get("UnSetupRegistryKey", "Key", "");
        const std::string recordPath = record.Get(kResumeSection, "Record", "");
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        std::string command;
        try {
            if (!key.empty() && registry.OpenKey(key, false)) command = registry.ReadString("UninstallString");
        } catch (const RegistryError&) {
            command.clear();
        }
        const bool reachable = !command.empty() &&
                               (recordPath.empty() || PosNoCase("\"" + recordPath + "\"", command) != 0);
        if (!reachable) unreachable.push_back(copy);
    } while (FindNextFileA(find.get(), &d));
    for (const std::string& copy : unreachable) {
        const bool deleted = DeleteFileA(copy.c_str()) != FALSE;
        run.host.Log("再開できない記録 " + copy + (deleted ? " -> 削除" : " -> 削除できません"));
    }
}

// How a key deletion ended, for its log line.
const char* DeletionWord(KeyDeletion deletion)
{
    switch (deletion) {
    case KeyDeletion::Gone: return " -> 成功";
    case KeyDeletion::Protected: return " -> 保護されているため削除しません";
    case KeyDeletion::Stays: break;
    }
    return " -> 削除できません";
}

} // namespace

bool StartUninstall(UninstallContext& run)
{
    AppState& s = run.state;
    const std::string& u = s.UnSetupWord;
    s.MessageLog.clear();
    s.StepResult.clear();
    s.FailureLog.clear();
    s.RebootRequired = 0;
    s.MessageLog = u + "を行っています。\r\n\r\n【処理状況】\r\n";

    const WizardOptions o = run.host.Options();
    const auto& box = o.boxes;
    if (box[0].checked) {
        // The delete-all layout shows this box alone.
        if (box[1].visible || box[2].visible || box[3].visible) {
            run.patterns += "*.INI|";
        } else {
            run.patterns.clear();
            run.deleteAll = true;
        }
    }
    if (box[1].checked) run.patterns += "*.GID|";
    if (box[2].checked) run.patterns += ContainedPatterns(run, o.folder, box[2].caption);
    if (box[3].checked) run.patterns += ContainedPatterns(run, o.folder, box[3].caption);
    run.host.Log("アンインストール開始: フォルダ " + o.folder + " 追加削除 " + run.patterns +
                 (run.deleteAll ? " 全ファイル・フォルダ" : ""));

    // Removed in the views of the build that made the record, whichever build runs now.
    run.view = RecordBits(run.Read("UnSetupRegistryKey", "View"));
    run.shared.SetView(run.view);
    run.otherBuild.SetView(run.view);
    if (ViewFlag(run.view) != 0)
        run.host.Log(std::to_string(run.view) + "ビット版の記録: そのレジストリとシステムフォルダで削除");

    run.host.BeginRun(0);
    run.Show();
    s.InstallFolder = o.folder;
    if (s.InstallFolder.empty()) {
        run.Ask(u + "フォルダが不明です。\r\n" + u + "は続行できません。", "致命的エラー", MB_OK | MB_ICONSTOP);
        // Nothing was removed; the program ends instead of waiting behind a hidden wizard.
        run.host.EndRun();
        return false;
    }
    // Until the run has ended, a copy of the record stays where the same UninstallString
    // finds it again, though the record deletes itself early on.
    if (!s.RecordFile.empty()) {
        run.resumeFile = ResumeRecordPath(s.WindowsFolder, s.RecordFile);
        if (CopyFileReplace(s.ScriptFile, run.resumeFile) != 0 || !NameResumeRecord(run.resumeFile, s.RecordFile))
            run.host.Log("再開用の記録 " + run.resumeFile + " を作成できません");
        run.countedDown = CountDownMarks(run.resumeFile);
    }
    ForgetUnreachableResumeCopies(run);
    return true;
}

void ForgetProgramId(UninstallContext& run)
{
    AppState& s = run.state;
    s.ProgramId = run.Read("ProgramID", "ID");
    if (s.ProgramId.empty()) return;
    const std::string registerFile = s.WindowsFolder + "QUSET98.INI";
    const bool removed = WritePrivateProfileStringA(s.ProgramId.c_str(), nullptr, nullptr, registerFile.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, registerFile.c_str());
    run.host.Log("QUSET98.INI [" + s.ProgramId + "] を削除" + (removed ? " -> 成功" : " -> 失敗"));
}

void RunBeforeUninstall(UninstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, s.UnSetupWord + "処理前のプログラム実行．．．", "なし");
    const std::string value = run.Read("BeforeUnInstall", "File");
    if (!value.empty()) {
        std::string path = AddBackslash(s.InstallFolder, "B") + RemoveBackslash(value, "T");
        std::string parameters;
        if (PosNoCase(",", path)) {
            parameters = GetField(path, ",", 2);
            path = GetField(path, ",", 1);
        }
        // A folder would open a window of the shell that no one may ever close: the run
        // would wait for it for good.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        const int result = folder ? ERROR_DIRECTORY : RunAndWait(run.host, path, parameters);
        s.StepResult = result == -1 ? "完了" : "失敗";
        run.host.Log("実行 " + path + " " + parameters +
                     (result == -1 ? " -> 終了" : " -> 起動失敗 " + std::to_string(result)));
    }
}

void RemoveFolders(UninstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, run.StageText("フォルダの"));
    const std::vector<std::string> folders = run.ReadList(kDeleteFolder);
    // Extra-file patterns act only below an installation folder that may be emptied.
    const bool patternsApply = !run.Protected().Protects(s.InstallFolder);
    // Each resolution reads the folders of a path: the installation folder is resolved
    // once, and again only after a removal here took it or a folder holding it.
    std::string installResolved;
    bool installKnown = false;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const std::string folder = run.OnDisk(*it);
        const std::string resolved = ResolvePath(folder);
        if (run.Protected().Protects(folder, resolved)) {
            // The installation folder's own fate is decided, silently, at the end.
            if (MapString(AddBackslash(folder, "B"), LCMAP_UPPERCASE) == MapString(s.InstallFolder, LCMAP_UPPERCASE))
                run.host.Log("フォルダ " + folder + " は保護されているため削除しません");
            else
                run.Refuse("<Folder> ", folder, "Windowsやシステムなどの保護されたフォルダのため、削除しませんでした。");
            continue;
        }
        // Below the installation folder as written, and as the file system reads it.
        bool inside = PosNoCase(s.InstallFolder, folder) != 0;
        if (inside) {
            if (!installKnown) installResolved = ResolvePath(s.InstallFolder);
            installKnown = true;
            inside = IsInsideFolder(resolved, installResolved);
        }
        const std::string patterns = inside && patternsApply ? ContainedPatterns(run, folder, run.patterns) : "";
        std::uint32_t r = RemoveFolder(run.host, folder, patterns);
        if (r == 0 && installKnown && IsInsideFolder(installResolved, resolved)) installKnown = false;
        run.LogResult("フォルダ削除 " + folder, r);
        // In delete-all mode the installation folder goes as a whole at the end.
        if (inside && run.deleteAll) r = 0;
        if (r != 0) {
            run.Fail("<Folder> ", folder, ErrorText(r));
            ExcuseFolderOfLeftFiles(run, folder, r);
        }
    }
}

void RemoveRegistryKeys(UninstallContext& run)
{
    const StageLine line(run, run.StageText("レジストリの"));
    for (const std::string& value : run.ReadList(kDeleteRegistry)) {
        const RegistryPath path = SplitUninstallRegistryPath(value);
        run.host.Log("レジストリ削除 " + value + DeletionWord(DeleteRegistryKey(path.rootToken, path.keyPath, run.view)));
    }
}

// Extensions and their classes are keys both views share (Windows 7 and later), so
// both builds find them without a view.
void RestoreAssociations(UninstallContext& run)
{
    const StageLine line(run, run.StageText("関連付けの"));
    for (const std::string& value : run.ReadList(kRestoreRelate)) {
        const std::size_t comma = PosNoCase(",", value);
        const std::string extension = comma ? Left(value, static_cast<int>(comma) - 1) : value;
        std::string previous = comma ? Mid(value, static_cast<int>(comma) + 1) : std::string();
        // No extension, or one that is a path: it names no association of ours.
        if (extension.empty() || PosNoCase("\\", extension)) {
            run.host.Log("関連付け " + value + " は不正なため無視");
            continue;
        }
        const std::string key = "." + extension;
        TRegistry registry;
        registry.SetRootKey(HKEY_CLASSES_ROOT);
        bool restored = false;
        if (registry.KeyExists(key) && !previous.empty()) {
            try {
                restored = registry.OpenKey(key, false);
                if (restored) registry.WriteString("", previous);
            } catch (const RegistryError&) {
                // Nothing is reported to the user here; the log says it.
                restored = false;
            }
        } else {
            previous.clear();
        }
        const std::string outcome = previous.empty()
                                        ? " を削除" + std::string(DeletionWord(DeleteRegistryKey("(Class)", key)))
                                        : " を " + previous + " に戻す" + (restored ? " -> 成功" : " -> 失敗");
        // The class stays when the extension pointed to it before the installation.
        const std::string cls = extension + "_auto_file";
        if (MapString(previous, LCMAP_UPPERCASE) != MapString(cls, LCMAP_UPPERCASE)) DeleteRegistryKey("(Class)", cls);
        run.host.Log("関連付け ." + extension + outcome);
    }
}

void RemoveInstalledEntry(UninstallContext& run)
{
    const StageLine line(run, "「プログラム(アプリケーション)の追加と削除」の処理．．．");
    const std::string key = run.Read("UnSetupRegistryKey", "Key");
    // Only an entry of the list itself: a damaged record must not name any other key.
    const std::string list = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string relative = RemoveBackslash(key, "T");
    if (IsInsideFolder(relative, list) && !IsProtectedRegistryKey(relative)) {
        run.host.Log("「追加と削除」の登録を削除 " + key + DeletionWord(DeleteRegistryKey("(Local)", key, run.view)));
    } else if (!key.empty()) {
        run.host.Log("「追加と削除」の登録 " + key + " は一覧の外のため削除しません");
    }
}

void RemoveInstallFolder(UninstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, s.SetupWord + "フォルダの" + s.UnSetupWord + "処理．．．");
    std::uint32_t r = 0;
    if (run.Protected().Protects(s.InstallFolder)) {
        run.host.Log("フォルダ " + s.InstallFolder + " は保護されているため削除しません");
    } else {
        r = RemoveFolder(run.host, s.InstallFolder, run.deleteAll ? std::string("*.*|") : run.patterns);
        run.LogResult("フォルダ削除 " + s.InstallFolder, r);
    }
    if (r != 0) {
        s.FailureLog += "<SetupFolder> " + s.InstallFolder + "\r\n";
        if (r == ERROR_DIR_NOT_EMPTY || r == ERROR_ACCESS_DENIED) {
            s.FailureLog += run.deleteAll ? "全ファイル・フォルダの削除を試みましたが、エラーが発生したため、"
                                          : "ファイル・フォルダが残っているため、";
            s.FailureLog += s.SetupWord +
                            "フォルダを削除できませんでした。エクスプローラなどから、直接削除してください。\r\n\r\n";
            s.StepResult = "一部失敗";
        } else {
            s.FailureLog += ErrorText(r) + "\r\n";
        }
        ++run.failureCount;
        ExcuseFolderOfLeftFiles(run, s.InstallFolder, r);
    }
}
