// The fit check run inside the program it looks at. A font handle means something only
// in the process that made it (and Wine does not even pass WM_GETFONT between
// processes), so rundrive hooks this DLL into the program's window thread, as window
// inspectors do, and sends the form kFitCheckMessage: the hook measures every control
// with the font the control reports and writes the verdict into kFitResultMapping.
#include "tools/fit.h"

#include <cstring>

extern "C" __declspec(dllexport) LRESULT CALLBACK FitHook(int code, WPARAM wp, LPARAM lp)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call && call->message == RegisterWindowMessageA(kFitCheckMessage)) {
        const FitResult r = CheckFit(call->hwnd, static_cast<int>(call->wParam));
        std::string text = std::to_string(r.checked) + "\n";
        for (const std::string& fault : r.faults) text += fault + "\n";
        if (HANDLE map = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kFitResultMapping)) {
            if (void* view = MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, kFitResultBytes)) {
                const size_t n = text.size() < kFitResultBytes - 1 ? text.size() : kFitResultBytes - 1;
                std::memcpy(view, text.data(), n);
                static_cast<char*>(view)[n] = '\0';
                UnmapViewOfFile(view);
            }
            CloseHandle(map);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
