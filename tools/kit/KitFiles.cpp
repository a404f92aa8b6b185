#include "kit/KitFiles.h"

#include "foundation/MBUtils.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

std::string Convert(const std::string& text, unsigned from, unsigned to)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    const int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(m), '\0');
    WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// A separator at 1-based position p: on Windows a one-byte "\" or "/", never the trail
// byte of a double-byte character; natively "/".
bool IsSeparator(const std::string& path, std::size_t p)
{
#ifdef _WIN32
    return IsPathDelimiter(path, p) || (path[p - 1] == '/' && IsCharStart(path, p));
#else
    return path[p - 1] == '/';
#endif
}

} // namespace

std::string AnsiToUtf8(const std::string& text)
{
    return Convert(text, CP_ACP, CP_UTF8);
}

std::string Utf8ToAnsi(const std::string& text)
{
    return Convert(text, CP_UTF8, CP_ACP);
}

std::string NativeName(const std::string& name)
{
#ifdef _WIN32
    return name;
#else
    return AnsiToUtf8(name);
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string path = folder;
    if (!path.empty() && !IsSeparator(path, path.size())) path += kSeparator;
    return path + NativeName(name);
}

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
#ifdef _WIN32
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(JoinPath(folder, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, JoinPath(folder, name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    } while (FindNextFileA(find, &data));
    FindClose(find);
#else
    DIR* dir = opendir(folder.c_str());
    if (!dir) return entries;
    while (const dirent* d = readdir(dir)) {
        const std::string native = d->d_name;
        if (native == "." || native == "..") continue;
        // The native name opens the file, whatever its ANSI form lost.
        FolderEntry e{Utf8ToAnsi(native),
                      folder + (folder.empty() || IsSeparator(folder, folder.size()) ? "" : "/") + native, false, 0};
        struct stat st {};
        if (stat(e.path.c_str(), &st) != 0) continue;
        e.folder = S_ISDIR(st.st_mode);
        e.size = e.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
        entries.push_back(std::move(e));
    }
    closedir(dir);
#endif
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

bool IsFolder(const std::string& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool ReadBytes(const std::string& path, std::string& bytes)
{
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

bool CopyFileTime(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    FILETIME written{};
    HANDLE source = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    const bool read = GetFileTime(source, nullptr, nullptr, &written) != FALSE;
    CloseHandle(source);
    HANDLE target = CreateFileA(to.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (target == INVALID_HANDLE_VALUE) return false;
    const bool set = read && SetFileTime(target, nullptr, nullptr, &written) != FALSE;
    CloseHandle(target);
    return set;
#else
    struct stat st {};
    if (stat(from.c_str(), &st) != 0) return false;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return utimensat(AT_FDCWD, to.c_str(), times, 0) == 0;
#endif
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t p = 1; p <= path.size() + 1; ++p) {
        if (p <= path.size() && !IsSeparator(path, p)) continue;
        const std::string level = path.substr(0, p - 1);
        if (level.empty() || IsFolder(level) || (level.size() == 2 && level[1] == ':')) continue;
#ifdef _WIN32
        CreateDirectoryA(level.c_str(), nullptr);
#else
        mkdir(level.c_str(), 0777);
#endif
    }
    return IsFolder(path);
}

void WriteStdout(const std::string& bytes)
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}
