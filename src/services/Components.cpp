// Self-registration of DLL and OCX components and the component-file test. The shared
// counters declared beside them live in their own unit.
#include "services/SharedComponents.h"

#include "foundation/Handles.h"
#include "foundation/uStrOp.h"
#include "services/Launch.h"
#include "services/Views.h"

#include <windows.h>

namespace {

using EntryPoint = HRESULT(WINAPI*)();

EntryPoint FindEntry(HMODULE module, const char* name)
{
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A component of the other bitness cannot be loaded here: the registration server of
// its bitness unregisters it. On 64-bit Windows the 32-bit one is in SysWOW64; the
// 64-bit one is, seen from a 32-bit process, in Sysnative, and knows the folder a path
// names as Sysnative as System32.
void UnregisterElsewhere(Host& host, std::string path)
{
    if (OtherBits(0) == 0) return;
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string folder = AddBackslash(windows, "B");
    const std::string native = folder + "Sysnative\\";
    if (OwnBits() == 32 && PosNoCase(native, path) == 1) path = folder + "System32\\" + path.substr(native.size());
    RunAndWait(host, folder + (OwnBits() == 64 ? "SysWOW64" : "Sysnative") + "\\regsvr32.exe", "/s /u \"" + path + "\"");
}

} // namespace

bool RegisterComponent(Host& host, const std::string& runMode, const std::string& path, bool registerIt)
{
    // Loaded by its full path; the altered search makes the component's own dependencies
    // resolve from its folder rather than from ours.
    const UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module && !registerIt && GetLastError() == ERROR_BAD_EXE_FORMAT) UnregisterElsewhere(host, path);
    if (!module) {
        if (registerIt && runMode == "SETUP")
            host.Ask(path + "の読み込みに失敗しました。", "OCX/DLL登録エラー(LoadLibrary)", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    if (!registerIt) {
        if (const EntryPoint unregisterServer = FindEntry(module.get(), "DllUnregisterServer")) unregisterServer();
        return false;
    }

    const EntryPoint registerServer = FindEntry(module.get(), "DllRegisterServer");
    if (!registerServer) {
        host.Ask(path + "のDllRegisterServerエントリが見つかりません。", "OCX/DLL登録エラー(GetProcAddress)",
                 MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (registerServer() != 0) {
        host.Ask(path + "のDllRegisterServer関数が失敗しました。", "OCX/DLL登録エラー(Procedure)",
                 MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

bool IsComponentFile(const std::string& path)
{
    return PosNoCase(".OCX", path) != 0 || PosNoCase(".DLL", path) != 0;
}
