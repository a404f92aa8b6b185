// The file stage: every row of the decision table in its order, the four answers of
// the deletion dialog and how "Delete" and "Save" carry over, missing files, files in
// use with and without "/F", and the wildcards the run refuses.
#include "UninstallFixture.h"

#include "foundation/uStrOp.h"

#include <windows.h>

#include <algorithm>

namespace {

const std::string kWildcardRefusal = "ワイルドカードを含むため、削除しませんでした。\r\n\r\n";
const std::string kProtectedRefusal = "Windowsやシステムなどの保護されたフォルダにかかわるため、削除しませんでした。\r\n\r\n";

using UninstallFilesTest = UninstallFixture;

enum class Asked { Nothing, Shared, Confirm, Component };
enum class Place { App, System, Windows };

struct DecisionRow {
    const char* name;
    Place place;
    const char* file; // below the folder of place
    const char* flags;
    long count; // SharedDLLs before; -1: no value
    const char* deletionAnswer;
    int answer; // to a message-box question
    Asked asked;
    bool deleted;
    long countAfter; // -1: no value
};

class DecisionTableTest : public UninstallFixture, public ::testing::WithParamInterface<DecisionRow> {};

} // namespace

TEST_P(DecisionTableTest, EachEntryTakesTheFirstRowThatApplies)
{
    const DecisionRow& row = GetParam();
    const std::string folder = row.place == Place::App ? app : row.place == Place::System ? sys : win;
    const std::string path = folder + row.file;
    Plant(path);
    if (row.count >= 0) SetSharedCount(path, static_cast<DWORD>(row.count));
    record.files = {std::string(path) + (*row.flags ? std::string(",") + row.flags : std::string())};
    host.deletionAnswers = {row.deletionAnswer};
    host.answers = {row.answer};
    Run();

    EXPECT_EQ(!Exists(path), row.deleted);
    EXPECT_EQ(SharedCount(path), row.countAfter);
    EXPECT_EQ(state.FailureLog.find("<File>"), std::string::npos) << "a file kept by decision is no failure";
    EXPECT_NE(state.MessageLog.find("ファイルの" + state.UnSetupWord + "処理．．．完了\r\n"), std::string::npos);

    switch (row.asked) {
    case Asked::Nothing:
        EXPECT_TRUE(host.deletionQuestions.empty());
        EXPECT_TRUE(host.questions.empty() || host.questions[0].caption != "ファイル削除の確認");
        break;
    case Asked::Shared:
        ASSERT_EQ(host.deletionQuestions.size(), 1u);
        EXPECT_EQ(host.deletionQuestions[0],
                  path + "\r\n\r\nこの共有ファイルは、現在、他のどのプログラムからも使われていません。\r\n"
                         "しかし、今後、他のプログラムで使われる可能性があります。\r\n"
                         "このファイルを削除してもよろしいですか？");
        EXPECT_TRUE(host.questions.empty() || host.questions[0].caption != "ファイル削除の確認");
        break;
    case Asked::Confirm:
    case Asked::Component: {
        const std::string why = row.asked == Asked::Confirm
                                    ? "このファイルを削除してもよろしいですか？\r\n\r\n<<　注意　>>\r\n"
                                      "DLL/OCXなどは他のプログラムでも使用される可能性があります。\r\n"
                                      "確実に使用されないことがわかっている場合のみ削除してください。"
                                    : "このDLL/OCXファイルは、共有登録されていませんが、\r\n"
                                      "今後、他のプログラムで使われる可能性があります。\r\n"
                                      "このファイルを削除してもよろしいですか？";
        EXPECT_TRUE(host.deletionQuestions.empty());
        ASSERT_GE(host.questions.size(), 1u);
        EXPECT_EQ(host.questions[0].text, path + "\r\n\r\n" + why);
        EXPECT_EQ(host.questions[0].caption, "ファイル削除の確認");
        EXPECT_EQ(host.questions[0].flags, 36u);
        break;
    }
    }
}

// The rows in table order; each edge row shows that an earlier row wins over a later one.
INSTANTIATE_TEST_SUITE_P(
    Rows, DecisionTableTest,
    ::testing::Values(
        // 1: shared and counted.
        DecisionRow{"SharedOthersRemain", Place::App, "shared.dll", "/S", 3, "Yes", IDYES, Asked::Nothing, false, 2},
        DecisionRow{"SharedFlagAnywhereAnyCase", Place::System, "shared.dll", "/w/s", 2, "Yes", IDYES, Asked::Nothing,
                    false, 1},
        DecisionRow{"SharedLastUserYes", Place::App, "shared.dll", "/S", 1, "Yes", IDNO, Asked::Shared, true, -1},
        DecisionRow{"SharedLastUserNo", Place::App, "shared.dll", "/S", 1, "No", IDYES, Asked::Shared, false, -1},
        DecisionRow{"SharedLastUserDelete", Place::App, "shared.dll", "/S", 1, "Delete", IDNO, Asked::Shared, true, -1},
        DecisionRow{"SharedLastUserSave", Place::System, "shared.dll", "/S", 1, "Save", IDYES, Asked::Shared, false, -1},
        DecisionRow{"SharedBeforeConfirm", Place::App, "shared.ocx", "/C/S", 1, "Yes", IDNO, Asked::Shared, true, -1},
        // 2: counted by another program, recorded without "/S".
        DecisionRow{"CountedByOthers", Place::App, "common.dll", "", 2, "Yes", IDYES, Asked::Nothing, false, 2},
        DecisionRow{"CountedBeforeConfirm", Place::App, "common.dll", "/C", 1, "Yes", IDYES, Asked::Nothing, false, 1},
        // 3: confirm.
        DecisionRow{"ConfirmYes", Place::App, "tool.dll", "/C", -1, "No", IDYES, Asked::Confirm, true, -1},
        DecisionRow{"ConfirmNo", Place::App, "tool.dll", "/c", -1, "Yes", IDNO, Asked::Confirm, false, -1},
        DecisionRow{"UncountedSharedConfirm", Place::App, "tool.dll", "/S/C", -1, "Yes", IDYES, Asked::Confirm, true, -1},
        DecisionRow{"ConfirmBeforeLeave", Place::App, "tool.dll", "/C/L", -1, "No", IDYES, Asked::Confirm, true, -1},
        // 4: leave.
        DecisionRow{"Leave", Place::App, "data.bin", "/L", -1, "Yes", IDYES, Asked::Nothing, false, -1},
        DecisionRow{"LeaveBeforeComponent", Place::System, "kept.dll", "/l", -1, "Yes", IDYES, Asked::Nothing, false, -1},
        // 5: a component in the Windows or system folder.
        DecisionRow{"ComponentInSystemYes", Place::System, "qsucomp.dll", "", -1, "No", IDYES, Asked::Component, true, -1},
        DecisionRow{"ComponentInSystemNo", Place::System, "qsucomp.ocx", "", -1, "Yes", IDNO, Asked::Component, false, -1},
        DecisionRow{"ComponentInWindows", Place::Windows, "QSUCOMP.DLL", "/W", -1, "No", IDYES, Asked::Component, true,
                    -1},
        DecisionRow{"ComponentNameInAFolder", Place::System, "plugins.ocx\\readme.txt", "", -1, "Yes", IDNO,
                    Asked::Component, false, -1},
        DecisionRow{"UncountedSharedComponent", Place::System, "qsucomp.dll", "/S", -1, "Yes", IDNO, Asked::Component,
                    false, -1},
        // 6: everything else goes without a question.
        DecisionRow{"ComponentInInstallFolder", Place::App, "qsucomp.dll", "", -1, "No", IDNO, Asked::Nothing, true, -1},
        DecisionRow{"OtherFileInSystem", Place::System, "readme.txt", "", -1, "No", IDNO, Asked::Nothing, true, -1},
        DecisionRow{"InstallOnlyFlags", Place::App, "prog.exe", "/W/R", -1, "No", IDNO, Asked::Nothing, true, -1},
        DecisionRow{"UncountedShared", Place::App, "prog.exe", "/S", -1, "No", IDNO, Asked::Nothing, true, -1}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct CarryRow {
    const char* name;
    std::vector<std::string> answers;
    std::size_t questions;
    std::array<bool, 3> deleted;
};

class CarryOverTest : public UninstallFixture, public ::testing::WithParamInterface<CarryRow> {};

} // namespace

// "すべて削除" and "すべて保存" answer every later shared file whose count reaches zero;
// "はい" and "いいえ" answer one file. None of them answers another kind of question.
TEST_P(CarryOverTest, DeleteAndSaveAnswerAllLaterSharedFiles)
{
    const CarryRow& row = GetParam();
    const std::string shared[3] = {app + "a.dll", sys + "b.dll", app + "c.ocx"};
    for (const std::string& path : shared) {
        Plant(path);
        SetSharedCount(path, 1);
    }
    const std::string stillUsed = app + "d.dll";
    Plant(stillUsed);
    SetSharedCount(stillUsed, 3);
    const std::string confirm = app + "e.dll";
    Plant(confirm);
    record.files = {shared[0] + ",/S", stillUsed + ",/S", shared[1] + ",/S", confirm + ",/C", shared[2] + ",/S"};
    host.deletionAnswers = {row.answers.begin(), row.answers.end()};
    host.answers = {IDNO};
    Run();

    EXPECT_EQ(host.deletionQuestions.size(), row.questions);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(!Exists(shared[i]), row.deleted[i]) << shared[i];
        EXPECT_EQ(SharedCount(shared[i]), -1);
    }
    EXPECT_TRUE(Exists(stillUsed));
    EXPECT_EQ(SharedCount(stillUsed), 2);
    ASSERT_GE(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].caption, "ファイル削除の確認") << "the confirmation is still asked";
    EXPECT_TRUE(Exists(confirm));
    EXPECT_EQ(state.FailureLog.find("<File>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, CarryOverTest,
                         ::testing::Values(CarryRow{"Delete", {"Delete"}, 1, {true, true, true}},
                                           CarryRow{"Save", {"Save"}, 1, {false, false, false}},
                                           CarryRow{"YesThenDelete", {"Yes", "Delete"}, 2, {true, true, true}},
                                           CarryRow{"NoThenSave", {"No", "Save"}, 2, {false, false, false}},
                                           CarryRow{"YesNoYes", {"Yes", "No", "Yes"}, 3, {true, false, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallFilesTest, AnInstalledFileAlreadyGoneIsReportedAnExtraFileIsNot)
{
    const std::string gone = app + "表示\\gone.txt";
    const std::string goneKept = app + "kept.txt";
    record.files = {gone, goneKept + ",/L"};
    record.extraFiles = {app + "extra.log", app + "*.nomatch", outside + "*.nomatch"};
    host.answers = {IDNO};
    Run();
    EXPECT_EQ(state.FailureLog, FileBlock(gone, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(result.failures, 1);
    StageWords words = {"なし", "一部失敗", "完了", "完了", "完了", "完了", "完了", "完了"};
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, true));
}

TEST_F(UninstallFilesTest, ExtraFilesAndPatternsGoAndAreNeverReported)
{
    Plant(app + "a.log");
    Plant(app + "b.log");
    Plant(app + "keep.txt");
    Plant(app + "logs\\1.txt");
    Plant(app + "logs\\deep\\2.txt");
    Plant(outside + "x.log");
    Plant(outside + "canary.txt");
    record.files = {app + "keep.txt,/L"};
    Plant(app + "busy.tmp");
    // Relative names are read in the temporary folder, where the run works from the files on.
    Plant(tmp + "rel1.tmp");
    record.extraFiles = {app + "*.log",       app + "logs\\*.*", outside + "*.log",
                         app + "missing.txt", app + "busy.tmp",  "rel*.tmp"};
    Hold(app + "busy.tmp");
    Run();
    EXPECT_FALSE(Exists(app + "a.log"));
    EXPECT_FALSE(Exists(app + "b.log"));
    EXPECT_FALSE(Exists(app + "logs\\1.txt"));
    EXPECT_FALSE(Exists(app + "logs\\deep"));
    EXPECT_TRUE(Exists(app + "keep.txt"));
    // A pattern that is more than wildcards may name files elsewhere, as the script said.
    EXPECT_FALSE(Exists(outside + "x.log"));
    EXPECT_TRUE(Exists(outside + "canary.txt"));
    EXPECT_FALSE(Exists(tmp + "rel1.tmp"));
    EXPECT_EQ(state.FailureLog.find("<File>"), std::string::npos);
}

TEST_F(UninstallFilesTest, WildcardsThatWouldEmptyTheMachinesFoldersAreRefusedAndReported)
{
    PlantCanaries();
    Plant(app + "a.txt");
    Plant(app + "b.lnk");
    Plant(sta + "Group\\x.lnk");
    record.files = {app + "*.txt", app + "?.lnk"};
    record.shortcuts = {sta + "Group\\*.lnk"};
    // Wildcards alone in a protected folder (a drive root, the machine's folders, one that
    // holds them), however spelled; then more than wildcards, matching such a folder.
    record.extraFiles = {win + "*.*",
                         prg + "*",
                         root + "?*.*",
                         "*.*",
                         "Q:\\*",
                         app + "..\\*.*",
                         app + "..\\..\\*",
                         app + "sub\\..\\..\\?*",
                         app + "..\\Outside/../../*",
                         win.substr(0, win.size() - 2) + "*",
                         root + "Pro*",
                         sys.substr(0, sys.size() - 2) + "?",
                         root + "Profile\\Desk*"};
    Run();
    EXPECT_TRUE(Exists(app + "a.txt")) << "installed files never hold wildcards";
    EXPECT_TRUE(Exists(app + "b.lnk"));
    EXPECT_TRUE(Exists(sta + "Group\\x.lnk"));
    EXPECT_EQ(MissingCanaries(), "");
    // Each refusal is shown among the failures: the user sees what was kept and why.
    std::string expected;
    for (const std::string& file : record.files) expected += "<File> " + file + "\r\n" + kWildcardRefusal;
    for (const std::string& pattern : record.extraFiles) expected += "<File> " + pattern + "\r\n" + kProtectedRefusal;
    expected += "<ShortCut> " + record.shortcuts[0] + "\r\n" + kWildcardRefusal + SetupFolderBlock(false);
    EXPECT_EQ(state.FailureLog, expected);
}

// A wildcard pattern may empty a folder of the program's own wherever it lies, as the
// script says, and the folder then goes too.
TEST_F(UninstallFilesTest, WildcardsInTheProgramsOwnFoldersElsewhereRemoveThem)
{
    PlantCanaries();
    for (const std::string& file : {win + "MYAPP\\a.ini", myd + "MyApp\\b.dat", prg + "Common Files\\Maker\\c.dat"})
        Plant(file);
    record.extraFiles = {win + "MYAPP\\*.*", myd + "MyApp\\*.*", prg + "Common Files\\Maker\\*"};
    record.folders = {win + "MYAPP\\", myd + "MyApp\\"};
    Run();
    EXPECT_FALSE(Exists(win + "MYAPP"));
    EXPECT_FALSE(Exists(myd + "MyApp"));
    EXPECT_FALSE(Exists(prg + "Common Files\\Maker\\c.dat"));
    EXPECT_EQ(MissingCanaries(), "");
    EXPECT_EQ(state.FailureLog, "");
}

namespace {

struct LeftRow {
    const char* name;
    bool userFile;             // a file of the user's beside what the run keeps
    int failures;              // for whoever started the run
    bool spelledShort = false; // the record names the kept file by its 8.3 path
};

class LeftOnPurposeTest : public UninstallFixture, public ::testing::WithParamInterface<LeftRow> {};

} // namespace

// What the run keeps by decision is no failure of it, nor is a folder that stays only for
// such files; the windowed run still shows those folders, and the log says why each file
// stayed.
TEST_P(LeftOnPurposeTest, AreNoFailureOfTheRunNorAreTheFoldersTheyKeep)
{
    const std::string dll = app + "shared.dll";
    Plant(dll);
    Plant(app + "sub\\kept.txt");
    if (GetParam().userFile) Plant(app + "mine.doc");
    SetSharedCount(dll, 1);
    const std::string kept = GetParam().spelledShort ? ShortPath(app + "sub\\kept.txt") : app + "sub\\kept.txt";
    if (GetParam().spelledShort) ASSERT_NE(kept.find('~'), std::string::npos) << kept;
    record.files = {dll + ",/S", kept + ",/L"};
    record.folders = {app + "sub\\"};
    host.deletionAnswers = {"Save"};
    Run();
    EXPECT_TRUE(Exists(dll));
    EXPECT_EQ(state.FailureLog, FolderBlock(app + "sub\\", ERROR_DIR_NOT_EMPTY) + SetupFolderBlock(false));
    EXPECT_EQ(result.failures, GetParam().failures);
    EXPECT_EQ(result.leftOnPurpose, 2);
    for (const std::string& line :
         {"残すファイル " + dll + "（共有ファイルを残すと回答）", "残すファイル " + kept + "（記録の指定（/L））"})
        EXPECT_NE(std::find(host.logs.begin(), host.logs.end(), line), host.logs.end()) << line;
}

INSTANTIATE_TEST_SUITE_P(Rows, LeftOnPurposeTest,
                         ::testing::Values(LeftRow{"OnlyKeptFiles", false, 0}, LeftRow{"AndAUserFile", true, 1},
                                           LeftRow{"KeptFileSpelledShort", false, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// An interrupted run counted the entry down and marked that in its copy of the record,
// which the resumed run reads: the file another program still uses is counted once.
TEST_F(UninstallFilesTest, AResumedRunNeverCountsASharedFileDownTwice)
{
    const std::string dll = app + "shared.dll";
    Plant(dll);
    SetSharedCount(dll, 1);
    record.files = {dll + ",/S"};
    Run(record.Text() + "\r\n[Resume]\r\nRecord=" + app + "UNSETUP.INI\r\nDeleteFile1=CountedDown\r\n");
    EXPECT_EQ(SharedCount(dll), 1);
    EXPECT_TRUE(host.deletionQuestions.empty());
    EXPECT_TRUE(Exists(dll));
}

namespace {

struct LockedRow {
    const char* name;
    const char* flags;
    int choice;           // on the completion page
    const char* osFamily; // "NT": the system's restart list; "notNT": WININIT.INI
};

class LockedFileTest : public UninstallFixture, public ::testing::WithParamInterface<LockedRow> {};

} // namespace

// A file another program holds stays and is reported; with "/F" it is also scheduled for
// deletion at the next start, and the remark makes the run offer the restart.
TEST_P(LockedFileTest, IsReportedAndWithFScheduledAndARestartOffered)
{
    const LockedRow& row = GetParam();
    const bool deferred = *row.flags != '\0';
    const std::string busy = app + "表示 busy.dat";
    Plant(busy);
    Plant(app + "free.dat");
    record.files = {busy + (deferred ? std::string(",") + row.flags : std::string()), app + "free.dat,/F"};
    KeepRestartList();
    state.OsFamily = row.osFamily;
    host.answers = {IDYES};
    host.completionChoice = row.choice;
    Hold(busy);
    Run();
    ReleaseHeld();

    EXPECT_FALSE(Exists(app + "free.dat")) << "a file that could go is not deferred";
    ASSERT_TRUE(Exists(busy));
    // The code is the shell's for a file in use; whatever it is, its text is logged.
    const std::string head = "<File> " + busy + "\r\n";
    const std::string tail = std::string(deferred ? RestartRemark() : "") + "\r\n" + SetupFolderBlock(false);
    ASSERT_EQ(state.FailureLog.compare(0, head.size(), head), 0) << state.FailureLog;
    ASSERT_GE(state.FailureLog.size(), head.size() + tail.size());
    EXPECT_EQ(state.FailureLog.substr(state.FailureLog.size() - tail.size()), tail) << state.FailureLog;
    const std::string errorLine = state.FailureLog.substr(head.size(),
                                                          state.FailureLog.size() - head.size() - tail.size());
    EXPECT_TRUE(errorLine == ErrorText(ERROR_SHARING_VIOLATION) || errorLine == ErrorText(ERROR_ACCESS_DENIED))
        << errorLine;
    // A file that goes at the next start, and the folder that stays for it, are no failure
    // of the run for whoever started it: the restart completes the removal.
    EXPECT_EQ(result.failures, deferred ? 0 : 2);

    using namespace std::string_literals;
    const bool nt = std::string(row.osFamily) == "NT";
    EXPECT_EQ(AddedRestartEntries(), deferred && nt ? "\\??\\"s + busy + "\0\0"s : ""s);
    EXPECT_EQ(ReadFileBytes(win + "WININIT.INI"), deferred && !nt ? "[Rename]\r\nNul=" + ShortPath(busy) + "\r\n" : "");
    EXPECT_EQ(host.completion.option2.empty(), !deferred);
    EXPECT_EQ(result.restartNeeded, deferred);
    EXPECT_EQ(host.restarts, deferred && row.choice == 1 ? 1 : 0);
    StageWords words = {"なし", "一部失敗", "完了", "完了", "完了", "完了", "完了", "一部失敗"};
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, true));
}

INSTANTIATE_TEST_SUITE_P(Rows, LockedFileTest,
                         ::testing::Values(LockedRow{"WithoutF", "", 1, "NT"},
                                           LockedRow{"WithFRestartChosen", "/F", 1, "NT"},
                                           LockedRow{"WithFRestartDeclined", "/f/W", 2, "NT"},
                                           LockedRow{"WithFOn95Family", "/F", 2, "notNT"}),
                         [](const auto& info) { return std::string(info.param.name); });
