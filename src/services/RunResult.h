// What a run reports to whoever started it: the windows ignore it (the program ends
// either way), the unattended mode turns it into the process's exit code.
#pragma once
#include <string>
#include <utility>
#include <vector>

enum class RunOutcome {
    Completed, // reached its end (some actions may have failed: failures > 0)
    Refused,   // a check was answered No: free space, the installation folder
    Cancelled, // a disk request was cancelled or the user aborted
    Failed,    // an error ended the run early (a registry value that may not be written,
               // an installation folder that cannot be created, a missing folder value)
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Completed;
    int failures = 0;           // failed actions that were logged
    bool restartNeeded = false; // a file waits for the next start of Windows
    bool restarted = false;     // Windows accepted the restart request
    // The uninstall record could not be written as UNSETUP.INI (a full or read-only disk):
    // the installation cannot be removed through its entry until that is mended.
    bool recordMissing = false;
    // Files an uninstallation left on purpose (kept by a decision, or deleted at the next
    // start); the log says which and why.
    int leftOnPurpose = 0;
    // The choices made on the way, for an answer file: each association question's
    // answer (the extension as the script names it) and the completion page's choice
    // (0: not reached).
    std::vector<std::pair<std::string, bool>> associations;
    int completionChoice = 0;
};
