#include "uninstall/Containment.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"

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

std::string ResolvedPath(const std::string& path)
{
    if (!IsFullyQualified(path)) return path;
    std::string buffer(32768, '\0');
    const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return n > 0 && n < buffer.size() ? buffer.substr(0, n) : path;
}

std::string PatternsInside(const std::string& folder, const std::string& patterns, std::vector<std::string>& refused)
{
    const std::string base = AddBackslash(folder, "B");
    const std::string resolvedBase = ResolvedPath(base);
    std::string inside;
    std::string rest = patterns;
    while (!rest.empty()) {
        const std::size_t bar = PosNoCase("|", rest);
        const std::string piece = bar ? rest.substr(0, bar - 1) : rest;
        rest = bar ? rest.substr(bar) : std::string();
        if (piece.empty()) continue;
        if (IsInsideFolder(PathFolder(ResolvedPath(base + piece)), resolvedBase)) inside += piece + "|";
        else refused.push_back(piece);
    }
    return inside;
}

bool IsInsideFolder(const std::string& path, const std::string& folder)
{
    const std::string f = Folded(folder);
    const std::string p = MapString(path, LCMAP_UPPERCASE);
    return !f.empty() && p.size() >= f.size() && p.compare(0, f.size(), f) == 0;
}

bool IsProtectedFolder(const FolderValues& v, const std::string& folder)
{
    if (!IsFullyQualified(folder)) return true;
    // Compared as the system resolves the path: "\win\..\..\win\" is the Windows folder.
    const std::string resolved = ResolvedPath(folder);
    if (IsRoot(resolved)) return true;
    const std::string target = Folded(resolved);
    for (const std::string* kept :
         {&v.WindowsFolder, &v.SystemFolder, &v.TempFolder, &v.ProgramFilesFolder, &v.StartMenuFolder,
          &v.ProgramsFolder, &v.DesktopFolder, &v.StartupFolder, &v.SendToFolder, &v.MyDocumentsFolder,
          &v.CommonStartMenuFolder, &v.CommonProgramsFolder, &v.CommonDesktopFolder, &v.CommonStartupFolder,
          &v.CommonDocumentsFolder}) {
        // A folder the system could not supply is "\": it protects nothing.
        if (kept->size() < 3) continue;
        // The folder itself, or one that holds it.
        if (IsInsideFolder(ResolvedPath(*kept), target)) return true;
    }
    return false;
}

bool IsBareWildcard(const std::string& pattern)
{
    const std::string name = PathFileName(pattern);
    if (!HasWildcard(name)) return false;
    for (const char c : name) {
        if (c != '*' && c != '?' && c != '.') return false;
    }
    return true;
}

bool HasWildcard(const std::string& path)
{
    return PosNoCase("*", path) != 0 || PosNoCase("?", path) != 0;
}
