#include "foundation/MBUtils.h"

#include <gtest/gtest.h>

// 表 = 95 5C, 示 = 8E A6, ソ = 83 5C, 能 = 94 5C: trail bytes equal to "\".

TEST(MBUtils, LeadBytesAreTheCodePage932Ranges)
{
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), expected) << "byte " << b;
    }
}

TEST(MBUtils, MbPosMatchesOnlyAtCharacterStarts)
{
    EXPECT_EQ(MbPos("\\", "表示\\a"), 5u);
    EXPECT_EQ(MbPos("\\", "ソ能"), 0u);
    EXPECT_EQ(MbPos("a", "表示\\a"), 6u);
    EXPECT_EQ(MbPos("示", "表示\\a"), 3u);
    // 0x5C 0x8E would match across the boundary of 表 and 示 if trail bytes were starts.
    EXPECT_EQ(MbPos("\\\x8E", "表示"), 0u);
}

TEST(MBUtils, MbPosEdges)
{
    EXPECT_EQ(MbPos("", "abc"), 0u);
    EXPECT_EQ(MbPos("abc", ""), 0u);
    EXPECT_EQ(MbPos("abcd", "abc"), 0u);
    EXPECT_EQ(MbPos("A", "abc"), 0u) << "the comparison is exact";
    EXPECT_EQ(MbPos("c", "abc"), 3u);
    // A lone lead byte at the end is a one-byte character and is never read past.
    const std::string truncated("a\x81", 2);
    EXPECT_EQ(MbPos("\x81", truncated), 2u);
    EXPECT_EQ(MbPos("\x81\x40", truncated), 0u);
    // An embedded NUL is an ordinary byte.
    const std::string withNul("a\0b\\", 4);
    EXPECT_EQ(MbPos("\\", withNul), 4u);
}

TEST(MBUtils, PathDelimitersAreOneByteBackslashesOnly)
{
    const std::string text = "C:\\表\\ソ";
    EXPECT_TRUE(IsPathDelimiter(text, 3));
    EXPECT_FALSE(IsPathDelimiter(text, 5)) << "trail byte of 表";
    EXPECT_TRUE(IsPathDelimiter(text, 6));
    EXPECT_FALSE(IsPathDelimiter(text, 8)) << "trail byte of ソ";
    EXPECT_FALSE(IsPathDelimiter(text, 0));
    EXPECT_FALSE(IsPathDelimiter(text, 9));
    EXPECT_EQ(LastPathDelimiter(text), 6u);
    EXPECT_EQ(LastPathDelimiter("表"), 0u);
    EXPECT_EQ(LastPathDelimiter(""), 0u);
}

TEST(MBUtils, CharacterStarts)
{
    const std::string text = "a表b";
    EXPECT_TRUE(IsCharStart(text, 1));
    EXPECT_TRUE(IsCharStart(text, 2));
    EXPECT_FALSE(IsCharStart(text, 3));
    EXPECT_TRUE(IsCharStart(text, 4));
    EXPECT_FALSE(IsCharStart(text, 5));
    EXPECT_EQ(CharLength(text, 2), 2);
    EXPECT_EQ(CharLength(std::string("\x81", 1), 1), 1);
}
