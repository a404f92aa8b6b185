#include "scripts/InstalledEntry.h"

#include "foundation/IniDocument.h"
#include "services/Registry.h"

InstalledEntry ReadInstalledEntry(const std::string& file, const std::string& unSetupTitle,
                                  const std::string& uninstallerPath, const std::string& recordPath)
{
    return ReadInstalledEntry(IniDocument::Load(file), unSetupTitle, uninstallerPath, recordPath);
}

InstalledEntry ReadInstalledEntry(const IniDocument& script, const std::string& unSetupTitle,
                                  const std::string& uninstallerPath, const std::string& recordPath)
{
    InstalledEntry e;
    // An empty name (a template's "UnSetupKey=") counts as missing: the entry would
    // otherwise be the Uninstall key itself, which holds every program's entry.
    e.KeyName = script.Get("Title", "UnSetupKey", "");
    if (e.KeyName.empty()) e.KeyName = unSetupTitle;
    if (e.KeyName.empty()) e.KeyName = script.Get("Title", "Setup", "");
    if (e.KeyName.empty()) e.KeyName = "Quillon Setup";
    e.DisplayName = script.Get("Title", "UnSetupDisplay", "");
    if (e.DisplayName.empty()) e.DisplayName = e.KeyName;
    e.UninstallerPath = uninstallerPath;
    e.RecordPath = recordPath;
    const auto support = [&](const char* key) { return script.Get("Support", key, ""); };
    e.Publisher = support("Publisher");
    e.URLInfoAbout = support("URLInfoAbout");
    e.DisplayVersion = support("DisplayVersion");
    e.Contact = support("Contact");
    e.HelpLink = support("HelpLink");
    e.HelpTelephone = support("HelpTelephone");
    e.Readme = support("Readme");
    e.URLUpdateInfo = support("URLUpdateInfo");
    e.Comments = support("Comments");
    return e;
}

void WriteInstalledEntry(const InstalledEntry& e)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string key = UninstallKeyPath(e.KeyName);
    if (!reg.OpenKey(key, true)) reg.CreateKey(key); // raises the creation error
    reg.WriteString("DisplayName", e.DisplayName);
    // The uninstaller path stays unquoted; the record path is quoted for blanks.
    reg.WriteExpandString("UninstallString", e.UninstallerPath + " \"" + e.RecordPath + "\"");
    reg.WriteString("DisplayIcon", e.UninstallerPath);
    const auto optional = [&](const char* name, const std::string& value, bool expand) {
        if (value.empty()) return;
        if (expand) reg.WriteExpandString(name, value);
        else reg.WriteString(name, value);
    };
    optional("Publisher", e.Publisher, false);
    optional("URLInfoAbout", e.URLInfoAbout, false);
    optional("DisplayVersion", e.DisplayVersion, false);
    optional("Contact", e.Contact, false);
    optional("HelpLink", e.HelpLink, true);
    optional("HelpTelephone", e.HelpTelephone, false);
    optional("Readme", e.Readme, true);
    optional("URLUpdateInfo", e.URLUpdateInfo, false);
    optional("Comments", e.Comments, false);
    reg.WriteInteger("EstimatedSize", static_cast<std::int32_t>(e.EstimatedSizeKb));
    reg.WriteString("InstallLocation", e.InstallLocation);
    reg.WriteExpandString("QuietUninstallString",
                          e.UninstallerPath + " \"" + e.RecordPath + "\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART");
    reg.WriteInteger("NoModify", 1);
    reg.WriteInteger("NoRepair", 1);
}

void ReadRecordScriptTexts(const std::string& file, RecordTexts& t)
{
    ReadRecordScriptTexts(IniDocument::Load(file), t);
}

void ReadRecordScriptTexts(const IniDocument& script, RecordTexts& t)
{
    t.UnSetupOption = script.Get("Extend", "UnSetupOption", "");
    t.UnSetupCheckBox3 = script.Get("Extend", "UnSetupCheckBox3", "");
    t.UnSetupCheckBox4 = script.Get("Extend", "UnSetupCheckBox4", "");
    t.BeforeReadmeFile = script.Get("BeforeUnInstall", "ReadmeFile", "");
    t.BeforeFile = script.Get("BeforeUnInstall", "File", "");
}
