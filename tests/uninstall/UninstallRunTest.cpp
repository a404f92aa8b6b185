// The frame of the uninstall run: the start, the stage lines and their result words,
// the program-ID register, the program run before uninstalling, and the completion
// with its failure details and restart choice.
#include "UninstallFixture.h"

#include "foundation/uStrOp.h"

#include <windows.h>

namespace {

using UninstallRunTest = UninstallFixture;

// Nothing to run before uninstalling, every other stage done.
const StageWords kNothingFailed = {"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"};

std::string ProfileValue(const std::string& file, const std::string& section, const std::string& key)
{
    char buffer[256] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

struct Words {
    const char* setup;
    const char* unSetup;
};

class StageLinesTest : public UninstallFixture, public ::testing::WithParamInterface<Words> {};

} // namespace

// Every line and every page text is composed from the two words of the record.
TEST_P(StageLinesTest, AnEmptyRecordRunsEveryStageShowsEachLineAndEndsWithOneChoice)
{
    record.setupWord = GetParam().setup;
    record.unSetupWord = GetParam().unSetup;
    Run();
    const std::string u = GetParam().unSetup;

    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_FALSE(Exists(app)) << "the empty installation folder goes last";

    // Each stage line is shown the moment it is composed, before its work is done.
    const std::string all = StageLines(kNothingFailed);
    for (std::size_t end = all.find("．．．"); end != std::string::npos; end = all.find("．．．", end + 1)) {
        const std::string shown = all.substr(0, end + std::string("．．．").size());
        bool found = false;
        for (const auto& p : host.progress) found = found || p.log == shown;
        EXPECT_TRUE(found) << shown;
    }
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back().log, state.MessageLog);

    // No question, no pause between stages, no details: straight to the completion.
    EXPECT_TRUE(host.questions.empty());
    EXPECT_TRUE(host.deletionQuestions.empty());
    EXPECT_EQ(host.events, (std::vector<std::string>{"begin 0", "next", "completion", "end"}));
    EXPECT_EQ(host.completion.message, u + "を完了しました。");
    EXPECT_EQ(host.completion.option1, "アンインストーラを終了します。(&Y)");
    EXPECT_EQ(host.completion.option2, "");
    EXPECT_EQ(host.completion.finishCaption, u + "完了(&E)");
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.failures, 0);
    EXPECT_FALSE(result.restartNeeded);
    EXPECT_EQ(state.RebootRequired, 0);
}

INSTANTIATE_TEST_SUITE_P(Words, StageLinesTest,
                         ::testing::Values(Words{"インストール", "アンインストール"}, Words{"導入", "削除"}));

TEST_F(UninstallRunTest, WithoutAFolderTheRunSaysSoAndEndsHavingRemovedNothing)
{
    host.options.folder = "";
    Plant(app + "prog.exe");
    record.files = {app + "prog.exe"};
    record.programId = id;
    const std::string registerFile = win + "QUSET98.INI";
    WritePrivateProfileStringA(id.c_str(), "Folder", app.c_str(), registerFile.c_str());
    CreateKey(HKEY_CURRENT_USER, UserKey("Settings"));
    record.registry = {"(Cuser)\\" + UserKey("Settings")};
    Run();

    const std::string u = state.UnSetupWord;
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].text, u + "フォルダが不明です。\r\n" + u + "は続行できません。");
    EXPECT_EQ(host.questions[0].caption, "致命的エラー");
    EXPECT_EQ(host.questions[0].flags, 16u);
    EXPECT_EQ(state.MessageLog, u + "を行っています。\r\n\r\n【処理状況】\r\n");
    // The program ends after the message instead of waiting behind a hidden wizard.
    EXPECT_EQ(host.events, (std::vector<std::string>{"begin 0", "end"}));
    EXPECT_EQ(result.outcome, RunOutcome::Failed);

    EXPECT_TRUE(Exists(app + "prog.exe"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, UserKey("Settings")));
    EXPECT_EQ(ProfileValue(registerFile, id, "Folder"), app) << "stage 0 must not run either";
}

// The run reads its copy of the record, so the record in the installation folder goes
// like any installed file and the entries after it are still done; the uninstaller's
// own copy in the Windows folder is named by no record and stays.
TEST_F(UninstallRunTest, TheRecordInTheInstallationFolderGoesAsAnOrdinaryFile)
{
    Plant(app + "UNSETUP.INI", record.Text());
    Plant(app + "after.txt");
    Plant(win + "UNQUILLN.EXE");
    record.files = {app + "UNSETUP.INI", app + "after.txt"};
    Run();
    EXPECT_FALSE(Exists(app + "after.txt"));
    EXPECT_FALSE(Exists(app));
    EXPECT_TRUE(Exists(win + "UNQUILLN.EXE"));
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
}

TEST_F(UninstallRunTest, TheProgramIdSectionLeavesTheRegisterAndTheOthersStay)
{
    const std::string registerFile = win + "QUSET98.INI";
    WritePrivateProfileStringA("Other Program", "Folder", "C:\\Other\\", registerFile.c_str());
    WritePrivateProfileStringA(id.c_str(), "Folder", app.c_str(), registerFile.c_str());
    WritePrivateProfileStringA(id.c_str(), "Version", "2", registerFile.c_str());
    record.programId = id;
    Run();
    EXPECT_EQ(ProfileValue(registerFile, id, "Folder"), "<none>");
    EXPECT_EQ(ProfileValue(registerFile, id, "Version"), "<none>");
    EXPECT_EQ(ProfileValue(registerFile, "Other Program", "Folder"), "C:\\Other\\");
    EXPECT_EQ(ReadFileBytes(registerFile).find("[" + id + "]"), std::string::npos);
    EXPECT_EQ(state.ProgramId, id);
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false)) << "the register has no line of its own";
}

TEST_F(UninstallRunTest, WithoutAProgramIdTheRegisterIsNotTouched)
{
    const std::string registerFile = win + "QUSET98.INI";
    const std::string text = "[Other Program]\r\nFolder=C:\\Other\\\r\n\r\n[]\r\nx=1\r\n";
    ASSERT_TRUE(WriteFileBytes(registerFile, text));
    Run();
    EXPECT_EQ(ReadFileBytes(registerFile), text);
}

namespace {

struct BeforeRow {
    const char* value;      // [BeforeUnInstall] File, relative to the installation folder
    const char* parameters; // what the program must receive
};

class BeforeUninstallTest : public UninstallFixture, public ::testing::WithParamInterface<BeforeRow> {
protected:
    void SetUp() override
    {
        MakeFolder(outside + "tools\\");
        ASSERT_TRUE(CopyFileA(QS_SLEEPER_EXE, exe.c_str(), FALSE)) << QS_SLEEPER_EXE;
        SetEnvironmentVariableA("QS_SLEEPER_MARKER", marker.c_str());
        // Long enough that a run that does not wait deletes a running program (and fails).
        SetEnvironmentVariableA("QS_SLEEPER_MS", "500");
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("QS_SLEEPER_MARKER", nullptr);
        SetEnvironmentVariableA("QS_SLEEPER_MS", nullptr);
        UninstallFixture::TearDown();
    }
    // Outside the folders the run removes: under Wine the folder a program ran in can
    // stay in use for a moment after the program has ended.
    std::string exe = outside + "tools\\sleeper.exe";
    std::string marker = outside + "marker.txt";
};

} // namespace

// The program, named relative to the installation folder, is started and waited for;
// only then are the files removed, itself among them.
TEST_P(BeforeUninstallTest, TheProgramRunsToItsEndBeforeTheFilesGo)
{
    record.beforeFile = GetParam().value;
    record.files = {exe};
    Plant(app + "prog.exe");
    record.files.push_back(app + "prog.exe");
    Run();

    const std::string started = ReadFileBytes(marker);
    ASSERT_NE(started, "") << "the program had not ended when the run went on";
    const std::string parameters = GetParam().parameters;
    if (!parameters.empty()) {
        EXPECT_NE(started.find(parameters), std::string::npos) << started;
    }
    EXPECT_NE(started.find("sleeper.exe"), std::string::npos) << started;
    StageWords words = kNothingFailed;
    words[0] = "完了";
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, false));
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_FALSE(Exists(exe));
    EXPECT_FALSE(Exists(app));
}

INSTANTIATE_TEST_SUITE_P(Values, BeforeUninstallTest,
                         ::testing::Values(BeforeRow{"\\..\\..\\Outside\\tools\\sleeper.exe,-x 表示", "-x 表示"},
                                           BeforeRow{"..\\..\\Outside\\tools\\sleeper.exe", ""}));

TEST_F(UninstallRunTest, AProgramThatCannotBeStartedFailsItsLineOnlyAndTheRunGoesOn)
{
    record.beforeFile = "missing.exe,/q";
    Plant(app + "prog.exe");
    record.files = {app + "prog.exe"};
    Run();
    StageWords words = kNothingFailed;
    words[0] = "失敗";
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, false)) << "not a failure of the failure log";
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_FALSE(Exists(app + "prog.exe"));
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(UninstallRunTest, AFolderNamedAsTheProgramBeforeUninstallingIsNeverOpened)
{
    // Its shell window would hold the run for good.
    CreateDirectoryA((app + "data").c_str(), nullptr);
    record.folders = {app + "data\\"};
    record.beforeFile = "data,/q";
    Run();
    StageWords words = kNothingFailed;
    words[0] = "失敗";
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, false));
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_FALSE(Exists(app + "data"));
}

namespace {

struct CompletionRow {
    const char* name;
    bool restart;      // a failure block mentions 再起動
    int detailsAnswer; // to the failure question
    int choice;        // on the completion page
    bool accepted;     // Windows accepts the restart
    std::vector<std::string> events;
};

class CompletionTest : public UninstallFixture, public ::testing::WithParamInterface<CompletionRow> {};

} // namespace

// Any failure leads to the summary and the question; only Yes shows the details. A
// failure log that mentions 再起動 anywhere (here: in a file's name) offers the restart.
TEST_P(CompletionTest, TheFailureQuestionDetailsAndRestartChoiceFollowTheAnswers)
{
    const CompletionRow& row = GetParam();
    const std::string missing = app + (row.restart ? "再起動メモ.txt" : "readme.txt");
    record.files = {missing};
    host.answers = {row.detailsAnswer};
    host.completionChoice = row.choice;
    host.restartAccepted = row.accepted;
    Run();
    const std::string u = state.UnSetupWord;

    StageWords words = kNothingFailed;
    words[1] = "一部失敗";
    EXPECT_EQ(state.MessageLog, ExpectedLog(words, true));
    EXPECT_EQ(state.FailureLog, FileBlock(missing, ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].text, u + "の過程で、一部の処理が失敗しました。\r\n詳細を表示しますか？");
    EXPECT_EQ(host.questions[0].caption, "情報");
    EXPECT_EQ(host.questions[0].flags, 52u);
    EXPECT_EQ(state.LastAnswer, row.detailsAnswer);
    EXPECT_EQ(host.events, row.events);
    if (row.detailsAnswer == IDYES) {
        EXPECT_EQ(host.failureDetails, state.FailureLog);
    }
    EXPECT_EQ(result.failures, 1);
    EXPECT_EQ(result.outcome, RunOutcome::Completed);

    if (row.restart) {
        EXPECT_EQ(host.completion.message,
                  "　" + u +
                      "を完了するには、Windowsを再起動する必要があります。\r\n\r\n"
                      "　Windowsの再起動を選択した場合、現在稼動している他のプログラムは強制的に終了され、"
                      "かつ、終了後プログラムは実行されませんので、十分にご注意ください。");
        EXPECT_EQ(host.completion.option1, "はい、Windowsを再起動します。(&Y)");
        EXPECT_EQ(host.completion.option2, "いいえ、Windowsは再起動せずに、アンインストーラーを終了します。(&N)");
    } else {
        EXPECT_EQ(host.completion.message, u + "を完了しました。");
        EXPECT_EQ(host.completion.option1, "アンインストーラを終了します。(&Y)");
        EXPECT_EQ(host.completion.option2, "");
    }
    EXPECT_EQ(host.completion.finishCaption, u + "完了(&E)");
    const bool restarted = row.restart && row.choice == 1 && row.accepted;
    EXPECT_EQ(host.restarts, row.restart && row.choice == 1 ? 1 : 0);
    EXPECT_EQ(result.restartNeeded, row.restart);
    EXPECT_EQ(result.restarted, restarted);
    EXPECT_EQ(state.RebootRequired, restarted ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompletionTest,
    ::testing::Values(
        CompletionRow{
            "DetailsShown", false, IDYES, 1, true, {"begin 0", "details 削除処理失敗　詳細表示", "next", "completion", "end"}},
        CompletionRow{"DetailsSkipped", false, IDNO, 1, true, {"begin 0", "next", "completion", "end"}},
        CompletionRow{"RestartChosen", true, IDNO, 1, true, {"begin 0", "next", "completion", "restart", "end"}},
        CompletionRow{"RestartRefused",
                      true,
                      IDYES,
                      1,
                      false,
                      {"begin 0", "details 削除処理失敗　詳細表示", "next", "completion", "restart", "end"}},
        CompletionRow{"RestartDeclined", true, IDNO, 2, true, {"begin 0", "next", "completion", "end"}}),
    [](const auto& info) { return std::string(info.param.name); });
