// The command line: the first parameter that chooses the role, and the switches that
// run the program without anyone at the screen. Switches start with "/", are matched
// ignoring case and may come in any order; without any the program is the wizard
// exactly as it has always been.
#pragma once
#include "ui/HostSettings.h"

#include <string>
#include <vector>

struct CommandLine {
    std::string firstParameter;        // the first parameter (the role comes from it), quotes removed
    std::vector<std::string> switches; // every switch as given
    bool silent = false;               // /SILENT: only the progress window
    bool verySilent = false;           // /VERYSILENT: no window at all
    bool suppressMsgBoxes = false;     // /SUPPRESSMSGBOXES: every question takes its default
    bool noRestart = false;            // /NORESTART
    bool noCancel = false;             // /NOCANCEL: the abort button stays disabled
    bool help = false;                 // /?
    std::string dir;                   // /DIR="folder" ("" when not given)
    std::string log;                   // /LOG="file" ("" when not given)
    bool defaultLog = false;           // a bare /LOG: the log goes to the temporary folder
    // Switches deployment tools pass to every installer of this kind, accepted and
    // logged, doing nothing here.
    std::vector<std::string> ignored;
    // What makes the command line wrong: unknown switches, switches without their value,
    // stray words. Empty when it is fine.
    std::vector<std::string> errors;

    bool AnySwitch() const { return !switches.empty(); }
    bool Unattended() const { return silent || verySilent; }
    bool LogRequested() const { return !log.empty() || defaultLog; }
    // What the switches tell whichever host runs. An unattended run always writes log;
    // the wizard only when /LOG asks for it.
    HostSettings Settings(LogFile& log) const
    {
        return {suppressMsgBoxes, noRestart, noCancel, Unattended() || LogRequested() ? &log : nullptr};
    }
};

// Splits a whole command line (the program's own name first) into its parts.
CommandLine ParseCommandLine(const std::string& commandLine);

// The first parameter of a command line (the program name skipped), quotes removed.
std::string FirstCommandLineParameter(const std::string& commandLine);

// The help text of the switches and exit codes (CP932, lines end in CR LF).
std::string CommandLineHelp();

// The process's exit codes once any switch is given.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitPartlyFailed = 1, // the run ended, some actions failed (see the log)
    kExitBadCommandLine = 2,
    kExitRefused = 3,             // a precondition refused: the system, an earlier version, the
                                  // checker, the free space or the installation folder
    kExitCancelled = 4,           // a disk request was cancelled, the user aborted or left
    kExitFatal = 5,               // no script or Windows folder, or an error ended the run
    kExitAnotherInstance = 1618,  // another installation is in progress: tools retry
    kExitRestartInitiated = 1641, // success; the program restarted Windows
    kExitRestartNeeded = 3010,    // success; a restart of Windows completes it
};
