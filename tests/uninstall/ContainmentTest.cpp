// What the uninstaller never removes: every spelling of a folder is judged as written down
// here by hand, by the judgement that resolves each time and by the one that resolves the
// machine's folders once for a run, and a damaged record reaching the machine's folders
// through ".." reaches nothing.
#include "uninstall/Containment.h"

#include "foundation/AppState.h"
#include "uninstall/UninstallRun.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

TEST(ProtectedFolders, EverySpellingOfAFolderIsJudgedAlike)
{
    ScratchFolder dir;
    const std::string root = dir.path();
    for (const char* f :
         {"Windows Folder", "Windows Folder\\System32", "Long Temporary Folder", "表示 ソフト",
          "表示 ソフト\\Start Menu", "表示 ソフト\\Start Menu\\Programs", "Other Folder", "Other Folder\\Inner"})
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

    struct Row {
        std::string folder;
        bool kept;
    };
    const Row rows[] = {
        // A machine's folder however it is spelled: case, "..", 8.3, no trailing "\".
        {root + "Windows Folder\\", true},
        {root + "windows folder", true},
        {root + "Windows Folder\\System32\\..\\", true},
        {root + "Windows Folder\\System32\\", true},
        {root + "Long Temporary Folder\\", true},
        {ShortName(root + "Long Temporary Folder"), true},
        {root + "Missing Desktop\\", true}, // a shell folder that does not exist yet
        // A folder that holds one, in either form.
        {root + "表示 ソフト\\", true},
        {ShortName(root + "表示 ソフト") + "\\", true},
        {root, true},
        {root + "Other Folder\\Inner\\..\\..\\", true},
        // Roots and paths that are not fully qualified.
        {"C:\\", true},
        {"C:\\..\\", true},
        {"\\\\server\\share\\", true},
        {"relative\\folder\\", true},
        {"\\", true},
        // Below a machine's folder, or beside them: the program's own.
        {root + "Windows Folder\\System32\\Drivers\\", false},
        {root + "Long Temporary Folder\\Sub\\", false},
        {root + "表示 ソフト\\Start Menu\\Programs\\Group\\", false},
        {root + "Missing Desktop\\A\\", false},
        {root + "Other Folder\\", false},
        {root + "Other Folder\\Inner\\", false},
        {"\\\\server\\share\\dir\\", false},
    };
    const ProtectedFolders held(v);
    for (const Row& r : rows) {
        EXPECT_EQ(IsProtectedFolder(v, r.folder), r.kept) << r.folder;
        EXPECT_EQ(held.Protects(r.folder), r.kept) << r.folder;
        EXPECT_EQ(held.Protects(r.folder, ResolvePath(r.folder)), r.kept) << r.folder;
    }
}

namespace {

class DotDot : public ::testing::Test {
protected:
    DotDot()
    {
        for (const char* folder : {"win", "win\\system32", "tmp", "shell", "shell\\Programs", "inst", "inst\\app",
                                   "inst\\app\\sub", "inst\\other", "work"})
            CreateDirectoryA((scratch / folder).c_str(), nullptr);
        state.WindowsFolder = scratch / "win\\";
        state.SystemFolder = scratch / "win\\system32\\";
        state.TempFolder = scratch / "tmp\\";
        state.ProgramsFolder = scratch / "shell\\Programs\\";
        state.WorkFolder = scratch / "work\\";
        state.ScriptFile = state.WorkFolder + "UNSETUP.INI";
        state.RunMode = "UNSETUP";
        state.OsFamily = "NT";
        for (const char* file : {"win\\kept.ini", "win\\system32\\kept.dll", "inst\\other\\kept.ini", "inst\\app\\a.ini",
                                 "kept.txt", "inst\\kept.txt", "inst\\app\\sub\\a.tmp", "inst\\app\\b.tmp"})
            EXPECT_TRUE(WriteFileBytes(scratch / file, "x"));
        host.unattendedWhenOut = true;
    }

    // An uninstallation of the record with the installation folder folder; deleteAll
    // ticks the single box of the delete-all layout, else the "*.INI" box.
    void Uninstall(const std::string& record, const std::string& folder, bool deleteAll)
    {
        ASSERT_TRUE(WriteFileBytes(state.ScriptFile, record));
        host.options.folder = folder;
        host.options.boxes[0] = {deleteAll ? "全ファイル" : "*.INI", true, true, true};
        for (int i = 1; i < 4; ++i) host.options.boxes[i] = {"", false, !deleteAll, !deleteAll};
        UninstallRun(state, host);
    }

    ScratchFolder scratch;
    AppState state;
    ScriptedHost host;
};

} // namespace

TEST_F(DotDot, AFolderThatResolvesToAProtectedOneIsProtected)
{
    const FolderValues& v = state;
    EXPECT_TRUE(IsProtectedFolder(v, scratch / "inst\\app\\..\\..\\win\\"));
    EXPECT_TRUE(IsProtectedFolder(v, scratch / "win\\system32\\..\\"));
    EXPECT_TRUE(IsProtectedFolder(v, scratch / "inst\\..\\shell\\"));
    EXPECT_TRUE(IsProtectedFolder(v, scratch / "inst\\app\\..\\..\\..\\..\\..\\..\\..\\..\\"));
    EXPECT_FALSE(IsProtectedFolder(v, scratch / "inst\\..\\inst\\app\\"));
    EXPECT_EQ(ResolvePath(scratch / "inst\\app\\..\\other\\"), scratch / "inst\\other\\");
}

// Found by the fuzzer: "[SetupFolder] Folder=(App)..\..\win\" emptied the whole Windows
// folder in delete-all mode, and its *.INI files otherwise.
TEST_F(DotDot, AnInstallationFolderThatIsTheWindowsFolderIsNeverEmptied)
{
    const std::string windows = scratch / "inst\\app\\..\\..\\win\\";
    Uninstall("[SetupFolder]\r\nFolder=" + windows + "\r\n", windows, true);
    EXPECT_TRUE(Exists(scratch / "win\\kept.ini"));
    EXPECT_TRUE(Exists(scratch / "win\\system32\\kept.dll"));

    Uninstall("[SetupFolder]\r\nFolder=" + windows + "\r\n[DeleteFolder]\r\nFolder1=" + windows + "\r\n", windows, false);
    EXPECT_TRUE(Exists(scratch / "win\\kept.ini"));
    EXPECT_TRUE(Exists(scratch / "win\\system32\\kept.dll"));
}

TEST_F(DotDot, ExtraFilePatternsAreJudgedWhereTheyResolve)
{
    const std::string app = scratch / "inst\\app\\";
    Uninstall("[SetupFolder]\r\nFolder=" + app + "\r\n[DeleteFolder]\r\nFolder1=" + app +
                  "..\\other\\\r\n"
                  "[AddDeleteFile]\r\nFile1=" +
                  app + "..\\other\\*.*\r\nFile2=" + app + "..\\..\\win\\*.*\r\n",
              app, false);
    EXPECT_FALSE(Exists(scratch / "inst\\other\\kept.ini")) << "a folder of the program's own, beside its installation";
    EXPECT_TRUE(Exists(scratch / "win\\kept.ini")) << "the Windows folder, however the pattern spells it";
    EXPECT_FALSE(Exists(scratch / "inst\\app\\a.ini"));
    EXPECT_NE(
        state.FailureLog.find("<File> " + app +
                              "..\\..\\win\\*.*\r\n"
                              "Windowsやシステムなどの保護されたフォルダにかかわるため、削除しませんでした。\r\n\r\n"),
        std::string::npos)
        << state.FailureLog;
}

// Found by the fuzzer: "[UnSetupOption] CheckBox3=..\..\*.*" ticked emptied the folders
// around an installation folder, up to the drive's root.
TEST_F(DotDot, OptionPatternsNeverReachOutOfTheFolder)
{
    std::vector<std::string> refused;
    const std::string app = scratch / "inst\\app\\";
    EXPECT_EQ(PatternsInside(app, "*.INI|..\\..\\*.*|sub\\*.tmp|sub\\..\\..\\x|", refused), "*.INI|sub\\*.tmp|");
    EXPECT_EQ(refused, (std::vector<std::string>{"..\\..\\*.*", "sub\\..\\..\\x"}));

    ASSERT_TRUE(WriteFileBytes(state.ScriptFile,
                               "[SetupFolder]\r\nFolder=" + app + "\r\n[DeleteFolder]\r\nFolder1=" + app + "sub\\\r\n"));
    host.options.folder = app;
    host.options.boxes[0] = {"*.INI", false, true, true};
    host.options.boxes[1] = {"*.GID", false, true, true};
    host.options.boxes[2] = {"..\\..\\*.*", true, true, true};
    // Inside the installation folder, but from the folder below it "..\app\" is app\app\.
    host.options.boxes[3] = {"*.tmp|..\\*.txt|..\\app\\*.tmp", true, true, true};
    ASSERT_TRUE(CreateDirectoryA((scratch / "inst\\app\\app").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(scratch / "inst\\app\\app\\c.tmp", "x"));
    UninstallRun(state, host);
    EXPECT_TRUE(Exists(scratch / "inst\\app\\app\\c.tmp")) << "a pattern judged against each folder it is applied to";
    // Each refusal is shown among the failures: the user sees what was kept and why.
    EXPECT_NE(state.FailureLog.find("<File> " + app +
                                    "sub\\..\\app\\*.tmp\r\n"
                                    "フォルダの外を指すパターンのため、削除しませんでした。\r\n\r\n"),
              std::string::npos)
        << state.FailureLog;
    EXPECT_TRUE(Exists(scratch / "kept.txt"));
    EXPECT_TRUE(Exists(scratch / "inst\\kept.txt"));
    EXPECT_TRUE(Exists(scratch / "win\\kept.ini"));
    EXPECT_TRUE(Exists(scratch / "inst\\other\\kept.ini"));
    EXPECT_FALSE(Exists(scratch / "inst\\app\\sub\\a.tmp")) << "the patterns inside still apply";
    EXPECT_FALSE(Exists(scratch / "inst\\app\\b.tmp"));
}
