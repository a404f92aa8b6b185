#include "ui/Status.h"

#include "ui/Controls.h"
#include "ui/WindowClass.h"

#include <cstdint>

namespace {

// Single fixed border with the system menu only: no sizing, no minimise or maximise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr COLORREF kNavy = RGB(0, 0, 128);

struct PlacedControl {
    int parent; // control ID of the container; 0 for the form itself
    ControlDef def;
};

// lblMessage lies under fraStatus; WS_CLIPSIBLINGS keeps its repaints off the counter.
const PlacedControl kControls[] = {
    {0, {TfrmStatus::kGrpMessage, ControlKind::Group, "メッセージ", 8, 8, 481, 249}},
    {TfrmStatus::kGrpMessage,
     {TfrmStatus::kLblMessage, ControlKind::WrapLabel, "", 8, 16, 457, 225, true, true, WS_CLIPSIBLINGS}},
    {TfrmStatus::kGrpMessage, {TfrmStatus::kFraStatus, ControlKind::Group, "進行状況", 8, 200, 465, 41, false}},
    {TfrmStatus::kFraStatus,
     {TfrmStatus::kLblStatus, ControlKind::Label, "(0/0)", 384, 16, 72, 17, true, true, SS_CENTER}},
    {0, {TfrmStatus::kBtnAbort, ControlKind::Button, TfrmStatus::kAbortCaption, 168, 264, 161, 25, true, false}},
};

std::string AbortQuestion(const std::string& unSetupWord)
{
    return std::string("ここで処理を中断すると、すでにコピー済みのファイルなどは削除されません。\r\n")
        .append("一度、処理を完了してから、")
        .append(unSetupWord)
        .append("することをおすすめします。\r\n\r\n")
        .append("本当にここで処理を中断しますか？");
}

} // namespace

TfrmStatus::~TfrmStatus()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND TfrmStatus::Create(HWND owner)
{
    const auto face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    if (hwnd_ || !RegisterWindowClassOnce(kClassName, WndProc, face)) return nullptr;
    // The window picks up this object in WM_NCCREATE.
    if (!CreateForm(kClassName, kCaption, kStyle, 0, kClientWidth, kClientHeight, owner, this)) return nullptr;
    fonts_ = FormFonts(WindowDpi(hwnd_));
    fonts_.Add({12, "ＭＳ Ｐゴシック", false, false});
    if (!CreateControls()) {
        DestroyWindow(hwnd_);
        return nullptr;
    }
    DisableCloseItem(hwnd_);
    SetProgramIcon(hwnd_);
    return hwnd_;
}

bool TfrmStatus::CreateControls()
{
    const HFONT font = fonts_.Get(0);
    const int dpi = fonts_.Dpi();
    for (const PlacedControl& c : kControls) {
        HWND parent = c.parent ? Control(static_cast<ControlId>(c.parent)) : hwnd_;
        if (!parent || !CreateControl(parent, c.def, font, dpi)) return false;
    }
    HWND frame = Control(kFraStatus);
    // Later siblings lie below earlier ones; the counter must cover the end of the log.
    SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const RECT bar = ScaleRect({8, 16, 8 + 369, 16 + 17}, kBaseDpi, dpi);
    if (!gauge_.Create(frame, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, kGaugeStatus))
        return false;
    SendMessageA(gauge_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    gauge_.SetForeColor(kNavy);
    return true;
}

HWND TfrmStatus::Control(ControlId id) const
{
    return FindControl(hwnd_, id);
}

void TfrmStatus::Show()
{
    if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
}

void TfrmStatus::Hide()
{
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void TfrmStatus::ShowLog(const std::string& log)
{
    SetText(Control(kLblMessage), log);
    ProcessPendingMessages();
}

void TfrmStatus::ShowCounter(int done, int total)
{
    // 64-bit: done * 100 overflows an int for large counts; clamped before narrowing.
    const std::int64_t percent = total > 0 ? static_cast<std::int64_t>(done) * 100 / total : 0;
    ShowCounter(done, total, static_cast<int>(percent > 100 ? 100 : percent < 0 ? 0 : percent));
}

void TfrmStatus::ShowCounter(int done, int total, int percent)
{
    SetText(Control(kLblStatus),
            std::string("(").append(std::to_string(done)).append("/").append(std::to_string(total)).append(")"));
    gauge_.SetProgress(percent > 100 ? 100 : percent < 0 ? 0 : percent);
    ShowCounterFrame();
}

void TfrmStatus::ShowCounterFrame()
{
    if (HWND frame = Control(kFraStatus)) ShowWindow(frame, SW_SHOWNA);
}

void TfrmStatus::HideCounter()
{
    if (HWND frame = Control(kFraStatus)) ShowWindow(frame, SW_HIDE);
}

void TfrmStatus::SetAbortEnabled(bool enabled)
{
    if (HWND button = Control(kBtnAbort)) EnableWindow(button, enabled ? TRUE : FALSE);
}

bool TfrmStatus::WaitForNext()
{
    HWND button = Control(kBtnAbort);
    if (!button) return false;
    SetText(button, kNextCaption);
    EnableWindow(button, TRUE);
    SetFocus(button);
    for (;;) {
        if (!ProcessPendingMessages()) return false;
        if (!hwnd_) return false; // destroyed: nobody can release the wait any more
        if (!IsWindowEnabled(button)) return true;
        // Wakes for new input at once, otherwise looks again after 100 ms.
        MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void TfrmStatus::btnAbortClick()
{
    HWND button = Control(kBtnAbort);
    const std::string caption = GetText(button);
    if (caption == kAbortCaption) {
        // The question waits for the user; a program that pressed the button with a sent
        // BM_CLICK must not wait with it.
        if (!abortPending_) {
            abortPending_ = true;
            PostMessageA(hwnd_, kMsgConfirmAbort, 0, 0);
        }
    } else if (caption == kNextCaption) {
        EnableWindow(button, FALSE);
    }
}

void TfrmStatus::ConfirmAbort()
{
    // The question runs its own message loop while this window stays clickable; a second
    // click must not stack a second question (and a second abort) on the first.
    if (confirming_) return;
    confirming_ = true;
    // Only a person can have pressed the button: with the questions suppressed, the click
    // is that person's decision.
    const int answer = Ask(AbortQuestion(state_.UnSetupWord), "中断の確認", MB_YESNO | MB_ICONQUESTION, IDYES);
    confirming_ = false;
    if (answer != IDYES) return;

    if (mainWindow) EnableWindow(mainWindow, FALSE);
    if (background) EnableWindow(background, TRUE);
    Hide();
    Ask("処理を中断しました。", "中断", MB_OK | MB_ICONEXCLAMATION);
    if (SetMainModalResult) SetMainModalResult(1);
}

LRESULT TfrmStatus::DefaultButton() const
{
    HWND button = Control(kBtnAbort);
    if (!button || !IsWindowEnabled(button)) return 0;
    if (GetFocus() == button || GetText(button) == kNextCaption) return MAKELRESULT(kBtnAbort, DC_HASDEFID);
    return 0;
}

void TfrmStatus::OnEscape()
{
    HWND button = Control(kBtnAbort);
    if (button && IsWindowEnabled(button) && GetText(button) == kAbortCaption) btnAbortClick();
}

int TfrmStatus::Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended)
{
    const int answer = host_.Ask(text, caption, flags, unattended);
    state_.LastAnswer = answer;
    return answer;
}

LRESULT CALLBACK TfrmStatus::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = WindowObject<TfrmStatus>(hwnd, msg, lp);
    if (self && msg == WM_NCCREATE) self->hwnd_ = hwnd;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (LRESULT result; AnswerFormMessage(hwnd, self->fonts_, msg, wp, lp, result)) return result;

    switch (msg) {
    case DM_GETDEFID: return self->DefaultButton();
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL) {
            self->OnEscape();
            return 0;
        }
        // Only a button the user could press counts: a notification sent to a disabled
        // button from outside must not abort a stage that may not be interrupted.
        if (LOWORD(wp) == kBtnAbort && HIWORD(wp) == BN_CLICKED && IsWindowEnabled(self->Control(kBtnAbort)))
            self->btnAbortClick();
        return 0;
    case kMsgConfirmAbort:
        self->abortPending_ = false;
        // Only while the button still offers the abort and no abort was confirmed: the
        // stage may have ended meanwhile, or a second click have come in.
        if (IsWindowEnabled(self->Control(kBtnAbort)) && GetText(self->Control(kBtnAbort)) == kAbortCaption &&
            !(self->mainWindow && !IsWindowEnabled(self->mainWindow)))
            self->ConfirmAbort();
        return 0;
    case WM_CLOSE:
        // The user cannot close the window; the run decides when it goes.
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
