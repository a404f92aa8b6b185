// Files of the 32-bit view as the x86-64 build reaches them (e2e/crossbuild_test.sh runs both).
#include "services/Views.h"
#include <gtest/gtest.h>

TEST(Views, OnlyFilesBelowTheOtherViewsSystemFolderMoveToSysWow64)
{
    const char* rows[][2] = {
        // path; the file in the 32-bit view (in this build's own view: the path)
        {"C:\\W\\SYSTEM32\\表\\b.dll", "C:\\W\\SysWOW64\\表\\b.dll"},
        {"C:\\W\\system32\\", "C:\\W\\system32\\"},                                        // the folder itself
        {"C:\\W\\system32x\\a", "C:\\W\\system32x\\a"},                                    // another folder
        {"C:\\W\\system32\\drivers\\etc\\hosts", "C:\\W\\system32\\drivers\\etc\\hosts"}}; // never redirected
    for (const auto& row : rows) {
        EXPECT_EQ(PathInView(row[0], RecordBits("32"), "C:\\W", "C:\\W\\system32\\"), row[1]) << row[0];
        for (const char* own : {"64", "", "x86"})
            EXPECT_EQ(PathInView(row[0], RecordBits(own), "C:\\W\\", "C:\\W\\system32"), row[0]) << own;
    }
}
