#include "qcheck/Rules.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "qcheck/Paths.h"
#include "scripts/ScriptActions.h"
#include "services/RegistryPath.h"

#include <cctype>
#include <charconv>

namespace {

const std::vector<std::string> kRoots = {"(Cuser)", "(Class)", "(Local)", "(Users)"};
const std::vector<std::string> kTypes = {"(Str)", "(Exp)", "(Int)", "(Dwd)", "(Bin)"};
const std::vector<std::string> kMacros = {"(App)",   "(Prg)",   "(Win)",   "(Sys)",   "(Tmp)",  "(Boo)", "(Set)",
                                          "(Edr)",   "(Smn)",   "(Sta)",   "(Dsk)",   "(Sup)",  "(Sen)", "(Myd)",
                                          "(C_Smn)", "(C_Sta)", "(C_Dsk)", "(C_Sup)", "(C_Myd)"};

bool IsOneOf(const std::string& text, const std::vector<std::string>& words)
{
    return std::find(words.begin(), words.end(), text) != words.end();
}

bool IsLetter(char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

// Q22: "(Xyz)" or "(C_Xyz)" that is no macro but near one (a slip of the keyboard;
// "(Old)" in a folder name is left alone).
void CheckMacros(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& text)
{
    for (std::size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
        const std::size_t close = text.find(')', open);
        if (close == std::string::npos || close - open < 4 || close - open > 6) continue;
        const std::string token = text.substr(open, close - open + 1);
        const std::string inner = token.substr(1, token.size() - 2);
        const bool shaped = std::all_of(inner.begin(), inner.end(), [](char ch) { return IsLetter(ch) || ch == '_'; });
        if (!shaped) continue;
        const std::string upper = FoldName(token);
        if (upper == "(DCH)" || upper == "(PDD)") continue;
        if (std::any_of(kMacros.begin(), kMacros.end(), [&](const std::string& m) { return FoldName(m) == upper; }))
            continue;
        if (std::any_of(kTypes.begin(), kTypes.end(), [&](const std::string& m) { return FoldName(m) == upper; }))
            continue;
        const std::string nearest = Nearest(token, kMacros);
        if (!nearest.empty()) c.Report(file, line, 22, {token, nearest});
    }
}

bool IsDecimal(const std::string& text)
{
    std::int32_t value = 0;
    const char* first = text.data() + (!text.empty() && text[0] == '+');
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    return !text.empty() && ec == std::errc() && end == last;
}

// A word the reader compares exactly, written in another case.
void CheckExactWord(Context& c, const char* section, const char* key, const std::string& value, const char* word,
                    const char* en, const char* ja)
{
    if (value != word && FoldName(value) == FoldName(word))
        c.Report(c.script, c.script.LineOf(section, key), 26,
                 {std::string("[") + section + "] " + key, value, word, en, ja});
}

// A version in a name: digits around a ".", or "v"/"ver" before a digit.
bool HoldsVersion(const std::string& name)
{
    const std::string upper = FoldName(name);
    for (std::size_t i = 0; i < upper.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(upper[i])) != 0;
        if (digit && i + 2 < upper.size() && upper[i + 1] == '.' && std::isdigit(static_cast<unsigned char>(upper[i + 2])))
            return true;
        const bool wordStart = i == 0 || !IsLetter(upper[i - 1]);
        for (const std::string mark : {"VER", "V"}) {
            if (wordStart && upper.compare(i, mark.size(), mark) == 0 && i + mark.size() < upper.size()) {
                std::size_t j = i + mark.size();
                if (upper[j] == '.' || upper[j] == ' ') ++j;
                if (j < upper.size() && std::isdigit(static_cast<unsigned char>(upper[j]))) return true;
            }
        }
    }
    return false;
}

// Q48: a key whose absolute path (its root's name included) is longer than Windows
// takes for a key name.
void CheckKeyLength(Context& c, std::uint32_t line, const std::string& rootToken, const std::string& keyPath)
{
    const std::string path = std::string(rootToken == "(Class)"   ? "HKEY_CLASSES_ROOT\\"
                                         : rootToken == "(Local)" ? "HKEY_LOCAL_MACHINE\\"
                                         : rootToken == "(Users)" ? "HKEY_USERS\\"
                                                                  : "HKEY_CURRENT_USER\\") +
                             keyPath;
    std::size_t characters = 0;
    for (std::size_t p = 1; p <= path.size(); p += CharLength(path, p)) ++characters;
    if (characters > 255) c.Report(c.script, line, 48, {Left(path, 60) + "...", std::to_string(characters)});
}

void CheckRegistry(Context& c)
{
    const ScriptFile& s = c.script;
    const std::vector<std::string>& keys = s.List("Registry", "Key");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        CheckRegistryRoot(c, s, s.LineOf("Registry", "Key" + n), keys[i], false);
        const RegistryPath split = SplitRegistryPath(keys[i]);
        CheckKeyLength(c, s.LineOf("Registry", "Key" + n), split.rootToken, split.keyPath);
        const std::string name = s.Get("Registry", "Name" + n);
        if (name.size() > 16383)
            c.Report(s, s.LineOf("Registry", "Name" + n), 49, {Left(name, 80) + "...", std::to_string(name.size())});
        const std::string raw = s.Get("Registry", "Value" + n);
        const std::uint32_t line = s.LineOf("Registry", "Value" + n);
        if (raw.empty()) continue;
        CheckMacros(c, s, line, raw);
        // The value as the reader types it (ParseRegistryValue).
        const bool pdd = PosNoCase("(Pdd)", raw) != 0;
        std::string value = ExpandFolderMacros(c.folders, pdd ? ReplaceToken(raw, "(Pdd)", "") : raw);
        if (pdd) value = RemoveBackslash(value, "B");
        const std::string type = Left(value, 5), data = Mid(value, 6);
        if ((type == "(Int)" || type == "(Dwd)") && !ParseInteger(data)) c.Report(s, line, 24, {type, data});
        if (type == "(Bin)" && !ParseInteger("$" + data)) c.Report(s, line, 25, {data});
        const std::size_t close = value.find(')');
        if (!IsOneOf(type, kTypes) && Left(value, 1) == "(" && close != std::string::npos && close < 10) {
            const std::string token = value.substr(0, close + 1);
            c.Report(s, line, 23, {token, value, Nearest(token, kTypes)});
        }
    }
    const std::vector<std::string>& removed = s.List("DeleteRegistry", "Key");
    for (std::size_t i = 0; i < removed.size(); ++i)
        CheckRegistryRoot(c, s, s.LineOf("DeleteRegistry", "Key" + std::to_string(i + 1)), removed[i], true);
    const std::string refer = s.Get("DefaultFolder", "ReferRegistry");
    if (!refer.empty())
        CheckRegistryRoot(c, s, s.LineOf("DefaultFolder", "ReferRegistry"), GetField(refer, ",", 1), false);
}

void CheckWords(Context& c)
{
    const ScriptFile& s = c.script;
    CheckExactWord(c, "Extend", "Enabled", s.Get("Extend", "Enabled"), "False", "the options stay changeable",
                   "オプションは変更できるままです。");
    CheckExactWord(c, "EULA", "CheckBox", s.Get("EULA", "CheckBox"), "Hide", "the confirmation box is shown",
                   "確認のチェックボックスが表示されます。");
    CheckExactWord(c, "Extend", "UnSetupOption", s.Get("Extend", "UnSetupOption"), "DeleteAll",
                   "the uninstaller shows its four option boxes", "アンインストーラは 4 つのオプションを表示します。");
    const std::string execute = s.Get("ExecuteFile", "File");
    CheckExactWord(c, "ExecuteFile", "File", execute, "WINDOWS_REBOOT", "it is taken as a program to run, not a restart",
                   "再起動ではなく、実行するプログラム名として扱われます。");
    CheckExactWord(c, "ExecuteFile", "File", GetField(execute, ",", 3), "CreateProcess",
                   "the program is started by the shell", "プログラムはシェルで起動されます。");
    for (const char* section : {"EULA", "Readme"}) {
        const std::string bars = s.Get(section, "ScrollBars", "ssVertical");
        if (!IsOneOf(bars, {"ssVertical", "ssHorizontal", "ssBoth"}))
            c.Report(s, s.LineOf(section, "ScrollBars"), 27, {std::string("[") + section + "] ScrollBars", bars});
    }
    const std::string speed = s.Get("Extend", "SetupSpeed", "350");
    if (!IsDecimal(speed)) c.Report(s, s.LineOf("Extend", "SetupSpeed"), 28, {speed});
    for (int n = 1; n <= 20; ++n) {
        const std::string name = "Name" + std::to_string(n), program = "File" + std::to_string(n);
        const bool hasName = !s.Get("Relate", name).empty(), hasFile = !s.Get("Relate", program).empty();
        if (hasName != hasFile)
            c.Report(s, s.LineOf("Relate", hasName ? name : program), 18,
                     {hasName ? name : program, hasName ? program : name});
        // The longest key an association makes: ext_auto_file\shell\verb\command.
        if (const auto e = ParseRelate(c.folders, s.Get("Relate", name), s.Get("Relate", program)))
            CheckKeyLength(c, s.LineOf("Relate", program), "(Class)",
                           e->extension + "_auto_file\\shell\\" + e->verb + "\\command");
    }
}

void CheckMacroUse(Context& c)
{
    const ScriptFile& s = c.script;
    const std::pair<const char*, const char*> lists[] = {{"MakeFolder", "Folder"}, {"CopyFile", "File"},
                                                         {"ShortCut", "Make"},     {"ShortCut", "Name"},
                                                         {"IniFile", "Data"},      {"AddDeleteFile", "File"}};
    for (const auto& [section, prefix] : lists) {
        const std::vector<std::string>& values = s.List(section, prefix);
        for (std::size_t i = 0; i < values.size(); ++i)
            CheckMacros(c, s, s.LineOf(section, prefix + std::to_string(i + 1)), values[i]);
    }
    for (int n = 1; n <= 20; ++n) {
        const std::string key = "File" + std::to_string(n);
        CheckMacros(c, s, s.LineOf("Relate", key), s.Get("Relate", key));
    }
    for (const auto& [section, key] :
         {std::pair{"ExecuteFile", "File"}, {"DefaultFolder", "Folder"}, {"DefaultFolder", "ReferIniFile"}})
        CheckMacros(c, s, s.LineOf(section, key), s.Get(section, key));
    // The mark as written: no macro's value holds it, and (Set), the one that can be
    // empty, is the installation drive here.
    const std::vector<std::string>& copies = s.List("CopyFile", "File");
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const std::size_t mark = PosNoCase("(Dch)", copies[i]);
        if (mark != 0 && Left(copies[i], 5) != "(Dch)")
            c.Report(s, s.LineOf("CopyFile", "File" + std::to_string(i + 1)), 21, {copies[i].substr(mark - 1, 5)});
    }
}

void CheckEntry(Context& c)
{
    const ScriptFile& s = c.script;
    const std::string title = s.Get("Title", "UnSetup", s.Get("Title", "Setup", "Quillon Setup"));
    if (PosNoCase("Setup Only.", title) != 0) return; // no entry is made
    const std::uint32_t line = s.LineOf("Title", "UnSetupKey");
    if (!s.Has("Title", "UnSetupKey")) {
        c.Report(s, line, 51, {title});
    } else {
        const std::string key = s.Get("Title", "UnSetupKey");
        if (key.empty()) c.Report(s, line, 50);
        if (HoldsVersion(key)) c.Report(s, line, 52, {key});
        if (PosNoCase("\\", key) != 0) c.Report(s, line, 53, {key});
    }
    if (s.Get("Support", "DisplayVersion").empty()) c.Report(s, s.LineOf("Support", "DisplayVersion"), 54);
}

} // namespace

void CheckRegistryRoot(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& path, bool uninstallSide)
{
    const bool opens = Left(path, 1) == "(";
    const bool closes = path.size() >= 7 && path[6] == ')';
    const bool token = uninstallSide ? opens && closes : opens || closes;
    const RegistryPath split = uninstallSide ? SplitUninstallRegistryPath(path) : SplitRegistryPath(path);
    if (token) {
        const std::string written = Left(path, 7);
        if (!IsOneOf(written, kRoots)) c.Report(file, line, 20, {written, split.keyPath, Nearest(written, kRoots)});
        return;
    }
    // A root written the way other tools write it is a key level here.
    const std::string rest = RemoveBackslash(path, "T");
    const std::size_t delimiter = MbPos("\\", rest);
    const std::string first = delimiter ? Left(rest, static_cast<int>(delimiter) - 1) : rest;
    if (IsOneOf(FoldName(first), {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKCU",
                                  "HKLM", "HKCR", "HKU"}))
        c.Report(file, line, 20, {first, split.keyPath, ""});
}

void CheckValues(Context& c)
{
    CheckRegistry(c);
    CheckWords(c);
    CheckMacroUse(c);
    CheckEntry(c);
}
