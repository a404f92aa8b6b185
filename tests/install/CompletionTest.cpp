// The end of a run: the completion page in its layouts and what each choice does, the
// uninstaller copy by file age, and an installation without an uninstaller.
#include "InstallFixture.h"

using namespace install_test;

namespace {

using Completion = InstallTest;
using Strings = std::vector<std::string>;

const char* const kRestartText = "　インストールを完了するには、Windowsを再起動する必要があります。\r\n\r\n"
                                 "　Windowsの再起動を選択した場合、現在稼動している他のプログラムは強制的に終了され、"
                                 "かつ、終了後プログラムは実行されませんので、十分にご注意ください。";

// Waits until the file is there (at most 20 s).
bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 400 && !Exists(path); ++i) Sleep(50);
    return Exists(path);
}

// Removes the folder with its files once no program holds them or runs in it (at most
// 20 s).
bool WaitForRemoval(const std::string& folder)
{
    for (int i = 0; i < 400 && Exists(folder); ++i) {
        RemoveTree(folder);
        if (!Exists(folder)) break;
        Sleep(50);
    }
    return !Exists(folder);
}

} // namespace

TEST_F(Completion, StagesWithNothingToDoEndInTheirOwnWord)
{
    WriteScript("[Title]\nSetup=nothing\n");
    MakeInstallFolder();
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_EQ(state.MessageLog.substr(0, state.MessageLog.find("アンインストール情報")),
              "インストールの情報を作成しています．．．完了\r\n"
              "インストールに必要な容量を調べています．．．完了\r\n"
              "ディスクの空き容量をチェックしています．．．完了\r\n"
              "インストールフォルダをチェックしています．．．完了\r\n"
              "フォルダを作成しています．．．完了\r\n"
              "ファイルをコピーしています．．．完了\r\n"
              "ショートカットを作成しています．．．なし\r\n"
              "レジストリキーを作成しています．．．なし\r\n"
              "INIファイルを設定しています．．．なし\r\n"
              "関連付けを設定しています．．．なし\r\n");
    EXPECT_TRUE(host.questions.empty()) << "no failure question without failures";
    EXPECT_EQ(RecordLines("DeleteFile", "File"), (Strings{inst + "UNSETUP.INI"}));
}

TEST_F(Completion, ThePageOffersWhatTheScriptAsksFor)
{
    const std::string bin = scratch / "bin\\";
    ASSERT_TRUE(CreateDirectoryA(bin.c_str(), nullptr));
    const std::string sleeper = bin + "sleeper.exe";
    ASSERT_TRUE(CopyFileA(QS_SLEEPER_EXE, sleeper.c_str(), FALSE));
    const std::string marker = scratch / "started.txt";
    SetEnvironmentVariableA("QS_SLEEPER_MARKER", marker.c_str());
    SetEnvironmentVariableA("QS_SLEEPER_MS", "0");
    const std::string program = "\r\n\r\n【インストーラ終了後、以下のプログラムが実行されます。】\r\n\r\n";
    struct Row {
        const char* name;
        std::string file; // [ExecuteFile] File
        int choice;
        std::string message, option1, option2;
        bool restart;
        Strings questions;
    };
    const Row rows[] = {
        {"nothing to run", "", 1, "インストールを完了しました。", "インストーラを終了します。(&Y)", "", false, {}},
        {"a program through the shell",
         sleeper,
         1,
         "インストールを完了しました。" + program + "(ShellExecute APIを利用します。)\r\n" + sleeper + " ",
         "インストーラを終了して、プログラムを実行します。(&Y)",
         "",
         false,
         {}},
        {"restart chosen",
         "WINDOWS_REBOOT",
         1,
         kRestartText,
         "はい、Windowsを再起動します。(&Y)",
         "いいえ、Windowsは再起動せずに、インストーラーを終了します。(&N)",
         true,
         {}},
        {"restart declined",
         "WINDOWS_REBOOT",
         2,
         kRestartText,
         "はい、Windowsを再起動します。(&Y)",
         "いいえ、Windowsは再起動せずに、インストーラーを終了します。(&N)",
         false,
         {}},
        // Only the exact word asks for a restart; this is a program name the shell cannot
        // find, and only the shell's own warning is shown.
        {"restart word in lower case",
         "windows_reboot",
         1,
         "インストールを完了しました。" + program + "(ShellExecute APIを利用します。)\r\nwindows_reboot ",
         "インストーラを終了して、プログラムを実行します。(&Y)",
         "",
         false,
         {"プログラム実行失敗\r\nwindows_reboot \r\n\r\n" + ErrorText(ERROR_FILE_NOT_FOUND)}},
    };
    MakeInstallFolder();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteScript("[ExecuteFile]\nFile=" + row.file + "\n");
        host = ScriptedHost{};
        host.options.folder = RemoveBackslash(inst, "B");
        host.completionChoice = row.choice;
        DeleteFileA(marker.c_str());

        const RunResult result = Run();
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        EXPECT_EQ(host.completion.message, row.message);
        EXPECT_EQ(host.completion.option1, row.option1);
        EXPECT_EQ(host.completion.option2, row.option2);
        EXPECT_EQ(host.completion.finishCaption, "インストール完了(&E)");
        EXPECT_EQ(host.restarts, row.restart ? 1 : 0);
        EXPECT_EQ(result.restarted, row.restart);
        EXPECT_EQ(state.RebootRequired, row.restart ? 1 : 0);
        Strings texts;
        for (const auto& q : host.questions) {
            texts.push_back(q.text);
            EXPECT_EQ(q.caption, "警告");
            EXPECT_EQ(q.flags, 48u);
        }
        EXPECT_EQ(texts, row.questions);
        const Strings tail(host.events.end() - (row.restart ? 4 : 3), host.events.end());
        EXPECT_EQ(tail, row.restart ? (Strings{"next", "completion", "restart", "end"})
                                    : (Strings{"next", "completion", "end"}));
        if (row.file == sleeper) {
            // Started in its own folder.
            ASSERT_TRUE(WaitForFile(marker));
            EXPECT_EQ(ReadFileBytes(marker).rfind("cwd=" + RemoveBackslash(bin, "B") + "\r\n", 0), 0u)
                << ReadFileBytes(marker);
            // Until the program has ended and its folder can go.
            EXPECT_TRUE(WaitForRemoval(bin));
        }
    }
    SetEnvironmentVariableA("QS_SLEEPER_MARKER", nullptr);
    SetEnvironmentVariableA("QS_SLEEPER_MS", nullptr);
}

TEST_F(Completion, TheUninstallerCopyIsRefreshedOnlyByANewerProgram)
{
    SetWriteTime(work + "SETUPQ.EXE", 2020, 1, 10, 12);
    const std::string copy = win + "UNQUILLN.EXE";
    struct Row {
        const char* name;
        bool setupOnly;
        int targetDay;     // 0: no copy there yet
        const char* after; // "" when still missing
    };
    const Row rows[] = {
        {"missing", false, 0, "the running program"},
        {"older", false, 9, "the running program"},
        {"same age", false, 10, "old"},
        {"newer", false, 11, "old"},
        {"setup only, missing", true, 0, ""},
        {"setup only, older", true, 9, "the running program"},
    };
    MakeInstallFolder();
    WriteScript("[Title]\nSetup=copy\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(copy.c_str());
        if (row.targetDay) {
            ASSERT_TRUE(WriteFileBytes(copy, "old"));
            SetWriteTime(copy, 2020, 1, static_cast<WORD>(row.targetDay), 12);
        }
        state.UnSetupTitle = row.setupOnly ? title + " Setup Only." : title;
        host = ScriptedHost{};
        host.options.folder = RemoveBackslash(inst, "B");
        ASSERT_EQ(Run().outcome, RunOutcome::Completed);
        EXPECT_EQ(Exists(copy), *row.after != '\0');
        if (*row.after) {
            EXPECT_EQ(ReadFileBytes(copy), row.after);
        }
        EXPECT_TRUE(host.questions.empty());
    }
}

TEST_F(Completion, AProgramCopyThatIsNotThisProgramNeverBecomesTheUninstaller)
{
    // Start-up found another program's bytes in the copy (a reused work folder whose old
    // copy could not be replaced).
    ASSERT_TRUE(WriteFileBytes(work + "SETUPQ.EXE", "a program put there by someone else"));
    state.WorkLocks.programIsThisProgram = false;
    const std::string copy = win + "UNQUILLN.EXE";
    DeleteFileA(copy.c_str());
    MakeInstallFolder();
    WriteScript("[Title]\nSetup=copy\n");
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_FALSE(Exists(copy));
    EXPECT_EQ(state.FailureLog, "<SetupFile> " + copy + "\r\n" + ErrorText(ERROR_INVALID_DATA) + "\r\n");
}

TEST_F(Completion, SetupOnlyWritesTheRegisterButNoRecordNorEntry)
{
    state.UnSetupTitle = "Tool " + Pid() + " (setup only.)";
    state.SetupWord = "導入";
    state.UnSetupWord = "削除";
    state.ProgramId = "QONLY" + Pid();
    WriteScript("[CopyFile]\nFile1=(App)\\a.txt\n");
    AddSource("a.txt", "a");
    MakeInstallFolder();
    ASSERT_TRUE(WriteFileBytes(inst + "UNSETUP.INI", "[SetupFolder]\r\nFolder=earlier\r\n"));

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFileBytes(inst + "UNSETUP.INI"), "[SetupFolder]\r\nFolder=earlier\r\n") << "left untouched";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(state.UnSetupTitle)));
    EXPECT_FALSE(Exists(win + "UNQUILLN.EXE"));
    char folder[MAX_PATH] = {};
    GetPrivateProfileStringA(state.ProgramId.c_str(), "Folder", "", folder, MAX_PATH, (win + "QUSET98.INI").c_str());
    EXPECT_EQ(std::string(folder), inst);

    const std::string& log = state.MessageLog;
    const std::string end = "削除情報を更新しています．．．完了\r\n\r\n【処理完了】\r\n"
                            "　「次へ(N)」をクリックして、導入を完了してください。\r\n";
    ASSERT_GE(log.size(), end.size());
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
    EXPECT_EQ(host.completion.message, "導入を完了しました。");
    EXPECT_EQ(host.completion.finishCaption, "導入完了(&E)");
}
