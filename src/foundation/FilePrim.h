// Basic file primitives used from the first moment of start-up on. They report
// failure as a Win32 error code or a boolean and never show a message.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Copies source over target (overwriting), clearing read-only, hidden and system on the
// target before and after. Returns 0 or the Win32 error of the failed copy.
std::uint32_t CopyFileReplace(const std::string& source, const std::string& target);

// The same, calling progress(bytes copied so far, file size) now and then while a large
// file is copied, so a caller can keep its windows alive; the copy is never cancelled
// from there (a cancelled overwrite would lose the file it replaces).
using CopyProgress = std::function<void(std::int64_t copied, std::int64_t total)>;
std::uint32_t CopyFileReplace(const std::string& source, const std::string& target, const CopyProgress& progress);

// Copies source to a target name that is not taken yet, calling progress as above, and
// leaves the copy Archive only. When the name is taken (a file or a folder) it returns
// ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS or ERROR_ACCESS_DENIED without having changed
// anything; otherwise 0 or the error of the copy, exactly as CopyFileReplace onto a
// missing target. Lets a caller learn that a target is missing from the copy itself,
// where a separate lookup of the missing name costs a read of the whole folder (Wine).
std::uint32_t CopyFileToNewName(const std::string& source, const std::string& target, const CopyProgress& progress);

// True when the folder (with or without trailing "\") lists a visible entry; "." and ".."
// count, so any ordinary folder exists, while an empty or all-hidden drive root does not.
bool FolderExists(const std::string& folder);

// Creates every missing level of the folder path. Returns the success of the last
// creation attempted (true when every level existed already).
bool CreateFolderTree(const std::string& path);

// File age: last-write time as local DOS date (high word) and time (low word);
// -1 for a missing file or a folder. A file exists when its age is not -1. A date
// outside the DOS range counts as the nearest date inside it.
std::int64_t FileAge(const std::string& path);
constexpr std::int64_t kEarliestDosAge = 0x00210000; // 1980-01-01 00:00:00
constexpr std::int64_t kLatestDosAge = 0xFF9FBF7D;   // 2107-12-31 23:59:58

// True when both files can be read and hold the same bytes.
bool SameFileBytes(const std::string& a, const std::string& b);
