// The real shell browse dialog, driven from a second process (tests/tools/wintool)
// that presses its buttons as a user would.
#include "services/FldrDlg.h"

#include "foundation/uStrOp.h"

#include "services/Shortcut.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

namespace {

constexpr char kCaption[] = "QS Folder Dialog Test";

// What the browse callback does and sees: it gives the dialog a caption wintool can
// find and preselects a folder, and notes the dialog's title text and owner.
struct Probe {
    std::string select;
    std::string title;
    std::atomic<HWND> dialog{nullptr};
    bool titleShown = false;
    HWND owner = nullptr;
};

BOOL CALLBACK FindTitle(HWND child, LPARAM param)
{
    auto* probe = reinterpret_cast<Probe*>(param);
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    if (probe->title == text) probe->titleShown = true;
    return TRUE;
}

int CALLBACK BrowseProbe(HWND dialog, UINT msg, LPARAM lp, LPARAM data)
{
    auto* probe = reinterpret_cast<Probe*>(data);
    if (msg == BFFM_SELCHANGED && !probe->select.empty()) {
        // A button pressed before the browser has reached the preselected folder (see
        // SettleForBrowser) answers another one. wintool finds the dialog by its
        // caption, so the caption comes only once the selection is there.
        char path[MAX_PATH] = {};
        const bool there = SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path) &&
                           lstrcmpiA(AddBackslash(path, "B").c_str(), AddBackslash(probe->select, "B").c_str()) == 0;
        SetWindowTextA(dialog, there ? kCaption : "");
        if (there) probe->dialog = dialog;
        return 0;
    }
    if (msg != BFFM_INITIALIZED) return 0;
    probe->owner = GetWindow(dialog, GW_OWNER);
    EnumChildWindows(dialog, FindTitle, data);
    probe->dialog = dialog;
    if (!probe->select.empty()) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(probe->select.c_str()));
        return 0;
    }
    SetWindowTextA(dialog, kCaption);
    return 0;
}

class FolderDialog : public ::testing::Test {
protected:
    // Runs Execute while wintool presses the button (control ID) in the dialog. When
    // wintool gives up, the dialog is cancelled, so a failing run ends instead of hanging.
    bool ExecuteAndPress(TFolderDialog& dialog, Probe& probe, const char* button, const Host* host = nullptr)
    {
        dialog.Callback = BrowseProbe;
        dialog.CallbackParam = reinterpret_cast<LPARAM>(&probe);
        std::string command = WintoolCommand(std::string("click \"") + kCaption + "\" " + button + " " +
                                             std::to_string(kPatienceMs));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << command;
        DWORD exitCode = 99;
        std::atomic<bool> done{false};
        std::thread watchdog([&] {
            // wintool ends by itself, within its own time limit.
            if (WaitForSingleObject(pi.hProcess, 2 * kPatienceMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 98);
            GetExitCodeProcess(pi.hProcess, &exitCode);
            // A pressed dialog closes by itself; one that was not pressed is cancelled.
            WaitUntil([&] { return done || (exitCode != 0 && probe.dialog.load()); });
            if (HWND d = probe.dialog.load(); !done && d) PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        });
        const bool chosen = host ? dialog.Execute(*host) : dialog.Execute(nullptr);
        done = true;
        probe.dialog = nullptr;
        watchdog.join();
        EXPECT_EQ(exitCode, 0u) << "wintool could not press button " << button;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return chosen;
    }

    ComInit com;
    ScratchFolder dir{kBrowserParent};
};

} // namespace

TEST(FolderDialogOptions, DefaultIsFileSystemFoldersOnlyAndEachOptionSetsItsShellFlag)
{
    EXPECT_EQ(TFolderDialog().Option, TFolderDlgOptions{bifReturnOnlyFSDirs});
    EXPECT_EQ(BrowseFlags({bifBrowseForComputer}), 0x1000u);
    EXPECT_EQ(BrowseFlags({bifBrowseForPrinter}), 0x2000u);
    EXPECT_EQ(BrowseFlags({bifDontGoBelowDomain}), 0x2u);
    EXPECT_EQ(BrowseFlags({bifReturnFSAncestors}), 0x8u);
    EXPECT_EQ(BrowseFlags({bifReturnOnlyFSDirs}), 0x1u);
    EXPECT_EQ(BrowseFlags({bifStatusText}), 0x4u);
    EXPECT_EQ(BrowseFlags({}), 0u);
    EXPECT_EQ(BrowseFlags({bifReturnOnlyFSDirs, bifStatusText, bifBrowseForComputer}), 0x1005u);
}

TEST_F(FolderDialog, OkGivesTheChosenFolderWithoutTrailingBackslash)
{
    ASSERT_TRUE(CreateDirectoryA((dir / "表示").c_str(), nullptr));
    SettleForBrowser(dir / "表示");
    TFolderDialog dialog;
    dialog.Title = "セットアップフォルダを選択してください．";
    Probe probe;
    probe.select = dir / "表示";
    probe.title = dialog.Title;
    EXPECT_TRUE(ExecuteAndPress(dialog, probe, "1")); // IDOK
    EXPECT_EQ(dialog.Directory, dir / "表示");
    EXPECT_TRUE(probe.titleShown) << "Title is the prompt above the tree";
}

TEST_F(FolderDialog, ADriveRootKeepsItsBackslash)
{
    TFolderDialog dialog;
    Probe probe;
    probe.select = "C:\\";
    EXPECT_TRUE(ExecuteAndPress(dialog, probe, "1"));
    EXPECT_EQ(dialog.Directory, "C:\\");
}

TEST_F(FolderDialog, CancelAnswersFalseAndLeavesDirectoryUnchanged)
{
    TFolderDialog dialog;
    dialog.Directory = "D:\\before";
    Probe probe;
    probe.select = dir.path();
    SettleForBrowser(probe.select);
    EXPECT_FALSE(ExecuteAndPress(dialog, probe, "2")); // IDCANCEL
    EXPECT_EQ(dialog.Directory, "D:\\before");
}

TEST_F(FolderDialog, TheHostsWindowOwnsTheDialog)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(owner, nullptr);
    ScriptedHost host;
    host.owner = owner;
    TFolderDialog dialog;
    Probe probe;
    EXPECT_FALSE(ExecuteAndPress(dialog, probe, "2", &host));
    EXPECT_EQ(probe.owner, owner);
    DestroyWindow(owner);
}
