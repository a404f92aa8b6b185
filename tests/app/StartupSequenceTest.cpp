#include "app/StartupSequence.h"

#include <gtest/gtest.h>

TEST(FirstCommandLineParameter, SkipsTheProgramAndRemovesQuotes)
{
    EXPECT_EQ(FirstCommandLineParameter("SETUP.EXE"), "");
    EXPECT_EQ(FirstCommandLineParameter("\"C:\\Program Files\\SETUP.EXE\"   "), "");
    EXPECT_EQ(FirstCommandLineParameter("C:\\UNQUILLN.EXE C:\\App\\UNSETUP.INI"), "C:\\App\\UNSETUP.INI");
    EXPECT_EQ(FirstCommandLineParameter("\"C:\\My Apps\\SETUP.EXE\" \"C:\\My App\\UNSETUP.INI\" second"),
              "C:\\My App\\UNSETUP.INI");
    EXPECT_EQ(FirstCommandLineParameter("a.exe\tC:\\表示\\UNSETUP.INI"), "C:\\表示\\UNSETUP.INI");
}
