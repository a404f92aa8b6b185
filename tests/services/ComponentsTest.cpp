#include "services/SharedComponents.h"

#include "services/FileOps.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Copies of the test components in a folder whose name holds 0x5C trail bytes, and the
// log their entry points append "register <path>" / "unregister <path>" lines to.
class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(QS_REGTEST_OK, ok.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(QS_REGTEST_FAIL, failing.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(QS_REGTEST_NOENTRY, noEntry.c_str(), FALSE));
        ASSERT_TRUE(SetEnvironmentVariableA("QS_REGTEST_LOG", log.c_str()));
    }
    void TearDown() override { SetEnvironmentVariableA("QS_REGTEST_LOG", nullptr); }

    std::string Log() const { return ReadFileBytes(log); }

    ScratchFolder scratch;
    std::string folder = scratch / "表ソ能\\";
    std::string ok = folder + "good.ocx";
    std::string failing = folder + "failing.dll";
    std::string noEntry = folder + "plain.dll";
    std::string log = scratch / "calls.log";
    ScriptedHost host;
};

} // namespace

TEST_F(ComponentTest, RegistrationCallsTheEntryAndSucceedsOnZero)
{
    EXPECT_TRUE(RegisterComponent(host, "SETUP", ok, true));
    EXPECT_EQ(Log(), "register " + ok + "\n");
    EXPECT_TRUE(host.questions.empty());

    // Unregistration calls its entry but never counts as success.
    EXPECT_FALSE(RegisterComponent(host, "SETUP", ok, false));
    EXPECT_EQ(Log(), "register " + ok + "\nunregister " + ok + "\n");
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(ComponentTest, EachRegistrationProblemHasItsMessage)
{
    EXPECT_FALSE(RegisterComponent(host, "SETUP", failing, true));
    EXPECT_EQ(Log(), "register " + failing + "\n");
    EXPECT_FALSE(RegisterComponent(host, "UNSETUP", noEntry, true));
    const std::string missing = folder + "missing.dll";
    EXPECT_FALSE(RegisterComponent(host, "SETUP", missing, true));

    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[0].text, failing + "のDllRegisterServer関数が失敗しました。");
    EXPECT_EQ(host.questions[0].caption, "OCX/DLL登録エラー(Procedure)");
    EXPECT_EQ(host.questions[1].text, noEntry + "のDllRegisterServerエントリが見つかりません。");
    EXPECT_EQ(host.questions[1].caption, "OCX/DLL登録エラー(GetProcAddress)");
    EXPECT_EQ(host.questions[2].text, missing + "の読み込みに失敗しました。");
    EXPECT_EQ(host.questions[2].caption, "OCX/DLL登録エラー(LoadLibrary)");
    for (const auto& q : host.questions) EXPECT_EQ(q.flags, 48u);
}

TEST_F(ComponentTest, ALoadFailureIsReportedOnlyWhenRegisteringInTheInstaller)
{
    const std::string missing = folder + "missing.dll";
    EXPECT_FALSE(RegisterComponent(host, "UNSETUP", missing, true));
    EXPECT_FALSE(RegisterComponent(host, "SETUP", missing, false));
    // A file that is no DLL at all fails to load the same way.
    ASSERT_TRUE(WriteFileBytes(folder + "text.dll", "not a module"));
    EXPECT_FALSE(RegisterComponent(host, "UNSETUP", folder + "text.dll", true));
    EXPECT_FALSE(RegisterComponent(host, "SETUP", noEntry, false));
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(Log(), "");
}

TEST_F(ComponentTest, DeletingAComponentUnregistersItFirst)
{
    EXPECT_EQ(DeleteFiles(host, ok), 0u);
    EXPECT_EQ(Log(), "unregister " + ok + "\n");
    EXPECT_EQ(GetFileAttributesA(ok.c_str()), INVALID_FILE_ATTRIBUTES);

    // Components without the entry, or that do not load, are deleted silently.
    ASSERT_TRUE(WriteFileBytes(folder + "text.dll", "not a module"));
    EXPECT_EQ(DeleteFiles(host, noEntry), 0u);
    EXPECT_EQ(DeleteFiles(host, folder + "text.dll"), 0u);
    EXPECT_EQ(GetFileAttributesA(noEntry.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((folder + "text.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(host.questions.empty());
}

TEST(IsComponentFile, LooksForDllOrOcxAnywhereInAnyCase)
{
    for (const char* path : {"C:\\App\\a.dll", "C:\\App\\A.OCX", "C:\\App\\x.Dll", "C:\\lib.dll\\readme.txt",
                             "C:\\表.ocx", "C:\\App\\a.dllx"})
        EXPECT_TRUE(IsComponentFile(path)) << path;
    for (const char* path : {"", "C:\\App\\a.dl", "C:\\App\\dll", "C:\\App\\a_dll", "C:\\App\\ocx.exe"})
        EXPECT_FALSE(IsComponentFile(path)) << path;
}
