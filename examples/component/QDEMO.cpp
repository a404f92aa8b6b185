// The demo package's shared component. Registering it writes
// HKEY_CURRENT_USER\Software\Quillon\DemoComponent with the DLL's path, unregistering
// removes that key again, so an installation and its removal can be seen in the
// registry.
#include <windows.h>

namespace {

HINSTANCE self = nullptr;
const char kKey[] = "Software\\Quillon\\DemoComponent";

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    const LONG rc = RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                   static_cast<DWORD>(lstrlenA(path) + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    return S_OK;
}
