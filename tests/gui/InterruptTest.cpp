// SETUP.EXE killed in the middle of an installation or a removal and started again: the
// earlier record is never half-written or lost, the second run completes, and the
// removal afterwards takes away everything either run put in place.
#include "SetupDriver.h"
#include "TestSupport.h"
#include "scripts/UninstallRecord.h"
#include "services/Registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kFiles = 40;
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Number(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "F%03d", n);
    return text;
}

class Interrupted : public ::testing::Test {
protected:
    void SetUp() override
    {
        pkg_ = root_ / "pkg\\";
        temp_ = root_ / "tmp\\";
        app_ = root_ / "中断 テスト";
        CreateDirectoryA(pkg_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(QS_SETUP_EXE, (pkg_ + "SETUP.EXE").c_str(), FALSE));
        key_ = "QuillonInterrupted" + std::to_string(GetCurrentProcessId());
        std::string script = "[Title]\r\nSetup=中断テスト\r\nUnSetupKey=" + key_ +
                             "\r\n[MakeFolder]\r\nFolder1=(App)\\data\r\n[CopyFile]\r\n";
        for (int n = 1; n <= kFiles; ++n) {
            ASSERT_TRUE(WriteFileBytes(pkg_ + Number(n) + ".TXT", std::string(2048, static_cast<char>('a' + n % 26))));
            script += "File" + std::to_string(n) + "=(App)\\data\\" + Number(n) + ".TXT\r\n";
        }
        script += "[ShortCut]\r\nMake1=(App)\\data\\F001.TXT\r\nName1=(App)\\links\\最初\r\n"
                  "[Registry]\r\nKey1=(Cuser)\\Software\\" +
                  key_ +
                  "\\Settings\r\nName1=Folder\r\nValue1=(Str)(App)\r\n"
                  "[DeleteRegistry]\r\nKey1=(Cuser)\\Software\\" +
                  key_ + "\r\n";
        ASSERT_TRUE(WriteFileBytes(pkg_ + "SETUP.INI", script));
    }
    void TearDown() override
    {
        DeleteRegistryKey("(Local)", kUninstallKey + key_);
        DeleteRegistryKey("(Cuser)", "Software\\" + key_);
    }

    // Runs to the end; the exit code.
    DWORD Complete(const std::string& program, const std::string& arguments)
    {
        SetupProcess setup(program, arguments, temp_);
        if (!setup.Started() || !setup.WaitForExit(120000)) return 9999;
        return setup.ExitCode();
    }
    DWORD Install() { return Complete(pkg_ + "SETUP.EXE", "/VERYSILENT /SUPPRESSMSGBOXES /DIR=\"" + app_ + "\""); }
    DWORD Uninstall()
    {
        const CommandParts quiet = QuietUninstallCommand(key_);
        return quiet.program.empty() ? 9999 : Complete(quiet.program, quiet.arguments);
    }

    // Starts a run with a log and kills it once the log holds the marker. True when the
    // kill hit the run before its end (the log's last line, unless that is the marker):
    // a kill after the end (the stages after some markers take only milliseconds)
    // interrupts nothing.
    bool KillAt(const std::string& program, const std::string& arguments, const std::string& marker)
    {
        const std::string log = root_ / "kill.log";
        DeleteFileA(log.c_str());
        SetupProcess setup(program, arguments + " /LOG=\"" + log + "\"", temp_);
        EXPECT_TRUE(setup.Started());
        // Looks every millisecond, not at the usual pace.
        const DWORD start = GetTickCount();
        bool seen = false;
        while (!seen && setup.Running() && GetTickCount() - start < 120000) {
            seen = ReadFileBytes(log).find(marker) != std::string::npos;
            if (!seen) Sleep(1);
        }
        setup.Kill();
        const std::string written = ReadFileBytes(log);
        EXPECT_NE(written.find(marker), std::string::npos) << "the run never reached " << marker;
        const std::string last = "終了コード";
        return setup.ExitCode() == SetupProcess::kKilled && (marker == last || written.find(last) == std::string::npos);
    }

    // Nothing of the installation is left.
    void ExpectRemoved()
    {
        EXPECT_EQ(GetFileAttributesA(app_.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(TRegistry().KeyExists("\\Software\\" + key_));
        TRegistry machine;
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        EXPECT_FALSE(machine.KeyExists(std::string("\\") + kUninstallKey + key_));
    }

    ScratchFolder root_;
    std::string pkg_, temp_, app_, key_;
};

// A record as the writer leaves it: every file listed, and the last section whole.
bool IsWholeRecord(const std::string& record, const std::string& app)
{
    for (int n = 1; n <= kFiles; ++n) {
        if (record.find("=" + app + "\\data\\" + Number(n) + ".TXT\r\n") == std::string::npos) return false;
    }
    const std::string tail = "[ProgramID]\r\nID=\r\n";
    return record.size() > tail.size() && record.compare(record.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST_F(Interrupted, AnInstallationKilledAnywhereLeavesTheRecordWholeAndIsCompletedByTheNext)
{
    int interrupted = 0;
    for (const std::string& marker : {std::string("フォルダを作成しています"), Number(5) + ".TXT -> 成功",
                                      Number(30) + ".TXT -> 成功", std::string("ショートカットを作成しています"),
                                      std::string("アンインストール情報を更新しています"), std::string("終了コード")}) {
        SCOPED_TRACE(marker);
        ASSERT_EQ(Install(), 0u);
        const std::string record = app_ + "\\UNSETUP.INI";
        const std::string earlier = ReadFileBytes(record);
        ASSERT_TRUE(IsWholeRecord(earlier, app_));

        interrupted += KillAt(pkg_ + "SETUP.EXE", "/VERYSILENT /SUPPRESSMSGBOXES /DIR=\"" + app_ + "\"", marker);
        const std::string after = ReadFileBytes(record);
        EXPECT_TRUE(after == earlier || IsWholeRecord(after, app_)) << after;

        EXPECT_EQ(Install(), 0u) << "the next run completes";
        EXPECT_TRUE(IsWholeRecord(ReadFileBytes(record), app_));
        EXPECT_EQ(Uninstall(), 0u);
        ExpectRemoved();
    }
    // Counted, as the removal's resumed rounds are: the last marker comes moments before
    // the end, and a loaded machine may let one more run end before its kill.
    EXPECT_GE(interrupted, 4) << "the kills mid-run hit a running program";
}

TEST_F(Interrupted, AFirstInstallationKilledIsCompletedByTheNextAndRemovedWhole)
{
    // A kill that came after the end proves nothing: such a round is removed and run again.
    bool interrupted = false;
    for (int attempt = 0; attempt < 5 && !interrupted; ++attempt) {
        interrupted = KillAt(pkg_ + "SETUP.EXE", "/VERYSILENT /SUPPRESSMSGBOXES /DIR=\"" + app_ + "\"",
                             Number(20) + ".TXT -> 成功");
        if (!interrupted) {
            ASSERT_EQ(Uninstall(), 0u);
        }
    }
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(Install(), 0u);
    EXPECT_EQ(Uninstall(), 0u);
    ExpectRemoved();
}

TEST_F(Interrupted, ARemovalKilledAnywhereIsCompletedByTheSameUninstallString)
{
    int resumed = 0;
    for (const std::string& marker : {std::string("ファイルのアンインストール処理"), Number(10) + ".TXT -> 成功",
                                      std::string("UNSETUP.INI -> 成功"), std::string("フォルダのアンインストール処理"),
                                      std::string("レジストリのアンインストール処理"),
                                      std::string("「プログラム(アプリケーション)の追加と削除」の処理")}) {
        SCOPED_TRACE(marker);
        ASSERT_EQ(Install(), 0u);
        const CommandParts quiet = QuietUninstallCommand(key_);
        ASSERT_NE(quiet.program, "");
        const bool killed = KillAt(quiet.program, quiet.arguments, marker);
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        const std::string resume = ResumeRecordPath(windows, app_ + "\\UNSETUP.INI");
        // The copy kept for resuming goes only once a run has ended: a run killed before
        // that leaves it, and without it there is nothing to start again.
        const bool resumable = GetFileAttributesA(resume.c_str()) != INVALID_FILE_ATTRIBUTES;
        EXPECT_TRUE(killed || !resumable) << "a run that ended keeps nothing to resume";
        if (resumable) {
            ++resumed;
            const std::string log = root_ / "again.log";
            DeleteFileA(log.c_str());
            // Files the first run removed are reported missing now: done, with failures.
            const DWORD code = Complete(quiet.program, quiet.arguments + " /LOG=\"" + log + "\"");
            EXPECT_TRUE(code == 0 || code == 1) << code << "\n" << ReadFileBytes(log);
            EXPECT_EQ(GetFileAttributesA(resume.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing left to resume";
        }
        ExpectRemoved();
    }
    EXPECT_GE(resumed, 3) << "the early stops were all resumed";
}

TEST_F(Interrupted, ARemovalKilledAfterASharedCountDownCountsItOnlyOnce)
{
    // A file another program counts as well, first in the list so the kill comes early.
    ASSERT_TRUE(WriteFileBytes(pkg_ + "SHARED.DAT", "shared"));
    std::string script = ReadFileBytes(pkg_ + "SETUP.INI");
    const std::size_t list = script.find("[CopyFile]\r\n") + 12;
    script.insert(list, "File0=x\r\n");
    for (int n = kFiles; n >= 1; --n) {
        const std::string from = "File" + std::to_string(n) + "=", to = "File" + std::to_string(n + 1) + "=";
        script.replace(script.find(from), from.size(), to);
    }
    script.replace(script.find("File0=x"), 7, "File1=(App)\\SHARED.DAT,/S");
    ASSERT_TRUE(WriteFileBytes(pkg_ + "SETUP.INI", script));
    ASSERT_EQ(Install(), 0u);
    const std::string shared = app_ + "\\SHARED.DAT";
    TRegistry counts;
    counts.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(counts.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", false));
    counts.WriteInteger(shared, 2); // the other program

    const CommandParts quiet = QuietUninstallCommand(key_);
    ASSERT_NE(quiet.program, "");
    ASSERT_TRUE(KillAt(quiet.program, quiet.arguments, "共有カウント " + shared + " = 1"));
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_NE(GetFileAttributesA(ResumeRecordPath(windows, app_ + "\\UNSETUP.INI").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the kill interrupted the removal";
    const std::string log = root_ / "again.log";
    Complete(quiet.program, quiet.arguments + " /LOG=\"" + log + "\"");
    EXPECT_EQ(SharedCount(shared), 1) << ReadFileBytes(log);
    EXPECT_EQ(ReadFileBytes(shared), "shared") << "the other program's file stays";
    EXPECT_EQ(ReadFileBytes(log).find("ファイル削除の確認"), std::string::npos) << "nobody is asked about it";
    counts.DeleteValue(shared);
    RemoveTree(app_ + "\\");
}
