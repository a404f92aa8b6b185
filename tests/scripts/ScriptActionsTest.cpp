#include "scripts/ScriptActions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
FolderValues Folders()
{
    FolderValues f;
    f.AppFolder = "E:\\Disk1\\";
    f.InstallFolder = "D:\\Tools\\";
    f.ProgramFilesFolder = "C:\\Program Files\\";
    f.WindowsFolder = "C:\\WINDOWS\\";
    f.SystemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    f.ProgramsFolder = "C:\\Menu\\Programs\\";
    f.DesktopFolder = "C:\\Desk\\";
    return f;
}
} // namespace

TEST(MakeFolderEntry, EnsuresTheBackslashThenExpands)
{
    EXPECT_EQ(ParseMakeFolder(Folders(), "(App)\\Data"), "D:\\Tools\\Data\\");
    EXPECT_EQ(ParseMakeFolder(Folders(), "(App)\\表"), "D:\\Tools\\表\\");
}

TEST(CopyFileEntry, SourceLiesFlatBesideTheProgram)
{
    const CopyEntry e = ParseCopyEntry(Folders(), "(App)\\bin\\tool.exe");
    EXPECT_FALSE(e.diskChange);
    EXPECT_EQ(e.target, "D:\\Tools\\bin\\tool.exe");
    EXPECT_EQ(e.source, "E:\\Disk1\\tool.exe");
    EXPECT_EQ(e.flagsText, "");
    EXPECT_FALSE(e.compressed);
}

TEST(CopyFileEntry, DiskChangeFlagsAndNewNames)
{
    const CopyEntry e = ParseCopyEntry(Folders(), "(Dch)(Sys)\\comp.dll,/S/R");
    EXPECT_TRUE(e.diskChange);
    EXPECT_EQ(e.target, "C:\\WINDOWS\\SYSTEM32\\comp.dll");
    EXPECT_EQ(e.flagsText, ",/S/R");
    EXPECT_TRUE(e.shared);
    EXPECT_TRUE(e.registerIt);
    EXPECT_FALSE(e.overwrite);

    const CopyEntry lower = ParseCopyEntry(Folders(), "(dch)(App)\\a.txt");
    EXPECT_FALSE(lower.diskChange) << "the prefix is exact";
    EXPECT_EQ(lower.target, "(dch)D:\\Tools\\a.txt");

    const CopyEntry renamed = ParseCopyEntry(Folders(), "(App)\\doc\\readme.tx_|表示.txt,/w /C");
    EXPECT_TRUE(renamed.compressed);
    EXPECT_TRUE(renamed.overwrite) << "flags are tested ignoring case";
    EXPECT_EQ(renamed.source, "E:\\Disk1\\readme.tx_");
    EXPECT_EQ(renamed.target, "D:\\Tools\\doc\\表示.txt");
    EXPECT_EQ(renamed.flagsText, ",/w /C");

    const CopyEntry autoName = ParseCopyEntry(Folders(), "(App)\\doc\\README.TX_");
    EXPECT_EQ(autoName.target, "D:\\Tools\\doc\\AUTO.EXT");

    const CopyEntry bar = ParseCopyEntry(Folders(), "(App)\\a.txt|\\b.txt");
    EXPECT_EQ(bar.target, "D:\\Tools\\b.txt");
    // A folder named with 表 keeps its 0x5C trail byte inside the name.
    const CopyEntry dbcs = ParseCopyEntry(Folders(), "(App)\\表\\能.txt");
    EXPECT_EQ(dbcs.source, "E:\\Disk1\\能.txt");
    EXPECT_EQ(dbcs.target, "D:\\Tools\\表\\能.txt");
}

TEST(ShortcutEntry, TheNameSelectsTheGoverningOption)
{
    const ShortcutEntry d = ParseShortcut(Folders(), "(App)\\tool.exe,/x", "Default");
    EXPECT_EQ(d.option, ShortcutOption::StartMenu);
    EXPECT_EQ(d.target, "D:\\Tools\\tool.exe");
    EXPECT_EQ(d.arguments, "/x");
    EXPECT_EQ(d.linkPath, "C:\\Menu\\Programs\\tool.exe");

    EXPECT_EQ(ParseShortcut(Folders(), "x", "(Dsk)\\ツール").option, ShortcutOption::Desktop);
    EXPECT_EQ(ParseShortcut(Folders(), "x", "(Dsk)\\ツール").linkPath, "C:\\Desk\\ツール");
    EXPECT_EQ(ParseShortcut(Folders(), "x", "(sta)\\Grp\\a").option, ShortcutOption::StartMenu);
    EXPECT_EQ(ParseShortcut(Folders(), "x", "(Sup)\\a").option, ShortcutOption::Startup);
    EXPECT_EQ(ParseShortcut(Folders(), "x", "(Sen)\\a").option, ShortcutOption::SendTo);
    EXPECT_EQ(ParseShortcut(Folders(), "x", "(App)\\a").option, ShortcutOption::Always);
    const ShortcutEntry plain = ParseShortcut(Folders(), "x", "Grp\\Tool,C:\\work");
    EXPECT_EQ(plain.option, ShortcutOption::Always);
    EXPECT_EQ(plain.linkPath, "C:\\Menu\\Programs\\Grp\\Tool") << "a bare name goes to the programs folder";
    EXPECT_EQ(plain.workingFolder, "C:\\work");
    // Only the link name's own brackets count: a macro in the working folder leaves the
    // link in the programs folder, and the working folder is expanded as written.
    const ShortcutEntry withFolder = ParseShortcut(Folders(), "x", "Grp\\Tool,(App)\\work");
    EXPECT_EQ(withFolder.linkPath, "C:\\Menu\\Programs\\Grp\\Tool");
    EXPECT_EQ(withFolder.workingFolder, "D:\\Tools\\work");
    EXPECT_EQ(withFolder.option, ShortcutOption::Always);
    const ShortcutEntry both = ParseShortcut(Folders(), "x", "(Dsk)\\Tool,(App)");
    EXPECT_EQ(both.linkPath, "C:\\Desk\\Tool");
    EXPECT_EQ(both.workingFolder, "D:\\Tools\\");
}

TEST(IniAndRelateEntries, SplitIntoFields)
{
    const IniEntry i = ParseIniEntry(Folders(), "Paths,Home,(App),(Win)app.ini");
    EXPECT_EQ(i.section, "Paths");
    EXPECT_EQ(i.key, "Home");
    EXPECT_EQ(i.value, "D:\\Tools\\");
    EXPECT_EQ(i.file, "C:\\WINDOWS\\app.ini");

    const auto r = ParseRelate(Folders(), "qdoc", "open,(App)\\tool.exe,\"%1\",,2");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->extension, "qdoc");
    EXPECT_EQ(r->description, "qdoc File");
    EXPECT_EQ(r->verb, "open");
    EXPECT_EQ(r->program, "D:\\Tools\\tool.exe");
    EXPECT_EQ(r->parameter1, "\"%1\"");
    EXPECT_EQ(r->parameter2, "");
    EXPECT_EQ(r->iconIndex, "2");
    EXPECT_EQ(ParseRelate(Folders(), "qdoc,文書", "open,x")->description, "文書");
    EXPECT_FALSE(ParseRelate(Folders(), "qdoc", ""));
    EXPECT_FALSE(ParseRelate(Folders(), "", "open,x"));
}

TEST(ExecuteFileEntry, RestartWordIsExact)
{
    EXPECT_TRUE(ParseExecuteFile(Folders(), "WINDOWS_REBOOT").reboot);
    const ExecuteEntry lower = ParseExecuteFile(Folders(), "windows_reboot");
    EXPECT_FALSE(lower.reboot);
    EXPECT_EQ(lower.program, "windows_reboot");
    const ExecuteEntry cp = ParseExecuteFile(Folders(), "(App)\\tool.exe,-first,CreateProcess");
    EXPECT_EQ(cp.program, "D:\\Tools\\tool.exe");
    EXPECT_EQ(cp.parameters, "-first");
    EXPECT_TRUE(cp.useCreateProcess);
    EXPECT_FALSE(ParseExecuteFile(Folders(), "a,b,createprocess").useCreateProcess);
    const ExecuteEntry alone = ParseExecuteFile(Folders(), "(App)\\readme.txt");
    EXPECT_EQ(alone.parameters, "");
    EXPECT_FALSE(alone.useCreateProcess);
}

TEST(RegistryValueEntry, TypeTokensAndConversions)
{
    const FolderValues f = Folders();
    EXPECT_EQ(ParseRegistryValue(f, "").kind, RegistryValueKind::None);
    const RegistryValue s = ParseRegistryValue(f, "(Str)(App)data");
    EXPECT_EQ(s.kind, RegistryValueKind::String);
    EXPECT_EQ(s.text, "D:\\Tools\\data");
    const RegistryValue pdd = ParseRegistryValue(f, "(Pdd)(Str)(App)");
    EXPECT_EQ(pdd.text, "D:\\Tools") << "(Pdd) drops the folder's final separator";
    EXPECT_EQ(ParseRegistryValue(f, "(Exp)%PATH%").kind, RegistryValueKind::ExpandString);
    EXPECT_EQ(ParseRegistryValue(f, "(Int)42").number, 42u);
    EXPECT_EQ(ParseRegistryValue(f, "(Dwd)-1").number, 0xFFFFFFFFu);
    EXPECT_EQ(ParseRegistryValue(f, "(Int)$1F").number, 0x1Fu);
    const RegistryValue bad = ParseRegistryValue(f, "(Int)many");
    EXPECT_EQ(bad.kind, RegistryValueKind::Dword);
    EXPECT_EQ(bad.number, 0u) << "text that does not convert writes 0";
    const RegistryValue bin = ParseRegistryValue(f, "(Bin)0A0B0C0D");
    EXPECT_EQ(bin.kind, RegistryValueKind::Binary);
    EXPECT_EQ(bin.number, 0x0A0B0C0Du);
    EXPECT_EQ(ParseRegistryValue(f, "(Bin)xyz").kind, RegistryValueKind::None) << "writes nothing";
    EXPECT_EQ(ParseRegistryValue(f, "(Bin)").kind, RegistryValueKind::None);
    const RegistryValue unknown = ParseRegistryValue(f, "(Txt)hello");
    EXPECT_EQ(unknown.kind, RegistryValueKind::String);
    EXPECT_EQ(unknown.text, "(Txt)hello");
}

TEST(ParseInteger, DecimalAndDollarHexadecimalIn32Bits)
{
    EXPECT_EQ(ParseInteger("0"), 0);
    EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInteger("2147483647"), INT32_MAX);
    EXPECT_FALSE(ParseInteger("2147483648"));
    EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
    EXPECT_FALSE(ParseInteger("$100000000"));
    EXPECT_FALSE(ParseInteger("$"));
    EXPECT_FALSE(ParseInteger(""));
    EXPECT_FALSE(ParseInteger("1 "));
    EXPECT_FALSE(ParseInteger("0x10"));
}

TEST(RegistryEntry, KeysSplitIntoRootAndPath)
{
    const FolderValues f = Folders();
    const RegistryEntry local = ParseRegistryEntry(f, "(Local)\\SOFTWARE\\Vendor\\表\\", "Path", "(Str)(App)");
    EXPECT_EQ(local.rootToken, "(Local)");
    EXPECT_EQ(local.keyPath, "SOFTWARE\\Vendor\\表") << "one leading and one trailing separator go";
    EXPECT_EQ(local.valueName, "Path");
    EXPECT_EQ(local.value.text, "D:\\Tools\\");
    const RegistryEntry bare = ParseRegistryEntry(f, "SOFTWARE\\Vendor", "", "");
    EXPECT_EQ(bare.rootToken, "(Cuser)");
    EXPECT_EQ(bare.keyPath, "SOFTWARE\\Vendor");
    EXPECT_EQ(bare.value.kind, RegistryValueKind::None) << "an empty value creates the key only";
    EXPECT_EQ(ParseRegistryEntry(f, "(Local)\\(App)\\x", "", "").keyPath, "(App)\\x") << "the key is not expanded";
    EXPECT_EQ(ParseRegistryEntry(f, "(local)\\SOFT", "", "").rootToken, "(local)") << "kept; it selects HKCU";
}

TEST(ScriptLists, ListsEndAtTheFirstGap)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI",
                               "[AddDeleteFile]\r\nFile1=(App)\\*.log\r\nFile2=(App)\\表\\*.tmp\r\nFile4=lost\r\n"
                               "[DeleteRegistry]\r\nKey1=(Local)\\SOFTWARE\\(App)\r\n"));
    const IniDocument script = IniDocument::Load(dir / "SETUP.INI");
    EXPECT_EQ(ReadAddDeleteFiles(Folders(), script),
              (std::vector<std::string>{"D:\\Tools\\*.log", "D:\\Tools\\表\\*.tmp"}));
    EXPECT_EQ(ReadDeleteRegistryKeys(script), (std::vector<std::string>{"(Local)\\SOFTWARE\\(App)"}));
}

TEST(ScriptLists, SectionsReadWholeFromAScript)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(
        dir / "SETUP.INI",
        "[MakeFolder]\r\nFolder1=(App)\\a\r\nFolder2=(App)\\a\\b\r\n"
        "[CopyFile]\r\nFile1=(App)\\one.txt\r\nFile3=(App)\\three.txt\r\n"
        "[ShortCut]\r\nMake1=(App)\\tool.exe\r\nMake2=(App)\\x.exe,-a\r\nName2=(Dsk)\\X\r\n"
        "[Registry]\r\nKey1=(Local)\\SOFTWARE\\V\r\nName1=N\r\nValue1=(Int)7\r\nKey2=(Cuser)\\S\r\n"
        "[IniFile]\r\nData1=S,K,V,(Win)a.ini\r\n"
        "[Relate]\r\nName5=qdoc\r\nFile5=open,(App)\\tool.exe\r\nName6=zzz\r\nName21=x\r\nFile21=open,y\r\n"
        "[ExecuteFile]\r\nFile=(App)\\tool.exe,/first\r\n"));
    const FolderValues f = Folders();
    const IniDocument script = IniDocument::Load(dir / "SETUP.INI");
    EXPECT_EQ(ReadMakeFolders(f, script), (std::vector<std::string>{"D:\\Tools\\a\\", "D:\\Tools\\a\\b\\"}));
    ASSERT_TRUE(ReadCopyEntry(f, script, 1));
    EXPECT_EQ(ReadCopyEntry(f, script, 1)->target, "D:\\Tools\\one.txt");
    EXPECT_FALSE(ReadCopyEntry(f, script, 2)) << "the copy list ends at the gap";
    EXPECT_EQ(ReadCopySourceName(script, 1), "one.txt");
    EXPECT_FALSE(ReadCopySourceName(script, 2));
    const auto links = ReadShortcuts(f, script);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].option, ShortcutOption::StartMenu) << "a missing name is Default";
    EXPECT_EQ(links[0].linkPath, "C:\\Menu\\Programs\\tool.exe");
    EXPECT_EQ(links[1].linkPath, "C:\\Desk\\X");
    const auto reg = ReadRegistryEntries(f, script);
    ASSERT_EQ(reg.size(), 2u);
    EXPECT_EQ(reg[0].value.number, 7u);
    EXPECT_EQ(reg[1].value.kind, RegistryValueKind::None);
    ASSERT_EQ(ReadIniEntries(f, script).size(), 1u);
    const auto relates = ReadRelateKeys(script);
    ASSERT_EQ(relates.size(), 1u) << "only the fifth pair is complete; 21 is never read";
    EXPECT_EQ(ParseRelate(f, relates[0].first, relates[0].second)->extension, "qdoc");
    EXPECT_EQ(ReadExecuteFile(f, script).parameters, "/first");
}

TEST(ScriptLists, TheSizingStageCountsTheSourceNameAsWritten)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI", "[CopyFile]\r\nFile1=(Dch)(App)\\d\\A.TXT|B.TXT,/S\r\n"
                                                  "File2=(App)\\表\\ソ.TXT\r\nFile3=PLAIN.EX_\r\n"));
    const IniDocument script = IniDocument::Load(dir / "SETUP.INI");
    EXPECT_EQ(ReadCopySourceName(script, 1), "A.TXT") << "the new name and the flags are not the source";
    EXPECT_EQ(ReadCopySourceName(script, 2), "ソ.TXT") << "0x5C trail bytes are no delimiters";
    EXPECT_EQ(ReadCopySourceName(script, 3), "PLAIN.EX_");
}
