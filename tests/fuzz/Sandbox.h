// Where the fuzzed runs happen and what keeps them there.
//
// A drive letter of its own is mapped onto a scratch folder of the prefix, and every
// folder value of the runs lies on it; its root, ".." at its root and relative paths all
// stay on it. Every file the fuzzer hands to the product is sanitised (other drive
// letters become this one; doubled separators and "\??\" prefixes are broken up) and
// vetted as the product's own readers will see it, in every encoding a reader might take
// it for: registry keys only below Software\QuillonFuzz\<run>, extensions only with the
// prefix qfz<run>, the installed-programs entry only "QuillonFuzz <run>", programs to run
// only in X:\qfz-none\ (a file, so nothing is ever found there), INI files never by bare
// name (that is the system's Windows folder), no component named like one of the system.
// A file that fails is not run.
#pragma once
#include "foundation/FolderMacros.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct SandboxConfig {
    char drive = 0;    // the mapped drive letter
    std::string runId; // six digits: the parent's process id
    std::string base;  // the scratch folder on C: that holds the drive's folder
};

// What the file system holds: normalised (upper-case, full) path -> entry.
struct TreeEntry {
    bool folder = false;
    std::uint64_t size = 0;
};
using Tree = std::map<std::string, TreeEntry>;

class Sandbox {
public:
    // Parent: the scratch folder, a free drive letter mapped onto it. False with a
    // reason when the prefix does not allow it.
    static bool Create(SandboxConfig& config, std::string& error);
    // Parent: unmaps the drive, removes the scratch folder and every registry key,
    // value and extension the run may have made.
    static void Destroy(const SandboxConfig& config);

    explicit Sandbox(SandboxConfig config);

    const SandboxConfig& Config() const { return config_; }
    std::string Root() const; // "X:\"
    std::string Path(const std::string& rel) const { return Root() + rel; }
    // Empties the drive and makes the folders of the layout (package, work, temporary,
    // Windows, system, shell folders, installations) and the file qfz-none.
    void ResetTree() const;
    // The folder values of the runs, all on the drive.
    FolderValues Folders() const;

    // The fuzzer's placeholders put in: "@RUN@", and in records the exact-case folder
    // macros (a record holds paths, not macros).
    std::string Substitute(const std::string& bytes, bool recordMacros, const std::string& installFolder) const;
    // Other drive letters, doubled separators and NT path prefixes made harmless.
    std::string Sanitise(std::string bytes) const;
    // Registry keys the product may write or delete, as its readers see the final file.
    // Each returns "" when the file may be run, else why not.
    std::string VetText(const std::string& finalBytes) const;
    std::string VetScript(const std::string& file, const FolderValues& runFolders, const std::string& unSetupTitle) const;
    std::string VetRecord(const std::string& file, const std::string& installFolder) const;
    // True for a registry key path of this run (below Software\QuillonFuzz\<run>).
    bool IsFuzzKey(const std::string& keyPath) const;
    bool IsFuzzExtension(const std::string& extension) const;

    // Canaries: files and folders in the places nothing may touch (the drive's root, the
    // parent of the installations and a sibling folder, the Windows, system, temporary
    // and every shell folder, and the scratch folder outside the drive). Placed fresh;
    // CheckCanaries lists every one missing or changed.
    void PlaceCanaries() const;
    std::vector<std::string> CanaryPaths() const;
    bool CanaryIntact(const std::string& path) const;

    // The drive's whole tree.
    Tree Snapshot() const;

    // Removes what one case may have left in the registry and puts the shared counts and
    // the pending renames back as they were when the sandbox was made.
    void CleanRegistry() const;
    // Registry things nothing may touch; the reasons when one is gone.
    std::vector<std::string> CheckRegistryGuards() const;

private:
    SandboxConfig config_;
    std::set<std::string> systemNames_; // upper-case file names of the system folders
    std::map<std::string, std::string> sharedDlls_;
    std::optional<std::string> pendingRenames_;
};

// The full, upper-case form of a path as the file system resolves it (".." folded,
// trailing dots and blanks dropped), without a trailing "\" except at a root.
std::string Normalise(const std::string& path);
// The path in upper case as the file system compares names.
std::string UpperPath(const std::string& path);
// True when path is folder or lies below it (both normalised).
bool Within(const std::string& path, const std::string& folder);
