// The discovery of the machine's folders behind the folder macros (the shell, the
// system calls and the registry), apart from the expansion, which needs none of them.
#include "foundation/FolderMacros.h"

#include "foundation/ComPtr.h"
#include "foundation/FilePrim.h"
#include "foundation/Handles.h"
#include "foundation/MBUtils.h"
#include "foundation/SystemApi.h"
#include "foundation/uStrOp.h"

#include <windows.h>

#include <algorithm>

std::string GetSpecialFolder(std::uint32_t csidl)
{
    const ShellApi& shell = ShellDll();
    if (!shell.SHGetMalloc || !shell.SHGetSpecialFolderLocation || !shell.SHGetPathFromIDListA) return {};
    ComPtr<IMalloc> malloc;
    if (FAILED(shell.SHGetMalloc(malloc.put())) || !malloc) return {};
    char* buffer = static_cast<char*>(malloc->Alloc(MAX_PATH));
    if (!buffer) return {};
    ScopeExit freeBuffer([&] { malloc->Free(buffer); });
    buffer[0] = '\0';

    LPITEMIDLIST items = nullptr;
    if (FAILED(shell.SHGetSpecialFolderLocation(GetDesktopWindow(), static_cast<int>(csidl), &items)) || !items)
        return {};
    ScopeExit freeItems([&] { malloc->Free(items); });
    if (!shell.SHGetPathFromIDListA(items, buffer)) return {};
    return std::string(buffer);
}

namespace {

std::string FromSystemCall(UINT(WINAPI* call)(LPSTR, UINT))
{
    char buf[MAX_PATH] = {};
    const UINT len = call(buf, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return {};
    return std::string(buf, len);
}

std::string ReadProgramFilesDir()
{
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, nullptr, 0,
                        KEY_QUERY_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::string value(size, '\0');
    if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    value.resize(std::min<std::size_t>(size, value.size()));
    return std::string(value.c_str()); // stored strings may or may not carry their zero
}

} // namespace

FolderPlatform SystemFolderPlatform()
{
    FolderPlatform p;
    p.specialFolder = GetSpecialFolder;
    p.windowsDirectory = [] { return FromSystemCall(GetWindowsDirectoryA); };
    p.systemDirectory = [] { return FromSystemCall(GetSystemDirectoryA); };
    p.programFilesDir = ReadProgramFilesDir;
    p.fileExists = [](const std::string& path) { return FileAge(path) != -1; };
    p.folderExists = FolderExists;
    p.tempPath = [] {
        char buf[MAX_PATH] = {};
        const DWORD len = GetTempPathA(MAX_PATH, buf);
        return len == 0 || len >= MAX_PATH ? std::string() : std::string(buf, len);
    };
    return p;
}

void SetStartFolders(FolderValues& f, const std::string& exePath, const FolderPlatform& platform)
{
    f.AppFolder = Left(exePath, static_cast<int>(LastPathDelimiter(exePath)));
    const std::string temp = platform.tempPath();
    f.TempFolder = temp.empty() ? f.AppFolder : AddBackslash(temp, "B");
}

std::string DiscoverFolders(FolderValues& f, const std::string& osFamily, const FolderPlatform& platform)
{
    std::string fatal;
    const auto special = [&](std::uint32_t csidl) { return AddBackslash(platform.specialFolder(csidl), "B"); };

    f.WindowsFolder = special(CSIDL_WINDOWS);
    if (f.WindowsFolder == "\\") {
        const std::string dir = platform.windowsDirectory();
        if (dir.empty()) fatal += "【致命的エラー → Windowsフォルダ取得失敗】\r\n";
        f.WindowsFolder = AddBackslash(dir, "B");
    }
    f.SystemFolder = special(CSIDL_SYSTEM);
    if (f.SystemFolder == "\\") {
        const std::string dir = platform.systemDirectory();
        if (dir.empty()) fatal += "【致命的エラー → WindowsSystemフォルダ取得失敗】\r\n";
        f.SystemFolder = AddBackslash(dir, "B");
    }
    const bool hasShfolder = platform.fileExists(f.SystemFolder + "Shfolder.dll");

    const std::string windowsDrive = DrivePart(f.WindowsFolder);
    f.ProgramFilesFolder = special(CSIDL_PROGRAM_FILES);
    if (f.ProgramFilesFolder == "\\") {
        f.ProgramFilesFolder = AddBackslash(platform.programFilesDir(), "B");
        if (f.ProgramFilesFolder == "\\" || !platform.folderExists(f.ProgramFilesFolder))
            f.ProgramFilesFolder = windowsDrive + "\\Program Files\\";
    }
    f.MyDocumentsFolder = special(CSIDL_PERSONAL);
    if (f.MyDocumentsFolder == "\\") f.MyDocumentsFolder = windowsDrive + "\\My Documents\\";

    f.CommonDocumentsFolder = f.MyDocumentsFolder;
    f.InstallFolder = "(App)";
    f.BootDrive = AddBackslash(Left(f.WindowsFolder, 2), "B");
    f.ExeDrive = AddBackslash(Left(f.AppFolder, 2), "B");

    f.StartMenuFolder = f.CommonStartMenuFolder = special(CSIDL_STARTMENU);
    f.ProgramsFolder = f.CommonProgramsFolder = special(CSIDL_PROGRAMS);
    f.DesktopFolder = f.CommonDesktopFolder = special(CSIDL_DESKTOPDIRECTORY);
    f.StartupFolder = f.CommonStartupFolder = special(CSIDL_STARTUP);
    f.SendToFolder = special(CSIDL_SENDTO);

    if (osFamily == "NT") {
        f.CommonStartMenuFolder = special(CSIDL_COMMON_STARTMENU);
        f.CommonProgramsFolder = special(CSIDL_COMMON_PROGRAMS);
        f.CommonDesktopFolder = special(CSIDL_COMMON_DESKTOPDIRECTORY);
        f.CommonStartupFolder = special(CSIDL_COMMON_STARTUP);
    }
    if (osFamily == "NT" || hasShfolder) f.CommonDocumentsFolder = special(CSIDL_COMMON_DOCUMENTS);
    return fatal;
}
