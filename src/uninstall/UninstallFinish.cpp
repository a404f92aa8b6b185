// The end of an uninstallation run: the failure summary and details, the completion
// text, the completion page with the restart choice, and the restart.
#include "uninstall/UninstallStages.h"

#include "foundation/uStrOp.h"
#include "scripts/UninstallRecord.h"

#include <windows.h>

void FinishUninstall(UninstallContext& run, RunResult& result)
{
    AppState& s = run.state;
    const std::string& u = s.UnSetupWord;
    if (run.failureCount > 0) {
        s.MessageLog += "《情報》" + u + "の過程で、一部の処理が失敗しました。\r\n";
        run.Show();
        if (run.Ask(u + "の過程で、一部の処理が失敗しました。\r\n詳細を表示しますか？", "情報",
                    MB_YESNO | MB_ICONEXCLAMATION, IDNO) == IDYES)
            run.host.ShowFailureDetails("削除処理失敗　詳細表示", s.FailureLog);
    }
    s.MessageLog += "\r\n【処理完了】\r\n　「次へ(N)」をクリックして、" + u + "を完了してください。\r\n";
    run.Show();
    run.host.WaitForNext();

    // A file scheduled for deletion at the next start left its remark in the log.
    const bool restart = PosNoCase("再起動", s.FailureLog) != 0;
    s.RebootRequired = restart ? 1 : 0;
    CompletionPage page;
    page.finishCaption = u + "完了(&E)";
    if (restart) {
        page.message = RunContext::RestartText(u);
        page.option1 = "はい、Windowsを再起動します。(&Y)";
        page.option2 = "いいえ、Windowsは再起動せずに、アンインストーラーを終了します。(&N)";
    } else {
        page.message = u + "を完了しました。";
        page.option1 = "アンインストーラを終了します。(&Y)";
    }
    run.CompleteWithPage(page, result);
    // The run has ended: nothing is left to resume.
    if (!s.RecordFile.empty()) DeleteFileA(ResumeRecordPath(s.WindowsFolder, s.RecordFile).c_str());
    run.host.EndRun();
}
