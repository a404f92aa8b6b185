// The stages that put files on the machine: the script's folders, then the copy list
// with its disk changes, compressed sources, overwrite rules, shared counts,
// registration and locked targets.
#include "install/InstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/LastError.h"
#include "foundation/uStrOp.h"
#include "scripts/ScriptActions.h"
#include "services/FileOps.h"
#include "services/RestartOps.h"
#include "services/RunLog.h"
#include "services/SharedComponents.h"

#include <windows.h>

namespace {

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The gauge: bytes while every source could be sized, else entries.
int Percent(const InstallContext& run, int entry, std::int64_t extraBytes = 0)
{
    if (run.sizeMode) {
        if (run.copyTotalBytes <= 0) return 0;
        return static_cast<int>((run.copiedBytes + extraBytes) * 100 / run.copyTotalBytes);
    }
    return run.entryCount > 0 ? static_cast<int>(static_cast<std::int64_t>(entry) * 100 / run.entryCount) : 0;
}

// Asks for the next disk until its source is there. False when the user cancelled.
bool RequestDisk(InstallContext& run, const std::string& source)
{
    ++run.diskNumber;
    do {
        // Nobody can change a disk: unattended, the run goes on only when the files of
        // all disks lie together already.
        const int unattended = FileAge(source) != -1 ? IDOK : IDCANCEL;
        const int answer = run.Ask(std::to_string(run.diskNumber) + "枚目のディスクに交換してください。",
                                   "ディスク交換", MB_OKCANCEL | MB_ICONINFORMATION, unattended);
        if (answer != IDOK) return false;
    } while (FileAge(source) == -1);
    return true;
}

// Whether an existing target is replaced: the question, or with automatic overwrite
// only by a source that is newer in DOS file ages.
bool DecideOverwrite(InstallContext& run, const std::string& source, const std::string& target)
{
    const std::int64_t targetAge = FileAge(target);
    if (targetAge == -1) return true;
    if (!run.options.overwrite) {
        return run.Ask(target + "\r\n\r\nこのファイルは既に存在します。\r\n上書きしてもよろしいですか？", "上書き確認",
                       MB_YESNO | MB_ICONQUESTION, IDNO) != IDNO;
    }
    return FileAge(source) > targetAge;
}

// Adds the source's size to the copied bytes while progress is measured in bytes.
void CountCopiedBytes(InstallContext& run, const std::string& source)
{
    if (!run.sizeMode) return;
    if (!AddCountedSize(source, run.copiedBytes, run.sizeMode, false))
        run.Ask("ファイルサイズの取得に失敗したため、進行状況の表示方法を変更します。", "内部エラー",
                MB_OK | MB_ICONEXCLAMATION);
}

// Keeps the gauge moving and the windows alive through a long copy.
CopyProgress GaugeProgress(InstallContext& run, int entry)
{
    return [&run, entry](std::int64_t copied, std::int64_t) {
        run.host.ShowCounter(run.processedCount, run.entryCount, Percent(run, entry, copied));
        run.host.ProcessMessages();
    };
}

std::uint32_t CopyOne(InstallContext& run, int entry, const std::string& source, const std::string& target)
{
    return CopyFileReplace(source, target, GaugeProgress(run, entry));
}

// A target that is not there yet is copied without the overwrite rules, which would only
// find it missing and copy. The copy itself finds that out: a separate lookup of a
// missing name makes Wine read the whole folder, once more per file than the copy does.
// False, with nothing done, when the target is there (or the copy was refused at once).
bool CopyToMissingTarget(InstallContext& run, int entry, const std::string& source, const std::string& target,
                         std::uint32_t& result)
{
    const std::uint32_t r = CopyFileToNewName(source, target, GaugeProgress(run, entry));
    if (r == ERROR_FILE_EXISTS || r == ERROR_ALREADY_EXISTS || r == ERROR_ACCESS_DENIED) return false;
    result = r;
    return true;
}

void CopyEntryFile(InstallContext& run, int n, const CopyEntry& e)
{
    AppState& s = run.state;
    std::string source = e.source;
    std::string target = e.target;

    if (e.diskChange && !RequestDisk(run, source)) {
        run.host.Log("ディスク交換: 取り消し");
        run.StopRun(s.SetupWord + "を続行できませんでした。", "致命的エラー", RunOutcome::Cancelled);
    }

    if (FileAge(source) == -1) {
        run.Show("【コピー元】" + source + "\r\n【コピー先】" + target +
                 "\r\nファイルが存在しないためコピーをスキップしています．．．");
        run.AbortCheck();
        run.host.Log("コピー元なし " + source);
        run.AddFailure("<File> ", source, "コピー元のファイルが見つかりません。\r\n");
        s.StepResult = "一部失敗";
        ++run.processedCount;
        return;
    }

    const std::string compressedName = e.compressed ? PathFileName(source) : std::string();
    if (e.compressed) {
        const std::string answer = ExpandCompressed(run.host, source, target, s.TempFolder);
        source = GetField(answer, ",", 1);
        target = GetField(answer, ",", 2);
    }

    run.Show("【コピー元】" + PathFileName(source) + "\r\n【コピー先】" + target + "\r\n");
    run.AbortCheck();

    bool copy = true;
    std::uint32_t result = 0;
    // A shared entry is counted before the copy, which must come after the count.
    if (e.shared || !CopyToMissingTarget(run, n, source, target, result)) {
        copy = DecideOverwrite(run, source, target);
        if (e.shared) {
            // Counted before the copy and whatever the decision: the file is in use by
            // this installation from now on.
            const int count = run.shared.Change(target, true, run.otherBuild.Count(target, s.SystemFolder));
            run.host.Log("共有カウント " + target + " = " + std::to_string(count));
        }
        if (e.overwrite) copy = true;
        result = copy ? CopyOne(run, n, source, target) : 0;
    }
    ++run.processedCount;
    run.LogResult(copy ? "コピー " + source + " -> " + target : "コピーしない（既存） " + target, result);

    if (e.registerIt && FileAge(target) != -1) {
        const bool registered = RegisterComponent(run.host, s.RunMode, target, true);
        run.host.Log(std::string("登録 ") + target + (registered ? " -> 成功" : " -> 失敗"));
    }

    if (result == 0) {
        run.record.DeleteFile.Add(target + e.flagsText);
    } else if (result == ERROR_SHARING_VIOLATION) {
        run.lockedFileDeferred = true;
        const bool scheduled = ReplaceAtRestart(run.host, s.OsFamily, s.WindowsFolder, source, target);
        run.host.Log(std::string("再起動後に置換 ") + target + (scheduled ? " -> 予約" : " -> 失敗"));
        run.record.DeleteFile.Add(target + e.flagsText);
    } else {
        run.AddFailure("<File> ", target, ErrorText(result));
        s.StepResult = "一部失敗";
    }

    if (e.compressed) {
        DeleteFiles(run.host, source);
        source = s.AppFolder + compressedName;
    }
    CountCopiedBytes(run, source);
}

} // namespace

void CreateFolders(InstallContext& run)
{
    AppState& s = run.state;
    StageLine line(run, "フォルダを作成しています．．．");
    for (const std::string& path : ReadMakeFolders(run.Folders(), run.script)) {
        run.Show("【作成中】 -> " + path);
        run.AbortCheck();
        std::uint32_t error = CreateDirectoryA(path.c_str(), nullptr) ? 0 : LastErrorOr();
        // An existing folder counts as made; a file of that name does not.
        if (error == ERROR_ALREADY_EXISTS && IsFolder(path)) error = 0;
        run.LogResult("フォルダ作成 " + path, error);
        if (error == 0) {
            run.record.DeleteFolder.Add(path);
        } else {
            run.AddFailure("<Folder> ", path, ErrorText(error));
            s.StepResult = "一部失敗";
        }
        run.Pace();
    }
    line.Close();
    run.host.SetCounterVisible(true);
}

void CopyFiles(InstallContext& run)
{
    AppState& s = run.state;
    StageLine line(run, "ファイルをコピーしています．．．");
    for (int n = 1; const auto entry = ReadCopyEntry(run.Folders(), run.script, n); ++n) {
        CopyEntryFile(run, n, *entry);
        run.host.ShowCounter(run.processedCount, run.entryCount, Percent(run, n));
        run.host.ProcessMessages();
        run.AbortCheck();
        run.Pace();
    }
    if (run.lockedFileDeferred)
        s.StepResult = PosNoCase("一部失敗", s.StepResult) ? "一部失敗・ロックファイルあり" : "ロックファイルあり";
    line.Close();
    run.host.SetCounterVisible(false);
    // The record deletes itself when the uninstaller is done.
    run.record.DeleteFile.Add(s.InstallFolder + "UNSETUP.INI");
}
