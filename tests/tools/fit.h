// The fit check: looks at a window through what any tool can ask of it (its size, its
// controls, their texts and WM_GETFONT) and tells whether it is laid out for a DPI. The form's client
// area is its 96-DPI size scaled to the DPI; every visible control lies inside its parent,
// paints with a font made for the DPI (the one WM_GETFONT reports) and its text, measured
// in that font, fits its client area.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// How rundrive has the check run inside the program (fithook.cpp).
constexpr const char* kFitCheckMessage = "QuillonFitCheck";
constexpr const char* kFitResultMapping = "QuillonFitResult";
constexpr size_t kFitResultBytes = 1 << 16;

struct FitResult {
    int checked = 0;
    std::vector<std::string> faults; // "<control id> <class>: what is wrong"
};

namespace fit {

inline int Scale(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

inline std::string Text(HWND w)
{
    char buffer[4096] = {};
    const LRESULT n = SendMessageA(w, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

inline std::string Class(HWND w)
{
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

inline SIZE ClientSize(HWND w)
{
    RECT r = {};
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

struct Context {
    int dpi;
    HDC dc;
    FitResult* result;
};

inline void Fault(const Context& c, HWND w, const std::string& what)
{
    std::string line = std::to_string(GetDlgCtrlID(w)) + " " + Class(w) + ": ";
    for (char ch : what) {
        if (ch == '\n') line += " / ";
        else if (ch != '\r') line += ch;
    }
    c.result->faults.push_back(line);
}

// The text's extent in the font; wrapWidth > 0 breaks lines at that width.
inline SIZE Extent(HDC dc, const std::string& text, UINT format, int wrapWidth)
{
    RECT r = {0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT | DT_EXPANDTABS);
    return {r.right - r.left, r.bottom - r.top};
}

inline void CheckText(const Context& c, HWND w, const SIZE& client)
{
    const std::string cls = Class(w);
    const LONG style = static_cast<LONG>(GetWindowLongPtrA(w, GWL_STYLE));
    const std::string text = Text(w);
    if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) return;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    if (!font || !GetObjectA(font, sizeof lf, &lf)) return Fault(c, w, "answers WM_GETFONT with no font");
    const int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    // Our smallest font is 12 pixels at 96 DPI; a font made for the DPI may be a pixel or
    // two smaller than that scaled, where its lines would otherwise need more room.
    if (height * 10 < Scale(12, c.dpi) * 9)
        return Fault(c, w, "font " + std::to_string(height) + " px, not made for " + std::to_string(c.dpi) + " DPI");
    SelectObject(c.dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(c.dc, &tm);
    SIZE need = {0, tm.tmHeight};
    SIZE room = client;
    if (cls == "Button") {
        const LONG type = style & BS_TYPEMASK;
        need = Extent(c.dc, text, DT_SINGLELINE, 0);
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            room.cx -= Scale(6, c.dpi); // the button's frame
        } else {
            room.cx -= Scale(13 + 4, c.dpi); // the box or circle and its gap
        }
    } else if (cls == "Static") {
        const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        const bool wraps = (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP;
        need = Extent(c.dc, text, prefix | (wraps ? DT_WORDBREAK : 0) | ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0),
                      wraps ? client.cx : 0);
    } else if (cls == "TGroupBox") {
        need = Extent(c.dc, text, DT_SINGLELINE, 0);
        room.cx -= Scale(8 + 2, c.dpi); // the caption's indent
    } else if (cls == "TGauge") {
        need = Extent(c.dc, text, DT_SINGLELINE, 0);
        room = {client.cx - 2, client.cy - 2};
    } else if (cls == "Edit") {
        need.cx = 0; // a text box scrolls; one line must show whole
    } else {
        return;
    }
    if (need.cx > room.cx || need.cy > room.cy) {
        Fault(c, w, "\"" + text + "\" needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) +
                        ", has " + std::to_string(room.cx) + "x" + std::to_string(room.cy));
    }
}

inline BOOL CALLBACK CheckOne(HWND w, LPARAM param)
{
    const auto& c = *reinterpret_cast<const Context*>(param);
    if (!IsWindowVisible(w)) return TRUE;
    ++c.result->checked;
    RECT r = {}, parent = {};
    GetWindowRect(w, &r);
    HWND up = GetParent(w);
    GetClientRect(up, &parent);
    MapWindowPoints(up, nullptr, reinterpret_cast<POINT*>(&parent), 2);
    if (r.left < parent.left || r.top < parent.top || r.right > parent.right || r.bottom > parent.bottom)
        Fault(c, w, "leaves its parent");
    CheckText(c, w, ClientSize(w));
    return TRUE;
}

// The forms' client areas at 96 DPI.
inline SIZE BaseClientSize(const std::string& cls)
{
    if (cls == "TfrmCustomDlg") return {426, 121};
    return {492, 298};
}

} // namespace fit

inline FitResult CheckFit(HWND form, int dpi)
{
    FitResult result;
    if (!form) {
        result.faults.push_back("the window is missing");
        return result;
    }
    const SIZE base = fit::BaseClientSize(fit::Class(form));
    const SIZE client = fit::ClientSize(form);
    if (client.cx != fit::Scale(base.cx, dpi) || client.cy != fit::Scale(base.cy, dpi)) {
        result.faults.push_back("client area " + std::to_string(client.cx) + "x" + std::to_string(client.cy) +
                                ", at " + std::to_string(dpi) + " DPI " + std::to_string(fit::Scale(base.cx, dpi)) +
                                "x" + std::to_string(fit::Scale(base.cy, dpi)));
    }
    HDC dc = CreateCompatibleDC(nullptr);
    const int saved = SaveDC(dc);
    fit::Context c{dpi, dc, &result};
    EnumChildWindows(form, fit::CheckOne, reinterpret_cast<LPARAM>(&c));
    RestoreDC(dc, saved);
    DeleteDC(dc);
    return result;
}
