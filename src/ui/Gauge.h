// TGauge: a progress bar drawn by the program. A child window of class "TGauge" whose
// window text is the percentage, so other processes can read it; the bar is painted.
#pragma once
#include <windows.h>

#include <string>

class TGauge {
public:
    TGauge() = default; // 0 ... 100, progress 0, black bar on white
    ~TGauge();
    TGauge(const TGauge&) = delete;
    TGauge& operator=(const TGauge&) = delete;

    // Registers the window class once per process; true when it is available.
    static bool RegisterWindowClass();
    static constexpr const char* kClassName = "TGauge";

    // Creates the child window; the object must outlive it or destroy it first.
    HWND Create(HWND parent, int left, int top, int width, int height, int id = 0);
    HWND Handle() const { return hwnd_; }

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    int Progress() const { return progress_; }
    COLORREF ForeColor() const { return fore_; }
    COLORREF BackColor() const { return back_; }

    // Clamps to [MinValue, MaxValue]; repaints only when the shown percentage changes.
    // Returns true when it changed.
    bool SetProgress(int value);
    // A range whose minimum would exceed its maximum is refused (returns false).
    // Progress is clamped into the new range.
    bool SetRange(int minValue, int maxValue);
    void SetForeColor(COLORREF color);
    void SetBackColor(COLORREF color);

    // Whole per cent done, truncated: 0 ... 100 (0 for an empty range).
    int PercentDone() const;
    // The text centred on the bar, e.g. "42%".
    std::string PercentText() const;

    // Paints border, bar and text into the rectangle (the client area).
    void Paint(HDC dc, const RECT& client) const;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Refresh();

    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    COLORREF fore_ = RGB(0, 0, 0);
    COLORREF back_ = RGB(255, 255, 255);
    HFONT font_ = nullptr;
    HWND hwnd_ = nullptr;
};
