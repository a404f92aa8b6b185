#include "services/Launch.h"

#include "foundation/uStrOp.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return AddBackslash(temp, "B");
}

// A copy of tests/tools/sleeper.exe in a scratch folder; it records its current folder
// and command line in marker.txt when it ends.
class Launch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(QS_SLEEPER_EXE, exe.c_str(), FALSE)) << QS_SLEEPER_EXE;
        SetEnvironmentVariableA("QS_SLEEPER_MARKER", marker.c_str());
        SetEnvironmentVariableA("QS_SLEEPER_MS", "1000");
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("QS_SLEEPER_MARKER", nullptr);
        SetEnvironmentVariableA("QS_SLEEPER_UNTIL", nullptr);
    }

    // The helper's record once it has ended ("" when it never came).
    std::string WaitForMarker() const
    {
        WaitUntil([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; });
        return ReadFileBytes(marker);
    }
    static std::string Field(const std::string& record, const std::string& name)
    {
        const std::size_t at = record.find(name + "=");
        if (at == std::string::npos) return "<none>";
        const std::size_t start = at + name.size() + 1;
        return record.substr(start, record.find("\r\n", start) - start);
    }

    ScratchFolder dir;
    std::string exe = dir / "sleeper.exe";
    std::string marker = dir / "marker.txt";
    ScriptedHost host;
};

// A host that really pumps this thread's messages, as the windows' host does. At the
// fifth timer tick it creates the file `release`.
class PumpingHost : public ScriptedHost {
public:
    void ProcessMessages() override
    {
        ScriptedHost::ProcessMessages();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && ++timerTicks == 5) WriteFileBytes(release, "");
            DispatchMessageA(&msg);
        }
    }
    int timerTicks = 0;
    std::string release;
};

} // namespace

TEST_F(Launch, RunAndWaitReturnsMinusOneAfterTheProgramEndedInItsOwnFolder)
{
    EXPECT_EQ(RunAndWait(host, exe, "p1 p2"), -1);
    EXPECT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the record is written as the helper ends, so it exists on return";
    const std::string record = ReadFileBytes(marker);
    EXPECT_EQ(AddBackslash(Field(record, "cwd"), "B"), dir.path());
    EXPECT_NE(Field(record, "cmdline").find("p1 p2"), std::string::npos) << record;
    EXPECT_GE(host.processMessagesCalls, 1);
    EXPECT_TRUE(host.questions.empty());
    ASSERT_EQ(host.logs.size(), 2u) << "the wait, logged as it starts and as it ends";
    EXPECT_EQ(host.logs[0], "終了を待ちます: " + exe + " p1 p2");
    EXPECT_EQ(host.logs[1].rfind("終了しました: " + exe + " p1 p2（", 0), 0u) << host.logs[1];
}

TEST_F(Launch, RunAndWaitKeepsTheMessageQueueRunningWhileItWaits)
{
    // The helper runs until this thread has handled five timer ticks during the wait
    // (or a minute has passed); a wait that blocks the queue sees at most one.
    PumpingHost pumping;
    pumping.release = dir / "release";
    SetEnvironmentVariableA("QS_SLEEPER_UNTIL", pumping.release.c_str());
    SetEnvironmentVariableA("QS_SLEEPER_MS", std::to_string(kPatienceMs).c_str());
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(RunAndWait(pumping, exe, ""), -1);
    KillTimer(nullptr, timer);
    EXPECT_GE(pumping.timerTicks, 5);
}

TEST_F(Launch, RunAndWaitReportsAFailedStartWithoutAMessage)
{
    EXPECT_EQ(RunAndWait(host, dir / "missing.exe", ""), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(Launch, ShellRunStartsWithoutWaitingInTheFolderOrElseInTempFolder)
{
    SetEnvironmentVariableA("QS_SLEEPER_MS", "0");
    EXPECT_EQ(ShellRun(host, exe, "x", dir.path(), TempFolder()), 0);
    EXPECT_EQ(AddBackslash(Field(WaitForMarker(), "cwd"), "B"), dir.path());
    DeleteFileA(marker.c_str());

    EXPECT_EQ(ShellRun(host, exe, "", dir / "missing\\", TempFolder()), 0);
    EXPECT_EQ(AddBackslash(Field(WaitForMarker(), "cwd"), "B"), TempFolder());
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(Launch, ShellRunOfAMissingFileWarnsWithTheTextOfError2AndReturnsZero)
{
    const std::string missing = dir / "表missing.exe";
    EXPECT_EQ(ShellRun(host, missing, "/a", dir.path(), TempFolder()), 0);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].text, "プログラム実行失敗\r\n" + missing + " /a\r\n\r\n" + ErrorText(2));
    EXPECT_EQ(host.questions[0].caption, "警告");
    EXPECT_EQ(host.questions[0].flags, 48u);
}

TEST_F(Launch, CreateProcessRunPassesOneBlankAndTheParameters)
{
    SetEnvironmentVariableA("QS_SLEEPER_MS", "0");
    EXPECT_EQ(CreateProcessRun(host, exe, "-x \"a b\"", dir.path(), TempFolder()), 0u);
    const std::string record = WaitForMarker();
    EXPECT_EQ(Field(record, "cmdline"), " -x \"a b\"");
    EXPECT_EQ(AddBackslash(Field(record, "cwd"), "B"), dir.path());
    DeleteFileA(marker.c_str());

    EXPECT_EQ(CreateProcessRun(host, exe, "", dir / "missing", TempFolder()), 0u);
    const std::string bare = WaitForMarker();
    EXPECT_EQ(AddBackslash(Field(bare, "cwd"), "B"), TempFolder());
    EXPECT_NE(Field(bare, "cmdline").rfind(' ', 0), 0u) << "no parameters, no leading blank: " << bare;
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(Launch, CreateProcessRunReturnsAndShowsTheErrorOfAFailedStart)
{
    const std::string missing = dir / "missing.exe";
    EXPECT_EQ(CreateProcessRun(host, missing, "p", dir.path(), TempFolder()), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].text, "プログラム実行失敗\r\n" + missing + " p\r\n\r\n" + ErrorText(2));
    EXPECT_EQ(host.questions[0].caption, "警告");
    EXPECT_EQ(host.questions[0].flags, 48u);
}
