// The stages after the files: shortcuts governed by the wizard's options, registry
// values, INI settings, the script's extra entries for the uninstaller, and file
// associations with the class each extension had before.
#include "install/InstallStages.h"

#include "foundation/FilePrim.h"
#include "foundation/Handles.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "scripts/ScriptActions.h"
#include "services/Registry.h"
#include "services/Shortcut.h"

#include <windows.h>

namespace {

bool OptionAllows(const InstallContext& run, ShortcutOption option)
{
    switch (option) {
    case ShortcutOption::Desktop: return run.options.boxes[0].checked;
    case ShortcutOption::StartMenu: return run.options.boxes[1].checked;
    case ShortcutOption::Startup: return run.options.boxes[2].checked;
    case ShortcutOption::SendTo: return run.options.boxes[3].checked;
    case ShortcutOption::Always: break;
    }
    return true;
}

void WriteValue(TRegistry& registry, const std::string& name, const RegistryValue& value)
{
    switch (value.kind) {
    case RegistryValueKind::None: break;
    case RegistryValueKind::String: registry.WriteString(name, value.text); break;
    case RegistryValueKind::ExpandString: registry.WriteExpandString(name, value.text); break;
    case RegistryValueKind::Dword: registry.WriteInteger(name, static_cast<std::int32_t>(value.number)); break;
    case RegistryValueKind::Binary: {
        const BYTE bytes[4] = {static_cast<BYTE>(value.number), static_cast<BYTE>(value.number >> 8),
                               static_cast<BYTE>(value.number >> 16), static_cast<BYTE>(value.number >> 24)};
        registry.WriteBinaryData(name, bytes, sizeof bytes);
        break;
    }
    }
}

// The command line of an association: the program, quoted when it holds a blank, and
// the parameters.
std::string CommandLine(const RelateEntry& r)
{
    const std::string parameters = r.parameter1.empty() ? r.parameter2 : r.parameter1 + " " + r.parameter2;
    std::string command = PosNoCase(" ", r.program) ? "\"" + r.program + "\"" : r.program;
    if (!parameters.empty()) command += " " + parameters;
    return command;
}

void WriteDefault(const std::string& key, const std::string& value)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!registry.OpenKey(key, true)) registry.CreateKey(key); // raises the creation error
    registry.WriteString("", value);
}

void Associate(InstallContext& run, const RelateEntry& r)
{
    const std::string icon = r.program + "," + r.iconIndex;
    {
        // The class the extension had before this program took it over, kept once.
        TRegistry registry;
        registry.SetRootKey(HKEY_CLASSES_ROOT);
        const std::string key = "." + r.extension;
        if (!registry.OpenKey(key, true)) registry.CreateKey(key);
        const bool hadDefault = registry.ValueExists("");
        AddRelateSlot(run.record, r.extension, hadDefault, hadDefault ? registry.ReadString("") : std::string());
    }
    const std::string cls = r.extension + "_auto_file";
    WriteDefault("." + r.extension, cls);
    WriteDefault(cls, r.description);
    WriteDefault(cls + "\\DefaultIcon", icon);
    WriteDefault(cls + "\\shell\\" + r.verb + "\\command", CommandLine(r));
    run.host.Log("関連付け ." + r.extension + " -> " + cls + " " + CommandLine(r));
}

} // namespace

void CreateShortcuts(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, "ショートカットを作成しています．．．", "なし");
    for (const ShortcutEntry& e : ReadShortcuts(run.Folders(), run.script)) {
        if (!OptionAllows(run, e.option)) {
            run.host.Log("ショートカット（オプションにより作成しない） " + e.linkPath);
            continue;
        }
        run.Show("【作成元】" + e.target + "\r\n【作成先】" + RemoveBackslash(e.linkPath, "T") + "\r\n");
        run.AbortCheck();
        ShellLinkFailure failure;
        const std::string made = CreateShortcut(e.target, e.linkPath, e.workingFolder, e.arguments, &failure);
        if (made.empty()) run.host.Log("ショートカット作成 " + e.linkPath + " -> エラー " + failure.text);
        run.Pace();
        // Only a link that exists is recorded: the uninstaller would report the rest as
        // missing, and an empty line would end its list.
        if (!made.empty() && FileAge(made) != -1) {
            run.host.Log("ショートカット作成 " + made + " -> 成功");
            run.record.DeleteShortCut.Add(made);
        } else if (!made.empty()) {
            run.host.Log("ショートカット作成 " + made + " -> 失敗");
        }
        s.StepResult = "完了";
    }
}

void WriteRegistryValues(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, "レジストリキーを作成しています．．．", "なし");
    for (const RegistryEntry& e : ReadRegistryEntries(run.Folders(), run.script)) {
        run.Show();
        run.AbortCheck();
        // The result word is set whether or not the registry layer raised an error; the
        // error itself ends the run (the caller reports it).
        const ScopeExit done([&s] { s.StepResult = "完了"; });
        TRegistry registry;
        registry.SetRootKey(RootKeyFromToken(e.rootToken));
        registry.CreateKey(e.keyPath);
        registry.OpenKey(e.keyPath, true);
        WriteValue(registry, e.valueName, e.value);
        run.host.Log("レジストリ " + e.rootToken + "\\" + e.keyPath + " [" + e.valueName + "] -> 成功");
    }
}

void WriteIniSettings(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, "INIファイルを設定しています．．．", "なし");
    for (const IniEntry& e : ReadIniEntries(run.Folders(), run.script)) {
        run.Show();
        run.AbortCheck();
        const bool written = WriteIniString(e.section, e.key, e.value, e.file);
        run.host.Log("INI " + e.file + " [" + e.section + "] " + e.key + "=" + e.value +
                     (written ? " -> 成功" : " -> 失敗"));
        s.StepResult = "完了";
    }
}

void AddUninstallerEntries(InstallContext& run)
{
    for (const std::string& key : ReadDeleteRegistryKeys(run.script)) run.record.DeleteRegistry.Add(key);
    for (const std::string& file : ReadAddDeleteFiles(run.Folders(), run.script)) run.record.AddDeleteFile.Add(file);
}

void SetUpAssociations(InstallContext& run)
{
    AppState& s = run.state;
    const StageLine line(run, "関連付けを設定しています．．．", "なし");
    for (const auto& [name, file] : run.associations) {
        run.Show();
        run.AbortCheck();
        // Expanded now that "(App)" is the chosen folder.
        const auto r = ParseRelate(run.Folders(), name, file);
        // An empty extension would name the key "." itself.
        if (!r || r->extension.empty()) continue;
        if (run.Ask("拡張子 *." + r->extension + " を\r\n" + r->program + "\r\nに関連付けします。よろしいですか？",
                    "関連付けの確認", MB_YESNO | MB_ICONQUESTION, IDYES) == IDNO) {
            run.host.Log("関連付けしない ." + r->extension);
            continue;
        }
        Associate(run, *r);
        s.StepResult = "完了";
    }
}
