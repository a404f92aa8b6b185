// Starts the real SETUP.EXE and drives its windows from this process, as a user or an
// automation tool would: find windows by class and caption, read texts with WM_GETTEXT,
// press buttons with BM_CLICK, answer message boxes.
#pragma once
#include "TestSupport.h"
#include "foundation/Handles.h"

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// The SETUP.EXE the unattended tests drive (or the i686 build QS_SETUP_I686 names) and its registry view.
inline const char* SetupUnderTest()
{
    return std::getenv("QS_SETUP_I686") ? std::getenv("QS_SETUP_I686") : QS_SETUP_EXE;
}
inline int SetupBits()
{
    return std::getenv("QS_SETUP_I686") ? 32 : 0;
}
class SetupProcess {
public:
    // Starts exePath with the arguments, TMP and TEMP set to tempFolder and the extra
    // environment entries ("NAME=value").
    SetupProcess(const std::string& exePath, const std::string& arguments, const std::string& tempFolder,
                 const std::vector<std::string>& environment = {});
    ~SetupProcess(); // ends the program if it still runs
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    DWORD Id() const { return pid_; }
    // True once the program has ended within the time.
    bool WaitForExit(DWORD timeoutMs);
    bool Running() const;
    // The program's exit code once it has ended; 259 (STILL_ACTIVE) before.
    DWORD ExitCode() const;
    // Ends the program at once, as a crash or the task manager would, with exit code
    // kKilled (no exit code of the program's own).
    void Kill();
    static constexpr DWORD kKilled = 99;

    // A visible top-level window of this program with the class (and caption, unless
    // nullptr); nullptr after the time.
    HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const;
    HWND FindWindowOf(const char* className, const char* caption) const;
    // A message box of this program with the caption.
    HWND WaitForMessageBox(const std::string& caption, DWORD timeoutMs = kPatienceMs) const
    {
        return WaitForWindow("#32770", caption.c_str(), timeoutMs);
    }
    // Waits until the thread of the window has come back for messages: all that the
    // program did in answer to earlier input is done. False when it did not answer.
    bool Settled(HWND window) const;
    // The text of the selected item of a tree view of this program ("" when none).
    std::string SelectedTreeItemText(HWND tree) const;

private:
    UniqueKernelHandle process_;
    DWORD pid_ = 0;
};

// The descendant with the control ID.
HWND ControlOf(HWND form, int id);
std::string TextOf(HWND hwnd);
// The text of a message box.
std::string MessageBoxText(HWND box);
// How a press reaches the program: posted to its queue as a mouse click would come, or
// sent as an automation or accessibility tool sends BM_CLICK (GetMessage never returns
// for a sent message, so a loop that only looks after GetMessage misses it).
enum class Delivery { Posted, Sent };
// Presses a button. Sent: waits until the button's handler returns, at most 10 s (the
// handler may open a modal question that this process answers later).
void Press(HWND button, Delivery how = Delivery::Posted);
// Sends BM_CLICK as an automation tool does and says whether the program's handler gave
// the sender back control (within kPatienceMs): a handler that waits for the user holds
// such a tool for good.
bool PressSentReturns(HWND button);
// Presses the message box's button with the ID (IDOK 1, IDYES 6, IDNO 7).
void Answer(HWND box, int buttonId);
bool IsShown(HWND hwnd); // the control's own visibility flag
bool IsEnabled(HWND hwnd);
bool IsChecked(HWND hwnd);
