// The program without the wizard: /SILENT (only the progress window) and /VERYSILENT
// (no window). The start-up, the preconditions and the run are those of the wizard;
// the unattended host answers for the user, and the outcome is the exit code.
#pragma once
#include "app/CommandLine.h"
#include "foundation/AppState.h"
#include "services/RunLog.h"

#include <string>

// Runs the whole program for the command line and returns its exit code.
int RunUnattended(AppState& state, const CommandLine& commandLine, const std::string& exePath, LogFile& log);

// The exit code of a run's result.
struct RunResult;
int ExitCodeOf(const RunResult& result);

// The start-up facts every log begins with: version, system, role, folders, switches.
void LogStartupFacts(const AppState& state, const CommandLine& commandLine, LogFile& log);

// Keeps a log that lived in the work folder when the program did not succeed or left
// files on purpose: it is moved to the temporary folder before the work folders go.
// Closes the log.
void KeepLogIfTelling(const AppState& state, LogFile& log, int exitCode, bool leftFiles);

// Where a log goes without a name of its own: tempFolder + "QuillonSetup-<date>-<time>.log".
std::string DefaultLogPath(const std::string& tempFolder);
