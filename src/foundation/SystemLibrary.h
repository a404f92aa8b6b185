// Loading DLLs only from the system folder, so a DLL planted beside the program or in
// the current folder is never picked up.
#pragma once
#include "foundation/Handles.h"

#include <string>

// Restricts the default DLL search of this process to the system folder. Looked up at
// run time: systems without SetDefaultDllDirectories keep their default order.
void RestrictDllSearchToSystem();

// Loads a DLL by bare file name from the system folder; an empty handle on failure.
UniqueModule LoadSystemLibrary(const std::string& fileName);

// The full path of the running program, however long.
std::string RunningProgramPath();
