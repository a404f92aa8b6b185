#include "TestSupport.h"

#include <algorithm>
#include <atomic>

namespace {

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

} // namespace

ScratchFolder::ScratchFolder() : ScratchFolder(TempFolder()) {}

ScratchFolder::ScratchFolder(const std::string& parent)
{
    static std::atomic<int> counter{0};
    std::string base(parent);
    if (base.empty() || base.back() != '\\') base += '\\';
    for (;;) {
        path_ = base + "qs_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

ScratchMachine::ScratchMachine()
{
    for (const std::string* folder :
         {&win, &sys, &tmp, &prg, &smn, &sta, &sup, &dsk, &sen, &myd, &csmn, &csta, &csup, &cdsk, &cmyd}) {
        // Parents first: each level is made at its one-byte "\" (a trail byte of 表 is none).
        for (const char* p = folder->c_str(); *p; p = CharNextA(p)) {
            if (*p == '\\') CreateDirectoryA(std::string(folder->c_str(), p).c_str(), nullptr);
        }
    }
}

void ScratchMachine::SetFolders(FolderValues& v) const
{
    v.TempFolder = tmp;
    v.WindowsFolder = win;
    v.SystemFolder = sys;
    v.ProgramFilesFolder = prg;
    v.MyDocumentsFolder = myd;
    v.StartMenuFolder = smn;
    v.ProgramsFolder = sta;
    v.DesktopFolder = dsk;
    v.StartupFolder = sup;
    v.SendToFolder = sen;
    v.CommonStartMenuFolder = csmn;
    v.CommonProgramsFolder = csta;
    v.CommonDesktopFolder = cdsk;
    v.CommonStartupFolder = csup;
    v.CommonDocumentsFolder = cmyd;
    v.BootDrive = v.ExeDrive = "C:\\";
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

REGSAM ViewFlag(int bits)
{
    return bits == 32 ? KEY_WOW64_32KEY : bits == 64 ? KEY_WOW64_64KEY : 0;
}

// A string or DWORD value of a HKEY_LOCAL_MACHINE key, as its raw bytes; nothing when
// the key or the value is missing.
std::optional<std::string> MachineValue(const std::string& key, const std::string& name, int bits)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | ViewFlag(bits), &k) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegKey owned(k);
    DWORD size = 0;
    if (RegQueryValueExA(k, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(k, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

} // namespace

long SharedCount(const std::string& path, int bits)
{
    const auto value = MachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", path, bits);
    if (!value || value->size() != sizeof(DWORD)) return -1;
    DWORD count = 0;
    std::copy(value->begin(), value->end(), reinterpret_cast<char*>(&count));
    return static_cast<long>(count);
}

CommandParts QuietUninstallCommand(const std::string& keyName, int bits)
{
    const auto value = MachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + keyName,
                                    "QuietUninstallString", bits);
    const std::string command = value ? std::string(value->c_str()) : std::string();
    const std::size_t blank = command.find(' ');
    if (blank == std::string::npos) return {};
    return {command.substr(0, blank), command.substr(blank + 1)};
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(25);
    }
}

void SettleForBrowser(const std::string& path)
{
    // "C:\a\b" lists "C:\a", then "C:\a\b". CharNextA steps over double-byte characters,
    // whose second byte may be a backslash.
    const char* const start = path.c_str();
    if (path.size() < 3) return;
    bool afterSeparator = true; // the root's
    for (const char* p = start + 3;; p = CharNextA(p)) {
        const bool end = *p == '\0';
        if ((end || *p == '\\') && !afterSeparator) {
            WIN32_FIND_DATAA data;
            HANDLE find = FindFirstFileA((std::string(start, p) + "\\*").c_str(), &data);
            if (find != INVALID_HANDLE_VALUE) {
                while (FindNextFileA(find, &data)) {
                }
                FindClose(find);
            }
        }
        if (end) break;
        afterSeparator = *p == '\\';
    }
}

int RunProgram(std::string commandLine, DWORD timeoutMs)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    } else {
        TerminateProcess(pi.hProcess, code);
        WaitForSingleObject(pi.hProcess, timeoutMs);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

std::string UnixPath(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    char* unix = toUnix(wide.c_str());
    if (!unix) return {};
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool StartUnixProgram(std::string commandLine)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool PlantSymbolicLink(const std::string& target, const std::string& link)
{
    const std::size_t slash = link.find_last_of('\\');
    const std::string unixTarget = UnixPath(target);
    const std::string unixParent = UnixPath(link.substr(0, slash));
    if (unixTarget.empty() || unixParent.empty()) return false;
    // The end of a Linux program is not reported back, so the link itself is waited for.
    if (!StartUnixProgram("\\\\?\\unix\\bin\\ln -s \"" + unixTarget + "\" \"" + unixParent + "/" +
                          link.substr(slash + 1) + "\""))
        return false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    WaitUntil([&] { return (attributes = GetFileAttributesA(link.c_str())) != INVALID_FILE_ATTRIBUTES; });
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    CloseHandle(h);
    return data;
}

namespace {

// True when the text ends in a one-byte "\", not in the trail byte of 表, ソ or 能.
bool EndsWithDelimiter(const std::string& text)
{
    bool delimiter = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        delimiter = text[i] == '\\';
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) ++i;
    }
    return delimiter;
}

} // namespace

void RemoveTree(const std::string& folder)
{
    std::string base = folder;
    if (!base.empty() && !EndsWithDelimiter(base)) base += '\\';
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = base + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(base.c_str());
}

std::string CreateScratchRegistryKey(const std::string& name, UniqueRegKey& key)
{
    const std::string path = "Software\\QuillonTest\\" + std::to_string(GetCurrentProcessId()) + "\\" + name;
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return {};
    return path;
}

void RemoveScratchRegistryKey(const std::string& path)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.substr(0, path.rfind('\\')).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuillonTest");
}

namespace {
constexpr const char* kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPending = "PendingFileRenameOperations";
} // namespace

std::optional<std::string> ReadPendingRenames()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD size = 0;
    std::optional<std::string> value;
    if (RegQueryValueExA(key, kPending, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(key, kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            value = data.substr(0, size);
    }
    RegCloseKey(key);
    return value;
}

void WritePendingRenames(const std::optional<std::string>& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    if (value)
        RegSetValueExA(key, kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value->data()),
                       static_cast<DWORD>(value->size()));
    else RegDeleteValueA(key, kPending);
    RegCloseKey(key);
}

HeldFile::HeldFile(const std::string& holdfileExe, const std::string& path, DWORD shareMask)
{
    static std::atomic<int> counter{0};
    const std::string name = "qs-hold-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    ready_.reset(CreateEventA(nullptr, TRUE, FALSE, (name + ".held").c_str()));
    release_.reset(CreateEventA(nullptr, TRUE, FALSE, (name + ".release").c_str()));
    // A "\" before the closing quote would escape it.
    const std::string argument = !path.empty() && path.back() == '\\' ? path + "\\" : path;
    std::string commandLine = "\"";
    commandLine.append(holdfileExe).append("\" \"").append(argument).append("\" ").append(name);
    if (shareMask) commandLine.append(" ").append(std::to_string(shareMask));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!ready_ || !release_ ||
        !CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = "cannot start " + commandLine;
        return;
    }
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    // Held, or the helper gave up: whichever comes first.
    const HANDLE waits[2] = {ready_.get(), process_.get()};
    held_ = WaitForMultipleObjects(2, waits, FALSE, kPatienceMs) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (!held_ && GetExitCodeProcess(process_.get(), &code))
        error_ = "holdfile could not hold " + path + " (exit code " + std::to_string(code) + ")";
}

HeldFile::~HeldFile()
{
    if (release_) SetEvent(release_.get());
    if (process_ && WaitForSingleObject(process_.get(), kPatienceMs) != WAIT_OBJECT_0)
        TerminateProcess(process_.get(), 1);
}

void ListFiles(const std::string& folder, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA d{};
    const UniqueFind find(FindFirstFileA((folder + "*").c_str(), &d));
    if (!find) return;
    do {
        const std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(folder + name + "\\", out);
        else out.push_back(folder + name);
    } while (FindNextFileA(find.get(), &d));
}

namespace {

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA d{};
    const UniqueFind find(FindFirstFileA((folder + "*").c_str(), &d));
    if (!find) return names;
    do {
        // A drive's root lists no "." and "..".
        if (std::string(d.cFileName) != "." && std::string(d.cFileName) != "..") names.push_back(d.cFileName);
    } while (FindNextFileA(find.get(), &d));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool ChangeMedium(char drive, const std::string& folder)
{
    std::string devices = UnixPath("C:\\");
    while (!devices.empty() && devices.back() == '/') devices.pop_back();
    const std::size_t slash = devices.find_last_of('/');
    if (slash == std::string::npos) return false;
    const std::string last = devices.substr(slash + 1);
    devices.erase(slash);
    // Wine names C: through dosdevices/c: or the prefix's drive_c, as it resolves it.
    if (last == "drive_c") devices += "/dosdevices";
    else if (last != "c:") return false;
    const std::string base = folder.back() == '\\' ? folder : folder + "\\";
    const std::string target = UnixPath(base);
    const char letter = static_cast<char>(drive | 0x20);
    std::string command = "\\\\?\\unix\\bin\\ln -sfn \"";
    command.append(target).append("\" \"").append(devices).append("/").append(1, letter).append(":\"");
    if (target.empty() || !StartUnixProgram(command)) return false;
    const std::string root = std::string(1, drive) + ":\\";
    const std::vector<std::string> expected = Names(base);
    return WaitUntil([&] { return Names(root) == expected; });
}

namespace {

const char* const kNames[] = {"Sec", "sec", "SEC", "File", "表示", "ソフト", "ａｂ", "ＡＢ", "a b", ""};
const char* const kValues[] = {"v",    " padded ",  "\"quoted\"", "'single'", "\"open", "x=y",     "表\\能",
                               "\"\"", "'",         "a\tb",       "　全角　", "",       "\"a\" b", "; not a comment",
                               "ｱｲｳ",  "\"'mixed\""};

std::string RandomName(std::mt19937& rng)
{
    std::uniform_int_distribution<int> pick(0, 9), num(0, 3);
    return std::string(kNames[pick(rng)]) + (num(rng) ? std::to_string(num(rng)) : "");
}

} // namespace

std::string RandomIni(std::mt19937& rng, std::set<std::string>& names)
{
    static const char* const eols[] = {"\r\n", "\r\n", "\n", "\r\n"};
    std::uniform_int_distribution<int> kind(0, 15), eol(0, 3), value(0, 15), lines(5, 60);
    std::string text;
    const int count = lines(rng);
    for (int i = 0; i < count; ++i) {
        const std::string name = RandomName(rng);
        names.insert(name);
        switch (kind(rng)) {
        case 0:
        case 1: text += "[" + name + "]"; break;
        case 2: text += "  [ " + name + " ]  "; break;
        case 3: text += "[" + name; break;         // no closing bracket
        case 4: text += "[" + name + "]x]"; break; // last bracket counts
        case 5: text += ";" + name + "=comment"; break;
        case 6: text += name; break; // no "="
        case 7: text.append("=").append(kValues[value(rng)]); break;
        case 8: text += "\t" + name + " \t=  " + kValues[value(rng)] + "  "; break;
        case 9: text += name + "=" + std::string(300 + value(rng) * 37, 'x'); break;
        case 10: text += ""; break;
        case 11: text += name + "=" + kValues[value(rng)] + "\x1A"; break;
        default: text += name + "=" + kValues[value(rng)]; break;
        }
        if (i + 1 < count || eol(rng)) text += eols[eol(rng)];
    }
    return text;
}
