#include "scripts/ScriptGeneral.h"

#include "foundation/IniDocument.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "scripts/ScriptLists.h"

#include <charconv>

GeneralKeys ReadGeneralKeys(const std::string& file)
{
    return ReadGeneralKeys(IniDocument::Load(file));
}

GeneralKeys ReadGeneralKeys(const IniDocument& script)
{
    // One reading of the file answers every key: each profile call opens the file again
    // and has the system parse all of it once more.
    const auto read = [&](const char* section, const char* key, const std::string& def = "") {
        return script.Get(section, key, def);
    };
    GeneralKeys k;
    k.SetupString = read("Extend", "SetupString", "インストール");
    k.UnSetupString = read("Extend", "UnSetupString", "アンインストール");
    k.SetupSpeed = read("Extend", "SetupSpeed", "350");
    k.Enabled = read("Extend", "Enabled");
    k.RejectOS = read("Extend", "RejectOS");
    k.InstallChecker = read("Extend", "InstallChecker");
    k.Setup = read("Title", "Setup", "Quillon Setup");
    k.UnSetup = read("Title", "UnSetup", k.Setup);
    k.Program = read("Title", "Program");
    k.CopyRight1 = read("Title", "CopyRight1");
    k.CopyRight2 = read("Title", "CopyRight2");
    k.DefaultFolder = read("DefaultFolder", "Folder", "(Prg)\\");
    k.ReferRegistry = read("DefaultFolder", "ReferRegistry");
    k.ReferIniFile = read("DefaultFolder", "ReferIniFile");
    k.ProgramId = read("ProgramID", "ID");
    for (int i = 0; i < 5; ++i) k.TopMessages[i] = read("TopMessage", ("Message" + std::to_string(i + 1)).c_str());
    k.UnInstallCheckEx = read("Caution", "UnInstallCheckEx", "NoData");
    k.UnInstallCheck = read("Caution", "UnInstallCheck", "NoData");
    k.EulaFile = read("EULA", "File");
    k.EulaScrollBars = read("EULA", "ScrollBars", "ssVertical");
    k.EulaCheckBox = read("EULA", "CheckBox");
    k.ReadmeFile = read("Readme", "File");
    k.ReadmeTitle = read("Readme", "Title");
    k.ReadmeScrollBars = read("Readme", "ScrollBars", "ssVertical");
    k.ShortcutNames = ReadOpenList(script, "ShortCut", "Name");
    k.SetupFolder = read("SetupFolder", "Folder");
    k.UnSetupCheckBox = read("UnSetupOption", "CheckBox");
    k.UnSetupCheckBox3 = read("UnSetupOption", "CheckBox3");
    k.UnSetupCheckBox4 = read("UnSetupOption", "CheckBox4");
    k.BeforeReadmeFile = read("BeforeUnInstall", "ReadmeFile");
    return k;
}

std::int32_t StepDelayFromSetupSpeed(const std::string& setupSpeed)
{
    std::int32_t value = 0;
    const char* first = setupSpeed.data();
    const char* last = first + setupSpeed.size();
    if (first != last && *first == '+') ++first; // a sign is part of a decimal integer
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || setupSpeed.empty()) return 350;
    return value < 1 ? 1 : value;
}

bool OptionsLocked(const GeneralKeys& keys)
{
    return keys.Enabled == "False";
}

std::string ProgramFolderPath(const std::string& appFolder, const std::string& value)
{
    return appFolder + RemoveBackslash(value, "T");
}

std::string CheckValueProgramId(const std::string& value, bool& isIdCheck)
{
    isIdCheck = PosNoCase("IDCheck", value) != 0;
    return isIdCheck ? GetField(value, ":", 2) : std::string();
}

CheckerResult ReadCheckerResult(const std::string& resultFile)
{
    CheckerResult r;
    r.allowed = ReadIniString("CheckResult", "Result", "", resultFile) == "ContinueInstall";
    r.message = ReplaceToken(ReadIniString("CheckResult", "Message", "", resultFile), "<改行>", "\r\n");
    return r;
}

std::array<WizardOptions::Box, 4> UninstallOptionBoxes(const GeneralKeys& keys, const std::string& unSetupWord)
{
    std::array<WizardOptions::Box, 4> boxes{};
    const std::string o = keys.UnSetupCheckBox.empty() ? "0,0,0,0" : keys.UnSetupCheckBox;
    if (o == "DeleteAll") {
        boxes[0] = {unSetupWord + "フォルダ以下の全ファイル・フォルダ", true, true, true};
        return boxes;
    }
    const auto ticked = [&o](std::size_t position) { return o.size() >= position && o[position - 1] == '1'; };
    boxes[0] = {"*.INI", ticked(1), true, true};
    boxes[1] = {"*.GID", ticked(3), true, true};
    boxes[2] = {keys.UnSetupCheckBox3, ticked(5), !keys.UnSetupCheckBox3.empty(), true};
    boxes[3] = {keys.UnSetupCheckBox4, ticked(7), !keys.UnSetupCheckBox4.empty(), true};
    return boxes;
}

std::string CheckerRefusalText(const std::string& setupWord)
{
    const std::string& s = setupWord;
    return s + "チェック機能により、" + s +
           "は続行不可能と判断されました。\r\n"
           "詳細については、プログラム配布者へご確認ください。\r\n" +
           s + "を続行することはできません。";
}
