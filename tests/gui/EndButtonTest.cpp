// The end button of every page reacts at once, whether the click is posted (a mouse) or
// sent (an automation or accessibility tool's BM_CLICK): the program either asks the
// close question or ends.
#include "SetupDriver.h"
#include "TestSupport.h"
#include "ui/Main.h"
#include "ui/Status.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using M = TfrmMain;
const char kScript[] = "[Title]\r\nSetup=テスト製品\r\nProgram=テスト\r\n";

struct Page {
    const char* name;
    std::string script;       // "" : no SETUP.INI
    bool uninstaller = false; // started with a record
    // Brings the wizard from its first state to the page; presses go the given way.
    std::function<bool(const SetupProcess& setup, HWND main, Delivery how)> reach;
    bool asksCloseQuestion = true;
};

bool WaitText(HWND main, int id, const std::string& text)
{
    return WaitUntil([&] { return TextOf(ControlOf(main, id)) == text; }, 60000);
}

std::vector<Page> Pages()
{
    const auto title = [](const SetupProcess&, HWND main, Delivery) {
        return WaitText(main, M::kBtnEvent, "インストール続行(&C)");
    };
    const auto next = [](const char* caption) {
        return [caption](const SetupProcess&, HWND main, Delivery how) {
            if (!WaitText(main, M::kBtnEvent, "インストール続行(&C)")) return false;
            Press(ControlOf(main, M::kBtnEvent), how);
            return WaitText(main, M::kBtnEvent, caption);
        };
    };
    return {
        {"title page", kScript, false, title},
        {"message page", kScript, false, next("インストール開始(&S)")},
        {"readme page", std::string(kScript) + "[Readme]\r\nFile=README.TXT\r\n", false, next("インストール続行(&C)")},
        {"licence page (declining)", std::string(kScript) + "[EULA]\r\nFile=README.TXT\r\n", false,
         next("同意する(&A)"), false},
        {"fatal page", "", false,
         [](const SetupProcess&, HWND main, Delivery) { return WaitText(main, M::kBtnEvent, "処理開始(&S)"); }, false},
        {"refused page", std::string(kScript) + "[Extend]\r\nRejectOS=Windows\r\n", false,
         [](const SetupProcess& setup, HWND main, Delivery how) {
             HWND box = setup.WaitForMessageBox("警告", 60000);
             if (!box) return false;
             Press(GetDlgItem(box, IDOK), how);
             return WaitUntil([&] { return !IsEnabled(ControlOf(main, M::kBtnEvent)) && !IsWindow(box); }, 60000);
         },
         false},
        {"uninstaller's panel", "", true,
         [](const SetupProcess&, HWND main, Delivery) {
             return WaitText(main, M::kBtnEvent, "アンインストール開始(&S)");
         }},
    };
}

} // namespace

TEST(EndButton, ReactsAtOnceToSentAndPostedClicksOnEveryPage)
{
    for (const Page& page : Pages()) {
        for (Delivery how : {Delivery::Sent, Delivery::Posted}) {
            const char* way = how == Delivery::Sent ? "sent" : "posted";
            SCOPED_TRACE(std::string(page.name) + ", " + way);
            ScratchFolder root;
            const std::string pkg = root / "pkg\\";
            const std::string temp = root / "tmp\\";
            CreateDirectoryA(pkg.c_str(), nullptr);
            CreateDirectoryA(temp.c_str(), nullptr);
            ASSERT_TRUE(CopyFileA(QS_SETUP_EXE, (pkg + "SETUP.EXE").c_str(), FALSE));
            ASSERT_TRUE(WriteFileBytes(pkg + "README.TXT", "text"));
            if (!page.script.empty()) {
                ASSERT_TRUE(WriteFileBytes(pkg + "SETUP.INI", page.script));
            }
            std::string arguments;
            if (page.uninstaller) {
                ASSERT_TRUE(WriteFileBytes(root / "UNSETUP.INI", "[SetupFolder]\r\nFolder=" + root.path() + "\r\n"));
                arguments = "\"" + root.path() + "UNSETUP.INI\"";
            }
            SetupProcess setup(pkg + "SETUP.EXE", arguments, temp);
            ASSERT_TRUE(setup.Started());
            HWND main = setup.WaitForWindow(M::kClassName, nullptr, 60000);
            ASSERT_TRUE(main);
            ASSERT_TRUE(page.reach(setup, main, how));

            const DWORD pressed = GetTickCount();
            Press(ControlOf(main, M::kBtnEnd), how);
            // A program that misses the click sits still for good; the bound is only hit
            // then, so a slow machine cannot make this fail.
            HWND question = nullptr;
            const bool reacted = WaitUntil(
                [&] { return !setup.Running() || (question = setup.FindWindowOf("#32770", "終了確認")) != nullptr; },
                30000);
            ASSERT_TRUE(reacted) << "no reaction to the " << way << " click";
            RecordProperty(std::string(page.name) + " " + way + " ms", static_cast<int>(GetTickCount() - pressed));
            if (page.asksCloseQuestion) {
                ASSERT_TRUE(question) << "the close question";
                Press(GetDlgItem(question, IDYES), how);
            } else {
                EXPECT_FALSE(question);
            }
            EXPECT_TRUE(setup.WaitForExit(30000));
        }
    }
}

// Every button of a whole run pressed with a sent BM_CLICK: each gives the sender back
// control at once, though the run it starts waits for the user, so one tool can drive the
// wizard, the run's questions, the progress window and the completion page.
TEST(SentClicks, DriveAWholeRunAndAnAbortWithoutHoldingTheSender)
{
    for (const bool abort : {false, true}) {
        SCOPED_TRACE(abort ? "abort" : "whole run");
        ScratchFolder root;
        const std::string pkg = root / "pkg\\";
        const std::string temp = root / "tmp\\";
        CreateDirectoryA(pkg.c_str(), nullptr);
        CreateDirectoryA(temp.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(QS_SETUP_EXE, (pkg + "SETUP.EXE").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(pkg + "A.TXT", "a"));
        // The association's question holds the run while the abort button is there.
        const std::string ext = "qsent" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(WriteFileBytes(pkg + "SETUP.INI", std::string(kScript) +
                                                          "[Extend]\r\nSetupSpeed=1\r\n"
                                                          "[DefaultFolder]\r\nFolder=" +
                                                          root.path() +
                                                          "app\\\r\n"
                                                          "[CopyFile]\r\nFile1=(App)\\A.TXT\r\n[Relate]\r\nName1=" +
                                                          ext + "\r\nFile1=open,(App)\\A.TXT\r\n"));
        SetupProcess setup(pkg + "SETUP.EXE", "", temp);
        HWND main = setup.WaitForWindow(M::kClassName, nullptr, kPatienceMs);
        ASSERT_TRUE(main);
        ASSERT_TRUE(WaitText(main, M::kBtnEvent, "インストール続行(&C)"));
        ASSERT_TRUE(PressSentReturns(ControlOf(main, M::kBtnEvent)));
        ASSERT_TRUE(WaitText(main, M::kBtnEvent, "インストール開始(&S)"));
        ASSERT_TRUE(PressSentReturns(ControlOf(main, M::kBtnEvent))) << "the start button holds the sender";
        HWND box = setup.WaitForMessageBox("フォルダ作成");
        ASSERT_TRUE(box);
        ASSERT_TRUE(PressSentReturns(GetDlgItem(box, IDYES)));
        HWND status = setup.WaitForWindow(TfrmStatus::kClassName, nullptr, kPatienceMs);
        ASSERT_TRUE(status);
        HWND button = ControlOf(status, TfrmStatus::kBtnAbort);
        HWND relate = setup.WaitForMessageBox("関連付けの確認");
        ASSERT_TRUE(relate);
        if (abort) {
            ASSERT_TRUE(IsEnabled(button));
            ASSERT_TRUE(PressSentReturns(button)) << "the abort button holds the sender";
            HWND question = setup.WaitForMessageBox("中断の確認");
            ASSERT_TRUE(question);
            ASSERT_TRUE(PressSentReturns(GetDlgItem(question, IDYES)));
            HWND done = setup.WaitForMessageBox("中断");
            ASSERT_TRUE(done);
            ASSERT_TRUE(PressSentReturns(GetDlgItem(done, IDOK)));
            ASSERT_TRUE(PressSentReturns(GetDlgItem(relate, IDNO)));
            ASSERT_TRUE(setup.WaitForExit(kPatienceMs));
            EXPECT_EQ(GetFileAttributesA((root / "app\\UNSETUP.INI").c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(ReadFileBytes(root / "app\\A.TXT"), "a") << "what was copied stays";
            continue;
        }
        ASSERT_TRUE(PressSentReturns(GetDlgItem(relate, IDNO)));
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(button) && TextOf(button) == "次へ(&N)"; }));
        ASSERT_TRUE(PressSentReturns(button));
        ASSERT_TRUE(WaitText(main, M::kBtnEvent, "インストール完了(&E)"));
        ASSERT_TRUE(PressSentReturns(ControlOf(main, M::kBtnEvent)));
        ASSERT_TRUE(setup.WaitForExit(kPatienceMs));
        EXPECT_EQ(ReadFileBytes(root / "app\\A.TXT"), "a");
        EXPECT_NE(GetFileAttributesA((root / "app\\UNSETUP.INI").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}
