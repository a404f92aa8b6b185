// Preparation of an installation run and its checks before anything is written: the
// associations, the required space, the free space and the installation folder.
#include "install/InstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/FolderMacros.h"
#include "foundation/uStrOp.h"
#include "scripts/ScriptActions.h"
#include "services/FileOps.h"

#include <windows.h>

bool ReadFileSize(const std::string& path, std::int64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return true;
}

bool AddCountedSize(const std::string& path, std::int64_t& bytes, bool& sizeMode, bool needAge)
{
    std::int64_t size = 0;
    if ((needAge && FileAge(path) == -1) || !ReadFileSize(path, size)) {
        sizeMode = false;
        return false;
    }
    if (size < 0) {
        sizeMode = false;
        size = 0;
    } else if (size == 0) {
        size = 1;
    }
    bytes += size;
    return true;
}

void PrepareRun(InstallContext& run)
{
    AppState& s = run.state;
    s.MessageLog.clear();
    s.StepResult.clear();
    s.FailureLog.clear();
    s.RebootRequired = 0;
    run.options = run.host.Options();
    run.host.Log("インストール開始: フォルダ " + run.options.folder + " 自動上書き " +
                 (run.options.overwrite ? "あり" : "なし") + " ハイスピード " + (run.options.hiSpeed ? "あり" : "なし"));

    run.host.SetAbortEnabled(false);
    run.host.BeginRun(500);
    if (run.options.hiSpeed) s.StepDelay = 10;

    s.MessageLog = s.SetupWord + "を開始します．．．\r\n\r\n";
    run.Show();
    run.host.Pause(1000);
    // The greeting is only a passing word: the log starts empty.
    s.MessageLog.clear();
}

void GatherInformation(InstallContext& run)
{
    StageLine line(run, run.state.SetupWord + "の情報を作成しています．．．");
    run.associations = ReadRelateKeys(run.script);
    line.Close();
    run.Pace();
}

void ComputeRequiredSpace(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, s.SetupWord + "に必要な容量を調べています．．．");
    run.AbortCheck();
    run.Pace();
    for (int n = 1; const auto name = ReadCopySourceName(run.script, n); ++n) {
        ++run.entryCount;
        AddCountedSize(s.AppFolder + *name, run.copyTotalBytes, run.sizeMode, true);
    }
    run.host.Log("コピー対象 " + std::to_string(run.entryCount) + " 件、" + std::to_string(run.copyTotalBytes) +
                 " Byte" + (run.sizeMode ? "" : "（サイズ不明のものあり）"));
}

void CheckFreeSpace(InstallContext& run)
{
    if (!run.sizeMode) return;
    AppState& s = run.state;
    StageLine line(run, "ディスクの空き容量をチェックしています．．．");
    const std::string drive = DrivePart(run.options.folder);
    std::int64_t free = -1;
    if (!GetDiskFreeEx(drive, free)) GetDiskFree(drive, free);
    run.host.Log("空き容量 " + drive + " " + std::to_string(free) + " Byte");
    if (free <= run.copyTotalBytes) {
        std::string question;
        if (free != -1) {
            question = "ディスクの空き容量が不足しているため、エラーになる可能性があります。\r\nこのまま" +
                       s.SetupWord + "を続行しますか？";
            s.StepResult = "不足の可能性あり";
        } else {
            question = "ディスクの空き容量取得関数が失敗しました。\r\n" + s.SetupWord + "に必要なディスク容量は " +
                       std::to_string(run.copyTotalBytes) + "Byteです。\r\n空き容量があるようであれば、" + s.SetupWord +
                       "を続行してください。\r\n\r\n" + s.SetupWord + "を続行しますか？";
            s.StepResult = "関数失敗";
        }
        if (run.Ask(question, "空き容量チェックエラー", MB_YESNO | MB_ICONQUESTION, IDNO) == IDNO)
            run.StopRun(s.SetupWord + "を続行できませんでした。", s.SetupWord + "中止", RunOutcome::Refused);
    }
    line.Close();
    run.Pace();
}

void CheckInstallFolder(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, s.SetupWord + "フォルダをチェックしています．．．");
    run.AbortCheck();
    s.InstallFolder = AddBackslash(run.options.folder, "B");
    if (!FolderExists(s.InstallFolder)) {
        bool created = false;
        if (run.Ask(s.InstallFolder + "\r\n\r\nこのフォルダは存在しません。作成してもよろしいですか？", "フォルダ作成",
                    MB_YESNO | MB_ICONQUESTION, IDYES) == IDYES) {
            created = CreateFolderTree(s.InstallFolder) && FolderExists(s.InstallFolder);
            run.host.Log(std::string("フォルダ作成 ") + s.InstallFolder + (created ? " -> 成功" : " -> 失敗"));
            if (!created) {
                run.Ask(s.SetupWord + "フォルダの作成に失敗しました。\r\n\r\nプログラム作者へご報告ください。",
                        "致命的エラー", MB_OK | MB_ICONSTOP);
                s.StepResult = "作成失敗";
                run.StopRun(s.SetupWord + "を続行できませんでした。", s.SetupWord + "中止", RunOutcome::Failed);
            }
        }
        if (!created) run.StopRun(s.SetupWord + "を続行できませんでした。", s.SetupWord + "中止", RunOutcome::Refused);
    }
    s.InstallDrive = Left(s.InstallFolder, 2) + "\\";
}

void TakeInPreviousRecord(InstallContext& run)
{
    LoadPreviousRecord(run.record, run.state.InstallFolder, run.state.WorkFolder);
    run.host.SetAbortEnabled(true);
}
