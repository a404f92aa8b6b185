// The stages of an uninstallation run, in the order UninstallRun calls them.
#pragma once
#include "scripts/RunContext.h"
#include "scripts/UninstallRecord.h"
#include "services/RunResult.h"
#include "services/SharedComponents.h"
#include "services/Views.h"
#include "uninstall/Containment.h"

#include <map>
#include <optional>

class UninstallContext : public RunContext {
public:
    UninstallContext(AppState& state, Host& host) : RunContext(state, host) {}

    std::string patterns;   // extra-file patterns from the option boxes, each + "|"
    bool deleteAll = false; // the single box of the delete-all layout was selected
    // The deletion dialog's last answer; "Delete" and "Save" answer every later shared
    // file of the run.
    std::string deleteAnswer = "Can't Delete";
    // The view of the build that made the record (services/Views.h; 0: this build's).
    int view = 0;
    // Asked about every recorded file: opened once for the run.
    SharedCountRegister shared;
    OtherBuildCounts otherBuild; // the same for the other build's counts
    // A recorded path as this process reaches it in the record's view.
    std::string OnDisk(const std::string& path) const
    {
        return PathInView(path, view, state.WindowsFolder, state.SystemFolder);
    }
    // The machine's folders, resolved at the first folder judged.
    const ProtectedFolders& Protected()
    {
        if (!protected_) protected_.emplace(Folders());
        return *protected_;
    }

    // The line of most stages: noun + UnSetupWord + "処理．．．".
    std::string StageText(const std::string& noun) const { return noun + state.UnSetupWord + "処理．．．"; }
    // Marks the stage partly failed and logs the block.
    void Fail(const char* tag, const std::string& path, const std::string& errorLine);
    // What the record asked for and the run refused to remove: logged and shown in the
    // failure details, so the user sees what was kept and why.
    void Refuse(const char* tag, const std::string& path, const std::string& why);

    // The copy of the record kept for resuming; "" when the run names no record file.
    std::string resumeFile;
    // The entries of the copy this run counted down.
    CountDownMarks countedDown;

    // A file the run leaves on purpose: kept by a decision or by the record's "/L", or
    // scheduled for deletion at the next start. Logged with why.
    void LeaveOnPurpose(const std::string& path, const std::string& why);
    // True when everything still below folder was left on purpose: the folder cannot go
    // only because of them.
    bool HoldsOnlyWhatWasLeft(const std::string& folder) const;
    int LeftOnPurpose() const { return static_cast<int>(leftOnPurpose_.size()); }
    // Failure blocks of the run that are no failure of it for whoever started it: a file
    // deleted at the next start, a folder that stays only for files left on purpose.
    int excusedFailures = 0;
    // A file waits for deletion at the next start of Windows.
    bool scheduledAtRestart = false;

private:
    std::optional<ProtectedFolders> protected_;
    std::map<std::string, std::string> leftOnPurpose_; // resolved path in upper case -> why
};

// The start; false when the record names no folder (nothing is removed then).
bool StartUninstall(UninstallContext& run);
void ForgetProgramId(UninstallContext& run);      // stage 0
void RunBeforeUninstall(UninstallContext& run);   // stage 1
void RemoveFiles(UninstallContext& run);          // stage 2
void RemoveShortcuts(UninstallContext& run);      // stage 3
void RemoveFolders(UninstallContext& run);        // stage 4
void RemoveRegistryKeys(UninstallContext& run);   // stage 5
void RestoreAssociations(UninstallContext& run);  // stage 6
void RemoveInstalledEntry(UninstallContext& run); // stage 7
void RemoveInstallFolder(UninstallContext& run);  // stage 8
void FinishUninstall(UninstallContext& run, RunResult& result);
