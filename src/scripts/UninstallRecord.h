// The uninstall record UNSETUP.INI: the lists an installation run fills, the merge with
// the record of an earlier installation into the same folder, and the writing.
#pragma once
#include "services/Host.h"

struct InstalledEntry;

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One numbered path section: the entries of this run and those of the earlier record.
struct RecordList {
    std::vector<std::string> earlier;
    std::vector<std::string> current;
    // Adds an entry of this run; one whose first field is empty is never recorded.
    void Add(const std::string& entry);
};

// [RestoreRelate] Key1..Key20: extension + "," + the class the extension had before.
using RelateSlots = std::array<std::string, 20>;

struct RecordLists {
    RecordList DeleteFolder;
    RecordList DeleteFile;
    RecordList DeleteShortCut;
    RecordList DeleteRegistry;
    RecordList AddDeleteFile;
    RelateSlots RestoreRelate;
};

// What the lines of a numbered record section hold.
enum class SectionKind {
    FolderList,  // folders, removed last to first
    FileList,    // files, each with its options after a comma
    PatternList, // extra files: wildcard patterns below the installation folder
    KeyList,     // registry keys
    SlotList,    // fixed slots, each an extension and the class it had before
};

// A numbered section of the record. Loading, merging, composing, the uninstall stages
// and the progress dots all go by kRecordSections: a new section is one row there (and
// its list in RecordLists).
struct RecordSectionInfo {
    const char* name;   // [name]
    const char* prefix; // prefix1=, prefix2= ...
    SectionKind kind;
    RecordList RecordLists::*list;   // a list's entries; null for slots
    RelateSlots RecordLists::*slots; // the slots; null for a list
    bool mergeShared;                // a dropped duplicate's "/S" makes the kept line shared
    int dots;                        // progress dots shown once composed; 0: none
};

// In the order the record holds them.
inline constexpr RecordSectionInfo kRecordSections[] = {
    {"DeleteFolder", "Folder", SectionKind::FolderList, &RecordLists::DeleteFolder, nullptr, false, 5},
    {"DeleteFile", "File", SectionKind::FileList, &RecordLists::DeleteFile, nullptr, true, 6},
    {"DeleteShortCut", "File", SectionKind::FileList, &RecordLists::DeleteShortCut, nullptr, false, 7},
    {"DeleteRegistry", "Key", SectionKind::KeyList, &RecordLists::DeleteRegistry, nullptr, false, 8},
    {"AddDeleteFile", "File", SectionKind::PatternList, &RecordLists::AddDeleteFile, nullptr, false, 8},
    {"RestoreRelate", "Key", SectionKind::SlotList, nullptr, &RecordLists::RestoreRelate, false, 0},
};
// The row of that name; a name the table lacks does not compile.
consteval const RecordSectionInfo& RecordSectionNamed(std::string_view name)
{
    for (const RecordSectionInfo& info : kRecordSections)
        if (name == info.name) return info;
    throw "no such record section";
}
// The rows the stages read by name.
inline constexpr const RecordSectionInfo& kDeleteFolder = RecordSectionNamed("DeleteFolder");
inline constexpr const RecordSectionInfo& kDeleteFile = RecordSectionNamed("DeleteFile");
inline constexpr const RecordSectionInfo& kDeleteShortCut = RecordSectionNamed("DeleteShortCut");
inline constexpr const RecordSectionInfo& kDeleteRegistry = RecordSectionNamed("DeleteRegistry");
inline constexpr const RecordSectionInfo& kAddDeleteFile = RecordSectionNamed("AddDeleteFile");
inline constexpr const RecordSectionInfo& kRestoreRelate = RecordSectionNamed("RestoreRelate");

// Reads the earlier record in installFolder, if any, into the earlier lists and the
// slots; a copy is kept as workFolder + "UNSETUPQ.INI".
void LoadPreviousRecord(RecordLists& lists, const std::string& installFolder, const std::string& workFolder);

// Places an association slot loaded from an earlier record: dropped when a slot already
// contains it (ignoring case) or all 20 are taken.
void LoadRelateSlot(RecordLists& lists, const std::string& value);

// Records that extension's association was taken over; previousClass is the default
// value HKEY_CLASSES_ROOT\.extension had (hadDefault false when it had none). Nothing is
// recorded when a slot's extension already contains it, or when all slots are taken.
void AddRelateSlot(RecordLists& lists, const std::string& extension, bool hadDefault, const std::string& previousClass);

// The values the record repeats from the setup script and the run.
struct RecordTexts {
    std::string InstallFolder; // with trailing "\"
    std::string SetupWord;
    std::string UnSetupWord;
    std::string UnSetupTitle;
    std::string ProgramId;
    std::string UnSetupOption; // [Extend] UnSetupOption -> CheckBox
    std::string UnSetupCheckBox3;
    std::string UnSetupCheckBox4;
    std::string BeforeReadmeFile;
    std::string BeforeFile;
    std::string MessageLog; // progress text the dots are shown behind
};

// The record text with every section in its order; unSetupKey names the installed-
// programs entry. progress is called with the number of full-width dots to show as each
// section is done.
std::string ComposeRecord(const RecordLists& lists, const RecordTexts& texts, const std::string& unSetupKey,
                          const std::function<void(int dots)>& progress = {});

// The installed-programs key path the record names ("SOFTWARE\...\Uninstall\" + key).
std::string UninstallKeyPath(const std::string& unSetupKey);

// Writes installFolder + "UNSETUP.INI" and the installed-programs entry, unless
// UnSetupTitle contains "Setup Only.". The earlier record is replaced only once the new
// text is safely on disk; when it cannot be replaced the text goes to "UNTMP" + n +
// ".INI" and the user is told. A registry failure of the entry is reported and never
// costs the record. Returns the path written, or "" when nothing was written.
std::string WriteRecord(Host& host, const RecordLists& lists, const RecordTexts& texts, const InstalledEntry& entry);

// Where an uninstallation keeps a copy of the record it works from until it has ended:
// windowsFolder + "QURESUME" + eight hex digits of the record path + ".INI". The record
// deletes itself early in the run; when the run is interrupted, this copy lets the
// same UninstallString start it again.
std::string ResumeRecordPath(const std::string& windowsFolder, const std::string& recordPath);

// The resume copy's own section [Resume]: Record names the record it stands for, and
// "<section><n>=CountedDown" marks an entry whose shared count a run has already
// counted down, so that a resumed run does not count it again. Old readers ignore it.
constexpr char kResumeSection[] = "Resume";
// Writes Record= into a fresh resume copy; false when it cannot be written.
bool NameResumeRecord(const std::string& resumePath, const std::string& recordPath);
// Marks entries of a resume copy as counted down. The marks go on the end of the copy,
// one line each, when its [Resume] section is the copy's last section (as NameResumeRecord
// leaves it); otherwise through the profile functions, which rewrite the whole copy for
// every mark (a record of 4,000 shared files took 71 seconds to uninstall that way).
class CountDownMarks {
public:
    explicit CountDownMarks(std::string resumePath = {}) : path_(std::move(resumePath)) {}
    // Marks entry n of section; false when the mark cannot be written.
    bool Mark(const std::string& section, int n);

private:
    enum class Way { Unknown, Append, Profile };
    void Choose();
    std::string path_;
    Way way_ = Way::Unknown;
    bool breakFirst_ = false; // the copy does not end with a line break
};
// The key of that mark.
std::string CountedDownKey(const std::string& section, int n);
