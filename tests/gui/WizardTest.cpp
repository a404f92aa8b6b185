// The real SETUP.EXE under Wine, driven from this process: the title page, the checker,
// the licence and readme pages, the message page, the start-up refusals, the fatal page,
// the uninstaller's panel, the close question, the work folders and the single instance.
#include "SetupDriver.h"
#include "TestSupport.h"
#include "ui/Main.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using M = TfrmMain;
const char kCrLf[] = "\r\n";

std::string WindowsFolder()
{
    char buf[MAX_PATH] = {};
    GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\";
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        pkg_ = root_ / "pkg\\";
        temp_ = root_ / "tmp\\";
        CreateDirectoryA(pkg_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(QS_SETUP_EXE, (pkg_ + "SETUP.EXE").c_str(), FALSE));
    }

    void Script(const std::string& text) { ASSERT_TRUE(WriteFileBytes(pkg_ + "SETUP.INI", text)); }

    // Starts the program and waits for its wizard window.
    HWND Start(const std::string& arguments = "", const std::vector<std::string>& environment = {})
    {
        setup_ = std::make_unique<SetupProcess>(pkg_ + "SETUP.EXE", arguments, temp_, environment);
        if (!setup_->Started()) return nullptr;
        main_ = setup_->WaitForWindow(M::kClassName, nullptr, kPatienceMs);
        return main_;
    }

    HWND C(int id) const { return ControlOf(main_, id); }
    std::string T(int id) const { return TextOf(C(id)); }
    // Waits until the control shows the text; the start-up and the pages work
    // asynchronously to this process.
    bool WaitText(int id, const std::string& text, DWORD timeoutMs = kPatienceMs) const
    {
        return WaitUntil([&] { return T(id) == text; }, timeoutMs);
    }
    void Click(int id) const { Press(C(id)); }

    // Answers the box with the caption and returns its text.
    std::string AnswerBox(const std::string& caption, int button)
    {
        HWND box = setup_->WaitForMessageBox(caption);
        if (!box) return "<no box " + caption + ">";
        const std::string text = MessageBoxText(box);
        Answer(box, button);
        WaitUntil([&] { return !IsWindow(box); });
        return text;
    }

    bool Ended(DWORD timeoutMs = kPatienceMs) { return setup_->WaitForExit(timeoutMs); }

    // Leaves with btnEnd, answering the close question with Yes when it comes: the
    // program either asks or ends.
    void Leave()
    {
        Click(M::kBtnEnd);
        HWND box = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (box = setup_->FindWindowOf("#32770", "終了確認")) || !setup_->Running(); }));
        if (box) Answer(box, IDYES);
        EXPECT_TRUE(Ended());
    }

    std::string TitleMessage(const std::string& s, const std::string& p) const
    {
        return "　" + p + " " + s + "プログラムへようこそ。この" + s + "プログラムは、あなたのコンピュータに " + p +
               " を" + s + "します。" + kCrLf + kCrLf + "　" + s +
               "を開始する前に、必ず、すべてのWindowsプログラムを終了させてください。" + kCrLf + kCrLf + "　「" + s +
               "終了(E)」を選択すると、" + s + "を行わずに" + s + "プログラムを終了します。" + s +
               "を続行する場合は、「" + s + "続行(C)」を選択してください。" + kCrLf + kCrLf + "【注意】" + kCrLf +
               "　Administrator権限での" + s + "を推奨します。" + "Administrator権限を持たないユーザーでの" + s +
               "は、正常に処理が行われない場合があります。";
    }

    ScratchFolder root_;
    std::string pkg_, temp_;
    std::unique_ptr<SetupProcess> setup_;
    HWND main_ = nullptr;
};

const char kBasicScript[] = "[Title]\r\nSetup=テスト製品\r\nProgram=テストプログラム\r\n";

} // namespace

TEST_F(Wizard, TitlePageWithDefaultWordsAndTheCloseQuestion)
{
    Script(kBasicScript);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_EQ(T(M::kBtnEnd), "インストール終了(&E)");
    EXPECT_TRUE(IsEnabled(C(M::kBtnEvent)));
    EXPECT_TRUE(IsEnabled(C(M::kBtnEnd)));
    EXPECT_EQ(TextOf(main_), "テスト製品");
    // The prefix runs as a recent NT system: "Windows", with the administrator note.
    EXPECT_EQ(T(M::kLblTitleA2), "Quillon Installer(on Windows)");
    EXPECT_EQ(T(M::kLblTitleA1), "汎用インストーラ");
    EXPECT_EQ(T(M::kLblTitleMessage), TitleMessage("インストール", "テストプログラム"));
    EXPECT_TRUE(IsShown(C(M::kFraTitle)));
    for (int id : {M::kFraReadme, M::kGrpMessage, M::kGrpSetupFolder, M::kGrpOption, M::kFraSelectType})
        EXPECT_FALSE(IsShown(C(id))) << id;
    EXPECT_EQ(T(M::kLblFormShare), "Can't Delete");

    // The background: caption with the version label, title and the built-in credits.
    HWND back = setup_->FindWindowOf("TfrmBack", nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(TextOf(back), "Quillon Installer Version1.00β1(Build:0000/D3)");
    EXPECT_FALSE(IsWindowEnabled(back)) << "leaving is not confirmed yet";

    // The close question: No keeps the program, Yes leaves.
    Click(M::kBtnEnd);
    EXPECT_EQ(AnswerBox("終了確認", IDNO),
              std::string("インストール/アンインストールは終了していません。") + kCrLf + "終了してもよろしいですか？");
    EXPECT_FALSE(Ended(1000));
    EXPECT_EQ(T(M::kBtnEvent), "インストール続行(&C)");
    Click(M::kBtnEnd);
    AnswerBox("終了確認", IDYES);
    EXPECT_TRUE(Ended());
}

TEST_F(Wizard, CustomWordsCarryThroughToTheMessagePage)
{
    Script(std::string(kBasicScript) + "[Extend]\r\nSetupString=セットアップ\r\nUnSetupString=削除\r\n");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "セットアップ続行(&C)"));
    EXPECT_EQ(T(M::kBtnEnd), "セットアップ終了(&E)");
    EXPECT_EQ(T(M::kLblTitleMessage), TitleMessage("セットアップ", "テストプログラム"));
    Click(M::kBtnEvent);
    // Neither licence nor readme: straight to the message page.
    ASSERT_TRUE(WaitText(M::kBtnEvent, "セットアップ開始(&S)"));
    EXPECT_EQ(T(M::kBtnEnd), "セットアップ終了(&E)");
    EXPECT_EQ(T(M::kGrpOption), "セットアップオプション");
    EXPECT_EQ(T(M::kLblMessage), std::string("セットアップを行います。") + kCrLf);
    EXPECT_FALSE(IsShown(C(M::kFraTitle)));
    Click(M::kBtnEnd);
    EXPECT_EQ(AnswerBox("終了確認", IDYES),
              std::string("セットアップ/削除は終了していません。") + kCrLf + "終了してもよろしいですか？");
    EXPECT_TRUE(Ended());
}

TEST_F(Wizard, LicenceAgreementFollowsTheBoxAndDecliningLeavesWithoutQuestion)
{
    Script(std::string(kBasicScript) + "[EULA]\r\nFile=\\EULA.TXT\r\n");
    ASSERT_TRUE(WriteFileBytes(pkg_ + "EULA.TXT", "第1条 使用許諾\nLF only line\r\n表示"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "同意する(&A)"));
    EXPECT_EQ(T(M::kBtnEnd), "同意しない(&N)");
    EXPECT_EQ(T(M::kFraReadme), "使用許諾契約書");
    EXPECT_EQ(T(M::kTxtReadme), std::string("第1条 使用許諾") + kCrLf + "LF only line" + kCrLf + "表示");
    EXPECT_TRUE(IsShown(C(M::kFraReadme)));
    EXPECT_TRUE(IsShown(C(M::kChkEULARead)));
    EXPECT_EQ(T(M::kChkEULARead), "上記「使用許諾契約書」を確認のうえ、");
    EXPECT_FALSE(IsEnabled(C(M::kBtnEvent)));
    RECT memo;
    GetWindowRect(C(M::kTxtReadme), &memo);
    EXPECT_EQ(memo.bottom - memo.top, 217 - 24) << "the box takes the memo's last 24 pixels";

    Click(M::kChkEULARead);
    EXPECT_TRUE(WaitUntil([&] { return IsEnabled(C(M::kBtnEvent)); }));
    Click(M::kChkEULARead);
    EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(C(M::kBtnEvent)); }));

    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended()) << "declining closes without the close question";
    EXPECT_FALSE(setup_->FindWindowOf("#32770", "終了確認"));
}

TEST_F(Wizard, HiddenLicenceBoxThenTheReadmePage)
{
    Script(std::string(kBasicScript) +
           "[EULA]\r\nFile=EULA.TXT\r\nCheckBox=Hide\r\n[Readme]\r\nFile=README.TXT\r\nTitle=お読みください\r\n");
    ASSERT_TRUE(WriteFileBytes(pkg_ + "EULA.TXT", "licence"));
    ASSERT_TRUE(WriteFileBytes(pkg_ + "README.TXT", "readme\r\n2行目"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "同意する(&A)"));
    EXPECT_TRUE(IsEnabled(C(M::kBtnEvent))) << "no box to tick";
    EXPECT_FALSE(IsShown(C(M::kChkEULARead)));

    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_EQ(T(M::kFraReadme), "お読みください");
    EXPECT_EQ(T(M::kTxtReadme), "readme\r\n2行目");
    EXPECT_EQ(T(M::kBtnEnd), "インストール終了(&E)");
    EXPECT_TRUE(IsShown(C(M::kFraReadme)));
    EXPECT_FALSE(IsShown(C(M::kGrpMessage)));

    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール開始(&S)"));
    EXPECT_FALSE(IsShown(C(M::kFraReadme)));
    EXPECT_TRUE(IsShown(C(M::kGrpMessage)));
    Leave();
}

TEST_F(Wizard, MessagePageShowsFolderFreeSpaceAndOptions)
{
    Script(std::string(kBasicScript) +
           "[DefaultFolder]\r\nFolder=C:\\Quillon表示\\\r\n[ShortCut]\r\nName1=(Dsk)\\テスト\r\nName2=(sta)\\テスト\r\n"
           "[TopMessage]\r\nMessage2=二行目\r\n");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール開始(&S)"));
    EXPECT_EQ(T(M::kTxtFolder), "C:\\Quillon表示\\");
    EXPECT_EQ(T(M::kLblMessage), std::string(kCrLf) + "二行目" + kCrLf + kCrLf + kCrLf + kCrLf);
    const std::string caption = T(M::kGrpSetupFolder);
    const std::string head = "インストールフォルダ(空き容量：";
    ASSERT_EQ(caption.compare(0, head.size(), head), 0) << caption;
    const std::string number = caption.substr(head.size(), caption.size() - head.size() - 5);
    EXPECT_EQ(caption.substr(caption.size() - 5), "Byte)");
    ASSERT_FALSE(number.empty());
    for (std::size_t i = 0; i < number.size(); ++i) {
        const bool comma = (number.size() - i) % 4 == 0;
        EXPECT_EQ(number[i] == ',', comma) << number;
    }
    EXPECT_EQ(T(M::kGrpOption), "インストールオプション");
    for (int id : {M::kTxtFolder, M::kBtnRefer, M::kChkOverWrite, M::kChkHiSpeed}) EXPECT_TRUE(IsEnabled(C(id))) << id;
    EXPECT_TRUE(IsChecked(C(M::kChkOverWrite)));
    EXPECT_FALSE(IsChecked(C(M::kChkHiSpeed)));
    EXPECT_TRUE(IsChecked(C(M::kChkSCutDesktop)) && IsEnabled(C(M::kChkSCutDesktop)));
    EXPECT_TRUE(IsChecked(C(M::kChkSCutStartMenu)) && IsEnabled(C(M::kChkSCutStartMenu)));
    for (int id : {M::kChkSCutStartUp, M::kChkSCutSendTo}) {
        EXPECT_FALSE(IsChecked(C(id))) << id;
        EXPECT_FALSE(IsEnabled(C(id))) << id;
    }

    // Another drive that does not exist: the free space is unknown.
    SendMessageA(C(M::kTxtFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("R:\\Nowhere\\"));
    EXPECT_TRUE(WaitText(M::kGrpSetupFolder, "インストールフォルダ(空き容量：不明)"));
    Leave();
}

TEST_F(Wizard, LockedOptionsAreShownButDisabled)
{
    Script(std::string(kBasicScript) + "[Extend]\r\nEnabled=False\r\n[ShortCut]\r\nName1=(Sup)\\x\r\n");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール開始(&S)"));
    for (int id : {M::kTxtFolder, M::kBtnRefer, M::kChkOverWrite, M::kChkHiSpeed, M::kChkSCutDesktop,
                   M::kChkSCutStartMenu, M::kChkSCutStartUp, M::kChkSCutSendTo})
        EXPECT_FALSE(IsEnabled(C(id))) << id;
    EXPECT_TRUE(IsChecked(C(M::kChkSCutStartUp))) << "ticked, but the user cannot change it";
    EXPECT_TRUE(IsChecked(C(M::kChkOverWrite)));
    Leave();
}

TEST_F(Wizard, MissingScriptShowsTheFatalPage)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "処理開始(&S)"));
    EXPECT_EQ(T(M::kLblMessage),
              std::string("【致命的エラー → iniファイル読み込み失敗】") + kCrLf + kCrLf + "処理は続行できません。");
    EXPECT_FALSE(IsEnabled(C(M::kBtnEvent)));
    EXPECT_EQ(T(M::kBtnEnd), "終了(&E)");
    EXPECT_TRUE(IsEnabled(C(M::kBtnEnd)));
    for (int id : {M::kGrpMessage, M::kGrpSetupFolder, M::kGrpOption}) EXPECT_TRUE(IsShown(C(id))) << id;
    EXPECT_FALSE(IsShown(C(M::kFraTitle)));
    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended()) << "the fatal page leaves without a question";
}

TEST_F(Wizard, RecordArgumentThatDoesNotExistIsFatal)
{
    Script(kBasicScript);
    ASSERT_TRUE(Start("\"" + root_.path() + "gone\\UNSETUP.INI\""));
    ASSERT_TRUE(WaitText(M::kBtnEvent, "処理開始(&S)"));
    EXPECT_EQ(T(M::kLblMessage),
              std::string("【致命的エラー → iniファイル読み込み失敗】") + kCrLf + kCrLf + "処理は続行できません。");
    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended());
}

TEST_F(Wizard, RejectedSystemLeavesOnlyTheEndButton)
{
    Script(std::string(kBasicScript) + "[Extend]\r\nRejectOS=Windows 95,Windows 98\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(AnswerBox("警告", IDOK),
              std::string("このオペレーティングシステムへのインストールは、プログラム配布者により認められていません。") +
                  kCrLf + "詳細については、プログラム配布者へご確認ください。" + kCrLf +
                  "インストールを続行することはできません。");
    EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(C(M::kBtnEvent)); }));
    EXPECT_TRUE(IsShown(C(M::kFraTitle)));
    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended()) << "no close question while the event button is disabled";
}

TEST_F(Wizard, EarlierVersionRequiredAndRecommendedRemovalByFile)
{
    const std::string old = root_ / "old\\";
    CreateDirectoryA(old.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(old + "OLD.EXE", "x"));
    const std::string base = std::string(kBasicScript) + "[DefaultFolder]\r\nFolder=" + old + "\r\n";

    Script(base + "[Caution]\r\nUnInstallCheckEx=\\OLD.EXE\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(AnswerBox("エラー", IDOK),
              std::string("インストーラはチェック対象プログラムを検出しました。") + kCrLf +
                  "インストールを続行するためには、前バージョンのアンインストールを行う必要があります。");
    EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(C(M::kBtnEvent)); }));
    Click(M::kBtnEnd);
    ASSERT_TRUE(Ended());

    Script(base + "[Caution]\r\nUnInstallCheck=OLD.EXE\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(AnswerBox("警告", IDOK),
              std::string("インストーラはチェック対象プログラムを検出しました。") + kCrLf +
                  "パッケージ配布者は、前バージョンのプログラムのアンインストールを推奨しています。" + kCrLf +
                  "インストールはこのまま続行できますが、予期せぬ結果を招く可能性があります。" + kCrLf +
                  "できる限り中断して、前バージョンのアンインストールを行うことをお勧めします。");
    ASSERT_TRUE(setup_->Settled(main_)) << "the start-up goes on after the box";
    EXPECT_TRUE(IsEnabled(C(M::kBtnEvent))) << "a recommendation does not stop the wizard";
    Leave();
}

TEST_F(Wizard, EarlierVersionFoundByProgramId)
{
    const std::string id = "QSGUITEST" + std::to_string(GetCurrentProcessId());
    const std::string register_ = WindowsFolder() + "QUSET98.INI";
    const std::string old = root_ / "old\\";
    CreateDirectoryA(old.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(old + "UNSETUP.INI", "[Title]\r\nUnSetup=旧テスト製品\r\n"));
    ASSERT_TRUE(WritePrivateProfileStringA(id.c_str(), "Folder", old.c_str(), register_.c_str()));
    const ScopeExit cleanup([&] { WritePrivateProfileStringA(id.c_str(), nullptr, nullptr, register_.c_str()); });

    Script(std::string(kBasicScript) + "[Caution]\r\nUnInstallCheckEx=IDCheck:" + id + "\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(AnswerBox("エラー", IDOK),
              std::string("インストーラはチェック対象プログラム識別子を検出しました。") + kCrLf + "【旧テスト製品】" +
                  kCrLf + "インストールを続行するためには、上記プログラムのアンインストールを行う必要があります。");
    EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(C(M::kBtnEvent)); }));
    Click(M::kBtnEnd);
    ASSERT_TRUE(Ended());

    Script(std::string(kBasicScript) + "[Caution]\r\nUnInstallCheck=idcheck:" + id + "\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(AnswerBox("警告", IDOK),
              std::string("インストーラはチェック対象プログラム識別子を検出しました。") + kCrLf + "【旧テスト製品】" +
                  kCrLf + "パッケージ配布者は、上記プログラムのアンインストールを推奨しています。" + kCrLf +
                  "インストールはこのまま続行できますが、予期せぬ結果を招く可能性があります。" + kCrLf +
                  "できる限り中断して、前バージョンのアンインストールを行うことをお勧めします。");
    Leave();
}

TEST_F(Wizard, CheckerAllowingShowsItsMessage)
{
    Script(std::string(kBasicScript) + "[Extend]\r\nInstallChecker=CHECK.EXE\r\n");
    ASSERT_TRUE(CopyFileA(QS_CHECKER_EXE, (pkg_ + "CHECK.EXE").c_str(), FALSE));
    ASSERT_TRUE(Start("", {"QS_CHECKER_RESULT=ContinueInstall", "QS_CHECKER_MESSAGE=確認しました<改行>続行できます"}));
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    EXPECT_EQ(AnswerBox("情報", IDOK), std::string("確認しました") + kCrLf + "続行できます");
    EXPECT_TRUE(WaitText(M::kBtnEvent, "インストール開始(&S)"));
    EXPECT_FALSE(Exists(WindowsFolder() + "QSRESULT.INI")) << "the answer file is removed";
    Leave();
}

TEST_F(Wizard, CheckerRefusingOrNotAnsweringStopsTheWizard)
{
    Script(std::string(kBasicScript) + "[Extend]\r\nInstallChecker=\\CHECK.EXE\r\n");
    ASSERT_TRUE(CopyFileA(QS_CHECKER_EXE, (pkg_ + "CHECK.EXE").c_str(), FALSE));
    const std::string refusal = std::string("インストールチェック機能により、インストールは続行不可能と判断されました。") +
                                kCrLf + "詳細については、プログラム配布者へご確認ください。" + kCrLf +
                                "インストールを続行することはできません。";
    for (const char* env : {"QS_CHECKER_RESULT=StopInstall", "QS_CHECKER_MODE=silent", "QS_CHECKER_MODE=crash"}) {
        SCOPED_TRACE(env);
        ASSERT_TRUE(Start("", {env}));
        ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
        Click(M::kBtnEvent);
        EXPECT_EQ(AnswerBox("警告", IDOK), refusal);
        EXPECT_TRUE(WaitUntil([&] { return IsEnabled(C(M::kBtnEnd)); }));
        EXPECT_FALSE(IsEnabled(C(M::kBtnEvent)));
        Click(M::kBtnEnd);
        EXPECT_TRUE(Ended());
    }
}

TEST_F(Wizard, UninstallerPanelForTheRecordsCheckBoxes)
{
    const std::string folder = root_ / "inst\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + "UNSETUP.INI",
                               "[Title]\r\nUnSetup=テスト製品の削除\r\n[SetupFolder]\r\nFolder=" + folder +
                                   "\r\n[UnSetupOption]\r\nCheckBox=1,0,1,0\r\nCheckBox3=*.LOG\r\n"));
    ASSERT_TRUE(Start("\"" + folder + "UNSETUP.INI\""));
    ASSERT_TRUE(WaitText(M::kBtnEvent, "アンインストール開始(&S)"));
    EXPECT_EQ(TextOf(main_), "テスト製品の削除");
    EXPECT_EQ(T(M::kBtnEnd), "アンインストール終了(&E)");
    EXPECT_EQ(T(M::kTxtFolder), folder);
    EXPECT_TRUE(IsEnabled(C(M::kTxtFolder)));
    EXPECT_TRUE(GetWindowLongPtrA(C(M::kTxtFolder), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(IsEnabled(C(M::kBtnRefer)));
    EXPECT_EQ(T(M::kGrpSetupFolder), "アンインストールフォルダ");
    EXPECT_EQ(T(M::kGrpOption), "アンインストールオプション");
    EXPECT_EQ(T(M::kFraShortCut), "ファイルの追加削除");
    EXPECT_FALSE(IsShown(C(M::kChkOverWrite)));
    EXPECT_FALSE(IsShown(C(M::kChkHiSpeed)));
    EXPECT_EQ(T(M::kLblMessage), std::string("アンインストールを行います。") + kCrLf + kCrLf +
                                     "開始するには、「アンインストール開始(S)」を選択してください。" + kCrLf);

    struct Box {
        int id;
        const char* caption;
        bool checked, enabled;
    };
    for (const Box& b : {Box{M::kChkSCutDesktop, "*.INI", true, true}, Box{M::kChkSCutStartMenu, "*.GID", false, true},
                         Box{M::kChkSCutStartUp, "*.LOG", true, true}, Box{M::kChkSCutSendTo, "", false, false}}) {
        EXPECT_EQ(T(b.id), b.caption);
        EXPECT_EQ(IsChecked(C(b.id)), b.checked) << b.caption;
        EXPECT_EQ(IsEnabled(C(b.id)), b.enabled) << b.caption;
        EXPECT_TRUE(IsShown(C(b.id)));
    }
    EXPECT_TRUE(IsShown(C(M::kLblUnSetupInfo)));
    EXPECT_EQ(
        T(M::kLblUnSetupInfo),
        "　アンインストールフォルダの中で、コピーされたファイル以外に追加削除するファイルをチェック(選択)してください。");
    Leave();
}

TEST_F(Wizard, UninstallerPanelForDeleteAllAndTheReadmeBeforeRemoval)
{
    const std::string folder = root_ / "inst\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + "BEFORE.TXT", "消す前に"));
    ASSERT_TRUE(WriteFileBytes(folder + "UNSETUP.INI", "[SetupFolder]\r\nFolder=" + folder +
                                                           "\r\n[UnSetupOption]\r\nCheckBox=DeleteAll\r\n"
                                                           "[BeforeUnInstall]\r\nReadmeFile=\\BEFORE.TXT\r\n"));
    ASSERT_TRUE(Start("\"" + folder + "UNSETUP.INI\""));
    ASSERT_TRUE(WaitText(M::kFraReadme, "アンインストールの前にお読みください。"));
    EXPECT_EQ(T(M::kBtnEvent), "アンインストール続行(&C)");
    EXPECT_EQ(T(M::kTxtReadme), "消す前に");
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "アンインストール開始(&S)"));
    EXPECT_EQ(T(M::kChkSCutDesktop), "アンインストールフォルダ以下の全ファイル・フォルダ");
    EXPECT_TRUE(IsChecked(C(M::kChkSCutDesktop)));
    EXPECT_TRUE(IsEnabled(C(M::kChkSCutDesktop)));
    for (int id : {M::kChkSCutStartMenu, M::kChkSCutStartUp, M::kChkSCutSendTo}) {
        EXPECT_FALSE(IsShown(C(id))) << id;
        EXPECT_FALSE(IsChecked(C(id))) << id;
    }
    Leave();
}

TEST_F(Wizard, SecondInstanceEndsSilently)
{
    Script(kBasicScript);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    SetupProcess second(pkg_ + "SETUP.EXE", "", temp_);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit(kPatienceMs));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(second.FindWindowOf("TfrmBack", nullptr));
    EXPECT_FALSE(second.FindWindowOf(M::kClassName, nullptr));
    // A deployment tool's run is told that another installation is in progress, and retries.
    SetupProcess deployed(pkg_ + "SETUP.EXE", "/VERYSILENT /SUPPRESSMSGBOXES", temp_);
    EXPECT_TRUE(deployed.WaitForExit(kPatienceMs));
    EXPECT_EQ(deployed.ExitCode(), 1618u);
    EXPECT_TRUE(setup_->Running());
    EXPECT_FALSE(Exists(temp_ + "QSTMP2")) << "the second instance made no work folder";
    Leave();
}

TEST_F(Wizard, WorkFolderAfterFiveOthersAndAllRemovedOnClosing)
{
    for (int n = 1; n <= 5; ++n) {
        const std::string folder = temp_ + "QSTMP" + std::to_string(n);
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(folder + "\\left.txt", "from an earlier run"));
    }
    Script(kBasicScript);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_TRUE(Exists(temp_ + "QSTMP6\\SETUPQ.EXE"));
    EXPECT_EQ(ReadFileBytes(temp_ + "QSTMP6\\SETUP.INI"), kBasicScript);
    EXPECT_FALSE(Exists(temp_ + "QSTMP7"));
    Leave();
    for (int n = 1; n <= 6; ++n) EXPECT_FALSE(Exists(temp_ + "QSTMP" + std::to_string(n))) << n;
}

TEST_F(Wizard, UnusableTemporaryFolderGivesTheFatalPage)
{
    Script(kBasicScript);
    // TMP names a file: no work folder can be made under it, so no script copy either.
    temp_ = pkg_ + "SETUP.INI\\";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "処理開始(&S)"));
    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(ReadFileBytes(pkg_ + "SETUP.INI"), kBasicScript) << "the script itself is untouched";
}

TEST_F(Wizard, GarbageScriptAndHugeLicenceStillGiveAWorkingWizard)
{
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    const std::string longValue(40000, 'x');
    Script(garbage + "\r\n[Title]\r\nProgram=" + longValue + "\r\n[EULA]\r\nFile=EULA.BIN\r\n");
    std::string licence;
    for (int i = 0; i < (6 << 20); ++i) licence += static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileBytes(pkg_ + "EULA.BIN", licence));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_NE(T(M::kLblTitleMessage).find(longValue), std::string::npos);
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "同意する(&A)"));
    EXPECT_GE(T(M::kTxtReadme).size(), 65536u) << "the beginning of data that is no text";
    Click(M::kBtnEnd);
    EXPECT_TRUE(Ended());
}

TEST_F(Wizard, EmptyScriptGivesTheDefaults)
{
    Script("");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_EQ(TextOf(main_), "Quillon Setup");
    EXPECT_EQ(T(M::kLblTitleMessage), TitleMessage("インストール", ""));
    Leave();
}

TEST_F(Wizard, NinetyNineWorkFoldersReuseTheLastAndAllGoOnClosing)
{
    for (int n = 1; n <= 99; ++n) {
        const std::string folder = temp_ + "QSTMP" + std::to_string(n);
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(folder + "\\SETUP.INI", "[Title]\r\nSetup=古い\r\n"));
    }
    Script(kBasicScript);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    EXPECT_EQ(TextOf(main_), "テスト製品") << "this run's script, not the one left in QSTMP99";
    EXPECT_EQ(ReadFileBytes(temp_ + "QSTMP99\\SETUP.INI"), kBasicScript);
    Leave();
    for (int n = 1; n <= 99; ++n) EXPECT_FALSE(Exists(temp_ + "QSTMP" + std::to_string(n))) << n;
}

TEST_F(Wizard, FolderBrowserChoiceUpdatesTheFolderAndTheFreeSpace)
{
    const ScratchFolder browsable(kBrowserParent);
    const std::string chosen = browsable / "選択先";
    ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
    SettleForBrowser(chosen);
    Script(kBasicScript);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール続行(&C)"));
    Click(M::kBtnEvent);
    ASSERT_TRUE(WaitText(M::kBtnEvent, "インストール開始(&S)"));
    // Typed without the final backslash; the browser's answer comes with one.
    SendMessageA(C(M::kTxtFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
    SendMessageA(C(M::kGrpSetupFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("old caption"));
    Click(M::kBtnRefer);
    // The browser opens at the folder in the box; OK takes it.
    HWND browser = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        browser = setup_->FindWindowOf("#32770", nullptr);
        return browser && GetWindow(browser, GW_OWNER) == main_;
    }));
    // A press before the browser has reached the folder would answer another one.
    HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    ASSERT_TRUE(tree);
    EXPECT_TRUE(WaitUntil([&] { return setup_->SelectedTreeItemText(tree) == "選択先"; }))
        << setup_->SelectedTreeItemText(tree);
    Answer(browser, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
    EXPECT_TRUE(WaitText(M::kTxtFolder, chosen + "\\")) << T(M::kTxtFolder);
    const std::string head = "インストールフォルダ(空き容量：";
    EXPECT_EQ(T(M::kGrpSetupFolder).compare(0, head.size(), head), 0) << T(M::kGrpSetupFolder);
    Leave();
}
