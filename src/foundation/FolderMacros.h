// Folder macros: the tokens that scripts write in paths, their values and the
// discovery of the machine's folders at start-up.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The folder values behind the tokens. Every value ends with "\" except InstallFolder
// before a run (the literal "(App)", so the token stays in place) and InstallDrive
// before an install run (empty).
struct FolderValues {
    std::string AppFolder;               // folder of the running executable
    std::string TempFolder;              // (Tmp)
    std::string WindowsFolder;           // (Win)
    std::string SystemFolder;            // (Sys)
    std::string ProgramFilesFolder;      // (Prg)
    std::string MyDocumentsFolder;       // (Myd)
    std::string StartMenuFolder;         // (Smn)
    std::string ProgramsFolder;          // (Sta)
    std::string DesktopFolder;           // (Dsk)
    std::string StartupFolder;           // (Sup)
    std::string SendToFolder;            // (Sen)
    std::string CommonStartMenuFolder;   // (C_Smn)
    std::string CommonProgramsFolder;    // (C_Sta)
    std::string CommonDesktopFolder;     // (C_Dsk)
    std::string CommonStartupFolder;     // (C_Sup)
    std::string CommonDocumentsFolder;   // (C_Myd)
    std::string InstallFolder = "(App)"; // (App)
    std::string BootDrive;               // (Boo)
    std::string InstallDrive;            // (Set)
    std::string ExeDrive;                // (Edr)
};

// The text with every token replaced, in the fixed token order, any letter case.
std::string ExpandFolderMacros(const FolderValues& folders, const std::string& text);

// The file-system path of a shell special folder as the shell gives it, or "".
std::string GetSpecialFolder(std::uint32_t csidl);

// What the discovery asks of the machine; tests replace single answers.
struct FolderPlatform {
    std::function<std::string(std::uint32_t csidl)> specialFolder;
    std::function<std::string()> windowsDirectory; // "" when the call fails
    std::function<std::string()> systemDirectory;  // "" when the call fails
    std::function<std::string()> programFilesDir;  // the registry's ProgramFilesDir value
    std::function<bool(const std::string& path)> fileExists;
    std::function<bool(const std::string& folder)> folderExists;
    std::function<std::string()> tempPath; // "" when the system reports none
};

// The real machine: the shell, GetWindowsDirectoryA, GetSystemDirectoryA, the registry.
FolderPlatform SystemFolderPlatform();

// Sets AppFolder (the folder of exePath) and TempFolder (the system's temporary folder,
// or AppFolder when the system reports none).
void SetStartFolders(FolderValues& folders, const std::string& exePath, const FolderPlatform& platform);

// Fills every folder value except AppFolder and TempFolder, which must be set already.
// osFamily is "NT", "notNT" or "". Returns the fatal start-up lines (each ending in
// CR LF) for a Windows or system folder that cannot be found; "" when all is well.
std::string DiscoverFolders(FolderValues& folders, const std::string& osFamily, const FolderPlatform& platform);

// The drive part of a path: "C:" for a drive letter, "\\server\share" for a network path.
std::string DrivePart(const std::string& path);
