// Handing a file operation over to the next start of Windows when the file is in use:
// the system's delayed move on the NT family ("NT"), WININIT.INI in the Windows folder
// on the 95 family ("notNT"). Any other family schedules nothing and reports success.
// Neither restarts Windows; the callers offer that at the end of the run.
#pragma once
#include "services/Host.h"

#include <string>

// Copies source at once to the first free windowsFolder\QSTMPn.TMP and schedules the move
// of that copy over target. Returns false when the scheduling failed ("NT": after telling
// the user through the host; "notNT": WININIT.INI could not be written).
bool ReplaceAtRestart(Host& host, const std::string& osFamily, const std::string& windowsFolder,
                      const std::string& source, const std::string& target);

// Schedules the deletion of a file or folder. On "notNT" the entry goes into the [Rename]
// section of WININIT.INI, before the empty line that closes it, else at the end of the
// file. Returns false when the scheduling failed ("NT": after telling the user through the
// host; "notNT": WININIT.INI could not be read or written, and is then left unchanged).
bool DeleteAtRestart(Host& host, const std::string& osFamily, const std::string& windowsFolder, const std::string& path);
