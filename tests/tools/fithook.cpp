// The fit check, run inside the program it looks at: a font handle means something only in
// the process that made it (and Wine does not pass WM_GETFONT between processes), so
// rundrive --fit hooks this DLL into the form's thread, as window inspectors do, for one
// message "QuillonFitCheck" (wParam: the DPI). It checks what any tool can ask of a window:
// the form's client area is its 96-DPI size scaled; every visible control lies inside its
// parent and reports (WM_GETFONT) a font made for the DPI, in which its text fits its
// client area. The verdict goes to %TEMP%\QuillonFit.txt: the number of controls checked,
// then one line per fault.
#include "ui/Controls.h"

#include <fstream>

namespace {

struct Check {
    int dpi;
    HDC dc;
    int checked;
    std::string verdict;
};

std::string ClassOf(HWND w)
{
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

void Fault(Check& c, HWND w, std::string what)
{
    for (char& ch : what)
        if (ch == '\r' || ch == '\n') ch = ' ';
    c.verdict += std::to_string(GetDlgCtrlID(w)) + " " + ClassOf(w) + ": " + what + "\n";
}

SIZE Extent(HDC dc, const std::string& text, UINT format, int wrapWidth)
{
    RECT r = {0, 0, wrapWidth, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT | DT_EXPANDTABS);
    return {r.right, r.bottom};
}

void CheckText(Check& c, HWND w)
{
    const std::string cls = ClassOf(w), text = GetText(w);
    const LONG style = static_cast<LONG>(GetWindowLongPtrA(w, GWL_STYLE)), type = style & BS_TYPEMASK;
    if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) return;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    if (!font || !GetObjectA(font, sizeof lf, &lf)) return Fault(c, w, "answers WM_GETFONT with no font");
    // The smallest font is 12 pixels at 96 DPI; made for another DPI it may be a pixel or two
    // under that scaled, where the scaled size would need more room than the layout has.
    const int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    if (height * 10 < MulDiv(12, c.dpi, 96) * 9)
        return Fault(c, w, "font " + std::to_string(height) + " px, not made for " + std::to_string(c.dpi) + " DPI");
    SelectObject(c.dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(c.dc, &tm);
    RECT client = {};
    GetClientRect(w, &client);
    SIZE room = {client.right, client.bottom}, need = {0, tm.tmHeight};
    const bool wraps = cls == "Static" && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP;
    if (cls == "Static") {
        need = Extent(c.dc, text,
                      ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0) | (wraps ? DT_WORDBREAK : 0) |
                          ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0),
                      wraps ? room.cx : 0);
    } else if (cls == "Button" || cls == "TGroupBox" || cls == "TGauge") {
        need = Extent(c.dc, text, DT_SINGLELINE, 0);
        // A push button's frame, a box or circle and its gap, a gauge's border, a caption's indent.
        const int pushed = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? 6 : 13 + 4;
        room.cx -= cls == "TGauge" ? 2 : MulDiv(cls == "Button" ? pushed : 8 + 2, c.dpi, 96);
    } else if (cls != "Edit") { // a text box scrolls its text; one line must show whole
        return;
    }
    if (need.cx > room.cx || need.cy > room.cy)
        Fault(c, w,
              "\"" + text + "\" needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + ", has " +
                  std::to_string(room.cx) + "x" + std::to_string(room.cy));
}

BOOL CALLBACK CheckControl(HWND w, LPARAM param)
{
    auto& c = *reinterpret_cast<Check*>(param);
    if (!IsWindowVisible(w)) return TRUE;
    ++c.checked;
    RECT r = {}, parent = {};
    GetWindowRect(w, &r);
    GetClientRect(GetParent(w), &parent);
    MapWindowPoints(GetParent(w), nullptr, reinterpret_cast<POINT*>(&parent), 2);
    if (r.left < parent.left || r.top < parent.top || r.right > parent.right || r.bottom > parent.bottom)
        Fault(c, w, "leaves its parent");
    CheckText(c, w);
    return TRUE;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK FitHook(int code, WPARAM wp, LPARAM lp)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call && call->message == RegisterWindowMessageA("QuillonFitCheck")) {
        Check c{static_cast<int>(call->wParam), CreateCompatibleDC(nullptr), 0, {}};
        // The client areas at 96 DPI: the deletion dialog's, else the wizard's and the progress window's.
        const SIZE base = ClassOf(call->hwnd) == "TfrmCustomDlg" ? SIZE{426, 121} : SIZE{492, 298};
        RECT client = {};
        GetClientRect(call->hwnd, &client);
        if (client.right != MulDiv(base.cx, c.dpi, 96) || client.bottom != MulDiv(base.cy, c.dpi, 96))
            Fault(c, call->hwnd, "client area " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
        const int saved = SaveDC(c.dc);
        EnumChildWindows(call->hwnd, CheckControl, reinterpret_cast<LPARAM>(&c));
        RestoreDC(c.dc, saved);
        DeleteDC(c.dc);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        std::ofstream(std::string(temp) + "QuillonFit.txt", std::ios::binary) << c.checked << "\n" << c.verdict;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
