// TfrmCustomDlg: the four-button question the uninstall run asks before it removes a file
// the user may want to keep. The dialog only shows the run's text and reports which button
// was pressed; what the answer means is the run's business.
//
// The answer goes where the rest of the program reads it: the caption of a hidden label
// that the caller owns (the main window's lblFormShare). Each button writes its word into
// that label and then ends the modal display.
#pragma once
#include "ui/Dpi.h"
#include "ui/GdiObjects.h"

#include <windows.h>

#include <string>

class TfrmCustomDlg {
public:
    // Control IDs, stable for tools that drive the dialog from outside. None is IDOK or
    // IDCANCEL, so Enter and Esc never pass for a button.
    enum ControlId : int {
        kIdMessage = 100, // lblMessage
        kIdYes = 101,     // btnYes     "はい(&Y)"        -> "Yes"
        kIdNo = 102,      // btnNo      "いいえ(&N)"      -> "No"
        kIdDelete = 103,  // btnDelete  "すべて削除(&D)"  -> "Delete"
        kIdSave = 104,    // btnSave    "すべて保存(&A)"  -> "Save"
    };
    static constexpr const char* kClassName = "TfrmCustomDlg";
    static constexpr const char* kCaption = "ファイル削除の確認";
    static constexpr int kClientWidth = 426;
    static constexpr int kClientHeight = 121;

    TfrmCustomDlg() = default;
    ~TfrmCustomDlg();
    TfrmCustomDlg(const TfrmCustomDlg&) = delete;
    TfrmCustomDlg& operator=(const TfrmCustomDlg&) = delete;

    // Creates the dialog hidden, with all its controls. answerLabel is the window whose
    // caption receives the answer; it must outlive every ShowModal. Returns the dialog's
    // window, nullptr on failure or when it already exists.
    HWND Create(HWND answerLabel);
    HWND Handle() const { return hwnd_; }
    HWND Control(ControlId id) const { return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr; }

    // The text of lblMessage; the run sets it before each question.
    void SetMessage(const std::string& text);
    std::string Message() const;

    // Shows the dialog centred on the screen, modal against owner (may be nullptr), and
    // returns once a button was pressed: 1, the answer written. Returns 0 without an
    // answer when the dialog does not exist, is already showing, or the thread's message
    // loop is ending (WM_QUIT is passed on). The owner is re-enabled afterwards only if it
    // was enabled before, so a disabled main window (the abort signal) stays disabled.
    // The dialog is hidden again on return and keeps its text for the next question.
    int ShowModal(HWND owner);

    // The word a button writes: "Yes", "No", "Delete" or "Save"; nullptr for other IDs.
    static const char* AnswerWord(int controlId);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static bool RegisterWindowClass();
    bool CreateControls();
    void Answer(int controlId);

    HWND hwnd_ = nullptr;
    HWND answerLabel_ = nullptr;
    FormFonts fonts_;
    int modalResult_ = 0;
    bool showing_ = false;
};
