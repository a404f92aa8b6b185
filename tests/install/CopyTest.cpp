// The copy stage: disk requests, missing sources and failed copies, the overwrite
// rules, shared counts, self-registration, compressed sources and a target that another
// program holds open.
#include "InstallFixture.h"
#include "foundation/FilePrim.h"

#include <algorithm>
#include <optional>

using namespace install_test;

namespace {

using Copy = InstallTest;

using Strings = std::vector<std::string>;

Strings CounterEvents(const ScriptedHost& host)
{
    Strings out;
    for (const std::string& e : SteadyEvents(host.events))
        if (e.rfind("counter ", 0) == 0 && e != "counter shown" && e != "counter hidden") out.push_back(e);
    return out;
}

} // namespace

TEST_F(Copy, DiskRequestsCountUpAndRepeatUntilTheSourceIsThere)
{
    WriteScript("[CopyFile]\nFile1=(App)\\a.txt\nFile2=(Dch)(App)\\b.txt\nFile3=(App)\\c.txt\nFile4=(Dch)(App)\\d.txt\n");
    for (const char* name : {"a.txt", "c.txt", "d.txt"}) AddSource(name, name);
    MakeInstallFolder();
    // The second disk goes in only after the first request has been confirmed.
    int requestsForDisk2 = 0;
    host.onQuestion = [&](const ScriptedHost::Question& q) {
        if (q.text.rfind("2枚目", 0) == 0 && ++requestsForDisk2 == 2) AddSource("b.txt", "b.txt");
    };

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    Strings texts;
    for (const auto& q : host.questions) {
        texts.push_back(q.text);
        EXPECT_EQ(q.caption, "ディスク交換");
        EXPECT_EQ(q.flags, 65u);
    }
    EXPECT_EQ(texts, (Strings{"2枚目のディスクに交換してください。", "2枚目のディスクに交換してください。",
                              "3枚目のディスクに交換してください。"}));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) EXPECT_EQ(ReadFileBytes(inst + name), name);

    // A source that was not on the first disk could not be sized: no free-space check,
    // progress by entries.
    EXPECT_EQ(state.MessageLog.find("ディスクの空き容量"), std::string::npos);
    EXPECT_EQ(CounterEvents(host),
              (Strings{"counter 1/4 25%", "counter 2/4 50%", "counter 3/4 75%", "counter 4/4 100%"}));
}

TEST_F(Copy, ACancelledDiskRequestStopsTheRunKeepingWhatWasCopied)
{
    WriteScript("[CopyFile]\nFile1=(App)\\a.txt\nFile2=(Dch)(App)\\b.txt\n");
    AddSource("a.txt", "a");
    MakeInstallFolder();
    host.answers = {IDCANCEL};

    EXPECT_EQ(Run().outcome, RunOutcome::Cancelled);
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[0].text, "2枚目のディスクに交換してください。");
    EXPECT_EQ(host.questions[1].text, "インストールを続行できませんでした。");
    EXPECT_EQ(host.questions[1].caption, "致命的エラー");
    EXPECT_EQ(host.questions[1].flags, 16u);
    EXPECT_EQ(host.events.back(), "end");
    EXPECT_EQ(ReadFileBytes(inst + "a.txt"), "a");
    EXPECT_FALSE(Exists(inst + "UNSETUP.INI"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(title)));
}

TEST_F(Copy, FailedActionsAreLoggedInBlocksAndOfferedAtTheEnd)
{
    WriteScript("[CopyFile]\nFile1=(App)\\missing.txt\nFile2=(App)\\conflict\nFile3=(App)\\ok.txt\n");
    AddSource("conflict", "c");
    AddSource("ok.txt", "ok");
    MakeInstallFolder();
    // Folders where a copy and the uninstaller copy should go.
    ASSERT_TRUE(CreateDirectoryA((inst + "conflict").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((win + "UNQUILLN.EXE").c_str(), nullptr));
    host.answers = {IDNO}; // no details

    const RunResult result = Run();
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.failures, 3);
    EXPECT_EQ(state.FailureLog, "<File> " + pkg +
                                    "missing.txt\r\nコピー元のファイルが見つかりません。\r\n\r\n"
                                    "<File> " +
                                    inst + "conflict\r\n" + ErrorText(ERROR_ACCESS_DENIED) +
                                    "\r\n"
                                    "<SetupFile> " +
                                    win + "UNQUILLN.EXE\r\n" + ErrorText(ERROR_ACCESS_DENIED) + "\r\n");
    EXPECT_NE(state.MessageLog.find("ファイルをコピーしています．．．一部失敗\r\n"), std::string::npos);
    EXPECT_EQ(Details(host)[0], "【コピー元】" + pkg + "missing.txt\r\n【コピー先】" + inst +
                                    "missing.txt\r\nファイルが存在しないためコピーをスキップしています．．．");

    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].caption, "警告");
    for (const std::string& e : host.events) EXPECT_EQ(e.rfind("details", 0), std::string::npos);
    // Only what is in place is recorded.
    EXPECT_EQ(RecordLines("DeleteFile", "File"), (Strings{inst + "ok.txt", inst + "UNSETUP.INI"}));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, UninstallKeyPath(title), "UninstallString"),
              Sz(win + "UNQUILLN.EXE \"" + inst + "UNSETUP.INI\"", REG_EXPAND_SZ))
        << "the entry names the uninstaller copy even when it failed";
}

TEST_F(Copy, ASourceThatVanishesMidRunSwitchesTheGaugeToEntries)
{
    WriteScript("[CopyFile]\nFile1=(App)\\gone.txt\nFile2=(App)\\b.txt\n");
    AddSource("gone.txt", std::string(900, 'g'));
    AddSource("b.txt", std::string(100, 'b'));
    MakeInstallFolder();
    ASSERT_TRUE(WriteFileBytes(inst + "gone.txt", "old"));
    // While the overwrite question is open the source disappears (a disk taken out).
    host.onQuestion = [&](const ScriptedHost::Question& q) {
        if (q.caption == "上書き確認") DeleteFileA((pkg + "gone.txt").c_str());
    };
    host.answers = {IDYES, IDOK, IDNO};

    const RunResult result = Run();
    ASSERT_EQ(result.outcome, RunOutcome::Completed);
    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[1].text, "ファイルサイズの取得に失敗したため、進行状況の表示方法を変更します。");
    EXPECT_EQ(host.questions[1].caption, "内部エラー");
    EXPECT_EQ(host.questions[1].flags, 48u);
    EXPECT_EQ(host.questions[2].caption, "警告");
    EXPECT_EQ(state.FailureLog, "<File> " + inst + "gone.txt\r\n" + ErrorText(ERROR_FILE_NOT_FOUND) + "\r\n");
    EXPECT_EQ(ReadFileBytes(inst + "gone.txt"), "old");
    EXPECT_EQ(CounterEvents(host), (Strings{"counter 1/2 50%", "counter 2/2 100%"}));
}

TEST_F(Copy, ALargeFileKeepsTheGaugeMovingAndTheWindowsAliveWhileItCopies)
{
    WriteScript("[CopyFile]\nFile1=(App)\\small.txt\nFile2=(App)\\large.bin\n");
    AddSource("small.txt", "s");
    AddSource("large.bin", std::string(24 << 20, 'L'));
    MakeInstallFolder();
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    // Every counter shown while large.bin was being copied: still at one entry done, the
    // gauge rising in bytes.
    std::vector<int> during;
    for (const std::string& e : host.events) {
        if (e.rfind("counter 1/2 ", 0) == 0) during.push_back(std::atoi(e.c_str() + 12));
    }
    ASSERT_GE(during.size(), 4u) << "the copy reported its progress as it went";
    for (std::size_t i = 1; i < during.size(); ++i) EXPECT_GE(during[i], during[i - 1]);
    EXPECT_LT(during.front(), 10);
    EXPECT_GE(during.back(), 99);
    EXPECT_EQ(ReadFileBytes(inst + "large.bin"), ReadFileBytes(pkg + "large.bin"));
    EXPECT_EQ(FileAge(inst + "large.bin"), FileAge(pkg + "large.bin")) << "the copy keeps the source's time";
}

TEST_F(Copy, AnExistingTargetIsReplacedOnlyWhenTheUserAgreesOrSlashWSaysSo)
{
    WriteScript("[CopyFile]\nFile1=(App)\\yes.txt\nFile2=(App)\\no.txt\nFile3=(App)\\forced.txt,/W\nFile4=(App)\\new.txt\n"
                "File5=(App)\\readonly.txt\n");
    MakeInstallFolder();
    for (const char* name : {"yes.txt", "no.txt", "forced.txt", "new.txt", "readonly.txt"}) AddSource(name, "new");
    for (const char* name : {"yes.txt", "no.txt", "forced.txt", "readonly.txt"})
        ASSERT_TRUE(WriteFileBytes(inst + name, "old"));
    ASSERT_TRUE(SetFileAttributesA((inst + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    // A date before 1980 (reproducible builds) is no reason to take a file for missing.
    SetWriteTime(inst + "no.txt", 1975, 6, 15, 12);
    SetWriteTime(pkg + "new.txt", 1975, 6, 15, 12);
    host.answers = {IDYES, IDNO, IDNO, IDYES};

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    ASSERT_EQ(host.questions.size(), 4u);
    const char* asked[] = {"yes.txt", "no.txt", "forced.txt", "readonly.txt"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(host.questions[i].text,
                  inst + asked[i] + "\r\n\r\nこのファイルは既に存在します。\r\n上書きしてもよろしいですか？");
        EXPECT_EQ(host.questions[i].caption, "上書き確認");
        EXPECT_EQ(host.questions[i].flags, 36u);
    }
    EXPECT_EQ(ReadFileBytes(inst + "yes.txt"), "new");
    EXPECT_EQ(ReadFileBytes(inst + "no.txt"), "old");
    EXPECT_EQ(ReadFileBytes(inst + "forced.txt"), "new");
    EXPECT_EQ(ReadFileBytes(inst + "new.txt"), "new");
    EXPECT_EQ(ReadFileBytes(inst + "readonly.txt"), "new");
    EXPECT_EQ(GetFileAttributesA((inst + "readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_EQ(RecordLines("DeleteFile", "File"),
              (Strings{inst + "yes.txt", inst + "no.txt", inst + "forced.txt,/W", inst + "new.txt",
                       inst + "readonly.txt", inst + "UNSETUP.INI"}));
}

TEST_F(Copy, AutomaticOverwriteReplacesOnlyOlderTargetsWithoutAsking)
{
    struct Row {
        const char* name;
        WORD targetDay, targetSecond; // source: day 10, 12:00:00
        bool replaced;
    };
    const Row rows[] = {
        {"older.txt", 9, 0, true},
        {"same.txt", 10, 0, false},
        // DOS times step by two seconds: one second is no difference.
        {"second.txt", 10, 1, false},
        {"newer.txt", 11, 0, false},
        {"forced.txt", 11, 0, true}, // flagged /W
    };
    std::string script = "[CopyFile]\n";
    int n = 0;
    MakeInstallFolder();
    for (const Row& row : rows) {
        script += "File" + std::to_string(++n) + "=(App)\\" + row.name +
                  (row.name == std::string("forced.txt") ? ",/W\n" : "\n");
        AddSource(row.name, "new");
        SetWriteTime(pkg + row.name, 2020, 1, 10, 12);
        ASSERT_TRUE(WriteFileBytes(inst + row.name, "old"));
        SetWriteTime(inst + row.name, 2020, 1, row.targetDay, 12, row.targetSecond);
    }
    WriteScript(script);
    host.options.overwrite = true;

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_TRUE(host.questions.empty());
    Strings recorded;
    for (const Row& row : rows) {
        EXPECT_EQ(ReadFileBytes(inst + row.name), row.replaced ? "new" : "old") << row.name;
        recorded.push_back(inst + row.name + (row.name == std::string("forced.txt") ? ",/W" : ""));
    }
    recorded.push_back(inst + "UNSETUP.INI");
    EXPECT_EQ(RecordLines("DeleteFile", "File"), recorded) << "files left alone are recorded too";
}

TEST_F(Copy, SharedFilesAreCountedBeforeTheCopyWhateverTheDecision)
{
    WriteScript("[CopyFile]\nFile1=(App)\\new.dll,/S\nFile2=(App)\\old.dll,/S\n");
    AddSource("new.dll", "n");
    AddSource("old.dll", "o");
    MakeInstallFolder();
    ASSERT_TRUE(WriteFileBytes(inst + "old.dll", "someone else's")); // there, but never counted
    host.answers = {IDYES};

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_EQ(SharedCount(inst + "new.dll"), 1);
    EXPECT_EQ(SharedCount(inst + "old.dll"), 2);
    EXPECT_EQ(RecordLines("DeleteFile", "File"),
              (Strings{inst + "new.dll,/S", inst + "old.dll,/S", inst + "UNSETUP.INI"}));

    // Installed again, declining both copies: each is one user more.
    host = ScriptedHost{};
    host.options.folder = RemoveBackslash(inst, "B");
    host.answers = {IDNO, IDNO};
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(SharedCount(inst + "new.dll"), 2);
    EXPECT_EQ(SharedCount(inst + "old.dll"), 3);
}

TEST_F(Copy, SlashRRegistersEveryTargetThatIsThere)
{
    const std::string log = scratch / "calls.log";
    ASSERT_TRUE(SetEnvironmentVariableA("QS_REGTEST_LOG", log.c_str()));
    WriteScript("[CopyFile]\nFile1=(App)\\comp.dll,/R\nFile2=(App)\\kept.dll,/R\nFile3=(App)\\gone.dll,/R\n");
    MakeInstallFolder();
    ASSERT_TRUE(CopyFileA(QS_REGTEST_OK, (pkg + "comp.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(QS_REGTEST_OK, (pkg + "kept.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(QS_REGTEST_OK, (inst + "kept.dll").c_str(), FALSE));
    host.answers = {IDNO}; // keep the kept.dll that is there

    const RunResult result = Run();
    SetEnvironmentVariableA("QS_REGTEST_LOG", nullptr);
    ASSERT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFileBytes(log), "register " + inst + "comp.dll\nregister " + inst + "kept.dll\n");
    ASSERT_EQ(host.questions.size(), 2u) << "the overwrite question and the failure question, no registration error";
    EXPECT_EQ(host.questions[0].caption, "上書き確認");
    EXPECT_EQ(host.questions[1].caption, "警告");
}

TEST_F(Copy, CompressedSourcesAreExpandedUnderTheirStoredOrTheirNewName)
{
    WriteScript(
        "[MakeFolder]\nFolder1=(App)\\Docs\n[CopyFile]\nFile1=(App)\\Docs\\readme.tx_\nFile2=(App)\\RANDOM.BI_|random.dat\n");
    // The source name in lower case: the installed name is the stored one, in upper case.
    ASSERT_TRUE(CopyFileA(QS_SZDD_DIR "README.TX_", (pkg + "readme.tx_").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(QS_SZDD_DIR "RANDOM.BI_", (pkg + "RANDOM.BI_").c_str(), FALSE));
    MakeInstallFolder();

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFileBytes(inst + "Docs\\README.TXT"), ReadFileBytes(QS_SZDD_DIR "README.TXT"));
    EXPECT_EQ(ReadFileBytes(inst + "random.dat"), ReadFileBytes(QS_SZDD_DIR "RANDOM.BIN"));
    EXPECT_FALSE(Exists(inst + "Docs\\AUTO.EXT"));
    EXPECT_FALSE(Exists(tmp + "EXPAND.QST")) << "the expansion file is removed after each copy";
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(RecordLines("DeleteFile", "File"),
              (Strings{inst + "Docs\\README.TXT", inst + "random.dat", inst + "UNSETUP.INI"}));
    const Strings details = Details(host);
    ASSERT_EQ(details.size(), 3u);
    EXPECT_EQ(details[1], "【コピー元】EXPAND.QST\r\n【コピー先】" + inst + "Docs\\README.TXT\r\n");
    EXPECT_EQ(details[2], "【コピー元】EXPAND.QST\r\n【コピー先】" + inst + "random.dat\r\n");

    // The gauge counts the compressed sources' sizes.
    const auto first = ReadFileBytes(pkg + "readme.tx_").size();
    const auto second = ReadFileBytes(pkg + "RANDOM.BI_").size();
    EXPECT_EQ(CounterEvents(host),
              (Strings{"counter 1/2 " + std::to_string(first * 100 / (first + second)) + "%", "counter 2/2 100%"}));
}

namespace {

class LockedTarget : public InstallTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override { pendingBefore = ReadPendingRenames(); }
    void TearDown() override
    {
        WritePendingRenames(pendingBefore);
        InstallTest::TearDown();
    }
    std::optional<std::string> pendingBefore;
};

} // namespace

TEST_P(LockedTarget, IsReplacedAtTheNextStartAndTheEndOffersARestart)
{
    const int choice = GetParam();
    // A program to start afterwards that is not there: any attempt to start it shows.
    // A missing source as well: both words on the copy line.
    WriteScript("[CopyFile]\nFile1=(App)\\locked.dll,/W\nFile2=(App)\\missing.txt\n"
                "[ExecuteFile]\nFile=(App)\\nothere.exe,,CreateProcess\n");
    AddSource("locked.dll", "new");
    MakeInstallFolder();
    const std::string target = inst + "locked.dll";
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    host.completionChoice = choice;
    host.options.overwrite = true;
    host.answers = {IDNO}; // no failure details
    RunResult result;
    {
        HeldFile held(QS_HOLDFILE_EXE, target);
        ASSERT_TRUE(held.held());
        result = Run();
    }

    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.failures, 1);
    EXPECT_TRUE(result.restartNeeded);
    EXPECT_NE(state.MessageLog.find("ファイルをコピーしています．．．一部失敗・ロックファイルあり\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(target), "old") << "replaced only at the restart";
    const std::string temporary = win + "QSTMP1.TMP";
    EXPECT_EQ(ReadFileBytes(temporary), "new");
    using namespace std::string_literals;
    std::string before = pendingBefore.value_or("");
    if (!before.empty() && before.back() == '\0') before.pop_back();
    EXPECT_EQ(ReadPendingRenames().value_or(""), before + "\\??\\" + temporary + "\0!\\??\\"s + target + "\0\0"s);
    EXPECT_EQ(RecordLines("DeleteFile", "File"), (Strings{target + ",/W", inst + "UNSETUP.INI"}));

    EXPECT_EQ(host.completion.message, "　インストールを完了するには、Windowsを再起動する必要があります。\r\n\r\n"
                                       "　Windowsの再起動を選択した場合、現在稼動している他のプログラムは強制的に終了され、"
                                       "かつ、終了後プログラムは実行されませんので、十分にご注意ください。"
                                       "\r\n\r\n【インストーラ終了後、以下のプログラムが実行されます。】\r\n\r\n"
                                       "(CreateProcess APIを利用します。)\r\n" +
                                           inst + "nothere.exe ");
    EXPECT_EQ(host.completion.option1, "はい、Windowsを再起動します。(&Y)");
    EXPECT_EQ(host.completion.option2, "いいえ、Windowsは再起動せずに、プログラムを実行します。(&N)");

    if (choice == 1) {
        EXPECT_EQ(host.restarts, 1);
        EXPECT_TRUE(result.restarted);
        EXPECT_EQ(state.RebootRequired, 1);
        EXPECT_EQ(host.questions.size(), 1u) << "the failure question only: no program is started";
    } else {
        EXPECT_EQ(host.restarts, 0);
        EXPECT_FALSE(result.restarted);
        EXPECT_EQ(state.RebootRequired, 0);
        // The program is started (and fails, being absent).
        ASSERT_EQ(host.questions.size(), 3u);
        EXPECT_EQ(host.questions[1].text,
                  "プログラム実行失敗\r\n" + inst + "nothere.exe \r\n\r\n" + ErrorText(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(host.questions[2].text, "終了後プログラムの起動に失敗しました。\r\n"
                                          "iniファイルの記述ミスの可能性があります。\r\n"
                                          "プログラム提供者へご報告ください。");
        EXPECT_EQ(host.questions[2].caption, "警告");
        EXPECT_EQ(host.questions[2].flags, 48u);
    }
    EXPECT_EQ(host.events.back(), "end");
}

INSTANTIATE_TEST_SUITE_P(RestartOrNot, LockedTarget, ::testing::Values(1, 2));

TEST_F(Copy, ATargetHeldWithWriteSharingIsOverwrittenInPlace)
{
    // A log or database kept open by a running program that lets others write, not rename.
    WriteScript("[CopyFile]\nFile1=(App)\\app.log,/W\n");
    AddSource("app.log", "new");
    MakeInstallFolder();
    const std::string target = inst + "app.log";
    ASSERT_TRUE(WriteFileBytes(target, "old contents"));
    RunResult result;
    {
        HeldFile held(QS_HOLDFILE_EXE, target, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(held.held()) << held.error();
        result = Run();
        EXPECT_EQ(ReadFileBytes(target), "new") << "replaced at once";
    }
    EXPECT_EQ(result.failures, 0);
    EXPECT_FALSE(result.restartNeeded);
    EXPECT_NE(state.MessageLog.find("ファイルをコピーしています．．．完了\r\n"), std::string::npos);
    EXPECT_EQ(RecordLines("DeleteFile", "File"), (Strings{target + ",/W", inst + "UNSETUP.INI"}));
    Strings files;
    ListFiles(inst, files);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Strings{inst + "UNSETUP.INI", target})) << "no temporary copy left beside it";
}
