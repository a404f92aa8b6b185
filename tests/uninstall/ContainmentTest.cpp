// What the uninstaller never removes, when a damaged record reaches the machine's
// folders through "..": the folders are compared as the system resolves them.
#include "uninstall/Containment.h"

#include "foundation/AppState.h"
#include "uninstall/UninstallRun.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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
    EXPECT_EQ(ResolvedPath(scratch / "inst\\app\\..\\other\\"), scratch / "inst\\other\\");
    EXPECT_EQ(ResolvedPath("rel\\..\\x"), "rel\\..\\x");
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

TEST_F(DotDot, PatternsActOnlyInsideTheResolvedInstallationFolder)
{
    const std::string app = scratch / "inst\\app\\";
    Uninstall("[SetupFolder]\r\nFolder=" + app + "\r\n[DeleteFolder]\r\nFolder1=" + app + "..\\other\\\r\n"
              "[AddDeleteFile]\r\nFile1=" + app + "..\\other\\*.*\r\n",
              app, false);
    EXPECT_TRUE(Exists(scratch / "inst\\other\\kept.ini")) << "a sibling of the installation folder";
    EXPECT_FALSE(Exists(scratch / "inst\\app\\a.ini"));
}

// Found by the fuzzer: "[UnSetupOption] CheckBox3=..\..\*.*" ticked emptied the folders
// around an installation folder, up to the drive's root.
TEST_F(DotDot, OptionPatternsNeverReachOutOfTheFolder)
{
    std::vector<std::string> refused;
    const std::string app = scratch / "inst\\app\\";
    EXPECT_EQ(PatternsInside(app, "*.INI|..\\..\\*.*|sub\\*.tmp|sub\\..\\..\\x|", refused), "*.INI|sub\\*.tmp|");
    EXPECT_EQ(refused, (std::vector<std::string>{"..\\..\\*.*", "sub\\..\\..\\x"}));

    ASSERT_TRUE(WriteFileBytes(state.ScriptFile, "[SetupFolder]\r\nFolder=" + app + "\r\n[DeleteFolder]\r\nFolder1=" + app +
                                                     "sub\\\r\n"));
    host.options.folder = app;
    host.options.boxes[0] = {"*.INI", false, true, true};
    host.options.boxes[1] = {"*.GID", false, true, true};
    host.options.boxes[2] = {"..\\..\\*.*", true, true, true};
    host.options.boxes[3] = {"*.tmp|..\\*.txt", true, true, true};
    UninstallRun(state, host);
    EXPECT_TRUE(Exists(scratch / "kept.txt"));
    EXPECT_TRUE(Exists(scratch / "inst\\kept.txt"));
    EXPECT_TRUE(Exists(scratch / "win\\kept.ini"));
    EXPECT_TRUE(Exists(scratch / "inst\\other\\kept.ini"));
    EXPECT_FALSE(Exists(scratch / "inst\\app\\sub\\a.tmp")) << "the patterns inside still apply";
    EXPECT_FALSE(Exists(scratch / "inst\\app\\b.tmp"));
}
