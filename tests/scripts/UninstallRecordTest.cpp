#include "scripts/UninstallRecord.h"

#include "foundation/IniDocument.h"
#include "foundation/uIniFile.h"
#include "scripts/InstalledEntry.h"
#include "services/Registry.h"
#include "foundation/uStrOp.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Golden(const std::string& name, const std::string& dir)
{
    const std::string text = ReadFileBytes(std::string(QS_GOLDEN_DIR) + name);
    EXPECT_FALSE(text.empty()) << name;
    return ReplaceToken(text, "@DIR@", dir);
}

RecordTexts DefaultTexts(const std::string& installFolder)
{
    RecordTexts t;
    t.InstallFolder = installFolder;
    t.SetupWord = "インストール";
    t.UnSetupWord = "アンインストール";
    t.UnSetupTitle = "Quillon Setup";
    return t;
}

// An installed-programs entry of its own for each test, removed again at the end.
class ScopedEntry {
public:
    explicit ScopedEntry(const std::string& keyName, const std::string& installFolder)
    {
        entry.KeyName = entry.DisplayName = keyName;
        entry.UninstallerPath = "C:\\windows\\UNQUILLN.EXE";
        entry.RecordPath = installFolder + "UNSETUP.INI";
    }
    ~ScopedEntry() { DeleteRegistryKey("(Local)", UninstallKeyPath(entry.KeyName)); }
    InstalledEntry entry;
};

std::string TestKeyName(const char* test)
{
    return std::string("QuillonTest ") + test + " " + std::to_string(GetCurrentProcessId());
}

} // namespace

TEST(WriteRecord, FreshInstallationWithoutLists)
{
    ScratchFolder dir;
    RecordLists lists;
    lists.DeleteFile.current.push_back(dir / "UNSETUP.INI");
    ScriptedHost host;
    ScopedEntry scoped("Quillon Setup", dir.path());
    EXPECT_EQ(WriteRecord(host, lists, DefaultTexts(dir.path()), scoped.entry), dir / "UNSETUP.INI");
    EXPECT_EQ(ReadFileBytes(dir / "UNSETUP.INI"), Golden("fresh.ini", dir.path()));
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(GetFileAttributesA((dir / "UNSETUP.INI.new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WriteRecord, ReinstallMergesTheEarlierRecordBehindThisRun)
{
    ScratchFolder base;
    const std::string install = base / "表\\Tools\\";
    ASSERT_TRUE(CreateDirectoryA((base / "表").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((base / "work").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(install + "UNSETUP.INI", Golden("earlier.ini", install)));

    RecordLists lists;
    LoadPreviousRecord(lists, install, base / "work\\");
    EXPECT_EQ(ReadFileBytes(base / "work\\UNSETUPQ.INI"), Golden("earlier.ini", install));
    EXPECT_EQ(lists.DeleteFile.earlier.size(), 4u);
    EXPECT_EQ(lists.RestoreRelate[1], "qdoc,") << "a gap in the earlier keys closes up";

    lists.DeleteFolder.current = {install, install + "New\\"};
    lists.DeleteFile.current = {install + "A.EXE",    install + "b.dll,/S",   install + "c.dll",
                                install + "d.ocx,/C", install + "D.OCX,/S",   install + "e.dll,/S",
                                install + "E.dll,/S", install + "UNSETUP.INI"};
    lists.DeleteShortCut.current = {"C:\\Menu\\表\\App.lnk"};
    lists.DeleteRegistry.current = {"(Local)\\SOFTWARE\\Vendor\\表"};
    lists.AddDeleteFile.current = {install + "*.log"};
    AddRelateSlot(lists, "htm", true, "htmfile"); // not the recorded html: a slot of its own
    AddRelateSlot(lists, "txt", true, "txtfile");
    AddRelateSlot(lists, "QDOC", true, "x");
    AddRelateSlot(lists, "abc", false, "");

    RecordTexts t;
    t.InstallFolder = install;
    t.SetupWord = "導入";
    t.UnSetupWord = "削除";
    t.UnSetupTitle = "表示ソフト";
    t.ProgramId = "HYOUJI";
    t.UnSetupOption = "1,0,1,0";
    t.UnSetupCheckBox3 = "*.bak";
    t.BeforeReadmeFile = "\\readme.txt";
    t.BeforeFile = "cleanup.exe,/quiet";
    t.MessageLog = "ログ\r\n";
    ScriptedHost host;
    ScopedEntry scoped("表示ソフト", install);
    EXPECT_EQ(WriteRecord(host, lists, t, scoped.entry), install + "UNSETUP.INI");
    EXPECT_EQ(ReadFileBytes(install + "UNSETUP.INI"), Golden("reinstall.ini", install));
}

TEST(WriteRecord, SetupOnlyWritesNothingAndKeepsAnEarlierRecord)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", "old"));
    RecordTexts t = DefaultTexts(dir.path());
    t.UnSetupTitle = "Tool (setup only.)";
    ScriptedHost host;
    ScopedEntry scoped(TestKeyName("SetupOnly"), dir.path());
    EXPECT_EQ(WriteRecord(host, RecordLists{}, t, scoped.entry), "");
    EXPECT_EQ(ReadFileBytes(dir / "UNSETUP.INI"), "old");
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists(UninstallKeyPath(scoped.entry.KeyName))) << "no installed-programs entry";
}

TEST(WriteRecord, ARecordThatCannotBeReplacedGoesToAFallbackAndTheEarlierOneSurvives)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", "[SetupFolder]\r\nFolder=old\r\n"));
    ASSERT_TRUE(WriteFileBytes(dir / "UNTMP1.INI", "someone else's"));
    // Another program holds the earlier record open without sharing deletion.
    HANDLE lock = CreateFileA((dir / "UNSETUP.INI").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ScriptedHost host;
    ScopedEntry scoped(TestKeyName("Locked"), dir.path());
    const std::string written = WriteRecord(host, RecordLists{}, DefaultTexts(dir.path()), scoped.entry);
    CloseHandle(lock);

    EXPECT_EQ(written, dir / "UNTMP2.INI");
    EXPECT_EQ(ReadFileBytes(dir / "UNTMP1.INI"), "someone else's");
    EXPECT_NE(ReadFileBytes(dir / "UNTMP2.INI").find("[ProgramID]\r\nID=\r\n"), std::string::npos);
    EXPECT_EQ(ReadIniString("SetupFolder", "Folder", "", dir / "UNSETUP.INI"), "old");
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[0].caption, "致命的エラー");
    EXPECT_EQ(host.questions[0].text,
              "既存の「UNSETUP.INI」が削除できませんでした。\r\nアンインストールが正常に行われない可能性があります。");
    EXPECT_EQ(host.questions[0].flags, 48u);
    EXPECT_EQ(host.questions[1].caption, "警告");
    EXPECT_EQ(host.questions[1].text, "インストールフォルダに仮ファイルUNTMP2.INIを作成しました\r\n"
                                      "上記ファイルを「UNSETUP.INI」にリネームしてください。\r\n"
                                      "リネームを行わないと、正常にアンインストールできません。");
    EXPECT_EQ(host.questions[1].flags, 48u);
}

TEST(WriteRecord, AFailedSaveNeverCostsTheEarlierRecord)
{
    ScratchFolder dir;
    const std::string earlier = "[SetupFolder]\r\nFolder=kept\r\n";
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", earlier));
    // The new text cannot be saved: its temporary name is taken by a folder.
    ASSERT_TRUE(CreateDirectoryA((dir / "UNSETUP.INI.new").c_str(), nullptr));
    ScriptedHost host;
    ScopedEntry scoped(TestKeyName("FailedSave"), dir.path());
    EXPECT_EQ(WriteRecord(host, RecordLists{}, DefaultTexts(dir.path()), scoped.entry), dir / "UNTMP1.INI");
    EXPECT_EQ(ReadFileBytes(dir / "UNSETUP.INI"), earlier);
    EXPECT_EQ(ReadIniString("SetupFolder", "Folder", "", dir / "UNTMP1.INI"), dir.path());
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].caption, "警告");
}

TEST(WriteRecord, AReadOnlyEarlierRecordIsReplaced)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", "old"));
    SetFileAttributesA((dir / "UNSETUP.INI").c_str(), FILE_ATTRIBUTE_READONLY);
    ScriptedHost host;
    ScopedEntry scoped(TestKeyName("ReadOnly"), dir.path());
    EXPECT_EQ(WriteRecord(host, RecordLists{}, DefaultTexts(dir.path()), scoped.entry), dir / "UNSETUP.INI");
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(ReadIniString("Title", "UnSetup", "", dir / "UNSETUP.INI"), "Quillon Setup");
}

TEST(RestoreRelateSlots, AnExtensionIsRecordedOnceAsAWhole)
{
    RecordLists lists;
    LoadRelateSlot(lists, "html,htmlfile");
    LoadRelateSlot(lists, "HTML,other"); // the same extension in another case
    LoadRelateSlot(lists, "ml,mlfile");  // only part of html: an extension of its own
    LoadRelateSlot(lists, ",stray");     // no extension: never restored
    LoadRelateSlot(lists, "txt,");
    EXPECT_EQ(lists.RestoreRelate[0], "html,htmlfile");
    EXPECT_EQ(lists.RestoreRelate[1], "ml,mlfile");
    EXPECT_EQ(lists.RestoreRelate[2], "txt,");
    EXPECT_EQ(lists.RestoreRelate[3], "");
    // Shorter and longer relatives of recorded extensions keep their own earlier class.
    AddRelateSlot(lists, "htm", true, "htmfile");
    AddRelateSlot(lists, "TXT", true, "again");
    AddRelateSlot(lists, "txtx", false, "");
    AddRelateSlot(lists, "", true, "nothing");
    EXPECT_EQ(lists.RestoreRelate[3], "htm,htmfile");
    EXPECT_EQ(lists.RestoreRelate[4], "txtx,");
    EXPECT_EQ(lists.RestoreRelate[5], "");
    for (int i = 0; i < 30; ++i) AddRelateSlot(lists, std::string("e").append(std::to_string(i)), false, "");
    EXPECT_EQ(lists.RestoreRelate[19], "e14,");
    AddRelateSlot(lists, "zzz", true, "z");
    for (const std::string& slot : lists.RestoreRelate) EXPECT_NE(slot, "zzz,z");
}

TEST(RecordLists, AnEntryWithoutIdentityIsNeverRecorded)
{
    RecordLists lists;
    lists.DeleteFile.Add(",/S");
    lists.DeleteFile.Add("C:\\App\\a.dll,/S");
    lists.AddDeleteFile.Add(",x");
    lists.DeleteRegistry.Add("");
    EXPECT_EQ(lists.DeleteFile.current, std::vector<std::string>{"C:\\App\\a.dll,/S"});
    EXPECT_TRUE(lists.AddDeleteFile.current.empty());
    EXPECT_TRUE(lists.DeleteRegistry.current.empty());

    // Lines taken in from a damaged earlier record are dropped the same way, so the
    // numbering of the later lines holds.
    lists.DeleteFile.earlier = {",/C", "C:\\App\\b.txt", ""};
    RecordTexts t;
    t.InstallFolder = "C:\\App\\";
    const std::string record = ComposeRecord(lists, t, "App");
    EXPECT_NE(record.find("[DeleteFile]\r\nFile1=C:\\App\\a.dll,/S\r\nFile2=C:\\App\\b.txt\r\n\r\n"), std::string::npos)
        << record;
}

TEST(LoadPreviousRecord, ADamagedRecordLoadsWhatTheProfileApiReads)
{
    ScratchFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "work").c_str(), nullptr));
    std::string record = "[DeleteFile]\r\nFile1=C:\\a\r\nno equals sign\r\nFile2=C:\\表\r\nFile3=C:\\x\x81\r\n"
                         "File5=after a gap\r\n[DeleteFolder]\r\nFolder1=C:\\f\\\r\n[RestoreRelate]\r\n";
    for (int n = 1; n <= 25; ++n) record += "Key" + std::to_string(n) + "=e" + std::to_string(n) + ",c\r\n";
    std::uint32_t seed = 99;
    for (int i = 0; i < 2000; ++i) record += static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
    record += "\r\n[DeleteShortCut]\r\nFile1=C:\\s.lnk\r\nFile2=\x95"; // ends inside a character
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", record));

    RecordLists lists;
    LoadPreviousRecord(lists, dir.path(), dir / "work\\");
    const auto literal = [&](const char* section, const char* prefix) {
        std::vector<std::string> values;
        for (int n = 1;; ++n) {
            const std::string v = ReadIniString(section, prefix + std::to_string(n), "", dir / "UNSETUP.INI");
            if (v.empty()) return values;
            values.push_back(v);
        }
    };
    EXPECT_EQ(lists.DeleteFile.earlier, literal("DeleteFile", "File"));
    EXPECT_EQ(lists.DeleteFile.earlier.size(), 3u) << "File5 lies behind a gap";
    EXPECT_EQ(lists.DeleteFolder.earlier, literal("DeleteFolder", "Folder"));
    EXPECT_EQ(lists.DeleteShortCut.earlier, literal("DeleteShortCut", "File"));
    EXPECT_EQ(lists.RestoreRelate[19], "e20,c") << "only Key1 to Key20 are read";
    EXPECT_EQ(lists.RestoreRelate[0], "e1,c");
}

TEST(ComposeRecord, QuotedValuesReadBackWhole)
{
    // Found by the fuzzer: an entry the readers had unquoted once ('q' from ''q'') was
    // written as it was and read back without its quotes, so the uninstaller acted on
    // another name than the one recorded.
    ScratchFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "work").c_str(), nullptr));
    RecordLists lists;
    for (const char* entry : {"'q'", "\"a b\"", "\"x\" and \"y\"", "'", "\"open", "plain"}) {
        lists.AddDeleteFile.Add(entry);
        lists.DeleteRegistry.Add(entry);
    }
    lists.RestoreRelate[0] = "'ext'";
    RecordTexts texts = DefaultTexts(dir.path());
    texts.UnSetupCheckBox3 = "\"*.bak\"";
    ASSERT_TRUE(WriteFileBytes(dir / "UNSETUP.INI", ComposeRecord(lists, texts, "QuotedKey")));

    const std::vector<std::string> expected = {"'q'", "\"a b\"", "\"x\" and \"y\"", "'", "\"open", "plain"};
    RecordLists loaded;
    LoadPreviousRecord(loaded, dir.path(), dir / "work\\");
    EXPECT_EQ(loaded.AddDeleteFile.earlier, expected);
    EXPECT_EQ(loaded.DeleteRegistry.earlier, expected);
    EXPECT_EQ(loaded.RestoreRelate[0], "'ext'");
    EXPECT_EQ(ReadIniString("UnSetupOption", "CheckBox3", "", dir / "UNSETUP.INI"), "\"*.bak\"");
    EXPECT_NE(ReadFileBytes(dir / "UNSETUP.INI").find("\r\nFile1=''q''\r\nFile2=\"\"a b\"\"\r\n"), std::string::npos);
}

namespace {

constexpr char kFileSection[] = "[DeleteFile]\r\nFile1=C:\\App\\a.dll,/S\r\n";
struct MarksRow {
    const char* name;
    std::string copy; // the resume copy before the marks
    bool appended;    // the marks go on its end, else into it in place
};
class CountDownMarksTest : public ::testing::TestWithParam<MarksRow> {};

} // namespace

// Marks go on the end of the copy when its [Resume] section is the first of the name and
// the last section; otherwise into that section in place. Either way every reader sees
// them all, and the earlier marks stay.
TEST_P(CountDownMarksTest, AreReadBackFromTheFirstResumeSection)
{
    ScratchFolder dir;
    const std::string path = dir / "QURESUME.INI", copy = GetParam().copy;
    ASSERT_TRUE(WriteFileBytes(path, copy));
    CountDownMarks marks(path);
    ASSERT_TRUE(marks.Mark("DeleteFile", 2) && marks.Mark("AddDeleteFile", 10));
    const std::string marked = (copy.back() == '\n' ? "" : "\r\n") + std::string("DeleteFile2=CountedDown\r\n") +
                               "AddDeleteFile10=CountedDown\r\n";
    if (GetParam().appended) EXPECT_EQ(ReadFileBytes(path), copy + marked);
    const IniDocument read = IniDocument::Load(path);
    for (const char* key : {"DeleteFile1", "DeleteFile2", "AddDeleteFile10"}) {
        EXPECT_EQ(read.Get(kResumeSection, key, ""), "CountedDown") << key;
        EXPECT_EQ(ReadIniString(kResumeSection, key, "", path), "CountedDown") << key;
    }
    EXPECT_EQ(read.Get("DeleteFile", "File1", ""), "C:\\App\\a.dll,/S");
}

const std::string kOwnSection = "[Resume]\r\nRecord=C:\\App\\UNSETUP.INI\r\nDeleteFile1=CountedDown";
INSTANTIATE_TEST_SUITE_P(Rows, CountDownMarksTest,
                         ::testing::Values(MarksRow{"ResumeLast", kFileSection + kOwnSection + "\r\n", true},
                                           MarksRow{"NoFinalLineBreak", kFileSection + kOwnSection, true},
                                           MarksRow{"ResumeFirst", kOwnSection + "\r\n" + kFileSection, false},
                                           MarksRow{"RepeatedResumeLast",
                                                    kOwnSection + "\r\n" + kFileSection + "[resume]\r\nX=1\r\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A fresh copy gets [Resume] on its end; a copy that has one (a resumed run's) gets the
// record's name in it, whatever came before.
TEST(NameResumeRecord, AppendsTheSectionToAFreshCopyOnly)
{
    ScratchFolder dir;
    const std::string path = dir / "QURESUME.INI", record = "D:\\Moved\\UNSETUP.INI";
    const std::string appended = std::string("[Resume]\r\nRecord=") + record + "\r\n";
    for (const auto& [copy, after] : {std::pair<std::string, std::string>{kFileSection, kFileSection + appended},
                                      {"[DeleteFile]", "[DeleteFile]\r\n" + appended},
                                      {kOwnSection + "\r\n" + kFileSection, ""}}) {
        ASSERT_TRUE(WriteFileBytes(path, copy));
        ASSERT_TRUE(NameResumeRecord(path, record));
        if (!after.empty()) EXPECT_EQ(ReadFileBytes(path), after);
        EXPECT_EQ(IniDocument::Load(path).Get(kResumeSection, "Record", ""), record) << copy;
    }
}
