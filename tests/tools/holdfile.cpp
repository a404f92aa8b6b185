// Holds a file or folder open without sharing, as a program that has it in use would,
// until the test lets go:
//   holdfile <path> <event name>
// The test creates the manual-reset events <name>.held and <name>.release first. Once the
// path is open, <name>.held is set; the handle is closed when <name>.release is set (or
// after two minutes, so a test that died leaves nothing held). Exit code 0 after letting
// go, 2 when the path could not be opened, 3 when the events are missing.
#include <windows.h>

#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) return 3;
    const std::string name = argv[2];
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + ".held").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (name + ".release").c_str());
    if (!held || !release) return 3;

    // A folder can only be opened with backup semantics.
    const DWORD attributes = GetFileAttributesA(argv[1]);
    const DWORD flags = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                            ? FILE_FLAG_BACKUP_SEMANTICS
                            : 0;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    SetEvent(held);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
}
