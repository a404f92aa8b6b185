#include "install/InstallContext.h"

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

void InstallContext::StopRun(const std::string& text, const std::string& caption, RunOutcome outcome)
{
    host.Log("停止: " + text);
    Ask(text, caption, MB_OK | MB_ICONSTOP);
    host.EndRun();
    throw RunStopped{outcome};
}
