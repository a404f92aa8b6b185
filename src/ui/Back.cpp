#include "ui/Back.h"

#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/VersionText.h"
#include "ui/WindowClass.h"

#include <algorithm>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Single border, caption and system menu only; no clipping of the labels, which paint
// over the gradient.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_DISABLED;
constexpr DWORD kLabelStyle = WS_CHILD | SS_LEFT | SS_NOPREFIX;

UniqueGdiObject MakeFont(int pixels, const char* face)
{
    // Negative height: the character height in pixels, not the cell height.
    return UniqueGdiObject(CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, face));
}

std::string WindowText(HWND hwnd)
{
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT ChildRect(HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC()
    {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

} // namespace

TfrmBack::~TfrmBack()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

bool TfrmBack::RegisterWindowClass()
{
    return RegisterWindowClassOnce(kClassName, WndProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

HWND TfrmBack::Create()
{
    if (hwnd_ || !RegisterWindowClass()) return nullptr;
    // The window picks up this object in WM_NCCREATE.
    if (!CreateForm(kClassName, "Quillon Installer", kStyle, 0, kClientWidth, kClientHeight, nullptr, this))
        return nullptr;
    dpi_ = WindowDpi(hwnd_);

    // The task bar shows the class icon; take the program's own when it has one.
    SetClassLongPtrA(hwnd_, GCLP_HICON, reinterpret_cast<LONG_PTR>(ProgramIcon()));

    RECT client = {};
    GetClientRect(hwnd_, &client);
    gradBox_.SetOwner(hwnd_);
    gradBox_.SetBounds(0, 0, client.right, client.bottom);
    gradBox_.SetStartColor(kBlue);
    gradBox_.SetGradStep(128);
    gradBox_.OnChange = [this] { FormResize(); };

    MakeFonts();
    const auto title = static_cast<HFONT>(titleFont_.get());
    const auto credit = static_cast<HFONT>(creditFont_.get());
    if (!CreateLabel(backTitle2_, Scaled(39), Scaled(16), title, kGreen, true) ||
        !CreateLabel(prgTitle2_, Scaled(24), Scaled(48), credit, kBlue, false) ||
        !CreateLabel(prgTitle1_, Scaled(8), Scaled(48), credit, kWhite, false) ||
        !CreateLabel(backTitle1_, Scaled(16), Scaled(16), title, kWhite, true)) {
        DestroyWindow(hwnd_);
        return nullptr;
    }
    created_ = true;
    return hwnd_;
}

void TfrmBack::MakeFonts()
{
    titleFont_ = MakeFont(Scaled(32), "ＭＳ Ｐゴシック");
    creditFont_ = MakeFont(Scaled(16), "ＭＳ Ｐ明朝");
}

void TfrmBack::OnDpiChanged(WPARAM wp, LPARAM lp)
{
    const int dpi = HIWORD(wp) ? HIWORD(wp) : kBaseDpi;
    RescaleChildren(hwnd_, dpi_, dpi);
    dpi_ = dpi;
    // The labels let go of the old fonts before they are deleted.
    UniqueGdiObject oldTitle = std::move(titleFont_), oldCredit = std::move(creditFont_);
    MakeFonts();
    for (Label* label : {&backTitle2_, &backTitle1_})
        SendMessageA(label->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    for (Label* label : {&prgTitle2_, &prgTitle1_})
        SendMessageA(label->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(creditFont_.get()), FALSE);
    if (const auto* suggested = reinterpret_cast<const RECT*>(lp); suggested && !IsZoomed(hwnd_)) {
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void TfrmBack::Show()
{
    if (hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);
}

bool TfrmBack::CreateLabel(Label& label, int left, int top, HFONT font, COLORREF color, bool visible)
{
    label.color = color;
    label.hwnd = CreateWindowExA(0, "STATIC", "", kLabelStyle | (visible ? WS_VISIBLE : 0), left, top, 0, 0, hwnd_,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!label.hwnd) return false;
    SendMessageA(label.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Later labels lie on top, so each white label covers its shadow.
    SetWindowPos(label.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void TfrmBack::FormResize()
{
    if (!created_ || started_ || !hwnd_ || IsZoomed(hwnd_) || IsIconic(hwnd_)) return;
    // Once only: restoring the window later must not show the wizard a second time.
    started_ = true;
    SetWindowTextA(hwnd_, std::string("Quillon Installer Version").append(VersionText()).c_str());
    SizeLabels();
    const RECT title = ChildRect(backTitle1_.hwnd);
    MoveLabel(backTitle2_, title.left + Scaled(2), title.top + Scaled(2));
    ShowWindow(hwnd_, SW_MAXIMIZE);
    StartWizard();
}

void TfrmBack::StartWizard()
{
    if (!started_ || wizardShown_ || !hwnd_) return;
    if (!ShowMainModal) {
        // The wizard is still being created: the background is painted now, not only
        // once the wizard's loop runs.
        UpdateWindow(hwnd_);
        return;
    }
    wizardShown_ = true;
    ShowMainModal();
    if (hwnd_) SendMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void TfrmBack::SetTitle(const std::string& title)
{
    const int width = OuterSize().cx - Scaled(24);
    for (Label* label : {&backTitle2_, &backTitle1_}) {
        label->autoSize = false;
        SetLabelWidth(*label, width);
        SetLabelText(*label, title);
    }
}

void TfrmBack::PlaceCredits(const std::string& text)
{
    SetLabelText(prgTitle2_, text);
    prgTitle1_.autoSize = true;
    SetLabelText(prgTitle1_, text);
    prgTitle1_.autoSize = false;
    RECT r = ChildRect(prgTitle1_.hwnd);
    const int width = r.right - r.left + Scaled(8);
    const int height = r.bottom - r.top;
    SetLabelWidth(prgTitle1_, width);

    const SIZE outer = OuterSize();
    const int left = outer.cx - width - Scaled(24);
    const int top = outer.cy - height - Scaled(48);
    MoveLabel(prgTitle1_, left, top);
    MoveLabel(prgTitle2_, left + Scaled(2), top + Scaled(2));
    for (const Label* label : {&prgTitle2_, &prgTitle1_}) {
        ShowWindow(label->hwnd, SW_SHOWNA);
        RepaintUnder(*label);
    }
    if (hwnd_) UpdateWindow(hwnd_);
}

void TfrmBack::SetLabelText(Label& label, const std::string& text)
{
    if (!label.hwnd) return;
    RepaintUnder(label);
    SetWindowTextA(label.hwnd, text.c_str());
    if (label.autoSize) FitLabelToText(label);
    RepaintUnder(label);
}

void TfrmBack::SizeLabels()
{
    for (Label* label : {&backTitle2_, &prgTitle2_, &prgTitle1_, &backTitle1_})
        if (!label->sized) FitLabelToText(*label);
}

void TfrmBack::FitLabelToText(Label& label)
{
    label.sized = true;
    const std::string text = WindowText(label.hwnd);
    // An empty label keeps the height of one line.
    const char* measured = text.empty() ? " " : text.c_str();
    const int length = text.empty() ? 1 : static_cast<int>(text.size());
    WindowDC dc(label.hwnd);
    if (!dc.get()) return;
    SavedDC saved(dc.get());
    SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(label.hwnd, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc.get(), measured, length, &r, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
    SetWindowPos(label.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmBack::MoveLabel(const Label& label, int left, int top) const
{
    if (!label.hwnd) return;
    RepaintUnder(label);
    SetWindowPos(label.hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RepaintUnder(label);
}

void TfrmBack::SetLabelWidth(Label& label, int width)
{
    if (!label.hwnd) return;
    // The height stays the text's.
    if (!label.sized) FitLabelToText(label);
    const RECT r = ChildRect(label.hwnd);
    RepaintUnder(label);
    SetWindowPos(label.hwnd, nullptr, 0, 0, std::max(width, 0), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RepaintUnder(label);
}

void TfrmBack::RepaintUnder(const Label& label) const
{
    if (!hwnd_ || !label.hwnd) return;
    const RECT r = ChildRect(label.hwnd);
    RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

const TfrmBack::Label* TfrmBack::FindLabel(HWND hwnd) const
{
    for (const Label* label : {&backTitle2_, &prgTitle2_, &prgTitle1_, &backTitle1_})
        if (label->hwnd && label->hwnd == hwnd) return label;
    return nullptr;
}

SIZE TfrmBack::OuterSize() const
{
    RECT r = {};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

LRESULT CALLBACK TfrmBack::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = WindowObject<TfrmBack>(hwnd, msg, lp);
    if (self && msg == WM_NCCREATE) self->hwnd_ = hwnd;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->created_ = false;
        self->backTitle2_.hwnd = self->prgTitle2_.hwnd = self->prgTitle1_.hwnd = self->backTitle1_.hwnd = nullptr;
        self->gradBox_.SetOwner(nullptr);
        const LRESULT result = DefWindowProcA(hwnd, msg, wp, lp);
        if (self->OnClosed) self->OnClosed();
        return result;
    }
    return self->HandleMessage(msg, wp, lp);
}

LRESULT TfrmBack::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        gradBox_.SetBounds(0, 0, LOWORD(lp), HIWORD(lp));
        FormResize();
        return 0;
    case WM_DPICHANGED: OnDpiChanged(wp, lp); return 0;
    case WM_ERASEBKGND: return 1; // the gradient covers the whole client area
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        if (dc) gradBox_.Paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: // lets a caller capture the gradient without a screen
        gradBox_.Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (const Label* label = FindLabel(reinterpret_cast<HWND>(lp))) {
            const auto dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, label->color);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        break;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}
