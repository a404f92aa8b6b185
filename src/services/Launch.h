// Starting other programs: through the shell and waiting for the end, or without
// waiting through the shell or process creation.
#pragma once
#include "services/Host.h"

#include <cstdint>
#include <string>

// Opens path through the shell (verb "open", working folder = path's folder, owner =
// host.OwnerWindow()) and waits until the started process has ended, calling
// host.ProcessMessages() so windows stay responsive meanwhile. Returns -1 once the
// process has ended (or when the shell gave no process to wait for), otherwise the
// system error code of the failed start. Shows nothing.
int RunAndWait(Host& host, const std::string& path, const std::string& parameters);

// Starts file through the shell's ShellExecuteA in folder (tempFolder when folder does
// not exist) and does not wait. A failure is shown through host.Ask as the
// "プログラム実行失敗" warning. Always returns 0.
int ShellRun(Host& host, const std::string& file, const std::string& parameters, const std::string& folder,
             const std::string& tempFolder);

// Starts file with CreateProcessA, command line " " + parameters (none when empty), in
// folder (tempFolder when folder does not exist), and does not wait. Returns 0 or the
// system error code; a failure is also shown as the "プログラム実行失敗" warning.
std::uint32_t CreateProcessRun(Host& host, const std::string& file, const std::string& parameters,
                               const std::string& folder, const std::string& tempFolder);
