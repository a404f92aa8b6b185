#include "ui/Gauge.h"

#include "ui/GdiObjects.h"
#include "ui/WindowClass.h"

#include <algorithm>
#include <cstdint>

TGauge::~TGauge()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

bool TGauge::RegisterWindowClass()
{
    return RegisterWindowClassOnce(kClassName, WndProc, nullptr);
}

HWND TGauge::Create(HWND parent, int left, int top, int width, int height, int id)
{
    if (hwnd_ || !RegisterWindowClass()) return nullptr;
    // The window picks up this object in WM_NCCREATE, before any paint can arrive.
    CreateWindowExA(0, kClassName, PercentText().c_str(), WS_CHILD | WS_VISIBLE, left, top, width, height, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), this);
    return hwnd_;
}

bool TGauge::SetProgress(int value)
{
    const int old = PercentDone();
    progress_ = std::clamp(value, min_, max_);
    if (PercentDone() == old) return false;
    Refresh();
    return true;
}

bool TGauge::SetRange(int minValue, int maxValue)
{
    if (minValue > maxValue) return false;
    const int old = PercentDone();
    min_ = minValue;
    max_ = maxValue;
    progress_ = std::clamp(progress_, min_, max_);
    if (PercentDone() != old) Refresh();
    return true;
}

void TGauge::SetForeColor(COLORREF color)
{
    fore_ = color;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TGauge::SetBackColor(COLORREF color)
{
    back_ = color;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

int TGauge::PercentDone() const
{
    if (max_ == min_) return 0;
    // 64-bit: the span of two ints does not fit in one.
    const std::int64_t done = static_cast<std::int64_t>(progress_) - min_;
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    return static_cast<int>(done * 100 / span);
}

std::string TGauge::PercentText() const
{
    return std::to_string(PercentDone()) + "%";
}

void TGauge::Refresh()
{
    if (!hwnd_) return;
    SetWindowTextA(hwnd_, PercentText().c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void TGauge::Paint(HDC dc, const RECT& client) const
{
    SavedDC saved(dc);
    UniqueGdiObject frame(CreateSolidBrush(RGB(0, 0, 0)));
    FrameRect(dc, &client, static_cast<HBRUSH>(frame.get()));
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    if (inner.right <= inner.left || inner.bottom <= inner.top) return;

    // The bar follows the exact proportion; the text shows the truncated per cent.
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const std::int64_t width = inner.right - inner.left;
    const int barWidth = span > 0 ? static_cast<int>(width * (static_cast<std::int64_t>(progress_) - min_) / span) : 0;
    RECT bar = {inner.left, inner.top, inner.left + barWidth, inner.bottom};
    RECT rest = {bar.right, inner.top, inner.right, inner.bottom};
    FillSolid(dc, bar, fore_);
    FillSolid(dc, rest, back_);

    // Text in the other part's colour, so it stays readable where the bar covers it.
    const std::string text = PercentText();
    if (font_) SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    auto drawIn = [&](const RECT& area, COLORREF color) {
        if (area.right <= area.left) return;
        SavedDC clip(dc);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        SetTextColor(dc, color);
        RECT r = inner;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    };
    drawIn(bar, back_);
    drawIn(rest, fore_);
}

LRESULT CALLBACK TGauge::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = WindowObject<TGauge>(hwnd, msg, lp);
    if (self && msg == WM_NCCREATE) self->hwnd_ = hwnd;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_ERASEBKGND: return 1; // the paint covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        self->Paint(dc, client);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETFONT:
        self->font_ = reinterpret_cast<HFONT>(wp);
        if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(self->font_);
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
