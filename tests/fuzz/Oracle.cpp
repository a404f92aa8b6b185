#include "Oracle.h"

#include "FuzzSupport.h"

#include "foundation/MBUtils.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"

#include <windows.h>

std::vector<std::string> ProfileList(const std::string& file, const char* section, const char* prefix)
{
    std::vector<std::string> values;
    for (int n = 1;; ++n) {
        std::string v = ReadIniString(section, prefix + std::to_string(n), "", file);
        if (v.empty()) return values;
        values.push_back(std::move(v));
    }
}

namespace {

bool Wild(const std::string& path)
{
    return path.find_first_of("*?") != std::string::npos;
}

bool Bare(const std::string& pattern)
{
    const std::string name = PathFileName(pattern);
    return Wild(name) && name.find_first_not_of("*?.") == std::string::npos;
}

bool FullyQualified(const std::string& folder)
{
    return folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
}

std::string Parent(const std::string& path)
{
    const std::size_t slash = LastPathDelimiter(path);
    if (slash <= 3) return {};
    return path.substr(0, slash == 3 ? 3 : slash - 1);
}

} // namespace

RemovalPlan::RemovalPlan(const Sandbox& box, const std::string& file, const WizardOptions& options)
{
    const FolderValues v = box.Folders();
    for (const std::string* kept :
         {&v.WindowsFolder, &v.SystemFolder, &v.TempFolder, &v.ProgramFilesFolder, &v.StartMenuFolder, &v.ProgramsFolder,
          &v.DesktopFolder, &v.StartupFolder, &v.SendToFolder, &v.MyDocumentsFolder, &v.CommonStartMenuFolder,
          &v.CommonProgramsFolder, &v.CommonDesktopFolder, &v.CommonStartupFolder, &v.CommonDocumentsFolder})
        protected_.push_back(Normalise(*kept));

    // The option boxes as the uninstaller turns them into patterns.
    std::vector<std::string> pieces;
    bool deleteAll = false;
    const auto& b = options.boxes;
    if (b[0].checked) {
        if (b[1].visible || b[2].visible || b[3].visible) pieces.push_back("*.INI");
        else deleteAll = true;
    }
    if (b[1].checked) pieces.push_back("*.GID");
    for (int i : {2, 3}) {
        if (!b[i].checked) continue;
        for (std::size_t p = 0; p <= b[i].caption.size();) {
            const std::size_t bar = b[i].caption.find('|', p);
            const std::string piece = b[i].caption.substr(p, bar == std::string::npos ? std::string::npos : bar - p);
            if (!piece.empty()) pieces.push_back(piece);
            if (bar == std::string::npos) break;
            p = bar + 1;
        }
    }

    const std::string installRaw = AddBackslash(options.folder, "B");
    const std::string install = Normalise(installRaw);
    const bool installKept = !FullyQualified(installRaw) || IsProtected(install);
    const auto inside = [&](const std::string& path) { return !installKept && Within(path, install); };
    const auto addPieces = [&](const std::string& folder) {
        for (const std::string& piece : pieces) {
            for (const std::string& found : Expand(AddBackslash(folder, "B") + piece))
                if (inside(found)) subtrees_.insert(found);
        }
    };

    for (const std::string& entry : ProfileList(file, "DeleteFile", "File")) {
        const std::string path = GetField(entry, ",", 1);
        if (!Wild(path)) files_.insert(Normalise(path));
    }
    for (const std::string& entry : ProfileList(file, "AddDeleteFile", "File")) {
        const std::string path = GetField(entry, ",", 1);
        if (!Wild(path)) {
            files_.insert(Normalise(path));
            continue;
        }
        const std::string folder = Normalise(PathFolder(path));
        // Wildcards alone empty any folder but a protected one.
        if (Bare(path) && IsProtected(folder)) continue;
        for (const std::string& found : Expand(path)) subtrees_.insert(found);
    }
    for (const std::string& path : ProfileList(file, "DeleteShortCut", "File")) {
        if (Wild(path)) continue;
        files_.insert(Normalise(path));
        const std::string folder = Normalise(PathFolder(path));
        if (!IsProtected(folder)) folders_.insert(folder);
    }
    for (const std::string& raw : ProfileList(file, "DeleteFolder", "Folder")) {
        const std::string folder = Normalise(raw);
        if (IsProtected(folder)) continue;
        folders_.insert(folder);
        if (!deleteAll && inside(folder)) addPieces(raw);
    }
    if (!installKept) {
        folders_.insert(install);
        if (deleteAll) subtrees_.insert(install);
        else addPieces(installRaw);
    }
}

bool RemovalPlan::IsProtected(const std::string& path) const
{
    if (path.size() <= 3) return true;
    for (const std::string& kept : protected_) {
        if (Within(kept, path)) return true;
    }
    return false;
}

std::vector<std::string> RemovalPlan::Expand(const std::string& pattern) const
{
    std::vector<std::string> found;
    // The names as they are: a trailing blank or dot the path rules would drop is part of
    // the name in the snapshot too.
    // The pattern's folder as the system resolves it from the current folder.
    char full[32768];
    const DWORD n = GetFullPathNameA(pattern.c_str(), sizeof full, full, nullptr);
    const std::string folder = Normalise(PathFolder(n > 0 && n < sizeof full ? std::string(full, n) : pattern));
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(FromCp932(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") found.push_back(AddBackslash(folder, "B") + UpperPath(ToCp932(name)));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

bool RemovalPlan::Justifies(const std::string& path, bool folder) const
{
    if (folder && IsProtected(path)) return false;
    if (!folder && files_.count(path)) return true;
    if (folder && folders_.count(path)) return true;
    for (std::string at = path; !at.empty(); at = Parent(at)) {
        if (subtrees_.count(at)) return true;
    }
    return false;
}

std::vector<std::string> RemovalPlan::Check(const Tree& before, const Tree& after) const
{
    std::vector<std::string> findings;
    int more = 0;
    for (const auto& [path, entry] : before) {
        if (after.count(path) || Justifies(path, entry.folder)) continue;
        if (findings.size() >= 3) {
            ++more;
            continue;
        }
        findings.push_back(std::string(entry.folder && IsProtected(path)
                                           ? "protected folder removed: "
                                           : "removed though the record does not name it: ") +
                           Printable(path));
    }
    if (more) findings.push_back("... and " + std::to_string(more) + " more removals the record does not name");
    return findings;
}
