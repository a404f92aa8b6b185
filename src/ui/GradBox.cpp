#include "ui/GradBox.h"

#include "ui/GdiObjects.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds halves to even (the default floating-point rounding mode).
int RoundEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

int Channel(int from, int to, int n, int i)
{
    const int v = RoundEven(static_cast<double>(to - from) / n * i) + from;
    return std::clamp(v, 0, 255);
}

COLORREF NearestColor(HDC dc, COLORREF color)
{
    const COLORREF nearest = GetNearestColor(dc, color);
    return nearest == CLR_INVALID ? color : nearest;
}

} // namespace

std::vector<GradBand> ComputeGradBands(int width, int height, COLORREF start, COLORREF end, BYTE gradStep,
                                       TGradDirection direction)
{
    const bool vertical = direction == gdVertical;
    const int length = vertical ? height : width;
    const int n = gradStep + 1;
    int s = RoundEven(static_cast<double>(length) / n);
    if (s == 0) s = 1;

    auto bandRect = [&](int from, int to) { return vertical ? RECT{0, from, width, to} : RECT{from, 0, to, height}; };

    std::vector<GradBand> bands;
    bands.reserve(n + 2);
    int p = 0;
    COLORREF color = start;
    for (int i = 0; i <= n; ++i) {
        color = RGB(Channel(GetRValue(start), GetRValue(end), n, i), Channel(GetGValue(start), GetGValue(end), n, i),
                    Channel(GetBValue(start), GetBValue(end), n, i));
        bands.push_back({bandRect(p, p + s), color});
        p += s;
    }
    // Rounding the band size down leaves a strip at the far edge; it takes the end colour.
    // Any strip counts, even one thinner than a band, so no edge is left unpainted.
    if (p < length) bands.push_back({bandRect(p, length), color});
    return bands;
}

void TGradBox::SetColor(int index, COLORREF color)
{
    if (index == 1) start_ = color;
    else if (index == 2) end_ = color;
    else return;
    Changed();
}

void TGradBox::SetGradStep(BYTE step)
{
    gradStep_ = step;
    Changed();
}

void TGradBox::SetDirection(TGradDirection direction)
{
    if (direction == direction_) return;
    direction_ = direction;
    Changed();
}

void TGradBox::SetBounds(int left, int top, int width, int height)
{
    Invalidate();
    bounds_ = {left, top, left + std::max(width, 0), top + std::max(height, 0)};
    Invalidate();
}

void TGradBox::Changed()
{
    Invalidate();
    if (OnChange) OnChange();
}

void TGradBox::Invalidate() const
{
    if (owner_) InvalidateRect(owner_, &bounds_, FALSE);
}

void TGradBox::Paint(HDC dc) const
{
    if (Width() <= 0 || Height() <= 0) return;
    SavedDC saved(dc);
    IntersectClipRect(dc, bounds_.left, bounds_.top, bounds_.right, bounds_.bottom);
    const COLORREF start = NearestColor(dc, start_);
    const COLORREF end = NearestColor(dc, end_);
    for (const GradBand& band : ComputeGradBands(Width(), Height(), start, end, gradStep_, direction_)) {
        RECT r = band.rect;
        OffsetRect(&r, bounds_.left, bounds_.top);
        FillSolid(dc, r, band.color);
    }
}
