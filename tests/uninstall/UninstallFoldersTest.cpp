// The stages that remove folders: shortcuts and their group folders, the recorded
// folders deepest first with the extra-file patterns below the installation folder,
// delete-all mode, and the installation folder with its protection and wording.
#include "UninstallFixture.h"

#include "foundation/uStrOp.h"

#include <windows.h>

namespace {

using UninstallFoldersTest = UninstallFixture;

bool IsRelative(const std::string& path)
{
    return path.size() < 3 || path[1] != ':';
}

} // namespace

TEST_F(UninstallFoldersTest, ShortcutsGoWithTheirEmptyGroupFoldersButNeverAShellFolder)
{
    const std::string group = sta + "Vendor 表示\\";
    Plant(group + "App.lnk");
    Plant(group + "Help.lnk");
    Plant(sta + "Shared\\App.lnk");
    Plant(sta + "Shared\\Other.lnk"); // another program's
    Plant(sta + "Nested\\Sub\\App.lnk");
    MakeFolder(sta + "Gone\\");
    const std::string gone = sta + "Gone\\App.lnk";
    // Directly in a shell folder, which is empty afterwards.
    std::vector<std::string> inShellFolders;
    for (const std::string* folder : {&sta, &dsk, &sup, &sen, &csta, &cdsk, &csup, &myd})
        inShellFolders.push_back(*folder + "App.lnk");
    // The same folder spelt in other letters.
    inShellFolders.push_back(Lower(cdsk) + "Lower.lnk");
    for (const std::string& path : inShellFolders) Plant(path);
    record.shortcuts = {group + "App.lnk", group + "Help.lnk", sta + "Shared\\App.lnk", sta + "Nested\\Sub\\App.lnk",
                        gone};
    record.shortcuts.insert(record.shortcuts.end(), inShellFolders.begin(), inShellFolders.end());
    Run();

    EXPECT_FALSE(Exists(group));
    EXPECT_FALSE(Exists(sta + "Shared\\App.lnk"));
    EXPECT_TRUE(Exists(sta + "Shared\\Other.lnk"));
    EXPECT_FALSE(Exists(sta + "Nested\\Sub"));
    EXPECT_TRUE(Exists(sta + "Nested")) << "only the shortcut's own folder is removed";
    EXPECT_FALSE(Exists(sta + "Gone")) << "removed when empty, whatever became of the shortcut";
    for (const std::string& path : inShellFolders) {
        EXPECT_FALSE(Exists(path));
        EXPECT_TRUE(Exists(PathFolder(path))) << path;
    }
    EXPECT_EQ(state.FailureLog, ShortcutBlock(gone, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "一部失敗", "完了", "完了", "完了", "完了", "完了"}, true));
}

TEST_F(UninstallFoldersTest, FoldersGoDeepestFirstAndPatternsActOnlyBelowTheInstallationFolder)
{
    SelectBoxes(true, true, "*.log", "*.bak");
    for (const char* name : {"x.ini", "y.GID", "z.log", "w.bak"}) {
        Plant(app + "Cfg\\" + name);
        Plant(outside + "Shared\\" + name);
    }
    Plant(app + "Data\\mine.txt");
    MakeFolder(app + "A\\B\\C\\");
    record.folders = {outside + "Shared\\", app + "Never\\",   app + "Data\\", app + "A\\",
                      app + "A\\B\\",       app + "A\\B\\C\\", app + "Cfg\\"};
    Run();

    EXPECT_FALSE(Exists(app + "Cfg"));
    EXPECT_FALSE(Exists(app + "A"));
    EXPECT_TRUE(Exists(app + "Data\\mine.txt"));
    for (const char* name : {"x.ini", "y.GID", "z.log", "w.bak"}) EXPECT_TRUE(Exists(outside + "Shared\\" + name));
    const DWORD never = RemoveDirectoryCode(app + "Never\\");
    EXPECT_EQ(state.FailureLog, FolderBlock(app + "Data\\", ERROR_DIR_NOT_EMPTY) + FolderBlock(app + "Never\\", never) +
                                    FolderBlock(outside + "Shared\\", ERROR_DIR_NOT_EMPTY) + SetupFolderBlock(false));
    EXPECT_EQ(state.MessageLog,
              ExpectedLog({"なし", "完了", "完了", "一部失敗", "完了", "完了", "完了", "一部失敗"}, true));
    EXPECT_EQ(result.failures, 4);
}

// The boxes' patterns come from the record; one that leads out of the folder it is
// applied to would empty the folders around the installation.
TEST_F(UninstallFoldersTest, BoxPatternsLeadingOutOfTheFolderAreNotUsed)
{
    PlantCanaries();
    SelectBoxes(true, false, "*.log|..\\*.*", "sub/../../../*");
    Plant(app + "app.ini");
    Plant(app + "run.log");
    Plant(app + "Data\\x.ini");
    record.folders = {app + "Data\\"};
    Run();
    EXPECT_EQ(MissingCanaries(), "");
    EXPECT_FALSE(Exists(app)) << "the *.INI box and the *.log piece still act";
}

TEST_F(UninstallFoldersTest, TheInstallationFolderLosesThePatternFilesThenGoes)
{
    SelectBoxes(true, true, "*.log", "");
    for (const char* name : {"app.ini", "help.GID", "run.log"}) Plant(app + name);
    Run();
    EXPECT_FALSE(Exists(app));
    EXPECT_EQ(state.FailureLog, "");
}

TEST_F(UninstallFoldersTest, DeleteAllEmptiesTheInstallationFolderUserFilesToo)
{
    PlantCanaries();
    SelectDeleteAll();
    Plant(app + "prog.exe");
    Plant(app + "mine.doc");
    Plant(app + "Data\\mine.txt");
    Plant(app + "Data\\Deep\\more.txt");
    Plant(app + "Made By User\\x.txt");
    Plant(app + "app.ini");
    Plant(outside + "Shared\\x.ini");
    record.files = {app + "prog.exe"};
    record.folders = {app + "Data\\", outside + "Shared\\"};
    Run();

    EXPECT_FALSE(Exists(app));
    EXPECT_TRUE(Exists(outside + "Shared\\x.ini")) << "no pattern outside the installation folder";
    EXPECT_EQ(MissingCanaries(), "");
    // Below the installation folder nothing is reported; the folder outside it is.
    EXPECT_EQ(state.FailureLog, FolderBlock(outside + "Shared\\", ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "一部失敗", "完了", "完了", "完了", "完了"}, true));
}

namespace {

struct RemainRow {
    const char* name;
    bool deleteAll;
};

class InstallFolderRemainsTest : public UninstallFixture, public ::testing::WithParamInterface<RemainRow> {};

} // namespace

// A folder that keeps a file: the wording says why in each mode.
TEST_P(InstallFolderRemainsTest, IsReportedWithTheWordingOfItsMode)
{
    if (GetParam().deleteAll) {
        SelectDeleteAll();
        Plant(app + "busy.dat");
        Hold(app + "busy.dat");
    } else {
        Plant(app + "mine.txt");
    }
    Run();
    ReleaseHeld();
    EXPECT_TRUE(Exists(app));
    EXPECT_EQ(state.FailureLog, SetupFolderBlock(GetParam().deleteAll));
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "完了", "完了", "完了", "完了", "一部失敗"}, true));
    EXPECT_EQ(result.failures, 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, InstallFolderRemainsTest,
                         ::testing::Values(RemainRow{"Normal", false}, RemainRow{"DeleteAll", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallFoldersTest, AnInstallationFolderRemovedEarlierIsReportedWithItsErrorAndStageStaysDone)
{
    record.folders = {app};
    Run();
    EXPECT_FALSE(Exists(app));
    const DWORD code = RemoveDirectoryCode(app);
    ASSERT_NE(code, 0u);
    EXPECT_EQ(state.FailureLog, "<SetupFolder> " + app + "\r\n" + ErrorText(code) + "\r\n");
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"}, true));
    EXPECT_EQ(result.failures, 1);
}

TEST_F(UninstallFoldersTest, AnInstallationFolderInUseIsReportedWithTheSystemsText)
{
    Hold(app);
    Run();
    ReleaseHeld();
    EXPECT_TRUE(Exists(app));
    EXPECT_EQ(state.FailureLog, "<SetupFolder> " + app + "\r\n" + ErrorText(ERROR_SHARING_VIOLATION) + "\r\n");
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"}, true));
}

namespace {

enum class Mode { Patterns, DeleteAll };

class ProtectedFolderTest : public UninstallFixture, public ::testing::WithParamInterface<Mode> {
protected:
    // Folders a record may name that are never emptied or removed, each spelt as written.
    std::vector<std::pair<const char*, std::string>> ProtectedFolders() const
    {
        std::string slashes = sys;
        for (char& c : slashes) c = c == '\\' ? '/' : c;
        return {{"Windows", win},
                {"System", sys},
                {"Temp", tmp},
                {"ProgramFiles", prg},
                {"StartMenu", smn},
                {"Programs", sta},
                {"Desktop", dsk},
                {"Startup", sup},
                {"SendTo", sen},
                {"MyDocuments", myd},
                {"CommonStartMenu", csmn},
                {"CommonPrograms", csta},
                {"CommonDesktop", cdsk},
                {"CommonStartup", csup},
                {"CommonDocuments", cmyd},
                {"DriveRoot", "Q:\\"},
                {"HoldsShellFolders", root + "Profile\\"},
                {"HoldsEverything", root},
                {"Relative", "Vendor\\App\\"},
                {"DotDotToTheRoot", app + "..\\..\\"},
                {"DotDotToWindows", app + "..\\..\\Windows Folder\\"},
                {"ShortName", ShortPath(win)},
                {"TrailingDot", win.substr(0, win.size() - 1) + ".\\"},
                {"OtherLetterCase", Lower(win)},
                {"ForwardSlashes", slashes}};
    }
};

} // namespace

// One run per folder over the same canaries: a run that empties anything shows at once.
TEST_P(ProtectedFolderTest, AsTheInstallationFolderItIsNeitherEmptiedNorRemovedNorReported)
{
    PlantCanaries(true);
    for (const auto& [name, folder] : ProtectedFolders()) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(folder.empty());
        host = ScriptedHost();
        if (GetParam() == Mode::DeleteAll) SelectDeleteAll();
        else SelectBoxes(true, true, "*.txt", "*.dll");
        host.options.folder = folder;
        record.installFolder = folder;
        // A relative folder would be read in the temporary folder, where the run works.
        const std::string onDisk = IsRelative(folder) ? tmp + folder : folder;
        PlantCanary(onDisk + id + "-" + name + ".ini");
        Run();

        EXPECT_EQ(MissingCanaries(), "");
        EXPECT_TRUE(Exists(onDisk));
        EXPECT_EQ(state.FailureLog, "");
        EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"}, false));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ProtectedFolderTest, ::testing::Values(Mode::Patterns, Mode::DeleteAll),
                         [](const auto& info) { return info.param == Mode::DeleteAll ? "DeleteAll" : "Patterns"; });

// Empty shell folders would go with a plain folder removal; as recorded folders they are
// skipped, and so is every other spelling of them, each refusal shown among the failures.
TEST_F(UninstallFoldersTest, ProtectedFoldersInTheFolderListAreSkippedAndReported)
{
    SelectBoxes(true, true, "*.txt", "*.dll");
    const std::vector<std::string> folders = {win,
                                              sys,
                                              tmp,
                                              prg,
                                              sta,
                                              dsk,
                                              sup,
                                              sen,
                                              myd,
                                              csta,
                                              cdsk,
                                              csup,
                                              cmyd,
                                              "Q:\\",
                                              root,
                                              root + "Profile\\",
                                              "Vendor\\",
                                              app + "..\\..\\Profile\\Desktop\\",
                                              ShortPath(sen),
                                              Lower(cdsk),
                                              myd.substr(0, myd.size() - 1),
                                              "\\\\server\\share\\",
                                              app + "..\\"};
    ASSERT_EQ(std::count(folders.begin(), folders.end(), std::string()), 0);
    // The list is worked from the end; put the protected ones between removable ones.
    MakeFolder(app + "First\\");
    MakeFolder(app + "Last\\");
    record.folders = {app + "First\\"};
    record.folders.insert(record.folders.end(), folders.begin(), folders.end());
    record.folders.push_back(app + "Last\\");
    Run();

    for (const std::string* folder : {&win, &sys, &tmp, &prg, &sta, &dsk, &sup, &sen, &myd, &csta, &cdsk, &csup, &cmyd})
        EXPECT_TRUE(Exists(*folder)) << *folder;
    EXPECT_FALSE(Exists(app + "First"));
    EXPECT_FALSE(Exists(app + "Last"));
    std::string refusals;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        refusals += "<Folder> " + *it +
                    "\r\nWindowsやシステムなどの保護されたフォルダのため、削除しませんでした。\r\n\r\n";
    EXPECT_EQ(state.FailureLog, refusals);
    EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "一部失敗", "完了", "完了", "完了", "完了"}, true));
}

// An installation folder written in its 8.3 form is judged as the file system reads it:
// the option patterns act inside it as inside its long spelling.
TEST_F(UninstallFoldersTest, AnInstallationFolderInItsShortFormKeepsItsPatterns)
{
    const std::string longForm = prg + "Long Named Application\\";
    Plant(longForm + "a.log");
    Plant(longForm + "b.ini");
    const std::string shortForm = ShortPath(longForm);
    ASSERT_NE(shortForm, longForm);
    record.installFolder = shortForm;
    host.options.folder = shortForm;
    SelectBoxes(true, false, "*.log", "");
    Run();
    EXPECT_FALSE(Exists(longForm));
    EXPECT_EQ(state.FailureLog, "");
}

// Below a protected installation folder the patterns would empty the machine's folders.
TEST_F(UninstallFoldersTest, PatternsNeverActBelowAProtectedInstallationFolder)
{
    SelectBoxes(true, true, "*.txt", "");
    host.options.folder = win;
    record.installFolder = win;
    Plant(win + "Vendor\\x.ini");
    Plant(win + "Vendor\\y.txt");
    record.folders = {win + "Vendor\\"};
    Run();
    EXPECT_TRUE(Exists(win + "Vendor\\x.ini"));
    EXPECT_TRUE(Exists(win + "Vendor\\y.txt"));
    EXPECT_EQ(state.FailureLog, FolderBlock(win + "Vendor\\", ERROR_DIR_NOT_EMPTY));
}
