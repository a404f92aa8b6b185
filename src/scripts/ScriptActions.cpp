#include "scripts/ScriptActions.h"

#include "foundation/MBUtils.h"
#include "foundation/IniDocument.h"
#include "foundation/uStrOp.h"
#include "scripts/ScriptLists.h"
#include "services/RegistryPath.h"

#include <limits>

namespace {

bool Contains(const std::string& text, const char* what)
{
    return PosNoCase(what, text) != 0;
}

} // namespace

std::string ParseMakeFolder(const FolderValues& folders, const std::string& raw)
{
    return ExpandFolderMacros(folders, AddBackslash(raw, "B"));
}

CopyEntry ParseCopyEntry(const FolderValues& folders, const std::string& raw)
{
    CopyEntry e;
    std::string entry = ExpandFolderMacros(folders, raw);
    if (Left(entry, 5) == "(Dch)") {
        e.diskChange = true;
        entry = Mid(entry, 6);
    }
    const std::string flags = GetField(entry, ",", 2);
    e.flagsText = flags.empty() ? std::string() : "," + flags;
    e.shared = Contains(flags, "/S");
    e.overwrite = Contains(flags, "/W");
    e.registerIt = Contains(flags, "/R");

    const std::string targetText = GetField(entry, ",", 1);
    const std::size_t bar = PosNoCase("|", targetText);
    const std::string path = bar ? Left(targetText, static_cast<int>(bar) - 1) : targetText;
    const std::string sourceName = PathFileName(path);
    e.source = folders.AppFolder + sourceName;
    e.compressed = Right(sourceName, 1) == "_";
    const std::string folder = RemoveBackslash(PathFolder(path), "B");
    if (bar) e.target = folder + AddBackslash(Mid(targetText, static_cast<int>(bar) + 1), "T");
    else if (e.compressed) e.target = folder + "\\AUTO.EXT";
    else e.target = path;
    return e;
}

ShortcutEntry ParseShortcut(const FolderValues& folders, const std::string& make, const std::string& name)
{
    ShortcutEntry e;
    const std::string expandedMake = ExpandFolderMacros(folders, make);
    e.target = GetField(expandedMake, ",", 1);
    e.arguments = GetField(expandedMake, ",", 2);

    if (Contains(name, "Dsk)")) e.option = ShortcutOption::Desktop;
    else if (name == "Default" || Contains(name, "Sta)")) e.option = ShortcutOption::StartMenu;
    else if (Contains(name, "Sup)")) e.option = ShortcutOption::Startup;
    else if (Contains(name, "Sen)")) e.option = ShortcutOption::SendTo;

    std::string link = name == "Default" ? PathFileName(e.target) : name;
    // Only the link name decides: a macro in the working folder must not leave the
    // link relative to whatever the current folder is.
    const std::string linkName = GetField(link, ",", 1);
    if (!Contains(linkName, "(") && !Contains(linkName, ")")) link = "(Sta)" + link;
    link = ExpandFolderMacros(folders, link);
    e.linkPath = GetField(link, ",", 1);
    e.workingFolder = GetField(link, ",", 2);
    return e;
}

IniEntry ParseIniEntry(const FolderValues& folders, const std::string& raw)
{
    const std::string entry = ExpandFolderMacros(folders, raw);
    return {GetField(entry, ",", 1), GetField(entry, ",", 2), GetField(entry, ",", 3), GetField(entry, ",", 4)};
}

std::optional<RelateEntry> ParseRelate(const FolderValues& folders, const std::string& name, const std::string& file)
{
    if (name.empty() || file.empty()) return std::nullopt;
    RelateEntry e;
    e.extension = GetField(name, ",", 1);
    e.description = GetField(name, ",", 2);
    if (e.description.empty()) e.description = name + " File";
    const std::string expanded = ExpandFolderMacros(folders, file);
    e.verb = GetField(expanded, ",", 1);
    e.program = GetField(expanded, ",", 2);
    e.parameter1 = GetField(expanded, ",", 3);
    e.parameter2 = GetField(expanded, ",", 4);
    e.iconIndex = GetField(expanded, ",", 5);
    return e;
}

ExecuteEntry ParseExecuteFile(const FolderValues& folders, const std::string& raw)
{
    ExecuteEntry e;
    if (raw == "WINDOWS_REBOOT") {
        e.reboot = true;
        return e;
    }
    const std::string expanded = ExpandFolderMacros(folders, raw);
    e.program = GetField(expanded, ",", 1);
    e.parameters = GetField(expanded, ",", 2);
    e.useCreateProcess = GetField(expanded, ",", 3) == "CreateProcess";
    return e;
}

std::optional<std::int32_t> ParseInteger(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const bool hex = i < text.size() && text[i] == '$';
    if (hex) ++i;
    if (i >= text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        // Hexadecimal covers the full 32 bits (FFFFFFFF is -1); decimal the signed range.
        if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return std::nullopt;
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (!negative && value > 0x7FFFFFFFull) return std::nullopt;
    return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(value)) : static_cast<std::int32_t>(value);
}

RegistryValue ParseRegistryValue(const FolderValues& folders, const std::string& raw)
{
    RegistryValue v;
    if (raw.empty()) return v;
    const bool pdd = Contains(raw, "(Pdd)");
    std::string value = ExpandFolderMacros(folders, pdd ? ReplaceToken(raw, "(Pdd)", "") : raw);
    if (pdd) value = RemoveBackslash(value, "B");
    const std::string type = Left(value, 5);
    const std::string data = Mid(value, 6);
    if (type == "(Str)") {
        v.kind = RegistryValueKind::String;
        v.text = data;
    } else if (type == "(Exp)") {
        v.kind = RegistryValueKind::ExpandString;
        v.text = data;
    } else if (type == "(Int)" || type == "(Dwd)") {
        v.kind = RegistryValueKind::Dword;
        v.number = static_cast<std::uint32_t>(ParseInteger(data).value_or(0));
    } else if (type == "(Bin)") {
        if (const auto n = ParseInteger("$" + data)) {
            v.kind = RegistryValueKind::Binary;
            v.number = static_cast<std::uint32_t>(*n);
        }
    } else {
        v.kind = RegistryValueKind::String;
        v.text = value;
    }
    return v;
}

RegistryEntry ParseRegistryEntry(const FolderValues& folders, const std::string& key, const std::string& name,
                                 const std::string& value)
{
    const RegistryPath path = SplitRegistryPath(key);
    return {path.rootToken, path.keyPath, name, ParseRegistryValue(folders, value)};
}

std::vector<std::string> ReadAddDeleteFiles(const FolderValues& folders, const IniDocument& script)
{
    std::vector<std::string> files = ReadOpenList(script, "AddDeleteFile", "File");
    for (std::string& file : files) file = ExpandFolderMacros(folders, file);
    return files;
}

std::vector<std::string> ReadDeleteRegistryKeys(const IniDocument& script)
{
    return ReadOpenList(script, "DeleteRegistry", "Key");
}

std::vector<std::string> ReadMakeFolders(const FolderValues& folders, const IniDocument& script)
{
    std::vector<std::string> result = ReadOpenList(script, "MakeFolder", "Folder");
    for (std::string& folder : result) folder = ParseMakeFolder(folders, folder);
    return result;
}

std::optional<CopyEntry> ReadCopyEntry(const FolderValues& folders, const IniDocument& script, int n)
{
    const std::string raw = script.Get("CopyFile", "File" + std::to_string(n), "");
    if (raw.empty()) return std::nullopt;
    return ParseCopyEntry(folders, raw);
}

std::optional<std::string> ReadCopySourceName(const IniDocument& script, int n)
{
    const std::string raw = script.Get("CopyFile", "File" + std::to_string(n), "");
    if (raw.empty()) return std::nullopt;
    const std::string path = GetField(raw, ",", 1);
    const std::size_t bar = PosNoCase("|", path);
    return PathFileName(bar ? Left(path, static_cast<int>(bar) - 1) : path);
}

std::vector<ShortcutEntry> ReadShortcuts(const FolderValues& folders, const IniDocument& script)
{
    std::vector<ShortcutEntry> result;
    for (int n = 1;; ++n) {
        const std::string number = std::to_string(n);
        const std::string make = script.Get("ShortCut", "Make" + number, "");
        if (make.empty()) break;
        result.push_back(ParseShortcut(folders, make, script.Get("ShortCut", "Name" + number, "Default")));
    }
    return result;
}

std::vector<RegistryEntry> ReadRegistryEntries(const FolderValues& folders, const IniDocument& script)
{
    std::vector<RegistryEntry> result;
    for (int n = 1;; ++n) {
        const std::string number = std::to_string(n);
        const std::string key = script.Get("Registry", "Key" + number, "");
        if (key.empty()) break;
        result.push_back(ParseRegistryEntry(folders, key, script.Get("Registry", "Name" + number, ""),
                                            script.Get("Registry", "Value" + number, "")));
    }
    return result;
}

std::vector<IniEntry> ReadIniEntries(const FolderValues& folders, const IniDocument& script)
{
    std::vector<IniEntry> result;
    for (const std::string& raw : ReadOpenList(script, "IniFile", "Data"))
        result.push_back(ParseIniEntry(folders, raw));
    return result;
}

std::vector<std::pair<std::string, std::string>> ReadRelateKeys(const IniDocument& script)
{
    std::vector<std::pair<std::string, std::string>> result;
    for (int n = 1; n <= 20; ++n) {
        const std::string number = std::to_string(n);
        std::string name = script.Get("Relate", "Name" + number, "");
        if (name.empty()) continue;
        std::string file = script.Get("Relate", "File" + number, "");
        if (!file.empty()) result.emplace_back(std::move(name), std::move(file));
    }
    return result;
}

ExecuteEntry ReadExecuteFile(const FolderValues& folders, const IniDocument& script)
{
    return ParseExecuteFile(folders, script.Get("ExecuteFile", "File", ""));
}
