#include "foundation/FilePrim.h"

#include "foundation/Handles.h"
#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"

#include <windows.h>

namespace {
constexpr DWORD kArchiveOnly = FILE_ATTRIBUTE_ARCHIVE;
}

std::int64_t FileAge(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return (static_cast<std::int64_t>(date) << 16) | time;
}

namespace {

struct ProgressContext {
    const CopyProgress* progress;
    DWORD lastCall;
};

DWORD CALLBACK OnCopyProgress(LARGE_INTEGER total, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                              HANDLE, HANDLE, LPVOID data)
{
    auto* context = static_cast<ProgressContext*>(data);
    // Windows calls back for every chunk; the caller hears about it a few times a second.
    const DWORD now = GetTickCount();
    if (now - context->lastCall >= 50 || copied.QuadPart == total.QuadPart) {
        context->lastCall = now;
        (*context->progress)(copied.QuadPart, total.QuadPart);
    }
    return PROGRESS_CONTINUE;
}

// Archive only, for an existing file. A file that has exactly that already is left as
// it is: same attributes, without the open and close a change costs for every file.
void MakeArchiveOnly(const std::string& path)
{
    if (FileAge(path) == -1) return;
    if (GetFileAttributesA(path.c_str()) != kArchiveOnly) SetFileAttributesA(path.c_str(), kArchiveOnly);
}

// One copy over whatever is at target (or, with failIfExists, only to a name not taken
// yet). 0 or the error.
DWORD CopyOnce(const std::string& source, const std::string& target, const CopyProgress* progress,
               bool failIfExists = false)
{
    BOOL ok;
    if ((progress && *progress) || failIfExists) {
        ProgressContext context{progress, GetTickCount()};
        const bool report = progress && *progress;
        ok = CopyFileExA(source.c_str(), target.c_str(), report ? OnCopyProgress : nullptr, report ? &context : nullptr,
                         nullptr, failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0);
    } else {
        ok = CopyFileA(source.c_str(), target.c_str(), FALSE);
    }
    const DWORD error = ok ? 0 : GetLastError();
    // A failure without a code must not read as success.
    return !ok && error == 0 ? ERROR_GEN_FAILURE : error;
}

// Replaces an existing file so that a failed copy (a full disk, a read error) leaves it
// as it was: the copy goes to a new file beside it, which then takes its place.
DWORD ReplaceKeepingTheOld(const std::string& source, const std::string& target, const CopyProgress* progress)
{
    {
        // In use by another program: the same answer a plain copy gets, and nothing moved.
        const UniqueFile probe(CreateFileA(target.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe) {
            const DWORD error = GetLastError();
            return error ? error : ERROR_GEN_FAILURE;
        }
    }
    static unsigned counter = 0;
    const std::string fresh = Left(target, static_cast<int>(LastPathDelimiter(target))) + "QSNEW" +
                              std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".TMP";
    DWORD error = CopyOnce(source, fresh, progress);
    if (error == 0 && !MoveFileExA(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = GetLastError();
        if (error == 0) error = ERROR_GEN_FAILURE;
    }
    if (error != 0) DeleteFileA(fresh.c_str());
    return error;
}

// The copy to a target that is not there. What a failed copy left under the name is
// incomplete and of this run: it must not pass for the installed file later.
DWORD CopyToMissingTarget(const std::string& source, const std::string& target, const CopyProgress* progress,
                          bool failIfExists)
{
    const DWORD error = CopyOnce(source, target, progress, failIfExists);
    if (failIfExists && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED))
        return error; // refused before anything was made: the name is taken
    if (error != 0 && error != ERROR_SHARING_VIOLATION && FileAge(target) != -1) DeleteFileA(target.c_str());
    MakeArchiveOnly(target);
    return error;
}

std::uint32_t CopyClearingAttributes(const std::string& source, const std::string& target, const CopyProgress* progress)
{
    if (FileAge(target) == -1) return CopyToMissingTarget(source, target, progress, false);
    MakeArchiveOnly(target);
    const DWORD error = ReplaceKeepingTheOld(source, target, progress);
    MakeArchiveOnly(target);
    return error;
}

} // namespace

std::uint32_t CopyFileReplace(const std::string& source, const std::string& target)
{
    return CopyClearingAttributes(source, target, nullptr);
}

std::uint32_t CopyFileReplace(const std::string& source, const std::string& target, const CopyProgress& progress)
{
    return CopyClearingAttributes(source, target, &progress);
}

std::uint32_t CopyFileToNewName(const std::string& source, const std::string& target, const CopyProgress& progress)
{
    return CopyToMissingTarget(source, target, &progress, true);
}

bool FolderExists(const std::string& folder)
{
    const std::string pattern = RemoveBackslash(folder, "B") + "\\*.*";
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA(pattern.c_str(), &data));
    if (!find) return false;
    constexpr DWORD skipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        // 0x8 is the DOS volume-label attribute; labels are not folder entries.
        if ((data.dwFileAttributes & (skipped | 0x8)) == 0) return true;
    } while (FindNextFileA(find.get(), &data));
    return false;
}

bool CreateFolderTree(const std::string& path)
{
    std::string rest = AddBackslash(path, "B");
    std::string prefix;
    bool result = true;
    for (;;) {
        const std::size_t p = PosNoCase("\\", rest);
        if (p == 0) break;
        prefix += rest.substr(0, p);
        rest.erase(0, p);
        if (!FolderExists(prefix)) result = CreateDirectoryA(prefix.c_str(), nullptr) != FALSE;
    }
    return result;
}

bool SameFileBytes(const std::string& a, const std::string& b)
{
    UniqueFile fa(CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueFile fb(CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!fa || !fb) return false;
    LARGE_INTEGER sa{}, sb{};
    if (!GetFileSizeEx(fa.get(), &sa) || !GetFileSizeEx(fb.get(), &sb) || sa.QuadPart != sb.QuadPart) return false;
    std::string ba(1 << 16, '\0'), bb(1 << 16, '\0');
    for (;;) {
        DWORD na = 0, nb = 0;
        if (!ReadFile(fa.get(), ba.data(), static_cast<DWORD>(ba.size()), &na, nullptr) ||
            !ReadFile(fb.get(), bb.data(), static_cast<DWORD>(bb.size()), &nb, nullptr) || na != nb)
            return false;
        if (na == 0) return true;
        if (ba.compare(0, na, bb, 0, nb) != 0) return false;
    }
}
