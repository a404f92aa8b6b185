// TGradBox: a painted (windowless) colour gradient drawn in bands onto its owner window.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

enum TGradDirection { gdHorizontal = 0, gdVertical = 1 };

// One filled rectangle of a gradient, in the box's own coordinates. A band may reach
// past the box's edge; painting clips it.
struct GradBand {
    RECT rect;
    COLORREF color;
};

// The bands of a gradient from start to end for a box of the given size: gradStep + 2
// bands of equal size along the direction, the last in the end colour, and one more
// band in the end colour when the equal bands stop short of the far edge. The colours
// are used as given (the painter maps them to the device first).
std::vector<GradBand> ComputeGradBands(int width, int height, COLORREF start, COLORREF end, BYTE gradStep,
                                       TGradDirection direction);

class TGradBox {
public:
    TGradBox() = default; // 128 x 128 at (0, 0), white to black, 128 steps, vertical
    TGradBox(const TGradBox&) = delete;
    TGradBox& operator=(const TGradBox&) = delete;

    COLORREF StartColor() const { return start_; }
    COLORREF EndColor() const { return end_; }
    BYTE GradStep() const { return gradStep_; }
    TGradDirection Direction() const { return direction_; }

    // index 1 = StartColor, 2 = EndColor. Always repaints and notifies.
    void SetColor(int index, COLORREF color);
    void SetStartColor(COLORREF color) { SetColor(1, color); }
    void SetEndColor(COLORREF color) { SetColor(2, color); }
    // Repaints and notifies even when the value is unchanged.
    void SetGradStep(BYTE step);
    // Does nothing when the value is unchanged.
    void SetDirection(TGradDirection direction);

    // Called after every effective property change.
    std::function<void()> OnChange;

    // The window the box is painted on; repaints are scheduled there. May be null.
    void SetOwner(HWND owner) { owner_ = owner; }
    // Position and size in the owner's client coordinates. Schedules a repaint.
    void SetBounds(int left, int top, int width, int height);
    const RECT& Bounds() const { return bounds_; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }

    // Paints the gradient at Bounds() on a DC of the owner's client area, clipped to the box.
    void Paint(HDC dc) const;

private:
    void Changed();
    void Invalidate() const;

    COLORREF start_ = RGB(255, 255, 255);
    COLORREF end_ = RGB(0, 0, 0);
    BYTE gradStep_ = 128;
    TGradDirection direction_ = gdVertical;
    HWND owner_ = nullptr;
    RECT bounds_ = {0, 0, 128, 128};
};
