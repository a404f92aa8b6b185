// Answer files: the choices of one run written down (/SAVEINF) and handed to the next
// (/LOADINF), so one decision is replayed on many machines. A CP932 INI file read by the
// product's INI rules; one key per choice, every key optional (a missing key keeps the
// run's default). The installer's choices are under [Setup] and [Associations], the
// uninstaller's under [Uninstall].
#pragma once
#include "services/Host.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

struct AnswerFile {
    // [Setup]
    std::optional<std::string> folder; // Folder=: the installation folder, absolute
    std::optional<bool> overwrite;     // AutoOverwrite=0|1
    std::optional<bool> hiSpeed;       // HighSpeed=0|1
    std::optional<bool> shortcuts[4];  // Desktop= StartMenu= StartUp= SendTo=
    std::optional<int> completion;     // Completion=1|2 (also under [Uninstall])
    // [Associations] <extension>=0|1, the extension without its dot as the script
    // names it; keys are matched ignoring case.
    std::map<std::string, bool> associations;
    // [Uninstall] DeleteIni= DeleteGid= DeleteCheckBox3= DeleteCheckBox4= (the four
    // boxes), DeleteAll= (the single box of the delete-everything layout).
    std::optional<bool> deletions[4];
    std::optional<bool> deleteAll;
    std::optional<int> uninstallCompletion;

    // The answer for an extension, if the file gives one.
    std::optional<bool> Association(const std::string& extension) const;
    // The completion page's choice for the role, if the file gives one.
    std::optional<int> Completion(bool uninstaller) const { return uninstaller ? uninstallCompletion : completion; }
};

// Reads path into answers. Returns "" when the file is fine, else what is wrong with it
// in one line: missing, unreadable (with the system's code and text), not CP932 (a
// byte-order mark, UTF-16 or UTF-8 text), an unknown section or key, a value out of range.
std::string LoadAnswerFile(const std::string& path, AnswerFile& answers);

// The file's text for the choices of a run: CP932, CR LF, the sections of the role.
std::string ComposeAnswerFile(const AnswerFile& answers, bool uninstaller);
// Writes it; the system's error code, 0 on success.
unsigned long SaveAnswerFile(const std::string& path, const AnswerFile& answers, bool uninstaller);

// Lays the file's answers over the options a run starts with. A box the script keeps
// disabled keeps its state (the user could not change it either), as do the automatic-
// overwrite and high-speed boxes when optionsEditable is false. Returns a log line for
// each answer that could not be taken. The folder is not touched: see AnsweredFolder.
std::vector<std::string> PresetOptions(WizardOptions& options, const AnswerFile& answers, bool uninstaller,
                                       bool optionsEditable);

// The folder that replaces the default: /DIR when given, else the file's Folder, else "".
std::string AnsweredFolder(const std::string& dirSwitch, const AnswerFile& answers);

// What a run chose, as an answer file: the options it read, each association question
// it answered and the completion page's choice (0: the page was not reached).
AnswerFile ChoicesOf(const WizardOptions& options, bool uninstaller,
                     const std::vector<std::pair<std::string, bool>>& associations, int completion);
