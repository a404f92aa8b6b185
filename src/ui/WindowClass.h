// Registration of the program's window classes.
#pragma once
#include <windows.h>

// Registers the class in this module unless it is registered already (windows of one
// class may be created many times). background may be nullptr (the window paints all).
bool RegisterWindowClassOnce(const char* className, WNDPROC proc, HBRUSH background);
