// The end button of every page reacts at once, whether the click is posted (a mouse) or
// sent (an automation or accessibility tool's BM_CLICK): the program either asks the
// close question or ends.
#include "SetupDriver.h"
#include "TestSupport.h"
#include "ui/Main.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using M = TfrmMain;
const char kScript[] = "[Title]\r\nSetup=テスト製品\r\nProgram=テスト\r\n";

struct Page {
    const char* name;
    std::string script;           // "" : no SETUP.INI
    bool uninstaller = false;     // started with a record
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
    const auto title = [](const SetupProcess&, HWND main, Delivery) { return WaitText(main, M::kBtnEvent, "インストール続行(&C)"); };
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
         [](const SetupProcess&, HWND main, Delivery) { return WaitText(main, M::kBtnEvent, "処理開始(&S)"); },
         false},
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
