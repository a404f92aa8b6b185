#include "qcheck/Rules.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "qcheck/Paths.h"
#include "uninstall/Containment.h"
#include "scripts/ScriptActions.h"

#include <algorithm>
#include <set>

namespace {

// Windows takes a file path of up to MAX_PATH - 1 bytes, a folder of up to 247 (room
// for an 8.3 name below it).
constexpr std::size_t kLongestFile = 259, kLongestFolder = 247;

struct Walk {
    Context& c;
    std::set<std::string> existing;          // folders there before each step (normalised, upper, "\")
    std::set<std::string> installed;         // files the copy list installs (normalised, upper)
    std::vector<std::set<std::string>> used; // per disk: names in upper case

    bool Exists(const std::string& folder) const
    {
        return existing.count(AddBackslash(Upper(NormalPath(folder)), "B")) != 0;
    }
    // The same for a folder already normalised, in upper case, with its "\".
    bool ExistsNormal(const std::string& folder) const { return existing.count(folder) != 0; }
};

std::string Disked(const Package& p, std::size_t disk, const std::string& name)
{
    return p.layout ? "DISK" + std::to_string(disk + 1) + "\\" + name : name;
}

// A path the installer makes: full, of allowed characters, short enough, and kept in the
// installation folder when it is written there. Returns it normalised, in upper case.
std::string CheckMadePath(Context& c, std::uint32_t line, const std::string& path, bool folder)
{
    const std::string bare = folder ? RemoveBackslash(path, "B") : path;
    if (!IsFullPath(bare)) c.Report(c.script, line, 42, {bare});
    const std::string tail = IsFullPath(bare) ? Mid(bare, 3) : bare;
    if (const std::string bad = ForbiddenCharacter(tail); !bad.empty()) c.Report(c.script, line, 41, {bare, bad});
    const std::size_t longest = folder ? kLongestFolder : kLongestFile;
    if (bare.size() > longest)
        c.Report(c.script, line, 40, {bare, std::to_string(bare.size()), std::to_string(longest)});
    const std::string& app = c.folders.InstallFolder;
    std::string normal = Upper(NormalPath(path));
    if (Upper(Left(path, static_cast<int>(app.size()))) == c.installUpper &&
        AddBackslash(normal, "B").compare(0, c.installFolded.size(), c.installFolded) != 0)
        c.Report(c.script, line, 45, {path, NormalPath(path)});
    return normal;
}

void CheckFolders(Walk& w)
{
    Context& c = w.c;
    const std::vector<std::string>& folders = c.script.List("MakeFolder", "Folder");
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::uint32_t line = c.script.LineOf("MakeFolder", "Folder" + std::to_string(i + 1));
        const std::string path = ParseMakeFolder(c.folders, folders[i]);
        CheckMadePath(c, line, path, true);
        // Only the last level is made: its parent must be there already.
        const std::string parent = PathFolder(RemoveBackslash(NormalPath(path), "B"));
        if (IsFullPath(path) && !w.Exists(parent)) {
            c.Report(c.script, line, 43,
                     {parent, path, "only its last level is made, so making it fails",
                      "作られるのは最後の階層だけなので、作成に失敗します。"});
            continue;
        }
        w.existing.insert(AddBackslash(Upper(NormalPath(path)), "B"));
        if (IsNeverRemoved(c.folders, path)) c.Report(c.script, line, 44, {path});
    }
}

// The installed name of a compressed source: the one it stores, with the checks.
std::string InstalledName(Context& c, std::uint32_t line, const FolderEntry& source, bool renamed)
{
    const std::optional<char> stored = SzddStoredCharacter(source.path);
    if (!stored) {
        c.Report(c.script, line, 32, {source.name, Upper(source.name)});
        return Upper(source.name);
    }
    const std::string name = ExpandedName(source.name, *stored);
    if (*stored == 0 && !renamed) c.Report(c.script, line, 33, {source.name, name});
    return name;
}

void CheckCopies(Walk& w)
{
    Context& c = w.c;
    const Package& p = c.package;
    const std::vector<std::string>& entries = c.script.List("CopyFile", "File");
    std::size_t disk = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint32_t line = c.script.LineOf("CopyFile", "File" + std::to_string(i + 1));
        const CopyEntry e = ParseCopyEntry(c.folders, entries[i]);
        disk += e.diskChange ? 1 : 0;
        const std::string name = PathFileName(e.source);
        // A one-folder package holds the files of every disk together.
        const std::size_t on = p.layout ? disk : 0;
        const FolderEntry* source = on < p.disks.size() ? p.disks[on].Find(name) : nullptr;
        std::string target = e.target;
        if (!source) {
            std::string elsewhere;
            for (std::size_t d = 0; d < p.disks.size() && p.layout; ++d)
                if (d != on && p.disks[d].Find(name)) elsewhere = std::to_string(d + 1);
            const std::string n = std::to_string(on + 1);
            c.Report(c.script, line, 30,
                     {name,
                      !p.layout ? "in the package"
                                : "on disk " + n + (elsewhere.empty() ? "" : " (it is on disk " + elsewhere + ")"),
                      !p.layout ? "パッケージに"
                                : n + " 枚目のディスクに" +
                                      (elsewhere.empty() ? "" : "（" + elsewhere + " 枚目にあります）")});
        } else {
            w.used[on].insert(Upper(source->name));
            if (e.compressed) {
                const std::string installed = InstalledName(c, line, *source, PathFileName(e.target) != "AUTO.EXT");
                if (PathFileName(e.target) == "AUTO.EXT") target = PathFolder(e.target) + installed;
            }
        }
        if (PathFileName(target) == "AUTO.EXT") target = PathFolder(target) + Upper(name);
        const std::string normal = CheckMadePath(c, line, target, false);
        if (IsFullPath(target) && !w.ExistsNormal(PathFolder(normal)))
            c.Report(c.script, line, 43, {PathFolder(target), target, "the copy fails", "コピーは失敗します。"});
        const std::string extension = Right(normal, 4);
        if (PosNoCase("/R", e.flagsText) != 0 && extension != ".DLL" && extension != ".OCX")
            c.Report(c.script, line, 34, {target});
        w.installed.insert(normal);
    }
}

// A program or shortcut target in the installation folder that the copy list installs.
void CheckInstalled(Walk& w, std::uint32_t line, const std::string& path)
{
    if (!path.empty() && IsInside(path, w.c.folders.InstallFolder) && !w.installed.count(Upper(NormalPath(path))))
        w.c.Report(w.c.script, line, 35, {path});
}

void CheckShortcutsAndPrograms(Walk& w)
{
    Context& c = w.c;
    const std::vector<std::string>& makes = c.script.List("ShortCut", "Make");
    for (std::size_t i = 0; i < makes.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        const ShortcutEntry e = ParseShortcut(c.folders, makes[i], c.script.Get("ShortCut", "Name" + n, "Default"));
        CheckMadePath(c, c.script.LineOf("ShortCut", "Name" + n), e.linkPath + ".lnk", false);
        CheckInstalled(w, c.script.LineOf("ShortCut", "Make" + n), e.target);
    }
    const std::vector<std::string>& inis = c.script.List("IniFile", "Data");
    for (std::size_t i = 0; i < inis.size(); ++i) {
        const std::uint32_t line = c.script.LineOf("IniFile", "Data" + std::to_string(i + 1));
        const std::string file = ParseIniEntry(c.folders, inis[i]).file;
        // A bare name is the system's Windows folder: only a path is checked.
        if (IsFullPath(file)) CheckMadePath(c, line, file, false);
    }
    const ExecuteEntry run = ParseExecuteFile(c.folders, c.script.Get("ExecuteFile", "File"));
    if (!run.reboot) CheckInstalled(w, c.script.LineOf("ExecuteFile", "File"), run.program);
}

// A file the wizard reads from the first disk (relative to it, one leading "\" dropped).
bool IsOnDisk(const Disk& disk, const std::string& relative)
{
    std::string rest = RemoveBackslash(relative, "T");
    Disk level = disk;
    for (std::size_t p = MbPos("\\", rest); p != 0; p = MbPos("\\", rest)) {
        const std::string name = Upper(Left(rest, static_cast<int>(p) - 1));
        const std::vector<FolderEntry> entries = ListFolder(level.folder);
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [&](const FolderEntry& e) { return e.folder && Upper(e.name) == name; });
        if (it == entries.end()) return false;
        level = Disk{it->path, ListFolder(it->path)};
        rest = Mid(rest, static_cast<int>(p) + 1);
    }
    return level.Find(rest) != nullptr;
}

void CheckPackageFiles(Walk& w)
{
    Context& c = w.c;
    const Package& p = c.package;
    const Disk& first = p.disks.front();
    for (const char* own : {"SETUP.EXE", "SETUP.INI"}) w.used[0].insert(own);
    if (!first.Find("SETUP.EXE")) c.Report(c.script, 1, 37);
    const struct {
        const char *section, *key, *en, *ja;
    } pages[] = {{"EULA", "File", "the licence page is skipped", "使用許諾のページは表示されません。"},
                 {"Readme", "File", "the readme page is skipped", "お読みくださいのページは表示されません。"},
                 {"Extend", "InstallChecker", "the checker is not run", "チェックプログラムは実行されません。"}};
    for (const auto& page : pages) {
        const std::string value = c.script.Get(page.section, page.key);
        if (value.empty()) continue;
        if (MbPos("\\", RemoveBackslash(value, "T")) == 0) w.used[0].insert(Upper(RemoveBackslash(value, "T")));
        if (!IsOnDisk(first, value))
            c.Report(c.script, c.script.LineOf(page.section, page.key), 36,
                     {std::string("[") + page.section + "] " + page.key + " " + value, page.en, page.ja});
    }
    for (std::size_t d = 0; d < p.disks.size(); ++d)
        for (const FolderEntry& f : p.disks[d].files)
            if (!w.used[d].count(Upper(f.name)))
                c.Report(c.script, c.script.LineOf("CopyFile"), 31, {Disked(p, d, f.name)});
}

} // namespace

void CheckRemovedFolder(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& folder,
                        const std::string& installFolder)
{
    if (IsNeverRemoved(c.folders, folder)) c.Report(file, line, 44, {folder});
    else if (Upper(Left(folder, static_cast<int>(installFolder.size()))) == Upper(installFolder) &&
             !IsInside(folder, installFolder))
        c.Report(file, line, 45, {folder, NormalPath(folder)});
}

void CheckExtraPattern(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& pattern,
                       const std::string& installFolder)
{
    if (!HasWildcard(pattern)) return;
    const std::string folder = PathFolder(NormalPath(pattern));
    if (IsBareWildcard(pattern) && (IsNeverRemoved(c.folders, installFolder) || !IsInside(folder, installFolder) ||
                                    IsNeverRemoved(c.folders, folder)))
        c.Report(file, line, 46,
                 {pattern, "a pattern of wildcards alone must stay in the installation folder",
                  "ワイルドカードだけのパターンはインストールフォルダの中になければなりません。"});
    else if (!IsFullPath(pattern))
        c.Report(file, line, 46, {pattern, "it is no full path", "完全なパスではありません。"});
}

void CheckOptionPatterns(Context& c, const ScriptFile& file, std::uint32_t line, const std::string& patterns,
                         const std::string& app)
{
    std::string rest = patterns;
    while (!rest.empty()) {
        const std::size_t bar = MbPos("|", rest);
        const std::string piece = bar ? Left(rest, static_cast<int>(bar) - 1) : rest;
        rest = bar ? Mid(rest, static_cast<int>(bar) + 1) : std::string();
        if (!piece.empty() && !IsInside(PathFolder(NormalPath(AddBackslash(app, "B") + piece)), app))
            c.Report(file, line, 47, {piece});
    }
}

void CheckFilesAndPaths(Context& c)
{
    c.installUpper = Upper(c.folders.InstallFolder);
    c.installFolded = AddBackslash(Upper(NormalPath(c.folders.InstallFolder)), "B");
    Walk w{c, {}, {}, std::vector<std::set<std::string>>(c.package.disks.size())};
    for (const std::string& f : MachineFolderTree(c.folders)) w.existing.insert(f);
    const std::string app = AddBackslash(Upper(NormalPath(c.folders.InstallFolder)), "B");
    for (std::size_t p = 1; p <= app.size(); p += CharLength(app, p))
        if (app[p - 1] == '\\') w.existing.insert(app.substr(0, p));
    CheckMadePath(c, c.script.LineOf("DefaultFolder", "Folder"), c.folders.InstallFolder, true);
    CheckFolders(w);
    CheckCopies(w);
    CheckShortcutsAndPrograms(w);
    CheckPackageFiles(w);
    const std::vector<std::string>& extra = c.script.List("AddDeleteFile", "File");
    for (std::size_t i = 0; i < extra.size(); ++i)
        CheckExtraPattern(c, c.script, c.script.LineOf("AddDeleteFile", "File" + std::to_string(i + 1)),
                          ExpandFolderMacros(c.folders, extra[i]), c.folders.InstallFolder);
    for (const char* key : {"UnSetupCheckBox3", "UnSetupCheckBox4"})
        CheckOptionPatterns(c, c.script, c.script.LineOf("Extend", key), c.script.Get("Extend", key),
                            c.folders.InstallFolder);
}
