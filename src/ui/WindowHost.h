// The host of the real windows: questions through the application's message box, the
// progress window for the log, counter and abort button, the main window's pages for the
// wait points, the deletion dialog for the four-answer question.
#pragma once
#include "foundation/AppState.h"
#include "services/Host.h"
#include "services/RunLog.h"
#include "ui/HostSettings.h"

#include <string>

class TfrmBack;
class TfrmMain;
class TfrmStatus;
class TfrmCustomDlg;

class WindowHost : public Host {
public:
    WindowHost(AppState& state, const HostSettings& settings) : state_(state), settings_(settings) {}

    // The windows, once created. Every operation tolerates a missing window.
    void Attach(TfrmBack* back, TfrmMain* main, TfrmStatus* status, TfrmCustomDlg* dialog);

    using Host::Ask;
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended) override;
    void ShowProgress(const std::string& log, const std::string& detail) override;
    void Log(const std::string& line) override;
    void ProcessMessages() override;
    HWND OwnerWindow() const override;
    void BeginRun(int pauseMs) override;
    void Pause(int milliseconds) override;
    void ShowCounter(int done, int total, int percent) override;
    void SetCounterVisible(bool visible) override;
    void SetAbortEnabled(bool enabled) override;
    bool AbortRequested() const override;
    WizardOptions Options() const override;
    void ShowFailureDetails(const std::string& frameCaption, const std::string& details) override;
    void WaitForNext() override;
    int ShowCompletionPage(const CompletionPage& page) override;
    std::string AskDeletion(const std::string& text) override;
    bool RestartWindows() override;
    bool MayStartProgramAfterRun() const override { return true; }
    void EndRun() override;

private:
    // Processes messages in steps of stepMs until the main window's event button is
    // disabled (its click handler does that) or the program is ending.
    void WaitForEventButton(int stepMs);
    void ShowMainInsteadOfStatus();

    AppState& state_;
    HostSettings settings_;
    ProgressLines lines_;
    TfrmBack* back_ = nullptr;
    TfrmMain* main_ = nullptr;
    TfrmStatus* status_ = nullptr;
    TfrmCustomDlg* dialog_ = nullptr;
};
