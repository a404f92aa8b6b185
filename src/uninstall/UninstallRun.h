// The uninstallation run: undoes what an uninstall record names, stage by stage, and
// ends with its completion page. It talks to the user only through the host, cannot be
// aborted, and returns how it ended; the program ends after it in every case.
#pragma once
#include "foundation/AppState.h"
#include "services/Host.h"
#include "services/RunResult.h"

RunResult UninstallRun(AppState& state, Host& host);
