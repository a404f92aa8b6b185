#include "ui/Controls.h"

#include "ui/Dpi.h"
#include "ui/WindowClass.h"

#include <vector>

namespace {

// The container forwards its children's notifications to the form, which handles them
// as if the controls were its own.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    // A multi-line edit box asks its parent to move the focus or for the default button
    // as if the parent were the dialog; the form is.
    case WM_NEXTDLGCTL:
    case DM_GETDEFID:
        if (HWND form = GetAncestor(hwnd, GA_ROOT); form && form != hwnd) return SendMessageA(form, msg, wp, lp);
        break;
    case WM_CLOSE:
        // Esc in a multi-line edit box closes its parent: that is the form's Esc, never the
        // end of this container.
        if (HWND form = GetAncestor(hwnd, GA_ROOT); form && form != hwnd) PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
        return 0;
    case WM_SETFONT:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wp));
        if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcA(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_PRINTCLIENT:
    case WM_PAINT: {
        PAINTSTRUCT ps = {};
        HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wp);
        if (dc) {
            SavedDC saved(dc);
            if (auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) SelectObject(dc, font);
            TEXTMETRICA tm = {};
            GetTextMetricsA(dc, &tm);
            RECT frame;
            GetClientRect(hwnd, &frame);
            frame.top += tm.tmHeight / 2;
            DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
            const std::string text = GetText(hwnd);
            if (!text.empty()) {
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                SetBkMode(dc, OPAQUE);
                SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
                const int dpi = WindowDpi(hwnd);
                RECT textRect = {ScaleToDpi(8, dpi), 0, 0, 0};
                DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_CALCRECT | DT_SINGLELINE);
                textRect.left = ScaleToDpi(6, dpi);
                textRect.right += ScaleToDpi(2, dpi);
                DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_SINGLELINE | DT_CENTER);
            }
        }
        if (msg == WM_PAINT) EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

struct KindStyle {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

KindStyle StyleOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Group: return {kGroupBoxClass, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    case ControlKind::Label: return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::WrapLabel: return {"STATIC", SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0};
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::RadioButton: return {"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
    case ControlKind::Edit: return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Memo:
        return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Image: return {"STATIC", SS_ICON | SS_CENTERIMAGE, 0};
    }
    return {"STATIC", 0, 0};
}

} // namespace

HWND CreateControl(HWND parent, const ControlDef& def, HFONT font, int dpi)
{
    if (def.kind == ControlKind::Group && !RegisterWindowClassOnce(kGroupBoxClass, GroupBoxProc, nullptr))
        return nullptr;
    const KindStyle ks = StyleOf(def.kind);
    const DWORD style = WS_CHILD | ks.style | def.extraStyle | (def.visible ? WS_VISIBLE : 0) |
                        (def.enabled ? 0 : WS_DISABLED);
    const RECT r = ScaleRect({def.left, def.top, def.left + def.width, def.top + def.height}, kBaseDpi, dpi);
    HWND hwnd = CreateWindowExA(ks.exStyle, ks.className, def.text, style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd && font) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

UniqueGdiObject CreateUiFont(int pixels, const char* face, bool italic, bool fixedPitch)
{
    LOGFONTA lf = {};
    lf.lfHeight = -pixels; // character height, not cell height
    lf.lfWeight = FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = static_cast<BYTE>(fixedPitch ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS);
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return UniqueGdiObject(CreateFontIndirectA(&lf));
}

std::string GetText(HWND hwnd)
{
    if (!hwnd) return {};
    const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const LRESULT n = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void SetText(HWND hwnd, const std::string& text)
{
    if (hwnd) SetWindowTextA(hwnd, text.c_str());
}

int WrappedTextHeight(HWND label)
{
    HDC dc = label ? GetDC(label) : nullptr;
    if (!dc) return 0;
    const std::string text = GetText(label);
    RECT r = {};
    GetClientRect(label, &r);
    {
        SavedDC saved(dc);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
    }
    ReleaseDC(label, dc);
    return r.bottom - r.top;
}

namespace {
struct IdSearch {
    int id;
    HWND found;
};
BOOL CALLBACK MatchId(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<IdSearch*>(param);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}
} // namespace

HWND FindControl(HWND root, int id)
{
    if (!root) return nullptr;
    IdSearch search{id, nullptr};
    EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

// The forms whose keyboard input gets dialog navigation. Message boxes and the folder
// browser are dialogs with loops of their own.
bool IsProgramForm(HWND hwnd)
{
    char name[32] = {};
    if (!hwnd || !GetClassNameA(hwnd, name, sizeof name)) return false;
    for (const char* form : {"TfrmMain", "TfrmStatus", "TfrmCustomDlg"})
        if (lstrcmpA(name, form) == 0) return true;
    return false;
}

} // namespace

void DispatchWithNavigation(MSG& msg)
{
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd) {
        HWND form = GetAncestor(msg.hwnd, GA_ROOT);
        if (IsProgramForm(form) && IsDialogMessageA(form, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchWithNavigation(msg);
    }
    return true;
}

bool RunMessagesUntil(HWND dialog, const std::function<bool()>& done)
{
    for (;;) {
        if (done()) return true;
        MSG msg;
        // PeekMessage also handles the messages sent to this thread; done() is asked again
        // before the wait, so a click that arrived that way is never left waiting.
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
            DispatchWithNavigation(msg);
            continue;
        }
        if (done()) return true;
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool WaitProcessingMessages(int milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (!ProcessPendingMessages()) return false;
        const DWORD elapsed = GetTickCount() - start;
        if (milliseconds <= 0 || elapsed >= static_cast<DWORD>(milliseconds)) return true;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds) - elapsed, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

LRESULT NextDialogControl(HWND form, WPARAM wp, LPARAM lp)
{
    HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(form, GetFocus(), wp != 0);
    if (next) SetFocus(next);
    return 0;
}

void CenterOnScreen(HWND hwnd)
{
    RECT r;
    if (!hwnd || !GetWindowRect(hwnd, &r)) return;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle, int clientWidth,
                int clientHeight, HWND owner, void* self)
{
    SIZE frame = FrameSize(clientWidth, clientHeight, style, exStyle, kBaseDpi);
    HWND hwnd = CreateWindowExA(exStyle, className, caption, style, 0, 0, frame.cx, frame.cy, owner, nullptr,
                                GetModuleHandleA(nullptr), self);
    // The DPI is the window's own once it exists (the monitor it is on).
    if (const int dpi = WindowDpi(hwnd); hwnd && dpi != kBaseDpi) {
        frame = FrameSize(clientWidth, clientHeight, style, exStyle, dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CenterOnScreen(hwnd);
    return hwnd;
}

void DisableCloseItem(HWND hwnd)
{
    if (HMENU menu = GetSystemMenu(hwnd, FALSE)) EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
}

HICON ProgramIcon()
{
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    return icon ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

void SetProgramIcon(HWND form)
{
    const auto icon = reinterpret_cast<LPARAM>(ProgramIcon());
    SendMessageA(form, WM_SETICON, ICON_BIG, icon);
    SendMessageA(form, WM_SETICON, ICON_SMALL, icon);
}
