#include "app/Startup.h"

#include "ScriptedHost.h"
#include "TestSupport.h"
#include "services/FileOps.h"
#include "foundation/FilePrim.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

namespace {

bool IsFolder(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A distribution folder (app) with the program, a temporary folder (temp) and a
// record elsewhere (other), all scratch; the machine's own folders otherwise.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_ = root_ / "app\\";
        temp_ = root_ / "temp\\";
        other_ = root_ / "other\\";
        for (const std::string& f : {app_, temp_, other_}) CreateDirectoryA(f.c_str(), nullptr);
        exe_ = app_ + "SETUP.EXE";
        ASSERT_TRUE(WriteFileBytes(exe_, "MZ program bytes"));
        platform_ = SystemFolderPlatform();
        const std::string temp = temp_;
        platform_.tempPath = [temp] { return temp; };
    }

    bool Prepare(const std::string& parameter)
    {
        state_.TitlePending = state_.EulaPending = state_.ReadmePending = 1;
        state_.OptionsPending = state_.CheckerDone = 1;
        state_.ErrorLines = "left over\r\n";
        return PrepareStartup(state_, parameter, exe_, platform_, {"NT", "Windows XP"});
    }

    void MakeWorkFolders(int last)
    {
        for (int n = 1; n <= last; ++n) CreateDirectoryA((temp_ + "QSTMP" + std::to_string(n)).c_str(), nullptr);
    }

    ScratchFolder root_;
    std::string app_, temp_, other_, exe_;
    FolderPlatform platform_;
    AppState state_;
};

} // namespace

TEST(IsUninstallerParameter, OnlyTheExactUpperCaseFileName)
{
    EXPECT_TRUE(IsUninstallerParameter("C:\\Program Files\\App\\UNSETUP.INI"));
    EXPECT_TRUE(IsUninstallerParameter("UNSETUP.INI"));
    EXPECT_FALSE(IsUninstallerParameter("C:\\App\\unsetup.ini"));
    EXPECT_FALSE(IsUninstallerParameter("C:\\App\\Unsetup.Ini"));
    EXPECT_FALSE(IsUninstallerParameter(""));
    EXPECT_FALSE(IsUninstallerParameter("C:\\UNSETUP.INI\\x"));
    EXPECT_FALSE(IsUninstallerParameter("C:\\App\\XUNSETUP.INI"));
    // 表 ends in byte 5C, which is no path delimiter: the name is "表UNSETUP.INI".
    EXPECT_FALSE(IsUninstallerParameter("C:\\表UNSETUP.INI"));
}

TEST_F(StartupTest, InstallerCopiesProgramAndScriptIntoTheFirstWorkFolder)
{
    ASSERT_TRUE(WriteFileBytes(app_ + "SETUP.INI", "[Title]\r\nSetup=Mine\r\n"));
    ASSERT_TRUE(WriteFileBytes(other_ + "unsetup.ini", "[Title]\r\nSetup=Record\r\n"));

    // Another case of the record name still means the installer, and the parameter
    // does not replace the distribution folder's script.
    EXPECT_TRUE(Prepare(other_ + "unsetup.ini"));
    EXPECT_EQ(state_.RunMode, "SETUP");
    EXPECT_EQ(state_.AppFolder, app_);
    EXPECT_EQ(state_.TempFolder, temp_);
    EXPECT_EQ(state_.WorkFolder, temp_ + "QSTMP1\\");
    EXPECT_TRUE(IsFolder(state_.WorkFolder));
    EXPECT_EQ(state_.ScriptFile, state_.WorkFolder + "SETUP.INI");
    EXPECT_EQ(ReadFileBytes(state_.ScriptFile), "[Title]\r\nSetup=Mine\r\n");
    EXPECT_EQ(ReadFileBytes(state_.WorkFolder + "SETUPQ.EXE"), "MZ program bytes");
    EXPECT_TRUE(state_.WorkLocks.programIsThisProgram);
    EXPECT_EQ(state_.InstallFolder, "(App)");
    EXPECT_EQ(state_.OsFamily, "NT");
    EXPECT_EQ(state_.OsName, "Windows XP");
    EXPECT_EQ(state_.ErrorLines, "");
    EXPECT_EQ(
        state_.TitlePending + state_.EulaPending + state_.ReadmePending + state_.OptionsPending + state_.CheckerDone, 0);
    EXPECT_EQ(StartupPageTexts(state_).titleA2, "Quillon Installer(on Windows XP)");
    EXPECT_EQ(StartupPageTexts(state_).message, "");
}

TEST_F(StartupTest, UninstallerCopiesTheNamedRecord)
{
    ASSERT_TRUE(WriteFileBytes(other_ + "UNSETUP.INI", "[SetupFolder]\r\nFolder=C:\\App\\\r\n"));
    ASSERT_TRUE(WriteFileBytes(app_ + "SETUP.INI", "[Title]\r\nSetup=Mine\r\n"));

    EXPECT_TRUE(Prepare(other_ + "UNSETUP.INI"));
    EXPECT_EQ(state_.RunMode, "UNSETUP");
    EXPECT_EQ(state_.ScriptFile, state_.WorkFolder + "UNSETUP.INI");
    EXPECT_EQ(ReadFileBytes(state_.ScriptFile), "[SetupFolder]\r\nFolder=C:\\App\\\r\n");
    EXPECT_EQ(FileAge(state_.WorkFolder + "SETUP.INI"), -1);
}

TEST_F(StartupTest, WorkFolderIsTheFirstMissingNumberOrTheLast)
{
    MakeWorkFolders(5);
    EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "QSTMP6\\");
    EXPECT_TRUE(IsFolder(temp_ + "QSTMP6"));
    EXPECT_FALSE(IsFolder(temp_ + "QSTMP7"));

    MakeWorkFolders(99);
    EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "QSTMP99\\");
    EXPECT_FALSE(IsFolder(temp_ + "QSTMP100"));
}

TEST_F(StartupTest, PlantedFilesAndLinksAreNeverTheWorkFolderAndTheCopiesAreHeld)
{
    const std::string victim = other_ + "victim\\";
    CreateDirectoryA(victim.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(victim + "keep.txt", "keep"));
    ASSERT_TRUE(WriteFileBytes(temp_ + "QSTMP1", "planted file"));
    ASSERT_TRUE(PlantSymbolicLink(victim, temp_ + "QSTMP2"));
    ASSERT_TRUE(WriteFileBytes(app_ + "SETUP.INI", "[Title]\r\n"));
    EXPECT_TRUE(Prepare(""));
    EXPECT_EQ(state_.WorkFolder, temp_ + "QSTMP3\\");
    EXPECT_EQ(FileAge(victim + "SETUPQ.EXE"), -1);
    EXPECT_EQ(state_.ProgramFile, exe_);

    // While the run goes on no other program replaces or removes the copies.
    const std::string program = state_.WorkFolder + "SETUPQ.EXE";
    ASSERT_TRUE(WriteFileBytes(other_ + "evil.exe", "MZ other bytes"));
    for (const std::string& copy : {program, state_.ScriptFile}) {
        EXPECT_FALSE(CopyFileA((other_ + "evil.exe").c_str(), copy.c_str(), FALSE)) << copy;
        EXPECT_FALSE(MoveFileExA((other_ + "evil.exe").c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING)) << copy;
        EXPECT_FALSE(DeleteFileA(copy.c_str())) << copy;
    }
    EXPECT_EQ(ReadFileBytes(program), "MZ program bytes");

    // Leaving removes the work folder and the planted link, never what the link names.
    state_.WorkLocks.Release();
    ScriptedHost host;
    RemoveWorkFolders(host, temp_);
    EXPECT_FALSE(IsFolder(temp_ + "QSTMP3"));
    EXPECT_EQ(ReadFileBytes(victim + "keep.txt"), "keep");
    EXPECT_EQ(ReadFileBytes(temp_ + "QSTMP1"), "planted file");
}

TEST_F(StartupTest, LeavingRemovesTheNumberedWorkFoldersAndNothingElse)
{
    const std::pair<const char*, bool> rows[] = {{"QSTMP5", true},   {"qstmp12", true}, {"QSTMP99", true},
                                                 {"QSTMP05", false}, {"QSTMP0", false}, {"QSTMP100", false},
                                                 {"QSTMPX", false},  {"QSTMP7x", false}};
    for (const auto& [name, gone] : rows) ASSERT_TRUE(CreateDirectoryA((temp_ + name).c_str(), nullptr)) << name;
    ASSERT_TRUE(WriteFileBytes(temp_ + "qstmp12\\left.txt", "a file of an earlier run"));
    ScriptedHost host;
    RemoveWorkFolders(host, temp_);
    for (const auto& [name, gone] : rows) EXPECT_EQ(IsFolder(temp_ + name), !gone) << name;
}

TEST_F(StartupTest, ALastWorkFolderThatIsALinkIsNeverWrittenInto)
{
    const std::string victim = other_ + "victim\\";
    CreateDirectoryA(victim.c_str(), nullptr);
    MakeWorkFolders(98);
    ASSERT_TRUE(PlantSymbolicLink(victim, temp_ + "QSTMP99"));
    ASSERT_TRUE(WriteFileBytes(app_ + "SETUP.INI", "[Title]\r\n"));
    EXPECT_FALSE(Prepare(""));
    EXPECT_EQ(state_.ErrorLines, "【致命的エラー → iniファイル読み込み失敗】\r\n");
    EXPECT_EQ(FileAge(victim + "SETUPQ.EXE"), -1);
    EXPECT_EQ(FileAge(victim + "SETUP.INI"), -1);
}

TEST_F(StartupTest, MissingScriptIsFatal)
{
    const std::string fatal = "【致命的エラー → iniファイル読み込み失敗】\r\n";
    EXPECT_FALSE(Prepare(""));
    EXPECT_EQ(state_.ErrorLines, fatal);
    const StartupTexts t = StartupPageTexts(state_);
    EXPECT_EQ(t.message, fatal + "\r\n処理は続行できません。");
    EXPECT_EQ(t.eventCaption, "処理開始(&S)");
    EXPECT_EQ(t.endCaption, "終了(&E)");

    // A record that cannot be read is just as fatal for the uninstaller.
    EXPECT_FALSE(Prepare(other_ + "UNSETUP.INI"));
    EXPECT_EQ(state_.RunMode, "UNSETUP");
    EXPECT_EQ(state_.ErrorLines, fatal);
}

TEST_F(StartupTest, ReusedLastWorkFolderNeverPassesOffAnOldScript)
{
    MakeWorkFolders(99);
    ASSERT_TRUE(WriteFileBytes(temp_ + "QSTMP99\\SETUP.INI", "[Title]\r\nSetup=Old\r\n"));
    EXPECT_FALSE(Prepare(""));
    EXPECT_EQ(state_.WorkFolder, temp_ + "QSTMP99\\");
    EXPECT_EQ(state_.ErrorLines, "【致命的エラー → iniファイル読み込み失敗】\r\n");
}

TEST_F(StartupTest, NoWindowsFolderIsFatal)
{
    ASSERT_TRUE(WriteFileBytes(app_ + "SETUP.INI", "[Title]\r\n"));
    auto real = platform_.specialFolder;
    platform_.specialFolder = [real](std::uint32_t csidl) {
        return csidl == 0x24 /* CSIDL_WINDOWS */ ? std::string() : real(csidl);
    };
    platform_.windowsDirectory = [] { return std::string(); };
    EXPECT_FALSE(Prepare(""));
    EXPECT_EQ(state_.ErrorLines, "【致命的エラー → Windowsフォルダ取得失敗】\r\n");
}

TEST(SingleInstanceGuard, SecondHolderOfTheNameSeesAnotherInstance)
{
    const std::string name = "QuillonTestMutex" + std::to_string(GetCurrentProcessId());
    {
        const SingleInstanceGuard first(name);
        EXPECT_FALSE(first.AnotherInstanceRuns());
        const SingleInstanceGuard second(name);
        EXPECT_TRUE(second.AnotherInstanceRuns());
    }
    // Released with its holder.
    const SingleInstanceGuard again(name);
    EXPECT_FALSE(again.AnotherInstanceRuns());
}
