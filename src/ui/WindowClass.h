// Registration of the program's window classes.
#pragma once
#include <windows.h>

// Registers the class in this module unless it is registered already (windows of one
// class may be created many times). background may be nullptr (the window paints all).
bool RegisterWindowClassOnce(const char* className, WNDPROC proc, HBRUSH background);

// The C++ object behind a window. At WM_NCCREATE the object passed as the creation
// parameter is bound to the window (and returned); later messages find it again. The
// caller records the window handle in the object when msg is WM_NCCREATE.
template <class T> T* WindowObject(HWND hwnd, UINT msg, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}
