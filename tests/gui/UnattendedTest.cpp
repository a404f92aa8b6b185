// SETUP.EXE without anyone at the screen: the switches, the exit codes, the log, and the
// windows it shows (none with /VERYSILENT, only the progress window with /SILENT), seen
// from this process while it runs.
#include "SetupDriver.h"
#include "TestSupport.h"
#include "services/Registry.h"
#include "ui/Status.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct Seen {
    DWORD pid;
    std::set<std::string> windows;
};

BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM param)
{
    auto* seen = reinterpret_cast<Seen*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == seen->pid && IsWindowVisible(hwnd)) {
        char name[256] = {}, text[256] = {};
        GetClassNameA(hwnd, name, sizeof name);
        // The caption as the system keeps it: no message that a busy program must answer.
        GetWindowTextA(hwnd, text, sizeof text);
        seen->windows.insert(std::string(name) + " " + text);
    }
    return TRUE;
}

class Unattended : public ::testing::Test {
protected:
    void SetUp() override
    {
        pkg_ = root_ / "pkg\\";
        temp_ = root_ / "tmp\\";
        CreateDirectoryA(pkg_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(SetupUnderTest(), (pkg_ + "SETUP.EXE").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(pkg_ + "A.TXT", "ファイルＡ"));
        key_ = "QuillonUnattended" + std::to_string(GetCurrentProcessId());
    }
    void TearDown() override { DeleteRegistryKey("(Local)", kUninstallKey + key_, SetupBits()); }

    // A script that installs A.TXT into the folder, plus the extra lines.
    void Script(const std::string& extra)
    {
        ASSERT_TRUE(WriteFileBytes(pkg_ + "SETUP.INI", "[Title]\r\nSetup=無人テスト\r\nUnSetupKey=" + key_ +
                                                           "\r\n[DefaultFolder]\r\nFolder=" + root_.path() +
                                                           "既定\\\r\n" + extra));
    }

    // Runs the program to its end, noting every window it shows; answers message boxes
    // with answer (0: none) and returns the exit code.
    DWORD Run(const std::string& program, const std::string& arguments, int answer = 0)
    {
        SetupProcess setup(program, arguments, temp_);
        if (!setup.Started()) return 9999;
        Seen seen{setup.Id(), {}};
        while (!setup.WaitForExit(20)) {
            EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&seen));
            if (answer) {
                if (HWND box = setup.FindWindowOf("#32770", nullptr)) {
                    NoteWindow(box, reinterpret_cast<LPARAM>(&seen));
                    Answer(box, answer);
                    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
                }
            }
            if (seen.windows.size() > 50) break;
        }
        windows_ = seen.windows;
        setup.WaitForExit(60000);
        return setup.ExitCode();
    }

    ScratchFolder root_;
    std::string pkg_, temp_, key_;
    std::set<std::string> windows_;
};

} // namespace

TEST_F(Unattended, InstallsAndRemovesWithoutAnyWindowIntoAFolderWithBlanksAndDbcs)
{
    Script("[CopyFile]\r\nFile1=(App)\\A.TXT\r\n[ShortCut]\r\nMake1=(App)\\A.TXT\r\nName1=(App)\\リンク集\\リンク\r\n");
    const std::string folder = root_ / "表示 ソフト\\能力";
    const std::string log = root_ / "ログ 表.log";
    EXPECT_EQ(Run(pkg_ + "SETUP.EXE",
                  "/SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"" + log + "\" /DIR=\"" + folder + "\""),
              0u);
    EXPECT_TRUE(windows_.empty()) << *windows_.begin();
    EXPECT_EQ(ReadFileBytes(folder + "\\A.TXT"), "ファイルＡ");
    EXPECT_NE(GetFileAttributesA((folder + "\\リンク集\\リンク.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string record = ReadFileBytes(folder + "\\UNSETUP.INI");
    EXPECT_NE(record.find("File1=" + folder + "\\A.TXT\r\n"), std::string::npos) << record;

    // Every stage, action and question, the defaulted ones marked as such.
    const std::string text = ReadFileBytes(log);
    for (const std::string& line :
         {std::string("スイッチ /SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"),
          "質問 [フォルダ作成] " + folder +
              "\\ /  / このフォルダは存在しません。作成してもよろしいですか？ -> 6（既定の答え）",
          std::string("ファイルをコピーしています．．．完了\r\n"),
          "コピー " + pkg_ + "A.TXT -> " + folder + "\\A.TXT -> 成功",
          std::string("選択: インストーラを終了します。(&Y)（既定の答え）"), std::string("終了コード 0\r\n")})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // The entry's unattended removal.
    const CommandParts quiet = QuietUninstallCommand(key_, SetupBits());
    ASSERT_NE(quiet.program, "");
    EXPECT_EQ(Run(quiet.program, quiet.arguments), 0u);
    EXPECT_TRUE(windows_.empty()) << *windows_.begin();
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder is gone";
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    machine.SetView(SetupBits());
    EXPECT_FALSE(machine.KeyExists(std::string("\\") + kUninstallKey + key_));
}

TEST_F(Unattended, ExitCodesTellHowTheRunEnded)
{
    struct Row {
        const char* name;
        std::string script;
        std::string switches;
        DWORD code;
    };
    const std::string quiet = "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART";
    const Row rows[] = {
        {"refused by the system", "[Extend]\r\nRejectOS=Windows\r\n[CopyFile]\r\nFile1=(App)\\A.TXT\r\n", quiet, 3},
        {"disk request", "[CopyFile]\r\nFile1=(Dch)(App)\\DISK2.TXT\r\n", quiet, 4},
        {"partly failed", "[CopyFile]\r\nFile1=(App)\\A.TXT\r\nFile2=(App)\\MISSING.TXT\r\n", quiet, 1},
        {"restart needed", "[CopyFile]\r\nFile1=(App)\\A.TXT\r\n[ExecuteFile]\r\nFile=WINDOWS_REBOOT\r\n", quiet, 3010},
        {"unknown switch", "[CopyFile]\r\nFile1=(App)\\A.TXT\r\n", "/VERYSILENT /SUPPRESSMSGBOXES /QUIET", 2},
        {"unquoted folder with a blank", "", "/VERYSILENT /SUPPRESSMSGBOXES /DIR=C:\\Program Files\\x", 2},
        {"help", "", "/? /SUPPRESSMSGBOXES", 0},
        {"no script", "", quiet, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DeleteFileA((pkg_ + "SETUP.INI").c_str());
        if (!r.script.empty()) Script(r.script);
        const std::string folder = root_ / (std::string("app ") + r.name);
        EXPECT_EQ(Run(pkg_ + "SETUP.EXE", r.switches + " /DIR=\"" + folder + "\""), r.code);
        EXPECT_TRUE(windows_.empty()) << *windows_.begin();
        DeleteRegistryKey("(Local)", kUninstallKey + key_, SetupBits());
    }
}

TEST_F(Unattended, SilentShowsOnlyTheProgressWindowAndItsQuestions)
{
    Script("[CopyFile]\r\nFile1=(App)\\A.TXT\r\n");
    const std::string folder = root_ / "silent";
    // Not suppressed: the folder question comes as a message box over the progress window.
    EXPECT_EQ(Run(pkg_ + "SETUP.EXE", "/SILENT /DIR=\"" + folder + "\"", IDYES), 0u);
    EXPECT_TRUE(windows_.count("TfrmStatus 進行状況")) << "the progress window was shown";
    EXPECT_TRUE(windows_.count("#32770 フォルダ作成"));
    for (const std::string& w : windows_) EXPECT_TRUE(w == "TfrmStatus 進行状況" || w == "#32770 フォルダ作成") << w;
    EXPECT_EQ(ReadFileBytes(folder + "\\A.TXT"), "ファイルＡ");
}

TEST_F(Unattended, AProgramCopySwappedDuringTheRunNeverBecomesTheUninstaller)
{
    Script("[CopyFile]\r\nFile1=(App)\\A.TXT\r\n");
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string uninstaller = std::string(windows) + "\\UNQUILLN.EXE";
    DeleteFileA(uninstaller.c_str());
    const std::string evil = root_ / "evil.exe";
    ASSERT_TRUE(WriteFileBytes(evil, "MZ someone else's program"));

    SetupProcess setup(pkg_ + "SETUP.EXE", "/SILENT /DIR=\"" + (root_ / "swap") + "\"", temp_);
    ASSERT_TRUE(setup.Started());
    // The folder question holds the run while another program goes for the copy.
    HWND box = setup.WaitForMessageBox("フォルダ作成", 60000);
    ASSERT_TRUE(box);
    const std::string copy = temp_ + "QSTMP1\\SETUPQ.EXE";
    ASSERT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(MoveFileExA(evil.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(CopyFileA(evil.c_str(), copy.c_str(), FALSE));
    EXPECT_FALSE(DeleteFileA(copy.c_str()));
    Answer(box, IDYES);
    ASSERT_TRUE(setup.WaitForExit(60000));
    EXPECT_EQ(setup.ExitCode(), 0u);
    EXPECT_EQ(ReadFileBytes(uninstaller), ReadFileBytes(pkg_ + "SETUP.EXE"));
    DeleteFileA(uninstaller.c_str());
}

TEST_F(Unattended, AClickOnAbortIsAPersonsDecisionUnlessNoCancelForbidsIt)
{
    // Enough files that the run is still copying when the click comes.
    std::string script = "[CopyFile]\r\n";
    for (int n = 1; n <= 1000; ++n) {
        const std::string name = std::to_string(n) + ".TXT";
        ASSERT_TRUE(WriteFileBytes(pkg_ + name, name));
        script += "File" + std::to_string(n) + "=(App)\\" + name + "\r\n";
    }
    Script(script);
    struct Row {
        const char* switches;
        DWORD code;
    };
    for (const Row& row : {Row{"/SILENT /SUPPRESSMSGBOXES", 4}, Row{"/SILENT /SUPPRESSMSGBOXES /NOCANCEL", 0}}) {
        SCOPED_TRACE(row.switches);
        const bool noCancel = row.code == 0;
        SetupProcess setup(pkg_ + "SETUP.EXE", std::string(row.switches) + " /DIR=\"" + (root_ / "abort") + "\"", temp_);
        const HWND status = setup.WaitForWindow(TfrmStatus::kClassName, nullptr, kPatienceMs);
        ASSERT_TRUE(status);
        const HWND abort = ControlOf(status, TfrmStatus::kBtnAbort);
        const HWND counter = ControlOf(status, TfrmStatus::kLblStatus);
        // Until the copy stage is under way: the counter shows, and the button offers the abort.
        ASSERT_TRUE(WaitUntil([&] { return !setup.Running() || (IsShown(counter) && (noCancel || IsEnabled(abort))); }));
        ASSERT_TRUE(setup.Running());
        EXPECT_EQ(IsEnabled(abort), !noCancel);
        SendMessageA(abort, BM_CLICK, 0, 0);
        ASSERT_TRUE(setup.WaitForExit(kPatienceMs));
        EXPECT_EQ(setup.ExitCode(), row.code);
        RemoveTree(root_ / "abort\\");
        DeleteRegistryKey("(Local)", kUninstallKey + key_, SetupBits());
    }
}

TEST_F(Unattended, TheProgramToRunAfterwardsIsNeverStartedWithoutAnyoneThere)
{
    const std::string marker = root_ / "started.txt";
    Script("[CopyFile]\r\nFile1=(App)\\A.TXT\r\n[ExecuteFile]\r\nFile=" QS_SLEEPER_EXE ",,CreateProcess\r\n");
    for (const char* switches : {"/VERYSILENT /SUPPRESSMSGBOXES", "/SILENT /SUPPRESSMSGBOXES /NORESTART"}) {
        SCOPED_TRACE(switches);
        const std::string log = root_ / "run.log";
        DeleteFileA(log.c_str());
        SetupProcess setup(pkg_ + "SETUP.EXE",
                           std::string(switches) + " /LOG=\"" + log + "\" /DIR=\"" + (root_ / "after") + "\"", temp_,
                           {"QS_SLEEPER_MARKER=" + marker});
        ASSERT_TRUE(setup.WaitForExit(kPatienceMs));
        EXPECT_EQ(setup.ExitCode(), 0u);
        EXPECT_NE(ReadFileBytes(log).find("終了後のプログラム " QS_SLEEPER_EXE " は無人の実行では起動しません"),
                  std::string::npos);
        EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
        DeleteRegistryKey("(Local)", kUninstallKey + key_, SetupBits());
    }
}

TEST_F(Unattended, AQuietRemovalLeavesAFileInUseToTheRestartAndSaysSoByItsCode)
{
    Script("[CopyFile]\r\nFile1=(App)\\A.TXT,/F\r\n");
    const std::string folder = root_ / "in use";
    ASSERT_EQ(Run(pkg_ + "SETUP.EXE", "/VERYSILENT /SUPPRESSMSGBOXES /DIR=\"" + folder + "\""), 0u);
    const CommandParts quiet = QuietUninstallCommand(key_, SetupBits());
    ASSERT_NE(quiet.program, "");
    const std::optional<std::string> pendingBefore = ReadPendingRenames();
    const std::string log = root_ / "remove.log";
    {
        HeldFile held(QS_HOLDFILE_EXE, folder + "\\A.TXT");
        ASSERT_TRUE(held.held()) << held.error();
        // As the entry says: the quiet removal never restarts; 3010 tells the tool to.
        EXPECT_EQ(Run(quiet.program, quiet.arguments + " /LOG=\"" + log + "\""), 3010u);
    }
    const std::string pending = ReadPendingRenames().value_or("");
    WritePendingRenames(pendingBefore);
    EXPECT_NE(pending.find(folder + "\\A.TXT"), std::string::npos) << "its deletion waits for the restart";
    const std::string text = ReadFileBytes(log);
    EXPECT_NE(text.find("残すファイル " + folder + "\\A.TXT（Windowsの再起動後に削除）"), std::string::npos) << text;
    EXPECT_EQ(text.find("Windowsの再起動 ->"), std::string::npos) << "no restart was asked for";
    RemoveTree(folder + "\\");
}
