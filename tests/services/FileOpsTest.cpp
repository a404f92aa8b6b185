#include "services/FileOps.h"

#include "foundation/uStrOp.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Counts the owner-window requests: the owner is wanted only for the shell's delete, so
// no request means the shell was never asked.
class CountingHost : public ScriptedHost {
public:
    mutable int ownerRequests = 0;
    HWND OwnerWindow() const override
    {
        ++ownerRequests;
        return owner;
    }
};

// A scratch folder below the temporary folder whose name holds the 0x5C trail bytes of
// 表, ソ and 能.
class DbcsFolder {
public:
    DbcsFolder() : path_(scratch_ / "表ソ能\\") { CreateDirectoryA(path_.c_str(), nullptr); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    ScratchFolder scratch_;
    std::string path_;
};

} // namespace

TEST(DeleteFiles, APlainNameThatNamesNoFileReturns2WithoutAskingTheShell)
{
    DbcsFolder dir;
    CountingHost host;
    EXPECT_EQ(DeleteFiles(host, dir / "missing.txt"), 2u);
    EXPECT_EQ(host.ownerRequests, 0);

    // The shell would delete a folder with its contents; a plain folder path must not
    // reach it.
    const std::string sub = dir / "能";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(sub + "\\keep.txt", "x"));
    EXPECT_EQ(DeleteFiles(host, sub), 2u);
    EXPECT_EQ(DeleteFiles(host, sub + "\\"), 2u);
    EXPECT_TRUE(Exists(sub + "\\keep.txt"));
    EXPECT_EQ(host.ownerRequests, 0);
    EXPECT_TRUE(host.questions.empty());
}

// The rule sends a plain file to the shell; a file no one else holds is deleted directly,
// with the same outcome (see TheDirectDeleteEndsLikeTheShellsDelete).
TEST(DeleteFiles, APlainFileIsDeletedThroughTheShell)
{
    DbcsFolder dir;
    CountingHost host;
    ASSERT_TRUE(WriteFileBytes(dir / "表.txt", "x"));
    EXPECT_EQ(DeleteFilesThroughShell(host, dir / "表.txt"), 0u);
    EXPECT_FALSE(Exists(dir / "表.txt"));
    EXPECT_EQ(host.ownerRequests, 1);

    ASSERT_TRUE(WriteFileBytes(dir / "表.txt", "x"));
    bool gone = false;
    EXPECT_EQ(DeleteFiles(host, dir / "表.txt", &gone), 0u);
    EXPECT_FALSE(Exists(dir / "表.txt"));
    EXPECT_TRUE(gone);
    EXPECT_EQ(host.ownerRequests, 1) << "deleted directly";
}

TEST(DeleteFiles, AWildcardDeletesEveryMatchFoldersIncludedAndNothingElse)
{
    DbcsFolder dir;
    CountingHost host;
    ASSERT_TRUE(WriteFileBytes(dir / "a.tmp", "a"));
    ASSERT_TRUE(WriteFileBytes(dir / "ソ.tmp", "b"));
    ASSERT_TRUE(WriteFileBytes(dir / "keep.txt", "c"));
    ASSERT_TRUE(CreateDirectoryA((dir / "sub.tmp").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / "sub.tmp\\inner.txt", "d"));

    EXPECT_EQ(DeleteFiles(host, dir / "*.tmp"), 0u);
    EXPECT_FALSE(Exists(dir / "a.tmp"));
    EXPECT_FALSE(Exists(dir / "ソ.tmp"));
    EXPECT_FALSE(Exists(dir / "sub.tmp"));
    EXPECT_TRUE(Exists(dir / "keep.txt"));
    EXPECT_EQ(host.ownerRequests, 1);

    // Without a match the pattern still goes to the shell.
    DeleteFiles(host, dir / "*.none");
    DeleteFiles(host, dir / "?.none");
    EXPECT_EQ(host.ownerRequests, 3);
    EXPECT_TRUE(Exists(dir / "keep.txt"));
}

TEST(DeleteFiles, APatternTooLongForTheAnsiFunctionsNeverReachesTheShell)
{
    // Found by the fuzzer: a record's 100,000-character installation folder, emptied with
    // the option boxes' patterns, ended the uninstaller inside the shell's delete.
    DbcsFolder dir;
    CountingHost host;
    const std::string folder = dir / (std::string(1000, 'a') + "\\");
    EXPECT_EQ(DeleteFiles(host, folder + "*.INI"), static_cast<std::uint32_t>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(DeleteFiles(host, folder + "x.txt"), 2u) << "a plain name stays a file that is not there";
    EXPECT_EQ(RemoveFolder(host, folder, "*.INI|*.GID|"), static_cast<std::uint32_t>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(host.ownerRequests, 0);
}

// The shell under Wine reports the failure but leaves the last error at 0.
TEST(DeleteFiles, AFileInUseIsReportedAsAFailureNotAsSuccess)
{
    DbcsFolder dir;
    ScriptedHost host;
    ASSERT_TRUE(WriteFileBytes(dir / "locked.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(dir / "free.log", "x"));
    ASSERT_TRUE(WriteFileBytes(dir / "locked.log", "x"));
    HANDLE lock = CreateFileA((dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    HANDLE lockLog = CreateFileA((dir / "locked.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lockLog, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DeleteFiles(host, dir / "locked.txt"), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_NE(DeleteFiles(host, dir / "*.log"), 0u);
    CloseHandle(lock);
    CloseHandle(lockLog);
    EXPECT_TRUE(Exists(dir / "locked.txt"));
    EXPECT_TRUE(Exists(dir / "locked.log"));
}

namespace {

struct DeleteCase {
    const char* name;
    const char* file;     // created in the folder; "" for none
    DWORD attributes;     // of the file
    DWORD holderSharing;  // another handle kept open with this sharing; ~0u for none
    const char* argument; // what is deleted, relative to the folder
};

struct DeleteOutcome {
    std::uint32_t result = 0;
    bool existsWhileHeld = false;
    bool existsAfter = false;
    bool certainlyGone = false;
};

template <class Delete> DeleteOutcome RunDeleteCase(const std::string& folder, const DeleteCase& c, Delete del)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string file = folder + c.file;
    UniqueFile holder;
    if (*c.file) {
        WriteFileBytes(file, "x");
        WriteFileBytes(folder + "other.tmp", "y");
        SetFileAttributesA(file.c_str(), c.attributes);
        if (c.holderSharing != ~0u)
            holder.reset(CreateFileA(file.c_str(), GENERIC_READ, c.holderSharing, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    DeleteOutcome o;
    o.result = del(folder + c.argument, o.certainlyGone);
    o.existsWhileHeld = Exists(file);
    holder.reset();
    o.existsAfter = Exists(file);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    return o;
}

} // namespace

// The direct delete of a plain file must end exactly as the shell's delete of the rule:
// same code, same file left or gone, also while someone else holds the file; and when it
// says the name is certainly gone, it is.
TEST(DeleteFiles, TheDirectDeleteEndsLikeTheShellsDelete)
{
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD none = ~0u;
    const DeleteCase cases[] = {
        {"plain", "表.txt", FILE_ATTRIBUTE_ARCHIVE, none, "表.txt"},
        {"normal attribute", "ソ", FILE_ATTRIBUTE_NORMAL, none, "ソ"},
        {"read-only", "ro.txt", FILE_ATTRIBUTE_READONLY, none, "ro.txt"},
        {"hidden", "h.txt", FILE_ATTRIBUTE_HIDDEN, none, "h.txt"},
        {"system", "s.txt", FILE_ATTRIBUTE_SYSTEM, none, "s.txt"},
        {"read-only hidden system", "rhs.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         none, "rhs.txt"},
        {"held without sharing", "held.txt", FILE_ATTRIBUTE_ARCHIVE, FILE_SHARE_READ, "held.txt"},
        {"held sharing everything", "pending.txt", FILE_ATTRIBUTE_ARCHIVE, all, "pending.txt"},
        {"held read-only", "heldro.txt", FILE_ATTRIBUTE_READONLY, all, "heldro.txt"},
        {"component", "comp.dll", FILE_ATTRIBUTE_ARCHIVE, none, "comp.dll"},
        {"other letter case", "Mixed.TXT", FILE_ATTRIBUTE_ARCHIVE, none, "mixed.txt"},
        {"missing", "", 0, none, "missing.txt"},
        {"folder", "", 0, none, "."},
        {"wildcard", "w.tmp", FILE_ATTRIBUTE_ARCHIVE, none, "*.tmp"},
    };
    DbcsFolder dir;
    int n = 0;
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = dir / std::to_string(n++);
        ScriptedHost host;
        const DeleteOutcome shell = RunDeleteCase(
            base + "a\\", c, [&](const std::string& path, bool&) { return DeleteFilesThroughShell(host, path); });
        const DeleteOutcome direct = RunDeleteCase(
            base + "b\\", c, [&](const std::string& path, bool& gone) { return DeleteFiles(host, path, &gone); });
        EXPECT_EQ(direct.result, shell.result);
        EXPECT_EQ(direct.existsWhileHeld, shell.existsWhileHeld);
        EXPECT_EQ(direct.existsAfter, shell.existsAfter);
        if (direct.certainlyGone) {
            EXPECT_FALSE(direct.existsWhileHeld);
        }
        EXPECT_TRUE(host.questions.empty());
    }
}

TEST(RemoveFolder, StarDotStarClearsTheFolderWithItsSubfoldersThenRemovesIt)
{
    DbcsFolder dir;
    ScriptedHost host;
    const std::string target = dir / "表"; // no trailing backslash, trail byte 0x5C at the end
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target + "\\a.txt", "a"));
    ASSERT_TRUE(CreateDirectoryA((target + "\\ソ").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target + "\\ソ\\b.txt", "b"));
    EXPECT_EQ(RemoveFolder(host, target, "*.*|"), 0u);
    EXPECT_FALSE(Exists(target));
    EXPECT_TRUE(Exists(dir.path()));
}

TEST(RemoveFolder, AnEmptyListRemovesOnlyAnEmptyFolder)
{
    DbcsFolder dir;
    ScriptedHost host;
    const std::string target = dir / "能\\";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target + "keep.txt", "x"));
    EXPECT_EQ(RemoveFolder(host, target, ""), 145u);
    EXPECT_TRUE(Exists(target + "keep.txt"));

    ASSERT_TRUE(DeleteFileA((target + "keep.txt").c_str()));
    EXPECT_EQ(RemoveFolder(host, target, ""), 0u);
    EXPECT_FALSE(Exists(target));
    EXPECT_EQ(RemoveFolder(host, target, ""), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(RemoveFolder, SplitsThePatternListOnlyAtRealBars)
{
    DbcsFolder dir;
    ScriptedHost host;
    // ポ is 0x83 0x7C: its trail byte is "|" and must not split the list.
    ASSERT_TRUE(WriteFileBytes(dir / "ポ1.txt", "a"));
    ASSERT_TRUE(WriteFileBytes(dir / "x.log", "b"));
    ASSERT_TRUE(WriteFileBytes(dir / "keep.dat", "c"));
    EXPECT_EQ(RemoveFolder(host, dir.path(), "ポ*.txt|*.log"), 145u);
    EXPECT_FALSE(Exists(dir / "ポ1.txt"));
    EXPECT_FALSE(Exists(dir / "x.log"));
    EXPECT_TRUE(Exists(dir / "keep.dat"));
}

namespace {

class ExpandCompressedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
        for (const char* name : {"README.TX_", "README.TXT", "RANDOM.BI_", "RANDOM.BIN"})
            ASSERT_TRUE(CopyFileA((std::string(QS_SZDD_DIR) + name).c_str(), (dir / name).c_str(), FALSE)) << name;
    }
    std::string Expansion() const { return temp + "EXPAND.QST"; }

    DbcsFolder dir;
    std::string temp = dir / "ソtemp\\";
    ScriptedHost host;
};

} // namespace

TEST_F(ExpandCompressedTest, AutoExtTakesTheStoredNameInUpperCase)
{
    const std::string result = ExpandCompressed(host, dir / "README.TX_", dir / "能\\AUTO.EXT", temp);
    EXPECT_EQ(result, Expansion() + "," + dir / "能\\README.TXT");
    EXPECT_EQ(GetField(result, ",", 1), Expansion());
    EXPECT_EQ(ReadFileBytes(Expansion()), ReadFileBytes(dir / "README.TXT"));

    // A stored name in lower case is upper-cased too.
    ASSERT_TRUE(MoveFileA((dir / "README.TX_").c_str(), (dir / "readme.tx_").c_str()));
    EXPECT_EQ(ExpandCompressed(host, dir / "readme.tx_", dir / "AUTO.EXT", temp), Expansion() + "," + dir / "README.TXT");
}

TEST_F(ExpandCompressedTest, OnlyAnUpperCaseAutoExtIsReplaced)
{
    EXPECT_EQ(ExpandCompressed(host, dir / "README.TX_", dir / "auto.ext", temp), Expansion() + "," + dir / "auto.ext");
    EXPECT_EQ(ExpandCompressed(host, dir / "README.TX_", dir / "AUTO.EXTRA", temp),
              Expansion() + "," + dir / "AUTO.EXTRA");
    EXPECT_EQ(ReadFileBytes(Expansion()), ReadFileBytes(dir / "README.TXT"));
}

TEST_F(ExpandCompressedTest, ExpandsWhatMscompressWrote)
{
    // mscompress stores no last character; the explicit target is kept.
    EXPECT_EQ(ExpandCompressed(host, dir / "RANDOM.BI_", dir / "表\\RANDOM.BIN", temp),
              Expansion() + "," + dir / "表\\RANDOM.BIN");
    const std::string original = ReadFileBytes(dir / "RANDOM.BIN");
    ASSERT_GT(original.size(), 40000u);
    EXPECT_EQ(ReadFileBytes(Expansion()), original);
}

TEST_F(ExpandCompressedTest, ReplacesAStaleExpansionFileAndCopiesAPlainSource)
{
    // Nothing of a longer leftover may remain behind the new contents.
    ASSERT_TRUE(WriteFileBytes(Expansion(), std::string(100000, 'x')));
    ExpandCompressed(host, dir / "README.TXT", dir / "COPY.TXT", temp);
    EXPECT_EQ(ReadFileBytes(Expansion()), ReadFileBytes(dir / "README.TXT"));
    EXPECT_TRUE(host.questions.empty());
}

TEST(GetDiskFree, BothAgreeWithTheSystemsFreeSpace)
{
    ScratchFolder dir;
    ULARGE_INTEGER forCaller{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(dir.path().c_str(), &forCaller, &total, &totalFree));
    const auto system = static_cast<std::int64_t>(forCaller.QuadPart);
    // Other test programs write files at the same time.
    constexpr std::int64_t slack = 64 << 20;

    std::int64_t ex = 0, plain = 0;
    EXPECT_TRUE(GetDiskFreeEx(RemoveBackslash(dir.path(), "B"), ex));
    EXPECT_NEAR(static_cast<double>(ex), static_cast<double>(system), slack);
    EXPECT_TRUE(GetDiskFree(dir.path().substr(0, 3), plain));
    EXPECT_NEAR(static_cast<double>(plain), static_cast<double>(system), slack);
}

TEST(GetDiskFree, AMissingDriveGivesMinusOne)
{
    const DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Y'; c > 'D' && !letter; --c)
        if (!(drives & (1u << (c - 'A')))) letter = c;
    ASSERT_NE(letter, 0);
    const std::string root = std::string(1, letter) + ":";
    std::int64_t bytes = 0;
    EXPECT_FALSE(GetDiskFreeEx(root, bytes));
    EXPECT_EQ(bytes, -1);
    bytes = 0;
    EXPECT_FALSE(GetDiskFree(root, bytes));
    EXPECT_EQ(bytes, -1);
}

TEST(GetShortPath, NamesTheSameFileOrIsEmpty)
{
    DbcsFolder dir;
    EXPECT_EQ(GetShortPath(dir / "missing.txt"), "");
    const std::string longName = dir / "a long file name.text";
    ASSERT_TRUE(WriteFileBytes(longName, "content"));
    const std::string shortName = GetShortPath(longName);
    ASSERT_FALSE(shortName.empty());
    EXPECT_EQ(PosNoCase(" ", shortName), 0u);
    EXPECT_EQ(ReadFileBytes(shortName), "content");
}
