#include "scripts/InstalledEntry.h"

#include "services/Registry.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct Value {
    std::string name;
    DWORD type;
    std::string data;
    bool operator==(const Value&) const = default;
};

// Every value of the key, read with the plain API, by name (the registry lists values in
// an order of its own, not the order they were written in).
std::vector<Value> ReadValues(const std::string& keyPath)
{
    std::vector<Value> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name, type = 0, dataLen = 4096;
        BYTE data[4096];
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
        values.push_back(
            {name, type, std::string(reinterpret_cast<char*>(data), text && dataLen ? dataLen - 1 : dataLen)});
    }
    RegCloseKey(key);
    std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
    return values;
}

} // namespace

TEST(InstalledEntry, IsReadFromTheScriptWithItsDefaults)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI", "[Support]\r\nPublisher=表示社\r\nHelpLink=%ProgramFiles%\\help\r\n"));
    const InstalledEntry e = ReadInstalledEntry(dir / "SETUP.INI", "表示ソフト", "C:\\W\\UNQUILLN.EXE",
                                                "D:\\A\\UNSETUP.INI");
    EXPECT_EQ(e.KeyName, "表示ソフト");
    EXPECT_EQ(e.DisplayName, "表示ソフト");
    EXPECT_EQ(e.Publisher, "表示社");
    EXPECT_EQ(e.HelpLink, "%ProgramFiles%\\help");
    ASSERT_TRUE(WriteFileBytes(dir / "S2.INI", "[Title]\r\nUnSetupKey=Key\r\n"));
    const InstalledEntry k = ReadInstalledEntry(dir / "S2.INI", "T", "", "");
    EXPECT_EQ(k.KeyName, "Key");
    EXPECT_EQ(k.DisplayName, "Key") << "the display name defaults to the key name";
}

TEST(InstalledEntry, AnEmptyKeyNameCountsAsMissing)
{
    ScratchFolder dir;
    struct Row {
        const char* script;
        const char* unSetupTitle;
        const char* key;
        const char* display;
    };
    for (const Row& r :
         {Row{"[Title]\r\nUnSetupKey=\r\nUnSetupDisplay=\r\n", "表示ソフト", "表示ソフト", "表示ソフト"},
          Row{"[Title]\r\nUnSetupKey=\r\nSetup=セットアップ名\r\n", "", "セットアップ名", "セットアップ名"},
          Row{"[Title]\r\nUnSetupKey=\r\nSetup=\r\nUnSetup=\r\n", "", "Quillon Setup", "Quillon Setup"},
          Row{"[Title]\r\nUnSetupDisplay=表示名\r\n", "", "Quillon Setup", "表示名"}}) {
        SCOPED_TRACE(r.script);
        ASSERT_TRUE(WriteFileBytes(dir / "SETUP.INI", r.script));
        const InstalledEntry e = ReadInstalledEntry(dir / "SETUP.INI", r.unSetupTitle, "", "");
        EXPECT_EQ(e.KeyName, r.key);
        EXPECT_EQ(e.DisplayName, r.display);
        EXPECT_NE(UninstallKeyPath(e.KeyName).back(), '\\');
    }
}

TEST(InstalledEntry, ValuesAreWrittenWithTheirTypes)
{
    InstalledEntry e;
    e.KeyName = "QuillonTest Entry " + std::to_string(GetCurrentProcessId());
    e.DisplayName = "表示 ソフト";
    e.UninstallerPath = "C:\\windows\\UNQUILLN.EXE";
    e.RecordPath = "C:\\Program Files\\表示\\UNSETUP.INI";
    e.Publisher = "Pub";
    e.HelpLink = "%ProgramFiles%\\h";
    e.Readme = "readme";
    e.Comments = "c";
    e.EstimatedSizeKb = 0x01020304;
    e.InstallLocation = "C:\\Program Files\\表示\\";
    WriteInstalledEntry(e);
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e.KeyName;
    std::vector<Value> expected = {
        {"DisplayName", REG_SZ, "表示 ソフト"},
        {"UninstallString", REG_EXPAND_SZ, "C:\\windows\\UNQUILLN.EXE \"C:\\Program Files\\表示\\UNSETUP.INI\""},
        {"DisplayIcon", REG_SZ, "C:\\windows\\UNQUILLN.EXE"},
        {"Publisher", REG_SZ, "Pub"},
        {"HelpLink", REG_EXPAND_SZ, "%ProgramFiles%\\h"},
        {"Readme", REG_EXPAND_SZ, "readme"},
        {"Comments", REG_SZ, "c"},
        {"EstimatedSize", REG_DWORD, std::string("\x04\x03\x02\x01", 4)},
        {"InstallLocation", REG_SZ, "C:\\Program Files\\表示\\"},
        {"QuietUninstallString", REG_EXPAND_SZ,
         "C:\\windows\\UNQUILLN.EXE \"C:\\Program Files\\表示\\UNSETUP.INI\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"},
        {"NoModify", REG_DWORD, std::string("\x01\0\0\0", 4)},
        {"NoRepair", REG_DWORD, std::string("\x01\0\0\0", 4)},
    };
    std::sort(expected.begin(), expected.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
    const std::vector<Value> actual = ReadValues(key);
    DeleteRegistryKey("(Local)", key);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << i;
        EXPECT_EQ(actual[i].type, expected[i].type) << expected[i].name;
        EXPECT_EQ(actual[i].data, expected[i].data) << expected[i].name;
    }
    EXPECT_TRUE(ReadValues(key).empty());
}

TEST(InstalledEntry, ARecordIsSavedEvenWhenTheEntryCannotBeWritten)
{
    ScratchFolder dir;
    RecordTexts t;
    t.InstallFolder = dir.path();
    t.UnSetupWord = "アンインストール";
    t.UnSetupTitle = "x";
    InstalledEntry e;
    e.KeyName = std::string(300, 'k'); // longer than a key name may be
    ScriptedHost host;
    EXPECT_EQ(WriteRecord(host, RecordLists{}, t, e), dir / "UNSETUP.INI");
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].caption, "警告");
    EXPECT_EQ(host.questions[0].flags, 48u);
    EXPECT_NE(ReadFileBytes(dir / "UNSETUP.INI").find("[ProgramID]"), std::string::npos);
}
