// The stages of an installation run, in the order InstallRun calls them. Each works on
// the run's context; an abort check throws RunAborted, a refusal RunStopped.
#pragma once
#include "install/InstallContext.h"

// Preparation and checks.
void PrepareRun(InstallContext& run);           // option snapshot, progress window, greeting
void GatherInformation(InstallContext& run);    // stage 1: the associations
void ComputeRequiredSpace(InstallContext& run); // stage 2: sizes of the sources
void CheckFreeSpace(InstallContext& run);       // stage 3
void CheckInstallFolder(InstallContext& run);   // stage 4: confirm and create it
void TakeInPreviousRecord(InstallContext& run); // earlier record; the abort button on

// Folders and files.
void CreateFolders(InstallContext& run);
void CopyFiles(InstallContext& run);

// Shortcuts, registry, INI settings, associations.
void CreateShortcuts(InstallContext& run);
void WriteRegistryValues(InstallContext& run);
void WriteIniSettings(InstallContext& run);
void AddUninstallerEntries(InstallContext& run);
void SetUpAssociations(InstallContext& run);

// Closing steps and completion.
void RecordInstallation(InstallContext& run); // uninstaller copy, register, record
void OfferFailureDetails(InstallContext& run);
void ShowCompletion(InstallContext& run, RunResult& result);

// The file's size from its directory entry; false when it cannot be read (a missing
// file or a folder).
bool ReadFileSize(const std::string& path, std::int64_t& size);
// Adds path's size to bytes while sizeMode holds, as the progress counts it: an empty
// file is one byte; a file that cannot be sized (or a negative size) turns sizeMode off,
// and so does, with needAge (the sizing stage), one whose date FileAge cannot give.
// False when the size could not be read.
bool AddCountedSize(const std::string& path, std::int64_t& bytes, bool& sizeMode, bool needAge);
