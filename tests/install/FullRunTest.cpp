// A whole installation with every stage at work: the progress log, the events of the
// run windows, the questions, the failure details, the completion, and what lands on
// disk and in the registry, down to the record and the installed-programs entry.
#include "InstallFixture.h"

#include "foundation/uStrOp.h"

using namespace install_test;

namespace {

const char* const kFullScript = R"([Title]
UnSetupKey=QuillonTest Key @PID@
UnSetupDisplay=表示ソフト @PID@
[ProgramID]
ID=QTEST@PID@
[Support]
Publisher=表示ソフト株式会社
URLInfoAbout=http://example.com/about
DisplayVersion=1.2.3
Contact=サポート窓口
HelpLink=%ProgramFiles%\help.htm
HelpTelephone=03-1234-5678
Readme=(App)\readme.txt
URLUpdateInfo=http://example.com/update
Comments=能力テスト
[Extend]
UnSetupOption=1,0,1,0
UnSetupCheckBox3=*.bak
[BeforeUnInstall]
ReadmeFile=\readme.txt
File=cleanup.exe,/quiet
[MakeFolder]
Folder1=(App)\Data
Folder2=(App)\Data\Sub
Folder3=(App)\Nope\Deep
[CopyFile]
File1=(App)\app.exe
File2=(App)\Data\data.bin,/C
[ShortCut]
Make1=(App)\app.exe,-run
Name1=(Sta)\表示ソフト\App
[Registry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\Full
Name1=Folder
Value1=(Pdd)(Str)(App)
[IniFile]
Data1=Settings,Folder,(App),(App)\app.ini
[DeleteRegistry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\Full
[AddDeleteFile]
File1=(App)\*.log
[Relate]
Name1=@EXT@,テスト文書
File1=open,(App)\app.exe,"%1",,0
)";

class FullRun : public InstallTest {
protected:
    void SetUp() override
    {
        ext = Extension("full");
        // Start-up has read the general sections.
        state.ProgramId = "QTEST" + Pid();
        uninstallKeys.push_back("QuillonTest Key " + Pid());
        WriteScript(ReplaceToken(kFullScript, "@EXT@", ext));
        AddSource("app.exe", std::string(300, 'a'));
        AddSource("data.bin", std::string(700, 'd'));
        // Create the folder, associate, show the failure details.
        host.answers = {IDYES, IDYES, IDYES};
    }
    std::string ext;
};

} // namespace

TEST_F(FullRun, ProgressLogQuestionsAndEventsFollowTheStages)
{
    const RunResult result = Run();
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.failures, 1);
    EXPECT_FALSE(result.restartNeeded);
    EXPECT_FALSE(result.restarted);

    EXPECT_EQ(state.MessageLog,
              "インストールの情報を作成しています．．．完了\r\n"
              "インストールに必要な容量を調べています．．．完了\r\n"
              "ディスクの空き容量をチェックしています．．．完了\r\n"
              "インストールフォルダをチェックしています．．．完了\r\n"
              "フォルダを作成しています．．．一部失敗\r\n"
              "ファイルをコピーしています．．．完了\r\n"
              "ショートカットを作成しています．．．完了\r\n"
              "レジストリキーを作成しています．．．完了\r\n"
              "INIファイルを設定しています．．．完了\r\n"
              "関連付けを設定しています．．．完了\r\n"
              "アンインストール情報を更新しています．．．完了\r\n"
              "\r\n【処理完了】\r\n"
              "　プログラムのアンインストールは、「プログラム(アプリケーション)の追加と削除」から行うことができます。\r\n"
              "　「次へ(N)」をクリックして、インストールを完了してください。\r\n");

    // The greeting is shown first and is gone from the log.
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress[0].log, "インストールを開始します．．．\r\n\r\n");

    EXPECT_EQ(Details(host),
              (std::vector<std::string>{
                  "【作成中】 -> " + inst + "Data\\",
                  "【作成中】 -> " + inst + "Data\\Sub\\",
                  "【作成中】 -> " + inst + "Nope\\Deep\\",
                  "【コピー元】app.exe\r\n【コピー先】" + inst + "app.exe\r\n",
                  "【コピー元】data.bin\r\n【コピー先】" + inst + "Data\\data.bin\r\n",
                  "【作成元】" + inst + "app.exe\r\n【作成先】" + state.ProgramsFolder + "表示ソフト\\App\r\n",
              }));

    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[0].text, inst + "\r\n\r\nこのフォルダは存在しません。作成してもよろしいですか？");
    EXPECT_EQ(host.questions[0].caption, "フォルダ作成");
    EXPECT_EQ(host.questions[0].flags, 36u);
    EXPECT_EQ(host.questions[1].text,
              "拡張子 *." + ext + " を\r\n" + inst + "app.exe\r\nに関連付けします。よろしいですか？");
    EXPECT_EQ(host.questions[1].caption, "関連付けの確認");
    EXPECT_EQ(host.questions[1].flags, 36u);
    EXPECT_EQ(host.questions[2].text,
              "フォルダの作成・ファイルのコピーで、一部の処理が失敗しました。\r\n詳細を表示しますか？");
    EXPECT_EQ(host.questions[2].caption, "警告");
    EXPECT_EQ(host.questions[2].flags, 52u);
    EXPECT_EQ(state.LastAnswer, IDYES);

    const std::string failure = "<Folder> " + inst + "Nope\\Deep\\\r\n" + ErrorText(ERROR_PATH_NOT_FOUND) + "\r\n";
    EXPECT_EQ(state.FailureLog, failure);
    EXPECT_EQ(host.failureDetails, failure);

    // Gauge by bytes: 300 of 1000, then all.
    EXPECT_EQ(SteadyEvents(host.events), (std::vector<std::string>{"abort off",
                                                                   "begin 500",
                                                                   "pause 1000",
                                                                   "pause 350", // information
                                                                   "pause 350", // before sizing
                                                                   "pause 350", // free space
                                                                   "abort on",  // earlier record taken in
                                                                   "pause 350",
                                                                   "pause 350",
                                                                   "pause 350", // three folders
                                                                   "counter shown",
                                                                   "counter 1/2 30%",
                                                                   "pause 350",
                                                                   "counter 2/2 100%",
                                                                   "pause 350",
                                                                   "counter hidden",
                                                                   "pause 350", // the shortcut
                                                                   "abort off",
                                                                   "details 作成・コピー処理失敗　詳細表示",
                                                                   "next",
                                                                   "completion",
                                                                   "end"}));
    // The abort checks, by the line open at each: the other tests rely only on one being
    // made in every stage and before the closing steps.
    const std::string folders = "フォルダを作成しています．．．", copying = "ファイルをコピーしています．．．";
    EXPECT_EQ(host.abortChecks,
              (std::vector<std::string>{"インストールに必要な容量を調べています．．．",
                                        "インストールフォルダをチェックしています．．．", folders, folders, folders,
                                        copying, copying, copying, copying, "ショートカットを作成しています．．．",
                                        "レジストリキーを作成しています．．．", "INIファイルを設定しています．．．",
                                        "関連付けを設定しています．．．", ""}));

    // The closing step shows its dots behind the log without adding them to it, the
    // record's own dots after them.
    const std::string closing = state.MessageLog.substr(0,
                                                        state.MessageLog.find("アンインストール情報を更新しています") +
                                                            std::string("アンインストール情報を更新しています").size());
    std::vector<std::string> shown;
    for (const auto& p : host.progress)
        if (p.log.rfind(closing, 0) == 0) shown.push_back(p.log.substr(closing.size()));
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "", "．", "．．", "．．．", "．．．．", "．．．．．", "．．．．．．", "．．．．．．．",
                  "．．．．．．．．", "．．．．．．．．", "．．．完了\r\n",
                  "．．．完了\r\n\r\n【処理完了】\r\n"
                  "　プログラムのアンインストールは、「プログラム(アプリケーション)の追加と削除」から行うことができます。\r\n"
                  "　「次へ(N)」をクリックして、インストールを完了してください。\r\n"}));

    EXPECT_EQ(host.completion.message, "インストールを完了しました。");
    EXPECT_EQ(host.completion.option1, "インストーラを終了します。(&Y)");
    EXPECT_EQ(host.completion.option2, "");
    EXPECT_EQ(host.completion.finishCaption, "インストール完了(&E)");
    EXPECT_EQ(state.RebootRequired, 0);
    EXPECT_EQ(host.restarts, 0);
}

TEST_F(FullRun, EverythingListedIsInPlaceAndRecorded)
{
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);

    EXPECT_EQ(ReadFileBytes(inst + "app.exe"), std::string(300, 'a'));
    EXPECT_EQ(ReadFileBytes(inst + "Data\\data.bin"), std::string(700, 'd'));
    EXPECT_TRUE(Exists(inst + "Data\\Sub\\"));
    EXPECT_TRUE(Exists(state.ProgramsFolder + "表示ソフト\\App.lnk"));
    EXPECT_EQ(ReadFileBytes(win + "UNQUILLN.EXE"), "the running program");

    char folder[MAX_PATH] = {};
    GetPrivateProfileStringA(("QTEST" + Pid()).c_str(), "Folder", "", folder, MAX_PATH, (win + "QUSET98.INI").c_str());
    EXPECT_EQ(std::string(folder), inst);
    char ini[MAX_PATH] = {};
    GetPrivateProfileStringA("Settings", "Folder", "", ini, MAX_PATH, (inst + "app.ini").c_str());
    EXPECT_EQ(std::string(ini), inst);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, UserKey("Full"), "Folder"), Sz(RemoveBackslash(inst, "B")));

    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "." + ext, ""), Sz(ext + "_auto_file"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ext + "_auto_file", ""), Sz("テスト文書"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ext + "_auto_file\\DefaultIcon", ""), Sz(inst + "app.exe,0"));
    // A program path with a blank is quoted in the command.
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ext + "_auto_file\\shell\\open\\command", ""),
              Sz("\"" + inst + "app.exe\" \"%1\" "));

    EXPECT_EQ(Record(), ReplaceToken(Golden("full.ini"), "@EXT@", ext));
    EXPECT_FALSE(Exists(inst + "UNSETUP.INI.new"));

    // The installed-programs entry: these values and nothing else. (The registry lists
    // values by name, so the order they were written in cannot be seen here.)
    const std::string key = UninstallKeyPath("QuillonTest Key " + Pid());
    std::vector<std::pair<std::string, RegValue>> expected = {
        {"DisplayName", Sz("表示ソフト " + Pid())},
        {"UninstallString", Sz(win + "UNQUILLN.EXE \"" + inst + "UNSETUP.INI\"", REG_EXPAND_SZ)},
        {"DisplayIcon", Sz(win + "UNQUILLN.EXE")},
        {"Publisher", Sz("表示ソフト株式会社")},
        {"URLInfoAbout", Sz("http://example.com/about")},
        {"DisplayVersion", Sz("1.2.3")},
        {"Contact", Sz("サポート窓口")},
        {"HelpLink", Sz("%ProgramFiles%\\help.htm", REG_EXPAND_SZ)},
        {"HelpTelephone", Sz("03-1234-5678")},
        {"Readme", Sz("(App)\\readme.txt", REG_EXPAND_SZ)},
        {"URLUpdateInfo", Sz("http://example.com/update")},
        {"Comments", Sz("能力テスト")},
        // For deployment tools: app.exe and data.bin, 1,000 bytes, make 1 KB.
        {"EstimatedSize", RegValue{REG_DWORD, std::string("\x01\0\0\0", 4)}},
        {"InstallLocation", Sz(inst)},
        {"QuietUninstallString",
         Sz(win + "UNQUILLN.EXE \"" + inst + "UNSETUP.INI\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART", REG_EXPAND_SZ)},
        {"NoModify", RegValue{REG_DWORD, std::string("\x01\0\0\0", 4)}},
        {"NoRepair", RegValue{REG_DWORD, std::string("\x01\0\0\0", 4)}},
    };
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
    std::vector<std::pair<std::string, RegValue>> actual;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(k, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        actual.emplace_back(std::string(name, nameLength), *ReadValue(HKEY_LOCAL_MACHINE, key, name));
    }
    RegCloseKey(k);
    const auto byName = [](const auto& a, const auto& b) { return lstrcmpiA(a.first.c_str(), b.first.c_str()) < 0; };
    std::sort(actual.begin(), actual.end(), byName);
    std::sort(expected.begin(), expected.end(), byName);
    EXPECT_EQ(actual, expected);
}

TEST_F(FullRun, AtHighSpeedEveryPaceIsTenMilliseconds)
{
    host.options.hiSpeed = true;
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    std::vector<std::string> pauses;
    for (const std::string& e : host.events)
        if (e.rfind("pause ", 0) == 0) pauses.push_back(e);
    // The greeting keeps its second; each step waits 10 ms.
    ASSERT_GE(pauses.size(), 2u);
    EXPECT_EQ(pauses.front(), "pause 1000");
    for (std::size_t i = 1; i < pauses.size(); ++i) EXPECT_EQ(pauses[i], "pause 10");
    EXPECT_EQ(state.StepDelay, 10);
}
