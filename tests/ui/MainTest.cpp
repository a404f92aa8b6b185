#include "ui/Main.h"

#include "ScriptedHost.h"
#include "TestSupport.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using M = TfrmMain;

// A wizard window in this process with a scripted host, on the message page.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_.TempFolder = temp_.path();
        state_.RunMode = "SETUP";
        ASSERT_TRUE(main_.Create(nullptr));
        main_.StartInstallRun = [this] { ++installRuns_; };
        main_.StartUninstallRun = [this] { ++uninstallRuns_; };
    }

    ScratchFolder temp_;
    AppState state_;
    ScriptedHost host_;
    TfrmMain main_{state_, host_};
    int installRuns_ = 0;
    int uninstallRuns_ = 0;
};

} // namespace

TEST(FormatThousands, GroupsOfThree)
{
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(123456789), "123,456,789");
    EXPECT_EQ(FormatThousands(1099511627776LL), "1,099,511,627,776");
    EXPECT_EQ(FormatThousands(-1234), "-1,234");
}

TEST(FreeSpaceCaption, KnownUnknownAndGrouped)
{
    EXPECT_EQ(FreeSpaceCaption("R:\\Nowhere\\"), "インストールフォルダ(空き容量：不明)");
    const std::string c = FreeSpaceCaption("C:\\Program Files\\App\\");
    const std::string head = "インストールフォルダ(空き容量：";
    ASSERT_EQ(c.compare(0, head.size(), head), 0) << c;
    EXPECT_EQ(c.substr(c.size() - 5), "Byte)");
    EXPECT_NE(c.find(','), std::string::npos) << "a real drive has more than 999 bytes free: " << c;
    // A path without a drive measures the current drive.
    const std::string relative = FreeSpaceCaption("\\Program Files\\");
    EXPECT_EQ(relative.compare(0, head.size(), head), 0) << relative;
    EXPECT_EQ(relative.substr(relative.size() - 5), "Byte)");
}

TEST(ReadmeText, LineBreaksAndNulsAsAnEditBoxShowsThem)
{
    ScratchFolder folder;
    const std::string file = folder / "R.TXT";
    ASSERT_TRUE(WriteFileBytes(file, std::string("a\nb\r\nc\rd\0e\r\n", 12)));
    EXPECT_EQ(ReadmeText(file, 1000), "a\r\nb\r\nc\r\nd e\r\n");
    EXPECT_EQ(ReadmeText(file, 3), "a\r\nb") << "read up to the cap";
    EXPECT_EQ(ReadmeText(folder / "missing.txt", 1000), "");

    // A DOS end-of-file mark is blank; data with NULs is cut to its first 64 KiB.
    ASSERT_TRUE(WriteFileBytes(file, "end\x1a"));
    EXPECT_EQ(ReadmeText(file, 1000), "end ");
    std::string binary(200000, 'x');
    binary[10] = '\0';
    ASSERT_TRUE(WriteFileBytes(file, binary));
    EXPECT_EQ(ReadmeText(file, 1 << 20).size(), 65536u);
    ASSERT_TRUE(WriteFileBytes(file, std::string(200000, 'y')));
    EXPECT_EQ(ReadmeText(file, 1 << 20).size(), 200000u) << "text is not cut";
}

TEST_F(MainWindow, CreatedWithTheTablesInitialStates)
{
    EXPECT_EQ(GetText(main_.Handle()), "Quillon Installer");
    RECT client;
    GetClientRect(main_.Handle(), &client);
    EXPECT_EQ(client.right, 492);
    EXPECT_EQ(client.bottom, 298);
    EXPECT_EQ(main_.Text(M::kBtnEvent), "");
    EXPECT_FALSE(main_.Enabled(M::kBtnEvent));
    EXPECT_EQ(main_.Text(M::kBtnEnd), "セットアップ終了(&E)");
    EXPECT_FALSE(main_.Enabled(M::kBtnEnd));
    EXPECT_TRUE(main_.Checked(M::kChkOverWrite));
    EXPECT_TRUE(main_.Checked(M::kOptSelectType1));
    EXPECT_EQ(main_.Text(M::kLblFormShare), "Can't Delete");
    for (int id : {M::kFraTitle, M::kFraReadme, M::kGrpMessage, M::kGrpSetupFolder, M::kGrpOption, M::kFraSelectType,
                   M::kChkEULARead, M::kLblUnSetupInfo, M::kLblFormShare})
        EXPECT_FALSE(main_.Visible(static_cast<M::ControlId>(id))) << id;
    // Geometry inside the containers, as the table gives it.
    RECT r;
    GetWindowRect(main_.Control(M::kChkSCutStartUp), &r);
    MapWindowPoints(nullptr, main_.Control(M::kFraShortCut), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 232);
    EXPECT_EQ(r.top, 16);
    EXPECT_EQ(r.right - r.left, 105);
}

TEST_F(MainWindow, ShowPageSwitchesTheGroupsButNotTheFinalPage)
{
    main_.SetVisible(M::kFraSelectType, true);
    main_.ShowPage(true, false, false);
    EXPECT_TRUE(main_.Visible(M::kFraTitle));
    EXPECT_FALSE(main_.Visible(M::kGrpMessage));
    main_.ShowPage(false, true, true);
    EXPECT_FALSE(main_.Visible(M::kFraTitle));
    EXPECT_TRUE(main_.Visible(M::kFraReadme));
    for (int id : {M::kGrpMessage, M::kGrpSetupFolder, M::kGrpOption})
        EXPECT_TRUE(main_.Visible(static_cast<M::ControlId>(id)));
    EXPECT_TRUE(main_.Visible(M::kFraSelectType));
}

TEST_F(MainWindow, DispatchRulesByTheRememberedCaption)
{
    const auto click = [&](const std::string& caption) {
        main_.SetText(M::kBtnEvent, caption);
        main_.SetEnabled(M::kBtnEvent, true);
        main_.btnEventClick();
        // The start comes from a posted message, so a sent click returns at once.
        ProcessPendingMessages();
    };
    click("インストール開始(&S)");
    EXPECT_EQ(installRuns_, 1);
    click("インストール開始(&S)");
    EXPECT_EQ(installRuns_, 1) << "one run per program";
    click("アンインストール開始(&S)");
    EXPECT_EQ(uninstallRuns_, 0) << "the installer never starts the uninstall run";

    for (const char* finish : {"インストール完了(&E)", "アンインストール完了(&E)", "続行(&C)"}) {
        click(finish);
        EXPECT_FALSE(main_.Enabled(M::kBtnEvent)) << finish;
    }
    click("インストール続行(&C)");
    EXPECT_EQ(main_.Text(M::kBtnEvent), "インストール開始(&S)");
    EXPECT_TRUE(main_.Visible(M::kGrpMessage));
    click("何か");
    EXPECT_EQ(main_.Text(M::kBtnEvent), "何か");
    EXPECT_EQ(installRuns_, 1);
}

TEST_F(MainWindow, EqualWordsStartOnlyTheRunOfTheRole)
{
    state_.SetupWord = state_.UnSetupWord = "処理";
    main_.SetText(M::kBtnEvent, "処理開始(&S)");
    main_.btnEventClick();
    ProcessPendingMessages();
    EXPECT_EQ(installRuns_, 1);
    EXPECT_EQ(uninstallRuns_, 0);

    // The uninstaller's wizard, with the same words.
    state_.RunMode = "UNSETUP";
    TfrmMain uninstaller(state_, host_);
    ASSERT_TRUE(uninstaller.Create(nullptr));
    uninstaller.StartInstallRun = [this] { ++installRuns_; };
    uninstaller.StartUninstallRun = [this] { ++uninstallRuns_; };
    uninstaller.SetText(M::kBtnEvent, "処理続行(&C)");
    uninstaller.btnEventClick();
    EXPECT_EQ(uninstaller.Text(M::kBtnEvent), "処理開始(&S)");
    uninstaller.btnEventClick();
    ProcessPendingMessages();
    EXPECT_EQ(uninstallRuns_, 1);
    EXPECT_EQ(installRuns_, 1);
}

TEST_F(MainWindow, CloseQuestionOnlyWhileTheWizardIsOpen)
{
    HWND background = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_DISABLED, 0, 0, 1, 1, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    const ScopeExit destroy([&] { DestroyWindow(background); });
    main_.background = background;
    main_.SetText(M::kBtnEnd, "インストール終了(&E)");
    main_.SetEnabled(M::kBtnEvent, true);

    host_.answers = {IDNO, IDYES};
    EXPECT_FALSE(main_.FormCloseQuery());
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].text, "インストール/アンインストールは終了していません。\r\n終了してもよろしいですか？");
    EXPECT_EQ(host_.questions[0].caption, "終了確認");
    EXPECT_EQ(host_.questions[0].flags, 36u);
    EXPECT_EQ(state_.LastAnswer, IDNO);
    EXPECT_FALSE(IsWindowEnabled(background));
    EXPECT_TRUE(main_.FormCloseQuery());
    EXPECT_TRUE(IsWindowEnabled(background)) << "leaving confirmed";
    EXPECT_EQ(main_.ModalResult(), 1);

    // Once confirmed, and on the licence, fatal and refused states: no question.
    for (const char* end : {"インストール終了(&E)", "同意しない(&N)", "終了(&E)"}) {
        main_.SetText(M::kBtnEnd, end);
        EXPECT_TRUE(main_.FormCloseQuery());
        EnableWindow(background, FALSE);
    }
    main_.SetText(M::kBtnEnd, "インストール終了(&E)");
    main_.SetEnabled(M::kBtnEvent, false);
    EXPECT_TRUE(main_.FormCloseQuery());
    EXPECT_EQ(host_.questions.size(), 2u);
}

TEST_F(MainWindow, ClosingRemovesEveryWorkFolderButNothingElse)
{
    for (const char* name : {"QSTMP1", "QSTMP2", "QSTMP99", "QSTMP100", "OTHER"}) {
        CreateDirectoryA((temp_ / name).c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(temp_ / name + "\\f.txt", "x"));
    }
    CreateDirectoryA((temp_ / "QSTMP3").c_str(), nullptr); // empty
    CreateDirectoryA((temp_ / "QSTMP2\\sub").c_str(), nullptr);
    main_.FormClose();
    for (const char* gone : {"QSTMP1", "QSTMP2", "QSTMP3", "QSTMP99"})
        EXPECT_EQ(GetFileAttributesA((temp_ / gone).c_str()), INVALID_FILE_ATTRIBUTES) << gone;
    for (const char* kept : {"QSTMP100\\f.txt", "OTHER\\f.txt"})
        EXPECT_NE(GetFileAttributesA((temp_ / kept).c_str()), INVALID_FILE_ATTRIBUTES) << kept;
}

TEST_F(MainWindow, ReadmeScrollBarsRecreateTheBoxWithItsText)
{
    main_.SetText(M::kTxtReadme, "long line");
    main_.SetReadmeScrollBars("ssBoth");
    HWND box = main_.Control(M::kTxtReadme);
    const LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & ES_AUTOHSCROLL) << "long lines scroll instead of wrapping";
    EXPECT_EQ(main_.Text(M::kTxtReadme), "long line");
    EXPECT_EQ(GetDlgCtrlID(box), M::kTxtReadme);
    main_.SetReadmeScrollBars("ssNone");
    EXPECT_EQ(main_.Control(M::kTxtReadme), box) << "unknown values leave the bars";
    main_.SetReadmeScrollBars("ssVertical");
    EXPECT_FALSE(GetWindowLongPtrA(main_.Control(M::kTxtReadme), GWL_STYLE) & WS_HSCROLL);
}
