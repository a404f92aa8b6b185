#include "app/CommandLine.h"

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
    };
    for (const Row& r : {Row{"SETUP.EXE /QUIET", 1}, Row{"SETUP.EXE /DIR=", 1}, Row{"SETUP.EXE /LOG=\"\"", 1},
                         Row{"SETUP.EXE /VERYSILENT /DIR=C:\\Program Files\\App", 1},
                         Row{"SETUP.EXE /SILENT- /x", 2}, Row{"SETUP.EXE - /SILENT", 0},
                         // Without switches a stray word is ignored, as it always was.
                         Row{"SETUP.EXE one two three", 0}}) {
        const CommandLine cl = ParseCommandLine(r.line);
        EXPECT_EQ(cl.errors.size(), r.errors) << r.line;
    }
    EXPECT_EQ(ParseCommandLine("SETUP.EXE /QUIET").errors.front(), "/QUIET : 不明なスイッチです");
}
