#include "ui/VersionText.h"

#include <gtest/gtest.h>

#include <windows.h>

// β is 83 C0 in code page 932.

TEST(VersionText, MinorAndReleaseDigitsAreJoined)
{
    EXPECT_EQ(FormatVersionText("2.0.5.1234"), "2.05\x83\xC0"
                                               "1(Build:1234/D3)");
    EXPECT_EQ(FormatVersionText("2.1.12.7"), "2.112β1(Build:0007/D3)");
    EXPECT_EQ(FormatVersionText("3.12.0.12345"), "3.120β1(Build:12345/D3)");
    EXPECT_EQ(FormatVersionText("1.00.07.0042"), "1.07β1(Build:0042/D3)") << "parts are numbers";
}

TEST(VersionText, MissingOrUnreadablePartsAreZero)
{
    EXPECT_EQ(FormatVersionText(""), "0.00β1(Build:0000/D3)");
    EXPECT_EQ(FormatVersionText("1.0.0"), "1.00β1(Build:0000/D3)");
    EXPECT_EQ(FormatVersionText("7"), "7.00β1(Build:0000/D3)");
    EXPECT_EQ(FormatVersionText("1.2.3.4.5"), "1.23β1(Build:0004/D3)") << "only the first three dots split";
    EXPECT_EQ(FormatVersionText("1.2.3.45 (release)"), "1.23β1(Build:0045/D3)");
    EXPECT_EQ(FormatVersionText("x.y.z.w"), "0.00β1(Build:0000/D3)");
    EXPECT_EQ(FormatVersionText("1.2.3.99999999999999999999"), "1.23β1(Build:99999999999999999999/D3)");
}

TEST(VersionText, FileWithoutVersionResource)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    EXPECT_EQ(ReadVersionText(self), "0.00β1(Build:0000/D3)");
    EXPECT_EQ(VersionText(), "0.00β1(Build:0000/D3)") << "the test program has no version resource";
    EXPECT_EQ(ReadVersionText("C:\\no\\such\\file.exe"), "0.00β1(Build:0000/D3)");
}

TEST(VersionText, SetupExeLabel)
{
    EXPECT_EQ(ReadVersionText(QS_SETUP_EXE), "1.00β1(Build:0000/D3)");
}
