#include "qcheck/Rules.h"

#include "qcheck/Paths.h"

#include <algorithm>

namespace {

// The number of a key of the family prefix ("File12" -> 12), or 0: a decimal number
// without leading zeros, as the reader asks for it.
int NumberOf(const std::string& key, const char* prefix)
{
    const std::string p = FoldName(prefix);
    const std::string k = FoldName(key);
    if (k.size() <= p.size() || k.compare(0, p.size(), p) != 0) return 0;
    const std::string digits = k.substr(p.size());
    if (digits[0] == '0' || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

const SectionSchema* FindSection(const std::vector<SectionSchema>& schema, const std::string& name)
{
    const std::string folded = FoldName(name);
    for (const SectionSchema& s : schema)
        if (FoldName(s.name) == folded) return &s;
    return nullptr;
}

bool IsKnownKey(const SectionSchema& s, const std::string& key)
{
    const std::string folded = FoldName(key);
    for (const char* k : s.keys)
        if (FoldName(k) == folded) return true;
    for (const char* prefix : s.numbered)
        if (NumberOf(key, prefix) > 0) return true;
    return false;
}

// The known names a misspelt key may have meant: the fixed ones, and each family with
// the misspelt key's own digits.
std::vector<std::string> KeyCandidates(const SectionSchema& s, const std::string& key)
{
    std::vector<std::string> names(s.keys.begin(), s.keys.end());
    const std::size_t digits = key.find_first_of("0123456789");
    std::string number = digits == std::string::npos ? "1" : key.substr(digits);
    number.erase(0, std::min(number.find_first_not_of('0'), number.size() - 1));
    for (const char* prefix : s.numbered) names.push_back(prefix + number);
    return names;
}

// Keys of a list after its end, and of the families read beside it (ShortCut Name,
// Registry Name and Value) beyond the list's last number.
void CheckListEnds(Context& c, const ScriptFile& file, const SectionSchema& s)
{
    if (s.lists.empty()) return;
    const std::string folded = FoldName(s.name);
    // Entries read of each family: a list up to its first empty number; the others
    // as far as the list they belong to.
    std::vector<int> read;
    for (const char* family : s.numbered) {
        const bool isList = std::find(s.lists.begin(), s.lists.end(), family) != s.lists.end();
        read.push_back(static_cast<int>(file.List(s.name, isList ? family : s.lists.front()).size()));
    }
    for (const IniDocument::Line& line : file.Lines()) {
        if (line.header || !line.counted || file.FoldedSection(line.section) != folded) continue;
        for (std::size_t f = 0; f < s.numbered.size(); ++f) {
            const bool isList = std::find(s.lists.begin(), s.lists.end(), s.numbered[f]) != s.lists.end();
            const int n = NumberOf(line.name, s.numbered[f]);
            // A list's own first empty number is where it ends, not a key it misses.
            if (n > read[f] + (isList ? 1 : 0))
                c.Report(file, line.number, 12,
                         {line.name, s.name, (isList ? s.numbered[f] : s.lists.front()) + std::to_string(read[f] + 1)});
        }
    }
}

} // namespace

const std::vector<SectionSchema>& ScriptSchema()
{
    static const std::vector<SectionSchema> schema = {
        {"Extend",
         {"SetupString", "UnSetupString", "SetupSpeed", "Enabled", "RejectOS", "InstallChecker", "UnSetupOption",
          "UnSetupCheckBox3", "UnSetupCheckBox4"},
         {}},
        {"Title", {"Setup", "UnSetup", "Program", "CopyRight1", "CopyRight2", "UnSetupKey", "UnSetupDisplay"}, {}},
        {"DefaultFolder", {"Folder", "ReferRegistry", "ReferIniFile"}, {}},
        {"ProgramID", {"ID"}, {}},
        {"TopMessage", {"Message1", "Message2", "Message3", "Message4", "Message5"}, {}},
        {"Caution", {"UnInstallCheckEx", "UnInstallCheck"}, {}},
        {"EULA", {"File", "ScrollBars", "CheckBox"}, {}},
        {"Readme", {"File", "Title", "ScrollBars"}, {}},
        {"Support",
         {"Publisher", "URLInfoAbout", "DisplayVersion", "Contact", "HelpLink", "HelpTelephone", "Readme",
          "URLUpdateInfo", "Comments"},
         {}},
        {"BeforeUnInstall", {"ReadmeFile", "File"}, {}},
        {"MakeFolder", {}, {"Folder"}, 0, {"Folder"}},
        {"CopyFile", {}, {"File"}, 0, {"File"}},
        {"ShortCut", {}, {"Make", "Name"}, 0, {"Make"}},
        {"Registry", {}, {"Key", "Name", "Value"}, 0, {"Key"}},
        {"IniFile", {}, {"Data"}, 0, {"Data"}},
        {"Relate", {}, {"Name", "File"}, 20},
        {"DeleteRegistry", {}, {"Key"}, 0, {"Key"}},
        {"AddDeleteFile", {}, {"File"}, 0, {"File"}},
        {"ExecuteFile", {"File"}, {}},
        {"QCheck", {"Disable"}, {}},
    };
    return schema;
}

const std::vector<SectionSchema>& RecordSchema()
{
    static const std::vector<SectionSchema> schema = {
        {"Information", {"Message1", "Message2", "Message3", "Message4"}, {}},
        {"Title", {"UnSetup"}, {}},
        {"SetupFolder", {"Folder"}, {}},
        {"DeleteFolder", {}, {"Folder"}, 0, {"Folder"}},
        {"DeleteFile", {}, {"File"}, 0, {"File"}},
        {"DeleteShortCut", {}, {"File"}, 0, {"File"}},
        {"DeleteRegistry", {}, {"Key"}, 0, {"Key"}},
        {"AddDeleteFile", {}, {"File"}, 0, {"File"}},
        {"RestoreRelate", {}, {"Key"}, 20},
        {"UnSetupOption", {"CheckBox", "CheckBox3", "CheckBox4"}, {}},
        {"BeforeUnInstall", {"ReadmeFile", "File"}, {}},
        {"Extend", {"SetupString", "UnSetupString"}, {}},
        {"UnSetupRegistryKey", {"Key"}, {}},
        {"ProgramID", {"ID"}, {}},
    };
    return schema;
}

void CheckStructure(Context& c, const ScriptFile& file, const std::vector<SectionSchema>& schema)
{
    std::vector<std::string> sectionNames;
    for (const SectionSchema& s : schema) sectionNames.push_back(s.name);
    bool repeated = false; // under a later header of a section already seen
    for (const IniDocument::Line& line : file.Lines()) {
        const std::string& section = file.SectionName(line.section);
        const SectionSchema* known = FindSection(schema, section);
        if (line.header) {
            repeated = !line.counted;
            if (repeated) c.Report(file, line.number, 13, {line.name, std::to_string(file.LineOf(section))});
            else if (!known) c.Report(file, line.number, 10, {line.name, Nearest(line.name, sectionNames)});
            continue;
        }
        if (repeated || (!line.name.empty() && line.name[0] == ';')) continue;
        if (line.section == 0) {
            c.Report(file, line.number, 16, {line.name});
        } else if (!line.hasValue) {
            c.Report(file, line.number, 15);
        } else if (!line.counted) {
            c.Report(file, line.number, 14, {line.name, section, std::to_string(file.LineOf(section, line.name))});
        } else if (known && !IsKnownKey(*known, line.name)) {
            c.Report(file, line.number, 11, {line.name, section, Nearest(line.name, KeyCandidates(*known, line.name))});
        } else if (known && known->limit) {
            for (const char* family : known->numbered)
                if (NumberOf(line.name, family) > known->limit)
                    c.Report(file, line.number, 17, {line.name, known->name});
        }
    }
    for (const SectionSchema& s : schema) CheckListEnds(c, file, s);
}
