// Entry points of system DLLs that Windows does not always load from the system folder
// under every loader, bound at run time from the system folder. SETUP.EXE's import
// table is kept to kernel32, user32, gdi32, advapi32 and msvcrt: imports are resolved
// before any code runs, and a DLL imported by name can be picked up from a planted copy
// beside the program. A member is null when its DLL or entry point is missing.
#pragma once
#include <windows.h>
#include <lzexpand.h>
#include <shellapi.h>
#include <shlobj.h>

struct ShellApi {
    HRESULT(WINAPI* SHGetMalloc)(IMalloc**) = nullptr;
    HRESULT(WINAPI* SHGetSpecialFolderLocation)(HWND, int, LPITEMIDLIST*) = nullptr;
    BOOL(WINAPI* SHGetPathFromIDListA)(LPCITEMIDLIST, LPSTR) = nullptr;
    LPITEMIDLIST(WINAPI* SHBrowseForFolderA)(LPBROWSEINFOA) = nullptr;
    int(WINAPI* SHFileOperationA)(LPSHFILEOPSTRUCTA) = nullptr;
    HINSTANCE(WINAPI* ShellExecuteA)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = nullptr;
    BOOL(WINAPI* ShellExecuteExA)(SHELLEXECUTEINFOA*) = nullptr;
    void(WINAPI* SHChangeNotify)(LONG, UINT, LPCVOID, LPCVOID) = nullptr;
};

struct OleApi {
    HRESULT(WINAPI* CoInitialize)(LPVOID) = nullptr;
    void(WINAPI* CoUninitialize)() = nullptr;
    HRESULT(WINAPI* CoCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) = nullptr;
    void(WINAPI* CoTaskMemFree)(LPVOID) = nullptr;
};

struct LzApi {
    INT(WINAPI* GetExpandedNameA)(LPSTR, LPSTR) = nullptr;
    INT(WINAPI* LZOpenFileA)(LPSTR, LPOFSTRUCT, WORD) = nullptr;
    LONG(WINAPI* LZCopy)(INT, INT) = nullptr;
    void(WINAPI* LZClose)(INT) = nullptr;
};

struct VersionApi {
    DWORD(WINAPI* GetFileVersionInfoSizeA)(LPCSTR, LPDWORD) = nullptr;
    BOOL(WINAPI* GetFileVersionInfoA)(LPCSTR, DWORD, DWORD, LPVOID) = nullptr;
    BOOL(WINAPI* VerQueryValueA)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
};

// Each table is bound once, on first use, and its DLL stays loaded for the process.
const ShellApi& ShellDll();
const OleApi& OleDll();
const LzApi& LzDll();
const VersionApi& VersionDll();
