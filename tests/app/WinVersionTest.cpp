#include "app/WinVersion.h"

#include <gtest/gtest.h>

namespace {
std::string Name(std::int64_t platform, std::int64_t major, std::int64_t minor, std::int64_t build)
{
    return ClassifyWindowsVersion(platform, major, minor, build).OsName;
}
std::string Family(std::int64_t platform, std::int64_t major, std::int64_t minor, std::int64_t build)
{
    return ClassifyWindowsVersion(platform, major, minor, build).OsFamily;
}
} // namespace

TEST(WindowsVersion, NtFamily)
{
    EXPECT_EQ(Name(2, 4, 0, 1381), "Windows NT4.0");
    EXPECT_EQ(Name(2, 5, 0, 2195), "Windows 2000");
    EXPECT_EQ(Name(2, 5, 1, 2600), "Windows XP");
    EXPECT_EQ(Name(2, 5, 2, 3790), "Windows 2003");
    EXPECT_EQ(Name(2, 5, 3, 0), "Windows NT Technology");
    EXPECT_EQ(Name(2, 6, 0, 6000), "Windows");
    EXPECT_EQ(Name(2, 6, 1, 7601), "Windows");
    EXPECT_EQ(Name(2, 10, 0, 19045), "Windows");
    EXPECT_EQ(Name(2, 3, 51, 1057), "Windows");
    for (int major : {3, 4, 5, 6, 10}) EXPECT_EQ(Family(2, major, 0, 0), "NT");
}

TEST(WindowsVersion, NineXFamily)
{
    EXPECT_EQ(Name(1, 4, 0, 0x04000395), "Windows 95");
    EXPECT_EQ(Name(1, 4, 10, 0x040A08AE), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 10, 0x040A07CE), "Windows 98");
    EXPECT_EQ(Name(1, 4, 10, 2000), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 10, 1998), "Windows 98");
    EXPECT_EQ(Name(1, 4, 10, 1999), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 10, 2222), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 10, 2223), "Windows");
    EXPECT_EQ(Name(1, 4, 10, 67766221), "Windows");
    EXPECT_EQ(Name(1, 4, 10, 67766222), "Windows 98");
    EXPECT_EQ(Name(1, 4, 10, 67766445), "Windows 98");
    EXPECT_EQ(Name(1, 4, 10, 67766446), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 90, 0x045A0BB8), "Windows Me");
    EXPECT_EQ(Name(1, 4, 10, 73010104), "Windows Me") << "a build beyond 73010103 is Me";
    EXPECT_EQ(Name(1, 4, 10, 73010103), "Windows 98<SE>");
    EXPECT_EQ(Name(1, 4, 0, 3000), "Windows Me") << "build 3000 is Me whatever the minor";
    EXPECT_EQ(Name(1, 4, -1, 0), "Windows");
    EXPECT_EQ(Name(1, 4, 9, 0), "Windows 95");
    EXPECT_EQ(Family(1, 4, 10, 2222), "notNT");
    EXPECT_EQ(Family(1, 4, 90, 3000), "notNT");
}

TEST(WindowsVersion, UnknownPlatformOrFailedQuery)
{
    EXPECT_EQ(Name(-1, -1, -1, -1), "Windows");
    EXPECT_EQ(Family(-1, -1, -1, -1), "");
    EXPECT_EQ(Name(0, 3, 10, 0), "Windows") << "Win32s";
    EXPECT_EQ(Family(0, 3, 10, 0), "");
    EXPECT_EQ(Family(3, 4, 0, 0), "");
}

TEST(WindowsVersion, DetectionOnThisMachine)
{
    // The program declares Windows 10 support, so the system reports NT 6.x or later.
    const WindowsVersion v = DetectWindowsVersion();
    EXPECT_EQ(v.OsFamily, "NT");
    EXPECT_FALSE(v.OsName.empty());
}
