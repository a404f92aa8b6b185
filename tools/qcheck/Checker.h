// The package checker: reads a package's SETUP.INI (and an uninstall record) with the
// installer's own readers and reports what the installer would do silently wrong.
#pragma once
#include "foundation/FolderMacros.h"
#include "qcheck/Messages.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct Finding {
    std::string file; // "SETUP.INI" or the record's file name
    std::uint32_t line = 1;
    int code = 0;                  // Q<code>
    std::vector<std::string> args; // CP932
};

struct CheckRequest {
    std::string package;    // the package folder (SETUP.INI, or DISK1, DISK2 ...)
    std::string record;     // an uninstall record to check as well, or ""
    FolderValues machine;   // the folders the macros stand for
    std::set<int> disabled; // numbers not to report (besides [QCheck] Disable)
};

struct CheckResult {
    bool readable = false; // false: nothing was checked (problem says why)
    std::string problem;
    std::vector<Finding> findings; // ordered by file, line and number
};

// The folders of the reference machine the checker judges paths on (a 64-bit Windows,
// the 32-bit program's Program Files, a user name of the longest length Windows allows,
// SETUP.EXE on D:\); InstallFolder is left to the script's default folder.
FolderValues ReferenceMachine();

CheckResult CheckPackage(const CheckRequest& request);

// Warning numbers in a list such as "Q12,Q30" or "12 30"; words that are none are left out.
std::set<int> ParseDisableList(const std::string& list);

Severity SeverityOf(const Finding& finding);
// One report line: FILE(<line>): <severity> Q<number>: <text> (CP932, no line end).
std::string FormatFinding(const Finding& finding, Language language);
