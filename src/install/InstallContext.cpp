#include "install/InstallContext.h"

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
