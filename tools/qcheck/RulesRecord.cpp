#include "qcheck/Rules.h"

#include "foundation/uStrOp.h"
#include "qcheck/Paths.h"
#include "uninstall/Containment.h"

void CheckRecord(Context& c, const ScriptFile& record)
{
    CheckStructure(c, record, RecordSchema());
    const auto each = [&](const char* section, const char* prefix, auto check) {
        const std::vector<std::string>& values = record.List(section, prefix);
        for (std::size_t i = 0; i < values.size(); ++i)
            check(record.LineOf(section, prefix + std::to_string(i + 1)), values[i]);
    };
    each("DeleteRegistry", "Key",
         [&](std::uint32_t line, const std::string& key) { CheckRegistryRoot(c, record, line, key, true); });
    for (const char* section : {"DeleteFile", "DeleteShortCut"})
        each(section, "File", [&](std::uint32_t line, const std::string& entry) {
            if (HasWildcard(GetField(entry, ",", 1))) c.Report(record, line, 60, {GetField(entry, ",", 1)});
        });
    const std::string key = record.Get("UnSetupRegistryKey", "Key");
    const std::string list = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    if (Upper(Left(key, static_cast<int>(list.size()))) != Upper(list) || key.size() <= list.size())
        c.Report(record, record.LineOf("UnSetupRegistryKey", "Key"), 61, {key});
    const std::string folder = record.Get("SetupFolder", "Folder");
    if (!IsFullPath(folder)) {
        c.Report(record, record.LineOf("SetupFolder", "Folder"), 62, {folder});
        return; // nothing can be contained in it
    }
    each("DeleteFolder", "Folder",
         [&](std::uint32_t line, const std::string& f) { CheckRemovedFolder(c, record, line, f, folder); });
    each("AddDeleteFile", "File",
         [&](std::uint32_t line, const std::string& p) { CheckExtraPattern(c, record, line, p, folder); });
    for (const char* box : {"CheckBox3", "CheckBox4"})
        CheckOptionPatterns(c, record, record.LineOf("UnSetupOption", box), record.Get("UnSetupOption", box), folder);
}
