#include "ui/UnattendedHost.h"

#include "services/WinReboot.h"
#include "ui/Controls.h"
#include "ui/Status.h"

#include <windows.h>

std::string OneLine(const std::string& text)
{
    std::string flat = text;
    for (std::size_t p; (p = flat.find("\r\n")) != std::string::npos;) flat.replace(p, 2, " / ");
    return flat;
}

UnattendedHost::UnattendedHost(AppState& state, const HostSettings& settings) : state_(state), settings_(settings) {}

UnattendedHost::~UnattendedHost()
{
    status_.reset();
    if (standIn_) DestroyWindow(standIn_);
}

bool UnattendedHost::CreateProgressWindow()
{
    standIn_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    status_ = std::make_unique<TfrmStatus>(state_, *this);
    if (!standIn_ || !status_->Create(nullptr)) {
        status_.reset();
        return false;
    }
    status_->mainWindow = standIn_;
    return true;
}

int UnattendedHost::Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended)
{
    int answer = unattended;
    if (settings_.suppressMsgBoxes) {
        Log("質問 [" + caption + "] " + OneLine(text) + " -> " + std::to_string(answer) + "（既定の答え）");
    } else {
        // The question is about the item the window names.
        Refresh(true);
        answer = MessageBoxA(OwnerWindow(), text.c_str(), caption.c_str(), flags);
        Log("質問 [" + caption + "] " + OneLine(text) + " -> " + std::to_string(answer));
    }
    state_.LastAnswer = answer;
    return answer;
}

void UnattendedHost::ShowProgress(const std::string& log, const std::string& detail)
{
    for (const std::string& line : lines_.Take(log, detail)) Log(line);
    if (!status_) return;
    // A new stage line shows at once; the item details of a long list only as often
    // as anyone could read them.
    const bool newLine = log != shownLog_;
    shownLog_ = log;
    progressText_ = detail.empty() ? log : log + "\r\n" + detail;
    textPending_ = true;
    Refresh(newLine);
}

void UnattendedHost::Refresh(bool now)
{
    const DWORD tick = GetTickCount();
    if (!now && refreshed_ && tick - lastRefresh_ < kRefreshMs) return;
    refreshed_ = true;
    lastRefresh_ = tick;
    if (status_ && textPending_) status_->ShowLog(progressText_);
    if (status_ && counterPending_) status_->ShowCounter(counter_[0], counter_[1], counter_[2]);
    textPending_ = counterPending_ = false;
    ProcessPendingMessages();
}

void UnattendedHost::Log(const std::string& line)
{
    if (settings_.log) settings_.log->Write(line);
}

void UnattendedHost::ProcessMessages()
{
    Refresh(false);
}

HWND UnattendedHost::OwnerWindow() const
{
    return status_ && IsWindowVisible(status_->Handle()) ? status_->Handle() : nullptr;
}

void UnattendedHost::BeginRun(int)
{
    // Nobody watches: no pause before the progress window.
    if (status_) status_->Show();
    Refresh(true);
}

void UnattendedHost::Pause(int)
{
    Refresh(false);
}

void UnattendedHost::ShowCounter(int done, int total, int percent)
{
    if (!status_) return;
    counter_[0] = done;
    counter_[1] = total;
    counter_[2] = percent;
    counterPending_ = true;
    Refresh(done == total);
}

void UnattendedHost::SetCounterVisible(bool visible)
{
    if (!status_) return;
    Refresh(true);
    if (visible) status_->ShowCounterFrame();
    else status_->HideCounter();
}

void UnattendedHost::SetAbortEnabled(bool enabled)
{
    if (status_) status_->SetAbortEnabled(enabled && !settings_.noCancel);
}

bool UnattendedHost::AbortRequested() const
{
    return standIn_ && !IsWindowEnabled(standIn_);
}

void UnattendedHost::ShowFailureDetails(const std::string& frameCaption, const std::string& details)
{
    Log(frameCaption + ":");
    std::size_t start = 0;
    for (std::size_t end; (end = details.find("\r\n", start)) != std::string::npos; start = end + 2) {
        if (end > start) Log(std::string("  ").append(details, start, end - start));
    }
}

void UnattendedHost::WaitForNext()
{
    Refresh(true);
}

int UnattendedHost::ShowCompletionPage(const CompletionPage& page)
{
    // The second choice, where there is one, declines the restart: /NORESTART wins over
    // an answer file.
    const std::optional<int> answered = settings_.answers.Completion(state_.IsUninstaller());
    int choice = answered.value_or(1);
    if (page.option2.empty()) choice = 1;
    else if (settings_.noRestart) choice = 2;
    Log(std::string("完了: ").append(OneLine(page.message)));
    Log(std::string("選択: ")
            .append(choice == 1 ? page.option1 : page.option2)
            .append(answered ? "（応答ファイル）" : "（既定の答え）"));
    return choice;
}

std::string UnattendedHost::AskDeletion(const std::string& text)
{
    std::string answer = "Save";
    Refresh(true);
    if (settings_.suppressMsgBoxes) {
        // Keep every such file: nobody is there to say it is no longer wanted.
        Log(std::string("ファイル削除の確認 ").append(OneLine(text)).append(" -> Save（既定の答え）"));
    } else {
        answer = MessageBoxA(OwnerWindow(), text.c_str(), "ファイル削除の確認", MB_YESNO | MB_ICONQUESTION) == IDYES
                     ? "Yes"
                     : "No";
        Log(std::string("ファイル削除の確認 ").append(OneLine(text)).append(" -> ").append(answer));
    }
    return answer;
}

bool UnattendedHost::RestartWindows()
{
    if (settings_.noRestart) return false;
    return TWinReboot().Reboot(EWX_REBOOT);
}

void UnattendedHost::EndRun()
{
    Refresh(true);
    if (status_) status_->Hide();
}
