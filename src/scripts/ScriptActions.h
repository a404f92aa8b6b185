// The action entries of a setup script, each parsed from its raw key values into the
// plain form the install run acts on.
#pragma once
#include "foundation/FolderMacros.h"
#include "foundation/IniDocument.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// [MakeFolder] FolderN: the folder with a trailing "\" ensured, then expanded.
std::string ParseMakeFolder(const FolderValues& folders, const std::string& raw);

// [CopyFile] FileN.
struct CopyEntry {
    bool diskChange = false; // the entry started with exactly "(Dch)"
    std::string target;      // installed path; folder + "\AUTO.EXT" for a compressed
                             // source without a new name
    std::string source;      // AppFolder + the file name of the path part
    std::string flagsText;   // "," + field 2 when field 2 is not empty, else ""
    bool compressed = false; // the source name ends in "_"
    bool shared = false;     // flags contain "/S"
    bool overwrite = false;  // flags contain "/W"
    bool registerIt = false; // flags contain "/R"
};
CopyEntry ParseCopyEntry(const FolderValues& folders, const std::string& raw);

// [ShortCut] MakeN / NameN.
enum class ShortcutOption { Desktop, StartMenu, Startup, SendTo, Always };
struct ShortcutEntry {
    ShortcutOption option = ShortcutOption::Always; // the wizard option that governs it
    std::string target;
    std::string arguments;
    std::string linkPath; // link name or path, expanded (".lnk" is added when made)
    std::string workingFolder;
};
// name is NameN as read; pass "Default" when the key is missing.
ShortcutEntry ParseShortcut(const FolderValues& folders, const std::string& make, const std::string& name);

// [IniFile] DataN.
struct IniEntry {
    std::string section, key, value, file;
};
IniEntry ParseIniEntry(const FolderValues& folders, const std::string& raw);

// [Relate] NameN / FileN; nothing when FileN (or NameN) is empty.
struct RelateEntry {
    std::string extension;   // without leading "."
    std::string description; // NameN + " File" when field 2 is empty
    std::string verb, program, parameter1, parameter2, iconIndex;
};
std::optional<RelateEntry> ParseRelate(const FolderValues& folders, const std::string& name, const std::string& file);

// [ExecuteFile] File.
struct ExecuteEntry {
    bool reboot = false; // exactly "WINDOWS_REBOOT"
    std::string program, parameters;
    bool useCreateProcess = false; // method exactly "CreateProcess"
};
ExecuteEntry ParseExecuteFile(const FolderValues& folders, const std::string& raw);

// [Registry] ValueN typed data.
enum class RegistryValueKind { None, String, ExpandString, Dword, Binary };
struct RegistryValue {
    RegistryValueKind kind = RegistryValueKind::None; // None: create the key only
    std::string text;                                 // String, ExpandString
    std::uint32_t number = 0;                         // Dword, Binary (Binary is stored as its 4 little-endian bytes)
};
RegistryValue ParseRegistryValue(const FolderValues& folders, const std::string& raw);

// [Registry] KeyN / NameN / ValueN: the key split into root token and key path (not
// expanded), the value name (empty: the default value) and the typed data.
struct RegistryEntry {
    std::string rootToken;
    std::string keyPath;
    std::string valueName;
    RegistryValue value;
};
RegistryEntry ParseRegistryEntry(const FolderValues& folders, const std::string& key, const std::string& name,
                                 const std::string& value);

// The action sections of a script already read, as the install stages take them. Open
// lists end at the first empty key; [Relate] reads its fixed numbers 1 to 20.
std::vector<std::string> ReadMakeFolders(const FolderValues& folders, const IniDocument& script);
// [CopyFile] FileN one at a time (n from 1), as the copy stage goes: a list as long as
// the package is never held twice. Nothing from the first empty entry on.
std::optional<CopyEntry> ReadCopyEntry(const FolderValues& folders, const IniDocument& script, int n);
// The source file name of [CopyFile] FileN as the sizing stage counts it, before the
// installation folder is chosen: the file name of the path part as written, neither
// macros nor "(Dch)" looked at. Nothing from the first empty entry on.
std::optional<std::string> ReadCopySourceName(const IniDocument& script, int n);
std::vector<ShortcutEntry> ReadShortcuts(const FolderValues& folders, const IniDocument& script);
std::vector<RegistryEntry> ReadRegistryEntries(const FolderValues& folders, const IniDocument& script);
std::vector<IniEntry> ReadIniEntries(const FolderValues& folders, const IniDocument& script);
// [Relate] NameN and FileN as written, for the numbers that give both: ParseRelate
// expands them once the installation folder is chosen.
std::vector<std::pair<std::string, std::string>> ReadRelateKeys(const IniDocument& script);
ExecuteEntry ReadExecuteFile(const FolderValues& folders, const IniDocument& script);

// [AddDeleteFile] FileN, expanded, and [DeleteRegistry] KeyN as written: the lists the
// installer hands to the uninstall record.
std::vector<std::string> ReadAddDeleteFiles(const FolderValues& folders, const IniDocument& script);
std::vector<std::string> ReadDeleteRegistryKeys(const IniDocument& script);

// Text to signed 32-bit integer: decimal, or hexadecimal after "$". nullopt when the
// text does not convert.
std::optional<std::int32_t> ParseInteger(const std::string& text);
