// The seam between the engines and services on one side and whoever sits in front of
// the program on the other: the real windows, the tests' scripted host, or the
// unattended mode. Engines and services never show a message box, never sleep and
// never touch a window themselves; they ask the host.
#pragma once
#include <windows.h>

#include <string>

// The options of the message page as they stand when a run starts.
struct WizardOptions {
    struct Box {
        std::string caption;
        bool checked = false;
        bool enabled = false;
        bool visible = false;
    };
    std::string folder;     // text of the folder box
    bool overwrite = false; // chkOverWrite
    bool hiSpeed = false;   // chkHiSpeed
    // The four boxes of the shortcut frame: desktop, start menu, start-up, send-to in the
    // installer; "*.INI", "*.GID", CheckBox3, CheckBox4 (or the single DeleteAll box) in
    // the uninstaller's panel.
    Box boxes[4];
};

// The final page of a run.
struct CompletionPage {
    std::string message;       // lblSelectTypeMsg
    std::string option1;       // optSelectType1, selected when the page opens
    std::string option2;       // optSelectType2; empty: disabled and hidden
    std::string finishCaption; // btnEvent: SetupWord or UnSetupWord + "完了(&E)"
};

class Host {
public:
    virtual ~Host() = default;

    // Shows the application's message box. flags is one of the fixed values 16 (OK, stop),
    // 36 (Yes/No, question), 48 (OK, exclamation), 52 (Yes/No, exclamation),
    // 64 (OK, information) or 65 (OK/Cancel, information). Returns the system's answer
    // code (1 OK, 2 Cancel, 6 Yes, 7 No); the host also stores it as the program's
    // LastAnswer. unattended is the answer taken when nobody is at the screen: every
    // question states it where it is asked, and it never loses anything of the user's.
    virtual int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended) = 0;
    // An OK-only box: nobody at the screen answers OK.
    int Ask(const std::string& text, const std::string& caption, unsigned flags)
    {
        return Ask(text, caption, flags, IDOK);
    }

    // Shows the progress window's running text; a non-empty detail for the item at hand
    // appears on a line of its own below it.
    virtual void ShowProgress(const std::string& log, const std::string& detail) = 0;

    // One line for the run's log: what is about to happen or what happened, with the
    // system's code and text. Shown nowhere; a failing log never fails the run.
    virtual void Log(const std::string& line) = 0;

    // Lets pending window messages be processed, so windows repaint and buttons stay
    // clickable during long work.
    virtual void ProcessMessages() = 0;

    // The window that owns shell dialogs and started programs (the main window);
    // nullptr when there is none.
    virtual HWND OwnerWindow() const = 0;

    // A run begins: the main window is hidden, pauseMs pass while messages are
    // processed, the progress window is shown, and the main window's end button hidden
    // and its event button centred for the pages the run shows later.
    virtual void BeginRun(int pauseMs) = 0;
    // Waits the given time while window messages are processed (StepDelay, fixed waits).
    virtual void Pause(int milliseconds) = 0;
    // The counter and gauge of a counted stage: "(done/total)" and the gauge at percent
    // (clamped to 0..100); the progress frame becomes visible.
    virtual void ShowCounter(int done, int total, int percent) = 0;
    // Shows or hides the progress frame without changing what it shows.
    virtual void SetCounterVisible(bool visible) = 0;
    // Whether the user may interrupt the stage at hand.
    virtual void SetAbortEnabled(bool enabled) = 0;
    // The user confirmed the abort question (the main window is disabled).
    virtual bool AbortRequested() const = 0;
    // The options and the folder of the message page.
    virtual WizardOptions Options() const = 0;

    // Wait points. Each returns once the user has pressed the offered button.
    // The failed actions on the readme page, captioned frameCaption, behind "続行(&C)".
    virtual void ShowFailureDetails(const std::string& frameCaption, const std::string& details) = 0;
    // The run is done: the system beep sounds, the progress window's button becomes
    // "次へ(&N)" and the run waits for it.
    virtual void WaitForNext() = 0;
    // The final page; returns the selected option, 1 or 2.
    virtual int ShowCompletionPage(const CompletionPage& page) = 0;
    // The four-button deletion question; returns "Yes", "No", "Delete" or "Save".
    virtual std::string AskDeletion(const std::string& text) = 0;
    // Restarts Windows (ExitWindowsEx with EWX_REBOOT and the shutdown privilege). True
    // when Windows accepted the request.
    virtual bool RestartWindows() = 0;
    // Whether the program the script names may be started once the run is done. Nobody
    // at the screen means a deployment tool's account or session, where a program
    // started is invisible or harmful: never then.
    virtual bool MayStartProgramAfterRun() const = 0;
    // The run has ended: leaving is confirmed, the progress window closes and the
    // wizard ends.
    virtual void EndRun() = 0;
};
