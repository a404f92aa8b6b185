#include "ui/WindowHost.h"

#include "services/WinReboot.h"
#include "ui/Back.h"
#include "ui/Controls.h"
#include "ui/CusDlg.h"
#include "ui/Main.h"
#include "ui/Status.h"
#include "ui/UnattendedHost.h"

namespace {

HWND VisibleOrNull(HWND hwnd)
{
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

} // namespace

void WindowHost::Attach(TfrmBack* back, TfrmMain* main, TfrmStatus* status, TfrmCustomDlg* dialog)
{
    back_ = back;
    main_ = main;
    status_ = status;
    dialog_ = dialog;
}

int WindowHost::Ask(const std::string& text, const std::string& caption, unsigned flags, int)
{
    // The application's message box: owned by the window the user is looking at.
    HWND owner = GetActiveWindow();
    if (!owner && main_) owner = VisibleOrNull(main_->Handle());
    if (!owner && status_) owner = VisibleOrNull(status_->Handle());
    state_.LastAnswer = MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
    Log("質問 [" + caption + "] " + OneLine(text) + " -> " + std::to_string(state_.LastAnswer));
    return state_.LastAnswer;
}

void WindowHost::ShowProgress(const std::string& log, const std::string& detail)
{
    if (settings_.log) {
        for (const std::string& line : lines_.Take(log, detail)) settings_.log->Write(line);
    }
    if (status_) status_->ShowLog(detail.empty() ? log : log + "\r\n" + detail);
    else ProcessPendingMessages();
}

void WindowHost::Log(const std::string& line)
{
    if (settings_.log) settings_.log->Write(line);
}

void WindowHost::ProcessMessages()
{
    ProcessPendingMessages();
}

HWND WindowHost::OwnerWindow() const
{
    return main_ ? main_->Handle() : nullptr;
}

void WindowHost::BeginRun(int pauseMs)
{
    // The uninstaller's options are fixed once its run has read them.
    if (main_ && state_.IsUninstaller()) {
        for (TfrmMain::ControlId id : {TfrmMain::kChkSCutDesktop, TfrmMain::kChkSCutStartMenu,
                                       TfrmMain::kChkSCutStartUp, TfrmMain::kChkSCutSendTo})
            main_->SetEnabled(id, false);
    }
    if (main_ && main_->Handle()) ShowWindow(main_->Handle(), SW_HIDE);
    ProcessPendingMessages();
    if (pauseMs > 0) Pause(pauseMs);
    if (status_) status_->Show();
    if (main_) {
        main_->SetVisible(TfrmMain::kBtnEnd, false);
        // The event button alone, centred, for the pages the run brings back.
        HWND button = main_->Control(TfrmMain::kBtnEvent);
        RECT client{}, r{};
        if (button && GetClientRect(main_->Handle(), &client) && GetWindowRect(button, &r)) {
            MapWindowPoints(nullptr, main_->Handle(), reinterpret_cast<POINT*>(&r), 2);
            const int width = r.right - r.left;
            SetWindowPos(button, nullptr, (client.right - width) / 2, r.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    ProcessPendingMessages();
}

void WindowHost::Pause(int milliseconds)
{
    WaitProcessingMessages(milliseconds);
}

void WindowHost::ShowCounter(int done, int total, int percent)
{
    if (status_) status_->ShowCounter(done, total, percent);
}

void WindowHost::SetCounterVisible(bool visible)
{
    if (!status_) return;
    if (visible) status_->ShowCounterFrame();
    else status_->HideCounter();
}

void WindowHost::SetAbortEnabled(bool enabled)
{
    if (status_) status_->SetAbortEnabled(enabled && !settings_.noCancel);
}

bool WindowHost::AbortRequested() const
{
    return main_ && main_->Handle() && !IsWindowEnabled(main_->Handle());
}

WizardOptions WindowHost::Options() const
{
    WizardOptions o;
    if (!main_) return o;
    o.folder = main_->Text(TfrmMain::kTxtFolder);
    o.overwrite = main_->Checked(TfrmMain::kChkOverWrite);
    o.hiSpeed = main_->Checked(TfrmMain::kChkHiSpeed);
    const TfrmMain::ControlId ids[4] = {TfrmMain::kChkSCutDesktop, TfrmMain::kChkSCutStartMenu,
                                        TfrmMain::kChkSCutStartUp, TfrmMain::kChkSCutSendTo};
    for (int i = 0; i < 4; ++i) {
        o.boxes[i].caption = main_->Text(ids[i]);
        o.boxes[i].checked = main_->Checked(ids[i]);
        o.boxes[i].enabled = main_->Enabled(ids[i]);
        o.boxes[i].visible = main_->Visible(ids[i]);
    }
    return o;
}

void WindowHost::WaitForEventButton(int stepMs)
{
    while (main_ && main_->Handle() && main_->Enabled(TfrmMain::kBtnEvent)) {
        if (!WaitProcessingMessages(stepMs)) return;
    }
}

void WindowHost::ShowMainInsteadOfStatus()
{
    if (main_->Handle()) {
        ShowWindow(main_->Handle(), SW_SHOW);
        SetForegroundWindow(main_->Handle());
    }
    if (status_) status_->Hide();
}

void WindowHost::ShowFailureDetails(const std::string& frameCaption, const std::string& details)
{
    if (!main_) return;
    main_->SetText(TfrmMain::kTxtReadme, "");
    main_->SetText(TfrmMain::kTxtReadme, details);
    main_->SetReadmeScrollBars("ssVertical");
    main_->SetText(TfrmMain::kBtnEvent, "続行(&C)");
    main_->SetEnabled(TfrmMain::kBtnEvent, true);
    main_->SetText(TfrmMain::kFraReadme, frameCaption);
    main_->ShowPage(false, true, false);
    ShowMainInsteadOfStatus();
    main_->Focus(TfrmMain::kBtnEvent);
    WaitForEventButton(150);
    main_->ShowPage(false, false, false);
    if (status_) status_->Show();
    if (main_->Handle()) ShowWindow(main_->Handle(), SW_HIDE);
    Pause(500);
}

void WindowHost::WaitForNext()
{
    MessageBeep(MB_OK);
    if (status_) status_->WaitForNext();
}

int WindowHost::ShowCompletionPage(const CompletionPage& page)
{
    if (!main_) return 1;
    main_->SetText(TfrmMain::kLblSelectTypeMsg, page.message);
    main_->SetText(TfrmMain::kOptSelectType1, page.option1);
    main_->SetText(TfrmMain::kOptSelectType2, page.option2);
    main_->SetEnabled(TfrmMain::kOptSelectType2, !page.option2.empty());
    main_->SetVisible(TfrmMain::kOptSelectType2, !page.option2.empty());
    // An answer file's choice is preset; the user may still pick the other.
    const bool second = !page.option2.empty() && settings_.answers.Completion(state_.IsUninstaller()) == 2;
    main_->SetChecked(TfrmMain::kOptSelectType2, second);
    main_->SetChecked(TfrmMain::kOptSelectType1, !second);
    main_->SetText(TfrmMain::kBtnEvent, page.finishCaption);
    main_->SetEnabled(TfrmMain::kBtnEvent, true);
    main_->ShowPage(false, false, false);
    main_->SetVisible(TfrmMain::kFraSelectType, true);
    ShowMainInsteadOfStatus();
    main_->Focus(TfrmMain::kBtnEvent);
    ProcessPendingMessages();
    WaitForEventButton(150);
    if (main_->Handle()) ShowWindow(main_->Handle(), SW_HIDE);
    if (status_) status_->Hide();
    ProcessPendingMessages();
    return main_->Checked(TfrmMain::kOptSelectType2) ? 2 : 1;
}

std::string WindowHost::AskDeletion(const std::string& text)
{
    if (!main_ || !dialog_) return {};
    main_->SetText(TfrmMain::kLblFormShare, "");
    dialog_->SetMessage(text);
    HWND owner = VisibleOrNull(status_ ? status_->Handle() : nullptr);
    if (!owner) owner = VisibleOrNull(main_->Handle());
    dialog_->ShowModal(owner);
    return main_->Text(TfrmMain::kLblFormShare);
}

bool WindowHost::RestartWindows()
{
    if (settings_.noRestart) {
        Log("/NORESTART: Windowsを再起動しません");
        return false;
    }
    return TWinReboot().Reboot(EWX_REBOOT);
}

void WindowHost::EndRun()
{
    if (back_) back_->ConfirmLeaving();
    if (status_) status_->Hide();
    if (main_) main_->SetModalResult(1);
}
