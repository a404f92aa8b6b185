#include "Checks.h"

#include "FuzzSupport.h"
#include "Oracle.h"
#include "TestSupport.h"

#include "foundation/FilePrim.h"
#include "foundation/IniDocument.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "scripts/InstalledEntry.h"
#include "scripts/ScriptActions.h"
#include "scripts/ScriptGeneral.h"
#include "scripts/ScriptLists.h"
#include "services/Registry.h"

#include <windows.h>

#include <set>

// ---------------------------------------------------------------------------------
// The readers

std::string Trimmed(const std::string& text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return text.substr(b, e - b);
}

// Trimmed the way the profile API trims values: blanks, tabs, the control characters
// up to CR and the end-of-file mark.
std::string ProfileTrimmed(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; };
    std::size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

namespace {

struct ListName {
    const char* section;
    const char* prefix;
};
const ListName kLists[] = {
    {"MakeFolder", "Folder"}, {"CopyFile", "File"},       {"ShortCut", "Make"},      {"ShortCut", "Name"},
    {"Registry", "Key"},      {"Registry", "Value"},      {"IniFile", "Data"},       {"Relate", "Name"},
    {"Relate", "File"},       {"DeleteRegistry", "Key"},  {"AddDeleteFile", "File"}, {"DeleteFolder", "Folder"},
    {"DeleteFile", "File"},   {"DeleteShortCut", "File"}, {"RestoreRelate", "Key"},  {"TopMessage", "Message"}};

// The one-parse reader against the profile API, for the names the file holds and the
// numbered keys the product asks for.
void CompareReaders(const std::string& file, CaseReport& report)
{
    const std::string raw = ReadFileBytes(file);
    std::vector<std::pair<std::string, std::string>> pairs;
    std::set<std::pair<std::string, std::string>> seen;
    // Names as the product asks for them: whole characters, no NUL (the profile API and
    // the one-parse reader decode a lone lead byte of a name differently, and no name
    // the product asks for holds one).
    const auto wellFormed = [](const std::string& name) { return ToCp932(FromCp932(name)) == name; };
    const auto add = [&](const std::string& section, const std::string& key) {
        if (section.empty() || key.empty() || section.size() > 200 || key.size() > 200) return;
        if (section.find('\0') != std::string::npos || key.find('\0') != std::string::npos) return;
        if (!wellFormed(section) || !wellFormed(key)) return;
        if (pairs.size() < 600 && seen.insert({section, key}).second) pairs.push_back({section, key});
    };
    std::string section;
    std::vector<std::string> sections;
    for (std::size_t p = 0; p < raw.size();) {
        std::size_t e = p;
        while (e < raw.size() && raw[e] != '\r' && raw[e] != '\n') ++e;
        const std::string line = Trimmed(raw.substr(p, e - p));
        p = e + 1;
        if (!line.empty() && line[0] == '[') {
            const std::size_t close = line.rfind(']');
            section = Trimmed(line.substr(1, close == std::string::npos || close == 0 ? std::string::npos : close - 1));
            sections.push_back(section);
        } else if (const std::size_t eq = line.find('='); eq != std::string::npos) {
            add(section, Trimmed(line.substr(0, eq)));
        }
    }
    for (const ListName& list : kLists) {
        for (int n = 1; n <= 8; ++n) add(list.section, list.prefix + std::to_string(n));
    }
    for (const char* key : {"UnSetupKey", "Setup", "UnSetup", "Folder", "ID", "File", "Key", "CheckBox", "SetupString"}) {
        for (const std::string& s : sections) add(s, key);
    }
    const IniDocument doc = IniDocument::Load(file);
    int mismatches = 0;
    std::string first;
    for (const auto& [s, k] : pairs) {
        const std::string fast = doc.Get(s, k, "<none>");
        const std::string api = ReadIniString(s, k, "<none>", file);
        if (fast == api) continue;
        if (++mismatches > 1) continue;
        first = "[";
        first.append(Printable(s, 40)).append("] ").append(Printable(k, 40)).append(": one-parse reader \"");
        first.append(Printable(fast, 80)).append("\", profile API \"").append(Printable(api, 80)).append("\"");
    }
    if (mismatches) report.findings.push_back("reader mismatch (" + std::to_string(mismatches) + " keys): " + first);
}

} // namespace

void CheckReaders(const Sandbox& box, const std::string& file, CaseReport& report)
{
    FolderValues folders = box.Folders();
    folders.InstallFolder = box.Path("inst\\app\\");
    folders.InstallDrive = box.Root();
    try {
        const GeneralKeys keys = ReadGeneralKeys(file);
        StepDelayFromSetupSpeed(keys.SetupSpeed);
        OptionsLocked(keys);
        bool idCheck = false;
        CheckValueProgramId(keys.UnInstallCheckEx, idCheck);
        CheckValueProgramId(keys.UnInstallCheck, idCheck);
        UninstallOptionBoxes(keys, keys.UnSetupString);
        ProgramFolderPath(folders.AppFolder, keys.EulaFile);
        const IniDocument script = IniDocument::Load(file);
        ReadMakeFolders(folders, script);
        for (int n = 1; ReadCopyEntry(folders, script, n); ++n) ReadCopySourceName(script, n);
        ReadShortcuts(folders, script);
        for (const RegistryEntry& e : ReadRegistryEntries(folders, script)) RootKeyFromToken(e.rootToken);
        ReadIniEntries(folders, script);
        for (const auto& [name, target] : ReadRelateKeys(script)) ParseRelate(folders, name, target);
        ReadExecuteFile(folders, script);
        ReadAddDeleteFiles(folders, script);
        for (const std::string& key : ReadDeleteRegistryKeys(script)) SplitUninstallRegistryPath(key);
        ReadInstalledEntry(file, keys.UnSetup, "", "");
        RecordTexts texts;
        ReadRecordScriptTexts(file, texts);
    } catch (const std::exception& e) {
        report.findings.push_back(std::string("exception from the readers: ") + e.what());
    }
    CompareReaders(file, report);
}

// ---------------------------------------------------------------------------------
// Records

const std::vector<std::reference_wrapper<const PathSection>> kPathSections = [] {
    std::vector<std::reference_wrapper<const PathSection>> lists;
    for (const RecordSectionInfo& info : kRecordSections)
        if (info.list) lists.push_back(info);
    return lists;
}();

void CompareLoaded(const RecordLists& lists, const std::string& file, CaseReport& report, const char* what)
{
    for (const PathSection& s : kPathSections) {
        const std::vector<std::string> literal = ProfileList(file, s.name, s.prefix);
        const std::vector<std::string>& loaded = (lists.*s.list).earlier;
        if (loaded == literal) continue;
        std::size_t i = 0;
        while (i < loaded.size() && i < literal.size() && loaded[i] == literal[i]) ++i;
        report.findings.push_back(std::string(what) + " [" + s.name + "] entry " + std::to_string(i + 1) + ": loaded \"" +
                                  (i < loaded.size() ? Printable(loaded[i], 80) : "(none)") + "\", profile API \"" +
                                  (i < literal.size() ? Printable(literal[i], 80) : "(none)") + "\" (" +
                                  std::to_string(loaded.size()) + " / " + std::to_string(literal.size()) + " entries)");
        return;
    }
}

// The section as the literal algorithm composes it: ComposeRecordLine line by line,
// the shared option carried over to the surviving line. The lines hold the entries as
// they are, before they are written.
std::string LiteralSection(const PathSection& s, const RecordList& list)
{
    std::string text = std::string("[") + s.name + "]\r\n";
    for (const auto* source : {&list.current, &list.earlier}) {
        for (const std::string& entry : *source) {
            if (GetField(entry, ",", 1).empty()) continue;
            const bool mark = s.mergeShared && PosNoCase("/S", entry) != 0;
            const std::string line = ComposeRecordLine(entry, s.name, s.prefix, mark, text);
            if (mark && line.rfind("[!!]", 0) == 0) {
                const std::string existing = line.substr(4);
                const std::string merged = existing + (existing.find(',') != std::string::npos ? "/S" : ",/S");
                text = ReplaceAll(text, existing + "\r\n", merged + "\r\n");
            } else {
                text += line;
            }
        }
    }
    return text;
}

// The values of "key=value" lines.
std::vector<std::string> LineValues(const std::string& lines)
{
    std::vector<std::string> values;
    for (std::size_t p = lines.find("\r\n") + 2; p < lines.size();) {
        const std::size_t e = lines.find("\r\n", p);
        const std::string line = lines.substr(p, e - p);
        values.push_back(line.substr(line.find('=') + 1));
        p = e + 2;
    }
    return values;
}

namespace {

// One pair of enclosing quotes off, as every reader takes it off.
std::string Unquoted(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// What a reader makes of a line's value: blanks at the ends and one pair of quotes off.
std::string Decoded(const std::string& value)
{
    return Unquoted(ProfileTrimmed(value));
}

} // namespace

void CompareComposition(const RecordLists& lists, const std::string& composed, CaseReport& report)
{
    for (const PathSection& s : kPathSections) {
        const std::string header = std::string("\r\n[") + s.name + "]\r\n";
        const std::size_t at = composed.find(header);
        if (at == std::string::npos) {
            report.findings.push_back(std::string("composed record lacks [") + s.name + "]");
            return;
        }
        const std::size_t end = composed.find("\r\n\r\n", at + 2);
        const std::string fast = composed.substr(at + 2, end == std::string::npos ? std::string::npos : end + 2 - at - 2);
        const std::vector<std::string> written = LineValues(fast);
        const std::vector<std::string> literal = LineValues(LiteralSection(s, lists.*s.list));
        std::vector<std::string> decoded;
        for (const std::string& v : written) decoded.push_back(Decoded(v));
        std::vector<std::string> expected;
        for (const std::string& v : literal) expected.push_back(ProfileTrimmed(v));
        if (decoded == expected) continue;
        std::size_t i = 0;
        while (i < decoded.size() && i < expected.size() && decoded[i] == expected[i]) ++i;
        report.findings.push_back(std::string("composition differs from ComposeRecordLine in [") + s.name + "] entry " +
                                  std::to_string(i + 1) + ": fast \"" +
                                  (i < written.size() ? Printable(written[i], 90) : "(none)") + "\", literal \"" +
                                  (i < literal.size() ? Printable(literal[i], 90) : "(none)") + "\"");
        return;
    }
}

namespace {

bool SameIdentity(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

// Entries as a record must give them back: the list, empty identities and repeated
// ones (ignoring case) left out, blanks at the ends trimmed.
std::vector<std::string> RecordedOnce(const std::vector<std::string>& list)
{
    std::vector<std::string> kept;
    for (const std::string& entry : list) {
        const std::string identity = GetField(entry, ",", 1);
        if (identity.empty()) continue;
        bool seen = false;
        for (const std::string& k : kept) seen = seen || SameIdentity(GetField(k, ",", 1), identity);
        if (!seen) kept.push_back(ProfileTrimmed(entry));
    }
    return kept;
}

// A record as written: its numbered lists whole, every entry read back by the profile
// API as it was meant (the expected entries where they are known, else the line as a
// reader decodes it), no identity twice, and the loader taking in exactly those entries.
void CheckWrittenRecord(const Sandbox& box, const std::string& written, const Expected& expected, CaseReport& report)
{
    // Read from a copy with a plain path: Wine's profile functions cannot open a file
    // below a folder whose name ends in dots ("x..\UNSETUP.INI"), which the file
    // functions take.
    const std::string raw = ReadFileBytes(written);
    const std::string file = box.Path("work\\CHECK" + std::to_string(Serial()) + ".INI");
    WriteFileBytes(file, raw);
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> entries;
    std::string section;
    for (std::size_t p = 0; p < raw.size();) {
        std::size_t e = raw.find("\r\n", p);
        if (e == std::string::npos) e = raw.size();
        const std::string line = raw.substr(p, e - p);
        p = e + 2;
        if (!line.empty() && line[0] == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) entries[section].push_back({line.substr(0, eq), line.substr(eq + 1)});
    }
    std::map<std::string, std::vector<std::string>> readBack;
    for (const PathSection& s : kPathSections) {
        const auto& lines = entries[s.name];
        const auto known = expected.find(s.name);
        std::vector<std::string>& read = readBack[s.name];
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto& [key, value] = lines[i];
            if (key != s.prefix + std::to_string(i + 1)) {
                report.findings.push_back(std::string("record numbering broken in [") + s.name + "] at " +
                                          Printable(key, 40));
                return;
            }
            read.push_back(ReadIniString(s.name, key, "\x01none", file));
            const std::string meant = known != expected.end() ? (i < known->second.size() ? known->second[i] : "(none)")
                                                              : Decoded(value);
            if (read.back() != meant) {
                report.findings.push_back(
                    std::string("record reads back otherwise [") + s.name + "] " + key + ": meant \"" +
                    Printable(meant, 90) + "\", read \"" + Printable(read.back(), 90) + "\"" +
                    (Printable(meant, 90) == Printable(read.back(), 90) ? " (" + Hex(meant) + " / " + Hex(read.back()) + ")"
                                                                        : ""));
                return;
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (SameIdentity(GetField(read[j], ",", 1), GetField(read.back(), ",", 1))) {
                    report.findings.push_back(std::string("record holds an identity twice in [") + s.name +
                                              "]: " + lines[j].first + " and " + key + " \"" +
                                              Printable(read.back(), 80) + "\"");
                    return;
                }
            }
        }
        if (known != expected.end() && lines.size() < known->second.size()) {
            report.findings.push_back(std::string("record lacks entries of [") + s.name + "]: \"" +
                                      Printable(known->second[lines.size()], 90) + "\" and " +
                                      std::to_string(known->second.size() - lines.size() - 1) + " more");
            return;
        }
    }
    for (const auto& [key, value] : entries[kRestoreRelate.name]) {
        const std::string read = ReadIniString(kRestoreRelate.name, key, "\x01none", file);
        if (read != Decoded(value)) {
            report.findings.push_back("record reads back otherwise [RestoreRelate] " + key + ": written \"" +
                                      Printable(value, 90) + "\", read \"" + Printable(read, 90) + "\"");
            return;
        }
    }
    // LoadPreviousRecord reads the record of a folder: give it one of its own.
    const std::string folder = box.Path("reload\\" + std::to_string(Serial()) + "\\");
    CreateFolderTree(folder);
    CopyFileA(file.c_str(), (folder + "UNSETUP.INI").c_str(), FALSE);
    RecordLists lists;
    LoadPreviousRecord(lists, folder, box.Path("work\\"));
    for (const PathSection& s : kPathSections) {
        const std::vector<std::string>& written = readBack[s.name];
        const std::vector<std::string>& loaded = (lists.*s.list).earlier;
        if (loaded != written) {
            std::size_t i = 0;
            while (i < loaded.size() && i < written.size() && loaded[i] == written[i]) ++i;
            report.findings.push_back(std::string("record loads back otherwise [") + s.name + "] entry " +
                                      std::to_string(i + 1) + ": read \"" +
                                      (i < written.size() ? Printable(written[i], 80) : "(none)") + "\", loaded \"" +
                                      (i < loaded.size() ? Printable(loaded[i], 80) : "(none)") + "\"");
            return;
        }
    }
}
