#include "ui/Back.h"

#include "PaintSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string TextOf(HWND hwnd)
{
    char buf[512] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ClassOf(HWND hwnd)
{
    char buf[64] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

RECT RectInParent(HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE OuterSize(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The extent of a text in the label's own font, measured line by line.
SIZE TextExtent(HWND label, const std::vector<std::string>& lines)
{
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SIZE total = {0, 0};
    for (const std::string& line : lines) {
        SIZE s = {};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &s);
        total.cx = std::max(total.cx, s.cx);
        total.cy += tm.tmHeight;
    }
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return total;
}

LOGFONTA FontOf(HWND label)
{
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

struct Look {
    COLORREF text;
    int bkMode;
    HGDIOBJ brush;
};

// What the window tells a label to paint with.
Look LookOf(HWND label)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    const LRESULT brush = SendMessageA(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(label));
    const Look look = {GetTextColor(dc), GetBkMode(dc), reinterpret_cast<HGDIOBJ>(brush)};
    DeleteDC(dc);
    return look;
}

#define EXPECT_RECT_AT(hwnd, l, t)                                                                                     \
    do {                                                                                                               \
        const RECT r_ = RectInParent(hwnd);                                                                            \
        EXPECT_EQ(r_.left, l);                                                                                         \
        EXPECT_EQ(r_.top, t);                                                                                          \
    } while (0)

} // namespace

TEST(BackWindow, CreatedHiddenDisabledCentredOverTheGradient)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(back.Create(), nullptr) << "one window per object";
    EXPECT_EQ(ClassOf(hwnd), "TfrmBack");
    EXPECT_EQ(TextOf(hwnd), "Quillon Installer");
    EXPECT_FALSE(IsWindowVisible(hwnd));

    RECT client = {};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 490);
    EXPECT_EQ(client.bottom, 298);
    RECT outer = {};
    GetWindowRect(hwnd, &outer);
    EXPECT_LE(std::abs((outer.left + outer.right) - GetSystemMetrics(SM_CXSCREEN)), 1) << "centred";
    EXPECT_LE(std::abs((outer.top + outer.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1) << "centred";

    // Single border with the system menu only.
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    EXPECT_FALSE(style & WS_CLIPCHILDREN) << "the gradient must lie under the labels";
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND)), GetStockObject(BLACK_BRUSH));
    EXPECT_NE(GetClassLongPtrA(hwnd, GCLP_HICON), 0);

    const TGradBox& grad = back.GradBox();
    EXPECT_TRUE(EqualRect(&grad.Bounds(), &client)) << "the gradient fills the client area";
    EXPECT_EQ(grad.StartColor(), RGB(0, 0, 255));
    EXPECT_EQ(grad.EndColor(), RGB(0, 0, 0));
    EXPECT_EQ(grad.GradStep(), 128);
    EXPECT_EQ(grad.Direction(), gdVertical);

    // Created disabled: leaving is confirmed by enabling it.
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_FALSE(back.LeavingConfirmed());
    back.ConfirmLeaving();
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(back.LeavingConfirmed());
}

TEST(BackWindow, LabelsAreTransparentStaticsWithTheirPlaceFontAndColour)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    const HWND title2 = back.lblBackTitle2().hwnd, credit2 = back.lblPrgTitle2().hwnd;
    const HWND credit1 = back.lblPrgTitle1().hwnd, title1 = back.lblBackTitle1().hwnd;

    // Exactly the four labels; the later in painting order lies higher, so each white
    // label covers its shadow.
    std::vector<HWND> fromTop;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) fromTop.push_back(c);
    EXPECT_EQ(fromTop, (std::vector<HWND>{title1, credit1, credit2, title2}));
    for (HWND label : fromTop) EXPECT_EQ(ClassOf(label), "Static");

    EXPECT_RECT_AT(title2, 39, 16);
    EXPECT_RECT_AT(credit2, 24, 48);
    EXPECT_RECT_AT(credit1, 8, 48);
    EXPECT_RECT_AT(title1, 16, 16);
    EXPECT_TRUE(GetWindowLongPtrA(title2, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrA(title1, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrA(credit2, GWL_STYLE) & WS_VISIBLE) << "credits hidden until placed";
    EXPECT_FALSE(GetWindowLongPtrA(credit1, GWL_STYLE) & WS_VISIBLE);

    for (HWND title : {title1, title2}) {
        const LOGFONTA lf = FontOf(title);
        EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");
        EXPECT_EQ(lf.lfHeight, -32);
        EXPECT_TRUE(lf.lfItalic);
    }
    for (HWND credit : {credit1, credit2}) {
        const LOGFONTA lf = FontOf(credit);
        EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐ明朝");
        EXPECT_EQ(lf.lfHeight, -16);
        EXPECT_TRUE(lf.lfItalic);
    }

    const struct {
        HWND label;
        COLORREF color;
    } looks[] = {
        {title2, RGB(0, 128, 0)}, {credit2, RGB(0, 0, 255)}, {credit1, RGB(255, 255, 255)}, {title1, RGB(255, 255, 255)}};
    for (const auto& expected : looks) {
        const Look look = LookOf(expected.label);
        EXPECT_EQ(look.text, expected.color);
        EXPECT_EQ(look.bkMode, TRANSPARENT);
        EXPECT_EQ(look.brush, GetStockObject(NULL_BRUSH)) << "nothing painted behind the text";
    }
}

TEST(BackWindow, TitlesTakeAFixedWidthAndTheSameText)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    const HWND title1 = back.lblBackTitle1().hwnd, title2 = back.lblBackTitle2().hwnd;
    const int lineHeight = TextExtent(title1, {" "}).cy;
    const int expectedWidth = OuterSize(hwnd).cx - 24;

    // Longer and shorter than the fixed width: neither changes the size.
    for (const std::string& title : {std::string("Quillon Setup"), std::string(60, 'W'), std::string("表示ソフト")}) {
        back.SetTitle(title);
        for (HWND label : {title1, title2}) {
            EXPECT_EQ(TextOf(label), title);
            const RECT r = RectInParent(label);
            EXPECT_EQ(r.right - r.left, expectedWidth) << title;
            EXPECT_EQ(r.bottom - r.top, lineHeight) << title;
        }
    }
    EXPECT_RECT_AT(title1, 16, 16);
    EXPECT_RECT_AT(title2, 39, 16); // the shadow moves only on the first resize
}

TEST(BackWindow, CreditsSitAtTheBottomRightWithTheirShadow)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    const HWND credit1 = back.lblPrgTitle1().hwnd, credit2 = back.lblPrgTitle2().hwnd;

    // Placed twice: the second text is shorter, and the label fits it again. A text that
    // ends in a line break takes no empty line after it, as the system draws text.
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } credits[] = {
        {"Quillon Installer\r\nCopyright (C) 表示ソフト 2026", {"Quillon Installer", "Copyright (C) 表示ソフト 2026"}},
        {"短い\r\n", {"短い"}}};
    for (const auto& [text, lines] : credits) {
        back.PlaceCredits(text);
        const SIZE extent = TextExtent(credit1, lines);
        const SIZE outer = OuterSize(hwnd);
        const int left = outer.cx - (extent.cx + 8) - 24;
        const int top = outer.cy - extent.cy - 48;

        EXPECT_EQ(TextOf(credit1), text);
        EXPECT_EQ(TextOf(credit2), text);
        const RECT r1 = RectInParent(credit1);
        EXPECT_EQ(r1.left, left);
        EXPECT_EQ(r1.top, top);
        EXPECT_EQ(r1.right - r1.left, extent.cx + 8) << "the text's width plus 8";
        EXPECT_EQ(r1.bottom - r1.top, extent.cy);
        const RECT r2 = RectInParent(credit2);
        EXPECT_EQ(r2.left, left + 2);
        EXPECT_EQ(r2.top, top + 2);
        EXPECT_EQ(r2.right - r2.left, extent.cx) << "the shadow fits its text";
        EXPECT_TRUE(GetWindowLongPtrA(credit1, GWL_STYLE) & WS_VISIBLE);
        EXPECT_TRUE(GetWindowLongPtrA(credit2, GWL_STYLE) & WS_VISIBLE);
    }
}

TEST(BackWindow, FirstResizeMaximisesShowsTheWizardThenCloses)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    int shown = 0, closed = 0;
    bool zoomed = false;
    std::string caption;
    RECT shadow = {};
    back.OnClosed = [&] { ++closed; };
    back.ShowMainModal = [&] {
        ++shown;
        zoomed = IsZoomed(hwnd);
        caption = TextOf(hwnd);
        shadow = RectInParent(back.lblBackTitle2().hwnd);
        // Restoring the window while the wizard is up must not show it a second time.
        ShowWindow(hwnd, SW_RESTORE);
        back.FormResize();
        EXPECT_TRUE(IsWindow(hwnd)) << "open while the wizard runs";
    };
    back.Show();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(zoomed) << "maximised before the wizard is shown";
    // β is 83 C0 in code page 932; the test program has no version resource.
    EXPECT_EQ(caption, "Quillon Installer Version0.00\x83\xC0"
                       "1(Build:0000/D3)");
    EXPECT_EQ(shadow.left, 18) << "the shadow moves to the title plus 2, 2";
    EXPECT_EQ(shadow.top, 18);
    EXPECT_FALSE(IsWindow(hwnd)) << "closed when the wizard has ended";
    EXPECT_EQ(back.Handle(), nullptr);
    EXPECT_EQ(closed, 1);
}

TEST(BackWindow, ShownBeforeTheWizardExistsItMaximisesAndWaitsForIt)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    int shown = 0;
    back.StartWizard(); // not shown yet: nothing to start
    back.Show();
    EXPECT_TRUE(IsZoomed(hwnd)) << "the first resize maximises at once";
    for (const auto* label : {&back.lblBackTitle2(), &back.lblPrgTitle2(), &back.lblPrgTitle1(), &back.lblBackTitle1()})
        EXPECT_EQ(RectInParent(label->hwnd).bottom - RectInParent(label->hwnd).top, TextExtent(label->hwnd, {" "}).cy)
            << "every label a line high before the wizard shows";
    back.ShowMainModal = [&] { shown += IsWindow(hwnd) ? 1 : 100; };
    back.StartWizard();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(IsWindow(hwnd)) << "closed when the wizard has ended";
    back.StartWizard();
    EXPECT_EQ(shown, 1) << "once";
}

TEST(BackWindow, GradientChangeRunsTheResizeHandlerOnlyInTheNormalState)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    int shown = 0;
    back.ShowMainModal = [&] { ++shown; };

    // Minimised: the state is not normal, so nothing happens.
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    back.GradBox().SetGradStep(128);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(IsWindow(hwnd));

    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_EQ(shown, 1) << "restoring is the first resize in the normal state";
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(BackWindow, GradientChangeOnAHiddenNormalWindowStartsTheWizard)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    int shown = 0;
    back.ShowMainModal = [&] { ++shown; };
    back.GradBox().SetDirection(gdVertical); // unchanged: no notification
    EXPECT_EQ(shown, 0);
    back.GradBox().SetGradStep(128); // unchanged, but it notifies
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(BackWindow, LabelsPaintTheirTextOverTheGradientInTableOrder)
{
    TfrmBack back;
    HWND hwnd = back.Create();
    ASSERT_NE(hwnd, nullptr);
    back.SetTitle("\x81\xA1\x81\xA1\x81\xA1"); // ■■■: solid blocks, so the colours are easy to find
    MemoryCanvas canvas(490, 298, RGB(255, 0, 0));
    ASSERT_TRUE(canvas.valid());

    // Compose the window as the system does: the gradient, then the visible labels from
    // the bottom of the z-order up.
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    for (HWND label : {back.lblBackTitle2().hwnd, back.lblBackTitle1().hwnd}) {
        const RECT r = RectInParent(label);
        POINT old;
        SetViewportOrgEx(canvas.dc(), r.left, r.top, &old);
        SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        SetViewportOrgEx(canvas.dc(), old.x, old.y, nullptr);
    }

    EXPECT_EQ(canvas.pixel(400, 0), RGB(0, 0, 255)) << "the gradient starts blue at the top";
    EXPECT_EQ(canvas.pixel(400, 297), RGB(0, 0, 0)) << "and ends black";
    EXPECT_EQ(canvas.pixel(480, 30), canvas.pixel(0, 30)) << "the title's box is transparent beyond its text";
    int white = 0, green = 0;
    for (int x = 16; x < 200; ++x)
        for (int y = 16; y < 60; ++y) {
            white += canvas.pixel(x, y) == RGB(255, 255, 255);
            green += canvas.pixel(x, y) == RGB(0, 128, 0);
        }
    EXPECT_GT(white, 100) << "the white title is painted";
    EXPECT_GT(green, 10) << "its green shadow shows beside it";
}
