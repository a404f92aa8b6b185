// The registry stages against the prefix's real registry: recorded keys under their
// roots, file associations handed back or removed, and the entry in the list of
// installed programs.
#include "UninstallFixture.h"

#include <windows.h>

namespace {

using UninstallRegistryTest = UninstallFixture;

const StageWords kNothingFailed = {"なし", "完了", "完了", "完了", "完了", "完了", "完了", "完了"};
const std::string kList = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

} // namespace

TEST_F(UninstallRegistryTest, RecordedKeysGoWithTheirTreesUnderTheRootTheirTokenNames)
{
    // A seven-character token in front, or none: the current user.
    CreateKey(HKEY_CURRENT_USER, UserKey("Cuser\\Sub\\Deeper"), "x");
    CreateKey(HKEY_CURRENT_USER, UserKey("NoToken\\Sub"));
    CreateKey(HKEY_CURRENT_USER, UserKey("Unknown\\Sub"));
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id);
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Local\\Sub");
    CreateKey(HKEY_CLASSES_ROOT, id + ".Class");
    CreateKey(HKEY_CLASSES_ROOT, id + ".Class\\CLSID");
    CreateKey(HKEY_USERS, ".DEFAULT\\Software\\" + id);
    CreateKey(HKEY_USERS, ".DEFAULT\\Software\\" + id + "\\Sub");
    // The token is compared exactly: "(local)" is the current user's key of that path.
    CreateKey(HKEY_CURRENT_USER, "Software\\" + id);
    CreateKey(HKEY_CURRENT_USER, "Software\\" + id + "\\Lower");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Lower");
    // "(" without ")" in the seventh place: the whole text is a key of the current user.
    const std::string parenthesised = "(" + id + ")";
    ASSERT_NE(parenthesised[6], ')');
    CreateKey(HKEY_CURRENT_USER, parenthesised);
    CreateKey(HKEY_CURRENT_USER, parenthesised + "\\Sub");
    CreateKey(HKEY_CURRENT_USER, parenthesised + "\\Keep");
    CreateKey(HKEY_CURRENT_USER, UserKey("Kept"));
    record.registry = {
        "(Cuser)\\" + UserKey("Cuser"),         UserKey("NoToken"),          "(Cuzer)\\" + UserKey("Unknown"),
        "(Local)\\SOFTWARE\\" + id + "\\Local", "(Class)\\" + id + ".Class", "(Users)\\.DEFAULT\\Software\\" + id,
        "(local)\\Software\\" + id + "\\Lower", parenthesised + "\\Sub",     "(Local)\\SOFTWARE\\" + id + "\\Missing"};
    Run();

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UserKey("Cuser")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UserKey("NoToken")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UserKey("Unknown")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Local"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, id + ".Class"));
    EXPECT_FALSE(KeyExists(HKEY_USERS, ".DEFAULT\\Software\\" + id));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\" + id + "\\Lower"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Lower"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, parenthesised + "\\Sub"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, parenthesised + "\\Keep"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, UserKey("Kept")));
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
}

TEST_F(UninstallRegistryTest, AssociationsAreHandedBackOrRemovedAndOurClassGoes)
{
    std::string ext[6];
    for (int i = 0; i < 6; ++i) {
        ext[i] = "qsu" + id.substr(11) + "e" + std::to_string(i);
        CreateKey(HKEY_CLASSES_ROOT, "." + ext[i]);
        CreateKey(HKEY_CLASSES_ROOT, ext[i] + "_auto_file");
        CreateKey(HKEY_CLASSES_ROOT, ext[i] + "_auto_file\\shell\\open\\command", "prog.exe \"%1\"");
    }
    // 0: another class before: handed back, our class goes, the extension's other keys stay.
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[0], ext[0] + "_auto_file");
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[0] + "\\ShellNew");
    // 1: nothing before: the extension goes whole.
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[1], ext[1] + "_auto_file");
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[1] + "\\ShellNew");
    // 2, 3: our class was the earlier one too (in any letter case): it stays.
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[2], "Other.Class");
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[3], "Other.Class");
    // 4: the extension key is gone already: nothing is made, our class goes.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("." + ext[4]).c_str());
    // 5: not recorded: untouched.
    CreateKey(HKEY_CLASSES_ROOT, "." + ext[5], ext[5] + "_auto_file");
    record.relates = {ext[0] + ",Prev.Class", ext[1] + ",", ext[2] + "," + ext[2] + "_auto_file",
                      ext[3] + "," + ext[3] + "_AUTO_FILE", ext[4] + ",Prev.Class"};
    Run();

    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "." + ext[0]), "Prev.Class");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "." + ext[0] + "\\ShellNew"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ext[0] + "_auto_file"));

    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "." + ext[1]));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ext[1] + "_auto_file"));

    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "." + ext[2]), ext[2] + "_auto_file");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ext[2] + "_auto_file\\shell\\open\\command"));
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "." + ext[3]), ext[3] + "_AUTO_FILE");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ext[3] + "_auto_file\\shell\\open\\command"));

    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "." + ext[4]));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ext[4] + "_auto_file"));

    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "." + ext[5]), ext[5] + "_auto_file");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ext[5] + "_auto_file"));
    EXPECT_EQ(state.FailureLog, "");
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
}

// An empty extension or one holding "\" names no association an installation made; read
// literally it would name "_auto_file" or a key below another one.
TEST_F(UninstallRegistryTest, AssociationsWithoutAnExtensionOrWithABackslashAreIgnored)
{
    const std::string top = "qsu" + id.substr(11);
    const std::string nested = top + "\\x";
    CreateKey(HKEY_CLASSES_ROOT, "." + top);
    CreateKey(HKEY_CLASSES_ROOT, top);
    CreateKey(HKEY_CLASSES_ROOT, "_auto_file", "kept");
    CreateKey(HKEY_CLASSES_ROOT, "." + nested, "kept");
    CreateKey(HKEY_CLASSES_ROOT, nested + "_auto_file", "kept");
    record.relates = {",Prev.Class", nested + ",Prev.Class", nested + ","};
    Run();
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "_auto_file"), "kept");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "." + nested), "kept");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, nested + "_auto_file"), "kept");
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
}

namespace {

struct EntryRow {
    const char* name;
    std::string (*key)(const std::string& id); // the record's [UnSetupRegistryKey] Key
    bool removed;
};

class InstalledEntryTest : public UninstallFixture, public ::testing::WithParamInterface<EntryRow> {};

} // namespace

// Only an entry strictly inside the list of installed programs is removed; the list and
// every other program's entry stay, whatever the record says.
TEST_P(InstalledEntryTest, OnlyAnEntryInsideTheListGoes)
{
    const EntryRow& row = GetParam();
    CreateKey(HKEY_LOCAL_MACHINE, kList + id, "x");
    CreateKey(HKEY_LOCAL_MACHINE, kList + id + "\\Sub");
    CreateKey(HKEY_LOCAL_MACHINE, kList + id + "-other", "other program");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id);
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Uninstall\\" + id);
    record.uninstallKey = row.key(id);
    Run();
    EXPECT_EQ(!KeyExists(HKEY_LOCAL_MACHINE, kList + id), row.removed);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kList + id + "-other"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + id + "\\Uninstall\\" + id));
    EXPECT_EQ(state.MessageLog, ExpectedLog(kNothingFailed, false));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, InstalledEntryTest,
    ::testing::Values(
        EntryRow{"AsWritten", [](const std::string& id) { return kList + id; }, true},
        EntryRow{"LeadingBackslash", [](const std::string& id) { return "\\" + kList + id; }, true},
        EntryRow{"OtherLetterCase",
                 [](const std::string& id) { return "software\\microsoft\\windows\\currentversion\\uninstall\\" + id; },
                 true},
        EntryRow{"EmptyName", [](const std::string&) { return kList; }, false},
        EntryRow{"TheListItself", [](const std::string&) { return kList.substr(0, kList.size() - 1); }, false},
        EntryRow{"DoubledBackslash", [](const std::string&) { return kList + "\\"; }, false},
        EntryRow{"OutsideTheList", [](const std::string& id) { return "SOFTWARE\\" + id + "\\Uninstall\\" + id; }, false},
        EntryRow{"Empty", [](const std::string&) { return std::string(); }, false}),
    [](const auto& info) { return std::string(info.param.name); });
