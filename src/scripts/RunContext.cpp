#include "scripts/RunContext.h"

#include "scripts/ScriptLists.h"
#include "scripts/UninstallRecord.h"
#include "services/RunLog.h"

RunContext::RunContext(AppState& s, Host& h) : state(s), host(h), script(IniDocument::Load(s.ScriptFile)) {}

int RunContext::Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended)
{
    state.LastAnswer = host.Ask(text, caption, flags, unattended);
    return state.LastAnswer;
}

void RunContext::LogResult(const std::string& action, std::uint32_t code)
{
    host.Log(ActionLogLine(action, code));
}

void RunContext::Show(const std::string& detail)
{
    host.ShowProgress(state.MessageLog, detail);
}

void RunContext::AddFailure(const char* tag, const std::string& path, const std::string& errorLine)
{
    state.FailureLog += std::string(tag) + path + "\r\n" + errorLine + "\r\n";
    ++failureCount;
}

std::vector<std::string> RunContext::ReadList(const char* section, const char* prefix) const
{
    return ReadOpenList(script, section, prefix);
}

std::vector<std::string> RunContext::ReadList(const RecordSectionInfo& section) const
{
    return ReadList(section.name, section.prefix);
}

std::string RunContext::ListEntry(const RecordSectionInfo& section, int n) const
{
    return ListEntry(section.name, section.prefix, n);
}

std::string RunContext::RestartText(const std::string& word)
{
    return "　" + word +
           "を完了するには、Windowsを再起動する必要があります。\r\n\r\n"
           "　Windowsの再起動を選択した場合、現在稼動している他のプログラムは強制的に終了され、"
           "かつ、終了後プログラムは実行されませんので、十分にご注意ください。";
}

int RunContext::CompleteWithPage(const CompletionPage& page, RunResult& result)
{
    const int choice = host.ShowCompletionPage(page);
    host.Log("完了ページ: 選択 " + std::to_string(choice));
    result.restartNeeded = state.RebootRequired != 0;
    if (state.RebootRequired && choice == 2) state.RebootRequired = 0;
    if (state.RebootRequired) {
        result.restarted = host.RestartWindows();
        state.RebootRequired = result.restarted ? 1 : 0;
        host.Log(std::string("Windowsの再起動 -> ") + (result.restarted ? "受理" : "拒否"));
    }
    return choice;
}

StageLine::StageLine(RunContext& run, const std::string& text, const char* firstWord) : run_(run)
{
    run_.state.MessageLog += text;
    run_.state.StepResult = firstWord;
    run_.Show();
}

StageLine::~StageLine()
{
    if (std::uncaught_exceptions() == unwinding_) Close();
}

void StageLine::Close()
{
    if (!open_) return;
    open_ = false;
    AppState& s = run_.state;
    s.MessageLog += s.StepResult + "\r\n";
    s.StepResult = "完了";
    run_.Show();
}
