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
    result.failures = run.failureCount;
    return result;
}
