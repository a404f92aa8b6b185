// The window tables give every geometry at 96 DPI. A window shown at another DPI scales
// that layout and creates its fonts for its DPI, so it keeps its size on the screen and
// stays sharp (the manifest declares per-monitor awareness; at 96 DPI nothing changes).
#pragma once
#include "ui/GdiObjects.h"

#include <windows.h>

#include <vector>

constexpr int kBaseDpi = 96;

// The DPI the window is shown at: GetDpiForWindow where the system has it (bound at run
// time, older systems lack it), else the system DPI of the screen.
int WindowDpi(HWND hwnd);

// A 96-DPI length at dpi. Edges are scaled rather than sizes, so controls that touch or
// line up at 96 DPI still do.
inline int ScaleToDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, kBaseDpi);
}
RECT ScaleRect(const RECT& r, int fromDpi, int toDpi);

// The outer size of a window whose client area is width × height at dpi.
SIZE FrameSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

// The fonts of one window at its DPI. Each font is described at 96 DPI; Rebuild makes
// them anew for another DPI and gives every descendant that painted with an old font the
// new one.
class FormFonts {
public:
    struct Look {
        int pixels; // character height at 96 DPI
        const char* face;
        bool italic;
        bool fixedPitch;
    };
    explicit FormFonts(int dpi = kBaseDpi) : dpi_(dpi) {}

    // Adds a font and returns its index.
    int Add(const Look& look);
    HFONT Get(int index) const;
    int Dpi() const { return dpi_; }
    void Rebuild(HWND form, int dpi);

private:
    int dpi_;
    std::vector<Look> looks_;
    std::vector<UniqueGdiObject> fonts_;
};

// Scales the position and size of every descendant of form from one DPI to another: the
// layout as it stands, with what the pages and runs moved since creation.
void RescaleChildren(HWND form, int fromDpi, int toDpi);

// WM_DPICHANGED: re-lays the form out for the new DPI (wp) and moves it to the rectangle
// the system suggests (lp). Returns the new DPI.
int ApplyDpiChange(HWND form, FormFonts& fonts, WPARAM wp, LPARAM lp);

// The messages every form answers alike: its font (WM_GETFONT: the first one added to
// fonts), the focus moved by a dialog key (WM_NEXTDLGCTL) and a new DPI (WM_DPICHANGED).
// True when msg was one of them, with its result.
bool AnswerFormMessage(HWND form, FormFonts& fonts, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
