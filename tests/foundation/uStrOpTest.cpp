#include "foundation/uStrOp.h"

#include "foundation/MBUtils.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(uStrOp, LeftRightMidCountBytesAndClampRanges)
{
    EXPECT_EQ(Left("abc", 2), "ab");
    EXPECT_EQ(Left("abc", 0), "");
    EXPECT_EQ(Left("abc", -1), "");
    EXPECT_EQ(Left("abc", 10), "abc");
    EXPECT_EQ(Right("abc", 2), "bc");
    EXPECT_EQ(Right("abc", 3), "abc");
    EXPECT_EQ(Right("abc", 4), "abc");
    EXPECT_EQ(Right("abc", 0), "");
    EXPECT_EQ(Right("abc", -5), "");
    EXPECT_EQ(Mid("abc", 2), "bc");
    EXPECT_EQ(Mid("abc", 0), "abc");
    EXPECT_EQ(Mid("abc", -3), "abc");
    EXPECT_EQ(Mid("abc", 3), "c");
    EXPECT_EQ(Mid("abc", 4), "");
    EXPECT_EQ(Mid("", 1), "");
    EXPECT_EQ(Left("表示", 1), "\x95") << "bytes, not characters";
}

TEST(uStrOp, AddBackslashEnsuresOneDelimiterAtOneEnd)
{
    EXPECT_EQ(AddBackslash("", "B"), "\\");
    EXPECT_EQ(AddBackslash("", "T"), "\\");
    EXPECT_EQ(AddBackslash("C:\\a", "B"), "C:\\a\\");
    EXPECT_EQ(AddBackslash("C:\\a\\", "B"), "C:\\a\\");
    EXPECT_EQ(AddBackslash("a", "Bottom"), "a\\");
    EXPECT_EQ(AddBackslash("a", "b"), "a") << "option letters are case-sensitive";
    EXPECT_EQ(AddBackslash("a", ""), "a");
    EXPECT_EQ(AddBackslash("a", "TB"), "\\a") << "one call never works on both ends";
    EXPECT_EQ(AddBackslash("a\\", "T"), "\\a\\");
    EXPECT_EQ(AddBackslash("\\a", "T"), "\\a");
    EXPECT_EQ(AddBackslash("C:\\表", "B"), "C:\\表\\") << "the 0x5C of 表 is no delimiter";
    EXPECT_EQ(AddBackslash("ソ", "B"), "ソ\\");
}

TEST(uStrOp, RemoveBackslashRemovesOneDelimiterOnly)
{
    EXPECT_EQ(RemoveBackslash("C:\\a\\", "B"), "C:\\a");
    EXPECT_EQ(RemoveBackslash("C:\\a\\\\", "B"), "C:\\a\\");
    EXPECT_EQ(RemoveBackslash("\\\\server\\share", "T"), "\\server\\share");
    EXPECT_EQ(RemoveBackslash("C:\\表", "B"), "C:\\表");
    EXPECT_EQ(RemoveBackslash("\\", "B"), "");
    EXPECT_EQ(RemoveBackslash("", "B"), "");
    EXPECT_EQ(RemoveBackslash("\\a\\", "x"), "\\a\\");
}

TEST(uStrOp, MapStringUsesTheSystemLocale)
{
    EXPECT_EQ(MapString("abc表xyz", LCMAP_UPPERCASE), "ABC表XYZ");
    EXPECT_EQ(MapString("ａｂｃ", LCMAP_UPPERCASE), "ＡＢＣ");
    EXPECT_EQ(MapString("ab1", LCMAP_FULLWIDTH), "ａｂ１");
    EXPECT_EQ(MapString("ｱｲ", LCMAP_FULLWIDTH), "アイ");
    EXPECT_EQ(MapString("", LCMAP_UPPERCASE), "");
    // Flags the system refuses leave the text as it was.
    EXPECT_EQ(MapString("abc", LCMAP_UPPERCASE | LCMAP_LOWERCASE), "abc");
}

TEST(uStrOp, GetFieldSplitsBytewiseAtOneByteSeparators)
{
    EXPECT_EQ(GetField("a,b", ",", 1), "a");
    EXPECT_EQ(GetField("a,b", ",", 2), "b");
    EXPECT_EQ(GetField("a,b", ",", 3), "");
    EXPECT_EQ(GetField("a,b", ",", 0), "");
    EXPECT_EQ(GetField("a,b", ",", -1), "");
    EXPECT_EQ(GetField("a,,c", ",", 2), "");
    EXPECT_EQ(GetField("a,,c", ",", 3), "c");
    EXPECT_EQ(GetField(" a , b", ",", 2), " b") << "nothing is trimmed";
    EXPECT_EQ(GetField("a,b", ",,", 1), "a,b") << "a longer separator never matches";
    EXPECT_EQ(GetField("a,b", "", 1), "a,b");
    EXPECT_EQ(GetField("IDCheck:APP", ":", 2), "APP");
    EXPECT_EQ(GetField("表,能", ",", 2), "能");
    EXPECT_EQ(GetField("", ",", 1), "");
}

TEST(uStrOp, PosNoCaseIgnoresLetterCaseAndStepsOverDoubleByteCharacters)
{
    EXPECT_EQ(PosNoCase("(App)", "(App)\\x"), 1u);
    EXPECT_EQ(PosNoCase("(App)", "C:\\(aPP)\\x"), 4u);
    EXPECT_EQ(PosNoCase("(app)", "表示(APP)"), 5u);
    EXPECT_EQ(PosNoCase(".LNK", "C:\\表\\a.lnk"), 8u);
    EXPECT_EQ(PosNoCase("\\", "表示\\a"), 5u);
    EXPECT_EQ(PosNoCase("", "abc"), 0u);
    EXPECT_EQ(PosNoCase("x", ""), 0u);
    EXPECT_EQ(PosNoCase("ａ", "ＡＢ"), 1u) << "full-width letters are upper-cased too";
    // A lone lead byte at the end never makes the search read past the text.
    EXPECT_EQ(PosNoCase("B", std::string("ab\x81", 3)), 2u);
}

TEST(uStrOp, ReplaceTokenReplacesEveryOccurrenceAndJoinsBackslashes)
{
    EXPECT_EQ(ReplaceToken("(Tmp)\\a.txt", "(Tmp)", "C:\\TEMP\\"), "C:\\TEMP\\a.txt");
    EXPECT_EQ(ReplaceToken("(Tmp)\\a.txt", "(Tmp)", "D:"), "D:\\a.txt");
    EXPECT_EQ(ReplaceToken("(Tmp)a.txt", "(Tmp)", "C:\\TEMP\\"), "C:\\TEMP\\a.txt");
    EXPECT_EQ(ReplaceToken("(win)\\x;(WIN)\\y", "(Win)", "C:\\W\\"), "C:\\W\\x;C:\\W\\y");
    EXPECT_EQ(ReplaceToken("(Win)\\\\x", "(Win)", "C:\\W\\"), "C:\\W\\\\x") << "one backslash merged";
    EXPECT_EQ(ReplaceToken("a(App)b", "(App)", ""), "ab");
    EXPECT_EQ(ReplaceToken("(App)\\x", "(App)", ""), "\\x");
    EXPECT_EQ(ReplaceToken("none", "(App)", "v"), "none");
    EXPECT_EQ(ReplaceToken("(App)\\a\\(App)", "(App)", "(App)"), "(App)\\a\\(App)");
    EXPECT_EQ(ReplaceToken("(App)", "(App)", "x(App)y"), "x(App)y");
    // A value ending in 表 has no delimiter at its end: the text's backslash stays.
    EXPECT_EQ(ReplaceToken("(Dir)\\a", "(Dir)", "C:\\表"), "C:\\表\\a");
    EXPECT_EQ(ReplaceToken("表(Dir)", "(Dir)", "x"), "表x");
}

TEST(uStrOp, ErrorTextIsTheSystemMessageInFullWidthWithCrLf)
{
    EXPECT_EQ(ErrorText(0), "");
    EXPECT_EQ(ErrorText(5), "アクセスが拒否されました。\r\n");
    const std::string notFound = ErrorText(2);
    ASSERT_GE(notFound.size(), 2u);
    EXPECT_EQ(notFound.substr(notFound.size() - 2), "\r\n");
    // Every character before CR LF is double-byte: no half-width letter, blank or dot left.
    for (std::size_t i = 0; i + 2 < notFound.size(); i += 2)
        EXPECT_GE(static_cast<unsigned char>(notFound[i]), 0x81) << "at byte " << i;
}

TEST(uStrOp, PosNoCaseAnswersLikeTheLocaleConversionOnGeneratedText)
{
    // Pieces chosen so trail bytes look like ASCII ("\", "@", "|") and letters come in
    // both cases and widths.
    const char* pieces[] = {"a", "A", "s", "S", "/", "\\", "表", "ソ", "能", "＠", "ポ", "|", "ｱ", ".", "l", "K", "ａ"};
    const char* patterns[] = {"/S", "\\", ".LNK", "|", "@", "(App)", "a\\", "S/"};
    std::uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int len = static_cast<int>(next() % 12);
        for (int i = 0; i < len; ++i) text += pieces[next() % (sizeof pieces / sizeof *pieces)];
        for (const char* pattern : patterns) {
            const std::string upperText = MapString(text, LCMAP_UPPERCASE);
            ASSERT_EQ(upperText.size(), text.size());
            ASSERT_EQ(PosNoCase(pattern, text), MbPos(MapString(pattern, LCMAP_UPPERCASE), upperText))
                << "'" << pattern << "' in '" << text << "'";
        }
    }
}
