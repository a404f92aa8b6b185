// The installation run: everything the setup script lists, from the start button to
// the completion page. It talks to the user only through the host and returns how it
// ended; the program ends after it in every case.
#pragma once
#include "foundation/AppState.h"
#include "services/Host.h"
#include "services/RunResult.h"

RunResult InstallRun(AppState& state, Host& host);
