// The stages after the files: shortcuts governed by the options, registry values of
// every type, a registry error that ends the run, and associations.
#include "InstallFixture.h"

#include "foundation/ComPtr.h"

#include <shlobj.h>

using namespace install_test;

namespace {

using Settings = InstallTest;
using Strings = std::vector<std::string>;

struct Link {
    std::string target, arguments, workingFolder;
};

// A link file read back through the shell's own link object.
Link ReadLink(const std::string& file)
{
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())))
        return {"<no link object>", "", ""};
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), MAX_PATH));
    if (FAILED(persist->Load(wide.c_str(), STGM_READ))) return {"<unreadable>", "", ""};
    char target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    return {target, arguments, folder};
}

} // namespace

TEST_F(Settings, ShortcutsFollowTheOptionsAndOnlyMadeOnesAreRecorded)
{
    WriteScript(R"([CopyFile]
File1=(App)\tool.exe
File2=(App)\blocker
[ShortCut]
Make1=(App)\tool.exe
Name1=(Dsk)\Tool
Make2=(App)\tool.exe
Name2=(C_Dsk)\Tool
Make3=(App)\tool.exe,-a -b
Name3=(Sta)\Grp\Main
Make4=(App)\tool.exe
Name4=Grp\Tool,(App)
Make5=(App)\tool.exe
Make6=(App)\tool.exe
Name6=(Sup)\Tool
Make7=(App)\tool.exe
Name7=(Sen)\Tool
Make8=(App)\tool.exe
Name8=(App)\blocker\Bad
Make9=(App)\tool.exe
Name9=(Dsk)\After
)");
    AddSource("tool.exe", "MZ");
    AddSource("blocker", "a file where the link's folder would go");
    MakeInstallFolder();
    host.options.boxes[0].checked = false; // desktop
    host.options.boxes[2].checked = false; // start-up
    const std::string& programs = state.ProgramsFolder;

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_NE(state.MessageLog.find("ショートカットを作成しています．．．完了\r\n"), std::string::npos);
    const std::string from = "【作成元】" + inst + "tool.exe\r\n【作成先】";
    const Strings details = Details(host);
    ASSERT_EQ(details.size(), 7u);
    EXPECT_EQ(
        Strings(details.begin() + 2, details.end()),
        (Strings{from + programs + "Grp\\Main\r\n", from + programs + "Grp\\Tool\r\n", from + programs + "tool.exe\r\n",
                 from + state.SendToFolder + "Tool\r\n", from + inst + "blocker\\Bad\r\n"}));

    EXPECT_EQ(RecordLines("DeleteShortCut", "File"),
              (Strings{programs + "Grp\\Main.lnk", programs + "Grp\\Tool.lnk", programs + "tool.exe.lnk",
                       state.SendToFolder + "Tool.lnk"}));
    for (const std::string& absent : {state.DesktopFolder + "Tool.lnk", state.CommonDesktopFolder + "Tool.lnk",
                                      state.StartupFolder + "Tool.lnk", state.DesktopFolder + "After.lnk"})
        EXPECT_FALSE(Exists(absent)) << absent;

    const Link main = ReadLink(programs + "Grp\\Main.lnk");
    EXPECT_EQ(main.target, inst + "tool.exe");
    EXPECT_EQ(main.arguments, "-a -b");
    // The working folder field does not make the link relative: it lands in the
    // programs folder and starts in the installation folder.
    EXPECT_EQ(ReadLink(programs + "Grp\\Tool.lnk").workingFolder, inst);
}

TEST_F(Settings, RegistryValuesOfEveryType)
{
    struct Row {
        std::string key, name, value;
        HKEY root;
        std::string path;
        std::optional<RegValue> expected;
    };
    const auto dword = [](std::uint32_t n) { return RegValue{REG_DWORD, std::string(reinterpret_cast<char*>(&n), 4)}; };
    const std::string base = "Software\\QuillonTest\\" + Pid() + "\\x\\";
    const std::string k = "(Cuser)\\" + base + "Reg";
    const std::string localKey = "SOFTWARE\\QuillonTest" + Pid();
    const Row rows[] = {
        {k, "Str", "(Str)表示テキスト", HKEY_CURRENT_USER, base + "Reg", Sz("表示テキスト")},
        {k, "Exp", "(Exp)%TEMP%\\表", HKEY_CURRENT_USER, base + "Reg", Sz("%TEMP%\\表", REG_EXPAND_SZ)},
        {k, "Int", "(Int)123", HKEY_CURRENT_USER, base + "Reg", dword(123)},
        {k, "Hex", "(Int)$FF", HKEY_CURRENT_USER, base + "Reg", dword(255)},
        {k, "Negative", "(Int)-5", HKEY_CURRENT_USER, base + "Reg", dword(0xFFFFFFFBu)},
        {k, "NotANumber", "(Int)abc", HKEY_CURRENT_USER, base + "Reg", dword(0)},
        {k, "Dwd", "(Dwd)42", HKEY_CURRENT_USER, base + "Reg", dword(42)},
        {k, "Bin", "(Bin)12345678", HKEY_CURRENT_USER, base + "Reg", RegValue{REG_BINARY, "\x78\x56\x34\x12"}},
        {k, "NotHex", "(Bin)xyz", HKEY_CURRENT_USER, base + "Reg", std::nullopt},
        {k, "Pdd", "(Pdd)(Str)(App)", HKEY_CURRENT_USER, base + "Reg", Sz(RemoveBackslash(inst, "B"))},
        {k, "Macro", "(Str)(App)data", HKEY_CURRENT_USER, base + "Reg", Sz(inst + "data")},
        {k, "Unknown", "(Xyz)data", HKEY_CURRENT_USER, base + "Reg", Sz("(Xyz)data")},
        {k, "", "(Str)default", HKEY_CURRENT_USER, base + "Reg", Sz("default")},
        {base + "NoToken", "V", "(Str)1", HKEY_CURRENT_USER, base + "NoToken", Sz("1")},
        {"(local)\\" + base + "Lower", "V", "(Str)2", HKEY_CURRENT_USER, base + "Lower", Sz("2")},
        {"(Local)\\" + localKey + "\\", "V", "(Str)3", HKEY_LOCAL_MACHINE, localKey, Sz("3")},
    };
    std::string script = "[Registry]\n";
    int n = 0;
    for (const Row& row : rows) {
        const std::string number = std::to_string(++n);
        script += "Key" + number + "=" + row.key + "\nName" + number + "=" + row.name + "\nValue" + number + "=" +
                  row.value + "\n";
    }
    // An empty value makes the key alone.
    const std::string number = std::to_string(++n);
    script += "Key" + number + "=(Cuser)\\" + base + "KeyOnly\nName" + number + "=V\n";
    WriteScript(script);
    MakeInstallFolder();

    const RunResult result = Run();
    const std::optional<RegValue> local = ReadValue(HKEY_LOCAL_MACHINE, localKey, "V");
    DeleteRegistryKey("(Local)", localKey);
    ASSERT_EQ(result.outcome, RunOutcome::Completed);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key + " " + row.name + " " + row.value);
        const auto actual = row.root == HKEY_LOCAL_MACHINE ? local : ReadValue(row.root, row.path, row.name);
        EXPECT_EQ(actual, row.expected);
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + "KeyOnly"));
    DWORD values = 99;
    HKEY keyOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "KeyOnly").c_str(), 0, KEY_READ, &keyOnly), ERROR_SUCCESS);
    RegQueryInfoKeyA(keyOnly, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(keyOnly);
    EXPECT_EQ(values, 0u);
    EXPECT_NE(state.MessageLog.find("レジストリキーを作成しています．．．完了\r\n"), std::string::npos);
}

namespace {

// A key of the test whose security lets nobody open it for writing; the handle that set
// the security puts it back.
class DeniedKey {
public:
    explicit DeniedKey(const std::string& path)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ACL acl;
        InitializeAcl(&acl, sizeof acl, ACL_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        denied_ = key_ && RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    }
    ~DeniedKey()
    {
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
        if (key_) {
            RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &sd);
            RegCloseKey(key_);
        }
    }
    bool denied() const { return denied_; }

private:
    HKEY key_ = nullptr;
    bool denied_ = false;
};

} // namespace

TEST_F(Settings, ARegistryErrorEndsTheRunWithoutRecord)
{
    const std::string base = "Software\\QuillonTest\\" + Pid() + "\\x\\";
    DeniedKey denied(base + "Denied");
    ASSERT_TRUE(denied.denied());
    const std::string longName(20000, 'n'); // beyond the longest value name the registry takes
    struct Row {
        const char* name;
        std::string key, valueName, message;
    };
    const Row rows[] = {
        {"a key that may not be written", base + "Denied", "V", "ｷｰ " + base + "Denied の作成に失敗しました"},
        {"a value that cannot be set", base + "Long", longName, "'" + longName + "' の設定に失敗しました"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveTree(scratch / "inst");
        RegDeleteTreeA(HKEY_CURRENT_USER, (base + "Before").c_str());
        WriteScript("[CopyFile]\nFile1=(App)\\a.txt\n[Registry]\nKey1=(Cuser)\\" + base +
                    "Before\nName1=V\nValue1=(Str)1\n" + "Key2=(Cuser)\\" + row.key + "\nName2=" + row.valueName +
                    "\nValue2=(Str)2\n" + "Key3=(Cuser)\\" + base +
                    "After\nName3=V\nValue3=(Str)3\n"
                    "[IniFile]\nData1=S,K,V,(App)\\later.ini\n");
        AddSource("a.txt", "a");
        MakeInstallFolder();
        host = ScriptedHost{};
        host.options.folder = RemoveBackslash(inst, "B");

        EXPECT_EQ(Run().outcome, RunOutcome::Failed);
        ASSERT_EQ(host.questions.size(), 1u);
        EXPECT_EQ(host.questions[0].text, row.message);
        EXPECT_EQ(host.questions[0].caption, "Quillon Installer");
        EXPECT_EQ(host.questions[0].flags, 16u);
        EXPECT_EQ(host.events.back(), "end");
        for (const std::string& e : host.events) EXPECT_NE(e, "completion");
        const std::string& log = state.MessageLog;
        const std::string stage = "レジストリキーを作成しています．．．";
        EXPECT_EQ(log.substr(log.size() - stage.size()), stage);
        EXPECT_EQ(state.StepResult, "完了");

        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, base + "Before", "V"), Sz("1"));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "After"));
        EXPECT_FALSE(Exists(inst + "later.ini"));
        EXPECT_EQ(ReadFileBytes(inst + "a.txt"), "a");
        EXPECT_FALSE(Exists(inst + "UNSETUP.INI"));
        EXPECT_FALSE(Exists(win + "UNQUILLN.EXE"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(title)));
    }
}

TEST_F(Settings, AssociationsAreMadeOnlyWhenAcceptedKeepingThePreviousClass)
{
    const std::string no = Extension("no"), yes = Extension("yes"), empty = Extension("empty"),
                      last = Extension("last"), over = Extension("over");
    SetDefaultValue(HKEY_CLASSES_ROOT, "." + no, "KeepMe");
    SetDefaultValue(HKEY_CLASSES_ROOT, "." + yes, "PrevClass");
    // A fixed list of twenty: gaps are skipped, the 21st is never read.
    WriteScript("[Relate]\n"
                "Name1=" +
                no +
                ",N文書\nFile1=open,(App)\\viewer.exe,,,0\n"
                "Name3=" +
                yes +
                "\nFile3=edit,(App)\\My Viewer.exe,/e,\"%1\",1\n"
                "Name5=" +
                empty +
                "\n"
                "Name20=" +
                last +
                ",Z文書\nFile20=open,(Win)z.exe,,,2\n"
                "Name21=" +
                over + "\nFile21=open,(Win)z.exe,,,2\n");
    MakeInstallFolder();
    host.answers = {IDNO, IDYES, IDYES};

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    ASSERT_EQ(host.questions.size(), 3u);
    // The program appears without quotes in the question even with a blank in it.
    EXPECT_EQ(host.questions[0].text,
              "拡張子 *." + no + " を\r\n" + inst + "viewer.exe\r\nに関連付けします。よろしいですか？");
    EXPECT_EQ(host.questions[1].text,
              "拡張子 *." + yes + " を\r\n" + inst + "My Viewer.exe\r\nに関連付けします。よろしいですか？");
    EXPECT_EQ(host.questions[2].text,
              "拡張子 *." + last + " を\r\n" + win + "z.exe\r\nに関連付けします。よろしいですか？");
    for (const auto& q : host.questions) {
        EXPECT_EQ(q.caption, "関連付けの確認");
        EXPECT_EQ(q.flags, 36u);
    }

    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "." + no, ""), Sz("KeepMe"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, no + "_auto_file"));
    const std::string yesClass = yes + "_auto_file";
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "." + yes, ""), Sz(yesClass));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, yesClass, ""), Sz(yes + " File"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, yesClass + "\\DefaultIcon", ""), Sz(inst + "My Viewer.exe,1"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, yesClass + "\\shell\\edit\\command", ""),
              Sz("\"" + inst + "My Viewer.exe\" /e \"%1\""));
    const std::string lastClass = last + "_auto_file";
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, lastClass, ""), Sz("Z文書"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, lastClass + "\\DefaultIcon", ""), Sz(win + "z.exe,2"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, lastClass + "\\shell\\open\\command", ""), Sz("\"" + win + "z.exe\""));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "." + empty));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "." + over));

    EXPECT_EQ(RecordLines("RestoreRelate", "Key"), (Strings{yes + ",PrevClass", last + ","}));
    EXPECT_NE(state.MessageLog.find("関連付けを設定しています．．．完了\r\n"), std::string::npos);
}
