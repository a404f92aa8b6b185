// What the uninstaller never removes, whatever a record says: the machine's own
// folders, drive roots, and wildcards that reach beyond the installation.
#pragma once
#include "foundation/FolderMacros.h"

#include <string>
#include <vector>

// True when a folder must never be emptied or removed: a drive root or share root, a
// path that is not fully qualified, the Windows, system, temporary, Program Files and
// shell folders (per user and common), and every folder that holds one of them, however
// the path spells it.
bool IsProtectedFolder(const FolderValues& folders, const std::string& folder);

// The same judgement with the machine's folders resolved once, for a run that judges
// many folders: resolving the fifteen of them costs a few hundred file-system lookups
// each time. For the length of one run, during which those folders stay as they are.
class ProtectedFolders {
public:
    explicit ProtectedFolders(const FolderValues& folders);
    // The answer IsProtectedFolder gives.
    bool Protects(const std::string& folder) const;
    // The same for a folder whose ResolvePath the caller has at hand.
    bool Protects(const std::string& folder, const std::string& resolved) const;

private:
    std::vector<std::string> resolved_; // each in upper case with a trailing "\"
};

// True when path lies in folder or below it (compared ignoring case, as written).
bool IsInsideFolder(const std::string& path, const std::string& folder);

// The path as the file system reads it: "." and ".." levels, "/" delimiters and the
// 8.3 names of existing levels resolved, so that a record cannot reach a folder by
// another spelling of it. Unchanged when the system cannot resolve it.
std::string ResolvePath(const std::string& path);
// The same without the 8.3 names: the full path only ("" when the system cannot form it).
std::string FullPath(const std::string& path);

// True when path lies in folder or below it once both are resolved.
bool IsInsideFolderOnDisk(const std::string& path, const std::string& folder);

// The pieces of a "|"-separated pattern list that, put after folder, name nothing outside
// it once the system has resolved them ("*.INI", "sub\*.tmp"), each followed by "|";
// the others ("..\*.*", a root) go to refused.
std::string PatternsInside(const std::string& folder, const std::string& patterns, std::vector<std::string>& refused);

// True when a wildcard pattern matches a protected folder or one that holds it; the
// shell deletes the folders a pattern matches with all they hold.
bool MatchesProtectedFolder(const ProtectedFolders& folders, const std::string& pattern);

// True when the file-name part of a pattern is nothing but wildcards ("*", "*.*", "?*").
bool IsBareWildcard(const std::string& pattern);

// True when the text holds "*" or "?".
bool HasWildcard(const std::string& path);
