// The state of one installation run and the few steps every stage uses: the abort
// check, pacing and stopping the run. The run talks to
// the user only through the host.
#pragma once
#include "scripts/RunContext.h"
#include "scripts/UninstallRecord.h"
#include "services/Host.h"
#include "services/RunResult.h"
#include "services/SharedComponents.h"

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

class InstallContext : public RunContext {
public:
    InstallContext(AppState& state, Host& host) : RunContext(state, host) {}

    // Run state.
    WizardOptions options; // the message page's options, read once
    // [Relate] NameN / FileN as written; the file entries are expanded only when the
    // association is made, once "(App)" is the chosen folder.
    std::vector<std::pair<std::string, std::string>> associations;
    std::vector<std::pair<std::string, bool>> associationAnswers; // as answered, in order
    int entryCount = 0;
    // The shared entries' counts, this build's and the other's.
    SharedCountRegister shared;
    OtherBuildCounts otherBuild;
    // Byte counters are 64-bit: a package over 4 GB sizes and shows progress correctly.
    std::int64_t copyTotalBytes = 0;
    std::int64_t copiedBytes = 0;
    bool sizeMode = true;
    int processedCount = 0;
    int diskNumber = 1;
    bool lockedFileDeferred = false;
    bool recordMissing = false; // UNSETUP.INI could not be written under its own name
    RecordLists record;

    // Throws RunAborted when the user confirmed the abort.
    void AbortCheck();
    // Waits StepDelay.
    void Pace();
    // Stops the run: the message (OK with the stop icon), leaving confirmed, the wizard
    // ends; throws RunStopped.
    [[noreturn]] void StopRun(const std::string& text, const std::string& caption, RunOutcome outcome);
};
