#include "ui/Dpi.h"

#include "ui/Controls.h"

namespace {

struct UserDpiApi {
    UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* AdjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
};

// user32 is loaded already (the program imports it), so looking it up by name loads
// nothing from elsewhere.
const UserDpiApi& UserDpi()
{
    static const UserDpiApi api = [] {
        UserDpiApi a;
        if (HMODULE user = GetModuleHandleA("user32.dll")) {
            a.GetDpiForWindow = reinterpret_cast<decltype(a.GetDpiForWindow)>(
                reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
            a.AdjustWindowRectExForDpi = reinterpret_cast<decltype(a.AdjustWindowRectExForDpi)>(
                reinterpret_cast<void*>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
        }
        return a;
    }();
    return api;
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

BOOL CALLBACK RescaleOne(HWND child, LPARAM param)
{
    const auto* dpis = reinterpret_cast<const int*>(param);
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    const RECT s = ScaleRect(r, dpis[0], dpis[1]);
    SetWindowPos(child, nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

struct FontSwap {
    const std::vector<HFONT>* from;
    const FormFonts* to;
};

BOOL CALLBACK SwapFont(HWND child, LPARAM param)
{
    const auto* swap = reinterpret_cast<const FontSwap*>(param);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    for (size_t i = 0; i < swap->from->size(); ++i) {
        if ((*swap->from)[i] != font) continue;
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(swap->to->Get(static_cast<int>(i))), TRUE);
        break;
    }
    return TRUE;
}

struct FontMetrics {
    int lineHeight;
    int sampleWidth;
};

FontMetrics Measure(HFONT font)
{
    // Full- and half-width letters, digits and a mnemonic, as the window tables hold them.
    static const char kSample[] = "汎用インストーラ Quillon Installer 続行(&C) 0123456789";
    FontMetrics m = {0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return m;
    {
        SavedDC saved(dc);
        SelectObject(dc, font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, kSample, static_cast<int>(sizeof kSample - 1), &extent);
        m = {tm.tmHeight, extent.cx};
    }
    DeleteDC(dc);
    return m;
}

// The font of a look for dpi. A font's lines and letters do not grow exactly in
// proportion to its size (the rasteriser rounds), so the size scaled may need a line or a
// few pixels more than the scaled layout gives, and a text that fits at 96 DPI would be
// cut off. The largest size whose lines and sample text stay within the 96-DPI font's,
// scaled down to whole pixels, is taken.
UniqueGdiObject CreateFontForDpi(const FormFonts::Look& s, int dpi)
{
    UniqueGdiObject font = CreateUiFont(ScaleToDpi(s.pixels, dpi), s.face, s.italic, s.fixedPitch);
    if (dpi == kBaseDpi || !font) return font;
    UniqueGdiObject base = CreateUiFont(s.pixels, s.face, s.italic, s.fixedPitch);
    const FontMetrics limit = Measure(static_cast<HFONT>(base.get()));
    const int maxHeight = limit.lineHeight * dpi / kBaseDpi;
    const int maxWidth = limit.sampleWidth * dpi / kBaseDpi;
    for (int pixels = ScaleToDpi(s.pixels, dpi); pixels > s.pixels; --pixels) {
        UniqueGdiObject candidate = CreateUiFont(pixels, s.face, s.italic, s.fixedPitch);
        const FontMetrics m = Measure(static_cast<HFONT>(candidate.get()));
        if (m.lineHeight <= maxHeight && m.sampleWidth <= maxWidth) return candidate;
    }
    return font;
}

} // namespace

int WindowDpi(HWND hwnd)
{
    if (hwnd && UserDpi().GetDpiForWindow) {
        if (const UINT dpi = UserDpi().GetDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

RECT ScaleRect(const RECT& r, int fromDpi, int toDpi)
{
    return {MulDiv(r.left, toDpi, fromDpi), MulDiv(r.top, toDpi, fromDpi), MulDiv(r.right, toDpi, fromDpi),
            MulDiv(r.bottom, toDpi, fromDpi)};
}

SIZE FrameSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi)
{
    RECT frame = {0, 0, ScaleToDpi(clientWidth, dpi), ScaleToDpi(clientHeight, dpi)};
    // The frame's own metrics follow the DPI too where the system can say so.
    if (dpi == kBaseDpi || !UserDpi().AdjustWindowRectExForDpi ||
        !UserDpi().AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int FormFonts::Add(const Look& look)
{
    looks_.push_back(look);
    fonts_.push_back(CreateFontForDpi(look, dpi_));
    return static_cast<int>(looks_.size()) - 1;
}

HFONT FormFonts::Get(int index) const
{
    if (index < 0 || index >= static_cast<int>(fonts_.size())) return nullptr;
    return static_cast<HFONT>(fonts_[static_cast<size_t>(index)].get());
}

void FormFonts::Rebuild(HWND form, int dpi)
{
    if (dpi == dpi_) return;
    std::vector<HFONT> old;
    for (const UniqueGdiObject& f : fonts_) old.push_back(static_cast<HFONT>(f.get()));
    std::vector<UniqueGdiObject> made;
    for (const Look& s : looks_) made.push_back(CreateFontForDpi(s, dpi));
    // The old fonts stay alive until every control has let go of them.
    std::vector<UniqueGdiObject> retired = std::move(fonts_);
    fonts_ = std::move(made);
    dpi_ = dpi;
    if (!form) return;
    FontSwap swap{&old, this};
    SwapFont(form, reinterpret_cast<LPARAM>(&swap));
    EnumChildWindows(form, SwapFont, reinterpret_cast<LPARAM>(&swap));
}

void RescaleChildren(HWND form, int fromDpi, int toDpi)
{
    if (!form || fromDpi == toDpi || fromDpi <= 0) return;
    int dpis[2] = {fromDpi, toDpi};
    EnumChildWindows(form, RescaleOne, reinterpret_cast<LPARAM>(dpis));
}

int ApplyDpiChange(HWND form, FormFonts& fonts, WPARAM wp, LPARAM lp)
{
    const int dpi = HIWORD(wp) ? HIWORD(wp) : kBaseDpi;
    RescaleChildren(form, fonts.Dpi(), dpi);
    fonts.Rebuild(form, dpi);
    if (const auto* suggested = reinterpret_cast<const RECT*>(lp)) {
        SetWindowPos(form, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(form, nullptr, TRUE);
    return dpi;
}

bool AnswerFormMessage(HWND form, FormFonts& fonts, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    result = 0;
    switch (msg) {
    case WM_GETFONT: result = reinterpret_cast<LRESULT>(fonts.Get(0)); return true;
    case WM_NEXTDLGCTL: result = NextDialogControl(form, wp, lp); return true;
    case WM_DPICHANGED: ApplyDpiChange(form, fonts, wp, lp); return true;
    }
    return false;
}
