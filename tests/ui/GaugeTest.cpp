#include "ui/Gauge.h"

#include "PaintSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

std::string WindowText(HWND hwnd)
{
    char text[64] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

} // namespace

TEST(Gauge, ProgressIsClampedToTheRange)
{
    TGauge gauge;
    EXPECT_EQ(gauge.PercentText(), "0%");
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.Progress(), 100);
    EXPECT_EQ(gauge.PercentText(), "100%");
    gauge.SetProgress(-5);
    EXPECT_EQ(gauge.Progress(), 0);
    EXPECT_EQ(gauge.PercentText(), "0%");

    gauge.SetProgress(80);
    EXPECT_TRUE(gauge.SetRange(0, 50));
    EXPECT_EQ(gauge.Progress(), 50) << "a narrower range clamps the progress";
    EXPECT_FALSE(gauge.SetRange(10, 0)) << "an inverted range is refused";
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 50);
}

TEST(Gauge, PercentIsTruncatedAndChangesOnlyWhenTheWholeNumberDoes)
{
    TGauge gauge;
    ASSERT_TRUE(gauge.SetRange(0, 3));
    gauge.SetProgress(2);
    EXPECT_EQ(gauge.PercentText(), "66%");

    ASSERT_TRUE(gauge.SetRange(0, 1000));
    gauge.SetProgress(0);
    EXPECT_FALSE(gauge.SetProgress(9)) << "still 0 %: no repaint";
    EXPECT_TRUE(gauge.SetProgress(10));
    EXPECT_EQ(gauge.PercentText(), "1%");
    EXPECT_TRUE(gauge.SetProgress(5000));
    EXPECT_EQ(gauge.PercentText(), "100%");
    EXPECT_FALSE(gauge.SetProgress(1000)) << "already at 100 %";
}

TEST(Gauge, ExtremeAndEmptyRangesDoNotOverflowOrDivideByZero)
{
    TGauge gauge;
    ASSERT_TRUE(gauge.SetRange(INT_MIN, INT_MAX));
    gauge.SetProgress(INT_MAX);
    EXPECT_EQ(gauge.PercentText(), "100%");
    gauge.SetProgress(0);
    EXPECT_EQ(gauge.PercentText(), "50%");
    ASSERT_TRUE(gauge.SetRange(5, 5));
    EXPECT_EQ(gauge.Progress(), 5);
    EXPECT_EQ(gauge.PercentText(), "0%");
}

TEST(Gauge, PaintsBorderBarAndText)
{
    TGauge gauge;
    gauge.SetForeColor(kNavy);
    gauge.SetProgress(25);
    MemoryCanvas canvas(102, 41, RGB(255, 0, 0));
    ASSERT_TRUE(canvas.valid());
    const RECT client = {0, 0, 102, 41};
    gauge.Paint(canvas.dc(), client);

    EXPECT_EQ(canvas.pixel(0, 0), kBlack) << "single border";
    EXPECT_EQ(canvas.pixel(101, 40), kBlack);
    // Inner width 100: 25 % is 25 pixels of bar.
    EXPECT_EQ(canvas.pixel(1, 2), kNavy);
    EXPECT_EQ(canvas.pixel(25, 38), kNavy);
    EXPECT_EQ(canvas.pixel(26, 38), kWhite);
    EXPECT_EQ(canvas.pixel(100, 2), kWhite);

    int inked = 0; // the centred "25%" lies over the white part
    for (int y = 5; y < 36; ++y)
        for (int x = 35; x < 67; ++x) inked += canvas.pixel(x, y) != kWhite;
    EXPECT_GT(inked, 10);
}

TEST(Gauge, ChildWindowCarriesThePercentageAsItsText)
{
    ASSERT_TRUE(TGauge::RegisterWindowClass());
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    {
        TGauge gauge;
        HWND hwnd = gauge.Create(parent, 8, 16, 369, 17, 7);
        ASSERT_NE(hwnd, nullptr);
        char cls[32] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        EXPECT_STREQ(cls, "TGauge");
        EXPECT_EQ(GetDlgCtrlID(hwnd), 7);
        EXPECT_EQ(WindowText(hwnd), "0%");
        gauge.SetProgress(42);
        EXPECT_EQ(WindowText(hwnd), "42%");
        gauge.SetProgress(400);
        EXPECT_EQ(WindowText(hwnd), "100%");
    }
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr) << "the gauge destroys its window";

    // Destroying the parent first leaves the gauge without a window, not a stale one.
    TGauge orphan;
    ASSERT_NE(orphan.Create(parent, 0, 0, 10, 10), nullptr);
    DestroyWindow(parent);
    EXPECT_EQ(orphan.Handle(), nullptr);
    EXPECT_TRUE(orphan.SetProgress(50));
}
