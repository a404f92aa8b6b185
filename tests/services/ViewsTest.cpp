// The two builds' views, seen from the x86-64 build: the other is the 32-bit one.
#include "services/Registry.h"
#include "services/SharedComponents.h"
#include "services/Views.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(Views, ARecordNamesItsBuildOrIsThisBuilds)
{
    EXPECT_EQ(OwnBits(), 64);
    for (const auto& [note, bits] : {std::pair{"32", 32}, {"64", 64}, {"", 0}, {" 32", 0}, {"86", 0}})
        EXPECT_EQ(RecordBits(note), bits) << note;
    EXPECT_EQ(ViewFlag(0) | ViewFlag(64), 0u);
    EXPECT_EQ(ViewFlag(32), static_cast<REGSAM>(KEY_WOW64_32KEY));
    EXPECT_EQ(OtherBits(0), 32);
    EXPECT_EQ(OtherBits(32), 64);
}

TEST(Views, OnlyFilesBelowTheOtherViewsSystemFolderMoveToSysWow64)
{
    const char* rows[][2] = {
        // path; the file as this build reaches it in the 32-bit view (in its own: the path)
        {"C:\\W\\system32\\A.DLL", "C:\\W\\SysWOW64\\A.DLL"},
        {"C:\\W\\SYSTEM32\\表\\b.dat", "C:\\W\\SysWOW64\\表\\b.dat"},
        {"C:\\W\\system32\\", "C:\\W\\system32\\"},                 // the folder itself
        {"C:\\W\\system32x\\a", "C:\\W\\system32x\\a"},             // another folder
        {"C:\\W\\system32\\drivers\\etc\\hosts", "C:\\W\\system32\\drivers\\etc\\hosts"}, // never redirected
        {"C:\\W\\system32\\CatRoot2\\x", "C:\\W\\system32\\CatRoot2\\x"},
        {"C:\\W\\a.dll", "C:\\W\\a.dll"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PathInView(row[0], 32, "C:\\W", "C:\\W\\system32\\"), row[1]) << row[0];
        EXPECT_EQ(PathInView(row[0], 64, "C:\\W\\", "C:\\W\\system32"), row[0]) << row[0];
    }
}

// A key and a shared count of the 32-bit view, beside ones of the same name in this view.
TEST(Views, KeysAndCountsOfTheOtherViewAreReachedAndRemovedThere)
{
    const std::string key = "SOFTWARE\\QuillonViewTest" + std::to_string(GetCurrentProcessId());
    for (int bits : {32, 64}) {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        registry.SetView(bits);
        ASSERT_TRUE(registry.OpenKey("\\" + key + "\\Sub", true));
        registry.WriteInteger("Bits", bits);
    }
    DeleteRegistryKey("(Local)", key, 32);
    TRegistry own;
    own.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(own.OpenKey("\\" + key + "\\Sub", false)) << "this view's key stays";
    EXPECT_EQ(own.ReadInteger("Bits"), 64);
    own.SetView(32);
    EXPECT_FALSE(own.KeyExists("\\" + key)) << "the 32-bit view's is gone";
    DeleteRegistryKey("(Local)", key);

    // Counted by the other build: a file present is not uncounted, unless it lies in the
    // system folder, which is a folder of each build's own.
    ScratchFolder dir;
    const std::string file = dir / "shared.dll";
    SharedCountRegister other;
    other.SetView(32);
    while (other.Count(file) > 0) other.Change(file, false); // left by a failed run
    other.Change(file, true);                                // installed by the other build
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_EQ(OtherBuildCount(file, "C:\\windows\\system32\\"), 1);
    EXPECT_EQ(OtherBuildCount(file, dir.path()), 0);
    EXPECT_EQ(ChangeSharedCount(file, true, OtherBuildCount(file, "C:\\windows\\system32\\")), 1);
    EXPECT_EQ(ChangeSharedCount(file, false), 0);
    EXPECT_EQ(other.Change(file, false), 0);
    EXPECT_EQ(OtherBuildCount(file, "C:\\windows\\system32\\"), 0);
}
