// The Win32 functions of include/windows.h for the native build: text and profile
// functions from NativeWin32, files through POSIX. Paths are the native ones.
#include <windows.h>

#include "NativeWin32.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Descriptor(HANDLE h)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(h)) - 1;
}

DWORD ErrorFromErrno(int e)
{
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    default: return ERROR_NOT_SUPPORTED;
    }
}

} // namespace

DWORD GetLastError()
{
    return nativewin::LastError();
}

void SetLastError(DWORD code)
{
    nativewin::SetLastError(code);
}

int GetSystemMetrics(int index)
{
    return index == SM_DBCSENABLED ? 1 : 0;
}

BOOL GetCPInfo(UINT codePage, CPINFO* info)
{
    if (codePage != CP_ACP && codePage != nativewin::kAnsiCodePage) {
        SetLastError(87);
        return FALSE;
    }
    *info = CPINFO{2, {'?', 0}, {}};
    const unsigned char* ranges = nativewin::LeadByteRanges();
    for (int i = 0; i + 1 < MAX_LEADBYTES && (ranges[i] || ranges[i + 1]); i += 2) {
        info->LeadByte[i] = ranges[i];
        info->LeadByte[i + 1] = ranges[i + 1];
    }
    return TRUE;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength, LPWSTR target, int targetSize)
{
    return nativewin::MultiByteToWideChar(codePage, source, sourceLength, target, targetSize);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR target, int targetSize, LPCSTR,
                        BOOL* usedDefault)
{
    bool used = false;
    const int n = nativewin::WideCharToMultiByte(codePage, source, sourceLength, target, targetSize,
                                                 usedDefault ? &used : nullptr);
    if (usedDefault) *usedDefault = used;
    return n;
}

int LCMapStringA(LCID, DWORD flags, LPCSTR source, int sourceLength, LPSTR target, int targetSize)
{
    return nativewin::LCMapStringA(flags, source, sourceLength, target, targetSize);
}

DWORD FormatMessageA(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, void*)
{
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}

BOOL IsTextUnicode(const void* buffer, int size, int* tests)
{
    return nativewin::IsTextUnicode(buffer, size, tests);
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE)
{
    if (access != GENERIC_READ || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size)
{
    struct stat st {};
    if (fstat(Descriptor(file), &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    size->QuadPart = st.st_size;
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, void*)
{
    DWORD done = 0;
    while (done < toRead) {
        const ssize_t n = ::read(Descriptor(file), static_cast<char*>(buffer) + done, toRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(ErrorFromErrno(errno));
            if (read) *read = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    return close(Descriptor(handle)) == 0;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer, DWORD size, LPCSTR file)
{
    return nativewin::GetPrivateProfileStringA(section, key, def, buffer, size, file);
}

BOOL WritePrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPCSTR)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
