#include "uninstall/UninstallRun.h"

#include "uninstall/UninstallStages.h"

RunResult UninstallRun(AppState& state, Host& host)
{
    UninstallContext run(state, host);
    RunResult result;
    if (!StartUninstall(run)) {
        result.outcome = RunOutcome::Failed;
        return result;
    }
    ForgetProgramId(run);
    RunBeforeUninstall(run);
    // Every stage runs whatever the one before it could not do.
    RemoveFiles(run);
    RemoveShortcuts(run);
    RemoveFolders(run);
    RemoveRegistryKeys(run);
    RestoreAssociations(run);
    RemoveInstalledEntry(run);
    RemoveInstallFolder(run);
    FinishUninstall(run, result);
    // What the run left on purpose, or leaves to the next start of Windows, is no failure.
    result.failures = run.failureCount - run.excusedFailures;
    result.leftOnPurpose = run.LeftOnPurpose();
    if (run.scheduledAtRestart) result.restartNeeded = true;
    return result;
}
