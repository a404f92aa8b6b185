// A pre-install checker for the wizard tests. It answers through QSRESULT.INI in the
// Windows folder as the environment tells it (the installer starts it without
// parameters, and the environment is inherited):
//   QS_CHECKER_RESULT   the Result value ("ContinueInstall" allows)
//   QS_CHECKER_MESSAGE  the Message value (optional)
//   QS_CHECKER_MODE     "silent": write nothing; "crash": end abnormally, writing nothing
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {
std::string Env(const char* name)
{
    // Wine's ANSI call copies as many bytes as the value has characters, cutting
    // double-byte text; the wide call and a conversion are exact.
    wchar_t wideName[64] = {};
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64);
    wchar_t value[4096] = {};
    const DWORD n = GetEnvironmentVariableW(wideName, value, 4096);
    if (n == 0 || n >= 4096) return {};
    char text[8192] = {};
    WideCharToMultiByte(CP_ACP, 0, value, -1, text, sizeof text, nullptr, nullptr);
    return text;
}
} // namespace

int main()
{
    const std::string mode = Env("QS_CHECKER_MODE");
    if (mode == "crash") std::abort();
    if (mode == "silent") return 0;
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string file = std::string(windows) + "\\QSRESULT.INI";
    WritePrivateProfileStringA("CheckResult", "Result", Env("QS_CHECKER_RESULT").c_str(), file.c_str());
    const std::string message = Env("QS_CHECKER_MESSAGE");
    if (!message.empty()) WritePrivateProfileStringA("CheckResult", "Message", message.c_str(), file.c_str());
    return 0;
}
