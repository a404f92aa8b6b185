// Helpers shared by the test programs: scratch folders, waits for states and small file
// utilities that use the plain Win32 API, independent of the code under test.
#pragma once
#include "foundation/FolderMacros.h"
#include "foundation/Handles.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

// The upper bound of every wait for a state in the tests. Generous, so that only a real
// failure reaches it, also on a loaded machine; a passing test never waits that long.
constexpr DWORD kPatienceMs = 60000;

// Polls the condition until it holds (true) or the time is over (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kPatienceMs);

// Folders for the shell's folder browser to open at. The browser finds each level of
// the path by comparing item IDs, and Wine's IDs hold a folder's modification and last
// access times, so a level whose times move while the browser looks is not found and the
// selection stays at the top. Two things move them: changes inside a folder (the shared
// temporary folder changes whenever a test program beside this one makes or removes a
// scratch folder) and the first listing of a folder after a change (Linux "relatime").
// So make them in a ScratchFolder under kBrowserParent (a drive root's ID holds no times)
// and call SettleForBrowser on the folder once it is complete.
constexpr char kBrowserParent[] = "C:\\";
// Lists every folder of the path below its drive root once, so that their access times
// have moved for the last time.
void SettleForBrowser(const std::string& path);

// A fresh folder under the system temporary folder (or under `parent`), removed with
// its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder path, ending in "\".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// A machine's folders in a scratch folder: Windows, system, temporary, Program Files and
// the shell folders, per user and common, each made and ending in "\". SetFolders names them in
// the folder values of a run (boot drive and the drive of the program: C:\).
struct ScratchMachine {
    ScratchMachine();
    void SetFolders(FolderValues& v) const;

    ScratchFolder scratch;
    std::string root = scratch.path();
    std::string win = root + "Windows Folder\\";
    std::string sys = win + "System32\\";
    std::string tmp = root + "Temp\\";
    std::string prg = root + "Program Files\\";
    std::string smn = root + "Profile\\Start Menu\\";
    std::string sta = smn + "Programs\\";
    std::string sup = sta + "Startup\\";
    std::string dsk = root + "Profile\\Desktop\\";
    std::string sen = root + "Profile\\SendTo\\";
    std::string myd = root + "Profile\\My Documents\\";
    std::string csmn = root + "All Users\\Start Menu\\";
    std::string csta = csmn + "Programs\\";
    std::string csup = csta + "Startup\\";
    std::string cdsk = root + "All Users\\Desktop\\";
    std::string cmyd = root + "All Users\\Documents\\";
};

// True when a file or folder of that path exists.
bool Exists(const std::string& path);

// The shared-file count of path (SharedDLLs under HKEY_LOCAL_MACHINE, in the registry view
// of bits: 32, 64, or 0 for this program's own); -1 when there is no such value.
long SharedCount(const std::string& path, int bits = 0);

// The QuietUninstallString of the installed-programs entry keyName (in the view of bits),
// split where a deployment tool splits it: the program, then its arguments. Both empty
// when there is no such entry.
struct CommandParts {
    std::string program, arguments;
};
CommandParts QuietUninstallCommand(const std::string& keyName, int bits = 0);

// Runs a program and waits for it to end; its exit code, or -1 when it could not be
// started or had not ended within the time (it is then ended).
int RunProgram(std::string commandLine, DWORD timeoutMs = kPatienceMs);

#ifdef QS_WINTOOL_EXE
// The command line of tests/tools/wintool acting on this process's windows only: test
// programs running side by side show windows with the same captions.
inline std::string WintoolCommand(const std::string& args)
{
    return std::string("\"" QS_WINTOOL_EXE "\" -p ") + std::to_string(GetCurrentProcessId()) + " " + args;
}
#endif

// Starts a Linux program under Wine, named by its Linux path below \\?\unix (the test
// prefixes have no drive for the Linux root): "\\?\unix\bin\sh -c ...". Wine reports
// no end of such a program; callers wait for what it makes.
bool StartUnixProgram(std::string commandLine);

// The Linux path of a Windows path under Wine ("" when there is none).
std::string UnixPath(const std::string& windowsPath);
// Makes link a Linux symbolic link to the folder target, as a program outside Wine could
// plant one (Wine shows it as a directory with the reparse-point attribute). False when
// it could not be made.
bool PlantSymbolicLink(const std::string& target, const std::string& link);

// Changes the medium in a drive of this prefix, as a user changes a disk: drive letter
// (the link in the prefix's dosdevices folder) is re-pointed at folder, so the next open
// on the drive finds folder's files and nothing of the medium before. Waits until the
// drive shows them; false when it could not be done.
bool ChangeMedium(char drive, const std::string& folder);

// Writes bytes to a file, replacing it. Returns false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Reads a whole file; "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Every file below folder (ending in "\"), however deep, as full paths.
void ListFiles(const std::string& folder, std::vector<std::string>& out);
// Removes a folder tree, clearing read-only attributes first.
void RemoveTree(const std::string& folder);

// An INI file of the shapes scripts and damaged records come in (headers without a
// closing bracket, lines without "=", quotes, blanks, long values, double-byte names);
// every name it uses goes to names.
std::string RandomIni(std::mt19937& rng, std::set<std::string>& names);

// A throwaway key HKCU\Software\QuillonTest\<pid>\<name>, created empty and opened into
// key. Returns its path under HKEY_CURRENT_USER, or "" when it cannot be created.
std::string CreateScratchRegistryKey(const std::string& name, UniqueRegKey& key);
// Removes a key made by CreateScratchRegistryKey with its tree; the parents go only when
// empty, so parallel test runs keep theirs.
void RemoveScratchRegistryKey(const std::string& path);

// The system's list of renames and deletions at the next start (the Session Manager's
// PendingFileRenameOperations, zero-separated): its bytes, or nullopt when there is none.
// Tests that schedule entries put it back as it was, since Wine carries them out when
// the prefix starts next.
std::optional<std::string> ReadPendingRenames();
void WritePendingRenames(const std::optional<std::string>& value);

// A file or folder held open by tests/tools/holdfile.exe (holdfileExe) from a second
// process for the object's lifetime, as a program that has it in use holds it: by
// default for reading without sharing; with a share mask (FILE_SHARE_*) a file is held
// for reading and writing, sharing what the mask allows, as a program that keeps a log or
// a database open does.
class HeldFile {
public:
    HeldFile(const std::string& holdfileExe, const std::string& path, DWORD shareMask = 0);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // True once the second process holds the path.
    bool held() const { return held_; }
    // What went wrong when it does not.
    const std::string& error() const { return error_; }

private:
    UniqueKernelHandle ready_, release_, process_;
    bool held_ = false;
    std::string error_;
};
