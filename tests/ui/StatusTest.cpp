#include "ui/Status.h"

#include "ScriptedHost.h"
#include "TestSupport.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace {

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

int Wintool(const std::string& args)
{
    return RunProgram(WintoolCommand(args));
}

const std::string kPatience = " " + std::to_string(kPatienceMs);

void CALLBACK DestroyStatusWindow(HWND, UINT, UINT_PTR, DWORD)
{
    DestroyWindow(FindWindowA(TfrmStatus::kClassName, nullptr));
}

// Notes, at each question, whether the progress window was showing and the main window
// enabled, so tests can check the order of the abort's steps.
struct WatchingHost : ScriptedHost {
    HWND form = nullptr, main = nullptr;
    std::string seen;
    std::function<void()> duringAsk;
    using Host::Ask;
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended) override
    {
        seen += IsWindowVisible(form) ? "shown," : "hidden,";
        seen += IsWindowEnabled(main) ? "main on;" : "main off;";
        if (duringAsk) duringAsk();
        return ScriptedHost::Ask(text, caption, flags, unattended);
    }
};

// The progress window during a run, with stand-ins for the main and background windows.
class Status : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        back_ = CreateWindowExA(0, "STATIC", "back", WS_POPUP | WS_DISABLED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_TRUE(form_.Create(nullptr));
        form_.mainWindow = host_.main = main_;
        form_.background = back_;
        form_.SetMainModalResult = [this](int result) { modalResults_ += std::to_string(result) + ";"; };
        host_.form = form_.Handle();
        form_.Show();
        button_ = form_.Control(TfrmStatus::kBtnAbort);
    }
    void TearDown() override
    {
        DestroyWindow(main_);
        DestroyWindow(back_);
    }
    // Presses the button and lets what the click set going run (the abort question comes
    // from a posted message, so the click itself returns at once).
    void Click()
    {
        SendMessageA(button_, BM_CLICK, 0, 0);
        ProcessPendingMessages();
    }

    AppState state_;
    WatchingHost host_;
    TfrmStatus form_{state_, host_};
    HWND main_ = nullptr, back_ = nullptr, button_ = nullptr;
    std::string modalResults_;
};

} // namespace

TEST_F(Status, CreatedWithTheWindowTablesControlsAndNoWayToClose)
{
    const HWND form = form_.Handle();
    EXPECT_EQ(TextOf(form), "進行状況");
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 492);
    EXPECT_EQ(client.bottom, 298);
    const LONG style = GetWindowLongA(form, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetMenuState(GetSystemMenu(form, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

    const struct {
        int id, parent;
        const char* text;
        RECT rect; // in the parent's client area
        bool visible, enabled;
    } table[] = {
        {TfrmStatus::kGrpMessage, 0, "メッセージ", {8, 8, 489, 257}, true, true},
        {TfrmStatus::kLblMessage, TfrmStatus::kGrpMessage, "", {8, 16, 465, 241}, true, true},
        {TfrmStatus::kFraStatus, TfrmStatus::kGrpMessage, "進行状況", {8, 200, 473, 241}, false, true},
        {TfrmStatus::kLblStatus, TfrmStatus::kFraStatus, "(0/0)", {384, 16, 456, 33}, true, true},
        {TfrmStatus::kGaugeStatus, TfrmStatus::kFraStatus, "0%", {8, 16, 377, 33}, true, true},
        {TfrmStatus::kBtnAbort, 0, "中断(&A)", {168, 264, 329, 289}, true, false},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.id);
        HWND child = form_.Control(static_cast<TfrmStatus::ControlId>(c.id));
        ASSERT_TRUE(child);
        EXPECT_EQ(GetParent(child), c.parent ? form_.Control(static_cast<TfrmStatus::ControlId>(c.parent)) : form);
        EXPECT_EQ(TextOf(child), c.text);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(EqualRect(&r, &c.rect)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_EQ((GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0, c.visible);
        EXPECT_EQ(IsWindowEnabled(child) != 0, c.enabled);
        LOGFONTA lf = {};
        ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), sizeof lf, &lf));
        EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");
        EXPECT_EQ(lf.lfHeight, -12);
    }
    EXPECT_EQ(GetWindowLongA(form_.Control(TfrmStatus::kLblStatus), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
    EXPECT_EQ(form_.GaugeStatus().ForeColor(), RGB(0, 0, 128));

    // Neither the Close command nor another program's WM_CLOSE closes it.
    SendMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Wintool("close \"進行状況\"" + kPatience), 0);
    ProcessPendingMessages();
    EXPECT_TRUE(IsWindowVisible(form));
}

TEST_F(Status, CounterShowsDoneOfTotalAndAClampedPercentageOverTheLog)
{
    const HWND frame = form_.Control(TfrmStatus::kFraStatus);
    const struct {
        int done, total;
        const char* counter;
        const char* gauge;
    } cases[] = {
        {3, 10, "(3/10)", "30%"},
        {150, 100, "(150/100)", "100%"},
        {5, 0, "(5/0)", "0%"},
        {-2, 10, "(-2/10)", "0%"},
        {INT_MAX - 1, INT_MAX, "(2147483646/2147483647)", "99%"},
        {INT_MAX, 1, "(2147483647/1)", "100%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.counter);
        form_.ShowCounter(c.done, c.total);
        EXPECT_EQ(TextOf(form_.Control(TfrmStatus::kLblStatus)), c.counter);
        EXPECT_EQ(TextOf(form_.Control(TfrmStatus::kGaugeStatus)), c.gauge);
        EXPECT_TRUE(IsWindowVisible(frame));
    }
    // The group covers the end of the log label where the two overlap.
    POINT inOverlap = {20, 220};
    EXPECT_EQ(ChildWindowFromPointEx(GetParent(frame), inOverlap, CWP_SKIPINVISIBLE), frame);
    form_.HideCounter();
    EXPECT_FALSE(IsWindowVisible(frame));
}

TEST_F(Status, AbortAnsweredNoChangesNothing)
{
    state_.UnSetupWord = "削除";
    form_.SetAbortEnabled(true);
    form_.ShowLog("コピー．．．");
    host_.answers = {IDNO};
    Click();
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].text, "ここで処理を中断すると、すでにコピー済みのファイルなどは削除されません。\r\n"
                                       "一度、処理を完了してから、削除することをおすすめします。\r\n\r\n"
                                       "本当にここで処理を中断しますか？");
    EXPECT_EQ(host_.questions[0].caption, "中断の確認");
    EXPECT_EQ(host_.questions[0].flags, 36u);
    EXPECT_EQ(state_.LastAnswer, IDNO);
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_FALSE(IsWindowEnabled(back_));
    EXPECT_TRUE(IsWindowVisible(form_.Handle()));
    EXPECT_TRUE(IsWindowEnabled(button_));
    EXPECT_EQ(TextOf(form_.Control(TfrmStatus::kLblMessage)), "コピー．．．");
    EXPECT_EQ(modalResults_, "");
}

TEST_F(Status, AbortAnsweredYesMarksTheWindowsThenEndsTheWizard)
{
    form_.SetAbortEnabled(true);
    host_.answers = {IDYES, IDOK};
    // A second click while the question is open must not ask again.
    bool clickedAgain = false;
    host_.duringAsk = [&] {
        if (!std::exchange(clickedAgain, true)) Click();
    };
    form_.SetMainModalResult = [this](int result) {
        modalResults_ += std::to_string(result) + " after " + std::to_string(host_.questions.size()) + ";";
    };
    PostMessageA(button_, BM_CLICK, 0, 0);
    form_.ShowLog("log"); // the click comes through while the run shows its log
    ASSERT_EQ(host_.questions.size(), 2u);
    EXPECT_EQ(host_.questions[1].text, "処理を中断しました。");
    EXPECT_EQ(host_.questions[1].caption, "中断");
    EXPECT_EQ(host_.questions[1].flags, 48u);
    EXPECT_EQ(host_.seen, "shown,main on;hidden,main off;");
    EXPECT_EQ(state_.LastAnswer, IDOK);
    EXPECT_FALSE(IsWindowEnabled(main_));
    EXPECT_TRUE(IsWindowEnabled(back_));
    EXPECT_FALSE(IsWindowVisible(form_.Handle()));
    EXPECT_TRUE(IsWindow(form_.Handle()));
    EXPECT_EQ(modalResults_, "1 after 2;");
}

TEST_F(Status, OnlyAnEnabledAbortCaptionAsks)
{
    Click(); // disabled, as created
    SendMessageA(form_.Handle(), WM_COMMAND, MAKEWPARAM(TfrmStatus::kBtnAbort, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button_));
    form_.SetAbortEnabled(true);
    SetWindowTextA(button_, "中断");
    Click();
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_TRUE(IsWindowEnabled(button_));
}

TEST_F(Status, NextIsReleasedByOneClickFromAnotherThreadOrProgram)
{
    bool captionShown = false;
    std::thread clicker([&] {
        captionShown = WaitUntil([&] { return TextOf(button_) == "次へ(&N)"; });
        PostMessageA(button_, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(form_.WaitForNext());
    clicker.join();
    EXPECT_TRUE(captionShown);
    EXPECT_FALSE(IsWindowEnabled(button_));
    Click(); // a second click finds the button disabled
    EXPECT_FALSE(IsWindowEnabled(button_));
    EXPECT_TRUE(host_.questions.empty());

    int exitCode = -1;
    std::thread program(
        [&] { exitCode = Wintool("click \"進行状況\" " + std::to_string(TfrmStatus::kBtnAbort) + kPatience); });
    EXPECT_TRUE(form_.WaitForNext());
    program.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(IsWindowEnabled(button_));
}

TEST_F(Status, NextWaitEndsWhenTheWindowGoesOrTheProgramQuits)
{
    PostQuitMessage(3);
    EXPECT_FALSE(form_.WaitForNext());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is passed on";
    EXPECT_EQ(msg.wParam, 3u);

    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DestroyStatusWindow);
    EXPECT_FALSE(form_.WaitForNext());
    EXPECT_EQ(form_.Handle(), nullptr);
    KillTimer(nullptr, timer);
}

// A window moved to a monitor of another DPI lays itself out anew: controls and fonts
// scaled, the suggested rectangle taken; and back at 96 DPI it is as it was.
TEST_F(Status, ANewDpiScalesControlsAndFontsAndTakesTheSuggestedRectangle)
{
    const auto layout = [&](int dpi, RECT suggested) {
        SendMessageA(form_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT window = {}, counter = {};
        GetWindowRect(form_.Handle(), &window);
        EXPECT_TRUE(EqualRect(&window, &suggested)) << dpi;
        GetWindowRect(form_.Control(TfrmStatus::kLblStatus), &counter);
        MapWindowPoints(nullptr, form_.Control(TfrmStatus::kFraStatus), reinterpret_cast<POINT*>(&counter), 2);
        LOGFONTA lf = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form_.GaugeStatus().Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return std::to_string(counter.left) + "," + std::to_string(counter.top) + " " +
               std::to_string(counter.right - counter.left) + "x" + std::to_string(counter.bottom - counter.top) +
               " font " + std::to_string(-lf.lfHeight);
    };
    RECT before = {};
    GetWindowRect(form_.Handle(), &before);
    EXPECT_EQ(layout(192, {10, 20, 1010, 650}), "768,32 144x34 font 24");
    EXPECT_EQ(layout(96, before), "384,16 72x17 font 12");
}
