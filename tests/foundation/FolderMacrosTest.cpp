#include "foundation/FolderMacros.h"

#include "foundation/uStrOp.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <map>

namespace {

// The shell's answer through another interface than the one under test.
std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "\\";
    return AddBackslash(path, "B");
}

// The real platform, with some special folders answered from a table ("" = not supplied).
FolderPlatform PlatformWith(std::map<std::uint32_t, std::string> specials)
{
    FolderPlatform p = SystemFolderPlatform();
    auto real = p.specialFolder;
    p.specialFolder = [specials, real](std::uint32_t csidl) {
        const auto it = specials.find(csidl);
        return it != specials.end() ? it->second : real(csidl);
    };
    return p;
}

FolderValues Discovered(const std::string& family, const FolderPlatform& platform, std::string* fatal = nullptr)
{
    FolderValues f;
    f.AppFolder = "E:\\Disk1\\";
    f.TempFolder = "C:\\TEMP\\";
    const std::string lines = DiscoverFolders(f, family, platform);
    if (fatal) *fatal = lines;
    else EXPECT_EQ(lines, "");
    return f;
}

} // namespace

TEST(GetSpecialFolder, AgreesWithTheShell)
{
    EXPECT_EQ(AddBackslash(GetSpecialFolder(CSIDL_WINDOWS), "B"), ShellFolder(CSIDL_WINDOWS));
    EXPECT_EQ(AddBackslash(GetSpecialFolder(CSIDL_PERSONAL), "B"), ShellFolder(CSIDL_PERSONAL));
    EXPECT_EQ(GetSpecialFolder(0x7FFF), "");
}

TEST(DiscoverFolders, NtMachineUsesTheShellAndTheCommonFolders)
{
    const FolderValues f = Discovered("NT", SystemFolderPlatform());
    char win[MAX_PATH] = {};
    GetWindowsDirectoryA(win, MAX_PATH);
    EXPECT_EQ(f.WindowsFolder, AddBackslash(win, "B"));
    EXPECT_EQ(f.SystemFolder, ShellFolder(CSIDL_SYSTEM));
    EXPECT_EQ(f.ProgramFilesFolder, ShellFolder(CSIDL_PROGRAM_FILES));
    EXPECT_EQ(f.MyDocumentsFolder, ShellFolder(CSIDL_PERSONAL));
    EXPECT_EQ(f.StartMenuFolder, ShellFolder(CSIDL_STARTMENU));
    EXPECT_EQ(f.ProgramsFolder, ShellFolder(CSIDL_PROGRAMS));
    EXPECT_EQ(f.DesktopFolder, ShellFolder(CSIDL_DESKTOPDIRECTORY));
    EXPECT_EQ(f.StartupFolder, ShellFolder(CSIDL_STARTUP));
    EXPECT_EQ(f.SendToFolder, ShellFolder(CSIDL_SENDTO));
    EXPECT_EQ(f.CommonStartMenuFolder, ShellFolder(CSIDL_COMMON_STARTMENU));
    EXPECT_EQ(f.CommonProgramsFolder, ShellFolder(CSIDL_COMMON_PROGRAMS));
    EXPECT_EQ(f.CommonDesktopFolder, ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY));
    EXPECT_EQ(f.CommonStartupFolder, ShellFolder(CSIDL_COMMON_STARTUP));
    EXPECT_EQ(f.CommonDocumentsFolder, ShellFolder(CSIDL_COMMON_DOCUMENTS));
    EXPECT_NE(f.CommonStartupFolder, f.StartupFolder);
    EXPECT_EQ(f.BootDrive, Left(f.WindowsFolder, 2) + "\\");
    EXPECT_EQ(f.ExeDrive, "E:\\");
    EXPECT_EQ(f.InstallFolder, "(App)");
    EXPECT_EQ(f.InstallDrive, "");
}

TEST(DiscoverFolders, NotNtWithoutShfolderUsesThePerUserFolders)
{
    ScratchFolder system;
    const FolderValues f = Discovered("notNT", PlatformWith({{CSIDL_SYSTEM, system.path()}}));
    EXPECT_EQ(f.SystemFolder, system.path());
    EXPECT_EQ(f.CommonStartMenuFolder, f.StartMenuFolder);
    EXPECT_EQ(f.CommonProgramsFolder, f.ProgramsFolder);
    EXPECT_EQ(f.CommonDesktopFolder, f.DesktopFolder);
    EXPECT_EQ(f.CommonStartupFolder, f.StartupFolder);
    EXPECT_EQ(f.CommonDocumentsFolder, f.MyDocumentsFolder);
    EXPECT_EQ(ExpandFolderMacros(f, "(C_Dsk)\\a.lnk"), ExpandFolderMacros(f, "(Dsk)\\a.lnk"));
}

TEST(DiscoverFolders, NotNtWithShfolderUsesTheCommonDocuments)
{
    ScratchFolder system;
    ASSERT_TRUE(WriteFileBytes(system / "Shfolder.dll", "MZ"));
    const FolderValues f = Discovered("notNT", PlatformWith({{CSIDL_SYSTEM, system.path()}}));
    EXPECT_EQ(f.CommonDocumentsFolder, ShellFolder(CSIDL_COMMON_DOCUMENTS));
    EXPECT_NE(f.CommonDocumentsFolder, f.MyDocumentsFolder);
    EXPECT_EQ(f.CommonDesktopFolder, f.DesktopFolder);

    const FolderValues none = Discovered("notNT",
                                         PlatformWith({{CSIDL_SYSTEM, system.path()}, {CSIDL_COMMON_DOCUMENTS, ""}}));
    EXPECT_EQ(none.CommonDocumentsFolder, "\\");
}

TEST(DiscoverFolders, EmptyFamilyIsTreatedLikeNotNt)
{
    const FolderValues f = Discovered("", PlatformWith({{CSIDL_SYSTEM, "C:\\nowhere"}}));
    EXPECT_EQ(f.CommonStartupFolder, f.StartupFolder);
    EXPECT_EQ(f.CommonDocumentsFolder, f.MyDocumentsFolder);
}

TEST(DiscoverFolders, WindowsAndSystemFallBackToTheSystemCalls)
{
    FolderPlatform p = PlatformWith({{CSIDL_WINDOWS, ""}, {CSIDL_SYSTEM, ""}});
    p.windowsDirectory = [] { return std::string("D:\\WINNT"); };
    p.systemDirectory = [] { return std::string("D:\\WINNT\\SYSTEM32"); };
    const FolderValues f = Discovered("NT", p);
    EXPECT_EQ(f.WindowsFolder, "D:\\WINNT\\");
    EXPECT_EQ(f.SystemFolder, "D:\\WINNT\\SYSTEM32\\");
    EXPECT_EQ(f.BootDrive, "D:\\");
}

TEST(DiscoverFolders, MissingWindowsOrSystemFolderIsFatal)
{
    FolderPlatform p = PlatformWith({{CSIDL_WINDOWS, ""}, {CSIDL_SYSTEM, ""}});
    p.windowsDirectory = [] { return std::string(); };
    p.systemDirectory = [] { return std::string(); };
    std::string fatal;
    Discovered("NT", p, &fatal);
    EXPECT_EQ(fatal, "【致命的エラー → Windowsフォルダ取得失敗】\r\n"
                     "【致命的エラー → WindowsSystemフォルダ取得失敗】\r\n");
}

TEST(DiscoverFolders, ProgramFilesFallsBackToTheRegistryThenTheWindowsDrive)
{
    ScratchFolder programs;
    FolderPlatform p = PlatformWith({{CSIDL_PROGRAM_FILES, ""}, {CSIDL_WINDOWS, "C:\\WINDOWS"}});
    p.programFilesDir = [&] { return RemoveBackslash(programs.path(), "B"); };
    EXPECT_EQ(Discovered("NT", p).ProgramFilesFolder, programs.path());

    p.programFilesDir = [] { return std::string("C:\\No Such Programs"); };
    EXPECT_EQ(Discovered("NT", p).ProgramFilesFolder, "C:\\Program Files\\");

    p.programFilesDir = [] { return std::string(); };
    EXPECT_EQ(Discovered("NT", p).ProgramFilesFolder, "C:\\Program Files\\");

    FolderPlatform unc = PlatformWith(
        {{CSIDL_PROGRAM_FILES, ""}, {CSIDL_WINDOWS, "\\\\srv\\share\\WINDOWS"}, {CSIDL_PERSONAL, ""}});
    unc.programFilesDir = [] { return std::string(); };
    const FolderValues f = Discovered("NT", unc);
    EXPECT_EQ(f.ProgramFilesFolder, "\\\\srv\\share\\Program Files\\");
    EXPECT_EQ(f.MyDocumentsFolder, "\\\\srv\\share\\My Documents\\");
}

TEST(DiscoverFolders, TheRegistryProgramFilesValueIsRead)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    const LONG rc = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(SystemFolderPlatform().programFilesDir(), value);
}

TEST(DiscoverFolders, ShellFoldersWithoutAPathExpandToABackslash)
{
    const FolderValues f = Discovered(
        "NT", PlatformWith({{CSIDL_SENDTO, ""}, {CSIDL_PERSONAL, ""}, {CSIDL_WINDOWS, "C:\\WINDOWS"}}));
    EXPECT_EQ(f.SendToFolder, "\\");
    EXPECT_EQ(ExpandFolderMacros(f, "(Sen)\\x.lnk"), "\\x.lnk");
    EXPECT_EQ(f.MyDocumentsFolder, "C:\\My Documents\\");
}

TEST(StartFolders, TempFallsBackToTheProgramFolder)
{
    FolderPlatform p = SystemFolderPlatform();
    p.tempPath = [] { return std::string(); };
    FolderValues f;
    SetStartFolders(f, "E:\\Disk1\\表\\SETUP.EXE", p);
    EXPECT_EQ(f.AppFolder, "E:\\Disk1\\表\\");
    EXPECT_EQ(f.TempFolder, "E:\\Disk1\\表\\");
    EXPECT_EQ(ExpandFolderMacros(f, "(Tmp)a"), "E:\\Disk1\\表\\a");

    p.tempPath = [] { return std::string("C:\\TEMP"); };
    SetStartFolders(f, "E:\\SETUP.EXE", p);
    EXPECT_EQ(f.AppFolder, "E:\\");
    EXPECT_EQ(f.TempFolder, "C:\\TEMP\\");
}

TEST(ExpandFolderMacros, ReplacesEveryTokenInAnyCaseAndPosition)
{
    const FolderValues f = Discovered("NT", SystemFolderPlatform());
    EXPECT_EQ(ExpandFolderMacros(f, "(Prg)\\Vendor\\App"), f.ProgramFilesFolder + "Vendor\\App");
    EXPECT_EQ(ExpandFolderMacros(f, "(prg)\\Vendor\\App"), f.ProgramFilesFolder + "Vendor\\App");
    EXPECT_EQ(ExpandFolderMacros(f, "(Win)Fonts"), f.WindowsFolder + "Fonts");
    EXPECT_EQ(ExpandFolderMacros(f, "(Win)\\Fonts"), f.WindowsFolder + "Fonts");
    EXPECT_EQ(ExpandFolderMacros(f, "x;(Sys)a,(Tmp)b"), "x;" + f.SystemFolder + "a," + f.TempFolder + "b");
    EXPECT_EQ(ExpandFolderMacros(f, "(Boo)(Edr)"), f.BootDrive + f.ExeDrive);
    EXPECT_EQ(ExpandFolderMacros(f, "no tokens (Dch)\\x (Cuser)"), "no tokens (Dch)\\x (Cuser)");
    EXPECT_EQ(ExpandFolderMacros(f, "(App)\\readme.txt"), "(App)\\readme.txt");
    EXPECT_EQ(ExpandFolderMacros(f, "(Set)x"), "x");
    const std::string all = "(App)(Prg)(Win)(Sys)(Tmp)(Boo)(Set)(Edr)(Smn)(Sta)(Dsk)(Sup)(Sen)(Myd)"
                            "(C_Smn)(C_Sta)(C_Dsk)(C_Sup)(C_Myd)";
    EXPECT_EQ(ExpandFolderMacros(f, all), "(App)" + f.ProgramFilesFolder + f.WindowsFolder + f.SystemFolder +
                                              f.TempFolder + f.BootDrive + f.ExeDrive + f.StartMenuFolder +
                                              f.ProgramsFolder + f.DesktopFolder + f.StartupFolder + f.SendToFolder +
                                              f.MyDocumentsFolder + f.CommonStartMenuFolder + f.CommonProgramsFolder +
                                              f.CommonDesktopFolder + f.CommonStartupFolder + f.CommonDocumentsFolder);
}

TEST(ExpandFolderMacros, InstallFolderAndDriveApplyOnceARunHasSetThem)
{
    FolderValues f = Discovered("NT", SystemFolderPlatform());
    f.InstallFolder = "D:\\Tools\\";
    f.InstallDrive = "D:\\";
    EXPECT_EQ(ExpandFolderMacros(f, "(App)\\readme.txt"), "D:\\Tools\\readme.txt");
    EXPECT_EQ(ExpandFolderMacros(f, "(Set)\\x"), "D:\\x");
}

TEST(ExpandFolderMacros, FollowsTheFixedTokenOrder)
{
    FolderValues f;
    f.InstallFolder = "(Win)\\App\\"; // a later token inside an earlier value is expanded
    f.WindowsFolder = "C:\\W\\";
    f.TempFolder = "(App)\\"; // an earlier token inside a later value is not
    EXPECT_EQ(ExpandFolderMacros(f, "(App)x"), "C:\\W\\App\\x");
    EXPECT_EQ(ExpandFolderMacros(f, "(Tmp)x"), "(App)\\x");
    f.WindowsFolder = "C:\\表\\";
    EXPECT_EQ(ExpandFolderMacros(f, "(Win)\\能"), "C:\\表\\能");
}
