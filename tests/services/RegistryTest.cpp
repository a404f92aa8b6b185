#include "services/Registry.h"

#include "foundation/Handles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// A throwaway key HKCU\Software\QuillonTest\<pid>\<test>, removed with its tree after
// the test. Checks go through the plain Win32 API, not through the accessor.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = CreateScratchRegistryKey(::testing::UnitTest::GetInstance()->current_test_info()->name(), key_);
        ASSERT_FALSE(base_.empty());
    }
    void TearDown() override
    {
        key_.reset();
        RemoveScratchRegistryKey(base_);
    }

    // Absolute accessor path of a key below the test key.
    std::string Abs(const std::string& sub) const { return "\\" + base_ + "\\" + sub; }

    static bool Exists(HKEY root, const std::string& path)
    {
        UniqueRegKey k;
        return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
    }
    bool Exists(const std::string& sub) const { return Exists(key_.get(), sub); }

    void MakeKey(const std::string& sub) const
    {
        UniqueRegKey k;
        ASSERT_EQ(RegCreateKeyExA(key_.get(), sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void SetRaw(const std::string& name, DWORD type, const std::string& bytes) const
    {
        ASSERT_EQ(RegSetValueExA(key_.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    // Type and bytes of a value of the test key; type 0 when it is missing.
    std::pair<DWORD, std::string> Raw(const std::string& name) const
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {0, {}};
        std::string data(size, '\0');
        RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        return {type, data};
    }

    // The exception text, or "" when nothing was raised.
    template <typename F> static std::string ErrorOf(F f)
    {
        try {
            f();
        } catch (const RegistryError& e) {
            return e.what();
        }
        return {};
    }

    std::string base_;
    UniqueRegKey key_;
};

// The message texts, half-width katakana spelt out as CP932 bytes.
std::string CreateFailed(const std::string& key)
{
    return "\xB7\xB0 " + key + " の作成に失敗しました";
}
std::string BadType(const std::string& name)
{
    return "'" + name + "' の\xC3\xDE\xB0\xC0型が不正です";
}
std::string GetFailed(const std::string& name)
{
    return "'" + name + "' の取得に失敗しました";
}
std::string SetFailed(const std::string& name)
{
    return "'" + name + "' の設定に失敗しました";
}

} // namespace

TEST_F(RegistryTest, PathsWithBackslashStartAtTheRootOthersAtTheCurrentKey)
{
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey(Abs("a"), false)) << "missing, not created";
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey(Abs("a\\b"), true)) << "every missing level is created";
    EXPECT_TRUE(Exists("a\\b"));

    ASSERT_TRUE(reg.OpenKey("c", true));
    EXPECT_TRUE(Exists("a\\b\\c")) << "relative to the open key";
    EXPECT_FALSE(reg.OpenKey("missing", false));
    EXPECT_NE(reg.CurrentKey(), nullptr) << "a failed open keeps the current key";
    reg.WriteInteger("v", 7);
    EXPECT_EQ(reg.ReadInteger("v"), 7) << "still a\\b\\c";

    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists(base_ + "\\a")) << "with no key open, relative means from the root";
    EXPECT_FALSE(reg.KeyExists(Abs("missing")));

    reg.CreateKey(Abs("made"));
    EXPECT_TRUE(Exists("made"));
    EXPECT_EQ(reg.CurrentKey(), nullptr) << "creating does not open";

    // Any HKEY can be the root; setting it closes the current key.
    ASSERT_TRUE(reg.OpenKey(Abs("a"), false));
    reg.SetRootKey(key_.get());
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_TRUE(reg.KeyExists("\\a\\b\\c"));
}

TEST_F(RegistryTest, WritersStoreTheirTypesReadersCheckThem)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Abs(""), false));
    reg.WriteString("s", "表示\\");
    reg.WriteExpandString("e", "%WINDIR%\\x");
    reg.WriteInteger("i", -1);
    reg.WriteBinaryData("b", "\x01\x00\xFF\x5C", 4);
    reg.WriteString("", "default");
    EXPECT_EQ(Raw("s"), std::make_pair(DWORD(REG_SZ), std::string("表示\\", 6)));
    EXPECT_EQ(Raw("e"), std::make_pair(DWORD(REG_EXPAND_SZ), std::string("%WINDIR%\\x", 11)));
    EXPECT_EQ(Raw("i"), std::make_pair(DWORD(REG_DWORD), std::string("\xFF\xFF\xFF\xFF", 4)));
    EXPECT_EQ(Raw("b"), std::make_pair(DWORD(REG_BINARY), std::string("\x01\x00\xFF\x5C", 4)));
    EXPECT_EQ(Raw(""), std::make_pair(DWORD(REG_SZ), std::string("default", 8)));

    EXPECT_EQ(reg.ReadString("s"), "表示\\");
    EXPECT_EQ(reg.ReadString("e"), "%WINDIR%\\x") << "expandable strings are strings, unexpanded";
    EXPECT_EQ(reg.ReadString(""), "default");
    EXPECT_EQ(reg.ReadString("missing"), "") << "a missing string is empty, no error";
    EXPECT_EQ(reg.ReadInteger("i"), -1);
    SetRaw("max", REG_DWORD, std::string("\xFF\xFF\xFF\x7F", 4));
    EXPECT_EQ(reg.ReadInteger("max"), 0x7FFFFFFF);
    SetRaw("unterminated", REG_SZ, "abc");
    EXPECT_EQ(reg.ReadString("unterminated"), "abc");
    SetRaw("long", REG_SZ, std::string(5000, 'x') + '\0');
    EXPECT_EQ(reg.ReadString("long"), std::string(5000, 'x'));

    EXPECT_TRUE(reg.ValueExists("b"));
    EXPECT_TRUE(reg.ValueExists(""));
    EXPECT_TRUE(reg.DeleteValue("b"));
    EXPECT_FALSE(reg.ValueExists("b"));
    EXPECT_EQ(Raw("b").first, 0u);
    EXPECT_FALSE(reg.DeleteValue("b"));
}

TEST_F(RegistryTest, TypedReadsRaiseTheirTextsWithTheValueName)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Abs(""), false));
    SetRaw("num", REG_DWORD, std::string("\x05\x00\x00\x00", 4));
    SetRaw("str", REG_SZ, std::string("5\0", 2));
    SetRaw("bin", REG_BINARY, std::string("\x05\x00\x00\x00", 4));
    SetRaw("multi", REG_MULTI_SZ, std::string("a\0\0", 3));
    SetRaw("short", REG_DWORD, std::string("\x05\x00", 2));

    EXPECT_EQ(ErrorOf([&] { reg.ReadString("num"); }), BadType("num"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("bin"); }), BadType("bin"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("multi"); }), BadType("multi"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("str"); }), BadType("str"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("bin"); }), BadType("bin")) << "four bytes, but not REG_DWORD";
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("short"); }), BadType("short"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("表示"); }), GetFailed("表示"));
    EXPECT_EQ(GetFailed("x"), std::string("'x' \x82\xCC\x8E\xE6\x93\xBE\x82\xC9\x8E\xB8\x94\x73\x82\xB5"
                                          "\x82\xDC\x82\xB5\x82\xBD"))
        << "the texts are CP932 bytes";

    reg.CloseKey();
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("num"); }), GetFailed("num")) << "no key open";
    EXPECT_EQ(reg.ReadString("str"), "");
    EXPECT_FALSE(reg.ValueExists("str"));
}

TEST_F(RegistryTest, FailedCreationsAndWritesRaiseTheirTexts)
{
    // A key deleted behind the accessor's back refuses new subkeys and values.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Abs("doomed"), true));
    UniqueRegKey doomed;
    ASSERT_EQ(RegOpenKeyExA(key_.get(), "doomed", 0, KEY_ALL_ACCESS, doomed.put()), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(key_.get(), "doomed"), ERROR_SUCCESS);

    EXPECT_EQ(ErrorOf([&] { reg.WriteString("s", "x"); }), SetFailed("s"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteExpandString("e", "x"); }), SetFailed("e"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("i", 1); }), SetFailed("i"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteBinaryData("b", "1234", 4); }), SetFailed("b"));
    EXPECT_EQ(SetFailed("s"), "'s' の設定に失敗しました");

    reg.SetRootKey(doomed.get());
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("sub\\表"); }), CreateFailed("sub\\表"));
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("\\sub"); }), CreateFailed("\\sub"));
    EXPECT_FALSE(reg.OpenKey("sub", true)) << "opening reports by result only";

    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("i", 1); }), SetFailed("i"))
        << "no key open: nothing is written into the root";
    DWORD type = 0;
    EXPECT_NE(RegQueryValueExA(HKEY_CURRENT_USER, "i", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(RegistryTest, DeleteKeyRemovesTheTreeDepthFirst)
{
    MakeKey("tree\\a\\a1\\a11");
    MakeKey("tree\\a\\a2");
    MakeKey("tree\\b");
    MakeKey("tree\\ソフト");
    MakeKey("keep");
    UniqueRegKey leaf;
    ASSERT_EQ(RegOpenKeyExA(key_.get(), "tree\\a\\a1", 0, KEY_ALL_ACCESS, leaf.put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(leaf.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_SUCCESS);
    leaf.reset();

    TRegistry reg;
    EXPECT_TRUE(reg.DeleteKey(Abs("tree")));
    EXPECT_FALSE(Exists("tree"));
    EXPECT_TRUE(Exists("keep"));
    EXPECT_FALSE(reg.DeleteKey(Abs("tree"))) << "already gone";

    MakeKey("rel\\x\\y");
    ASSERT_TRUE(reg.OpenKey(Abs(""), false));
    EXPECT_TRUE(reg.DeleteKey("rel")) << "relative to the open key";
    EXPECT_FALSE(Exists("rel"));
}

TEST_F(RegistryTest, DeleteKeyRefusesToDeleteTheRootOrTheOpenKey)
{
    MakeKey("child");
    TRegistry reg;
    reg.SetRootKey(key_.get());
    // Stop here if the guard fails: the last step below aims at the whole HKCU.
    ASSERT_FALSE(reg.DeleteKey("\\"));
    ASSERT_FALSE(reg.DeleteKey("\\\\"));
    ASSERT_FALSE(reg.DeleteKey(""));
    ASSERT_TRUE(reg.OpenKey("\\child", false));
    EXPECT_FALSE(reg.DeleteKey(""));
    ASSERT_TRUE(Exists("child"));
    ASSERT_TRUE(Exists(HKEY_CURRENT_USER, base_));

    // The uninstaller's loop over such a key ends after its rounds with the key intact.
    EXPECT_EQ(DeleteRegistryKey("(Cuser)", "\\"), KeyDeletion::Protected);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, base_));
}

TEST_F(RegistryTest, DeleteRegistryKeyRemovesTreesAndIgnoresMissingKeys)
{
    MakeKey("tree\\a\\b");
    MakeKey("tree\\c");
    EXPECT_EQ(DeleteRegistryKey("(Cuser)", Abs("tree")), KeyDeletion::Gone);
    EXPECT_FALSE(Exists("tree"));
    EXPECT_EQ(DeleteRegistryKey("(Cuser)", Abs("tree")), KeyDeletion::Gone) << "a missing key is no failure";
    EXPECT_EQ(DeleteRegistryKey("(Cuser)", ""), KeyDeletion::Protected);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, base_));

    // The uninstaller passes key paths with and without their leading "\".
    MakeKey("plain\\sub");
    EXPECT_EQ(DeleteRegistryKey("(Users)x", base_ + "\\plain"), KeyDeletion::Gone)
        << "an unknown token is the current user";
    EXPECT_FALSE(Exists("plain"));
}

TEST(ProtectedRegistryKeys, TheListOfInstalledProgramsAndItsParentsAreNeverDeleted)
{
    for (const char* kept :
         {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
          "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
          "software\\microsoft\\windows\\currentversion\\uninstall",
          "SOFTWARE\\\\Microsoft\\Windows\\CurrentVersion\\\\Uninstall", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
          "SOFTWARE\\Microsoft\\Windows\\", "\\SOFTWARE\\Microsoft", "SOFTWARE", "\\", "\\\\", ""})
        EXPECT_TRUE(IsProtectedRegistryKey(kept)) << kept;
    for (const char* other : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App", "SOFTWARE\\Vendor",
                              "SOFTWARE2", "\\SOFTWARE\\表"})
        EXPECT_FALSE(IsProtectedRegistryKey(other)) << other;

    // Under a root: no whole top-level key, and under the classes root the system's own.
    struct Row {
        const char* root;
        const char* key;
        bool kept;
    };
    for (const Row& r : {Row{"(Local)", "\\SYSTEM", true}, Row{"(Cuser)", "Control Panel\\", true},
                         Row{"(Users)", ".DEFAULT", true}, Row{"(Local)", "software\\classes", true},
                         Row{"(Local)", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", true},
                         Row{"(Class)", ".exe", true}, Row{"(Class)", "CLSID", true}, Row{"(Class)", "*", true},
                         Row{"(Class)", ".qdemo", false}, Row{"(Class)", "qdemo_auto_file", false},
                         Row{"(Cuser)", "Software\\Vendor", false}, Row{"(Local)", "SOFTWARE\\Vendor\\App", false}})
        EXPECT_EQ(IsProtectedRegistryKey(r.root, r.key), r.kept) << r.root << r.key;

    // A canary entry proves the real list survives a record whose key name is empty.
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::string canary = uninstall + "\\QSCanary" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, canary.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    for (const std::string& path : {uninstall + "\\", "\\" + uninstall, std::string("SOFTWARE\\Microsoft\\")})
        EXPECT_EQ(DeleteRegistryKey("(Local)", path), KeyDeletion::Protected) << path;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, canary.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(DeleteRegistryKey("(Local)", canary), KeyDeletion::Gone);
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, canary.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
        << "an entry of its own is still removed";
}

TEST_F(RegistryTest, RootTokensAreComparedExactly)
{
    EXPECT_EQ(RootKeyFromToken("(Class)"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RootKeyFromToken("(Local)"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyFromToken("(Users)"), HKEY_USERS);
    for (const char* token : {"(Cuser)", "(local)", "(LOCAL)", "(Local ", "(Locl)", "", "(Local)x"})
        EXPECT_EQ(RootKeyFromToken(token), HKEY_CURRENT_USER) << token;

    // "(local)" in lower case names a key under the current user, not the machine.
    const RegistryPath lower = SplitRegistryPath("(local)\\" + base_ + "\\low\\");
    EXPECT_EQ(lower.rootToken, "(local)");
    EXPECT_EQ(lower.keyPath, base_ + "\\low");
    TRegistry reg;
    reg.SetRootKey(RootKeyFromToken(lower.rootToken));
    ASSERT_TRUE(reg.OpenKey(lower.keyPath, true));
    reg.CloseKey();
    EXPECT_TRUE(Exists("low"));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, base_ + "\\low"));
    EXPECT_EQ(DeleteRegistryKey(lower.rootToken, lower.keyPath), KeyDeletion::Gone);
    EXPECT_FALSE(Exists("low"));

    // No token at all: the whole text is a key under the current user.
    const RegistryPath bare = SplitRegistryPath(base_ + "\\bare");
    EXPECT_EQ(bare.rootToken, "(Cuser)");
    EXPECT_EQ(bare.keyPath, base_ + "\\bare");
    reg.SetRootKey(RootKeyFromToken(bare.rootToken));
    reg.CreateKey(bare.keyPath);
    EXPECT_TRUE(Exists("bare"));
}

TEST(SplitRegistryPath, InstallSideSplitsUnlessNeitherBracketIsInPlace)
{
    struct Case {
        const char* path;
        const char* token;
        const char* key;
    };
    const Case cases[] = {
        {"(Local)\\SOFTWARE\\Vendor\\App\\", "(Local)", "SOFTWARE\\Vendor\\App"},
        {"(Local)SOFTWARE\\App", "(Local)", "SOFTWARE\\App"},
        {"(Class)\\\\a\\\\", "(Class)", "\\a\\"}, // one backslash off each end only
        {"SOFTWARE\\App", "(Cuser)", "SOFTWARE\\App"},
        {"\\SOFTWARE\\App\\", "(Cuser)", "SOFTWARE\\App"},
        {"(Local\\SOFT\\App", "(Local\\", "SOFT\\App"}, // "(" alone is enough
        {"Abcdef)\\App", "Abcdef)", "App"},             // ")" alone too
        {"(Local)\\ソ", "(Local)", "ソ"},               // a trail byte 0x5C is no backslash
        {"(Abc", "(Abc", ""},
        {"", "(Cuser)", ""},
    };
    for (const Case& c : cases) {
        const RegistryPath p = SplitRegistryPath(c.path);
        EXPECT_EQ(p.rootToken, c.token) << c.path;
        EXPECT_EQ(p.keyPath, c.key) << c.path;
    }
}

TEST(SplitRegistryPath, UninstallSideNeedsBothBracketsAndKeepsBackslashes)
{
    struct Case {
        const char* path;
        const char* token;
        const char* key;
    };
    const Case cases[] = {
        {"(Local)\\SOFTWARE\\App\\", "(Local)", "\\SOFTWARE\\App\\"},
        {"(local)\\SOFTWARE", "(local)", "\\SOFTWARE"},
        {"(Local\\SOFT\\App", "(Cuser)", "(Local\\SOFT\\App"},
        {"Abcdef)\\App", "(Cuser)", "Abcdef)\\App"},
        {"SOFTWARE\\App", "(Cuser)", "SOFTWARE\\App"},
        {"(Abc", "(Cuser)", "(Abc"},
    };
    for (const Case& c : cases) {
        const RegistryPath p = SplitUninstallRegistryPath(c.path);
        EXPECT_EQ(p.rootToken, c.token) << c.path;
        EXPECT_EQ(p.keyPath, c.key) << c.path;
    }
}
