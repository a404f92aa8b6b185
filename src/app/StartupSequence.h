// The start-up sequence as the windows run it on the main window's first activation:
// environment and work folder, then either the fatal page or the configuration, the
// title page (or the uninstaller's panel) and the installer's preconditions.
#pragma once
#include "foundation/AppState.h"
#include "foundation/FolderMacros.h"
#include "services/Host.h"

#include <string>

class TfrmMain;
class TfrmBack;

struct StartupInput {
    std::string firstParameter; // first command-line parameter, "" when none
    std::string exePath;        // full path of the running program
    std::string dir;            // /DIR: the installation folder to propose instead
};

// How the start-up left the wizard: the fatal page, a refused precondition, or ready.
enum class StartupEnd { Fatal, Refused, Ready };

StartupEnd RunStartupSequence(AppState& state, TfrmMain& main, TfrmBack& back, Host& host, const StartupInput& input,
                              const FolderPlatform& platform);
