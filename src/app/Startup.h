// The start-up sequence up to the script copy: version, folders, role, work folder and
// the copies of the program and the script. Plain functions on AppState, so the
// windows only apply what they produce.
#pragma once
#include "foundation/AppState.h"
#include "app/WinVersion.h"
#include "foundation/FolderMacros.h"
#include "foundation/Handles.h"

#include <string>

// Holds the named mutex that keeps a second copy of the program from running. When the
// mutex can already be opened another instance runs, and this one must end silently.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const std::string& name = "QUISETUP");
    bool AnotherInstanceRuns() const { return anotherRuns_; }

private:
    UniqueKernelHandle mutex_;
    bool anotherRuns_ = false;
};

// True when the file-name part of the first parameter is exactly "UNSETUP.INI".
bool IsUninstallerParameter(const std::string& firstParameter);

// The first TempFolder + "QSTMP<n>\" for n = 1..99 of which nothing exists, created;
// QSTMP99 unchanged when all exist. A file or link of such a name is passed by.
std::string CreateWorkFolder(const std::string& tempFolder);

// True for a folder that is no link (no reparse point) and no file.
bool IsPlainFolder(const std::string& path);

// Runs the start-up up to the script copy: clears ErrorLines and the page flags, takes
// the version, sets the start folders, discovers the machine's folders, chooses the role,
// creates the work folder and copies the program and the script into it. Returns true
// when no fatal line was collected (the configuration may follow).
bool PrepareStartup(AppState& state, const std::string& firstParameter, const std::string& exePath,
                    const FolderPlatform& platform, const WindowsVersion& version);

// What the windows show at start-up.
struct StartupTexts {
    std::string titleA2;      // lblTitleA2: "Quillon Installer(on <OsName>)"
    std::string message;      // lblMessage on the fatal page
    std::string eventCaption; // btnEvent on the fatal page (stays disabled)
    std::string endCaption;   // btnEnd on the fatal page (enabled)
};
// The title caption always; the fatal page texts when ErrorLines is not empty.
StartupTexts StartupPageTexts(const AppState& state);
