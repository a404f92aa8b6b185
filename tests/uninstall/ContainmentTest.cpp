// The machine's folders resolved once for a run must judge every spelling of a folder as
// the judgement that resolves them each time does.
#include "uninstall/Containment.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string ShortName(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
}

} // namespace

TEST(ProtectedFolders, JudgeEverySpellingAsTheJudgementThatResolvesEachTime)
{
    ScratchFolder dir;
    const std::string root = dir.path();
    for (const char* f : {"Windows Folder", "Windows Folder\\System32", "Long Temporary Folder", "表示 ソフト",
                          "表示 ソフト\\Start Menu", "表示 ソフト\\Start Menu\\Programs", "Other Folder",
                          "Other Folder\\Inner"})
        ASSERT_TRUE(CreateDirectoryA((root + f).c_str(), nullptr)) << f;
    FolderValues v;
    v.WindowsFolder = root + "Windows Folder\\";
    v.SystemFolder = root + "Windows Folder\\System32\\";
    // As the system may give it: in its short form.
    v.TempFolder = ShortName(root + "Long Temporary Folder");
    v.TempFolder += "\\";
    v.StartMenuFolder = root + "表示 ソフト\\Start Menu\\";
    v.ProgramsFolder = root + "表示 ソフト\\Start Menu\\Programs\\";
    v.DesktopFolder = root + "Missing Desktop\\";
    v.SendToFolder.assign(1, '\\'); // "\": not supplied by the system

    const std::vector<std::string> spellings = {
        root + "Windows Folder\\", root + "windows folder", root + "Windows Folder\\System32\\..\\",
        root + "Windows Folder\\System32\\", root + "Windows Folder\\System32\\Drivers\\",
        root + "Long Temporary Folder\\", ShortName(root + "Long Temporary Folder"),
        root + "Long Temporary Folder\\Sub\\", root + "表示 ソフト\\", ShortName(root + "表示 ソフト") + "\\",
        root + "表示 ソフト\\Start Menu\\Programs\\Group\\", root + "Missing Desktop\\", root + "Missing Desktop\\A\\",
        root, root + "Other Folder\\", root + "Other Folder\\Inner\\", root + "Other Folder\\Inner\\..\\..\\",
        "C:\\", "C:\\..\\", "relative\\folder\\", "\\\\server\\share\\", "\\\\server\\share\\dir\\", "\\",
    };
    const ProtectedFolders held(v);
    int protectedCount = 0;
    for (const std::string& folder : spellings) {
        const bool literal = IsProtectedFolder(v, folder);
        EXPECT_EQ(held.Protects(folder), literal) << folder;
        EXPECT_EQ(held.Protects(folder, ResolvePath(folder)), literal) << folder;
        protectedCount += literal;
    }
    // Not a vacuous comparison: both answers occur.
    EXPECT_TRUE(IsProtectedFolder(v, ShortName(root + "表示 ソフト") + "\\")) << "holds the start menu";
    EXPECT_FALSE(IsProtectedFolder(v, root + "Other Folder\\Inner\\"));
    EXPECT_GT(protectedCount, 5);
    EXPECT_LT(protectedCount, static_cast<int>(spellings.size()));
}
