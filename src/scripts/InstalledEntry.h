// The entry of an installation in the system's list of installed programs, and the
// script texts the installer passes on to the uninstaller.
#pragma once
#include "scripts/UninstallRecord.h"

#include <cstdint>
#include <string>

class IniDocument;

struct InstalledEntry {
    std::string KeyName;         // [Title] UnSetupKey, default UnSetupTitle
    std::string DisplayName;     // [Title] UnSetupDisplay, default KeyName
    std::string UninstallerPath; // WindowsFolder + "UNQUILLN.EXE"
    std::string RecordPath;      // InstallFolder + "UNSETUP.INI"
    // [Support], written only when not empty.
    std::string Publisher, URLInfoAbout, DisplayVersion, Contact, HelpLink, HelpTelephone, Readme, URLUpdateInfo,
        Comments;
    // What deployment tools read besides: the size of the installed files in KB, the
    // installation folder; with them the entry also names the unattended removal
    // (QuietUninstallString) and says it offers no change or repair.
    std::uint32_t EstimatedSizeKb = 0;
    std::string InstallLocation;
};

// Reads the entry's texts from the script; unSetupTitle is the default key name.
InstalledEntry ReadInstalledEntry(const std::string& scriptFile, const std::string& unSetupTitle,
                                  const std::string& uninstallerPath, const std::string& recordPath);
InstalledEntry ReadInstalledEntry(const IniDocument& script, const std::string& unSetupTitle,
                                  const std::string& uninstallerPath, const std::string& recordPath);

// Creates HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<key> and
// writes its values in their order. Raises RegistryError when a value cannot be written.
void WriteInstalledEntry(const InstalledEntry& entry);

// Fills the record texts that come straight from the script: the uninstaller's options
// and the [BeforeUnInstall] texts.
void ReadRecordScriptTexts(const std::string& scriptFile, RecordTexts& texts);
void ReadRecordScriptTexts(const IniDocument& script, RecordTexts& texts);
