// Paths as the checker judges them: on the reference machine, as written (the "." and
// ".." levels, "/" and doubled separators resolved; nothing on a disk is looked at).
#pragma once
#include "foundation/FolderMacros.h"

#include <string>
#include <vector>

// The path with "/" as "\", doubled separators, "." and ".." levels resolved (".."
// never climbs above the root); a trailing "\" is kept.
std::string NormalPath(const std::string& path);
// Upper case as the system compares names.
std::string Upper(const std::string& text);

// "X:\..." or "\\server\share\...".
bool IsFullPath(const std::string& path);
// The path lies in the folder or below it (or is it), once both are normalised.
bool IsInside(const std::string& path, const std::string& folder);
// A folder the uninstaller never removes: not a full path, a drive or share root, one
// of the machine's folders (Windows, system, temporary, Program Files, the shell
// folders) or one that holds one of them; judged as written (the uninstaller's own
// judgement, Containment.h, resolves the path on the machine).
bool IsNeverRemoved(const FolderValues& machine, const std::string& folder);
// The machine's folders and every folder above them (normalised, upper case, each with
// a trailing "\"): what exists before an installation.
std::vector<std::string> MachineFolderTree(const FolderValues& machine);

// The first character of the path that no file or folder name may hold ("" when none):
// < > " | ? * and control characters; ":" other than after a drive letter.
std::string ForbiddenCharacter(const std::string& path);

// Of the candidates, the one nearest to name (ignoring case), when near enough to be a
// slip of the keyboard; "" otherwise. An exact match ignoring case counts as near.
std::string Nearest(const std::string& name, const std::vector<std::string>& candidates);
