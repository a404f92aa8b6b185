// The program without the wizard: /SILENT (only the progress window) and /VERYSILENT
// (no window). The start-up, the preconditions and the run are those of the wizard;
// the unattended host answers for the user, and the outcome is the exit code.
#pragma once
#include "app/CommandLine.h"
#include "foundation/AppState.h"
#include "scripts/AnswerFile.h"
#include "services/RunLog.h"
#include "services/RunResult.h"

#include <string>

// Runs the whole program for the command line and returns its exit code.
int RunUnattended(AppState& state, const CommandLine& commandLine, const AnswerFile& answers,
                  const std::string& exePath, LogFile& log);

// /LOADINF: reads the answer file; what is wrong with it becomes an error of the command
// line, so nothing is done. /SAVEINF becomes a full path: it is written at the very end.
void ReadAnswerSwitches(CommandLine& commandLine, AnswerFile& answers);
// /SAVEINF: writes what the run chose, whether it ran to its end or not; the log says
// whether the file was written.
void SaveChoices(const CommandLine& commandLine, const AppState& state, const WizardOptions& options,
                 const RunResult& result, LogFile& log);
// The answers laid over the options a run starts with, each one that cannot be taken
// logged.
void PresetAnswers(WizardOptions& options, const AnswerFile& answers, bool uninstaller, bool optionsEditable, Host& host);

// The exit code of a run's result.
int ExitCodeOf(const RunResult& result);

// The start-up facts every log begins with: version, system, role, folders, switches.
void LogStartupFacts(const AppState& state, const CommandLine& commandLine, LogFile& log);

// Keeps a log that lived in the work folder when the program did not succeed or left
// files on purpose: it is moved to the temporary folder before the work folders go.
// Closes the log.
void KeepLogIfTelling(const AppState& state, LogFile& log, int exitCode, bool leftFiles);

// Where a log goes without a name of its own: tempFolder + "QuillonSetup-<date>-<time>.log".
std::string DefaultLogPath(const std::string& tempFolder);
