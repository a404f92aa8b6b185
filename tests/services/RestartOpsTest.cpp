#include "services/RestartOps.h"

#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>

namespace {

// The short form straight from the system, independent of the code under test.
std::string Short(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

// A scratch Windows folder and a file folder whose names hold the 0x5C trail bytes of
// 表, ソ and 能.
class RestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(windows.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(files.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(oldFile, "old"));
        ASSERT_TRUE(WriteFileBytes(newFile, "new"));
        ASSERT_NE(Short(oldFile).find("~"), std::string::npos) << "short names must differ from long ones";
    }
    std::string Wininit() const { return ReadFileBytes(windows + "WININIT.INI"); }
    void SetWininit(const std::string& text) const { ASSERT_TRUE(WriteFileBytes(windows + "WININIT.INI", text)); }

    ScratchFolder scratch;
    std::string windows = scratch / "表ソ能 Windows\\";
    std::string files = scratch / "能 files\\";
    std::string oldFile = files + "old file.dll";
    std::string newFile = files + "new.dll";
    ScriptedHost host;
};

} // namespace

TEST_F(RestartTest, AMissingWininitGetsARenameSectionWithTheEntry)
{
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_EQ(Wininit(), "[Rename]\r\nNul=" + Short(oldFile) + "\r\n");
}

TEST_F(RestartTest, FoldersAndUnreadablePathsGiveDirNulEntries)
{
    const std::string folder = files.substr(0, files.size() - 1);
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, folder));
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, files + "missing.txt"));
    EXPECT_EQ(Wininit(), "[Rename]\r\nDirNul=" + Short(folder) + "\r\nDirNul=\r\n");
}

TEST_F(RestartTest, TheEntryGoesBeforeTheEmptyLineThatClosesRename)
{
    SetWininit("[Other]\r\nx=1\r\n\r\n[rename]\r\nNUL=C:\\OLD1\r\nC:\\A=C:\\B\r\n\r\n[More]\r\ny=2\r\n");
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_EQ(Wininit(), "[Other]\r\nx=1\r\n\r\n[rename]\r\nNUL=C:\\OLD1\r\nC:\\A=C:\\B\r\nNul=" + Short(oldFile) +
                             "\r\n\r\n[More]\r\ny=2\r\n");
}

TEST_F(RestartTest, WithoutAnEmptyLineTheEntryEndsTheRenameSection)
{
    // Rename as the last section: the entry is the last line of the file.
    SetWininit("[Other]\r\nx=1\r\n\r\n[Rename]\r\nNUL=C:\\OLD1");
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_EQ(Wininit(), "[Other]\r\nx=1\r\n\r\n[Rename]\r\nNUL=C:\\OLD1\r\nNul=" + Short(oldFile) + "\r\n");

    // Another section follows directly: appended at the end the entry would land there,
    // where Windows never reads it.
    SetWininit("[Rename]\nNUL=C:\\OLD1\n[Other]\nx=1\n");
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_EQ(Wininit(), "[Rename]\r\nNUL=C:\\OLD1\r\nNul=" + Short(oldFile) + "\r\n[Other]\r\nx=1\r\n");
}

TEST_F(RestartTest, WithoutARenameSectionOneIsAddedAtTheEnd)
{
    SetWininit("[Other]\r\nx=1\r\n");
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_EQ(Wininit(), "[Other]\r\nx=1\r\n[Rename]\r\nNul=" + Short(oldFile) + "\r\n");
}

TEST_F(RestartTest, TwoDeletionsKeepBothLinesAndAReplacementKeepsThemToo)
{
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, oldFile));
    EXPECT_TRUE(DeleteAtRestart(host, "notNT", windows, newFile));
    const std::string twoLines = "[Rename]\r\nNul=" + Short(oldFile) + "\r\nNul=" + Short(newFile) + "\r\n";
    EXPECT_EQ(Wininit(), twoLines);

    // The replacement goes through the profile API, which must not merge the NUL lines.
    EXPECT_TRUE(ReplaceAtRestart(host, "notNT", windows, newFile, oldFile));
    EXPECT_EQ(Wininit(), twoLines + Short(oldFile) + "=" + Short(windows + "QSTMP1.TMP") + "\r\n");
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(RestartTest, AnUnreadableWininitIsLeftAlone)
{
    SetWininit("[Rename]\r\nNUL=C:\\OLD1\r\n");
    HANDLE lock = CreateFileA((windows + "WININIT.INI").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteAtRestart(host, "notNT", windows, oldFile));
    CloseHandle(lock);
    EXPECT_EQ(Wininit(), "[Rename]\r\nNUL=C:\\OLD1\r\n");
}

TEST_F(RestartTest, AReplacementUsesTheFirstFreeTemporaryName)
{
    ASSERT_TRUE(WriteFileBytes(windows + "QSTMP1.TMP", "1"));
    ASSERT_TRUE(WriteFileBytes(windows + "QSTMP2.TMP", "2"));
    EXPECT_TRUE(ReplaceAtRestart(host, "notNT", windows.substr(0, windows.size() - 1), newFile, oldFile));
    EXPECT_EQ(ReadFileBytes(windows + "QSTMP3.TMP"), "new");
    EXPECT_EQ(ReadFileBytes(windows + "QSTMP1.TMP"), "1");
    EXPECT_EQ(ReadFileBytes(windows + "QSTMP2.TMP"), "2");
    EXPECT_EQ(ReadFileBytes(oldFile), "old") << "the target is replaced only at the restart";
    EXPECT_EQ(Wininit(), "[Rename]\r\n" + Short(oldFile) + "=" + Short(windows + "QSTMP3.TMP") + "\r\n");
}

TEST_F(RestartTest, AnUnknownFamilySchedulesNothingAndSucceeds)
{
    EXPECT_TRUE(DeleteAtRestart(host, "", windows, oldFile));
    EXPECT_TRUE(ReplaceAtRestart(host, "", windows, newFile, oldFile));
    EXPECT_TRUE(DeleteAtRestart(host, "nt", windows, oldFile));
    EXPECT_FALSE(Exists(windows + "WININIT.INI"));
    EXPECT_FALSE(Exists(windows + "QSTMP1.TMP"));
    EXPECT_EQ(ReadFileBytes(oldFile), "old");
    EXPECT_TRUE(host.questions.empty());
}

namespace {

// The system's pending-rename list, put back as it was after each test: Wine carries
// the renames out when the prefix starts next.
class DelayedMoveTest : public RestartTest {
protected:
    void SetUp() override
    {
        RestartTest::SetUp();
        before = ReadPendingRenames();
    }
    void TearDown() override { WritePendingRenames(before); }

    // The entries added by the test, as the system stores them (pairs of zero-ended
    // strings; an empty target deletes, a "!" marks replacing an existing file).
    std::string Added() const
    {
        std::string now = ReadPendingRenames().value_or("");
        // The list ends with an extra zero byte, which new entries are appended before.
        std::string old = before.value_or("");
        if (!old.empty() && old.back() == '\0') old.pop_back();
        if (now.compare(0, old.size(), old) != 0) return "<earlier entries changed>";
        return now.substr(old.size());
    }

    std::optional<std::string> before;
};

} // namespace

TEST_F(DelayedMoveTest, DeletionAndReplacementAreRegisteredWithTheSystem)
{
    EXPECT_TRUE(DeleteAtRestart(host, "NT", windows, oldFile));
    EXPECT_TRUE(ReplaceAtRestart(host, "NT", windows, newFile, oldFile));
    const std::string temporary = windows + "QSTMP1.TMP";
    EXPECT_EQ(ReadFileBytes(temporary), "new");
    EXPECT_EQ(ReadFileBytes(oldFile), "old");
    using namespace std::string_literals;
    EXPECT_EQ(Added(), "\\??\\"s + oldFile + "\0\0"s + "\\??\\" + temporary + "\0!\\??\\"s + oldFile + "\0\0"s);
    EXPECT_FALSE(Exists(windows + "WININIT.INI"));
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(DelayedMoveTest, AFailedDelayedMoveIsReportedThroughTheHost)
{
    EXPECT_FALSE(DeleteAtRestart(host, "NT", windows, ""));
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].text, "MoveFileEx関数が失敗しました。");
    EXPECT_EQ(host.questions[0].caption, "内部エラー");
    EXPECT_EQ(host.questions[0].flags, 48u);
}
