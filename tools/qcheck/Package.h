// A package as distributed: one folder holding SETUP.EXE, SETUP.INI and the files, or a
// layout of disk folders DISK1, DISK2 ... (SETUP.EXE and SETUP.INI on the first).
#pragma once
#include "kit/KitFiles.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct Disk {
    Disk(std::string folderPath, std::vector<FolderEntry> entries);
    std::string folder;             // the platform's path
    std::vector<FolderEntry> files; // the files at its top level
    // The file of that name (compared as the file system does, ignoring case), or null.
    const FolderEntry* Find(const std::string& name) const;

private:
    std::map<std::string, std::size_t> byName_; // upper-case name -> files index
};

struct Package {
    std::vector<Disk> disks; // disk 1 first; one disk for a one-folder package
    bool layout = false;     // DISK1, DISK2 ... folders
    std::string script;      // the path of SETUP.INI
};

// The package in folder; nullopt when it holds neither SETUP.INI nor DISK1\SETUP.INI.
std::optional<Package> OpenPackage(const std::string& folder);

// The header of a compressed (SZDD) file: nullopt when the bytes are no SZDD file,
// else the character stored for the last one of the name (0 when none is).
std::optional<char> SzddStoredCharacter(const std::string& path);

// The name the installer gives a compressed source named name that stores last (as
// the LZ library expands it, in upper case): the "_" at the end of the extension
// replaced by the stored character, or dropped when none is stored; a name without an
// extension stays as it is.
std::string ExpandedName(const std::string& name, char last);
