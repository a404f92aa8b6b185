#include "scripts/RunContext.h"

#include "scripts/ScriptLists.h"
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
