// The closing steps of an installation run: the uninstaller copy, the program-ID
// register, the uninstall record with the installed-programs entry, the failure
// details, the completion text and the completion page with its choices.
#include "install/InstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/FolderMacros.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "scripts/InstalledEntry.h"
#include "scripts/ScriptActions.h"
#include "services/Launch.h"
#include "services/RunLog.h"

#include <windows.h>

#include <set>

namespace {

bool SetupOnly(const AppState& s)
{
    return PosNoCase("Setup Only.", s.UnSetupTitle) != 0;
}

void CopyUninstaller(InstallContext& run)
{
    AppState& s = run.state;
    const std::string source = s.WorkFolder + "SETUPQ.EXE";
    const std::string target = s.WindowsFolder + "UNQUILLN.EXE";
    const std::int64_t targetAge = FileAge(target);
    if (SetupOnly(s) && targetAge == -1) return;
    if (FileAge(source) <= targetAge) {
        run.host.Log("アンインストーラ " + target + " は最新（コピーしない）");
        return;
    }
    // The work folder lies where other programs of the user may write: the copy that
    // becomes the uninstaller must be this very program, as start-up found it (held since).
    const std::uint32_t result = s.WorkLocks.programIsThisProgram ? CopyFileReplace(source, target) : ERROR_INVALID_DATA;
    run.LogResult("アンインストーラのコピー " + target, result);
    if (result != 0) run.AddFailure("<SetupFile> ", target, ErrorText(result));
}

// The size of the files the record names, each counted once, in KB rounded up.
std::uint32_t InstalledKilobytes(const RecordLists& record)
{
    std::set<std::string> seen;
    std::int64_t bytes = 0;
    for (const auto* list : {&record.DeleteFile.current, &record.DeleteFile.earlier}) {
        for (const std::string& entry : *list) {
            const std::string path = GetField(entry, ",", 1);
            std::int64_t size = 0;
            if (seen.insert(MapString(path, LCMAP_UPPERCASE)).second && ReadFileSize(path, size)) bytes += size;
        }
    }
    const std::int64_t kb = (bytes + 1023) / 1024;
    return static_cast<std::uint32_t>(kb > 0xFFFFFFFFll ? 0xFFFFFFFFll : kb);
}

} // namespace

void RecordInstallation(InstallContext& run)
{
    AppState& s = run.state;
    // An abort confirmed after the last stage's check (in its pause, or in a stage with
    // nothing to do) is honoured here, before the button goes: the progress window is
    // already closed, and nobody could press "次へ" on it.
    run.AbortCheck();
    // The dots come with the result word; until then they are shown behind the line.
    const StageLine line(run, s.UnSetupWord + "情報を更新しています", "．．．完了");
    run.host.ShowProgress(s.MessageLog + "．", "");
    run.host.SetAbortEnabled(false);

    CopyUninstaller(run);
    run.host.ShowProgress(s.MessageLog + "．．", "");

    if (!s.ProgramId.empty()) {
        const bool written = WriteIniString(s.ProgramId, "Folder", s.InstallFolder, s.WindowsFolder + "QUSET98.INI");
        run.host.Log("QUSET98.INI [" + s.ProgramId + "] Folder=" + s.InstallFolder + (written ? " -> 成功" : " -> 失敗"));
    }
    run.host.ShowProgress(s.MessageLog + "．．．", "");

    if (!SetupOnly(s)) {
        RecordTexts texts;
        texts.InstallFolder = s.InstallFolder;
        texts.SetupWord = s.SetupWord;
        texts.UnSetupWord = s.UnSetupWord;
        texts.UnSetupTitle = s.UnSetupTitle;
        texts.ProgramId = s.ProgramId;
        texts.MessageLog = s.MessageLog;
        ReadRecordScriptTexts(run.script, texts);
        InstalledEntry entry = ReadInstalledEntry(run.script, s.UnSetupTitle, s.WindowsFolder + "UNQUILLN.EXE",
                                                  s.InstallFolder + "UNSETUP.INI");
        entry.EstimatedSizeKb = InstalledKilobytes(run.record);
        entry.InstallLocation = s.InstallFolder;
        const std::string written = WriteRecord(run.host, run.record, texts, entry);
        run.recordMissing = written != s.InstallFolder + "UNSETUP.INI";
        // A removal of the earlier installation that was interrupted is over: this record
        // replaces the one it would have resumed.
        if (!written.empty()) DeleteFileA(ResumeRecordPath(s.WindowsFolder, s.InstallFolder + "UNSETUP.INI").c_str());
        run.host.Log("アンインストール情報 " +
                     (written.empty() ? std::string("-> 作成できませんでした") : written + " -> 成功"));
    }
}

void OfferFailureDetails(InstallContext& run)
{
    if (run.failureCount == 0) return;
    if (run.Ask("フォルダの作成・ファイルのコピーで、一部の処理が失敗しました。\r\n詳細を表示しますか？", "警告",
                MB_YESNO | MB_ICONEXCLAMATION, IDNO) == IDYES)
        run.host.ShowFailureDetails("作成・コピー処理失敗　詳細表示", run.state.FailureLog);
}

void ShowCompletion(InstallContext& run, RunResult& result)
{
    AppState& s = run.state;
    const std::string& w = s.SetupWord;
    s.MessageLog += "\r\n【処理完了】\r\n";
    if (!SetupOnly(s))
        s.MessageLog += "　プログラムの" + s.UnSetupWord +
                        "は、「プログラム(アプリケーション)の追加と削除」から行うことができます。\r\n";
    s.MessageLog += "　「次へ(N)」をクリックして、" + w + "を完了してください。\r\n";
    run.Show();
    run.host.WaitForNext();

    const ExecuteEntry p = ReadExecuteFile(run.Folders(), run.script);
    std::string text = w;
    const bool restart = p.reboot || run.lockedFileDeferred;
    if (restart) {
        s.RebootRequired = 1;
        text = RunContext::RestartText(w);
    } else {
        s.RebootRequired = 0;
        text += "を完了しました。";
    }
    if (!p.program.empty()) {
        text += "\r\n\r\n【インストーラ終了後、以下のプログラムが実行されます。】\r\n\r\n";
        text += p.useCreateProcess ? "(CreateProcess APIを利用します。)" : "(ShellExecute APIを利用します。)";
        text += "\r\n" + p.program + " " + p.parameters;
    }

    CompletionPage page;
    page.message = text;
    page.finishCaption = w + "完了(&E)";
    if (restart) {
        page.option1 = "はい、Windowsを再起動します。(&Y)";
        page.option2 = p.program.empty() ? "いいえ、Windowsは再起動せずに、インストーラーを終了します。(&N)"
                                         : "いいえ、Windowsは再起動せずに、プログラムを実行します。(&N)";
    } else {
        page.option1 = p.program.empty() ? "インストーラを終了します。(&Y)"
                                         : "インストーラを終了して、プログラムを実行します。(&Y)";
    }
    const int choice = run.CompleteWithPage(page, result);
    const bool mayStart = run.host.MayStartProgramAfterRun();
    if (!p.program.empty() && !mayStart)
        run.host.Log("終了後のプログラム " + p.program + " は無人の実行では起動しません");
    // A restart, when chosen, is the last thing the run asks for: no program starts then.
    if (!(restart && choice != 2) && !p.program.empty() && mayStart) {
        const std::string folder = AddBackslash(PathFolder(p.program), "B");
        const int started = p.useCreateProcess ? static_cast<int>(CreateProcessRun(run.host, p.program, p.parameters,
                                                                                   folder, s.TempFolder))
                                               : ShellRun(run.host, p.program, p.parameters, folder, s.TempFolder);
        run.LogResult("終了後のプログラム " + p.program, static_cast<std::uint32_t>(started));
        if (started >= 1)
            run.Ask(
                "終了後プログラムの起動に失敗しました。\r\niniファイルの記述ミスの可能性があります。\r\nプログラム提供者へご報告ください。",
                "警告", MB_OK | MB_ICONEXCLAMATION);
    }
    run.host.EndRun();
}
