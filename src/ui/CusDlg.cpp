#include "ui/CusDlg.h"

#include "ui/Controls.h"
#include "ui/WindowClass.h"

#include <vector>

namespace {

struct ControlSpec {
    int id;
    const char* className;
    const char* caption;
    int left, top, width, height;
};

const ControlSpec kControls[] = {
    {TfrmCustomDlg::kIdMessage, "STATIC", "", 8, 8, 409, 73},
    {TfrmCustomDlg::kIdYes, "BUTTON", "はい(&Y)", 8, 88, 97, 25},
    {TfrmCustomDlg::kIdNo, "BUTTON", "いいえ(&N)", 112, 88, 97, 25},
    {TfrmCustomDlg::kIdDelete, "BUTTON", "すべて削除(&D)", 216, 88, 97, 25},
    {TfrmCustomDlg::kIdSave, "BUTTON", "すべて保存(&A)", 320, 88, 97, 25},
};

// A dialog frame with a caption but no system menu, hence no Close box and no icons.
const DWORD kStyle = WS_POPUP | WS_CAPTION | WS_DLGFRAME | WS_CLIPCHILDREN;
const DWORD kExStyle = WS_EX_DLGMODALFRAME;

} // namespace

TfrmCustomDlg::~TfrmCustomDlg()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

bool TfrmCustomDlg::RegisterWindowClass()
{
    return RegisterWindowClassOnce(kClassName, WndProc,
                                   reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
}

HWND TfrmCustomDlg::Create(HWND answerLabel)
{
    if (hwnd_ || !RegisterWindowClass()) return nullptr;
    // The window picks up this object in WM_NCCREATE.
    if (!CreateForm(kClassName, kCaption, kStyle, kExStyle, kClientWidth, kClientHeight, nullptr, this)) return nullptr;
    answerLabel_ = answerLabel;
    fonts_ = FormFonts(WindowDpi(hwnd_));
    fonts_.Add({12, "ＭＳ Ｐゴシック", false, false});
    if (!CreateControls()) {
        DestroyWindow(hwnd_);
        return nullptr;
    }
    return hwnd_;
}

bool TfrmCustomDlg::CreateControls()
{
    for (const ControlSpec& c : kControls) {
        const bool label = c.id == kIdMessage;
        // The label shows paths verbatim: an "&" in a file name is no mnemonic.
        const DWORD style = WS_CHILD | WS_VISIBLE | (label ? SS_LEFT | SS_NOPREFIX : WS_TABSTOP | BS_PUSHBUTTON);
        const RECT r = ScaleRect({c.left, c.top, c.left + c.width, c.top + c.height}, kBaseDpi, fonts_.Dpi());
        HWND child = CreateWindowExA(0, c.className, c.caption, style, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                     GetModuleHandleA(nullptr), nullptr);
        if (!child) return false;
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(0)), FALSE);
    }
    return true;
}

void TfrmCustomDlg::SetMessage(const std::string& text)
{
    if (HWND label = Control(kIdMessage)) SetWindowTextA(label, text.c_str());
}

std::string TfrmCustomDlg::Message() const
{
    HWND label = Control(kIdMessage);
    if (!label) return {};
    std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(label)) + 1);
    const int n = GetWindowTextA(label, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

const char* TfrmCustomDlg::AnswerWord(int controlId)
{
    switch (controlId) {
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    case kIdDelete: return "Delete";
    case kIdSave: return "Save";
    }
    return nullptr;
}

void TfrmCustomDlg::Answer(int controlId)
{
    const char* word = AnswerWord(controlId);
    if (!word || !showing_) return;
    if (answerLabel_) SetWindowTextA(answerLabel_, word);
    modalResult_ = 1;
}

int TfrmCustomDlg::ShowModal(HWND owner)
{
    if (!hwnd_ || showing_) return 0;
    showing_ = true;
    modalResult_ = 0;
    // The owner keeps the dialog above it; it is chosen per question.
    SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // EnableWindow returns nonzero when the window was disabled already.
    const bool reenableOwner = owner && !EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(Control(kIdYes));

    RunMessagesUntil(hwnd_, [this] { return modalResult_ != 0; });

    // Enable the owner before hiding, so activation returns to it rather than elsewhere.
    if (reenableOwner) EnableWindow(owner, TRUE);
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    showing_ = false;
    return modalResult_ > 0 ? modalResult_ : 0;
}

LRESULT CALLBACK TfrmCustomDlg::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = WindowObject<TfrmCustomDlg>(hwnd, msg, lp);
    if (self && msg == WM_NCCREATE) self->hwnd_ = hwnd;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (LRESULT result; AnswerFormMessage(hwnd, self->fonts_, msg, wp, lp, result)) return result;

    switch (msg) {
    case WM_COMMAND: {
        int id = LOWORD(wp);
        // Enter arrives as IDOK: it presses the focused button. Esc (IDCANCEL) does nothing.
        if (id == IDOK) {
            HWND focus = GetFocus();
            id = focus && GetParent(focus) == hwnd ? GetDlgCtrlID(focus) : 0;
        }
        if (HIWORD(wp) == BN_CLICKED || LOWORD(wp) == IDOK) self->Answer(id);
        return 0;
    }
    case DM_GETDEFID: {
        // Enter answers with the focused button; before any is focused, with "はい(&Y)".
        HWND focus = GetFocus();
        const int id = focus && GetParent(focus) == hwnd && AnswerWord(GetDlgCtrlID(focus)) ? GetDlgCtrlID(focus)
                                                                                            : kIdYes;
        return MAKELRESULT(id, DC_HASDEFID);
    }
    case WM_CLOSE:
        // No Close box: the question is answered only by a button, never dismissed
        // (Alt+F4 or another program's WM_CLOSE would leave the run without an answer).
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->modalResult_ = -1; // ends a modal loop whose window went away
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
