// The seam between the engines and services on one side and whoever sits in front of
// the program on the other: the real windows, the tests' scripted host, or the
// unattended mode. Engines and services never show a message box, never sleep and
// never touch a window themselves; they ask the host.
#pragma once
#include <windows.h>

#include <string>

class Host {
public:
    virtual ~Host() = default;

    // Shows the application's message box. flags is one of the fixed values 16 (OK, stop),
    // 36 (Yes/No, question), 48 (OK, exclamation), 52 (Yes/No, exclamation) or
    // 64 (OK, information). Returns the system's answer code (1 OK, 2 Cancel, 6 Yes,
    // 7 No); the host also stores it as the program's LastAnswer.
    virtual int Ask(const std::string& text, const std::string& caption, unsigned flags) = 0;

    // Shows the progress window's running text, with an optional detail line for the
    // item at hand.
    virtual void ShowProgress(const std::string& log, const std::string& detail) = 0;

    // Lets pending window messages be processed, so windows repaint and buttons stay
    // clickable during long work.
    virtual void ProcessMessages() = 0;

    // The window that owns shell dialogs and started programs (the main window);
    // nullptr when there is none.
    virtual HWND OwnerWindow() const = 0;
};
