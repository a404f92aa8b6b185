// Helpers shared by the test programs: scratch folders and small file utilities that
// use the plain Win32 API, independent of the code under test.
#pragma once
#include "foundation/Handles.h"

#include <windows.h>

#include <optional>
#include <string>

// A fresh folder under the system temporary folder, removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder path, ending in "\".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Runs a program and waits for it (at most 20 s); its exit code, or -1 when it could
// not be started.
int RunProgram(std::string commandLine);

// The Linux path of a Windows path under Wine ("" when there is none).
std::string UnixPath(const std::string& windowsPath);
// Makes link a Linux symbolic link to the folder target, as a program outside Wine could
// plant one (Wine shows it as a directory with the reparse-point attribute). False when
// it could not be made.
bool PlantSymbolicLink(const std::string& target, const std::string& link);

// Writes bytes to a file, replacing it. Returns false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Reads a whole file; "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Removes a folder tree, clearing read-only attributes first.
void RemoveTree(const std::string& folder);

// A throwaway key HKCU\Software\QuillonTest\<pid>\<name>, created empty and opened into
// key. Returns its path under HKEY_CURRENT_USER, or "" when it cannot be created.
std::string CreateScratchRegistryKey(const std::string& name, UniqueRegKey& key);
// Removes a key made by CreateScratchRegistryKey with its tree; the parents go only when
// empty, so parallel test runs keep theirs.
void RemoveScratchRegistryKey(const std::string& path);

// The system's list of renames and deletions at the next start (the Session Manager's
// PendingFileRenameOperations, zero-separated): its bytes, or nullopt when there is none.
// Tests that schedule entries put it back as it was, since Wine carries them out when
// the prefix starts next.
std::optional<std::string> ReadPendingRenames();
void WritePendingRenames(const std::optional<std::string>& value);
