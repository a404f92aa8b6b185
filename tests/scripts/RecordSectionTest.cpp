#include "scripts/RecordSection.h"

#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>

namespace {

// The record's numbered section composed line by line the literal way: every line by
// ComposeRecordLine over the whole text so far, "/S" merges by rewriting the line.
std::string ComposeLiterally(const std::vector<std::pair<std::string, bool>>& entries)
{
    std::string text = "[DeleteFile]\r\n";
    for (const auto& [entry, merge] : entries) {
        const std::string line = ComposeRecordLine(entry, "DeleteFile", "File", merge, text);
        if (PosNoCase("[!!]", line) == 0) {
            text += line;
            continue;
        }
        const std::string existing = Mid(line, 5);
        const std::string merged = existing + (existing.find(',') != std::string::npos ? "/S" : ",/S");
        text = ReplaceToken(text, existing + "\r\n", merged + "\r\n");
    }
    return text;
}

std::string ComposeFast(const std::vector<std::pair<std::string, bool>>& entries)
{
    RecordSection section("File");
    for (const auto& [entry, merge] : entries) section.Add(entry, merge);
    return "[DeleteFile]\r\n" + section.Text();
}

std::vector<std::pair<std::string, bool>> Generate(std::mt19937& rng, int count, bool withEmptyIdentities)
{
    static const char* folders[] = {"C:\\App\\",        "c:\\app\\",    "D:\\表\\",     "d:\\表\\",
                                    "C:\\ソフト\\能\\", "C:\\ａｐｐ\\", "C:\\ＡＰＰ\\", "C:\\App Data\\"};
    static const char* names[] = {"a.dll", "A.DLL", "readme.txt", "README.TXT", "表示.exe", "x=y.ini", "b"};
    static const char* flags[] = {"", "", ",/S", ",/C", ",/C/S", ",/s", ",/L,extra"};
    std::uniform_int_distribution<int> f(0, 7), n(0, 6), g(0, 6), num(0, 40), empty(0, 60);
    std::vector<std::pair<std::string, bool>> entries;
    for (int i = 0; i < count; ++i) {
        std::string entry = std::string(folders[f(rng)]) + std::to_string(num(rng)) + names[n(rng)] + flags[g(rng)];
        if (withEmptyIdentities && empty(rng) == 0) entry = ",/S";
        entries.emplace_back(entry, PosNoCase("/S", entry) != 0);
    }
    return entries;
}

} // namespace

TEST(RecordSection, NumbersAndMergesLikeTheLiteralComposition)
{
    std::mt19937 rng(20261208);
    for (int round = 0; round < 40; ++round) {
        const auto entries = Generate(rng, 150, false);
        ASSERT_EQ(ComposeFast(entries), ComposeLiterally(entries)) << "round " << round;
    }
}

TEST(RecordSection, AnEntryWithoutFirstFieldBreaksTheNumberingLikeTheLiteralComposition)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const auto entries = Generate(rng, 120, true);
        ASSERT_EQ(ComposeFast(entries), ComposeLiterally(entries)) << "round " << round;
    }
}

TEST(RecordSection, HandWrittenCases)
{
    EXPECT_EQ(ComposeFast({{"C:\\a", false}, {"C:\\A,/C", false}, {"C:\\b", false}}),
              "[DeleteFile]\r\nFile1=C:\\a\r\nFile2=C:\\b\r\n");
    EXPECT_EQ(ComposeFast({{"C:\\a,/C", false}, {"C:\\A,/S", true}, {"c:\\a,/S", true}}),
              "[DeleteFile]\r\nFile1=C:\\a,/C/S/S\r\n");
    EXPECT_EQ(ComposeFast({{"C:\\a", false}, {"C:\\a,/S", true}}), "[DeleteFile]\r\nFile1=C:\\a,/S\r\n");
}

TEST(IdentityKey, EqualExactlyWhenCompareStringSaysEqual)
{
    const std::vector<std::string> pool = {"C:\\App",
                                           "c:\\app",
                                           "C:\\APP",
                                           "C:\\App ",
                                           "C:\\Ａｐｐ",
                                           "C:\\ＡＰＰ",
                                           "C:\\ａｐｐ",
                                           "C:\\ｱﾌﾟﾘ",
                                           "C:\\アプリ",
                                           "C:\\あぷり",
                                           "C:\\表",
                                           "C:\\表\\",
                                           "D:\\表示",
                                           "d:\\表示",
                                           "C:\\a-b",
                                           "C:\\ab",
                                           "C:\\a'b",
                                           "C:\\Α",
                                           "C:\\α",
                                           "",
                                           "C:\\Я",
                                           "C:\\я",
                                           std::string("C:\\x\x01", 4),
                                           "C:\\x"};
    for (const std::string& a : pool) {
        for (const std::string& b : pool) {
            const bool equal = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                              b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
            EXPECT_EQ(IdentityKey(a) == IdentityKey(b), equal) << "'" << a << "' vs '" << b << "'";
        }
    }
}
