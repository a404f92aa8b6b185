// A component for the self-registration tests. Each entry point appends one line,
// "register <dll path>" or "unregister <dll path>", to the file named by the environment
// variable QS_REGTEST_LOG. Variants by compile definition:
//   REGTEST_FAIL_REGISTER  DllRegisterServer fails (E_FAIL)
//   REGTEST_NO_ENTRIES     no self-registration entry points at all
#include <windows.h>

namespace {

HINSTANCE self = nullptr;

[[maybe_unused]] void Record(const char* what)
{
    char log[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("QS_REGTEST_LOG", log, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    char dll[MAX_PATH] = {};
    GetModuleFileNameA(self, dll, MAX_PATH);
    const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, what, lstrlenA(what), &written, nullptr);
    WriteFile(file, " ", 1, &written, nullptr);
    WriteFile(file, dll, lstrlenA(dll), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

#ifndef REGTEST_NO_ENTRIES
extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer()
{
    Record("register");
#ifdef REGTEST_FAIL_REGISTER
    return E_FAIL;
#else
    return S_OK;
#endif
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer()
{
    Record("unregister");
    return S_OK;
}
#endif
