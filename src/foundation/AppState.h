// The program-wide state: one object, set at start-up and by the runs, read everywhere.
// Engines and windows receive it explicitly; there is no other global state.
#pragma once
#include "foundation/FolderMacros.h"
#include "foundation/Handles.h"

#include <cstdint>
#include <memory>
#include <string>

// The copies of the program and the script in the work folder, held open so that no
// other program can replace or delete them while the run goes on (another program of
// the same user can write to the temporary folder, and the program copy becomes the
// uninstaller that runs with the installer's rights).
struct WorkCopyLocks {
    std::shared_ptr<UniqueFile> program;
    std::shared_ptr<UniqueFile> script;
    // The held program copy had this very program's bytes when start-up made it. Compared
    // then, once: by the end of a run the program's own medium may hold another disk.
    bool programIsThisProgram = false;
    void Release()
    {
        program.reset();
        script.reset();
        programIsThisProgram = false;
    }
};

struct AppState : FolderValues {
    std::string OsFamily;    // "NT", "notNT" or "" when the platform is neither
    std::string OsName;      // display name of the Windows version
    std::string RunMode;     // "SETUP" (installer) or "UNSETUP" (uninstaller)
    std::string WorkFolder;  // TempFolder + "QSTMP" + n + "\"
    std::string ScriptFile;  // the script copy in WorkFolder that all reading uses
    std::string ProgramFile; // the running program's own file
    std::string RecordFile;  // uninstaller: the record named by the first parameter
    WorkCopyLocks WorkLocks;
    std::string ErrorLines; // fatal start-up lines, each ending in CR LF
    std::string SetupWord = "インストール";
    std::string UnSetupWord = "アンインストール";
    std::string SetupTitle = "Quillon Setup";
    std::string UnSetupTitle = "Quillon Setup";
    std::string ProgramId;        // section of the installed-programs register
    std::int32_t StepDelay = 350; // milliseconds between visible actions, at least 1
    std::string MessageLog;       // running text of the progress window
    std::string StepResult;       // result word of the current stage
    std::string FailureLog;       // details of failed actions of one run
    std::int32_t LastAnswer = 0;  // most recent message-box answer (6 Yes, 7 No ...)
    std::uint8_t RebootRequired = 0;
    std::uint8_t TitlePending = 0;
    std::uint8_t EulaPending = 0;
    std::uint8_t ReadmePending = 0;
    std::uint8_t OptionsPending = 0;
    std::uint8_t CheckerDone = 0;

    bool IsUninstaller() const { return RunMode == "UNSETUP"; }
};
