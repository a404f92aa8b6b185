// A DLL that stands for one planted beside a program by an attacker. Loading it is
// harmless; the loader's trace shows whether it was picked up.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
