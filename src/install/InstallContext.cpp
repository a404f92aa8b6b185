#include "install/InstallContext.h"

#include "scripts/ScriptLists.h"
#include "services/RunLog.h"

InstallContext::InstallContext(AppState& s, Host& h) : state(s), host(h), script(IniDocument::Load(s.ScriptFile)) {}

int InstallContext::Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended)
{
    state.LastAnswer = host.Ask(text, caption, flags, unattended);
    return state.LastAnswer;
}

void InstallContext::LogResult(const std::string& action, std::uint32_t code)
{
    host.Log(ActionLogLine(action, code));
}

void InstallContext::Show(const std::string& detail)
{
    host.ShowProgress(state.MessageLog, detail);
}

void InstallContext::CloseStage()
{
    state.MessageLog += state.StepResult + "\r\n";
    state.StepResult = "完了";
    Show();
}

void InstallContext::OpenStage(const std::string& text, const char* result)
{
    state.MessageLog += text;
    state.StepResult = result;
    Show();
    host.Log(text);
}

void InstallContext::AbortCheck()
{
    if (host.AbortRequested()) {
        host.Log("中断: 利用者が中断しました");
        throw RunAborted{};
    }
}

void InstallContext::Pace()
{
    host.Pause(state.StepDelay);
}

void InstallContext::AddFailure(const char* tag, const std::string& path, const std::string& errorLine)
{
    state.FailureLog += std::string(tag) + path + "\r\n" + errorLine + "\r\n";
    ++failureCount;
}

void InstallContext::StopRun(const std::string& text, const std::string& caption, RunOutcome outcome)
{
    host.Log("停止: " + text);
    Ask(text, caption, MB_OK | MB_ICONSTOP);
    host.EndRun();
    throw RunStopped{outcome};
}

std::vector<std::string> InstallContext::ReadList(const char* section, const char* prefix) const
{
    return ReadOpenList(script, section, prefix);
}
