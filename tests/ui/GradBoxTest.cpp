#include "ui/GradBox.h"

#include "PaintSupport.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

bool SameRect(const RECT& r, int l, int t, int rt, int b)
{
    return r.left == l && r.top == t && r.right == rt && r.bottom == b;
}

} // namespace

TEST(GradBands, EqualBandsThenTheRestInTheEndColour)
{
    // 298 / 129 rounds to 2: 130 bands cover 260 pixels, the last 38 take EndColor.
    const auto bands = ComputeGradBands(490, 298, kBlue, kBlack, 128, gdVertical);
    ASSERT_EQ(bands.size(), 131u);
    for (int i = 0; i < 130; ++i) ASSERT_TRUE(SameRect(bands[i].rect, 0, 2 * i, 490, 2 * i + 2)) << "band " << i;
    EXPECT_EQ(bands[0].color, kBlue);
    EXPECT_EQ(bands[1].color, RGB(0, 0, 253)) << "255 - 255/129 rounded";
    EXPECT_EQ(bands[64].color, RGB(0, 0, 128)) << "255 - 126.51 rounded";
    EXPECT_EQ(bands[129].color, kBlack) << "the last equal band is exactly EndColor";
    EXPECT_TRUE(SameRect(bands[130].rect, 0, 260, 490, 298));
    EXPECT_EQ(bands[130].color, kBlack);
}

TEST(GradBands, StripThinnerThanABandIsStillFilled)
{
    // 261 pixels: the equal bands end at 260, one row short of the edge.
    const auto bands = ComputeGradBands(10, 261, kBlue, kBlack, 128, gdVertical);
    ASSERT_EQ(bands.size(), 131u);
    EXPECT_TRUE(SameRect(bands.back().rect, 0, 260, 10, 261));
    EXPECT_EQ(bands.back().color, kBlack);
    // Exactly covered: no extra band.
    EXPECT_EQ(ComputeGradBands(10, 260, kBlue, kBlack, 128, gdVertical).size(), 130u);
}

TEST(GradBands, StepZeroFillsTheWholeBoxWithTheStartColour)
{
    const auto bands = ComputeGradBands(40, 298, kBlue, kBlack, 0, gdVertical);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_TRUE(SameRect(bands[0].rect, 0, 0, 40, 298));
    EXPECT_EQ(bands[0].color, kBlue);
    EXPECT_TRUE(SameRect(bands[1].rect, 0, 298, 40, 596)) << "the second band lies outside";
    EXPECT_EQ(bands[1].color, kBlack);
}

TEST(GradBands, RoundingIsHalfToEvenAndBandsAreAtLeastOnePixel)
{
    // Band size 5 / 2 = 2.5 -> 2, 7 / 2 = 3.5 -> 4; channel 3 / 2 = 1.5 -> 2, 1 / 2 = 0.5 -> 0.
    EXPECT_EQ(ComputeGradBands(1, 5, RGB(0, 0, 0), RGB(3, 1, 0), 1, gdVertical)[0].rect.bottom, 2);
    EXPECT_EQ(ComputeGradBands(1, 7, RGB(0, 0, 0), RGB(3, 1, 0), 1, gdVertical)[0].rect.bottom, 4);
    EXPECT_EQ(ComputeGradBands(1, 5, RGB(0, 0, 0), RGB(3, 1, 0), 1, gdVertical)[1].color, RGB(2, 0, 0));
    // Rising channels reach the end colour too.
    EXPECT_EQ(ComputeGradBands(1, 5, RGB(0, 0, 0), RGB(3, 1, 0), 1, gdVertical)[2].color, RGB(3, 1, 0));

    // 10 / 129 rounds to 0 and becomes 1: 130 one-pixel bands, the box shows the first ten.
    const auto thin = ComputeGradBands(4, 10, kBlue, kBlack, 128, gdVertical);
    ASSERT_EQ(thin.size(), 130u);
    EXPECT_TRUE(SameRect(thin[9].rect, 0, 9, 4, 10));
    EXPECT_NE(thin[9].color, kBlack);
}

TEST(GradBands, HorizontalBandsRunAcrossTheWidth)
{
    const auto bands = ComputeGradBands(13, 7, kBlue, kBlack, 4, gdHorizontal);
    // 13 / 5 = 2.6 -> 3: six bands to 18 pixels, nothing left over.
    ASSERT_EQ(bands.size(), 6u);
    EXPECT_TRUE(SameRect(bands[0].rect, 0, 0, 3, 7));
    EXPECT_TRUE(SameRect(bands[5].rect, 15, 0, 18, 7));
    EXPECT_EQ(bands[5].color, kBlack);
    const auto rest = ComputeGradBands(298, 7, kBlue, kBlack, 128, gdHorizontal);
    EXPECT_TRUE(SameRect(rest.back().rect, 260, 0, 298, 7));
}

TEST(GradBox, DefaultsAndChangeNotifications)
{
    TGradBox box;
    EXPECT_EQ(box.StartColor(), RGB(255, 255, 255));
    EXPECT_EQ(box.EndColor(), kBlack);
    EXPECT_EQ(box.GradStep(), 128);
    EXPECT_EQ(box.Direction(), gdVertical);
    EXPECT_EQ(box.Width(), 128);
    EXPECT_EQ(box.Height(), 128);

    int changes = 0;
    box.OnChange = [&] { ++changes; };
    box.SetDirection(gdVertical);
    EXPECT_EQ(changes, 0) << "an unchanged direction does not notify";
    box.SetDirection(gdHorizontal);
    EXPECT_EQ(changes, 1);
    box.SetGradStep(128);
    EXPECT_EQ(changes, 2) << "an unchanged step notifies";
    box.SetStartColor(kBlue);
    box.SetEndColor(kBlack);
    EXPECT_EQ(changes, 4) << "colours notify, changed or not";
    EXPECT_EQ(box.StartColor(), kBlue);
    box.SetColor(3, kRed);
    EXPECT_EQ(changes, 4) << "no such colour index";
    EXPECT_EQ(box.EndColor(), kBlack);
}

TEST(GradBox, PaintsItsBandsInsideItsBoundsOnly)
{
    MemoryCanvas canvas(80, 340, kRed);
    ASSERT_TRUE(canvas.valid());
    TGradBox box;
    box.SetBounds(10, 20, 40, 298);
    box.SetStartColor(kBlue);
    box.Paint(canvas.dc());
    EXPECT_EQ(canvas.pixel(10, 20), kBlue);
    EXPECT_EQ(canvas.pixel(49, 21), kBlue);
    EXPECT_EQ(canvas.pixel(10, 22), RGB(0, 0, 253));
    EXPECT_EQ(canvas.pixel(30, 20 + 279), kBlack);
    EXPECT_EQ(canvas.pixel(30, 20 + 297), kBlack);
    // Outside the box nothing changes.
    EXPECT_EQ(canvas.pixel(9, 20), kRed);
    EXPECT_EQ(canvas.pixel(50, 20), kRed);
    EXPECT_EQ(canvas.pixel(30, 19), kRed);
    EXPECT_EQ(canvas.pixel(30, 20 + 298), kRed);

    // Step 0: the band beyond the edge is clipped away, the box is all StartColor.
    box.SetGradStep(0);
    box.Paint(canvas.dc());
    EXPECT_EQ(canvas.pixel(30, 20 + 297), kBlue);
    EXPECT_EQ(canvas.pixel(30, 20 + 298), kRed);
}
