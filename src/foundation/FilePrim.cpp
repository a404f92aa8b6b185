#include "foundation/FilePrim.h"

#include "foundation/Handles.h"
#include "foundation/LastError.h"
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
    SYSTEMTIME when{};
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &when))
        return kEarliestDosAge;
    // An existing file is never missing: a date a DOS date cannot hold (before 1980, as
    // reproducible builds and some archivers stamp files, or after 2107) takes the
    // nearest one it can.
    if (when.wYear < 1980) return kEarliestDosAge;
    if (when.wYear > 2107) return kLatestDosAge;
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&local, &date, &time)) return kEarliestDosAge;
    return (static_cast<std::int64_t>(date) << 16) | time;
}

namespace {

// Below this size a file is copied in one call; above it in pieces, so the caller hears
// of the progress (Wine's CopyFileEx does not call back).
constexpr std::int64_t kPiecewiseFrom = 8 << 20;
// Pieces of 64 KB, as the system's own copy takes them: under Wine on ext4, 1 MB writes
// took eight times as long per byte once earlier gigabytes were still being written out.
constexpr DWORD kPiece = 64 << 10;

// Copies in pieces, calling progress every few megabytes or a few times a second; the
// copy gets the source's last-write time and attributes as CopyFileA gives them.
DWORD CopyInPieces(const std::string& source, const std::string& target, const CopyProgress& progress, bool failIfExists)
{
    const UniqueFile in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return LastErrorOr();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(in.get(), &info)) return LastErrorOr();
    const std::int64_t total = (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    UniqueFile out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return LastErrorOr();
    std::string buffer(kPiece, '\0');
    std::int64_t copied = 0, reported = 0;
    DWORD lastCall = GetTickCount();
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.data(), kPiece, &got, nullptr)) return LastErrorOr(ERROR_READ_FAULT);
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(out.get(), buffer.data(), got, &written, nullptr) || written != got)
            return LastErrorOr(ERROR_WRITE_FAULT);
        copied += got;
        const DWORD now = GetTickCount();
        if (now - lastCall >= 50 || copied - reported >= (4 << 20)) {
            lastCall = now;
            reported = copied;
            progress(copied, total);
        }
    }
    if (!SetFileTime(out.get(), nullptr, nullptr, &info.ftLastWriteTime)) return LastErrorOr();
    out.reset();
    SetFileAttributesA(target.c_str(), info.dwFileAttributes & ~FILE_ATTRIBUTE_DIRECTORY);
    progress(copied, total);
    return 0;
}

// Archive only, for an existing file. A file that has exactly that already is left as
// it is: same attributes, without the open and close a change costs for every file.
void MakeArchiveOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes != kArchiveOnly) SetFileAttributesA(path.c_str(), kArchiveOnly);
}

// One copy over whatever is at target (or, with failIfExists, only to a name not taken
// yet). 0 or the error.
DWORD CopyOnce(const std::string& source, const std::string& target, const CopyProgress* progress,
               bool failIfExists = false)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool large = GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data) &&
                       ((static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) >= kPiecewiseFrom;
    if (progress && *progress && large) return CopyInPieces(source, target, *progress, failIfExists);
    if (CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE)) return 0;
    return LastErrorOr();
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
        if (!probe) return LastErrorOr();
    }
    static unsigned counter = 0;
    const std::string fresh = Left(target, static_cast<int>(LastPathDelimiter(target))) + "QSNEW" +
                              std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".TMP";
    DWORD error = CopyOnce(source, fresh, progress);
    // A program that keeps the target open with write sharing but no delete sharing (a
    // log, a database) refuses the move, not a write: the complete copy then overwrites
    // the target in place, as a plain copy would have. Where that is refused too, the
    // answer is the plain copy's (32 takes the locked-file path).
    if (error == 0 && !MoveFileExA(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        error = CopyOnce(fresh, target, nullptr);
    DeleteFileA(fresh.c_str());
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
