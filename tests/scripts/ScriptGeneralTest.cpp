#include "scripts/ScriptGeneral.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(GeneralKeys, AScriptWithoutKeysGivesTheDefaults)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI", "[Other]\r\nX=1\r\n"));
    const GeneralKeys k = ReadGeneralKeys(dir / "SETUP.INI");
    EXPECT_EQ(k.SetupString, "インストール");
    EXPECT_EQ(k.UnSetupString, "アンインストール");
    EXPECT_EQ(k.Setup, "Quillon Setup");
    EXPECT_EQ(k.UnSetup, "Quillon Setup");
    EXPECT_EQ(k.DefaultFolder, "(Prg)\\");
    EXPECT_EQ(StepDelayFromSetupSpeed(k.SetupSpeed), 350);
    EXPECT_EQ(k.UnInstallCheckEx, "NoData");
    EXPECT_EQ(k.UnInstallCheck, "NoData");
    EXPECT_EQ(k.EulaScrollBars, "ssVertical");
    EXPECT_EQ(k.ReadmeScrollBars, "ssVertical");
    EXPECT_EQ(k.EulaFile, "");
    EXPECT_EQ(k.ReadmeFile, "");
    EXPECT_EQ(k.InstallChecker, "");
    EXPECT_EQ(k.RejectOS, "");
    EXPECT_FALSE(OptionsLocked(k));
    EXPECT_TRUE(k.ShortcutNames.empty());
    // A missing script reads the same way.
    EXPECT_EQ(ReadGeneralKeys(dir / "missing.ini").Setup, "Quillon Setup");
}

TEST(GeneralKeys, ValuesAreReadFromTheirSections)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI", "[Extend]\r\nSetupString=導入\r\nEnabled=false\r\n"
                                                  "[Title]\r\nSetup=表示テスト\r\nProgram=ソフト\r\n"
                                                  "[TopMessage]\r\nMessage2=二行目\r\nMessage5=五\r\n"
                                                  "[ShortCut]\r\nName1=(Dsk)\\a\r\nName2=(Sta)\\b\r\nName4=(Sup)\\d\r\n"
                                                  "[UnSetupOption]\r\nCheckBox=1,0,1,0\r\n"));
    const GeneralKeys k = ReadGeneralKeys(dir / "SETUP.INI");
    EXPECT_EQ(k.SetupString, "導入");
    EXPECT_EQ(k.UnSetup, "表示テスト") << "UnSetup defaults to Setup";
    EXPECT_EQ(k.Program, "ソフト");
    EXPECT_EQ(k.TopMessages[0], "");
    EXPECT_EQ(k.TopMessages[1], "二行目");
    EXPECT_EQ(k.TopMessages[4], "五");
    EXPECT_FALSE(OptionsLocked(k)) << "only the exact word False locks";
    EXPECT_EQ(k.ShortcutNames, (std::vector<std::string>{"(Dsk)\\a", "(Sta)\\b"})) << "the list ends at a gap";
    EXPECT_EQ(k.UnSetupCheckBox, "1,0,1,0");
    GeneralKeys locked;
    locked.Enabled = "False";
    EXPECT_TRUE(OptionsLocked(locked));
}

TEST(GeneralKeys, SetupSpeedBecomesAStepDelayOfAtLeastOne)
{
    EXPECT_EQ(StepDelayFromSetupSpeed("350"), 350);
    EXPECT_EQ(StepDelayFromSetupSpeed("20"), 20);
    EXPECT_EQ(StepDelayFromSetupSpeed("0"), 1);
    EXPECT_EQ(StepDelayFromSetupSpeed("-5"), 1);
    EXPECT_EQ(StepDelayFromSetupSpeed("+7"), 7);
    EXPECT_EQ(StepDelayFromSetupSpeed("fast"), 350);
    EXPECT_EQ(StepDelayFromSetupSpeed("12ms"), 350);
    EXPECT_EQ(StepDelayFromSetupSpeed(""), 350);
    EXPECT_EQ(StepDelayFromSetupSpeed("99999999999"), 350);
}

TEST(GeneralKeys, CheckValuesNameAFileOrAProgramId)
{
    bool id = false;
    EXPECT_EQ(CheckValueProgramId("IDCheck:APP", id), "APP");
    EXPECT_TRUE(id);
    EXPECT_EQ(CheckValueProgramId("idcheck:App:rest", id), "App");
    EXPECT_TRUE(id);
    EXPECT_EQ(CheckValueProgramId("IDCheck:", id), "");
    EXPECT_TRUE(id);
    EXPECT_EQ(CheckValueProgramId("NoData", id), "");
    EXPECT_FALSE(id);
    EXPECT_EQ(ProgramFolderPath("E:\\Disk1\\", "\\eula.txt"), "E:\\Disk1\\eula.txt");
    EXPECT_EQ(ProgramFolderPath("E:\\Disk1\\", "doc\\表.txt"), "E:\\Disk1\\doc\\表.txt");
}

TEST(CheckerResult, AllowsOnlyContinueInstallAndBreaksMessageLines)
{
    ScratchFolder dir;
    const std::string file = dir / "QSRESULT.INI";
    EXPECT_FALSE(ReadCheckerResult(file).allowed) << "a missing file refuses";
    ASSERT_TRUE(WriteFileBytes(file, "[CheckResult]\r\nResult=ContinueInstall\r\nMessage=一行<改行>二行<改行>\r\n"));
    const CheckerResult ok = ReadCheckerResult(file);
    EXPECT_TRUE(ok.allowed);
    EXPECT_EQ(ok.message, "一行\r\n二行\r\n");
    ASSERT_TRUE(WriteFileBytes(file, "[CheckResult]\r\nResult=continueinstall\r\n"));
    EXPECT_FALSE(ReadCheckerResult(file).allowed);
}
