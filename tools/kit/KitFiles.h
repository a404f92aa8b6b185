// What the kit's programs need of the file system and of text, the same on Windows and
// natively: names are ANSI (code page 932) strings as the installer sees them; paths
// are the platform's own (ANSI on Windows, UTF-8 on Linux), which only these functions
// look into.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FolderEntry {
    std::string name; // ANSI, as FindFirstFileA gives it
    std::string path; // to open it
    bool folder = false;
    std::uint64_t size = 0;
};

// The entries of a folder, without "." and "..", ordered by name bytes. Empty when the
// folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// The path of the entry named name (ANSI) in folder.
std::string JoinPath(const std::string& folder, const std::string& name);
// The platform's own form of an ANSI name (UTF-8 natively).
std::string NativeName(const std::string& name);

bool IsFolder(const std::string& path);
bool ReadBytes(const std::string& path, std::string& bytes);
bool WriteBytes(const std::string& path, const std::string& bytes);
// Gives to the last-write time of from (a copy keeps its file's age: the installer
// compares ages, the uninstaller copy among them).
bool CopyFileTime(const std::string& from, const std::string& to);
// Makes the folder with every missing level above it; true when it is there.
bool MakeFolders(const std::string& path);

// Text conversions between the ANSI code page and UTF-8.
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);

// Writes bytes to standard output unchanged (no line-end translation).
void WriteStdout(const std::string& bytes);
