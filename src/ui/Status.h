// TfrmStatus: the progress window a run shows instead of the wizard. It shows the run's
// log, a counter with a bar during counted stages, and one button that is the abort
// button while the run works and the "next" button that releases the run's final wait.
//
// The abort leaves its mark where the rest of the program looks for it: the main window
// disabled (the run stops at its next check) and the background window enabled (leaving
// confirmed).
#pragma once
#include "foundation/AppState.h"
#include "services/Host.h"
#include "ui/Gauge.h"
#include "ui/Dpi.h"
#include "ui/GdiObjects.h"

#include <windows.h>

#include <functional>
#include <string>

class TfrmStatus {
public:
    // Control IDs, stable for tools that drive the window from outside.
    enum ControlId : int { kGrpMessage = 300, kLblMessage, kFraStatus, kLblStatus, kGaugeStatus, kBtnAbort };
    static constexpr const char* kClassName = "TfrmStatus";
    static constexpr const char* kCaption = "進行状況";
    static constexpr const char* kAbortCaption = "中断(&A)";
    static constexpr const char* kNextCaption = "次へ(&N)";
    static constexpr int kClientWidth = 492;
    static constexpr int kClientHeight = 298;

    // host shows the message boxes; the answers also go to state.LastAnswer.
    TfrmStatus(AppState& state, Host& host) : state_(state), host_(host) {}
    ~TfrmStatus();
    TfrmStatus(const TfrmStatus&) = delete;
    TfrmStatus& operator=(const TfrmStatus&) = delete;

    // Creates the window hidden and centred, with all its controls and the Close item of
    // its system menu greyed. nullptr on failure or when it already exists.
    HWND Create(HWND owner);
    HWND Handle() const { return hwnd_; }
    HWND Control(ControlId id) const;
    TGauge& GaugeStatus() { return gauge_; }

    // The windows the abort marks, and how it ends the wizard; set before a run.
    HWND mainWindow = nullptr;
    HWND background = nullptr;
    std::function<void(int)> SetMainModalResult;

    void Show();
    void Hide();

    // Shows the log and lets pending messages through, so the window repaints and the
    // button can be clicked.
    void ShowLog(const std::string& log);
    // Shows the counted-stage group with "(done/total)" and the per cent done.
    void ShowCounter(int done, int total);
    // The same with the gauge at percent (clamped to 0..100), for runs that measure
    // progress in bytes while they count entries.
    void ShowCounter(int done, int total, int percent);
    // Shows the group as it stands.
    void ShowCounterFrame();
    void HideCounter();
    void SetAbortEnabled(bool enabled);

    // Turns the button into "次へ(&N)" and processes messages until a click disables it.
    // False when the wait ended otherwise: the window went away or the program is quitting
    // (the quit message is passed on).
    bool WaitForNext();

    // The button's handler; what it does depends on its caption.
    void btnAbortClick();

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool CreateControls();
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended = IDOK);
    void ConfirmAbort();
    // Keyboard: Enter presses the focused button or "次へ(&N)"; Esc is the abort button.
    LRESULT DefaultButton() const;
    void OnEscape();

    AppState& state_;
    Host& host_;
    HWND hwnd_ = nullptr;
    FormFonts fonts_;
    TGauge gauge_;
    bool confirming_ = false;   // the abort question is open
    bool abortPending_ = false; // a click has asked for the question, not yet shown
    static constexpr UINT kMsgConfirmAbort = WM_APP + 10;
};
