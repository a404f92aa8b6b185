// What lnkinfo cannot see from outside. The link contents themselves (target, working
// folder, arguments) are read back with lnkinfo by tests/shortcut_lnkinfo_test.sh.
#include "services/Shortcut.h"

#include "foundation/ComPtr.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <thread>

namespace {

bool FileExists(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The target stored in a link file, read through the shell's own link object.
std::string LinkTarget(const std::string& linkFile)
{
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        return "<no link object>";
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide.data(), MAX_PATH));
    if (FAILED(file->Load(wide.c_str(), STGM_READ))) return "<unreadable>";
    char path[MAX_PATH] = {};
    link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
    return path;
}

class Shortcut : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WriteFileBytes(target, "MZ")); }
    ComInit com;
    ScratchFolder dir;
    std::string target = dir / "app.exe";
};

} // namespace

TEST_F(Shortcut, AnExistingShortcutAsTargetIsCopiedAsItIs)
{
    const std::string original = CreateShortcut(target, dir / "original", "", "-x");
    ASSERT_EQ(original, dir / "original.lnk");
    EXPECT_EQ(CreateShortcut(original, dir / "group\\copy", "", "ignored"), dir / "group\\copy.lnk");
    EXPECT_EQ(ReadFileBytes(dir / "group\\copy.lnk"), ReadFileBytes(original)) << "a byte copy, not a new link";
}

TEST_F(Shortcut, OnlyATrailingLnkCountsAsTheExtension)
{
    // ".lnk" inside a name is no extension: the link still gets one, and a target in a
    // folder named like a shortcut is linked to, not copied.
    EXPECT_EQ(CreateShortcut(target, dir / "My.lnk Tools", "", ""), dir / "My.lnk Tools.lnk");
    EXPECT_TRUE(FileExists(dir / "My.lnk Tools.lnk"));

    ASSERT_TRUE(CreateDirectoryA((dir / "old.lnk").c_str(), nullptr));
    const std::string inLnkFolder = dir / "old.lnk\\tool.exe";
    ASSERT_TRUE(WriteFileBytes(inLnkFolder, "MZ"));
    const std::string made = CreateShortcut(inLnkFolder, dir / "tool", "", "");
    EXPECT_EQ(made, dir / "tool.lnk");
    EXPECT_EQ(LinkTarget(made), inLnkFolder);

    EXPECT_EQ(CreateShortcut(target, dir / "upper.LnK", "", ""), dir / "upper.LnK");
    EXPECT_TRUE(FileExists(dir / "upper.LnK"));
}

TEST_F(Shortcut, TheAnswerNamesThePifFileWhenNoLnkFileWasSaved)
{
    // A file where the link's folder should be: the folder cannot be made, the save fails.
    ASSERT_TRUE(WriteFileBytes(dir / "blocked", "x"));
    EXPECT_EQ(CreateShortcut(target, dir / "blocked\\entry", "", ""), dir / "blocked\\entry.pif");
    EXPECT_EQ(CreateShortcut(target, dir / "blocked\\v1.2 entry.lnk", "", ""), dir / "blocked\\v1.2 entry.pif");
}

TEST_F(Shortcut, WithoutCOMTheLinkObjectErrorIsReportedAndNothingIsMade)
{
    // A thread of its own never initialised COM.
    ShellLinkFailure failure;
    std::string made = "not called";
    std::thread([&] { made = CreateShortcut(target, dir / "nocom", "", "", &failure); }).join();
    EXPECT_EQ(made, "");
    EXPECT_EQ(failure.code, CO_E_NOTINITIALIZED);
    EXPECT_NE(failure.text.find("0x800401F0"), std::string::npos) << failure.text;
    EXPECT_FALSE(FileExists(dir / "nocom.lnk"));
}
