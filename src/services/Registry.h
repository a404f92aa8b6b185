// Registry access: the accessor that the engines use for keys and values, and deletion
// of key trees (the notation of scripts and records is split in RegistryPath.h).
#pragma once
#include "foundation/Handles.h"
#include "services/RegistryPath.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// The one error the accessor raises; what() is the user-visible text (CP932).
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A root key and a current key. Key paths starting with "\" are taken from the root,
// others from the current key, or from the root while no key is open. Values are read
// and written in the current key only: with no key open, reads find nothing and writes
// fail, so a failed OpenKey can never spill values into a root.
class TRegistry {
public:
    TRegistry() = default; // root HKEY_CURRENT_USER, no current key
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Closes the current key; later paths are relative to root. The root is not owned.
    void SetRootKey(HKEY root);
    // Keys are opened, created and deleted in the registry view of bits (services/Views.h;
    // 0, the default, is this build's own). Applies to keys opened from now on.
    void SetView(int bits);
    HKEY RootKey() const { return root_; }
    // The open key, or nullptr.
    HKEY CurrentKey() const { return current_.get(); }

    // Opens the key (creating missing levels when canCreate) and makes it the current
    // key. False when it cannot be opened; the current key is then unchanged.
    bool OpenKey(const std::string& key, bool canCreate);
    // Creates the key without opening it. Raises "ｷｰ <key> の作成に失敗しました".
    void CreateKey(const std::string& key);
    void CloseKey();
    // True when the key can be opened for reading.
    bool KeyExists(const std::string& key) const;
    // Deletes the key and all its subkeys, depth first. True when the key itself went.
    // An empty path (or "\" alone) is refused: it would name the root or the current key.
    bool DeleteKey(const std::string& key);

    // Value names: "" is the default value.
    bool ValueExists(const std::string& name) const;
    // REG_SZ or REG_EXPAND_SZ data up to the first NUL; "" when the value is missing.
    // Raises "'<name>' のﾃﾞｰﾀ型が不正です" for data of another type.
    std::string ReadString(const std::string& name) const;
    // REG_DWORD data. Raises "'<name>' の取得に失敗しました" when the value is missing
    // or unreadable, "'<name>' のﾃﾞｰﾀ型が不正です" for data of another type.
    std::int32_t ReadInteger(const std::string& name) const;
    // The writers raise "'<name>' の設定に失敗しました" on failure.
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBinaryData(const std::string& name, const void* data, std::size_t size);
    // Removes the value; false when it could not be removed.
    bool DeleteValue(const std::string& name);

private:
    // The key a path is resolved against, and the path without its root marker.
    HKEY BaseKey(const std::string& key, std::string& subKey) const;
    void WriteValue(const std::string& name, DWORD type, const void* data, std::size_t size);

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM view_ = 0;
    UniqueRegKey current_;
};

// "(Class)", "(Local)" and "(Users)", compared exactly; anything else, "(Cuser)" and
// "(local)" included, is HKEY_CURRENT_USER.
HKEY RootKeyFromToken(const std::string& rootToken);

// True for a key path that must never be deleted as a tree: the list of installed
// programs and each of its parents (SOFTWARE ... Uninstall), compared ignoring case and
// empty levels, and an empty path.
bool IsProtectedRegistryKey(const std::string& keyPath);
// The same for a key under the token's root, and besides: a whole top-level key (under
// the classes root only the system's own few, since associations live there as keys of
// one level), the classes, the shared-file register and a few keys every program shares.
bool IsProtectedRegistryKey(const std::string& rootToken, const std::string& keyPath);

// What a key deletion came to: the key is gone (or was never there), it was left alone
// as protected (or empty), or it is still there after every round.
enum class KeyDeletion { Gone, Protected, Stays };
// Deletes the key tree under the token's root, in the registry view of bits (0: this
// build's own), retrying up to 99 rounds while the key still exists. Does nothing for an
// empty or protected key path (see above). Never a failure of the run: a key that cannot
// be deleted simply stays; the answer says which.
KeyDeletion DeleteRegistryKey(const std::string& rootToken, const std::string& keyPath, int bits = 0);
