#include "Mutate.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

// ---------------------------------------------------------------------------------
// Vocabulary

const std::vector<std::string> kMacros = {"(App)",   "(Prg)",   "(Win)",   "(Sys)",   "(Tmp)",  "(Boo)", "(Set)",
                                          "(Edr)",   "(Smn)",   "(Sta)",   "(Dsk)",   "(Sup)",  "(Sen)", "(Myd)",
                                          "(C_Smn)", "(C_Sta)", "(C_Dsk)", "(C_Sup)", "(C_Myd)"};
const std::vector<std::string> kTypes = {"(Str)", "(Exp)", "(Int)", "(Dwd)", "(Bin)", "(Pdd)"};
const std::vector<std::string> kFlags = {"/S", "/W", "/R", "/C", "/L", "/F", "(Dch)"};
// Roots as the two splitters see them: seven characters with "(" first and ")" last,
// or none (the current user).
const std::vector<std::string> kRoots = {"(Cuser)", "(Class)", "(Local)", "(Users)", "(cuser)",
                                         "(LOCAL)", "(class)", "(Xxxxx)", "(Local)", ""};
// Seven-character tokens the install side takes whatever their first or last character.
const std::vector<std::string> kLooseRoots = {"[Local)", "(Local]", " Local)", "(Cuser "};
// Names with the trail byte 0x5C (表, ソ, 能), blanks, commas, bars, wildcards, dots,
// half-width kana, a full-width blank, components and compressed names.
const std::vector<std::string> kNames = {
    "a.txt",      "表示",        "ソフト",   "能力.txt", "Data",  "sub dir",     "x,y",        "a|b.txt",    "..",
    ".",          "*",           "*.*",      "?.txt",    "*.log", "qfzcomp.dll", "qfzctl.OCX", "README.TX_", "data.da_",
    "qfzlib.dl_", "UNSETUP.INI", "ｱｲｳ",      "　全角",   "name.", "name ",       "Ｆｕｌｌ",   "app.exe",    "Old",
    "x",          "表\\能",      "b.dll,/S", "@RUN@",    "-",     "'q'",         "\"dq\""};
const std::vector<std::string> kNumbers = {"0",
                                           "1",
                                           "-2",
                                           "$1F",
                                           "$FFFFFFFF",
                                           "$100000000",
                                           "2147483647",
                                           "2147483648",
                                           "-2147483648",
                                           "-2147483649",
                                           "99999999999999999999",
                                           "$",
                                           "-$10",
                                           " 12",
                                           "12 ",
                                           "1e3",
                                           "０",
                                           "0A0B0C0D",
                                           "",
                                           "$7fffffff",
                                           "+5",
                                           "--1",
                                           "$-1",
                                           "0x10"};
// Patterns, some of which match the layout's own folders (win, system32, shell ...).
const std::vector<std::string> kPatterns = {
    "*.bak", "*.log", "*", "*.*",   "..\\*", "..\\..\\*.*", "sub\\*.tmp", "(App)\\*.x", "?",   "a.txt", "..",
    "表*",   "*.INI", "",  "Z:\\*", "w*",    "s*",          "S?????32",   "..\\S*",     "?in", "*l*"};
const char kLeadBytes[] = {'\x81', '\x88', '\x95', '\x9F', '\xE0', '\xEA', '\xFC'};

std::string RandomCase(Rng& rng, std::string text)
{
    for (char& c : text) {
        if (!rng.Chance(40)) continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// A macro token, now and then in the wrong case (which no longer names the folder).
std::string Macro(Rng& rng)
{
    const std::string& m = rng.Pick(kMacros);
    return rng.Chance(15) ? RandomCase(rng, m) : m;
}

char LeadByte(Rng& rng)
{
    return kLeadBytes[rng.Below(sizeof kLeadBytes)];
}

std::string LongText(Rng& rng, std::size_t length)
{
    static const char* const pieces[] = {"a", "Z", "表", "能", "\\", "ｱ", "x", "0", " "};
    std::string text;
    const std::size_t kinds = 1 + rng.Below(std::size(pieces));
    while (text.size() < length) text += pieces[rng.Below(kinds)];
    text.resize(length);
    return text;
}

std::string Name(Rng& rng)
{
    // Long, but within what a Linux file name holds in UTF-8 (255 bytes): Wine cannot
    // store a longer name, and the paths still grow long from several of them.
    if (rng.Chance(3)) return LongText(rng, 60 + rng.Below(60));
    std::string name = rng.Pick(kNames);
    if (rng.Chance(5)) name += LeadByte(rng);
    return name;
}

std::string RandomPath(Rng& rng, bool folder = false)
{
    std::string path;
    const int start = rng.Range(0, 9);
    if (start < 6) path = Macro(rng) + (rng.Chance(80) ? "\\" : "");
    else if (start == 6) path = "Z:\\";
    else if (start == 7) path = "\\";
    const int pieces = rng.Range(0, 3);
    for (int i = 0; i < pieces; ++i) path += Name(rng) + (i + 1 < pieces ? "\\" : "");
    if (folder || rng.Chance(10)) path += "\\";
    if (rng.Chance(5)) path += Macro(rng);
    return path;
}

std::string RandomFlags(Rng& rng)
{
    std::string flags;
    const int n = rng.Range(0, 3);
    for (int i = 0; i < n; ++i) {
        const std::string& f = rng.Pick(kFlags);
        flags += rng.Chance(25) ? RandomCase(rng, f) : f;
        if (rng.Chance(10)) flags += " ";
    }
    return flags;
}

std::string RandomText(Rng& rng)
{
    static const std::vector<std::string> texts = {"Quillon",           "表示ソフト", "",          "テスト 1.0",
                                                   "%ProgramFiles%\\x", "a=b",        "[x]",       ";c",
                                                   "\"quoted\"",        "  padded  ", "DeleteAll", "False",
                                                   "Setup Only.",       "ssBoth",     "Hide",      "IDCheck:QFZ@RUN@"};
    std::string text = rng.Pick(texts);
    if (rng.Chance(10)) text += Macro(rng);
    return text;
}

std::string RegistryData(Rng& rng)
{
    std::string value;
    if (rng.Chance(20)) value += rng.Chance(20) ? RandomCase(rng, "(Pdd)") : "(Pdd)";
    const int kind = rng.Range(0, 6);
    std::string type = kind < 5 ? kTypes[static_cast<std::size_t>(kind)] : std::string();
    if (rng.Chance(15)) type = RandomCase(rng, type);
    std::string data = kind == 0 || kind == 1 || kind == 5 ? (rng.Chance(50) ? RandomPath(rng) : RandomText(rng))
                                                           : rng.Pick(kNumbers);
    // A type token in the wrong place: after the data, or twice.
    if (rng.Chance(10)) value += data + type;
    else if (rng.Chance(5)) value += type + type + data;
    else value += type + data;
    return value;
}

std::string FuzzKey(Rng& rng)
{
    std::string key = "Software\\QuillonFuzz\\@RUN@";
    const int depth = rng.Range(0, 2);
    for (int i = 0; i < depth; ++i)
        key.append("\\").append(rng.Chance(70) ? "k" : "表").append(std::to_string(rng.Range(0, 3)));
    return key;
}

std::string RegistryKey(Rng& rng, bool installSide)
{
    std::string key = installSide && rng.Chance(10) ? rng.Pick(kLooseRoots) : rng.Pick(kRoots);
    // A backslash between root and path, mostly; none now and then.
    if (key.empty() ? rng.Chance(30) : rng.Chance(70)) key += "\\";
    key += FuzzKey(rng);
    if (rng.Chance(10)) key += "\\";
    return key;
}

std::string Extension(Rng& rng)
{
    static const std::vector<std::string> tails = {"", "a", "Doc", "表", ".x", "b c", "qq"};
    return "qfz@RUN@" + rng.Pick(tails);
}

std::string NoneProgram(Rng& rng, bool relative)
{
    static const std::vector<std::string> names = {"none.exe", "表示.exe", "a b.exe", "x"};
    // Twelve levels up reach the root from any installation folder the fuzzer uses.
    std::string program = relative ? std::string() : "(Boo)";
    for (int i = 0; relative && i < 12; ++i) program += "..\\";
    program += "qfz-none\\" + rng.Pick(names);
    if (rng.Chance(50)) program += "," + RandomText(rng);
    if (!relative && rng.Chance(30)) program += rng.Chance(80) ? ",CreateProcess" : ",createprocess";
    return program;
}

// ---------------------------------------------------------------------------------
// Lines and sections

std::string Key(const std::string& line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return {};
    std::string key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    std::size_t b = 0;
    while (b < key.size() && (key[b] == ' ' || key[b] == '\t')) ++b;
    return AsciiUpper(key.substr(b));
}

std::string Value(const std::string& line)
{
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void SetValue(std::string& line, const std::string& value)
{
    const std::size_t eq = line.find('=');
    line = (eq == std::string::npos ? line : line.substr(0, eq)) + "=" + value;
}

bool KeyIs(const std::string& line, const char* prefix)
{
    const std::string key = Key(line);
    const std::string p = AsciiUpper(prefix);
    return key.size() >= p.size() && key.compare(0, p.size(), p) == 0;
}

IniModel::Section* FindSection(IniModel& m, const char* name)
{
    for (auto& s : m.sections)
        if (SectionName(s.header) == AsciiUpper(name)) return &s;
    return nullptr;
}

IniModel::Section& EnsureSection(IniModel& m, const char* name)
{
    if (auto* s = FindSection(m, name)) return *s;
    m.sections.push_back({std::string("[") + name + "]", {}});
    return m.sections.back();
}

void SetKey(IniModel& m, const char* section, const char* key, const std::string& value)
{
    IniModel::Section& s = EnsureSection(m, section);
    for (std::string& line : s.lines) {
        if (Key(line) == AsciiUpper(key)) {
            SetValue(line, value);
            return;
        }
    }
    s.lines.push_back(std::string(key) + "=" + value);
}

// The entry lines a list section takes for number n.
std::vector<std::string> ScriptEntry(Rng& rng, const std::string& section, int n)
{
    const std::string num = std::to_string(n);
    if (section == "MAKEFOLDER") return {"Folder" + num + "=" + RandomPath(rng, rng.Chance(50))};
    if (section == "COPYFILE") {
        std::string entry = rng.Chance(10) ? (rng.Chance(70) ? "(Dch)" : RandomCase(rng, "(Dch)")) : "";
        entry += RandomPath(rng);
        if (rng.Chance(15)) entry += "|" + Name(rng);
        const std::string flags = RandomFlags(rng);
        if (!flags.empty() || rng.Chance(10)) entry += "," + flags;
        if (rng.Chance(5)) entry += "," + RandomFlags(rng);
        return {"File" + num + "=" + entry};
    }
    if (section == "SHORTCUT") {
        std::vector<std::string> lines = {"Make" + num + "=" + RandomPath(rng) +
                                          (rng.Chance(30) ? ",-arg " + Name(rng) : "")};
        if (rng.Chance(85)) {
            std::string name = rng.Chance(10) ? "Default" : RandomPath(rng);
            if (rng.Chance(20)) name += "," + RandomPath(rng, true);
            lines.push_back("Name" + num + "=" + name);
        }
        return lines;
    }
    if (section == "REGISTRY")
        return {"Key" + num + "=" + RegistryKey(rng, true), "Name" + num + "=" + (rng.Chance(20) ? "" : Name(rng)),
                "Value" + num + "=" + RegistryData(rng)};
    if (section == "INIFILE")
        return {"Data" + num + "=" + Name(rng) + "," + Name(rng) + "," +
                (rng.Chance(50) ? RandomPath(rng) : RandomText(rng)) + "," + Macro(rng) + "\\" + Name(rng) + ".ini"};
    if (section == "RELATE") {
        std::vector<std::string> lines = {"Name" + num + "=" + Extension(rng) +
                                          (rng.Chance(60) ? "," + RandomText(rng) : "")};
        if (rng.Chance(90))
            lines.push_back("File" + num + "=" + RandomText(rng) + "," + RandomPath(rng) + ",\"%1\"," + Name(rng) +
                            "," + rng.Pick(kNumbers));
        return lines;
    }
    if (section == "DELETEREGISTRY") return {"Key" + num + "=" + RegistryKey(rng, false)};
    if (section == "ADDDELETEFILE")
        return {"File" + num + "=" + (rng.Chance(50) ? Macro(rng) + "\\" + rng.Pick(kPatterns) : RandomPath(rng))};
    if (section == "TOPMESSAGE") return {"Message" + num + "=" + RandomText(rng)};
    return {};
}

std::vector<std::string> RecordEntry(Rng& rng, const std::string& section, int n)
{
    const std::string num = std::to_string(n);
    if (section == "DELETEFOLDER") return {"Folder" + num + "=" + RandomPath(rng, true)};
    if (section == "DELETEFILE") {
        std::string flags = RandomFlags(rng);
        return {"File" + num + "=" + RandomPath(rng) + (flags.empty() && rng.Chance(70) ? "" : "," + flags)};
    }
    if (section == "DELETESHORTCUT") return {"File" + num + "=" + RandomPath(rng) + (rng.Chance(80) ? ".lnk" : "")};
    if (section == "DELETEREGISTRY") return {"Key" + num + "=" + RegistryKey(rng, false)};
    if (section == "ADDDELETEFILE")
        return {"File" + num + "=" + (rng.Chance(60) ? Macro(rng) + rng.Pick(kPatterns) : RandomPath(rng))};
    if (section == "RESTORERELATE")
        return {"Key" + num + "=" + Extension(rng) + "," + (rng.Chance(50) ? "" : RandomText(rng))};
    return {};
}

const std::vector<std::string> kScriptLists = {"MAKEFOLDER", "COPYFILE",       "SHORTCUT",      "REGISTRY",  "INIFILE",
                                               "RELATE",     "DELETEREGISTRY", "ADDDELETEFILE", "TOPMESSAGE"};
const std::vector<std::string> kRecordLists = {"DELETEFOLDER",   "DELETEFILE",    "DELETESHORTCUT",
                                               "DELETEREGISTRY", "ADDDELETEFILE", "RESTORERELATE"};

// Header spellings as distributors get them wrong.
std::string Header(Rng& rng, const std::string& name)
{
    switch (rng.Range(0, 12)) {
    case 0: return "[" + RandomCase(rng, name) + "]";
    case 1: return "  [ " + name + " ]  ";
    case 2: return "[" + name;
    case 3: return "[" + name + "]x]";
    case 4: return "[" + name + "] ; note";
    default: return "[" + name + "]";
    }
}

// The highest number among the keys of a section, for appending.
int LastNumber(const IniModel::Section& s)
{
    int last = 0;
    for (const std::string& line : s.lines) {
        const std::string key = Key(line);
        std::size_t d = key.size();
        while (d > 0 && key[d - 1] >= '0' && key[d - 1] <= '9') --d;
        if (d < key.size() && key.size() - d < 6) last = std::max(last, std::stoi(key.substr(d)));
    }
    return last;
}

// The canonical spelling of a section name for generating its entries.
std::string CanonicalName(const std::string& upper)
{
    static const std::vector<std::string> names = {
        "MakeFolder",    "CopyFile",   "ShortCut",     "Registry",   "IniFile",        "Relate",       "DeleteRegistry",
        "AddDeleteFile", "TopMessage", "DeleteFolder", "DeleteFile", "DeleteShortCut", "RestoreRelate"};
    for (const std::string& n : names)
        if (AsciiUpper(n) == upper) return n;
    return upper;
}

void AppendEntries(IniModel::Section& s, Rng& rng, bool record, int count)
{
    const std::string name = SectionName(s.header);
    int n = LastNumber(s);
    for (int i = 0; i < count; ++i) {
        ++n;
        for (std::string& line : record ? RecordEntry(rng, name, n) : ScriptEntry(rng, name, n))
            s.lines.push_back(std::move(line));
    }
}

std::string MutateValue(Rng& rng, std::string value)
{
    const std::size_t at = value.empty() ? 0 : rng.Below(value.size() + 1);
    switch (rng.Range(0, 16)) {
    case 0: value.insert(at, Macro(rng)); break;
    case 1: value.insert(at, rng.Chance(30) ? RandomCase(rng, rng.Pick(kTypes)) : rng.Pick(kTypes)); break;
    case 2: value.insert(at, rng.Chance(30) ? RandomCase(rng, rng.Pick(kFlags)) : rng.Pick(kFlags)); break;
    case 3: value.insert(at, "..\\"); break;
    case 4: value += LeadByte(rng); break;
    case 5: value = "\"" + value + "\""; break;
    case 6: value = "  " + value + " \t"; break;
    case 7: value.insert(at, rng.Chance(50) ? "," : "|"); break;
    case 8: value.insert(at, rng.Chance(50) ? "*" : "?"); break;
    case 9: value.clear(); break;
    case 10: value += value; break;
    case 11: value = RandomCase(rng, value); break;
    case 12: value.insert(at, std::string(1, LeadByte(rng)) + "\\"); break;
    case 13: value.insert(at, "'"); break;
    case 14: value = value.substr(0, at); break;
    case 15: value.insert(at, ",/S"); break;
    default: value.insert(at, Name(rng)); break;
    }
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------

IniModel ParseIni(const std::string& text)
{
    IniModel m;
    m.sections.push_back({"", {}});
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t e = p;
        while (e < text.size() && text[e] != '\r' && text[e] != '\n') ++e;
        std::string line = text.substr(p, e - p);
        p = e;
        if (p < text.size() && text[p] == '\r') ++p;
        if (p < text.size() && text[p] == '\n') ++p;
        std::size_t b = 0;
        while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
        if (b < line.size() && line[b] == '[') m.sections.push_back({line, {}});
        else if (!line.empty()) m.sections.back().lines.push_back(line);
    }
    return m;
}

std::string RenderIni(const IniModel& model)
{
    std::string text;
    for (const auto& s : model.sections) {
        if (!s.header.empty()) text += s.header + "\r\n";
        for (const std::string& line : s.lines) text += line + "\r\n";
    }
    return text;
}

std::string SectionName(const std::string& header)
{
    std::size_t b = header.find('[');
    if (b == std::string::npos) return {};
    std::size_t e = header.rfind(']');
    std::string name = header.substr(b + 1, e == std::string::npos || e < b ? std::string::npos : e - b - 1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    std::size_t s = 0;
    while (s < name.size() && (name[s] == ' ' || name[s] == '\t')) ++s;
    return AsciiUpper(name.substr(s));
}

IniModel GenerateScript(Rng& rng)
{
    IniModel m;
    m.sections.push_back({"", {}});
    SetKey(m, "Title", "Setup", "QuillonFuzz @RUN@ " + RandomText(rng));
    SetKey(m, "Title", "UnSetupKey", "QuillonFuzz @RUN@");
    if (rng.Chance(50)) SetKey(m, "Title", "UnSetup", "QuillonFuzz @RUN@ " + RandomText(rng));
    if (rng.Chance(50)) SetKey(m, "Title", "UnSetupDisplay", RandomText(rng));
    if (rng.Chance(50)) SetKey(m, "Extend", "SetupString", RandomText(rng));
    if (rng.Chance(50)) SetKey(m, "Extend", "SetupSpeed", rng.Pick(kNumbers));
    if (rng.Chance(60)) {
        static const std::vector<std::string> options = {"1,0,1,0", "DeleteAll", "1,1,1,1",  "1",
                                                         "0,0,0,0", "1111111",   "deleteall"};
        SetKey(m, "Extend", "UnSetupOption", rng.Pick(options));
    }
    if (rng.Chance(50)) SetKey(m, "Extend", "UnSetupCheckBox3", rng.Pick(kPatterns));
    if (rng.Chance(30)) SetKey(m, "Extend", "UnSetupCheckBox4", rng.Pick(kPatterns));
    if (rng.Chance(50)) SetKey(m, "DefaultFolder", "Folder", RandomPath(rng, true));
    if (rng.Chance(40)) SetKey(m, "ProgramID", "ID", "QFZ@RUN@" + Name(rng));
    if (rng.Chance(30)) SetKey(m, "BeforeUnInstall", "ReadmeFile", "\\" + Name(rng));
    if (rng.Chance(30)) SetKey(m, "BeforeUnInstall", "File", NoneProgram(rng, true));
    if (rng.Chance(30)) SetKey(m, "ExecuteFile", "File", rng.Chance(30) ? "WINDOWS_REBOOT" : NoneProgram(rng, false));
    if (rng.Chance(30)) SetKey(m, "Support", "Publisher", RandomText(rng));
    for (const std::string& list : kScriptLists) {
        if (!rng.Chance(70)) continue;
        IniModel::Section& s = EnsureSection(m, CanonicalName(list).c_str());
        AppendEntries(s, rng, false, rng.Range(1, 6));
    }
    return m;
}

IniModel GenerateRecord(Rng& rng)
{
    IniModel m;
    m.sections.push_back({"", {}});
    SetKey(m, "Title", "UnSetup", "QuillonFuzz @RUN@ " + RandomText(rng));
    static const std::vector<std::string> folders = {"(App)",       "(App)",     "(App)", "(Win)",
                                                     "(Boo)",       "(App)..\\", "(Sta)", "rel\\",
                                                     "(Boo)inst\\", "(Sys)",     "(Prg)", "(App)..\\..\\win\\"};
    SetKey(m, "SetupFolder", "Folder", rng.Pick(folders));
    for (const std::string& list : kRecordLists) {
        IniModel::Section& s = EnsureSection(m, CanonicalName(list).c_str());
        if (rng.Chance(80)) AppendEntries(s, rng, true, rng.Range(1, 6));
    }
    static const std::vector<std::string> options = {"1,0,1,0", "DeleteAll", "1,1,1,1", "0,0,0,0", "1", "1,1"};
    if (rng.Chance(70)) SetKey(m, "UnSetupOption", "CheckBox", rng.Pick(options));
    if (rng.Chance(50)) SetKey(m, "UnSetupOption", "CheckBox3", rng.Pick(kPatterns));
    if (rng.Chance(40)) SetKey(m, "UnSetupOption", "CheckBox4", rng.Pick(kPatterns));
    if (rng.Chance(30)) SetKey(m, "BeforeUnInstall", "File", NoneProgram(rng, true));
    SetKey(m, "Extend", "SetupString", RandomText(rng));
    SetKey(m, "UnSetupRegistryKey", "Key", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonFuzz @RUN@");
    SetKey(m, "ProgramID", "ID", rng.Chance(50) ? "QFZ@RUN@" : "");
    return m;
}

std::vector<std::string> GenerateRecordValues(Rng& rng, const std::string& section, int count)
{
    std::vector<std::string> values;
    for (int n = 1; n <= count; ++n) {
        for (const std::string& line : RecordEntry(rng, section, n)) values.push_back(Value(line));
    }
    return values;
}

namespace {

// A registry value of the model moved below the fuzz key, keeping its root token.
std::string ContainKey(Rng& rng, const std::string& value, bool installSide)
{
    if (value.find("QuillonFuzz\\@RUN@") != std::string::npos && rng.Chance(70)) return value;
    return RegistryKey(rng, installSide);
}

void ContainCommon(IniModel& m, Rng& rng)
{
    for (auto& s : m.sections) {
        const std::string name = SectionName(s.header);
        for (std::string& line : s.lines) {
            if (name == "DELETEREGISTRY" && KeyIs(line, "Key")) SetValue(line, ContainKey(rng, Value(line), false));
            if (name == "BEFOREUNINSTALL" && Key(line) == "FILE") SetValue(line, NoneProgram(rng, true));
            if (name == "TITLE" && (Key(line) == "SETUP" || Key(line) == "UNSETUP") &&
                Value(line).find("QuillonFuzz @RUN@") == std::string::npos)
                SetValue(line, "QuillonFuzz @RUN@ " + Value(line));
        }
    }
}

} // namespace

void ContainScript(IniModel& m, Rng& rng)
{
    ContainCommon(m, rng);
    SetKey(m, "Title", "UnSetupKey", rng.Chance(80) ? "QuillonFuzz @RUN@" : "QuillonFuzz @RUN@ " + Name(rng));
    for (auto& s : m.sections) {
        const std::string name = SectionName(s.header);
        for (std::string& line : s.lines) {
            if (name == "REGISTRY" && KeyIs(line, "Key")) SetValue(line, ContainKey(rng, Value(line), true));
            if (name == "RELATE" && KeyIs(line, "Name")) {
                const std::string v = Value(line);
                const std::size_t comma = v.find(',');
                SetValue(line, Extension(rng) + (comma == std::string::npos ? "" : v.substr(comma)));
            }
            if (name == "EXECUTEFILE" && Key(line) == "FILE" && Value(line) != "WINDOWS_REBOOT")
                SetValue(line, NoneProgram(rng, false));
            if (name == "INIFILE" && KeyIs(line, "Data")) {
                // A bare file name would be the system's Windows folder.
                std::string v = Value(line);
                const std::size_t c = v.rfind(',');
                const std::string file = c == std::string::npos ? v : v.substr(c + 1);
                if (file.find('\\') == std::string::npos && file.find('/') == std::string::npos)
                    SetValue(line, (c == std::string::npos ? "s,k,v," : v.substr(0, c + 1)) + "(App)\\" + file + ".ini");
            }
        }
    }
}

void ContainRecord(IniModel& m, Rng& rng)
{
    ContainCommon(m, rng);
    SetKey(m, "UnSetupRegistryKey", "Key",
           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonFuzz @RUN@" +
               std::string(rng.Chance(10) ? "\\" : ""));
    for (auto& s : m.sections) {
        const std::string name = SectionName(s.header);
        for (std::string& line : s.lines) {
            if (name == "RESTORERELATE" && KeyIs(line, "Key")) {
                const std::string v = Value(line);
                const std::size_t comma = v.find(',');
                SetValue(line, Extension(rng) + (comma == std::string::npos ? "," : v.substr(comma)));
            }
        }
    }
}

void MutateModel(IniModel& m, Rng& rng, bool record, int count)
{
    const auto pickSection = [&]() -> IniModel::Section& { return m.sections[rng.Below(m.sections.size())]; };
    for (int i = 0; i < count; ++i) {
        IniModel::Section& s = pickSection();
        switch (rng.Range(0, 15)) {
        case 0: // cut lines
            if (!s.lines.empty()) {
                const std::size_t from = rng.Below(s.lines.size());
                s.lines.erase(s.lines.begin() + static_cast<long>(from),
                              s.lines.begin() + static_cast<long>(std::min(s.lines.size(), from + 1 + rng.Below(3))));
            }
            break;
        case 1: // cut a section (its header only, or all of it)
            if (m.sections.size() > 1) {
                const std::size_t at = 1 + rng.Below(m.sections.size() - 1);
                if (rng.Chance(50)) m.sections[at].header = "";
                else m.sections.erase(m.sections.begin() + static_cast<long>(at));
            }
            break;
        case 2: // swap two sections
            std::swap(s, pickSection());
            break;
        case 3: { // duplicate a section elsewhere
            IniModel::Section copy = s;
            m.sections.insert(m.sections.begin() + static_cast<long>(rng.Below(m.sections.size() + 1)), std::move(copy));
            break;
        }
        case 4: // duplicate a line
            if (!s.lines.empty()) {
                const std::string line = s.lines[rng.Below(s.lines.size())];
                IniModel::Section& into = rng.Chance(70) ? s : pickSection();
                into.lines.insert(into.lines.begin() + static_cast<long>(rng.Below(into.lines.size() + 1)), line);
            }
            break;
        case 5: // a gap in the numbering
            if (!s.lines.empty()) {
                std::string& line = s.lines[rng.Below(s.lines.size())];
                const std::size_t eq = line.find('=');
                if (eq != std::string::npos && eq > 0 && line[eq - 1] >= '0' && line[eq - 1] <= '9')
                    line = line.substr(0, eq) + std::to_string(rng.Range(0, 3)) + line.substr(eq);
            }
            break;
        case 6: // the header in another spelling
            if (!s.header.empty()) s.header = Header(rng, SectionName(s.header));
            break;
        case 7: { // a line moved to another section
            if (s.lines.empty()) break;
            const std::size_t at = rng.Below(s.lines.size());
            const std::string line = s.lines[at];
            s.lines.erase(s.lines.begin() + static_cast<long>(at));
            IniModel::Section& into = pickSection();
            into.lines.insert(into.lines.begin() + static_cast<long>(rng.Below(into.lines.size() + 1)), line);
            break;
        }
        case 8: // generated entries
            AppendEntries(s, rng, record, rng.Range(1, 4));
            break;
        case 9: { // a generated section
            const std::string& name = rng.Pick(record ? kRecordLists : kScriptLists);
            m.sections.push_back({Header(rng, CanonicalName(name)), {}});
            AppendEntries(m.sections.back(), rng, record, rng.Range(1, 4));
            break;
        }
        case 10: // a 100,000-character value
            if (!s.lines.empty()) {
                std::string& line = s.lines[rng.Below(s.lines.size())];
                const std::string v = Value(line);
                SetValue(line, (rng.Chance(50) ? v : std::string()) + LongText(rng, 100000));
            }
            break;
        case 11: // the key name in another case or with blanks
            if (!s.lines.empty()) {
                std::string& line = s.lines[rng.Below(s.lines.size())];
                const std::size_t eq = line.find('=');
                if (eq == std::string::npos) break;
                std::string key = line.substr(0, eq);
                line = (rng.Chance(50) ? RandomCase(rng, key) : " " + key + "\t") + line.substr(eq);
            }
            break;
        case 12: // a line without "=", a comment, garbage
            s.lines.insert(s.lines.begin() + static_cast<long>(rng.Below(s.lines.size() + 1)),
                           rng.Chance(30)   ? ";" + RandomText(rng)
                           : rng.Chance(50) ? Name(rng)
                                            : "=" + RandomText(rng));
            break;
        default: // a value mutation
            if (!s.lines.empty()) {
                std::string& line = s.lines[rng.Below(s.lines.size())];
                SetValue(line, MutateValue(rng, Value(line)));
            }
            break;
        }
    }
}

std::string MutateBytes(std::string b, Rng& rng, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::size_t at = b.empty() ? 0 : rng.Below(b.size() + 1);
        switch (rng.Range(0, 9)) {
        case 0: { // binary bytes
            std::string bytes;
            for (int n = rng.Range(1, 16); n > 0; --n) bytes += static_cast<char>(rng.Below(256));
            b.insert(at, bytes);
            break;
        }
        case 1: b.insert(at, std::string(static_cast<std::size_t>(rng.Range(1, 3)), '\0')); break;
        case 2: { // a lone lead byte before a line end, or at the very end
            const std::size_t crlf = b.find("\r\n", at);
            b.insert(crlf == std::string::npos ? b.size() : crlf, 1, LeadByte(rng));
            break;
        }
        case 3: b = ReplaceAll(b, "\r\n", rng.Chance(50) ? "\r" : "\n"); break;
        case 4: { // some line ends CR-only or LF-only
            for (std::size_t p = b.find("\r\n"); p != std::string::npos; p = b.find("\r\n", p + 1)) {
                if (rng.Chance(30)) b.erase(rng.Chance(50) ? p : p + 1, 1);
            }
            break;
        }
        case 5:
            if (!b.empty()) b.resize(rng.Below(b.size()));
            break;
        case 6: // flipped bytes
            for (int n = rng.Range(1, 8); n > 0 && !b.empty(); --n)
                b[rng.Below(b.size())] ^= static_cast<char>(1 + rng.Below(255));
            break;
        case 7: // a repeated chunk
            if (!b.empty()) {
                const std::size_t from = rng.Below(b.size());
                b.insert(at, b.substr(from, 1 + rng.Below(200)));
            }
            break;
        case 8: // a removed chunk
            if (!b.empty()) b.erase(rng.Below(b.size()), 1 + rng.Below(64));
            break;
        default: b.insert(at, 1, LeadByte(rng)); break;
        }
    }
    return b;
}

const char* EncodingName(Encoding e)
{
    switch (e) {
    case Encoding::Ansi: return "ansi";
    case Encoding::Utf16LeBom: return "utf16le-bom";
    case Encoding::Utf16Le: return "utf16le";
    case Encoding::Utf16BeBom: return "utf16be-bom";
    case Encoding::Utf8Bom: return "utf8-bom";
    case Encoding::Utf16LeOdd: return "utf16le-odd";
    }
    return "ansi";
}

Encoding EncodingFromName(const std::string& name)
{
    for (Encoding e :
         {Encoding::Utf16LeBom, Encoding::Utf16Le, Encoding::Utf16BeBom, Encoding::Utf8Bom, Encoding::Utf16LeOdd})
        if (name == EncodingName(e)) return e;
    return Encoding::Ansi;
}

Encoding PickEncoding(Rng& rng)
{
    if (rng.Chance(75)) return Encoding::Ansi;
    static const Encoding others[] = {Encoding::Utf16LeBom, Encoding::Utf16Le, Encoding::Utf16BeBom, Encoding::Utf8Bom,
                                      Encoding::Utf16LeOdd};
    return rng.Pick(others);
}

std::string Encode(const std::string& cp932, Encoding e)
{
    if (e == Encoding::Ansi) return cp932;
    const std::wstring wide = FromCp932(cp932);
    if (e == Encoding::Utf8Bom) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                          nullptr);
        std::string utf8(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
        return "\xEF\xBB\xBF" + utf8;
    }
    std::string out = e == Encoding::Utf16Le ? "" : e == Encoding::Utf16BeBom ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : wide) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
        if (e == Encoding::Utf16BeBom) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    }
    if (e == Encoding::Utf16LeOdd && out.size() > 2) out.pop_back();
    return out;
}

std::string SourceFileBytes(const std::string& name)
{
    std::uint64_t h = 1469598103934665603ull;
    for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    Rng rng(h);
    std::string content;
    if (!rng.Chance(10)) {
        const std::size_t size = rng.Below(3000);
        for (std::size_t i = 0; i < size; ++i)
            content += static_cast<char>(rng.Chance(80) ? 'a' + rng.Below(26) : rng.Below(256));
    }
    if (name.empty() || name.back() != '_') return content;
    // SZDD: magic, mode "A", the replaced last character of the name, the expanded size,
    // then groups of a flag byte (all literals) and eight bytes.
    static const char missing[] = {'T', 'L', 'X', 'E', '_'};
    std::string szdd("SZDD\x88\xF0\x27\x33", 8);
    szdd += 'A';
    szdd += missing[rng.Below(sizeof missing)];
    const auto size = static_cast<std::uint32_t>(content.size());
    for (int i = 0; i < 4; ++i) szdd += static_cast<char>((size >> (8 * i)) & 0xFF);
    for (std::size_t i = 0; i < content.size(); i += 8) {
        szdd += '\xFF';
        szdd += content.substr(i, 8);
    }
    if (rng.Chance(25)) {
        // A damaged one: cut, or a wrong size.
        if (rng.Chance(50) && szdd.size() > 10) szdd.resize(10 + rng.Below(szdd.size() - 10));
        else szdd[10] = static_cast<char>(rng.Below(256)), szdd[13] = '\x7F';
    }
    return szdd;
}
