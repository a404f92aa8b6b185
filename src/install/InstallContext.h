// The state of one installation run and the few steps every stage uses: showing the
// log, closing a stage, the abort check, pacing and the failure log. The run talks to
// the user only through the host.
#pragma once
#include "foundation/AppState.h"
#include "foundation/IniDocument.h"
#include "scripts/UninstallRecord.h"
#include "services/Host.h"
#include "services/RunResult.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Thrown at an abort check once the user confirmed the abort: the run returns at once.
struct RunAborted {};
// Thrown by the stop-run step after its message: the run returns at once.
struct RunStopped {
    RunOutcome outcome;
};

class InstallContext {
public:
    InstallContext(AppState& state, Host& host);

    AppState& state;
    Host& host;
    // The script copy, read once: it does not change while the run works.
    IniDocument script;

    // Run state.
    WizardOptions options;                 // the message page's options, read once
    // [Relate] NameN / FileN as written; the file entries are expanded only when the
    // association is made, once "(App)" is the chosen folder.
    std::vector<std::pair<std::string, std::string>> associations;
    std::vector<std::string> copyLines;    // [CopyFile] File1.. as written
    int entryCount = 0;
    // Byte counters are 64-bit: a package over 4 GB sizes and shows progress correctly.
    std::int64_t copyTotalBytes = 0;
    std::int64_t copiedBytes = 0;
    bool sizeMode = true;
    int processedCount = 0;
    int failureCount = 0;
    int diskNumber = 1;
    bool lockedFileDeferred = false;
    RecordLists record;

    // A question through the host; the answer is also the program's LastAnswer.
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended = IDOK);
    // Logs an action's outcome: "0" and success, or the code and the system's text.
    void LogResult(const std::string& action, std::uint32_t code);

    // Sets the progress label to MessageLog, with the detail on a line below it.
    void Show(const std::string& detail = {});
    // Appends StepResult and a line break, sets StepResult back to "完了" and shows.
    void CloseStage();
    // Appends a stage's text, sets its starting result word and shows.
    void OpenStage(const std::string& text, const char* result);
    // Throws RunAborted when the user confirmed the abort.
    void AbortCheck();
    // Waits StepDelay.
    void Pace();
    // Appends a failure block: tag, path, the error line (or text), an empty line.
    void AddFailure(const char* tag, const std::string& path, const std::string& errorLine);
    // Stops the run: the message (OK with the stop icon), leaving confirmed, the wizard
    // ends; throws RunStopped.
    [[noreturn]] void StopRun(const std::string& text, const std::string& caption, RunOutcome outcome);

    // "(App)" and the other folder values in force now.
    const FolderValues& Folders() const { return state; }
    // A value of the script copy, "" when missing.
    std::string Read(const char* section, const std::string& key) const { return script.Get(section, key, ""); }
    // An open list of the script copy: prefix1, prefix2 ... up to the first empty one.
    std::vector<std::string> ReadList(const char* section, const char* prefix) const;
};
