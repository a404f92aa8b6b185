// Records that no installation wrote: garbage, binary bytes, gaps, missing sections,
// huge lists, and entries naming drive roots, the machine's folders or places outside
// every recorded folder. The run never stops early and removes nothing the record does
// not name; canaries all around the scratch machine show it.
#include "UninstallFixture.h"

#include "foundation/uStrOp.h"
#include "uninstall/UninstallRun.h"

#include <windows.h>

#include <cstdio>
#include <random>

namespace {

using DamagedRecordTest = UninstallFixture;

const std::string kList = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Bytes of every value, with line breaks of every kind and the characters that make
// sections and keys sprinkled in.
std::string Garbage(unsigned seed, std::size_t size)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    const char* const pieces[] = {"\r\n",
                                  "\n",
                                  "\r",
                                  "[",
                                  "]",
                                  "=",
                                  ",",
                                  "\\",
                                  "*",
                                  "[DeleteFile]\r\n",
                                  "File1=",
                                  "Folder1=",
                                  "[DeleteFolder]\r\n",
                                  "/S",
                                  "..\\",
                                  "\x81"};
    std::string text;
    while (text.size() < size) {
        if (byte(random) < 40) text += pieces[byte(random) % (sizeof pieces / sizeof *pieces)];
        else text += static_cast<char>(byte(random));
    }
    return text;
}

} // namespace

TEST_F(DamagedRecordTest, GarbageAndBinaryBytesRunToTheEndAndRemoveNothing)
{
    PlantCanaries();
    Plant(app + "mine.txt");
    const std::string texts[] = {
        Garbage(1, 4096),
        Garbage(2, 65536),
        Garbage(3, 300000),
        std::string("\xFF\xFE", 2) + "[\0D\0e\0l\0e\0t\0e\0F\0o\0l\0d\0e\0r\0]\0"
                                     "\r\0\n\0F\0o\0l\0d\0e\0r\0\x31\0=\0C\0:\0\\\0\r\0\n\0",
        "no sections at all\r\njust=text\r\n",
        std::string(1, '\0') + "[DeleteFile]\r\nFile1=x\r\n",
        "[DeleteFile]\r\nFile1=\x81\r\nFile2=" + std::string(100000, 'A') + "\r\nFile3=" + app + "\x81\r\nFile4=" + app +
            std::string(400, 'x') + "\r\nFile5=,,,,/S/C/L/F\r\n[DeleteShortCut]\r\nFile1=\x81\r\nFile2=" +
            std::string(5000, '\\') + "\r\n[DeleteFolder]\r\nFolder1=" + std::string(100000, 'B') +
            "\r\nFolder2=\x81\\\r\n[RestoreRelate]\r\nKey1=\x81,\x81\r\nKey2=" + std::string(1000, ',') +
            "\r\n[DeleteRegistry]\r\nKey1=(Cuser)\r\nKey2=(\r\nKey3=" + std::string(70000, 'k') +
            "\r\n[UnSetupRegistryKey]\r\nKey=\x81\r\n[ProgramID]\r\nID=\x81\r\n"};
    for (const std::string& text : texts) {
        host = ScriptedHost();
        host.options.folder = app;
        host.answers = {IDNO};
        Run(text);
        ExpectRanToTheEnd();
        EXPECT_EQ(MissingCanaries(), "");
        EXPECT_TRUE(Exists(app + "mine.txt"));
    }
}

TEST_F(DamagedRecordTest, AGapEndsEachListAndMissingSectionsAreEmptyLists)
{
    for (const char* name : {"1.txt", "2.txt", "4.txt"}) Plant(app + name);
    MakeFolder(app + "F1\\");
    MakeFolder(app + "F3\\");
    Plant(sta + "G\\1.lnk");
    Plant(sta + "G\\3.lnk");
    CreateKey(HKEY_CURRENT_USER, UserKey("K2"));
    const std::string text = "[SetupFolder]\r\nFolder=" + app + "\r\n[DeleteFile]\r\nFile1=" + app +
                             "1.txt\r\nFile2=" + app + "2.txt\r\nFile4=" + app +
                             "4.txt\r\n[DeleteFolder]\r\nFolder1=" + app + "F1\\\r\nFolder3=" + app +
                             "F3\\\r\n[DeleteShortCut]\r\nFile1=" + sta + "G\\1.lnk\r\nFile3=" + sta +
                             "G\\3.lnk\r\n[DeleteRegistry]\r\nKey2=" + UserKey("K2") + "\r\n";
    host.answers = {IDNO};
    Run(text);
    ExpectRanToTheEnd();
    EXPECT_FALSE(Exists(app + "1.txt"));
    EXPECT_FALSE(Exists(app + "2.txt"));
    EXPECT_TRUE(Exists(app + "4.txt"));
    EXPECT_FALSE(Exists(app + "F1"));
    EXPECT_TRUE(Exists(app + "F3"));
    EXPECT_TRUE(Exists(sta + "G\\3.lnk"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, UserKey("K2")));
    EXPECT_EQ(state.FailureLog, SetupFolderBlock(false));
}

TEST_F(DamagedRecordTest, AnEmptyOrMissingRecordStillRunsEveryStage)
{
    for (const bool missing : {false, true}) {
        host = ScriptedHost();
        host.options.folder = app;
        MakeFolder(app);
        if (missing) {
            state.ScriptFile = work + "NOSUCH.INI";
            result = UninstallRun(state, host);
        } else {
            Run("");
        }
        ExpectRanToTheEnd();
        EXPECT_EQ(state.MessageLog, ExpectedLog({"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"}, false));
        EXPECT_FALSE(Exists(app));
    }
}

TEST_F(DamagedRecordTest, AnInstallationFolderThatIsGoneIsReportedAndTheRestIsDone)
{
    RemoveTree(app);
    Plant(outside + "named.txt");
    record.files = {app + "prog.exe", outside + "named.txt"};
    record.folders = {app + "Data\\"};
    record.shortcuts = {sta + "Vendor\\App.lnk"};
    host.answers = {IDNO};
    Run();
    ExpectRanToTheEnd();
    EXPECT_FALSE(Exists(outside + "named.txt")) << "named by the record, wherever it lies";
    const DWORD folderCode = RemoveDirectoryCode(app + "Data\\");
    const DWORD installCode = RemoveDirectoryCode(app);
    EXPECT_EQ(state.FailureLog, FileBlock(app + "prog.exe", ERROR_FILE_NOT_FOUND) +
                                    ShortcutBlock(sta + "Vendor\\App.lnk", ERROR_FILE_NOT_FOUND) +
                                    FolderBlock(app + "Data\\", folderCode) + "<SetupFolder> " + app + "\r\n" +
                                    ErrorText(installCode) + "\r\n");
}

namespace {

enum class Mode { Patterns, DeleteAll };

class HostileRecordTest : public UninstallFixture, public ::testing::WithParamInterface<Mode> {};

} // namespace

// Every list names the machine's own folders, drive roots and folders outside the
// installation, spelt in every way the system accepts.
TEST_P(HostileRecordTest, EntriesNamingTheMachinesFoldersRemoveNothingButWhatIsNamed)
{
    PlantCanaries(true);
    if (GetParam() == Mode::DeleteAll) SelectDeleteAll();
    else SelectBoxes(true, true, "*.txt", "*.dll");
    Plant(outside + "named.txt");
    Plant(app + "prog.exe");
    CreateKey(HKEY_LOCAL_MACHINE, kList + id + "-canary", "another program");

    const std::vector<std::string> places = {"Q:\\",
                                             "Q:",
                                             "C:\\",
                                             win,
                                             win.substr(0, win.size() - 1),
                                             sys + "..",
                                             sys + "..\\",
                                             dsk,
                                             Lower(dsk),
                                             sen,
                                             root,
                                             root + "Profile",
                                             outside,
                                             outside + "canary dir",
                                             outside + "canary dir\\",
                                             app + "..\\",
                                             app + "..\\..",
                                             app + "..\\..\\Outside\\",
                                             ".",
                                             "..",
                                             "\\",
                                             "Q:\\" + id + " dir",
                                             "C:/",
                                             win + ".\\",
                                             ",/S"};
    record.files = places;
    record.files.push_back(outside + "named.txt");
    record.files.push_back(app + "prog.exe");
    record.files.push_back(win + "*.*");
    record.shortcuts = places;
    record.folders = places;
    record.extraFiles = {"Q:\\*",     "Q:\\*.*",      win + "*.*",   dsk + "*",         root + "*.*",
                         "*",         "..\\*",        app + "..\\*", app + "..\\..\\*", app + "x\\..\\..\\*.*",
                         root + "?*", sys + "..\\*.*"};
    record.registry = {"(Local)\\" + kList,
                       "(Local)\\" + kList.substr(0, kList.size() - 1),
                       "(Local)\\SOFTWARE",
                       "(Local)",
                       "(Cuser)\\",
                       "(Class)\\",
                       "\\",
                       "(Local)\\\\"};
    record.relates = {",", "\\,", "..\\x,", ",Prev"};
    record.uninstallKey = kList;
    host.answers = {IDNO};
    Run();

    ExpectRanToTheEnd();
    EXPECT_EQ(MissingCanaries(), "");
    EXPECT_FALSE(Exists(outside + "named.txt"));
    EXPECT_FALSE(Exists(app + "prog.exe"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kList + id + "-canary"));
    for (const std::string* folder :
         {&win, &sys, &tmp, &prg, &smn, &sta, &sup, &dsk, &sen, &myd, &csmn, &csta, &csup, &cdsk, &cmyd, &outside})
        EXPECT_TRUE(Exists(*folder)) << *folder;
}

INSTANTIATE_TEST_SUITE_P(Modes, HostileRecordTest, ::testing::Values(Mode::Patterns, Mode::DeleteAll),
                         [](const auto& info) { return info.param == Mode::DeleteAll ? "DeleteAll" : "Patterns"; });

// 100,000 installed files, most of them already gone: every one is handled and each gone
// one reported, in reasonable time (printed, not asserted: the machine may be busy).
TEST_F(DamagedRecordTest, AHundredThousandEntriesAreAllHandled)
{
    constexpr int kEntries = 100000;
    constexpr int kPresentEvery = 1000;
    const std::string folder = app + "many\\";
    MakeFolder(folder);
    std::string text = "[SetupFolder]\r\nFolder=" + app + "\r\n\r\n[DeleteFile]\r\n";
    text.reserve(kEntries * 100);
    for (int n = 1; n <= kEntries; ++n) {
        const std::string path = folder + "file" + std::to_string(n) + ".dat";
        if (n % kPresentEvery == 0) Plant(path);
        text += "File" + std::to_string(n) + "=" + path + "\r\n";
    }
    text += "\r\n[DeleteFolder]\r\nFolder1=" + folder + "\r\n";
    host.answers = {IDNO};

    const ULONGLONG start = GetTickCount64();
    Run(text);
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    std::printf("[ TIMING   ] %d entries: %.1f s\n", kEntries, seconds);
    RecordProperty("seconds", std::to_string(seconds));

    ExpectRanToTheEnd();
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(app));
    EXPECT_EQ(result.failures, kEntries - kEntries / kPresentEvery);
    std::size_t blocks = 0;
    for (std::size_t at = state.FailureLog.find("<File> "); at != std::string::npos;
         at = state.FailureLog.find("<File> ", at + 1))
        ++blocks;
    EXPECT_EQ(blocks, static_cast<std::size_t>(kEntries - kEntries / kPresentEvery));
    const std::string last = FileBlock(folder + "file" + std::to_string(kEntries - 1) + ".dat", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(state.FailureLog.substr(state.FailureLog.size() - last.size()), last);
}
