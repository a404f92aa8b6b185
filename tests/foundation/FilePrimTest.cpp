#include "foundation/FilePrim.h"

#include "foundation/Handles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(CopyFileReplace, OverwritesAReadOnlyTargetAndLeavesItWritable)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "src.txt", "new"));
    ASSERT_TRUE(WriteFileBytes(dir / "dst.txt", "old"));
    ASSERT_TRUE(SetFileAttributesA((dir / "dst.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(CopyFileReplace(dir / "src.txt", dir / "dst.txt"), 0u);
    EXPECT_EQ(ReadFileBytes(dir / "dst.txt"), "new");
    EXPECT_EQ(GetFileAttributesA((dir / "dst.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST(CopyFileReplace, AReadOnlySourceGivesAWritableCopy)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "src.txt", "data"));
    ASSERT_TRUE(SetFileAttributesA((dir / "src.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CopyFileReplace(dir / "src.txt", dir / "new.txt"), 0u);
    EXPECT_EQ(GetFileAttributesA((dir / "new.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA((dir / "src.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) << "the source is left alone";
}

TEST(CopyFileReplace, ReportsTheSystemErrorOfAFailedCopy)
{
    ScratchFolder dir;
    EXPECT_EQ(CopyFileReplace(dir / "missing.txt", dir / "dst.txt"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA((dir / "dst.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(WriteFileBytes(dir / "src.txt", "new"));
    ASSERT_TRUE(WriteFileBytes(dir / "locked.txt", "old"));
    HANDLE lock = CreateFileA((dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CopyFileReplace(dir / "src.txt", dir / "locked.txt"), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(dir / "locked.txt"), "old");
}

TEST(FolderExists, ListsTheFolderWithOrWithoutBackslash)
{
    char win[MAX_PATH] = {};
    GetWindowsDirectoryA(win, MAX_PATH);
    EXPECT_TRUE(FolderExists(win));
    EXPECT_TRUE(FolderExists(std::string(win) + "\\"));
    ScratchFolder dir;
    EXPECT_TRUE(FolderExists(dir.path())) << "an empty folder still lists . and ..";
    EXPECT_FALSE(FolderExists(dir / "missing"));
    EXPECT_FALSE(FolderExists(dir / "missing\\"));
    ASSERT_TRUE(WriteFileBytes(dir / "file.txt", "x"));
    EXPECT_FALSE(FolderExists(dir / "file.txt")) << "a file is no folder";
    ASSERT_TRUE(CreateDirectoryA((dir / "表").c_str(), nullptr));
    EXPECT_TRUE(FolderExists(dir / "表"));
    EXPECT_TRUE(FolderExists(dir / "表\\"));
}

TEST(FolderExists, ADriveRootWithOnlyHiddenEntriesCountsAsMissing)
{
    // The test prefix maps Q: to an empty folder: a freshly formatted drive whose root
    // lists no "." or "..".
    ASSERT_NE(GetFileAttributesA("Q:\\"), INVALID_FILE_ATTRIBUTES) << "the test prefix maps Q:";
    EXPECT_FALSE(FolderExists("Q:\\"));
    ASSERT_TRUE(WriteFileBytes("Q:\\hidden.sys", "x"));
    ScopeExit clean([] {
        SetFileAttributesA("Q:\\hidden.sys", FILE_ATTRIBUTE_NORMAL);
        DeleteFileA("Q:\\hidden.sys");
        DeleteFileA("Q:\\visible.txt");
    });
    SetFileAttributesA("Q:\\hidden.sys", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_FALSE(FolderExists("Q:\\"));
    ASSERT_TRUE(WriteFileBytes("Q:\\visible.txt", "x"));
    EXPECT_TRUE(FolderExists("Q:\\"));
    EXPECT_TRUE(FolderExists("Q:"));
}

TEST(CreateFolderTree, CreatesEveryMissingLevel)
{
    ScratchFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "A").c_str(), nullptr));
    EXPECT_TRUE(CreateFolderTree(dir / "A\\B\\C\\"));
    EXPECT_TRUE(FolderExists(dir / "A\\B\\C"));
    EXPECT_TRUE(CreateFolderTree(dir / "A\\B\\C")) << "all levels exist";
    EXPECT_TRUE(CreateFolderTree(dir / "表\\ソ\\能"));
    EXPECT_TRUE(FolderExists(dir / "表\\ソ\\能"));
    // Never split at the trail byte of 表: the scratch folder holds 表 and nothing else.
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((dir / "*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::string names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names += name + "|";
    } while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_EQ(names, "A|表|");
}

TEST(CreateFolderTree, ReportsOnlyTheLastCreationAttempted)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "file", "x"));
    EXPECT_FALSE(CreateFolderTree(dir / "file\\sub"));
    // A level that cannot be made (an illegal name) is forgotten once a later level succeeds.
    EXPECT_FALSE(CreateFolderTree(dir / "bad|name"));
    EXPECT_TRUE(CreateFolderTree(dir / "x\\y"));
}

TEST(FileAge, IsTheLocalDosTimeOfTheLastWrite)
{
    ScratchFolder dir;
    EXPECT_EQ(FileAge(dir / "missing"), -1);
    EXPECT_EQ(FileAge(dir.path()), -1) << "a folder has no age";
    ASSERT_TRUE(WriteFileBytes(dir / "f.txt", "x"));
    HANDLE h = CreateFileA((dir / "f.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME local{2001, 2, 0, 3, 4, 5, 6, 0}; // 2001-02-03 04:05:06 local time
    FILETIME localFt{}, utcFt{};
    SystemTimeToFileTime(&local, &localFt);
    LocalFileTimeToFileTime(&localFt, &utcFt);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &utcFt));
    CloseHandle(h);
    const std::int64_t date = ((2001 - 1980) << 9) | (2 << 5) | 3;
    const std::int64_t time = (4 << 11) | (5 << 5) | (6 / 2);
    EXPECT_EQ(FileAge(dir / "f.txt"), (date << 16) | time);
}
