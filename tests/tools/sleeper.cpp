// A program for the launch tests. It sleeps, then writes where and how it was started
// to the file named by QS_SLEEPER_MARKER (the environment is inherited, so the command
// line stays free for the launcher's exact text):
//   cwd=<current folder>\r\ncmdline=<command line as received>\r\n
// QS_SLEEPER_MS sets the sleep (default 1000 ms). QS_SLEEPER_UNTIL names a file whose
// appearance ends the sleep early, so a test can end it at a state of its own.
#include <windows.h>

#include <cstdlib>
#include <string>

int main()
{
    char value[MAX_PATH] = {};
    DWORD ms = 1000;
    if (GetEnvironmentVariableA("QS_SLEEPER_MS", value, MAX_PATH)) ms = std::strtoul(value, nullptr, 10);
    char until[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QS_SLEEPER_UNTIL", until, MAX_PATH)) {
        const DWORD start = GetTickCount();
        while (GetFileAttributesA(until) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < ms) Sleep(20);
    } else {
        Sleep(ms);
    }

    char marker[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QS_SLEEPER_MARKER", marker, MAX_PATH)) return 2;
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string text = std::string("cwd=") + cwd + "\r\ncmdline=" + GetCommandLineA() + "\r\n";
    // Written under a temporary name and renamed, so a reader never sees half a file.
    const std::string temp = std::string(marker) + ".part";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return MoveFileExA(temp.c_str(), marker, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
