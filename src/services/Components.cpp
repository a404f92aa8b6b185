// Self-registration of DLL and OCX components and the component-file test. The shared
// counters declared beside them live in their own unit.
#include "services/SharedComponents.h"

#include "foundation/Handles.h"
#include "foundation/uStrOp.h"

#include <windows.h>

namespace {

using EntryPoint = HRESULT(WINAPI*)();

EntryPoint FindEntry(HMODULE module, const char* name)
{
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr unsigned kExclamationOk = 48;

} // namespace

bool RegisterComponent(Host& host, const std::string& runMode, const std::string& path,
                       bool registerIt)
{
    // Loaded by its full path; the altered search makes the component's own dependencies
    // resolve from its folder rather than from ours.
    const UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        if (registerIt && runMode == "SETUP")
            host.Ask(path + "の読み込みに失敗しました。", "OCX/DLL登録エラー(LoadLibrary)", kExclamationOk);
        return false;
    }

    if (!registerIt) {
        if (const EntryPoint unregisterServer = FindEntry(module.get(), "DllUnregisterServer"))
            unregisterServer();
        return false;
    }

    const EntryPoint registerServer = FindEntry(module.get(), "DllRegisterServer");
    if (!registerServer) {
        host.Ask(path + "のDllRegisterServerエントリが見つかりません。", "OCX/DLL登録エラー(GetProcAddress)",
                 kExclamationOk);
        return false;
    }
    if (registerServer() != 0) {
        host.Ask(path + "のDllRegisterServer関数が失敗しました。", "OCX/DLL登録エラー(Procedure)",
                 kExclamationOk);
        return false;
    }
    return true;
}

bool IsComponentFile(const std::string& path)
{
    return PosNoCase(".OCX", path) != 0 || PosNoCase(".DLL", path) != 0;
}
