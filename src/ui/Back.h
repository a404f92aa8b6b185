// TfrmBack: the full-screen background window behind the wizard. A gradient, the title
// at the top left and the credits at the bottom right. It is the application's main
// window: its first resize maximises it, shows the wizard modally and closes it when the
// wizard has ended. Its enabled state says whether leaving has been confirmed.
#pragma once
#include "ui/GdiObjects.h"
#include "ui/GradBox.h"

#include <windows.h>

#include <functional>
#include <string>

class TfrmBack {
public:
    // One label of the window: a STATIC child carrying its text, drawn transparently.
    struct Label {
        HWND hwnd = nullptr;
        COLORREF color = 0;
        bool autoSize = true; // follows its text's extent until the layout fixes the size
        // Has taken its text's extent. Measuring realises the font, which is put off until
        // the window shows or the layout needs the size.
        bool sized = false;
    };

    TfrmBack() = default;
    ~TfrmBack();
    TfrmBack(const TfrmBack&) = delete;
    TfrmBack& operator=(const TfrmBack&) = delete;

    static constexpr const char* kClassName = "TfrmBack";
    static constexpr int kClientWidth = 490;
    static constexpr int kClientHeight = 298;

    // Shows the wizard modally; returns when it has ended. Set before the window is shown,
    // or later followed by StartWizard.
    std::function<void()> ShowMainModal;
    // Called once the window is destroyed. The program ends its message loop here; the
    // default does nothing so that a window can live inside another loop.
    std::function<void()> OnClosed;

    // Creates the window hidden, disabled and centred on the screen, with all its controls.
    // Returns null on failure or when it already exists.
    HWND Create();
    HWND Handle() const { return hwnd_; }
    // Shows the window in its normal state; its first resize then starts the wizard.
    void Show();
    // The program shows this window before its other forms exist, so that the user sees
    // it at once: when the first resize found no wizard to show, this shows it (modally,
    // returning when it has ended) and closes the window. Otherwise it does nothing.
    void StartWizard();

    // The resize handler (also the gradient's change notification). Only the first call
    // in the normal state does anything: caption, maximise, wizard (once it is set), close.
    void FormResize();

    // Both title labels take a fixed width (the window's outer width - 24) and the title.
    void SetTitle(const std::string& title);
    // Puts the credit text at the bottom right with its shadow and shows both labels.
    void PlaceCredits(const std::string& text);

    // Leaving is confirmed once the window is enabled.
    bool LeavingConfirmed() const { return hwnd_ && IsWindowEnabled(hwnd_); }
    void ConfirmLeaving() const
    {
        if (hwnd_) EnableWindow(hwnd_, TRUE);
    }

    TGradBox& GradBox() { return gradBox_; }
    const Label& lblBackTitle2() const { return backTitle2_; }
    const Label& lblPrgTitle2() const { return prgTitle2_; }
    const Label& lblPrgTitle1() const { return prgTitle1_; }
    const Label& lblBackTitle1() const { return backTitle1_; }

private:
    static bool RegisterWindowClass();
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    bool CreateLabel(Label& label, int left, int top, HFONT font, COLORREF color, bool visible);
    void SetLabelText(Label& label, const std::string& text);
    void FitLabelToText(Label& label);
    // Every label not sized yet takes its text's extent.
    void SizeLabels();
    void MoveLabel(const Label& label, int left, int top) const;
    void SetLabelWidth(Label& label, int width);
    // Repaints the gradient under a label and the labels over it; a transparent label
    // cannot erase its own old text.
    void RepaintUnder(const Label& label) const;
    const Label* FindLabel(HWND hwnd) const;
    SIZE OuterSize() const;
    int Scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    void MakeFonts();
    void OnDpiChanged(WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    bool created_ = false;
    bool started_ = false;     // the first resize has maximised the window (once per window)
    bool wizardShown_ = false; // the wizard has been shown (once per window)
    TGradBox gradBox_;
    int dpi_ = 96;
    UniqueGdiObject titleFont_;
    UniqueGdiObject creditFont_;
    // In painting order: each white label lies over its coloured shadow.
    Label backTitle2_;
    Label prgTitle2_;
    Label prgTitle1_;
    Label backTitle1_;
};
