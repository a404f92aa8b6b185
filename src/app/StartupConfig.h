// The start-up configuration once the script copy is in place: the general keys taken
// into the program-wide state, the data the wizard's controls start with, and the
// installer's preconditions.
#pragma once
#include "foundation/AppState.h"
#include "scripts/ScriptGeneral.h"
#include "services/Host.h"

#include <string>

struct CheckBoxState {
    bool checked = false;
    bool enabled = false;
};

// What the windows apply after the configuration.
struct StartupConfig {
    std::string credits; // the background window's two credit lines
    std::string folder;  // initial text of txtFolder, ending in "\"
    bool optionsLocked = false;
    bool folderControlsEnabled = false;                // txtFolder, btnRefer, chkOverWrite, chkHiSpeed
    CheckBoxState desktop, startMenu, startUp, sendTo; // the shortcut boxes
    std::string message;                               // lblMessage
    std::string title;                                 // the title labels and the main window's caption
    std::string folderGroupCaption;                    // grpSetupFolder
    std::string optionGroupCaption;                    // grpOption
    std::string endCaption;                            // btnEnd
};

// The credits: CopyRight1 + CR LF + CopyRight2, or the built-in credit when both are empty.
std::string CreditsText(const GeneralKeys& keys);

// The string value named by a ReferRegistry entry ("(Root)key\path,value"; without a root
// token the key is under the current user); "" when the key, the value or a string is
// missing.
std::string ReadReferRegistry(const std::string& entry);

// The default folder before macros: the script's folder, overridden in turn by the
// installed-programs register, ReferRegistry and ReferIniFile (installer), or the
// record's installation folder (uninstaller).
std::string DefaultFolderSource(const AppState& state, const GeneralKeys& keys);

// Takes the general keys into the state (words, StepDelay, titles, ProgramId, page flags)
// and returns the controls' start data for the current role.
StartupConfig ConfigureStartup(AppState& state, const GeneralKeys& keys);

// A resolved check value: an existing earlier program's file, or its program ID found
// in the installed-programs register (with the title of its record).
struct CheckFinding {
    bool fileFound = false;
    bool programInstalled = false;
    std::string path;  // the file checked
    std::string title; // programInstalled: the record's [Title] UnSetup
};
CheckFinding ResolveCheckValue(const AppState& state, const std::string& value, const std::string& defaultFolder);

enum class StartupRefusal { None, RejectedSystem, RemovalRequired };

// The installer's preconditions in order, each box shown through the host. A refusal
// means btnEnd takes the focus and btnEvent is disabled; the recommendation warnings
// never refuse.
StartupRefusal CheckInstallPreconditions(AppState& state, const GeneralKeys& keys, const std::string& defaultFolder,
                                         Host& host);
