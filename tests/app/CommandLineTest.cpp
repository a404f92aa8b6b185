#include "app/CommandLine.h"
#include "app/Unattended.h"
#include "services/RunResult.h"

#include <gtest/gtest.h>

TEST(CommandLine, TheFirstParameterSkipsTheProgramAndLosesItsQuotes)
{
    EXPECT_EQ(FirstCommandLineParameter("SETUP.EXE"), "");
    EXPECT_EQ(FirstCommandLineParameter("\"C:\\Program Files\\SETUP.EXE\"   "), "");
    EXPECT_EQ(FirstCommandLineParameter("C:\\UNQUILLN.EXE C:\\App\\UNSETUP.INI"), "C:\\App\\UNSETUP.INI");
    EXPECT_EQ(FirstCommandLineParameter("\"C:\\My Apps\\SETUP.EXE\" \"C:\\My App\\UNSETUP.INI\" second"),
              "C:\\My App\\UNSETUP.INI");
    EXPECT_EQ(FirstCommandLineParameter("a.exe\tC:\\表示\\UNSETUP.INI"), "C:\\表示\\UNSETUP.INI");
    // A switch in first place is the first parameter too: the role stays the installer's.
    EXPECT_EQ(FirstCommandLineParameter("SETUP.EXE /VERYSILENT"), "/VERYSILENT");
}

TEST(CommandLine, SwitchesAreMatchedIgnoringCaseInAnyOrder)
{
    const CommandLine cl = ParseCommandLine(
        "SETUP.EXE /sp- /VerySilent /SUPPRESSMSGBOXES /norestart /LOG=\"C:\\ログ\\setup.log\" /dir=\"C:\\Program Files\\表示 ソフト\"");
    EXPECT_TRUE(cl.errors.empty()) << cl.errors.front();
    EXPECT_TRUE(cl.verySilent);
    EXPECT_FALSE(cl.silent);
    EXPECT_TRUE(cl.suppressMsgBoxes);
    EXPECT_TRUE(cl.noRestart);
    EXPECT_TRUE(cl.Unattended());
    EXPECT_EQ(cl.log, "C:\\ログ\\setup.log");
    EXPECT_EQ(cl.dir, "C:\\Program Files\\表示 ソフト");
    EXPECT_EQ(cl.switches.size(), 6u);

    const CommandLine un = ParseCommandLine("UNQUILLN.EXE \"C:\\App\\UNSETUP.INI\" /Silent /?");
    EXPECT_EQ(un.firstParameter, "C:\\App\\UNSETUP.INI");
    EXPECT_TRUE(un.silent);
    EXPECT_TRUE(un.help);
    EXPECT_TRUE(un.errors.empty());
}

TEST(CommandLine, WhatItCannotTakeIsAnErrorNeverIgnored)
{
    struct Row {
        const char* line;
        std::size_t errors;
        const char* first; // the first error, "" when none
    };
    for (const Row& r :
         {Row{"SETUP.EXE /QUIET", 1, "/QUIET : 不明なスイッチです"},
          Row{"SETUP.EXE /DIR=", 1, "/DIR= : フォルダが指定されていません"},
          // A switch that needs a value and has none says so.
          Row{"SETUP.EXE /dir", 1, "/dir : フォルダが指定されていません"},
          Row{"SETUP.EXE /LANG", 1, "/LANG : 言語が指定されていません"},
          Row{"SETUP.EXE /LOG=\"\"", 1, "/LOG= : ファイルが指定されていません"},
          Row{"SETUP.EXE /VERYSILENT /DIR=C:\\Program Files\\App", 1, "Files\\App : 不明なパラメータです"},
          Row{"SETUP.EXE /SILENT- /x", 2, "/SILENT- : 不明なスイッチです"}, Row{"SETUP.EXE - /SILENT", 0, ""},
          // Without switches a stray word is ignored, as it always was.
          Row{"SETUP.EXE one two three", 0, ""}}) {
        const CommandLine cl = ParseCommandLine(r.line);
        EXPECT_EQ(cl.errors.size(), r.errors) << r.line;
        EXPECT_EQ(cl.errors.empty() ? "" : cl.errors.front(), r.first) << r.line;
    }
}

TEST(CommandLine, WhatDeploymentToolsPassToEveryInstallerIsTaken)
{
    const CommandLine cl = ParseCommandLine("SETUP.EXE /VERYSILENT /NOCANCEL /LOG /CLOSEAPPLICATIONS /norestartapplications "
                                            "/RESTARTAPPLICATIONS /NOCLOSEAPPLICATIONS /LANG=japanese");
    EXPECT_TRUE(cl.errors.empty()) << cl.errors.front();
    EXPECT_TRUE(cl.noCancel);
    EXPECT_TRUE(cl.defaultLog) << "a bare /LOG: the temporary folder, the default name";
    EXPECT_TRUE(cl.LogRequested());
    EXPECT_EQ(cl.log, "");
    EXPECT_EQ(cl.ignored, (std::vector<std::string>{"/CLOSEAPPLICATIONS", "/norestartapplications",
                                                    "/RESTARTAPPLICATIONS", "/NOCLOSEAPPLICATIONS", "/LANG=japanese"}));
    LogFile log;
    EXPECT_TRUE(cl.Settings(log).noCancel);
    EXPECT_EQ(cl.Settings(log).log, &log);
    EXPECT_EQ(ParseCommandLine("SETUP.EXE /NORESTART").Settings(log).log, nullptr) << "the wizard logs only when asked";
}

TEST(ExitCode, SaysHowTheRunEnded)
{
    struct Row {
        RunResult result;
        int code;
    };
    const auto with = [](RunOutcome outcome, int failures, bool restartNeeded, bool restarted) {
        RunResult r;
        r.outcome = outcome;
        r.failures = failures;
        r.restartNeeded = restartNeeded;
        r.restarted = restarted;
        return r;
    };
    for (const Row& row :
         {Row{with(RunOutcome::Completed, 0, false, false), 0}, Row{with(RunOutcome::Completed, 0, true, false), 3010},
          // The program restarted Windows itself: it says so before it goes.
          Row{with(RunOutcome::Completed, 0, true, true), 1641}, Row{with(RunOutcome::Completed, 2, true, true), 1},
          Row{with(RunOutcome::Refused, 0, false, false), 3}, Row{with(RunOutcome::Cancelled, 0, false, false), 4},
          Row{with(RunOutcome::Failed, 0, false, false), 5}})
        EXPECT_EQ(ExitCodeOf(row.result), row.code);
}
