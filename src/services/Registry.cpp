#include "services/Registry.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "services/Views.h"

#include <initializer_list>
#include <vector>

namespace {

[[noreturn]] void RaiseCreateFailed(const std::string& key)
{
    throw RegistryError("ｷｰ " + key + " の作成に失敗しました");
}
[[noreturn]] void RaiseBadType(const std::string& name)
{
    throw RegistryError("'" + name + "' のﾃﾞｰﾀ型が不正です");
}
[[noreturn]] void RaiseGetFailed(const std::string& name)
{
    throw RegistryError("'" + name + "' の取得に失敗しました");
}
[[noreturn]] void RaiseSetFailed(const std::string& name)
{
    throw RegistryError("'" + name + "' の設定に失敗しました");
}

// Names the key itself rather than a subkey: deleting it would take the whole root (or
// the open key) with it.
bool NamesNoSubkey(const std::string& subKey)
{
    return subKey.find_first_not_of('\\') == std::string::npos;
}

// A key of the other view is deleted by RegDeleteKeyExA (Windows XP x64 and later, looked
// up at run time); the plain call always deletes in the process's own view.
bool DeleteOneKey(HKEY parent, const std::string& subKey, REGSAM view)
{
    if (view == 0) return RegDeleteKeyA(parent, subKey.c_str()) == ERROR_SUCCESS;
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    return deleteKeyEx && deleteKeyEx(parent, subKey.c_str(), view, 0) == ERROR_SUCCESS;
}

// Subkeys first, then the key. Names are collected before any deletion because
// deleting shifts the enumeration indexes.
bool DeleteTree(HKEY parent, const std::string& subKey, REGSAM view)
{
    UniqueRegKey key;
    if (RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, key.put()) ==
        ERROR_SUCCESS) {
        std::vector<std::string> children;
        // Key names are at most 255 characters, up to two bytes each in a DBCS code page.
        char name[512];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            const LONG rc = RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc != ERROR_SUCCESS) break;
            children.emplace_back(name, length);
        }
        for (const std::string& child : children) DeleteTree(key.get(), child, view);
    }
    return DeleteOneKey(parent, subKey, view);
}

} // namespace

void TRegistry::SetRootKey(HKEY root)
{
    CloseKey();
    root_ = root;
}

void TRegistry::SetView(int bits)
{
    view_ = ViewFlag(bits);
}

HKEY TRegistry::BaseKey(const std::string& key, std::string& subKey) const
{
    if (IsPathDelimiter(key, 1)) {
        subKey = key.substr(1);
        return root_;
    }
    subKey = key;
    return current_ ? current_.get() : root_;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    std::string subKey;
    const HKEY base = BaseKey(key, subKey);
    UniqueRegKey opened;
    LONG rc;
    if (canCreate) {
        rc = RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view_, nullptr,
                             opened.put(), nullptr);
    } else {
        rc = RegOpenKeyExA(base, subKey.c_str(), 0, KEY_ALL_ACCESS | view_, opened.put());
    }
    if (rc != ERROR_SUCCESS) return false;
    current_ = std::move(opened);
    return true;
}

void TRegistry::CreateKey(const std::string& key)
{
    std::string subKey;
    const HKEY base = BaseKey(key, subKey);
    UniqueRegKey created;
    if (RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view_, nullptr,
                        created.put(), nullptr) != ERROR_SUCCESS) {
        RaiseCreateFailed(key);
    }
}

void TRegistry::CloseKey()
{
    current_.reset();
}

bool TRegistry::KeyExists(const std::string& key) const
{
    std::string subKey;
    const HKEY base = BaseKey(key, subKey);
    UniqueRegKey probe;
    return RegOpenKeyExA(base, subKey.c_str(), 0, KEY_READ | view_, probe.put()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    std::string subKey;
    const HKEY base = BaseKey(key, subKey);
    if (NamesNoSubkey(subKey)) return false;
    return DeleteTree(base, subKey, view_);
}

bool TRegistry::ValueExists(const std::string& name) const
{
    if (!current_) return false;
    return RegQueryValueExA(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    if (!current_) return {};
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseBadType(name);
    // The value may grow between the two calls; ask again until the buffer holds it.
    std::vector<char> data;
    do {
        data.assign(size + 1, '\0');
        rc = RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    } while (rc == ERROR_MORE_DATA);
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    if (rc != ERROR_SUCCESS) RaiseGetFailed(name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseBadType(name);
    // Stored strings need not end in NUL; the spare byte of the buffer terminates them.
    return std::string(data.data());
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const
{
    if (!current_) RaiseGetFailed(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        RaiseGetFailed(name);
    }
    if (type != REG_DWORD || size != sizeof(DWORD)) RaiseBadType(name);
    DWORD value = 0;
    size = sizeof value;
    if (RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
        RaiseGetFailed(name);
    }
    if (type != REG_DWORD || size != sizeof(DWORD)) RaiseBadType(name);
    return static_cast<std::int32_t>(value);
}

void TRegistry::WriteValue(const std::string& name, DWORD type, const void* data, std::size_t size)
{
    if (!current_ || size > MAXDWORD ||
        RegSetValueExA(current_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size)) != ERROR_SUCCESS) {
        RaiseSetFailed(name);
    }
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    WriteValue(name, REG_SZ, value.c_str(), value.size() + 1);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value)
{
    WriteValue(name, REG_EXPAND_SZ, value.c_str(), value.size() + 1);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value)
{
    const DWORD data = static_cast<DWORD>(value);
    WriteValue(name, REG_DWORD, &data, sizeof data);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* data, std::size_t size)
{
    WriteValue(name, REG_BINARY, data, size);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (!current_) return false;
    return RegDeleteValueA(current_.get(), name.c_str()) == ERROR_SUCCESS;
}

HKEY RootKeyFromToken(const std::string& rootToken)
{
    if (rootToken == "(Class)") return HKEY_CLASSES_ROOT;
    if (rootToken == "(Local)") return HKEY_LOCAL_MACHINE;
    if (rootToken == "(Users)") return HKEY_USERS;
    return HKEY_CURRENT_USER;
}

namespace {

// The key path level by level, ignoring case and empty levels ("\SOFTWARE\\Microsoft\"
// is SOFTWARE\MICROSOFT), and the number of levels.
std::string NormalKeyPath(const std::string& keyPath, int& levels)
{
    std::string normal;
    std::string level;
    levels = 0;
    for (std::size_t p = 1; p <= keyPath.size() + 1;) {
        if (p > keyPath.size() || keyPath[p - 1] == '\\') {
            if (!level.empty()) {
                normal += (normal.empty() ? "" : "\\") + level;
                ++levels;
            }
            level.clear();
            ++p;
            continue;
        }
        const int n = CharLength(keyPath, p);
        level.append(keyPath, p - 1, static_cast<std::size_t>(n));
        p += static_cast<std::size_t>(n);
    }
    return MapString(normal, LCMAP_UPPERCASE);
}

bool IsOneOf(const std::string& upper, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        if (upper == key) return true;
    }
    return false;
}

} // namespace

namespace {

// The list of installed programs and its parents, or no key at all; upper is the key
// path as NormalKeyPath gives it.
bool IsUninstallChain(const std::string& upper)
{
    return upper.empty() || IsOneOf(upper, {"SOFTWARE", "SOFTWARE\\MICROSOFT", "SOFTWARE\\MICROSOFT\\WINDOWS",
                                            "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION",
                                            "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL"});
}

} // namespace

bool IsProtectedRegistryKey(const std::string& keyPath)
{
    int levels = 0;
    return IsUninstallChain(NormalKeyPath(keyPath, levels));
}

bool IsProtectedRegistryKey(const std::string& rootToken, const std::string& keyPath)
{
    int levels = 0;
    const std::string upper = NormalKeyPath(keyPath, levels);
    if (IsUninstallChain(upper)) return true;
    const HKEY root = RootKeyFromToken(rootToken);
    if (root == HKEY_CLASSES_ROOT) {
        // Associations are keys of one level here; these few belong to the system.
        return IsOneOf(upper, {"CLSID", "INTERFACE", "TYPELIB", "APPID",   "*",    "DIRECTORY", "DRIVE", "FOLDER",
                               ".EXE",  "EXEFILE",   ".COM",    "COMFILE", ".BAT", "BATFILE",   ".CMD",  "CMDFILE",
                               ".DLL",  "DLLFILE",   ".LNK",    "LNKFILE", ".INI", "INIFILE",   ".TXT",  "TXTFILE"});
    }
    // No program owns a whole top-level key (SYSTEM, Software, Control Panel, a user's
    // hive); and these hold what every program shares.
    return levels <= 1 || IsOneOf(upper, {"SOFTWARE\\CLASSES", "SOFTWARE\\MICROSOFT\\WINDOWS NT",
                                          "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
                                          "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
                                          "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER"});
}

KeyDeletion DeleteRegistryKey(const std::string& rootToken, const std::string& keyPath, int bits)
{
    // The list of installed programs and its parents hold every program's entries; an
    // empty uninstall key name in a record would otherwise name the whole list.
    if (keyPath.empty() || IsProtectedRegistryKey(rootToken, keyPath)) return KeyDeletion::Protected;
    TRegistry registry;
    registry.SetRootKey(RootKeyFromToken(rootToken));
    registry.SetView(bits);
    // A tree whose deletion is partly refused is tried again, a bounded number of times.
    for (int round = 0; round < 99; ++round) {
        if (!registry.KeyExists(keyPath)) return KeyDeletion::Gone;
        registry.DeleteKey(keyPath);
    }
    return registry.KeyExists(keyPath) ? KeyDeletion::Stays : KeyDeletion::Gone;
}
