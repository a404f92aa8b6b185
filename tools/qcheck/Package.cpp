#include "qcheck/Package.h"

#include "foundation/uStrOp.h"
#include "qcheck/Paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

Disk::Disk(std::string folderPath, std::vector<FolderEntry> entries)
    : folder(std::move(folderPath)), files(std::move(entries))
{
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!files[i].folder) byName_.emplace(Upper(files[i].name), i);
}

const FolderEntry* Disk::Find(const std::string& name) const
{
    const auto it = byName_.find(Upper(name));
    return it == byName_.end() ? nullptr : &files[it->second];
}

std::optional<Package> OpenPackage(const std::string& folder)
{
    const auto files = [](const std::string& path) {
        std::vector<FolderEntry> entries = ListFolder(path);
        std::erase_if(entries, [](const FolderEntry& e) { return e.folder; });
        return entries;
    };
    Package package;
    Disk one{folder, files(folder)};
    if (const FolderEntry* script = one.Find("SETUP.INI")) {
        package.script = script->path;
        package.disks.push_back(std::move(one));
        return package;
    }
    // DISK1, DISK2 ... in number order, up to the first missing number.
    const std::vector<FolderEntry> entries = ListFolder(folder);
    for (int n = 1;; ++n) {
        const std::string name = "DISK" + std::to_string(n);
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [&](const FolderEntry& e) { return e.folder && Upper(e.name) == name; });
        if (it == entries.end()) break;
        package.disks.push_back(Disk{it->path, files(it->path)});
    }
    if (package.disks.empty()) return std::nullopt;
    const FolderEntry* script = package.disks.front().Find("SETUP.INI");
    if (!script) return std::nullopt;
    package.script = script->path;
    package.layout = true;
    return package;
}

std::optional<char> SzddStoredCharacter(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    unsigned char header[14] = {};
    const std::size_t n = std::fread(header, 1, sizeof header, f);
    std::fclose(f);
    if (n < sizeof header || std::memcmp(header, "SZDD\x88\xF0\x27\x33", 8) != 0) return std::nullopt;
    return static_cast<char>(header[9]);
}

std::string ExpandedName(const std::string& name, char last)
{
    if (Right(name, 1) != "_" || PosNoCase(".", name) == 0) return Upper(name);
    const std::string stem = Left(name, static_cast<int>(name.size()) - 1);
    return Upper(last ? stem + last : stem);
}
