// The child controls of the forms. Every control of the window tables is a real child
// window that carries its text, so screen readers, automation tools and the GUI tests
// read the program the way a user sees it.
#pragma once
#include "ui/GdiObjects.h"

#include <windows.h>

#include <functional>
#include <string>

enum class ControlKind {
    Group,     // framed container with a caption; its children move and hide with it
    Label,     // STATIC, no mnemonic processing
    WrapLabel, // STATIC, word-wrapped
    Button,
    CheckBox,
    RadioButton,
    Edit,  // single-line edit box
    Memo,  // multi-line read-only text box
    Image, // STATIC showing an icon
};

struct ControlDef {
    int id;
    ControlKind kind;
    const char* text;
    int left, top, width, height;
    bool visible = true;
    bool enabled = true;
    DWORD extraStyle = 0;
};

// The window class of group containers: "TGroupBox". Registered on first use.
constexpr const char* kGroupBoxClass = "TGroupBox";

// Creates one control under parent with the font, its 96-DPI geometry scaled to dpi.
// nullptr on failure.
HWND CreateControl(HWND parent, const ControlDef& def, HFONT font, int dpi = 96);

// A font of the given character height in pixels, Shift-JIS character set.
UniqueGdiObject CreateUiFont(int pixels, const char* face, bool italic = false, bool fixedPitch = false);

std::string GetText(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);

// The height a word-wrapped label needs for its text at its width, in its font.
int WrappedTextHeight(HWND label);

// The descendant of root with the control ID (groups nest their controls).
HWND FindControl(HWND root, int id);

// Dispatches one message; keyboard input to one of the program's forms first gets dialog
// navigation (Tab, Enter, Esc, Alt+mnemonic), as in a dialog box.
void DispatchWithNavigation(MSG& msg);

// Dispatches every pending message of this thread. A WM_QUIT met on the way is posted
// again so the loop that owns it still ends. False when WM_QUIT was met.
bool ProcessPendingMessages();

// Dispatches this thread's messages until done() holds, and returns true then. done() is
// looked at after every message, those sent from another thread or program included
// (GetMessage never returns for them, and an automation tool presses a button with a
// sent BM_CLICK). dialog, when given, gets dialog keyboard navigation. Returns false
// when WM_QUIT was met, which is posted again.
bool RunMessagesUntil(HWND dialog, const std::function<bool()>& done);

// Waits the time while dispatching this thread's messages as they come. Returns early
// (false) when WM_QUIT is met, which is posted again.
bool WaitProcessingMessages(int milliseconds);

// WM_NEXTDLGCTL for a form that is no dialog: focus the control given (lp nonzero) or the
// next (wp zero) or previous tab stop.
LRESULT NextDialogControl(HWND form, WPARAM wp, LPARAM lp);

// Centres a top-level window on the screen.
void CenterOnScreen(HWND hwnd);

// Creates a top-level window whose client area has the given size at 96 DPI, scaled to
// the DPI the window is shown at.
HWND CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle, int clientWidth,
                int clientHeight, HWND owner, void* self);

// Disables and greys the Close item of the window's system menu.
void DisableCloseItem(HWND hwnd);

// The program's own icon ("MAINICON"), or the system's application icon without one.
HICON ProgramIcon();
// Gives a form the program's icon in its caption and in the task switcher.
void SetProgramIcon(HWND form);
