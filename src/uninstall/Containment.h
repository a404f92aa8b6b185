// What the uninstaller never removes, whatever a record says: the machine's own
// folders, drive roots, and wildcards that reach beyond the installation.
#pragma once
#include "foundation/FolderMacros.h"

#include <string>
#include <vector>

// True when a folder must never be emptied or removed: a drive root or share root, a
// path that is not fully qualified, the Windows, system, temporary, Program Files and
// shell folders (per user and common), and every folder that holds one of them; "."
// and ".." are resolved first.
bool IsProtectedFolder(const FolderValues& folders, const std::string& folder);

// A fully qualified path with "." and ".." resolved as the system resolves them; any
// other path as it is.
std::string ResolvedPath(const std::string& path);

// The pieces of a "|"-separated pattern list that stay inside folder once "." and ".."
// are resolved ("*.INI", "sub\*.tmp"), each followed by "|"; the others ("..\*.*") go to
// refused.
std::string PatternsInside(const std::string& folder, const std::string& patterns, std::vector<std::string>& refused);

// True when path lies in folder or below it (compared ignoring case).
bool IsInsideFolder(const std::string& path, const std::string& folder);

// True when the file-name part of a pattern is nothing but wildcards ("*", "*.*", "?*").
bool IsBareWildcard(const std::string& pattern);

// True when the text holds "*" or "?".
bool HasWildcard(const std::string& path);
