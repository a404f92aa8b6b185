#include "services/FileOps.h"

#include "foundation/Handles.h"
#include "foundation/LastError.h"
#include "foundation/MBUtils.h"
#include "foundation/SystemApi.h"
#include "foundation/SystemLibrary.h"
#include "foundation/uStrOp.h"
#include "foundation/FilePrim.h"
#include "services/SharedComponents.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

// LZOpenFileA answers a negative LZERROR_* code on failure; all of them map to -1 here.
struct LzHandleTraits {
    using pointer = INT;
    static pointer invalid() noexcept { return -1; }
    static void close(pointer h) noexcept
    {
        if (const auto lzClose = LzDll().LZClose) lzClose(h);
    }
};
using UniqueLz = UniqueHandle<LzHandleTraits>;

UniqueLz OpenLz(const std::string& path, WORD mode)
{
    const auto lzOpen = LzDll().LZOpenFileA;
    if (!lzOpen) return UniqueLz{};
    std::string name = path; // the API takes a writable buffer
    OFSTRUCT ofs{};
    const INT h = lzOpen(name.data(), &ofs, mode);
    return UniqueLz(h < 0 ? -1 : h);
}

// The file name that an SZDD source stores (for example README.TX_ -> README.TXT),
// without its folder; "" when the LZ library is missing.
std::string StoredName(const std::string& source)
{
    const auto getExpandedName = LzDll().GetExpandedNameA;
    if (!getExpandedName) return {};
    // Never cut the path: a name taken from another file would install elsewhere. The
    // answer is the path with its last character replaced, so the path's length plus
    // a margin always holds it.
    const std::size_t size = std::max<std::size_t>(256, source.size() + 16);
    std::string in(size, '\0'), out(size, '\0');
    in.replace(0, source.size(), source);
    getExpandedName(in.data(), out.data());
    const std::string expanded(out.c_str());
    return Mid(expanded, static_cast<int>(LastPathDelimiter(expanded)) + 1);
}

bool HasWildcard(const std::string& path)
{
    return PosNoCase("*", path) != 0 || PosNoCase("?", path) != 0;
}

// True when the path or pattern still names an entry other than "." and "..".
bool StillThere(const std::string& path)
{
    WIN32_FIND_DATAA data{};
    const UniqueFind find(FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") return true;
    } while (FindNextFileA(find.get(), &data));
    return false;
}

} // namespace

namespace {

// A plain file deleted through a handle that shares nothing: the open succeeds only when
// no one else has the file open, so closing it removes the name at once. False, with
// nothing changed, for anything else (in use, read-only, a running image): the shell
// then handles it as the rule says.
bool DeleteUnshared(const std::string& path, DWORD* error = nullptr)
{
    UniqueFile file(CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file && error) *error = GetLastError();
    return static_cast<bool>(file);
}

std::uint32_t ShellDelete(Host& host, const std::string& path)
{
    const auto shellDelete = ShellDll().SHFileOperationA;
    if (!shellDelete) return ERROR_PROC_NOT_FOUND;
    std::string from = path;
    from.append(2, '\0');
    SHFILEOPSTRUCTA op{};
    op.hwnd = host.OwnerWindow();
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI; // 0x414
    // A stale code left by earlier calls must not turn the shell's answer into a failure.
    SetLastError(0);
    const int result = shellDelete(&op);
    const DWORD error = GetLastError();
    if (result == 0) return 0;
    // The shell's code counts when the last error confirms it. Some shells (Wine's among
    // them) leave the last error at 0 when a file could not be deleted; what is still
    // there then confirms the failure, so it is not reported as success.
    if (error != 0 || StillThere(path)) return static_cast<std::uint32_t>(result);
    return 0;
}

std::uint32_t Delete(Host& host, const std::string& path, bool direct, bool* certainlyGone)
{
    if (certainlyGone) *certainlyGone = false;
    const auto deleted = [&] {
        if (certainlyGone) *certainlyGone = true;
        return 0u;
    };
    const bool plain = !HasWildcard(path);
    const bool component = IsComponentFile(path);
    // The common case in one call: a plain file no one holds, or a name that is not there
    // (an uninstallation deletes every file of its record this way). A folder is not
    // opened by it (no backup semantics); folders and components take the checks below.
    if (direct && plain && !component && path.size() < MAX_PATH) {
        DWORD error = 0;
        if (DeleteUnshared(path, &error)) return deleted();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ERROR_FILE_NOT_FOUND;
    }
    if (plain && FileAge(path) == -1) return ERROR_FILE_NOT_FOUND;
    // A longer pattern names no file through the ANSI functions, and a shell may overrun
    // a buffer on one instead of failing (Wine's ends the process).
    if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;

    // Unregistration reports nothing whatever the role, so the role is not needed.
    if (component) {
        RegisterComponent(host, std::string(), path, false);
        // Unregistered, a component goes the direct way too.
        if (direct && plain && DeleteUnshared(path)) return deleted();
    }
    return ShellDelete(host, path);
}

} // namespace

std::uint32_t DeleteFiles(Host& host, const std::string& path, bool* certainlyGone)
{
    return Delete(host, path, true, certainlyGone);
}

std::uint32_t DeleteFilesThroughShell(Host& host, const std::string& path)
{
    return Delete(host, path, false, nullptr);
}

std::vector<std::string> PatternPieces(const std::string& patterns)
{
    std::vector<std::string> pieces;
    std::string rest = patterns;
    while (!rest.empty()) {
        const std::size_t bar = PosNoCase("|", rest);
        std::string piece = bar ? rest.substr(0, bar - 1) : rest;
        rest = bar ? rest.substr(bar) : std::string();
        if (!piece.empty()) pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::uint32_t RemoveFolder(Host& host, const std::string& folder, const std::string& patterns)
{
    const std::string base = AddBackslash(folder, "B");
    for (const std::string& piece : PatternPieces(patterns)) {
        // A pattern that matches nothing is not handed to the shell: loading and running
        // its delete for every folder cost more than all the files of a small folder.
        WIN32_FIND_DATAA data{};
        if (UniqueFind(FindFirstFileA((base + piece).c_str(), &data))) DeleteFiles(host, base + piece);
    }
    if (RemoveDirectoryA(base.c_str())) return 0;
    return LastErrorOr();
}

std::string ExpandCompressed(Host& host, const std::string& source, const std::string& target,
                             const std::string& tempFolder)
{
    std::string finalTarget = target;
    const std::size_t slash = LastPathDelimiter(target);
    if (Mid(target, static_cast<int>(slash) + 1) == "AUTO.EXT") {
        const std::string folder = RemoveBackslash(Left(target, static_cast<int>(slash)), "B");
        finalTarget = folder + "\\" + MapString(StoredName(source), LCMAP_UPPERCASE);
    }

    const std::string expansion = AddBackslash(tempFolder, "B") + "EXPAND.QST";
    if (FileAge(expansion) != -1) DeleteFiles(host, expansion);
    {
        UniqueLz in = OpenLz(source, OF_READ | OF_SHARE_EXCLUSIVE);
        UniqueLz out = OpenLz(expansion, OF_CREATE);
        const auto lzCopy = LzDll().LZCopy;
        if (in && out && lzCopy) lzCopy(in.get(), out.get());
    }
    return expansion + "," + finalTarget;
}

bool GetDiskFreeEx(const std::string& path, std::int64_t& bytes)
{
    bytes = -1;
    using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    const UniqueModule kernel = LoadSystemLibrary("kernel32.dll");
    if (!kernel) return false;
    const auto getFree = reinterpret_cast<GetDiskFreeSpaceExFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "GetDiskFreeSpaceExA")));
    if (!getFree) return false;
    const std::string root = AddBackslash(path, "B");
    ULARGE_INTEGER forCaller{}, total{}, totalFree{};
    if (!getFree(root.c_str(), &forCaller, &total, &totalFree)) return false;
    bytes = static_cast<std::int64_t>(forCaller.QuadPart);
    return true;
}

bool GetDiskFree(const std::string& path, std::int64_t& bytes)
{
    const std::string root = AddBackslash(path, "B");
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
        bytes = -1;
        return false;
    }
    bytes = static_cast<std::int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
    return true;
}

std::string GetShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    // A length of MAX_PATH or more is the size the short form would need: it did not fit.
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(buffer, length);
}

namespace {

// n when name is "QSTMP" + n for n from 1 to 99 (no leading zero), any case; else 0.
int WorkFolderNumber(const char* name)
{
    if (_strnicmp(name, "QSTMP", 5) != 0) return 0;
    const char* digits = name + 5;
    const std::size_t length = std::strlen(digits);
    if (length == 0 || length > 2 || digits[0] == '0') return 0;
    int n = 0;
    for (const char* d = digits; *d; ++d) {
        if (*d < '0' || *d > '9') return 0;
        n = n * 10 + (*d - '0');
    }
    return n;
}

} // namespace

void RemoveWorkFolders(Host& host, const std::string& tempFolder)
{
    if (tempFolder.empty()) return;
    // One listing instead of asking for each of the 99 names: a missing name costs the
    // file system a search of the whole folder, which a full temporary folder makes slow.
    bool found[100] = {};
    WIN32_FIND_DATAA data{};
    if (const UniqueFind find(FindFirstFileA((tempFolder + "QSTMP*").c_str(), &data)); find) {
        do {
            // The short name counts too: asked for by name, the system finds a folder by it.
            for (const char* name : {data.cFileName, data.cAlternateFileName}) found[WorkFolderNumber(name)] = true;
        } while (FindNextFileA(find.get(), &data));
    }
    for (int n = 1; n <= 99; ++n) {
        if (!found[n]) continue;
        const std::string folder = tempFolder + "QSTMP" + std::to_string(n) + "\\";
        // Empty folders too: a listing-based test would leave them behind.
        const std::string path = RemoveBackslash(folder, "B");
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        // A link planted under the name is removed itself; what it points to is not
        // emptied.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) RemoveDirectoryA(path.c_str());
        else RemoveFolder(host, folder, "*.*");
    }
}

void NotifyShellOfChanges()
{
    const ShellApi& shell = ShellDll();
    if (!shell.SHChangeNotify) return;
    shell.SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    shell.SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_IDLIST, nullptr, nullptr);
    shell.SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST, nullptr, nullptr);
}
