#include "Sandbox.h"

#include "FuzzSupport.h"
#include "Oracle.h"
#include "TestSupport.h"

#include "foundation/IniDocument.h"
#include "foundation/MBUtils.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "scripts/InstalledEntry.h"
#include "scripts/ScriptActions.h"
#include "scripts/ScriptLists.h"
#include "services/Registry.h"
#include "uninstall/Containment.h"

#include <windows.h>

#include <cctype>

namespace {

constexpr const char* kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kUninstallList = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kCanaryName = "QFZ-CANARY.dat";
constexpr const char* kCanaryFolder = "QFZ-CANARY-DIR\\";

// The shell folders below the drive, as the install tests lay them out.
const char* const kShellFolders[] = {"shell\\Program Files\\",
                                     "shell\\Documents\\",
                                     "shell\\Start Menu\\",
                                     "shell\\Start Menu\\Programs\\",
                                     "shell\\Desktop\\",
                                     "shell\\Start Menu\\Programs\\Startup\\",
                                     "shell\\SendTo\\",
                                     "shell\\All Start Menu\\",
                                     "shell\\All Start Menu\\Programs\\",
                                     "shell\\All Desktop\\",
                                     "shell\\All Start Menu\\Programs\\Startup\\",
                                     "shell\\All Documents\\"};

std::string DosDevicesFolder()
{
    std::string c = UnixPath("C:\\");
    const std::size_t at = c.rfind("/c:");
    if (at != std::string::npos) return c.substr(0, at + 1);
    const char* prefix = getenv("WINEPREFIX");
    return prefix ? std::string(prefix) + "/dosdevices/" : std::string();
}

std::string LinkPath(char drive)
{
    const char lower = static_cast<char>(drive - 'A' + 'a');
    return DosDevicesFolder() + lower + ":";
}

} // namespace

std::string UpperPath(const std::string& path)
{
    const std::wstring wide = FromCp932(path);
    if (wide.empty()) return {};
    std::wstring upper(wide.size() * 2 + 2, L'\0');
    const int n = LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                               upper.data(), static_cast<int>(upper.size()));
    upper.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return ToCp932(upper);
}

namespace {

// Removes a folder's contents (and the folder itself unless keepFolder), read-only
// entries included, whatever bytes the names hold.
void RemoveWide(const std::wstring& folder, bool keepFolder)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = folder + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveWide(full, false);
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(full.c_str());
            else DeleteFileW(full.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    if (!keepFolder) RemoveDirectoryW(folder.c_str());
}

// The "\\?\" form takes names as they are: a folder the product made with a blank at
// the end of a name in the middle of its path can be named only so.
void RemoveAll(const std::string& folder, bool keepFolder)
{
    std::wstring wide = FromCp932(folder);
    while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    if (!wide.empty()) RemoveWide(L"\\\\?\\" + wide, keepFolder);
}

// Runs a shell command on the Linux side. Wine starts a Linux program without a process
// to wait for, so the command leaves its exit status in a mark file: true when the mark
// says it succeeded. The wait is for the mark, bounded only against a lost command.
bool RunLinux(const std::string& command, const std::string& base)
{
    const std::string mark = RemoveBackslash(base, "B") + ".mark";
    DeleteFileA(mark.c_str());
    const std::string unixMark = UnixPath(mark);
    if (unixMark.empty()) return false;
    if (!StartUnixProgram("\\\\?\\unix\\bin\\sh -c \"" + command + " ; echo $? > '" + unixMark + ".part' && mv '" +
                          unixMark + ".part' '" + unixMark + "'\""))
        return false;
    std::string status;
    WaitUntil([&] { return !(status = ReadFileBytes(mark)).empty(); });
    DeleteFileA(mark.c_str());
    return status.rfind("0", 0) == 0;
}

// Removes the drive's link, only while it still points to this run's folder.
void UnmapDrive(char letter, const std::string& unixFolder, const std::string& base)
{
    const std::string link = LinkPath(letter);
    RunLinux("[ \\\"$(readlink '" + link + "')\\\" = '" + unixFolder + "' ] && rm -f '" + link + "'", base);
}

// The scratch folder goes from the Linux side, which takes every name; only a folder of
// this fuzzer is ever named.
void RemoveScratch(const std::string& base)
{
    const std::string unix = UnixPath(base);
    if (unix.find("/qfz_") != std::string::npos) RunLinux("rm -rf '" + unix + "'", base);
    RemoveAll(base, false);
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t p = path.find('\\', 3); p != std::string::npos; p = path.find('\\', p + 1))
        CreateDirectoryA(path.substr(0, p).c_str(), nullptr);
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Wide names throughout: a name of more than MAX_PATH bytes in CP932 does not fit the
// ANSI find data.
void CollectTree(const std::wstring& folder, Tree& tree)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::wstring full = folder + name;
        tree[UpperPath(ToCp932(full))] = {isFolder,
                                          (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
        if (isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) CollectTree(full + L"\\", tree);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::map<std::string, std::string> ReadValues(HKEY root, const char* path)
{
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[2048];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLength = sizeof name;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            values[std::string(name, nameLength)] = std::to_string(type) + ":" + data.substr(0, size);
    }
    RegCloseKey(key);
    return values;
}

// True when a name or path is the fuzzer's: on its drive ("O:\...", "\??\O:\..."), or
// not on any drive (a relative name a case made). The other test programs name files
// only by full paths on drives of their own.
bool OwnedByFuzz(const std::string& name, char drive)
{
    std::size_t at = name.rfind("\\??\\", 0) == 0 ? 4 : 0;
    if (name.rfind("!", 0) == 0) at = name.rfind("!\\??\\", 0) == 0 ? 5 : 1;
    const bool letter = name.size() > at + 1 && std::isalpha(static_cast<unsigned char>(name[at])) && name[at + 1] == ':';
    return !letter || (name[at] & ~0x20) == drive;
}

// Puts back the values of root\path that are the fuzzer's as they were in all.
// Only those: the other test programs, which may run meanwhile in the same prefix, count
// and remove their own files in the same key.
void RestoreValues(HKEY root, const char* path, const std::map<std::string, std::string>& all, char drive)
{
    std::map<std::string, std::string> wanted, now;
    for (const auto& [name, value] : all)
        if (OwnedByFuzz(name, drive)) wanted.emplace(name, value);
    for (const auto& [name, value] : ReadValues(root, path))
        if (OwnedByFuzz(name, drive)) now.emplace(name, value);
    if (now == wanted) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    for (const auto& [name, value] : now) {
        if (!wanted.count(name)) RegDeleteValueA(key, name.c_str());
    }
    for (const auto& [name, value] : wanted) {
        const auto found = now.find(name);
        if (found != now.end() && found->second == value) continue;
        const std::size_t colon = value.find(':');
        const DWORD type = static_cast<DWORD>(std::stoul(value.substr(0, colon)));
        const std::string data = value.substr(colon + 1);
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
}

// Subkeys of root\path whose names start with one of the prefixes (ASCII case ignored).
std::vector<std::string> SubkeysStartingWith(HKEY root, const char* path, const std::vector<std::string>& prefixes)
{
    std::vector<std::string> found;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return found;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string n(name, length);
        for (const std::string& p : prefixes) {
            if (StartsWithNoCase(n, p)) {
                found.push_back(n);
                break;
            }
        }
    }
    RegCloseKey(key);
    return found;
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The code units of a file read as UTF-16 (little or big endian), with the ASCII ones
// as bytes and the rest as a byte that matches no pattern.
std::string AsciiView(const std::string& bytes, bool bigEndian)
{
    std::string view;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        const unsigned hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        const unsigned unit = lo | (hi << 8);
        view += unit < 0x80 ? static_cast<char>(unit) : '\x7F';
    }
    return view;
}

bool IsLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrail(unsigned char c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Bytes that stand for themselves: a lead byte with a valid trail byte makes one
// character (the trail byte 0x5C of 表 is no separator); a lead byte without one is
// taken as a byte of its own, the cautious reading of what follows it.
template <typename Visit> void ForEachChar(const std::string& text, bool dbcs, Visit visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (dbcs && IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
            IsTrail(static_cast<unsigned char>(text[i + 1]))) {
            ++i;
            continue;
        }
        visit(i);
    }
}

std::string EscapeIn(const std::string& text, char drive, bool dbcs)
{
    std::string found;
    ForEachChar(text, dbcs, [&](std::size_t i) {
        if (!found.empty() || i + 1 >= text.size()) return;
        const char c = text[i], d = text[i + 1];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter && d == ':' && (c & ~0x20) != drive) found = "drive letter " + std::string(1, c);
        const bool sep = c == '\\' || c == '/', sepNext = d == '\\' || d == '/';
        if (sep && sepNext) found = "doubled separator";
        if (sep && d == '?' && i + 3 < text.size() && text[i + 2] == '?' && (text[i + 3] == '\\' || text[i + 3] == '/'))
            found = "NT path prefix";
    });
    return found;
}

// Every list of the file as both readers give it: the one-parse reader the runs use and
// the profile API.
std::vector<std::string> BothLists(const IniDocument& doc, const std::string& file, const char* section,
                                   const char* prefix)
{
    std::vector<std::string> values = ReadOpenList(doc, section, prefix);
    for (std::string& v : ProfileList(file, section, prefix)) values.push_back(std::move(v));
    return values;
}

std::vector<std::string> BothValues(const IniDocument& doc, const std::string& file, const char* section,
                                    const std::string& key)
{
    return {doc.Get(section, key, ""), ReadIniString(section, key, "", file)};
}

} // namespace

std::string Normalise(const std::string& path)
{
    // Through the ANSI function, as the product's calls resolve the path.
    std::string buffer(32768, '\0');
    const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    std::string full = n > 0 && n < buffer.size() ? buffer.substr(0, n) : path;
    if (full.size() > 3 && full.back() == '\\' && LastPathDelimiter(full) == full.size()) full.pop_back();
    return UpperPath(full);
}

bool Within(const std::string& path, const std::string& folder)
{
    if (folder.empty()) return false;
    if (path == folder) return true;
    const std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

bool Sandbox::Create(SandboxConfig& config, std::string& error)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string pid = std::to_string(GetCurrentProcessId() % 1000000);
    config.runId = std::string(6 - pid.size(), '0') + pid;
    config.base = AddBackslash(temp, "B") + "qfz_" + config.runId + "\\";
    RemoveScratch(config.base);
    CreateDirectoryA(config.base.c_str(), nullptr);
    const std::string folder = config.base + "drive";
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        error = "cannot create " + folder;
        return false;
    }
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty() || DosDevicesFolder().empty()) {
        error = "not running under Wine: no drive can be mapped";
        return false;
    }
    WriteFileBytes(folder + "\\probe", config.runId);
    const DWORD used = GetLogicalDrives();
    for (const char letter : std::string("PONMLKJIHGFYXWVUTSR")) {
        if (used & (1u << (letter - 'A'))) continue;
        // ln -T refuses a name that exists (without it, a link to a folder would get ours
        // inside): another run's drive is never taken over.
        if (!RunLinux("ln -sT '" + unixFolder + "' '" + LinkPath(letter) + "'", config.base)) continue;
        const std::string probe = std::string(1, letter) + ":\\probe";
        for (int wait = 0; wait < 60 && ReadFileBytes(probe) != config.runId; ++wait) Sleep(50);
        if (ReadFileBytes(probe) == config.runId) {
            config.drive = letter;
            DeleteFileA((folder + "\\probe").c_str());
            return true;
        }
        UnmapDrive(letter, unixFolder, config.base);
    }
    error = "no free drive letter could be mapped";
    return false;
}

void Sandbox::Destroy(const SandboxConfig& config)
{
    Sandbox box(config);
    box.CleanRegistry();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS})
        RegDeleteKeyA(root, "Software\\QuillonFuzz");
    if (config.drive) UnmapDrive(config.drive, UnixPath(config.base + "drive"), config.base);
    RemoveScratch(config.base);
}

Sandbox::Sandbox(SandboxConfig config) : config_(std::move(config))
{
    char folder[MAX_PATH];
    for (const std::string& dir : {std::string(folder, GetSystemDirectoryA(folder, MAX_PATH)),
                                   std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH)),
                                   std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH)) + "\\syswow64"}) {
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do systemNames_.insert(AsciiUpper(data.cFileName));
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    sharedDlls_ = ReadValues(HKEY_LOCAL_MACHINE, kSharedDlls);
    pendingRenames_ = ReadPendingRenames();
}

std::string Sandbox::Root() const
{
    return std::string(1, config_.drive) + ":\\";
}

FolderValues Sandbox::Folders() const
{
    FolderValues v;
    v.AppFolder = Path("pkg\\");
    v.TempFolder = Path("tmp\\");
    v.WindowsFolder = Path("win\\");
    v.SystemFolder = Path("win\\system32\\");
    v.ProgramFilesFolder = Path(kShellFolders[0]);
    v.MyDocumentsFolder = Path(kShellFolders[1]);
    v.StartMenuFolder = Path(kShellFolders[2]);
    v.ProgramsFolder = Path(kShellFolders[3]);
    v.DesktopFolder = Path(kShellFolders[4]);
    v.StartupFolder = Path(kShellFolders[5]);
    v.SendToFolder = Path(kShellFolders[6]);
    v.CommonStartMenuFolder = Path(kShellFolders[7]);
    v.CommonProgramsFolder = Path(kShellFolders[8]);
    v.CommonDesktopFolder = Path(kShellFolders[9]);
    v.CommonStartupFolder = Path(kShellFolders[10]);
    v.CommonDocumentsFolder = Path(kShellFolders[11]);
    v.BootDrive = Root();
    v.ExeDrive = Root();
    return v;
}

void Sandbox::ResetTree() const
{
    SetCurrentDirectoryA(config_.base.c_str());
    // Emptied, not removed: the drive's root is the mapped folder itself (made again
    // should a case have removed it).
    CreateDirectoryA((config_.base + "drive").c_str(), nullptr);
    RemoveAll(Root(), true);
    for (const char* folder :
         {"pkg", "work", "tmp", "win", "win\\system32", "shell", "shell\\Start Menu", "shell\\Start Menu\\Programs",
          "shell\\All Start Menu", "shell\\All Start Menu\\Programs", "inst"})
        CreateDirectoryA(Path(folder).c_str(), nullptr);
    for (const char* folder : kShellFolders) CreateDirectoryA(Path(folder).c_str(), nullptr);
    // A file where programs to run are looked for: no folder can ever be made there.
    WriteFileBytes(Path("qfz-none"), "nothing is ever run from here");
    SetCurrentDirectoryA(Path("tmp\\").c_str());
}

std::string Sandbox::Substitute(const std::string& bytes, bool recordMacros, const std::string& installFolder) const
{
    std::string text = ReplaceAll(bytes, "@RUN@", config_.runId);
    if (!recordMacros) return text;
    const FolderValues v = Folders();
    const std::pair<const char*, std::string> macros[] = {{"(App)", installFolder},
                                                          {"(Prg)", v.ProgramFilesFolder},
                                                          {"(Win)", v.WindowsFolder},
                                                          {"(Sys)", v.SystemFolder},
                                                          {"(Tmp)", v.TempFolder},
                                                          {"(Boo)", v.BootDrive},
                                                          {"(Set)", Left(installFolder, 2) + "\\"},
                                                          {"(Edr)", v.ExeDrive},
                                                          {"(Smn)", v.StartMenuFolder},
                                                          {"(Sta)", v.ProgramsFolder},
                                                          {"(Dsk)", v.DesktopFolder},
                                                          {"(Sup)", v.StartupFolder},
                                                          {"(Sen)", v.SendToFolder},
                                                          {"(Myd)", v.MyDocumentsFolder},
                                                          {"(C_Smn)", v.CommonStartMenuFolder},
                                                          {"(C_Sta)", v.CommonProgramsFolder},
                                                          {"(C_Dsk)", v.CommonDesktopFolder},
                                                          {"(C_Sup)", v.CommonStartupFolder},
                                                          {"(C_Myd)", v.CommonDocumentsFolder}};
    for (const auto& [token, value] : macros) text = ReplaceAll(text, token, value);
    return text;
}

std::string Sandbox::Sanitise(std::string b) const
{
    // Letters before ":" are changed whatever precedes them (a trail byte that looks like
    // one is changed too, which harms nothing); separators count outside double-byte
    // characters only, so "表\\" keeps its backslash.
    for (std::size_t i = 0; i + 1 < b.size(); ++i) {
        const char c = b[i];
        if (((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && b[i + 1] == ':') b[i] = config_.drive;
    }
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<std::size_t> erase, mangle;
        ForEachChar(b, true, [&](std::size_t i) {
            if (i + 1 >= b.size()) return;
            const char c = b[i], d = b[i + 1];
            if ((c == '\\' || c == '/') && (d == '\\' || d == '/')) erase.push_back(i + 1);
            else if ((c == '\\' || c == '/') && d == '?' && i + 3 < b.size() && b[i + 2] == '?' &&
                     (b[i + 3] == '\\' || b[i + 3] == '/'))
                mangle.push_back(i + 1);
        });
        for (std::size_t i : mangle) b[i] = 'q';
        if (!erase.empty()) b.erase(erase.front(), 1);
        changed = !erase.empty() || !mangle.empty();
    }
    return b;
}

std::string Sandbox::VetText(const std::string& bytes) const
{
    std::vector<std::pair<const char*, std::string>> views = {{"ANSI", bytes}};
    if (bytes.size() >= 2) {
        views.push_back({"UTF-16LE", AsciiView(bytes, false)});
        views.push_back({"UTF-16BE", AsciiView(bytes, true)});
    }
    for (const auto& [name, view] : views) {
        const std::string escape = EscapeIn(view, config_.drive, std::string(name) == "ANSI");
        if (!escape.empty()) return escape + " read as " + name;
    }
    // A component named like one of the system's: the loader might take the system's
    // own for it and run its (un)registration.
    std::vector<std::string> texts = {bytes};
    if (bytes.size() >= 2) {
        for (bool big : {false, true}) {
            std::wstring wide;
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
                wide += static_cast<wchar_t>(
                    big ? (static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1])
                        : static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
            texts.push_back(ToCp932(wide));
        }
    }
    for (const std::string& text : texts) {
        const std::string upper = AsciiUpper(text);
        // ".DL" or ".OC" followed by anything: a compressed source's stored name may
        // complete it.
        for (const char* ext : {".DL", ".OC"}) {
            for (std::size_t p = upper.find(ext); p != std::string::npos; p = upper.find(ext, p + 1)) {
                for (std::size_t back = 1; back <= 64 && back <= p; ++back) {
                    const std::string stem = upper.substr(p - back, back);
                    for (const char* full : {".DLL", ".OCX"}) {
                        if (systemNames_.count(stem + full)) return "component named like the system's " + stem + full;
                    }
                }
            }
        }
    }
    return {};
}

bool Sandbox::IsFuzzKey(const std::string& keyPath) const
{
    std::size_t b = 0;
    while (b < keyPath.size() && keyPath[b] == '\\') ++b;
    const std::string prefix = "Software\\QuillonFuzz\\" + config_.runId;
    const std::string rest = keyPath.substr(b);
    if (!StartsWithNoCase(rest, prefix)) return false;
    return rest.size() == prefix.size() || rest[prefix.size()] == '\\' || rest[prefix.size()] == '\0';
}

bool Sandbox::IsFuzzExtension(const std::string& extension) const
{
    return StartsWithNoCase(extension, "qfz" + config_.runId);
}

std::string Sandbox::VetScript(const std::string& file, const FolderValues& runFolders,
                               const std::string& unSetupTitle) const
{
    const IniDocument doc = IniDocument::Load(file);
    for (const std::string& key : BothLists(doc, file, "Registry", "Key")) {
        const RegistryEntry e = ParseRegistryEntry(runFolders, key, "", "");
        if (!IsFuzzKey(e.keyPath)) return "registry key " + Printable(key);
    }
    for (const std::string& key : BothLists(doc, file, "DeleteRegistry", "Key")) {
        if (!IsFuzzKey(SplitUninstallRegistryPath(key).keyPath)) return "registry key to delete " + Printable(key);
    }
    for (int n = 1; n <= 20; ++n) {
        const std::string number = std::to_string(n);
        const auto names = BothValues(doc, file, "Relate", "Name" + number);
        const auto files = BothValues(doc, file, "Relate", "File" + number);
        for (const std::string& name : names) {
            for (const std::string& f : files) {
                const auto r = ParseRelate(runFolders, name, f);
                if (r && !r->extension.empty() && !IsFuzzExtension(r->extension))
                    return "extension " + Printable(r->extension);
            }
        }
    }
    const std::string entry = ReadInstalledEntry(file, unSetupTitle, "", "").KeyName;
    if (!StartsWithNoCase(entry, "QuillonFuzz " + config_.runId)) return "installed-programs entry " + Printable(entry);
    for (const std::string& value : BothValues(doc, file, "ExecuteFile", "File")) {
        if (value.empty() || value == "WINDOWS_REBOOT") continue;
        const std::string expanded = ExpandFolderMacros(runFolders, value);
        const std::string program = PosNoCase(",", expanded) ? GetField(expanded, ",", 1) : expanded;
        if (program.empty()) continue;
        if (program.find('"') != std::string::npos || !Within(Normalise(program), UpperPath(Path("qfz-none"))))
            return "program to run " + Printable(program);
    }
    for (const std::string& raw : BothLists(doc, file, "IniFile", "Data")) {
        const std::string f = ParseIniEntry(runFolders, raw).file;
        if (f.find('\\') == std::string::npos && f.find('/') == std::string::npos)
            return "INI file by bare name " + Printable(f);
    }
    return {};
}

std::string Sandbox::VetRecord(const std::string& file, const std::string& installFolder) const
{
    const IniDocument doc = IniDocument::Load(file);
    for (const std::string& key : BothLists(doc, file, "DeleteRegistry", "Key")) {
        if (!IsFuzzKey(SplitUninstallRegistryPath(key).keyPath)) return "registry key to delete " + Printable(key);
    }
    for (const std::string& value : BothLists(doc, file, "RestoreRelate", "Key")) {
        const std::size_t comma = PosNoCase(",", value);
        const std::string extension = comma ? Left(value, static_cast<int>(comma) - 1) : value;
        if (extension.empty() || PosNoCase("\\", extension)) continue;
        if (!IsFuzzExtension(extension)) return "extension to restore " + Printable(extension);
    }
    const std::string list = std::string(kUninstallList) + "\\";
    for (const std::string& key : BothValues(doc, file, "UnSetupRegistryKey", "Key")) {
        const std::string relative = RemoveBackslash(key, "T");
        if (IsInsideFolder(relative, list) && !IsProtectedRegistryKey(relative) &&
            !StartsWithNoCase(relative, list + "QuillonFuzz " + config_.runId))
            return "installed-programs entry to delete " + Printable(key);
    }
    for (const std::string& value : BothValues(doc, file, "BeforeUnInstall", "File")) {
        if (value.empty()) continue;
        std::string path = AddBackslash(installFolder, "B") + RemoveBackslash(value, "T");
        if (PosNoCase(",", path)) path = GetField(path, ",", 1);
        if (path.find('"') != std::string::npos || !Within(Normalise(path), UpperPath(Path("qfz-none"))))
            return "program before uninstalling " + Printable(path);
    }
    return {};
}

std::vector<std::string> Sandbox::CanaryPaths() const
{
    std::vector<std::string> folders = {Root(),        Path("inst\\"), Path("win\\"),   Path("win\\system32\\"),
                                        Path("tmp\\"), Path("pkg\\"),  Path("shell\\"), config_.base};
    for (const char* shell : kShellFolders) folders.push_back(Path(shell));
    std::vector<std::string> paths;
    for (const std::string& folder : folders) paths.push_back(folder + kCanaryName);
    for (const std::string& folder : {Root(), Path("inst\\"), Path("win\\"), Path(kShellFolders[3])})
        paths.push_back(folder + kCanaryFolder);
    return paths;
}

void Sandbox::PlaceCanaries() const
{
    for (const std::string& path : CanaryPaths()) {
        if (path.back() == '\\') {
            MakeFolders(path);
            WriteFileBytes(path + kCanaryName, "canary " + path);
        } else {
            MakeFolders(PathFolder(path));
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            WriteFileBytes(path, "canary " + path);
        }
    }
}

bool Sandbox::CanaryIntact(const std::string& path) const
{
    if (path.back() == '\\') return ReadFileBytes(path + kCanaryName) == "canary " + path;
    return ReadFileBytes(path) == "canary " + path;
}

Tree Sandbox::Snapshot() const
{
    Tree tree;
    CollectTree(FromCp932(Root()), tree);
    return tree;
}

void Sandbox::CleanRegistry() const
{
    const std::string key = "Software\\QuillonFuzz\\" + config_.runId;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS}) {
        if (KeyExists(root, key.c_str())) RegDeleteTreeA(root, key.c_str());
    }
    for (const std::string& name :
         SubkeysStartingWith(HKEY_LOCAL_MACHINE, kUninstallList, {"QuillonFuzz " + config_.runId}))
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kUninstallList) + "\\" + name).c_str());
    for (const std::string& name :
         SubkeysStartingWith(HKEY_CLASSES_ROOT, "", {".qfz" + config_.runId, "qfz" + config_.runId}))
        RegDeleteTreeA(HKEY_CLASSES_ROOT, name.c_str());
    RestoreValues(HKEY_LOCAL_MACHINE, kSharedDlls, sharedDlls_, config_.drive);
    // The pending renames of this drive go; those of other programs stay.
    const std::optional<std::string> pending = ReadPendingRenames();
    if (pending) {
        std::vector<std::string> entries;
        for (std::size_t p = 0; p < pending->size();) {
            const std::size_t nul = pending->find('\0', p);
            const std::size_t end = nul == std::string::npos ? pending->size() : nul;
            entries.push_back(pending->substr(p, end - p));
            p = end + 1;
        }
        while (!entries.empty() && entries.back().empty()) entries.pop_back();
        std::string kept;
        bool dropped = false;
        for (std::size_t i = 0; i < entries.size(); i += 2) {
            if (OwnedByFuzz(entries[i], config_.drive)) {
                dropped = true;
                continue;
            }
            kept += entries[i] + '\0' + (i + 1 < entries.size() ? entries[i + 1] : std::string()) + '\0';
        }
        if (dropped) WritePendingRenames(kept.empty() && !pendingRenames_ ? std::optional<std::string>() : kept + '\0');
    }
}

std::vector<std::string> Sandbox::CheckRegistryGuards() const
{
    std::vector<std::string> missing;
    const std::pair<HKEY, const char*> kept[] = {
        {HKEY_LOCAL_MACHINE, kUninstallList},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
        {HKEY_CURRENT_USER, "Software"},
        {HKEY_CLASSES_ROOT, "CLSID"},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager"}};
    for (const auto& [root, path] : kept) {
        if (!KeyExists(root, path)) missing.push_back(std::string("registry key gone: ") + path);
    }
    return missing;
}
