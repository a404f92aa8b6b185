// The host of the real windows, in this process: the wait points are released by clicks
// that another thread posts, as a user's clicks arrive while a run waits.
#include "ui/WindowHost.h"

#include "TestSupport.h"
#include "ui/Back.h"
#include "ui/Controls.h"
#include "ui/CusDlg.h"
#include "ui/Main.h"
#include "ui/Status.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using M = TfrmMain;

// A user on another thread: waits until the condition holds, then posts a click to the
// button. The click comes in any case, so a wait point that never got ready is still
// released and the test fails instead of hanging.
class ClickWhen {
public:
    ClickWhen(std::function<bool()> condition, std::function<HWND()> button)
        : thread_([this, condition, button] {
              ready_ = WaitUntil(condition);
              PostMessageA(button(), BM_CLICK, 0, 0);
          })
    {
    }
    ~ClickWhen() { Join(); }
    // Waits for the click; false when the condition never held.
    bool Join()
    {
        if (thread_.joinable()) thread_.join();
        return ready_;
    }

private:
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

HWND FindBox(const char* caption)
{
    HWND box = FindWindowA("#32770", caption);
    return box && IsWindowVisible(box) ? box : nullptr;
}

class RealWindowsHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_.TempFolder = temp_.path();
        state_.RunMode = "SETUP";
        ASSERT_TRUE(back_.Create());
        ASSERT_TRUE(main_.Create(back_.Handle()));
        ASSERT_TRUE(status_.Create(back_.Handle()));
        ASSERT_TRUE(dialog_.Create(main_.Control(M::kLblFormShare)));
        status_.mainWindow = main_.Handle();
        status_.background = back_.Handle();
        status_.SetMainModalResult = [this](int r) { main_.SetModalResult(r); };
        host_.Attach(&back_, &main_, &status_, &dialog_);
        ShowWindow(main_.Handle(), SW_SHOW);
    }

    ScratchFolder temp_;
    AppState state_;
    WindowHost host_{state_, HostSettings{}};
    TfrmBack back_;
    TfrmMain main_{state_, host_};
    TfrmStatus status_{state_, host_};
    TfrmCustomDlg dialog_;
};

} // namespace

TEST_F(RealWindowsHost, AskUsesTheFlagsAndKeepsTheAnswer)
{
    HWND box = nullptr;
    ClickWhen answer([&] { return (box = FindBox("確認テスト")) != nullptr; }, [&] { return GetDlgItem(box, IDNO); });
    EXPECT_EQ(host_.Ask("本当に？", "確認テスト", 36), IDNO);
    EXPECT_TRUE(answer.Join());
    EXPECT_EQ(state_.LastAnswer, IDNO);
}

TEST_F(RealWindowsHost, RunWindowsAbortAndTheEnd)
{
    host_.BeginRun(0);
    EXPECT_FALSE(IsWindowVisible(main_.Handle()));
    EXPECT_TRUE(IsWindowVisible(status_.Handle()));
    EXPECT_FALSE(main_.Visible(M::kBtnEnd));
    RECT client{}, button{};
    GetClientRect(main_.Handle(), &client);
    GetWindowRect(main_.Control(M::kBtnEvent), &button);
    MapWindowPoints(nullptr, main_.Handle(), reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, (client.right - (button.right - button.left)) / 2) << "the event button is centred";
    host_.ShowProgress("ログ．．．", "詳細");
    EXPECT_EQ(GetText(status_.Control(TfrmStatus::kLblMessage)), "ログ．．．\r\n詳細");
    host_.ShowProgress("ログ．．．", "");
    EXPECT_EQ(GetText(status_.Control(TfrmStatus::kLblMessage)), "ログ．．．");
    host_.SetCounterVisible(true);
    EXPECT_TRUE(IsWindowVisible(status_.Control(TfrmStatus::kFraStatus)));
    EXPECT_EQ(GetText(status_.Control(TfrmStatus::kLblStatus)), "(0/0)");
    host_.ShowCounter(3, 12, 40);
    EXPECT_EQ(GetText(status_.Control(TfrmStatus::kLblStatus)), "(3/12)");
    EXPECT_EQ(status_.GaugeStatus().Progress(), 40) << "the gauge may measure bytes, the counter entries";
    host_.ShowCounter(3, 12, 250);
    EXPECT_EQ(status_.GaugeStatus().Progress(), 100);
    host_.SetCounterVisible(false);
    EXPECT_FALSE(IsWindowVisible(status_.Control(TfrmStatus::kFraStatus)));

    const DWORD start = GetTickCount();
    host_.Pause(120);
    EXPECT_GE(GetTickCount() - start, 100u);

    EXPECT_FALSE(host_.AbortRequested());
    EnableWindow(main_.Handle(), FALSE);
    EXPECT_TRUE(host_.AbortRequested()) << "the disabled main window is the abort signal";
    EnableWindow(main_.Handle(), TRUE);

    host_.EndRun();
    EXPECT_TRUE(back_.LeavingConfirmed());
    EXPECT_FALSE(IsWindowVisible(status_.Handle()));
    EXPECT_EQ(main_.ModalResult(), 1);
}

TEST_F(RealWindowsHost, OptionsAreWhatTheMessagePageShows)
{
    main_.SetText(M::kTxtFolder, "C:\\App\\");
    main_.SetChecked(M::kChkHiSpeed, true);
    main_.SetChecked(M::kChkSCutStartUp, true);
    main_.SetEnabled(M::kChkSCutStartUp, true);
    main_.SetVisible(M::kChkSCutSendTo, false);
    const WizardOptions o = host_.Options();
    EXPECT_EQ(o.folder, "C:\\App\\");
    EXPECT_TRUE(o.overwrite);
    EXPECT_TRUE(o.hiSpeed);
    EXPECT_EQ(o.boxes[0].caption, "デスクトップ");
    EXPECT_FALSE(o.boxes[0].checked);
    EXPECT_TRUE(o.boxes[2].checked && o.boxes[2].enabled && o.boxes[2].visible);
    EXPECT_FALSE(o.boxes[3].visible);
}

TEST_F(RealWindowsHost, FailureDetailsWaitForContinue)
{
    host_.BeginRun(0);
    ClickWhen user([this] { return IsWindowVisible(main_.Handle()) && main_.Enabled(M::kBtnEvent); },
                   [this] { return main_.Control(M::kBtnEvent); });
    host_.ShowFailureDetails("作成・コピー処理失敗　詳細表示", "<File> C:\\App\\a.txt\r\n");
    EXPECT_TRUE(user.Join());
    EXPECT_EQ(main_.Text(M::kTxtReadme), "<File> C:\\App\\a.txt\r\n");
    EXPECT_EQ(main_.Text(M::kFraReadme), "作成・コピー処理失敗　詳細表示");
    EXPECT_FALSE(main_.Enabled(M::kBtnEvent)) << "the continue rule disabled it";
    EXPECT_FALSE(main_.Visible(M::kFraReadme));
    EXPECT_FALSE(IsWindowVisible(main_.Handle()));
    EXPECT_TRUE(IsWindowVisible(status_.Handle()));
}

TEST_F(RealWindowsHost, CompletionPageReturnsTheChosenOption)
{
    state_.SetupWord = "インストール";
    CompletionPage page{"完了しました。", "はい、Windowsを再起動します。(&Y)",
                        "いいえ、Windowsは再起動せずに、インストーラーを終了します。(&N)", "インストール完了(&E)"};
    // The second choice first; the continue button only once that choice has taken.
    ClickWhen choose([this] { return IsWindowVisible(main_.Handle()) && main_.Enabled(M::kBtnEvent); },
                     [this] { return main_.Control(M::kOptSelectType2); });
    ClickWhen user([this] { return SendMessageA(main_.Control(M::kOptSelectType2), BM_GETCHECK, 0, 0) == BST_CHECKED; },
                   [this] { return main_.Control(M::kBtnEvent); });
    EXPECT_EQ(host_.ShowCompletionPage(page), 2);
    EXPECT_TRUE(choose.Join());
    EXPECT_TRUE(user.Join());
    EXPECT_EQ(main_.Text(M::kLblSelectTypeMsg), "完了しました。");
    EXPECT_TRUE(main_.Visible(M::kFraSelectType));
    EXPECT_FALSE(IsWindowVisible(main_.Handle()));

    // Without a second choice it is hidden and the first one stands.
    page.option2.clear();
    ClickWhen user2([this] { return IsWindowVisible(main_.Handle()) && main_.Enabled(M::kBtnEvent); },
                    [this] { return main_.Control(M::kBtnEvent); });
    EXPECT_EQ(host_.ShowCompletionPage(page), 1);
    EXPECT_TRUE(user2.Join());
    EXPECT_FALSE(main_.Visible(M::kOptSelectType2));
    EXPECT_FALSE(main_.Enabled(M::kOptSelectType2));
}

TEST_F(RealWindowsHost, NextAndTheDeletionQuestion)
{
    host_.BeginRun(0);
    ClickWhen user([this] { return IsWindowEnabled(status_.Control(TfrmStatus::kBtnAbort)) != FALSE; },
                   [this] { return status_.Control(TfrmStatus::kBtnAbort); });
    host_.WaitForNext();
    EXPECT_TRUE(user.Join());
    EXPECT_FALSE(IsWindowEnabled(status_.Control(TfrmStatus::kBtnAbort)));

    ClickWhen answer([this] { return IsWindowVisible(dialog_.Handle()) != FALSE; },
                     [this] { return dialog_.Control(TfrmCustomDlg::kIdSave); });
    EXPECT_EQ(host_.AskDeletion("C:\\App\\共有.DLL"), "Save");
    EXPECT_TRUE(answer.Join());
    EXPECT_EQ(dialog_.Message(), "C:\\App\\共有.DLL");
    EXPECT_EQ(main_.Text(M::kLblFormShare), "Save") << "the answer stays in the hidden label";
}
