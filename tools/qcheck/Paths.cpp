#include "qcheck/Paths.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"

#include <windows.h>

#include <algorithm>

namespace {

// The machine's own folders, each a value ending in "\" (a folder the system could not
// supply is "\" and protects nothing).
std::vector<const std::string*> MachineFolders(const FolderValues& v)
{
    return {&v.WindowsFolder,       &v.SystemFolder,          &v.TempFolder,
            &v.ProgramFilesFolder,  &v.StartMenuFolder,       &v.ProgramsFolder,
            &v.DesktopFolder,       &v.StartupFolder,         &v.SendToFolder,
            &v.MyDocumentsFolder,   &v.CommonStartMenuFolder, &v.CommonProgramsFolder,
            &v.CommonDesktopFolder, &v.CommonStartupFolder,   &v.CommonDocumentsFolder};
}

std::string Folded(const std::string& folder)
{
    return AddBackslash(Upper(NormalPath(folder)), "B");
}

std::size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

} // namespace

std::string Upper(const std::string& text)
{
    return MapString(text, LCMAP_UPPERCASE);
}

std::string NormalPath(const std::string& path)
{
    // Each character once: a one-byte "\" or "/" at a character start is a delimiter.
    std::vector<std::size_t> starts; // 0-based
    for (std::size_t i = 1; i <= path.size(); i += CharLength(path, i)) starts.push_back(i - 1);
    const auto delimiter = [&](std::size_t k) {
        return k < starts.size() && (path[starts[k]] == '\\' || path[starts[k]] == '/') &&
               (k + 1 == starts.size() ? path.size() : starts[k + 1]) == starts[k] + 1;
    };
    // The root: a drive ("C:"), a share ("\\server\share", written with "\"), or none.
    std::string root;
    std::size_t from = 0;
    if (starts.size() >= 2 && starts[1] == 1 && path[1] == ':') {
        root = path.substr(0, 2);
        from = 2;
    } else if (delimiter(0) && delimiter(1)) {
        int delimiters = 0;
        for (from = 2; from < starts.size() && !(delimiter(from) && ++delimiters == 2); ++from) {
        }
        root = "\\\\" + path.substr(2, (from < starts.size() ? starts[from] : path.size()) - 2);
        for (char& ch : root)
            if (ch == '/') ch = '\\';
    }
    const bool absolute = !root.empty() || delimiter(from);
    std::vector<std::string> levels;
    std::string level;
    const auto close = [&] {
        if (level == "..") {
            if (!levels.empty() && levels.back() != "..") levels.pop_back();
            else if (!absolute) levels.push_back(level);
        } else if (!level.empty() && level != ".") {
            levels.push_back(level);
        }
        level.clear();
    };
    for (std::size_t k = from; k < starts.size(); ++k) {
        if (delimiter(k)) close();
        else level.append(path, starts[k], (k + 1 == starts.size() ? path.size() : starts[k + 1]) - starts[k]);
    }
    close();
    std::string out = root + (absolute ? "\\" : "");
    for (std::size_t i = 0; i < levels.size(); ++i) out.append(i ? "\\" : "").append(levels[i]);
    if (!levels.empty() && !starts.empty() && delimiter(starts.size() - 1)) out += "\\";
    return out;
}

bool IsFullPath(const std::string& path)
{
    const bool drive = path.size() >= 3 && path[1] == ':' && IsPathDelimiter(path, 3) &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || (IsPathDelimiter(path, 1) && IsPathDelimiter(path, 2));
}

bool IsInside(const std::string& path, const std::string& folder)
{
    const std::string f = Folded(folder);
    const std::string p = Folded(path);
    return f.size() > 1 && p.compare(0, f.size(), f) == 0;
}

bool IsNeverRemoved(const FolderValues& machine, const std::string& folder)
{
    if (!IsFullPath(folder)) return true;
    const std::string f = Folded(folder);
    int delimiters = 0;
    for (std::size_t p = 1; p <= f.size(); p += CharLength(f, p)) delimiters += f[p - 1] == '\\';
    if ((f.size() == 3 && f[1] == ':') || (Left(f, 2) == "\\\\" && delimiters <= 4)) return true;
    for (const std::string* kept : MachineFolders(machine)) {
        if (kept->size() < 3) continue;
        if (Folded(*kept).compare(0, f.size(), f) == 0) return true;
    }
    return false;
}

std::vector<std::string> MachineFolderTree(const FolderValues& machine)
{
    std::vector<std::string> tree;
    for (const std::string* kept : MachineFolders(machine)) {
        if (kept->size() < 3) continue;
        const std::string f = Folded(*kept);
        for (std::size_t p = 1; p <= f.size(); p += CharLength(f, p))
            if (f[p - 1] == '\\') tree.push_back(f.substr(0, p));
    }
    std::sort(tree.begin(), tree.end());
    tree.erase(std::unique(tree.begin(), tree.end()), tree.end());
    return tree;
}

std::string ForbiddenCharacter(const std::string& path)
{
    for (std::size_t p = 1; p <= path.size(); p += CharLength(path, p)) {
        if (CharLength(path, p) != 1) continue;
        const unsigned char c = static_cast<unsigned char>(path[p - 1]);
        const bool driveColon = c == ':' && p == 2;
        if (c < 0x20 || (c == ':' && !driveColon) ||
            std::string_view("<>\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return std::string(1, static_cast<char>(c));
    }
    return {};
}

std::string Nearest(const std::string& name, const std::vector<std::string>& candidates)
{
    const std::string upper = Upper(name);
    std::string best;
    std::size_t bestDistance = 3; // at most two slips
    for (const std::string& c : candidates) {
        const std::size_t d = Distance(upper, Upper(c));
        if (d < bestDistance && d * 2 < std::max<std::size_t>(c.size(), 2)) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}
