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
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
        << "the source is left alone";
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

namespace {

// The copy rule as written, the oracle of the attribute shortcut: Archive only before
// and after whenever the target exists, whatever it has already.
std::uint32_t LiteralCopyFileReplace(const std::string& source, const std::string& target)
{
    if (FileAge(target) != -1) SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    const BOOL ok = CopyFileA(source.c_str(), target.c_str(), FALSE);
    DWORD error = ok ? 0 : GetLastError();
    if (!ok && error == 0) error = ERROR_GEN_FAILURE;
    if (FileAge(target) != -1) SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return error;
}

struct CopyOutcome {
    std::uint32_t result;
    std::string content;
    DWORD targetAttributes;
    DWORD sourceAttributes;
};

// One case in a folder of its own: a source with the given attributes, a target that is
// missing (0), a file with the given attributes, or a folder (~0u).
template <class Copy>
CopyOutcome RunCopyCase(const std::string& folder, DWORD sourceAttributes, DWORD targetAttributes, Copy copy)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string source = folder + "\\元.txt", target = folder + "\\表.txt";
    WriteFileBytes(source, "new");
    SetFileAttributesA(source.c_str(), sourceAttributes);
    if (targetAttributes == ~0u) {
        CreateDirectoryA(target.c_str(), nullptr);
    } else if (targetAttributes != 0) {
        WriteFileBytes(target, "old");
        SetFileAttributesA(target.c_str(), targetAttributes);
    }
    CopyOutcome o{copy(source, target), ReadFileBytes(target), GetFileAttributesA(target.c_str()),
                  GetFileAttributesA(source.c_str())};
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return o;
}

} // namespace

// The copy leaves attributes that are already Archive only alone; the outcome must be
// that of the rule as written for every mix of source and target attributes.
TEST(CopyFileReplace, EndsLikeTheLiteralRuleForEveryMixOfAttributes)
{
    ScratchFolder dir;
    const DWORD ro = FILE_ATTRIBUTE_READONLY, hidden = FILE_ATTRIBUTE_HIDDEN, system = FILE_ATTRIBUTE_SYSTEM,
                archive = FILE_ATTRIBUTE_ARCHIVE, normal = FILE_ATTRIBUTE_NORMAL;
    const DWORD sources[] = {archive, normal, ro, hidden, system, ro | hidden | system | archive};
    const DWORD targets[] = {0, archive, normal, ro, ro | hidden | system, hidden | archive, ~0u};
    int n = 0;
    for (const DWORD s : sources) {
        for (const DWORD t : targets) {
            for (const bool withProgress : {false, true}) {
                SCOPED_TRACE("source " + std::to_string(s) + " target " + std::to_string(t) +
                             (withProgress ? " with progress" : ""));
                const std::string base = dir / std::to_string(n++);
                const CopyOutcome literal = RunCopyCase(base + "a", s, t, LiteralCopyFileReplace);
                const CopyOutcome fast = RunCopyCase(base + "b", s, t, [&](const std::string& a, const std::string& b) {
                    return withProgress ? CopyFileReplace(a, b, [](std::int64_t, std::int64_t) {})
                                        : CopyFileReplace(a, b);
                });
                EXPECT_EQ(fast.result, literal.result);
                EXPECT_EQ(fast.content, literal.content);
                EXPECT_EQ(fast.targetAttributes, literal.targetAttributes);
                EXPECT_EQ(fast.sourceAttributes, literal.sourceAttributes);
            }
        }
    }
}

// The copy to a new name finds an existing target itself: onto a missing name it ends as
// CopyFileReplace does; onto a taken one it refuses and leaves everything as it was.
TEST(CopyFileToNewName, CopiesLikeCopyFileReplaceOrRefusesATakenName)
{
    ScratchFolder dir;
    const auto none = [](std::int64_t, std::int64_t) {};
    const DWORD sources[] = {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY,
                             FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
    int n = 0;
    for (const DWORD s : sources) {
        SCOPED_TRACE("source " + std::to_string(s));
        const std::string base = dir / std::to_string(n++);
        const CopyOutcome replace = RunCopyCase(
            base + "a", s, 0, [&](const std::string& a, const std::string& b) { return CopyFileReplace(a, b, none); });
        const CopyOutcome fresh = RunCopyCase(base + "b", s, 0, [&](const std::string& a, const std::string& b) {
            return CopyFileToNewName(a, b, none);
        });
        EXPECT_EQ(fresh.result, 0u);
        EXPECT_EQ(fresh.result, replace.result);
        EXPECT_EQ(fresh.content, replace.content);
        EXPECT_EQ(fresh.targetAttributes, replace.targetAttributes);
        EXPECT_EQ(fresh.sourceAttributes, replace.sourceAttributes);
    }
    const DWORD taken[] = {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, ~0u};
    for (const DWORD t : taken) {
        SCOPED_TRACE("taken by " + std::to_string(t));
        const std::string folder = dir / std::to_string(n++);
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string target = folder + "\\表.txt";
        const CopyOutcome o = RunCopyCase(folder, FILE_ATTRIBUTE_ARCHIVE, t, [&](const std::string& a, const std::string&) {
            const DWORD before = GetFileAttributesA(target.c_str());
            const std::uint32_t r = CopyFileToNewName(a, target, none);
            EXPECT_EQ(GetFileAttributesA(target.c_str()), before) << "attributes untouched";
            return r;
        });
        EXPECT_TRUE(o.result == ERROR_FILE_EXISTS || o.result == ERROR_ALREADY_EXISTS || o.result == ERROR_ACCESS_DENIED)
            << o.result;
        if (t != ~0u) {
            EXPECT_EQ(o.content, "old");
        }
    }
    // A missing folder on the way is an ordinary failure, reported as CopyFileReplace does.
    ASSERT_TRUE(WriteFileBytes(dir / "src.txt", "x"));
    EXPECT_EQ(CopyFileToNewName(dir / "src.txt", dir / "nowhere\\x.txt", none),
              CopyFileReplace(dir / "src.txt", dir / "nowhere\\x.txt", none));
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

TEST(FileAge, IsTheLocalDosTimeOfTheLastWriteClampedToTheDosRange)
{
    ScratchFolder dir;
    EXPECT_EQ(FileAge(dir / "missing"), -1);
    EXPECT_EQ(FileAge(dir.path()), -1) << "a folder has no age";
    struct Row {
        SYSTEMTIME local;
        std::int64_t age;
    };
    const auto dos = [](int y, int mo, int d, int h, int mi, int s) -> std::int64_t {
        return (static_cast<std::int64_t>(((y - 1980) << 9) | (mo << 5) | d) << 16) | (h << 11) | (mi << 5) | (s / 2);
    };
    const Row rows[] = {
        {{2001, 2, 0, 3, 4, 5, 6, 0}, dos(2001, 2, 3, 4, 5, 6)},
        {{1980, 1, 0, 1, 0, 0, 0, 0}, dos(1980, 1, 1, 0, 0, 0)},
        // An existing file is never missing: earlier and later dates take the nearest.
        {{1975, 6, 0, 15, 12, 0, 0, 0}, kEarliestDosAge},
        {{1601, 1, 0, 2, 0, 0, 0, 0}, kEarliestDosAge},
        {{2110, 1, 0, 1, 0, 0, 0, 0}, kLatestDosAge},
    };
    ASSERT_TRUE(WriteFileBytes(dir / "f.txt", "x"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.local.wYear);
        HANDLE h = CreateFileA((dir / "f.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME localFt{}, utcFt{};
        SystemTimeToFileTime(&row.local, &localFt);
        LocalFileTimeToFileTime(&localFt, &utcFt);
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &utcFt));
        CloseHandle(h);
        EXPECT_EQ(FileAge(dir / "f.txt"), row.age);
    }
}
