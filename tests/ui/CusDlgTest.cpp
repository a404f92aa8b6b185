#include "ui/CusDlg.h"
#include "uninstall/DeletionQuestions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    // WM_GETTEXT as another program would read it, not the cached title.
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// A child's rectangle in its parent's client coordinates.
RECT ClientRectOf(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Wintool(const std::string& args)
{
    return RunProgram(WintoolCommand(args));
}

const std::string kPatience = std::string(" ").append(std::to_string(kPatienceMs));

const std::string kQuotedCaption = std::string("\"").append(TfrmCustomDlg::kCaption).append("\"");

// An owner standing in for the main window, with the hidden label that carries the answer.
class CusDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(owner_);
        answer_ = CreateWindowExA(0, "STATIC", "Can't Delete", WS_CHILD, 8, 280, 60, 13, owner_, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(answer_);
        ASSERT_TRUE(dialog_.Create(answer_));
    }
    void TearDown() override
    {
        if (owner_) DestroyWindow(owner_);
    }

    // Shows the dialog modally on this thread while `drive` runs on another one once the
    // dialog is visible. Returns ShowModal's result.
    int ShowAndDrive(const std::function<void(HWND)>& drive)
    {
        HWND dlg = dialog_.Handle();
        bool shown = false;
        std::thread driver([&] {
            shown = WaitUntil([&] { return IsWindowVisible(dlg) != FALSE; });
            if (shown) drive(dlg);
            else Press(dlg, TfrmCustomDlg::kIdNo); // release ShowModal; the test fails below
        });
        const int result = dialog_.ShowModal(owner_);
        driver.join();
        EXPECT_TRUE(shown) << "the dialog never became visible";
        return result;
    }

    void Press(HWND dlg, int id) { PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

    HWND owner_ = nullptr;
    HWND answer_ = nullptr;
    TfrmCustomDlg dialog_;
};

} // namespace

TEST_F(CusDlg, EachButtonWritesExactlyItsWordAndEndsTheModalDisplay)
{
    const struct {
        int id;
        const char* word;
    } cases[] = {
        {TfrmCustomDlg::kIdYes, "Yes"},
        {TfrmCustomDlg::kIdNo, "No"},
        {TfrmCustomDlg::kIdDelete, "Delete"},
        {TfrmCustomDlg::kIdSave, "Save"},
    };
    EXPECT_FALSE(IsWindowVisible(dialog_.Handle())) << "created hidden";
    const HWND dlg = dialog_.Handle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        SetWindowTextA(answer_, ""); // the run clears the answer before asking
        bool ownerDisabled = false;
        std::string answerWhileShown = "?";
        const int result = ShowAndDrive([&](HWND shown) {
            ownerDisabled = !IsWindowEnabled(owner_);
            answerWhileShown = TextOf(answer_);
            Press(shown, c.id);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(TextOf(answer_), c.word);
        EXPECT_EQ(answerWhileShown, "") << "nothing is written before a button is pressed";
        EXPECT_TRUE(ownerDisabled) << "modal against the owner";
        EXPECT_TRUE(IsWindowEnabled(owner_));
        EXPECT_FALSE(IsWindowVisible(dlg)) << "hidden between questions";
        EXPECT_EQ(dialog_.Handle(), dlg) << "one dialog, reused for every question";
    }
}

TEST_F(CusDlg, ShowsTheRunsTextAndTheFixedCaptions)
{
    // 表 and ソ end in byte 0x5C; "&" must reach the label as it is.
    const std::string path = "C:\\WINDOWS\\SYSTEM\\表ソ&Co\\SHARED.DLL";
    const std::string text = SharedFileQuestion(path);
    EXPECT_EQ(text, path + "\r\n\r\nこの共有ファイルは、現在、他のどのプログラムからも使われていません。\r\n"
                           "しかし、今後、他のプログラムで使われる可能性があります。\r\n"
                           "このファイルを削除してもよろしいですか？");
    dialog_.SetMessage(text);

    std::string caption, shown, yes, no, del, save;
    ShowAndDrive([&](HWND dlg) {
        caption = TextOf(dlg);
        shown = TextOf(GetDlgItem(dlg, TfrmCustomDlg::kIdMessage));
        yes = TextOf(GetDlgItem(dlg, TfrmCustomDlg::kIdYes));
        no = TextOf(GetDlgItem(dlg, TfrmCustomDlg::kIdNo));
        del = TextOf(GetDlgItem(dlg, TfrmCustomDlg::kIdDelete));
        save = TextOf(GetDlgItem(dlg, TfrmCustomDlg::kIdSave));
        Press(dlg, TfrmCustomDlg::kIdNo);
    });
    EXPECT_EQ(caption, "ファイル削除の確認");
    EXPECT_EQ(shown, text);
    EXPECT_EQ(yes, "はい(&Y)");
    EXPECT_EQ(no, "いいえ(&N)");
    EXPECT_EQ(del, "すべて削除(&D)");
    EXPECT_EQ(save, "すべて保存(&A)");
    EXPECT_EQ(dialog_.Message(), text) << "the text stays for the next question";
}

TEST_F(CusDlg, LayoutFontAndFrameMatchTheWindowTable)
{
    const struct {
        int id;
        const char* className;
        RECT rect; // left, top, right, bottom
    } controls[] = {
        {TfrmCustomDlg::kIdMessage, "Static", {8, 8, 8 + 409, 8 + 73}},
        {TfrmCustomDlg::kIdYes, "Button", {8, 88, 8 + 97, 88 + 25}},
        {TfrmCustomDlg::kIdNo, "Button", {112, 88, 112 + 97, 88 + 25}},
        {TfrmCustomDlg::kIdDelete, "Button", {216, 88, 216 + 97, 88 + 25}},
        {TfrmCustomDlg::kIdSave, "Button", {320, 88, 320 + 97, 88 + 25}},
    };
    RECT client = {}, window = {};
    ShowAndDrive([&](HWND dlg) {
        GetClientRect(dlg, &client);
        GetWindowRect(dlg, &window);
        Press(dlg, TfrmCustomDlg::kIdYes);
    });
    EXPECT_EQ(client.right, 426);
    EXPECT_EQ(client.bottom, 121);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(window.left - (screenW - window.right)), 1) << "centred horizontally";
    EXPECT_LE(std::abs(window.top - (screenH - window.bottom)), 1) << "centred vertically";

    const HWND dlg = dialog_.Handle();
    const LONG style = GetWindowLongA(dlg, GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU) << "no Close box, no border icons";
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(style & WS_CAPTION);

    for (const auto& c : controls) {
        SCOPED_TRACE(c.id);
        HWND child = GetDlgItem(dlg, c.id);
        ASSERT_TRUE(child);
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, c.className);
        const RECT r = ClientRectOf(child);
        EXPECT_EQ(r.left, c.rect.left);
        EXPECT_EQ(r.top, c.rect.top);
        EXPECT_EQ(r.right, c.rect.right);
        EXPECT_EQ(r.bottom, c.rect.bottom);
        LOGFONTA lf = {};
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        ASSERT_TRUE(font);
        ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
        EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");
        EXPECT_EQ(lf.lfHeight, -12);
    }
}

// Another program presses the buttons by caption and tries to close the dialog; only a
// button ends the question.
TEST_F(CusDlg, CloseRequestsAreRefusedAndButtonsWorkFromAnotherProcess)
{
    SetWindowTextA(answer_, "");
    int closeExit = -1, clickExit = -1;
    const int result = ShowAndDrive([&](HWND dlg) {
        // What the Close box or Alt+F4 would send, synchronously so it is handled now.
        SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        closeExit = Wintool("close " + kQuotedCaption + kPatience);
        // Posted messages are handled in order: the click comes after the close.
        clickExit = Wintool("click " + kQuotedCaption + " \"すべて保存(&A)\"" + kPatience);
    });
    EXPECT_EQ(closeExit, 0);
    EXPECT_EQ(clickExit, 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(TextOf(answer_), "Save");
    EXPECT_TRUE(IsWindow(dialog_.Handle())) << "closing must not destroy the dialog";
}

TEST_F(CusDlg, EscapeDoesNotAnswerAndEnterPressesTheFocusedButton)
{
    SetWindowTextA(answer_, "");
    const int result = ShowAndDrive([&](HWND dlg) {
        HWND no = GetDlgItem(dlg, TfrmCustomDlg::kIdNo);
        PostMessageA(no, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(no, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(TextOf(answer_), "Yes") << "Enter presses the button that has the focus (btnYes when shown)";
}

TEST_F(CusDlg, AnAlreadyDisabledOwnerStaysDisabled)
{
    // A disabled main window is the abort signal; the dialog must not clear it.
    EnableWindow(owner_, FALSE);
    ShowAndDrive([&](HWND dlg) { Press(dlg, TfrmCustomDlg::kIdDelete); });
    EXPECT_FALSE(IsWindowEnabled(owner_));
    EXPECT_EQ(TextOf(answer_), "Delete");
}

TEST_F(CusDlg, ButtonMessagesOutsideAQuestionWriteNothing)
{
    SetWindowTextA(answer_, "Can't Delete");
    SendMessageA(dialog_.Control(TfrmCustomDlg::kIdSave), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(answer_), "Can't Delete");
}
