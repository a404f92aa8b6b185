#include "uninstall/Containment.h"

#include "foundation/Handles.h"
#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "services/FileOps.h"

#include <windows.h>

namespace {

std::string Folded(const std::string& folder)
{
    return MapString(AddBackslash(folder, "B"), LCMAP_UPPERCASE);
}

bool IsFullyQualified(const std::string& folder)
{
    const bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\' &&
                       ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
    return drive || Left(folder, 2) == "\\\\";
}

// "C:\" or "\\server\share\".
bool IsRoot(const std::string& folder)
{
    const std::string f = AddBackslash(folder, "B");
    if (f.size() == 3 && f[1] == ':') return true;
    if (Left(f, 2) != "\\\\") return false;
    // A share root holds four delimiters: \\server\share\.
    int delimiters = 0;
    for (std::size_t p = 1; p <= f.size(); ++p) {
        if (IsPathDelimiter(f, p)) ++delimiters;
    }
    return delimiters <= 4;
}

} // namespace

bool IsInsideFolder(const std::string& path, const std::string& folder)
{
    const std::string f = Folded(folder);
    const std::string p = MapString(path, LCMAP_UPPERCASE);
    return !f.empty() && p.size() >= f.size() && p.compare(0, f.size(), f) == 0;
}

namespace {

// The long names of the levels of a full path that exist; the levels below, which the
// system cannot resolve (a wildcard, a file not made yet), stay as written. So both
// spellings of one folder, 8.3 or long, resolve alike whatever follows them.
std::string LongForm(const std::string& full)
{
    // One call where the answer fits: every call reads each level of the path again.
    char buffer[MAX_PATH];
    const DWORD length = GetLongPathNameA(full.c_str(), buffer, MAX_PATH);
    if (length != 0 && length < MAX_PATH) return std::string(buffer, length);
    if (length != 0) {
        std::string longPath(length, '\0');
        const DWORD longLength = GetLongPathNameA(full.c_str(), longPath.data(), length);
        if (longLength != 0 && longLength < length) {
            longPath.resize(longLength);
            return longPath;
        }
    }
    const std::size_t trailing = IsPathDelimiter(full, full.size()) ? 1 : 0;
    const std::string level = full.substr(0, full.size() - trailing);
    const std::size_t delimiter = LastPathDelimiter(level);
    if (delimiter == 0 || delimiter >= level.size()) return full;
    return LongForm(level.substr(0, delimiter)) + level.substr(delimiter) + full.substr(level.size());
}

} // namespace

std::string FullPath(const std::string& path)
{
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return {};
    full.resize(length);
    return full;
}

std::string ResolvePath(const std::string& path)
{
    const std::string full = FullPath(path);
    return full.empty() ? path : LongForm(full);
}

bool IsInsideFolderOnDisk(const std::string& path, const std::string& folder)
{
    return IsInsideFolder(ResolvePath(path), ResolvePath(folder));
}

ProtectedFolders::ProtectedFolders(const FolderValues& v)
{
    for (const std::string* kept :
         {&v.WindowsFolder, &v.SystemFolder, &v.TempFolder, &v.ProgramFilesFolder, &v.StartMenuFolder, &v.ProgramsFolder,
          &v.DesktopFolder, &v.StartupFolder, &v.SendToFolder, &v.MyDocumentsFolder, &v.CommonStartMenuFolder,
          &v.CommonProgramsFolder, &v.CommonDesktopFolder, &v.CommonStartupFolder, &v.CommonDocumentsFolder}) {
        // A folder the system could not supply is "\": it protects nothing.
        if (kept->size() < 3) continue;
        resolved_.push_back(MapString(ResolvePath(*kept), LCMAP_UPPERCASE));
    }
    // On 64-bit Windows the other build's Program Files and system folder too: a record
    // is removed in its own build's view (services/Views.h).
    std::vector<std::string> others{AddBackslash(v.WindowsFolder, "B") + "SysWOW64\\"};
    for (const char* name : {"ProgramFiles(x86)", "ProgramW6432"}) {
        char value[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
        if (length >= 3 && length < MAX_PATH) others.push_back(AddBackslash(value, "B"));
    }
    for (const std::string& other : others) resolved_.push_back(MapString(ResolvePath(other), LCMAP_UPPERCASE));
}

bool ProtectedFolders::Protects(const std::string& folder) const
{
    if (!IsFullyQualified(folder) || IsRoot(folder)) return true;
    return Protects(folder, ResolvePath(folder));
}

bool ProtectedFolders::Protects(const std::string& folder, const std::string& resolved) const
{
    if (!IsFullyQualified(folder) || IsRoot(folder)) return true;
    // "C:\App\..\" is the drive root, whatever the text says.
    if (!IsFullyQualified(resolved) || IsRoot(resolved)) return true;
    const std::string target = Folded(resolved);
    // The folder itself, or one that holds it.
    for (const std::string& kept : resolved_) {
        if (!target.empty() && kept.size() >= target.size() && kept.compare(0, target.size(), target) == 0) return true;
    }
    return false;
}

bool IsProtectedFolder(const FolderValues& v, const std::string& folder)
{
    return ProtectedFolders(v).Protects(folder);
}

std::string PatternsInside(const std::string& folder, const std::string& patterns, std::vector<std::string>& refused)
{
    const std::string base = AddBackslash(folder, "B");
    const std::string resolvedBase = ResolvePath(base);
    std::string inside;
    for (const std::string& piece : PatternPieces(patterns)) {
        if (IsInsideFolder(PathFolder(ResolvePath(base + piece)), resolvedBase)) inside += piece + "|";
        else refused.push_back(piece);
    }
    return inside;
}

bool MatchesProtectedFolder(const ProtectedFolders& folders, const std::string& pattern)
{
    const std::string resolved = ResolvePath(pattern);
    const std::string parent = PathFolder(resolved);
    WIN32_FIND_DATAA data{};
    const UniqueFind find(FindFirstFileA(resolved.c_str(), &data));
    if (!find) return false;
    do {
        const std::string name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
        if (folders.Protects(parent + name + "\\")) return true;
    } while (FindNextFileA(find.get(), &data));
    return false;
}
