// TfrmMain: the wizard. One button (btnEvent) advances through the pages, the other
// (btnEnd) leaves; the pages are groups of controls in the same area, shown one at a
// time. The start-up sequence runs on its first activation (OnFirstActivate) and the
// start button hands over to the runs (StartInstallRun / StartUninstallRun).
#pragma once
#include "foundation/AppState.h"
#include "scripts/ScriptGeneral.h"
#include "services/Host.h"
#include "ui/Dpi.h"
#include "ui/GdiObjects.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

class TfrmMain {
public:
    // Control IDs, stable for tools that drive the window from outside.
    enum ControlId : int {
        kFraTitle = 200,
        kLblTitleA1 = 201,
        kLblTitleA2 = 202,
        kImgTitle1 = 203,
        kLblTitleMessage = 204,
        kFraReadme = 205,
        kTxtReadme = 206,
        kChkEULARead = 207,
        kGrpMessage = 208,
        kLblMessage = 209,
        kGrpSetupFolder = 210,
        kTxtFolder = 211,
        kBtnRefer = 212,
        kGrpOption = 213,
        kChkOverWrite = 214,
        kChkHiSpeed = 215,
        kFraShortCut = 216,
        kChkSCutDesktop = 217,
        kChkSCutStartMenu = 218,
        kChkSCutStartUp = 219,
        kChkSCutSendTo = 220,
        kLblUnSetupInfo = 221,
        kFraSelectType = 222,
        kLblSelectTypeMsg = 223,
        kOptSelectType1 = 224,
        kOptSelectType2 = 225,
        kImgSelectType = 226,
        kLblSelectTypeA1 = 227,
        kLblSelectTypeA2 = 228,
        kBtnEvent = 229,
        kBtnEnd = 230,
        kLblFormShare = 231,
        kLastControl = kLblFormShare,
    };
    static constexpr const char* kClassName = "TfrmMain";
    static constexpr int kClientWidth = 492;
    static constexpr int kClientHeight = 298;

    TfrmMain(AppState& state, Host& host);
    ~TfrmMain();
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Creates the window hidden, owned by owner, with every control. nullptr on failure.
    HWND Create(HWND owner);
    HWND Handle() const { return hwnd_; }
    HWND Control(ControlId id) const;

    // The background window, whose enabled state says that leaving is confirmed.
    HWND background = nullptr;
    // The start-up sequence; runs on the first activation only.
    std::function<void()> OnFirstActivate;
    // The runs started by the start button.
    std::function<void()> StartInstallRun;
    std::function<void()> StartUninstallRun;

    // The script's general keys that the pages read; set by the start-up.
    GeneralKeys keys;
    // The pre-install checker refused the installation.
    bool checkerRefused = false;

    // Shows the window modally against its owner until the modal result is set and the
    // close query agrees. Returns the modal result.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }

    // Page switch: the message page's three groups, the readme group, the title group,
    // in that order; then pending messages are processed. The final page is not touched.
    void ShowPage(bool title, bool readme, bool messages);

    void btnEventClick();
    void btnEndClick() { SetModalResult(1); }
    void btnReferClick();
    void txtFolderChange();
    void chkEULAReadClick();
    // True when the window may close; asks the close question where it applies.
    bool FormCloseQuery();
    // Removes every work folder and, after a run, tells the shell what may have changed.
    void FormClose();

    // The uninstaller's options panel from the record's keys.
    void PrepareUninstallPanel();

    // Loads a text file into txtReadme (see ReadmeText).
    void LoadReadme(const std::string& path);
    // "ssVertical", "ssHorizontal", "ssBoth"; anything else leaves the bars as they are.
    void SetReadmeScrollBars(const std::string& value);
    void SetReadmeWhite(bool white);

    // Small accessors on the controls.
    std::string Text(ControlId id) const;
    void SetText(ControlId id, const std::string& text);
    bool Enabled(ControlId id) const;
    void SetEnabled(ControlId id, bool enabled);
    bool Visible(ControlId id) const;
    void SetVisible(ControlId id, bool visible);
    bool Checked(ControlId id) const;
    void SetChecked(ControlId id, bool checked);
    void Focus(ControlId id);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool CreateControls();
    void OnCommand(int id, int code);
    void RunStartup();
    // Step 3 of the button: the pre-install checker; false when the wizard must stop.
    bool RunChecker();
    // The pages the event button leads through, in order. Each page is shown once, when
    // its turn comes (its pending flag); Show...Page is false when it has nothing to show.
    void ShowTitlePage();
    void LeaveTitlePage();
    bool ShowEulaPage();
    void LeaveEulaPage();
    bool ShowReadmePage();
    void ShowOptionsPage();
    // What the pressed caption asks for once the pages are through: the run, or nothing.
    void Dispatch(const std::string& caption);
    void SetButtons(const std::string& eventCaption, const std::string& endCaption);
    void ResizeReadme(int heightChange);
    bool IsInstaller() const { return !state_.IsUninstaller(); }
    int Ask(const std::string& text, const char* caption, unsigned flags, int unattended = IDOK);
    int Scaled(int pixels) const { return ScaleToDpi(pixels, fonts_.Dpi()); }
    // Keyboard: the button Enter presses, and Esc, which leaves where the page offers it.
    LRESULT DefaultButton() const;
    void OnEscape();

    AppState& state_;
    Host& host_;
    HWND hwnd_ = nullptr;
    HWND controls_[kLastControl - kFraTitle + 1] = {};
    // In the order of FontId; each made for the window's DPI.
    enum FontId : int { kFontUi, kFontFixed, kFontFolder, kFontItalic, kFontTitle };
    FormFonts fonts_;
    UniqueGdiObject whiteBrush_;
    HICON icon_ = nullptr;
    int modalResult_ = 0;
    bool showing_ = false;
    bool startupStarted_ = false;
    bool runStarted_ = false;
    bool readmeWhite_ = false;
};

// "#,##0": the number with thousands separators.
std::string FormatThousands(std::int64_t value);

// The folder group's caption for a folder: the free space of its drive, "不明" when the
// drive is no folder, the failure text when no measurement works.
std::string FreeSpaceCaption(const std::string& folder);

// The text of a file as a multi-line edit box shows it: every line break as CR LF, other
// control codes but tab as blanks, at most maxBytes read; a file holding NULs (no text)
// only up to its first 64 KiB.
std::string ReadmeText(const std::string& path, std::size_t maxBytes);
