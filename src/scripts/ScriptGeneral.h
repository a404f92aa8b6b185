// The general keys of a setup script (and of an uninstall record, which repeats them),
// read with their defaults, and the pre-install checker's answer file.
#pragma once
#include "services/Host.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class IniDocument;

struct GeneralKeys {
    // [Extend]
    std::string SetupString;   // default "インストール"
    std::string UnSetupString; // default "アンインストール"
    std::string SetupSpeed;    // default "350"
    std::string Enabled;
    std::string RejectOS;
    std::string InstallChecker;
    // [Title]
    std::string Setup;   // default "Quillon Setup"
    std::string UnSetup; // default: Setup
    std::string Program;
    std::string CopyRight1;
    std::string CopyRight2;
    // [DefaultFolder]
    std::string DefaultFolder; // Folder, default "(Prg)\"
    std::string ReferRegistry;
    std::string ReferIniFile;
    // [ProgramID]
    std::string ProgramId;
    // [TopMessage] Message1..5
    std::string TopMessages[5];
    // [Caution]
    std::string UnInstallCheckEx; // default "NoData"
    std::string UnInstallCheck;   // default "NoData"
    // [EULA]
    std::string EulaFile;
    std::string EulaScrollBars; // default "ssVertical"
    std::string EulaCheckBox;
    // [Readme]
    std::string ReadmeFile;
    std::string ReadmeTitle;
    std::string ReadmeScrollBars; // default "ssVertical"
    // [ShortCut] Name1, Name2 ... up to the first empty one
    std::vector<std::string> ShortcutNames;
    // Keys found only in an uninstall record
    std::string SetupFolder;      // [SetupFolder] Folder
    std::string UnSetupCheckBox;  // [UnSetupOption] CheckBox
    std::string UnSetupCheckBox3; // [UnSetupOption] CheckBox3
    std::string UnSetupCheckBox4; // [UnSetupOption] CheckBox4
    std::string BeforeReadmeFile; // [BeforeUnInstall] ReadmeFile
};

// Every general key of the script file, each with its default.
GeneralKeys ReadGeneralKeys(const std::string& scriptFile);
// The same from the script already read.
GeneralKeys ReadGeneralKeys(const IniDocument& script);

// Milliseconds between the actions of a run: SetupSpeed as a decimal integer, at least 1.
// A value that is not a decimal integer gives the default 350.
std::int32_t StepDelayFromSetupSpeed(const std::string& setupSpeed);

// True when the options are locked: Enabled is exactly "False".
bool OptionsLocked(const GeneralKeys& keys);

// A file named relative to the program folder: appFolder + value without one leading "\".
std::string ProgramFolderPath(const std::string& appFolder, const std::string& value);

// The program ID of an "IDCheck:<id>" check value (the text between the first and the
// second ":"). isIdCheck is false when the value holds no "IDCheck": it then names a file.
std::string CheckValueProgramId(const std::string& value, bool& isIdCheck);

// The pre-install checker's answer, WindowsFolder + "QSRESULT.INI".
struct CheckerResult {
    bool allowed = false; // [CheckResult] Result is exactly "ContinueInstall"
    std::string message;  // [CheckResult] Message with every "<改行>" turned into CR LF
};
CheckerResult ReadCheckerResult(const std::string& resultFile);

// Runs the pre-install checker named by InstallChecker when the file exists in
// appFolder, waits for it, reads its answer from windowsFolder + "QSRESULT.INI" and
// deletes that file. ran is false (and the result allowed) when there is no checker.
CheckerResult RunInstallChecker(Host& host, const std::string& appFolder, const std::string& windowsFolder,
                                const std::string& checker, bool& ran);

// What the user is told when the checker refuses the installation.
std::string CheckerRefusalText(const std::string& setupWord);

// The uninstaller's four option boxes from the record's [UnSetupOption] keys: "*.INI",
// "*.GID", CheckBox3 and CheckBox4 with the states CheckBox gives them, or, for
// "DeleteAll", one selected box for the whole folder and three hidden ones.
std::array<WizardOptions::Box, 4> UninstallOptionBoxes(const GeneralKeys& keys, const std::string& unSetupWord);
