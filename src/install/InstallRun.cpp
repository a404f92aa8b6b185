#include "install/InstallRun.h"

#include "install/InstallStages.h"
#include "services/Registry.h"
#include "services/Shortcut.h"

#include <windows.h>

RunResult InstallRun(AppState& state, Host& host)
{
    InstallContext run(state, host);
    RunResult result;
    try {
        PrepareRun(run);
        GatherInformation(run);
        ComputeRequiredSpace(run);
        CheckFreeSpace(run);
        CheckInstallFolder(run);
        // "(App)" is the chosen folder from here on.
        TakeInPreviousRecord(run);
        CreateFolders(run);
        CopyFiles(run);
        CreateShortcuts(run);
        WriteRegistryValues(run);
        WriteIniSettings(run);
        AddUninstallerEntries(run);
        SetUpAssociations(run);
        RecordInstallation(run);
        OfferFailureDetails(run);
        ShowCompletion(run, result);
    } catch (const RunAborted&) {
        // The abort itself confirmed leaving and ends the wizard; nothing more is shown
        // or written, and no record.
        result.outcome = RunOutcome::Cancelled;
    } catch (const RunStopped& stop) {
        result.outcome = stop.outcome;
    } catch (const RegistryError& error) {
        // A value the process may not write ends the run at that entry, without the
        // later stages, the record or the installed-programs entry.
        host.Log(std::string("レジストリエラー: ") + error.what());
        state.LastAnswer = host.Ask(error.what(), "Quillon Installer", MB_OK | MB_ICONSTOP);
        host.EndRun();
        result.outcome = RunOutcome::Failed;
    }
    result.associations = run.associationAnswers;
    result.failures = run.failureCount;
    result.recordMissing = run.recordMissing;
    if (run.lockedFileDeferred) result.restartNeeded = true;
    return result;
}
