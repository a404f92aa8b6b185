// The file stages of an uninstallation run: the installed files and the extra files
// with the decision table (shared counts, confirmations, components in the system's
// folders, files to leave, deletion at the next start), then the shortcuts and their
// group folders.
#include "uninstall/UninstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/uStrOp.h"
#include "services/FileOps.h"
#include "services/RestartOps.h"
#include "scripts/UninstallRecord.h"
#include "services/SharedComponents.h"
#include "uninstall/Containment.h"
#include "uninstall/DeletionQuestions.h"

#include <windows.h>

namespace {

bool Has(const std::string& flags, const char* flag)
{
    return PosNoCase(flag, flags) != 0;
}

bool InSystemFolders(const AppState& s, const std::string& path)
{
    const std::string upper = MapString(path, LCMAP_UPPERCASE);
    return PosNoCase(MapString(s.WindowsFolder, LCMAP_UPPERCASE), upper) != 0 ||
           PosNoCase(MapString(s.SystemFolder, LCMAP_UPPERCASE), upper) != 0;
}

// The shared-file question, unless an earlier "すべて削除" or "すべて保存" answers it.
std::string SharedAnswer(UninstallContext& run, const std::string& path)
{
    std::string& answer = run.deleteAnswer;
    if (answer != "Delete" && answer != "Save") {
        answer.clear();
        answer = run.host.AskDeletion(SharedFileQuestion(path));
        run.host.Log("共有ファイルの確認 " + path + " -> " + answer);
    }
    return answer;
}

// The decision table for one entry, number n of section. Returns the code to report
// (0: nothing) and adds "/L" to flags when the file is to stay, saying why; gone tells
// that a delete certainly removed it. The counts name the file as the record does, in
// the record's view (path); the file itself is removed where this process reaches it
// (file).
std::uint32_t Decide(UninstallContext& run, const char* section, int n, const std::string& path,
                     const std::string& file, std::string& flags, bool& gone, std::string& why)
{
    AppState& s = run.state;
    const int count = run.shared.Count(path);
    // The other build's installations count the same file in their own view.
    const int others = count != 0 || Has(flags, "/S") ? run.otherBuild.Count(path, s.SystemFolder) : 0;
    const std::string otherText = others ? " (他方のビット版 " + std::to_string(others) + ")" : "";
    // An interrupted run of this record counted the entry down already.
    const bool countedBefore = run.Read(kResumeSection, CountedDownKey(section, n)) == "CountedDown";
    if ((count != 0 || countedBefore) && Has(flags, "/S")) {
        int left = count;
        // The earlier run may have removed it already: reported as any file found gone.
        if (countedBefore && count == 0 && others == 0 && FileAge(file) == -1) return ERROR_FILE_NOT_FOUND;
        if (countedBefore) {
            run.host.Log("共有カウント " + path + " = " + std::to_string(left) + otherText + "（前回の実行で減算済み）");
        } else {
            // Marked before the count-down: a run killed in between leaves the count one
            // too high, which keeps a file, where one too low would offer to delete a
            // file another program still uses.
            if (!run.resumeFile.empty() && !run.countedDown.Mark(section, n))
                run.host.Log("再開用の記録に共有カウントの減算を記録できません " + path);
            left = run.shared.Change(path, false);
            run.host.Log("共有カウント " + path + " = " + std::to_string(left) + otherText);
        }
        // Other programs still use it: it stays by decision, which is no failure.
        if (left != 0 || others != 0) {
            flags += "/L";
            why = "他のプログラムが使っている共有ファイル（残り " + std::to_string(left + others) + "）";
            return 0;
        }
        const std::string answer = SharedAnswer(run, path);
        if (answer == "Delete" || answer == "Yes") return DeleteFiles(run.host, file, &gone);
        flags += "/L";
        why = "共有ファイルを残すと回答";
        return 0;
    }
    if (count != 0 || others != 0) {
        flags += "/L";
        why = "他のプログラムが数えている共有ファイル";
        return 0;
    }
    if (Has(flags, "/C")) {
        if (run.Ask(ConfirmQuestion(path), "ファイル削除の確認", MB_YESNO | MB_ICONQUESTION, IDNO) == IDNO) {
            flags += "/L";
            why = "削除の確認に「いいえ」";
            return 0;
        }
        return DeleteFiles(run.host, file, &gone);
    }
    if (Has(flags, "/L")) {
        why = "記録の指定（/L）";
        return 0;
    }
    if (IsComponentFile(path) && InSystemFolders(s, path)) {
        if (run.Ask(ComponentQuestion(path), "ファイル削除の確認", MB_YESNO | MB_ICONQUESTION, IDNO) == IDNO) {
            flags += "/L";
            why = "Windowsフォルダの DLL/OCX の削除の確認に「いいえ」";
            return 0;
        }
    }
    return DeleteFiles(run.host, file, &gone);
}

// Why the record's entry is not removed at all ("" when it may be): installed files and
// shortcuts never hold a wildcard, an extra-file pattern of wildcards alone never empties
// a protected folder, and no pattern may match one of the machine's own folders.
std::string Refusal(UninstallContext& run, const std::string& path, bool extraFile)
{
    if (!HasWildcard(path)) return {};
    if (!extraFile) return "ワイルドカードを含むため、削除しませんでした。";
    // Judged as the shell will read it: "..", "/", 8.3 names and trailing blanks resolved.
    const std::string resolved = ResolvePath(path);
    if ((IsBareWildcard(resolved) && run.Protected().Protects(PathFolder(resolved))) ||
        MatchesProtectedFolder(run.Protected(), resolved))
        return "Windowsやシステムなどの保護されたフォルダにかかわるため、削除しませんでした。";
    return {};
}

void RemoveEntry(UninstallContext& run, const RecordSectionInfo& section, int n, const std::string& entry)
{
    AppState& s = run.state;
    const bool extraFile = section.kind == SectionKind::PatternList;
    const std::string recorded = GetField(entry, ",", 1);
    const std::string path = run.OnDisk(recorded);
    std::string flags = GetField(entry, ",", 2);
    if (path.empty()) return;
    if (const std::string why = Refusal(run, path, extraFile); !why.empty()) {
        run.Refuse("<File> ", path, why);
        return;
    }
    std::string remark, why;
    bool gone = false;
    std::uint32_t r = Decide(run, section.name, n, recorded, path, flags, gone, why);
    run.LogResult("ファイル削除 " + path + (flags.empty() ? "" : " " + flags), r);
    if (!gone && FileAge(path) != -1) {
        if (Has(flags, "/L")) {
            run.LeaveOnPurpose(path, why);
        } else {
            if (r == 0) r = ERROR_ACCESS_DENIED;
            if (Has(flags, "/F")) {
                const bool scheduled = DeleteAtRestart(run.host, s.OsFamily, s.WindowsFolder, path);
                run.host.Log("再起動後に削除 " + path + (scheduled ? " -> 予約" : " -> 失敗"));
                remark = "(追加情報)このファイルはWindowsの再起動後に削除が試行されます。\r\n";
                if (scheduled) {
                    run.LeaveOnPurpose(path, "Windowsの再起動後に削除");
                    run.scheduledAtRestart = true;
                    // Still shown among the failures; for whoever started the run the
                    // restart completes the removal.
                    if (!extraFile) ++run.excusedFailures;
                }
            }
        }
    }
    // Extra files that are not there are no failure.
    if (extraFile || r == 0) return;
    run.Fail("<File> ", path, ErrorText(r) + remark);
}

} // namespace

void RemoveFiles(UninstallContext& run)
{
    const StageLine line(run, run.StageText("ファイルの"));
    // Relative names the shell meets from here on resolve in the temporary folder.
    SetCurrentDirectoryA(run.state.TempFolder.c_str());
    for (const RecordSectionInfo* section : {&kDeleteFile, &kAddDeleteFile}) {
        for (int n = 1;; ++n) {
            const std::string entry = run.ListEntry(*section, n);
            if (entry.empty()) break;
            RemoveEntry(run, *section, n, entry);
        }
    }
}

void RemoveShortcuts(UninstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, run.StageText("ショートカットの"));
    for (const std::string& recorded : run.ReadList(kDeleteShortCut)) {
        const std::string path = run.OnDisk(recorded);
        if (const std::string why = Refusal(run, path, false); !why.empty()) {
            run.Refuse("<ShortCut> ", path, why);
            continue;
        }
        const std::uint32_t r = DeleteFiles(run.host, path);
        run.LogResult("ショートカット削除 " + path, r);
        if (r != 0) run.Fail("<ShortCut> ", path, ErrorText(r));
        // The group folder goes when it is empty, never one of the shell's own folders.
        const std::string folder = PathFolder(path);
        bool shellFolder = false;
        for (const std::string* own : {&s.ProgramsFolder, &s.DesktopFolder, &s.StartupFolder, &s.SendToFolder,
                                       &s.CommonProgramsFolder, &s.CommonDesktopFolder, &s.CommonStartupFolder})
            shellFolder = shellFolder || folder == *own;
        if (!shellFolder && !run.Protected().Protects(folder)) RemoveFolder(run.host, folder, "");
    }
}
