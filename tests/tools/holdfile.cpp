// Holds a file or folder open without sharing, as a program that has it in use would,
// until the test lets go:
//   holdfile <path> <event name> [share mask]
// The test creates the manual-reset events <name>.held and <name>.release first. Once the
// path is open, <name>.held is set; the handle is closed when <name>.release is set (or
// after two minutes, so a test that died leaves nothing held). With a share mask
// (FILE_SHARE_* bits) a file is held for reading and writing and shares what the mask
// allows, as a program that keeps a log or a database open does. Exit code 0 after letting
// go, 2 when the path could not be opened, 3 when the events are missing.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) return 3;
    const DWORD share = argc == 4 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 0;
    const std::string name = argv[2];
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + ".held").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (name + ".release").c_str());
    if (!held || !release) return 3;

    // A folder can only be opened with backup semantics.
    const DWORD attributes = GetFileAttributesA(argv[1]);
    const DWORD flags = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                            ? FILE_FLAG_BACKUP_SEMANTICS
                            : 0;
    const DWORD access = argc == 4 && !flags ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE file = CreateFileA(argv[1], access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    SetEvent(held);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
}
