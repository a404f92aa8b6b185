// File and folder operations of the engines: deleting by name or pattern, removing a
// folder after clearing it, expanding a compressed source, free space and short paths.
// They report failure as a Win32 error code, a boolean or an empty string and show no
// message themselves (a component's own unregistration may, see SharedComponents.h).
#pragma once
#include "services/Host.h"

#include <cstdint>
#include <string>
#include <vector>

// Deletes a file, or everything a wildcard pattern matches (folders with their contents),
// through the shell: silently, without confirmation and without the recycle bin. A DLL or
// OCX is asked to unregister itself first. Returns 2 for a plain name (no "*" or "?")
// that names no file, a folder included, without calling the shell; 206 (name too long)
// for a pattern of MAX_PATH bytes or more, also without the shell; otherwise 0, or the
// shell's code when the shell failed and the thread's last error says so too.
// A plain existing file that no one else has open is deleted directly, which ends as the
// shell's delete does and certainly removes the name: certainlyGone (when given) is set
// then, so the caller need not look the name up again (Wine answers a lookup of a
// missing name by reading the whole folder).
std::uint32_t DeleteFiles(Host& host, const std::string& path, bool* certainlyGone = nullptr);

// The same, every path through the shell as the rule is written: the oracle of the
// direct delete in the tests.
std::uint32_t DeleteFilesThroughShell(Host& host, const std::string& path);

// The non-empty pieces of a "|"-separated pattern list ("*.INI|*.GID|" gives two).
std::vector<std::string> PatternPieces(const std::string& patterns);

// Deletes folder + each non-empty piece of the "|"-separated pattern list, then removes
// the folder. Returns 0 or the error of the removal (145 when something remains).
std::uint32_t RemoveFolder(Host& host, const std::string& folder, const std::string& patterns);

// Expands a compressed (SZDD) source into tempFolder + "EXPAND.QST"; a source that is not
// compressed is copied unchanged. When the target's file name is exactly "AUTO.EXT" it is
// replaced by the name stored in the source, in upper case. Returns the expansion file
// path, a comma and the final target. The LZ calls are not checked: the caller's copy
// of the expansion file reports a source that could not be read.
std::string ExpandCompressed(Host& host, const std::string& source, const std::string& target,
                             const std::string& tempFolder);

// Free bytes available to the calling user (quota-limited) on the drive of path, from
// GetDiskFreeSpaceExA looked up at run time. False and -1 when it is missing or fails.
bool GetDiskFreeEx(const std::string& path, std::int64_t& bytes);

// Free bytes of the drive from GetDiskFreeSpaceA (clusters x sectors x bytes). False and
// -1 on failure. The fallback for systems without GetDiskFreeSpaceExA.
bool GetDiskFree(const std::string& path, std::int64_t& bytes);

// The short (8.3) form of path; "" when the path does not exist or its short form does
// not fit MAX_PATH.
std::string GetShortPath(const std::string& path);

// Removes every tempFolder + "QSTMP" + n + "\" (n = 1 to 99) with all its files: this
// run's work folder and any an earlier run left.
void RemoveWorkFolders(Host& host, const std::string& tempFolder);

// Tells the shell that associations, items and folders may have changed; failures are
// ignored.
void NotifyShellOfChanges();
