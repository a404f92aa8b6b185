// Holds a file open without sharing, as a running program holds its own DLL, until the
// test lets go. usage: holdfile <file> <ready event> <release event>
// Opens the existing file with no sharing, sets the ready event, and closes the file
// once the release event is set (after 60 s at the latest). Exit code 0, or 1 when the
// file or the events could not be opened.
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 4) return 1;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!ready || !release) return 1;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(file);
    return 0;
}
