#include "app/StartupConfig.h"

#include "ScriptedHost.h"
#include "TestSupport.h"
#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// A scratch machine: the Windows folder (with QUSET98.INI) and a script; the state in
// the installer role on Windows XP.
class StartupConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        win_ = root_ / "win\\";
        prg_ = root_ / "prg\\";
        for (const std::string& f : {win_, prg_}) CreateDirectoryA(f.c_str(), nullptr);
        script_ = root_ / "SETUP.INI";
        state_.WindowsFolder = win_;
        state_.ProgramFilesFolder = prg_;
        state_.RunMode = "SETUP";
        state_.OsName = "Windows XP";
    }

    GeneralKeys Keys(const std::string& scriptText)
    {
        EXPECT_TRUE(WriteFileBytes(script_, scriptText));
        return ReadGeneralKeys(script_);
    }

    ScratchFolder root_;
    std::string win_, prg_, script_;
    AppState state_;
    ScriptedHost host_;
};

// A throwaway key HKCU\Software\QuillonTest\<pid>\<test>, removed after the test.
class ReferRegistryTest : public StartupConfigTest {
protected:
    void SetUp() override
    {
        StartupConfigTest::SetUp();
        base_ = CreateScratchRegistryKey(::testing::UnitTest::GetInstance()->current_test_info()->name(), key_);
        ASSERT_FALSE(base_.empty());
    }
    void TearDown() override
    {
        key_.reset();
        RemoveScratchRegistryKey(base_);
    }
    void SetString(const std::string& name, const std::string& value)
    {
        RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }

    std::string base_;
    UniqueRegKey key_;
};

const std::string kUnknownTitleLine = "【不明なタイトル】";

} // namespace

TEST(CreditsText, BuiltInOnlyWhenBothLinesAreEmpty)
{
    GeneralKeys k;
    EXPECT_EQ(CreditsText(k), "Quillon Installer\r\nSetup engine for Windows");
    k.CopyRight1 = "(C) Vendor";
    EXPECT_EQ(CreditsText(k), "(C) Vendor\r\n");
    k.CopyRight1.clear();
    k.CopyRight2 = "All rights";
    EXPECT_EQ(CreditsText(k), "\r\nAll rights");
}

TEST_F(StartupConfigTest, StateTakesWordsTitlesAndSpeed)
{
    StartupConfig c = ConfigureStartup(state_, Keys("[Extend]\r\nSetupSpeed=0\r\n"));
    EXPECT_EQ(state_.StepDelay, 1);
    EXPECT_EQ(state_.SetupWord, "インストール");
    EXPECT_EQ(state_.UnSetupTitle, "Quillon Setup");
    EXPECT_EQ(c.title, "Quillon Setup");
    EXPECT_EQ(c.folderGroupCaption, "インストールフォルダ");
    EXPECT_EQ(c.optionGroupCaption, "インストールオプション");
    EXPECT_EQ(c.endCaption, "インストール終了(&E)");
    EXPECT_EQ(state_.TitlePending + state_.EulaPending + state_.ReadmePending + state_.OptionsPending, 4);

    ConfigureStartup(state_, Keys("[Extend]\r\nSetupSpeed=-5\r\n"));
    EXPECT_EQ(state_.StepDelay, 1);
    ConfigureStartup(state_, Keys("[Extend]\r\nSetupSpeed=fast\r\n"));
    EXPECT_EQ(state_.StepDelay, 350);

    c = ConfigureStartup(state_, Keys("[Extend]\r\nSetupString=導入\r\nUnSetupString=削除\r\n"
                                      "[Title]\r\nSetup=Inst\r\nUnSetup=Uninst\r\n"));
    EXPECT_EQ(c.title, "Inst");
    EXPECT_EQ(c.endCaption, "導入終了(&E)");
    state_.RunMode = "UNSETUP";
    c = ConfigureStartup(state_, Keys("[Extend]\r\nSetupString=導入\r\nUnSetupString=削除\r\n"
                                      "[Title]\r\nSetup=Inst\r\nUnSetup=Uninst\r\n"));
    EXPECT_EQ(c.title, "Uninst");
    // The uninstaller's captions still name the installer's word.
    EXPECT_EQ(c.folderGroupCaption, "導入フォルダ");
}

TEST_F(StartupConfigTest, MessageTextPerRole)
{
    EXPECT_EQ(ConfigureStartup(state_, Keys("")).message, "インストールを行います。\r\n");
    EXPECT_EQ(ConfigureStartup(state_, Keys("[TopMessage]\r\nMessage2=Hello\r\n")).message, "\r\nHello\r\n\r\n\r\n\r\n");
    state_.RunMode = "UNSETUP";
    EXPECT_EQ(ConfigureStartup(state_, Keys("[TopMessage]\r\nMessage1=Hello\r\n")).message,
              "アンインストールを行います。\r\n\r\n開始するには、「アンインストール開始(S)」を"
              "選択してください。\r\n");
}

TEST_F(StartupConfigTest, ShortcutBoxesFollowTheNamedFoldersAndTheLock)
{
    StartupConfig c = ConfigureStartup(
        state_, Keys("[ShortCut]\r\nName1=(dsk)\\App\r\nName2=(STA)\\Grp\\App\r\nName4=(Sen)\\X\r\n"));
    EXPECT_TRUE(c.desktop.checked && c.desktop.enabled);
    EXPECT_TRUE(c.startMenu.checked && c.startMenu.enabled);
    // Name3 is missing, so Name4 is never read.
    EXPECT_FALSE(c.sendTo.checked || c.sendTo.enabled);
    EXPECT_FALSE(c.startUp.checked || c.startUp.enabled);
    EXPECT_TRUE(c.folderControlsEnabled);

    c = ConfigureStartup(state_, Keys("[Extend]\r\nEnabled=False\r\n[ShortCut]\r\nName1=(Sup)\\A\r\n"));
    EXPECT_TRUE(c.optionsLocked);
    EXPECT_TRUE(c.startUp.checked);
    EXPECT_FALSE(c.startUp.enabled);
    EXPECT_FALSE(c.folderControlsEnabled);
    EXPECT_FALSE(ConfigureStartup(state_, Keys("[Extend]\r\nEnabled=false\r\n")).optionsLocked);
}

TEST_F(StartupConfigTest, DefaultFolderSourcesOverrideInOrder)
{
    EXPECT_EQ(ConfigureStartup(state_, Keys("")).folder, prg_);
    EXPECT_EQ(ConfigureStartup(state_, Keys("[DefaultFolder]\r\nFolder=(Prg)\\Vendor\r\n")).folder, prg_ + "Vendor\\");

    // An earlier installation noted in the register is proposed.
    ASSERT_TRUE(WriteFileBytes(win_ + "QUSET98.INI", "[APP]\r\nFolder=D:\\Old\\App\\\r\n"));
    const std::string withId = "[ProgramID]\r\nID=APP\r\n[DefaultFolder]\r\nFolder=(Prg)\\Vendor\r\n";
    EXPECT_EQ(ConfigureStartup(state_, Keys(withId)).folder, "D:\\Old\\App\\");
    EXPECT_EQ(state_.ProgramId, "APP");

    // ReferIniFile wins over both; its macros are resolved before the split.
    ASSERT_TRUE(WriteFileBytes(win_ + "VENDOR.INI", "[Paths]\r\nHome=E:\\Home\r\n"));
    EXPECT_EQ(ConfigureStartup(state_, Keys(withId + "ReferIniFile=Paths,Home,(Win)VENDOR.INI\r\n")).folder,
              "E:\\Home\\");
    // A key it does not find leaves the earlier default.
    EXPECT_EQ(ConfigureStartup(state_, Keys(withId + "ReferIniFile=Paths,None,(Win)VENDOR.INI\r\n")).folder,
              "D:\\Old\\App\\");
}

TEST_F(StartupConfigTest, UninstallerProposesTheRecordedFolder)
{
    state_.RunMode = "UNSETUP";
    ASSERT_TRUE(WriteFileBytes(win_ + "QUSET98.INI", "[APP]\r\nFolder=D:\\Old\\\r\n"));
    const StartupConfig c = ConfigureStartup(state_,
                                             Keys("[SetupFolder]\r\nFolder=(Win)Prog\r\n[ProgramID]\r\nID=APP\r\n"));
    EXPECT_EQ(c.folder, win_ + "Prog\\");
    EXPECT_EQ(state_.ProgramId, "");
    EXPECT_EQ(state_.ReadmePending, 1);
    EXPECT_EQ(state_.TitlePending, 0);
    EXPECT_FALSE(c.folderControlsEnabled);
}

TEST_F(ReferRegistryTest, KeyWithoutRootTokenIsUnderTheCurrentUser)
{
    SetString("Path", "F:\\Tools\\App");
    EXPECT_EQ(ReadReferRegistry(base_ + ",Path"), "F:\\Tools\\App");
    EXPECT_EQ(ReadReferRegistry("\\" + base_ + "\\,Path"), "F:\\Tools\\App");
    EXPECT_EQ(ReadReferRegistry("(Cuser)\\" + base_ + ",Path"), "F:\\Tools\\App");
    // The same path under another root is not there.
    EXPECT_EQ(ReadReferRegistry("(Local)\\" + base_ + ",Path"), "");
    EXPECT_EQ(ReadReferRegistry(base_ + ",Missing"), "");
    EXPECT_EQ(ReadReferRegistry(base_ + "\\NoKey,Path"), "");

    const DWORD number = 7;
    RegSetValueExA(key_.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    EXPECT_EQ(ReadReferRegistry(base_ + ",Number"), "");

    const StartupConfig c = ConfigureStartup(state_, Keys("[DefaultFolder]\r\nReferRegistry=" + base_ + ",Path\r\n"));
    EXPECT_EQ(c.folder, "F:\\Tools\\App\\");
}

TEST_F(StartupConfigTest, RejectedSystemIsFoundInsideTheList)
{
    state_.OsName = "Windows 98";
    const GeneralKeys keys = Keys("[Extend]\r\nRejectOS=Windows 95,WINDOWS 98<SE>\r\n");
    EXPECT_EQ(CheckInstallPreconditions(state_, keys, prg_, host_), StartupRefusal::RejectedSystem);
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].text, "このオペレーティングシステムへのインストールは、プログラム配布者により認められて"
                                       "いません。\r\n詳細については、プログラム配布者へご確認ください。\r\n"
                                       "インストールを続行することはできません。");
    EXPECT_EQ(host_.questions[0].caption, "警告");
    EXPECT_EQ(host_.questions[0].flags, 48u);

    state_.OsName = "Windows XP";
    EXPECT_EQ(CheckInstallPreconditions(state_, keys, prg_, host_), StartupRefusal::None);
    EXPECT_EQ(host_.questions.size(), 1u);
}

TEST_F(StartupConfigTest, RequiredRemovalOfAnEarlierFile)
{
    // "NoData" is an ordinary file name in the default folder.
    EXPECT_EQ(CheckInstallPreconditions(state_, Keys(""), prg_, host_), StartupRefusal::None);
    EXPECT_TRUE(host_.questions.empty());

    ASSERT_TRUE(WriteFileBytes(prg_ + "old.exe", "x"));
    const GeneralKeys keys = Keys("[Caution]\r\nUnInstallCheckEx=\\old.exe\r\nUnInstallCheck=old.exe\r\n");
    EXPECT_EQ(ResolveCheckValue(state_, "\\old.exe", prg_).path, prg_ + "old.exe");
    EXPECT_EQ(CheckInstallPreconditions(state_, keys, prg_, host_), StartupRefusal::RemovalRequired);
    ASSERT_EQ(host_.questions.size(), 1u); // the recommendation is not asked as well
    EXPECT_EQ(host_.questions[0].text, "インストーラはチェック対象プログラムを検出しました。\r\nインストールを続行する"
                                       "ためには、前バージョンのアンインストールを行う必要があります。");
    EXPECT_EQ(host_.questions[0].caption, "エラー");
    EXPECT_EQ(host_.questions[0].flags, 48u);
}

TEST_F(StartupConfigTest, RequiredRemovalOfAnInstalledProgramId)
{
    const GeneralKeys keys = Keys("[Caution]\r\nUnInstallCheckEx=IDCheck:APP\r\n");
    // No [APP] section in the register: nothing found.
    EXPECT_EQ(CheckInstallPreconditions(state_, keys, prg_, host_), StartupRefusal::None);
    EXPECT_TRUE(host_.questions.empty());

    const std::string old = root_ / "old\\";
    CreateDirectoryA(old.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(win_ + "QUSET98.INI", "[APP]\r\nFolder=" + old + "\r\n"));
    ASSERT_TRUE(WriteFileBytes(old + "UNSETUP.INI", "[Title]\r\nSetup=Old\r\n"));
    EXPECT_EQ(CheckInstallPreconditions(state_, keys, prg_, host_), StartupRefusal::RemovalRequired);
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].text, "インストーラはチェック対象プログラム識別子を検出しました。\r\n" +
                                           kUnknownTitleLine +
                                           "\r\nインストールを続行するためには、上記プログラムのアンインストールを行う"
                                           "必要があります。");
    EXPECT_EQ(host_.questions[0].caption, "エラー");
    EXPECT_EQ(host_.questions[0].flags, 48u);
}

TEST_F(StartupConfigTest, RecommendedRemovalWarnsWithoutRefusing)
{
    const std::string risk = "\r\nインストールはこのまま続行できますが、予期せぬ結果を招く可能性が"
                             "あります。\r\nできる限り中断して、前バージョンのアンインストールを"
                             "行うことをお勧めします。";
    ASSERT_TRUE(WriteFileBytes(prg_ + "old.exe", "x"));
    EXPECT_EQ(CheckInstallPreconditions(state_, Keys("[Caution]\r\nUnInstallCheck=old.exe\r\n"), prg_, host_),
              StartupRefusal::None);
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].text, "インストーラはチェック対象プログラムを検出しました。\r\nパッケージ配布者は、"
                                       "前バージョンのプログラムのアンインストールを推奨しています。" +
                                           risk);
    EXPECT_EQ(host_.questions[0].caption, "警告");
    EXPECT_EQ(host_.questions[0].flags, 48u);

    const std::string old = root_ / "old";
    CreateDirectoryA(old.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(win_ + "QUSET98.INI", "[APP]\r\nFolder=" + old + "\r\n"));
    ASSERT_TRUE(WriteFileBytes(old + "\\UNSETUP.INI", "[Title]\r\nUnSetup=旧版\r\n"));
    EXPECT_EQ(CheckInstallPreconditions(state_, Keys("[Caution]\r\nUnInstallCheck=idcheck:APP\r\n"), prg_, host_),
              StartupRefusal::None);
    ASSERT_EQ(host_.questions.size(), 2u);
    EXPECT_EQ(host_.questions[1].text, "インストーラはチェック対象プログラム識別子を検出しました。\r\n【旧版】\r\n"
                                       "パッケージ配布者は、上記プログラムのアンインストールを推奨しています。" +
                                           risk);
    EXPECT_EQ(host_.questions[1].caption, "警告");
    EXPECT_EQ(state_.LastAnswer, 1);
}
