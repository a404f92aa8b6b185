// Shared-file counting in the system's SharedDLLs register, and self-registration of
// DLL and OCX components.
#pragma once
#include "services/Host.h"
#include "services/Registry.h"

#include <string>

// The count of path in the key SharedDLLs under
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion (created when
// missing); 0 when absent or not an integer.
int GetSharedCount(const std::string& path);

// Adds (increment) or removes one user of path and returns the new count. An existing
// file that neither this count nor otherUsers (OtherBuildCount) counts stands for one
// earlier user; counting down to 0, or below (-1, an uncounted file), deletes the value.
int ChangeSharedCount(const std::string& path, bool increment, int otherUsers = 0);

// The users of path that the other build's installations counted: its count in the view
// beside the view of bits (services/Views.h; 0: this build's own). Both builds' counts
// together tell whether a file is still used. 0 for a file in systemFolder, since each
// build's system folder is a folder of its own (System32, SysWOW64), and on a 32-bit
// Windows, which has one view.
int OtherBuildCount(const std::string& path, const std::string& systemFolder, int bits = 0);

// The register for a run that asks about many files: an uninstallation asks about
// every file of its record, an installation about every shared entry. Same answers and
// changes as GetSharedCount and ChangeSharedCount, but the key is opened (created when
// missing) once, at the first question, instead of once or twice per file; a key
// deleted meanwhile is opened afresh, as the next single lookup would.
class SharedCountRegister {
public:
    // Counts in the registry view of bits from now on (0, the default: this build's own).
    void SetView(int bits);
    int Count(const std::string& path);
    int Change(const std::string& path, bool increment, int otherUsers = 0);

private:
    void Open();
    // True when the open key has been deleted since it was opened.
    bool KeyDeleted() const;

    TRegistry registry_;
    int bits_ = 0;
};

// OtherBuildCount for a run that asks about many files: the other view's key, which
// takes Wine ten times as long to open as a key of the process's own view, is opened
// once, and again only when it could not be opened or was deleted meanwhile.
class OtherBuildCounts {
public:
    explicit OtherBuildCounts(int bits = 0) : bits_(bits) {}
    // For the counts beside the view of bits from now on.
    void SetView(int bits)
    {
        bits_ = bits;
        registry_.CloseKey();
    }
    int Count(const std::string& path, const std::string& systemFolder);

private:
    int bits_;
    TRegistry registry_;
};

// Calls the component's DllRegisterServer (registerIt) or DllUnregisterServer. Returns
// true only when DllRegisterServer was called and returned 0. Registration problems are
// reported through the host (a load failure only when runMode is "SETUP");
// unregistration reports nothing.
bool RegisterComponent(Host& host, const std::string& runMode, const std::string& path, bool registerIt);

// True when the path contains ".DLL" or ".OCX" anywhere, in any letter case.
bool IsComponentFile(const std::string& path);
