// The checker's rules, by what they look at, and what they share.
#pragma once
#include "qcheck/Package.h"
#include "qcheck/Script.h"

#include <string>
#include <vector>

struct Context {
    Package package;
    ScriptFile script;
    FolderValues folders;      // the machine, with the default installation folder as (App)
    std::string installUpper;  // folders.InstallFolder in upper case
    std::string installFolded; // and normalised, with its "\"
    std::vector<Finding> findings;

    void Report(const ScriptFile& file, std::uint32_t line, int code, std::vector<std::string> args = {})
    {
        findings.push_back({file.Name(), line, code, std::move(args)});
    }
};

// What a file may hold: its sections, their keys and numbered key families.
struct SectionSchema {
    const char* name;
    std::vector<const char*> keys;       // fixed names
    std::vector<const char*> numbered;   // prefixes followed by 1, 2 ...
    int limit = 0;                       // numbers above it are never read (0: no limit)
    std::vector<const char*> lists = {}; // the families read up to the first empty number
};
const std::vector<SectionSchema>& ScriptSchema();
const std::vector<SectionSchema>& RecordSchema();

// Sections and keys the reader never sees, or sees other than written (Q10 to Q18).
void CheckStructure(Context& c, const ScriptFile& file, const std::vector<SectionSchema>& schema);
// Tokens, exact words and values of the script (Q20 to Q28), and its installed-programs
// entry (Q50 to Q54).
void CheckValues(Context& c);
// The package's files and the paths the script makes on the machine (Q30 to Q47).
void CheckFilesAndPaths(Context& c);
// An uninstall record (Q44 to Q47, Q60 to Q62).
void CheckRecord(Context& c, const ScriptFile& record);

// Shared by the rules.
// Registry paths: Q20 for a root token that is none, or a root written as a key level.
// uninstallSide: split as the uninstaller splits (a token needs both brackets).
void CheckRegistryRoot(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& path,
                       bool uninstallSide);
// Folder and pattern containment (Q44 to Q47) against the installation folder.
void CheckRemovedFolder(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& folder,
                        const std::string& installFolder);
void CheckExtraPattern(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& pattern,
                       const std::string& installFolder);
void CheckOptionPatterns(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& patterns,
                         const std::string& installFolder);
