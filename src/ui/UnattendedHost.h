// The host of a run without anyone at the screen: questions take the answer each call
// site names for that case (or are shown as plain message boxes when they are not to
// be suppressed), the wait points do not wait, pacing is skipped, and everything goes
// to the log. With /SILENT the progress window shows the run and offers the abort.
#pragma once
#include "foundation/AppState.h"
#include "services/Host.h"
#include "services/RunLog.h"
#include "ui/HostSettings.h"

#include <memory>
#include <string>

class TfrmStatus;

class UnattendedHost : public Host {
public:
    UnattendedHost(AppState& state, const HostSettings& settings);
    ~UnattendedHost() override;

    // The folder and the option boxes the run reads.
    void SetOptions(const WizardOptions& options) { options_ = options; }
    // Shows the progress window for the runs to come (/SILENT). False when it cannot be
    // made; the run then goes on without it.
    bool CreateProgressWindow();

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
    WizardOptions Options() const override { return options_; }
    void ShowFailureDetails(const std::string& frameCaption, const std::string& details) override;
    void WaitForNext() override;
    int ShowCompletionPage(const CompletionPage& page) override;
    std::string AskDeletion(const std::string& text) override;
    bool RestartWindows() override;
    bool MayStartProgramAfterRun() const override { return false; }
    void EndRun() override;

private:
    // Puts the latest text and counter into the progress window and lets messages be
    // processed: at once when now, else at most every kRefreshMs. Pumping costs a round
    // trip to the window system; per item of a long list that was most of the run.
    void Refresh(bool now);
    static constexpr DWORD kRefreshMs = 50;

    AppState& state_;
    HostSettings settings_;
    WizardOptions options_;
    ProgressLines lines_;
    std::unique_ptr<TfrmStatus> status_;
    // Stands in for the wizard whose disabled state is the abort signal.
    HWND standIn_ = nullptr;
    std::string shownLog_;     // the running text of the last ShowProgress
    std::string progressText_; // what the window is to show
    bool textPending_ = false;
    int counter_[3] = {}; // done, total, percent
    bool counterPending_ = false;
    bool refreshed_ = false;
    DWORD lastRefresh_ = 0;
};

// One line for the log: the text of a question or page, its line breaks as " / ".
std::string OneLine(const std::string& text);
