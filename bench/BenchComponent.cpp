// A component that registers itself the cheapest way there is: both entries succeed and
// do nothing, so what the benchmark sees is the installer's own cost per registration
// (loading, looking up, calling, freeing).
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer()
{
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer()
{
    return S_OK;
}
