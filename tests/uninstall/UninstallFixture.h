// What the uninstall run tests share: a scratch machine (TestSupport.h) with an
// installation folder whose name holds the 0x5C trail bytes of 表 and ソ, the record the
// run reads, the scripted host, and helpers
// for the real registry of the prefix and for files held open by another process.
// Everything a test puts into the registry or the restart list is removed afterwards.
#pragma once
#include "foundation/AppState.h"
#include "services/RunResult.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// An uninstall record as an installation writes it: the sections in file order, each
// list numbered from 1. Damaged records are written as text by the tests themselves.
struct Record {
    std::string installFolder;
    std::vector<std::string> folders;    // [DeleteFolder] Folder1 ...
    std::vector<std::string> files;      // [DeleteFile] File1 ...
    std::vector<std::string> shortcuts;  // [DeleteShortCut] File1 ...
    std::vector<std::string> registry;   // [DeleteRegistry] Key1 ...
    std::vector<std::string> extraFiles; // [AddDeleteFile] File1 ...
    std::vector<std::string> relates;    // [RestoreRelate] Key1 ...
    std::string beforeFile;              // [BeforeUnInstall] File
    std::string uninstallKey;            // [UnSetupRegistryKey] Key
    std::string programId;               // [ProgramID] ID
    std::string setupWord = "インストール";
    std::string unSetupWord = "アンインストール";

    std::string Text() const;
};

// The result words of the eight stage lines, in order: the program before uninstalling,
// files, shortcuts, folders, registry, associations, the installed-programs entry and
// the installation folder.
using StageWords = std::array<std::string, 8>;

class UninstallFixture : public ::testing::Test, protected ScratchMachine {
protected:
    UninstallFixture();
    ~UninstallFixture() override;
    void TearDown() override;

    // Writes the record (as text, or the fixture's own) to the record copy and runs.
    void Run();
    void Run(const std::string& recordText);

    // Besides the machine's folders, each ending in "\".
    std::string app = prg + "表ソ App\\";
    std::string outside = root + "Outside\\"; // named by no record
    std::string work = tmp + "QSTMP1\\";

    AppState state;
    ScriptedHost host;
    Record record;
    RunResult result;

    // Unique to this test in this process: registry names, extensions, program IDs.
    std::string id;

    // Writes a file, creating its folders. The content defaults to the path itself.
    static void Plant(const std::string& path, const std::string& content = {});
    static void MakeFolder(const std::string& folder);
    // Other spellings of a path: ASCII letters in lower case, the system's 8.3 form.
    static std::string Lower(std::string text);
    static std::string ShortPath(const std::string& path);
    // Files planted in every folder of the scratch machine (and, when asked, at the root
    // of drive Q:) that no record names; MissingCanaries lists those gone or changed.
    void PlantCanaries(bool driveRootToo = false);
    // One more canary, anywhere; it is removed at the end.
    void PlantCanary(const std::string& path);
    std::string MissingCanaries() const;

    // Selects option boxes of the uninstaller's panel: "*.INI", "*.GID", then the
    // recorded patterns of CheckBox3 and CheckBox4.
    void SelectBoxes(bool ini, bool gid, const std::string& box3 = {}, const std::string& box4 = {});
    // The delete-all layout: one box captioned UnSetupWord + "フォルダ以下の全ファイル・フォルダ".
    void SelectDeleteAll(bool checked = true);

    // Texts the run is expected to produce, composed from the words in the state.
    std::string ExpectedLog(const StageWords& words, bool failures) const;
    std::string StageLines(const StageWords& words) const;
    std::array<std::string, 8> StageLineTexts() const; // each up to its "．．．"
    // The run went through every stage to its end, whatever it met on the way.
    void ExpectRanToTheEnd() const;
    std::string FailureSummaryLine() const;
    std::string CompletionText() const;
    static std::string FileBlock(const std::string& path, DWORD code, bool remark = false);
    static std::string ShortcutBlock(const std::string& path, DWORD code);
    static std::string FolderBlock(const std::string& path, DWORD code);
    std::string SetupFolderBlock(bool deleteAll) const; // the 145/5 wording
    static std::string RestartRemark();
    // The code RemoveDirectoryA gives for a folder now: the system as the oracle.
    static DWORD RemoveDirectoryCode(const std::string& folder);

    // Registry helpers on the real registry; every key made here is removed afterwards.
    void CreateKey(HKEY root, const std::string& path, const std::optional<std::string>& defaultValue = {});
    static bool KeyExists(HKEY root, const std::string& path);
    static std::optional<std::string> DefaultValue(HKEY root, const std::string& path);
    // HKCU\Software\QuillonTest\<pid>\<id>\ + name.
    std::string UserKey(const std::string& name) const;

    // Shared-file counts in SharedDLLs; every value set here is removed afterwards.
    void SetSharedCount(const std::string& path, DWORD count);

    // The system's restart list is put back as it was when the test scheduled something.
    void KeepRestartList();
    std::string AddedRestartEntries() const;

    // A file or folder held open without sharing by tests/tools/holdfile.exe until the
    // test ends (or Release is called).
    void Hold(const std::string& path);
    void ReleaseHeld();

private:
    std::vector<std::pair<HKEY, std::string>> keys_;
    std::vector<std::string> sharedValues_;
    std::optional<std::optional<std::string>> restartListBefore_;
    std::vector<std::unique_ptr<HeldFile>> held_;
    bool driveRootCanaries_ = false;
    std::vector<std::string> extraCanaries_;
    std::string startFolder_;
    std::vector<std::string> CanaryPaths() const;
};
