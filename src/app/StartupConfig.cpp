#include "app/StartupConfig.h"

#include "foundation/FolderMacros.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "foundation/FilePrim.h"
#include "services/Registry.h"

namespace {

const char kCrLf[] = "\r\n";

std::string ProgramRegisterFile(const AppState& state)
{
    return RemoveBackslash(state.WindowsFolder, "B") + "\\QUSET98.INI";
}

std::string ReadReferIniFile(const AppState& state, const std::string& entry)
{
    const std::string value = ExpandFolderMacros(state, entry);
    const std::string file = GetField(value, ",", 3);
    // The profile API would read WIN.INI for an empty file name.
    if (file.empty()) return "";
    return ReadIniString(GetField(value, ",", 1), GetField(value, ",", 2), "", file);
}

CheckBoxState ShortcutBox(const GeneralKeys& keys, const char* token, bool locked)
{
    CheckBoxState box;
    for (const std::string& name : keys.ShortcutNames) {
        if (PosNoCase(token, name) != 0) box.checked = true;
    }
    box.enabled = box.checked && !locked;
    return box;
}

std::string MessageText(const AppState& state, const GeneralKeys& keys)
{
    if (!!state.IsUninstaller()) {
        return state.UnSetupWord + "を行います。" + kCrLf + kCrLf + "開始するには、「" + state.UnSetupWord +
               "開始(S)」を選択してください。" + kCrLf;
    }
    std::string text;
    for (const std::string& line : keys.TopMessages) text += line + kCrLf;
    if (text == std::string(kCrLf) + kCrLf + kCrLf + kCrLf + kCrLf) text = state.SetupWord + "を行います。" + kCrLf;
    return text;
}

} // namespace

std::string CreditsText(const GeneralKeys& keys)
{
    const std::string text = keys.CopyRight1 + kCrLf + keys.CopyRight2;
    if (text == kCrLf) return std::string("Quillon Installer") + kCrLf + "Setup engine for Windows";
    return text;
}

std::string ReadReferRegistry(const std::string& entry)
{
    const RegistryPath path = SplitRegistryPath(GetField(entry, ",", 1));
    const std::string valueName = GetField(entry, ",", 2);
    TRegistry registry;
    registry.SetRootKey(RootKeyFromToken(path.rootToken));
    if (!registry.KeyExists(path.keyPath) || !registry.OpenKey(path.keyPath, false)) return "";
    try {
        return registry.ReadString(valueName);
    } catch (const RegistryError&) {
        return ""; // a value of another type names no folder
    }
}

std::string DefaultFolderSource(const AppState& state, const GeneralKeys& keys)
{
    if (!!state.IsUninstaller()) return keys.SetupFolder;

    std::string folder = keys.DefaultFolder;
    if (!keys.ProgramId.empty()) folder = ReadIniString(keys.ProgramId, "Folder", folder, ProgramRegisterFile(state));
    if (!keys.ReferRegistry.empty()) {
        const std::string found = ReadReferRegistry(keys.ReferRegistry);
        if (!found.empty()) folder = found;
    }
    if (!keys.ReferIniFile.empty()) {
        const std::string found = ReadReferIniFile(state, keys.ReferIniFile);
        if (!found.empty()) folder = found;
    }
    return folder;
}

StartupConfig ConfigureStartup(AppState& state, const GeneralKeys& keys)
{
    const bool installer = !state.IsUninstaller();
    StartupConfig c;

    state.SetupWord = keys.SetupString;
    state.UnSetupWord = keys.UnSetupString;
    c.credits = CreditsText(keys);
    state.StepDelay = StepDelayFromSetupSpeed(keys.SetupSpeed);
    state.SetupTitle = keys.Setup;
    state.UnSetupTitle = keys.UnSetup;
    if (installer) state.ProgramId = keys.ProgramId;

    c.folder = AddBackslash(ExpandFolderMacros(state, DefaultFolderSource(state, keys)), "B");

    c.optionsLocked = OptionsLocked(keys);
    if (installer) {
        c.desktop = ShortcutBox(keys, "Dsk)", c.optionsLocked);
        c.startMenu = ShortcutBox(keys, "Sta)", c.optionsLocked);
        c.startUp = ShortcutBox(keys, "Sup)", c.optionsLocked);
        c.sendTo = ShortcutBox(keys, "Sen)", c.optionsLocked);
        c.folderControlsEnabled = !c.optionsLocked;
    }
    c.message = MessageText(state, keys);

    c.title = installer ? state.SetupTitle : state.UnSetupTitle;
    c.folderGroupCaption = state.SetupWord + "フォルダ";
    c.optionGroupCaption = state.SetupWord + "オプション";
    c.endCaption = state.SetupWord + "終了(&E)";

    if (installer) {
        state.TitlePending = state.EulaPending = state.ReadmePending = state.OptionsPending = 1;
    } else {
        state.ReadmePending = 1;
    }
    return c;
}

CheckFinding ResolveCheckValue(const AppState& state, const std::string& value, const std::string& defaultFolder)
{
    CheckFinding f;
    bool isIdCheck = false;
    const std::string id = CheckValueProgramId(value, isIdCheck);
    if (isIdCheck) {
        const std::string folder = ReadIniString(id, "Folder", "", ProgramRegisterFile(state));
        if (!folder.empty()) {
            f.programInstalled = true;
            f.title = ReadIniString("Title", "UnSetup", "不明なタイトル", RemoveBackslash(folder, "B") + "\\UNSETUP.INI");
        }
        return f;
    }
    f.path = AddBackslash(defaultFolder, "B") + RemoveBackslash(value, "T");
    f.fileFound = FileAge(f.path) != -1;
    return f;
}

StartupRefusal CheckInstallPreconditions(AppState& state, const GeneralKeys& keys, const std::string& defaultFolder,
                                         Host& host)
{
    const std::string& s = state.SetupWord;
    const std::string& u = state.UnSetupWord;
    const auto ask = [&](const std::string& text, const char* caption) {
        state.LastAnswer = host.Ask(text, caption, MB_OK | MB_ICONEXCLAMATION);
    };

    if (PosNoCase(state.OsName, keys.RejectOS) != 0) {
        ask("このオペレーティングシステムへの" + s + "は、プログラム配布者により認められていません。" + kCrLf +
                "詳細については、プログラム配布者へご確認ください。" + kCrLf + s + "を続行することはできません。",
            "警告");
        return StartupRefusal::RejectedSystem;
    }

    const CheckFinding required = ResolveCheckValue(state, keys.UnInstallCheckEx, defaultFolder);
    if (required.fileFound) {
        ask(std::string("インストーラはチェック対象プログラムを検出しました。") + kCrLf + s +
                "を続行するためには、前バージョンの" + u + "を行う必要があります。",
            "エラー");
        return StartupRefusal::RemovalRequired;
    }
    if (required.programInstalled) {
        ask(std::string("インストーラはチェック対象プログラム識別子を検出しました。") + kCrLf + "【" + required.title +
                "】" + kCrLf + s + "を続行するためには、上記プログラムの" + u + "を行う必要があります。",
            "エラー");
        return StartupRefusal::RemovalRequired;
    }

    const std::string risk = std::string(kCrLf) + s + "はこのまま続行できますが、予期せぬ結果を招く可能性があります。" +
                             kCrLf + "できる限り中断して、前バージョンの" + u + "を行うことをお勧めします。";
    const CheckFinding advised = ResolveCheckValue(state, keys.UnInstallCheck, defaultFolder);
    if (advised.fileFound) {
        ask(std::string("インストーラはチェック対象プログラムを検出しました。") + kCrLf +
                "パッケージ配布者は、前バージョンのプログラムの" + u + "を推奨しています。" + risk,
            "警告");
    } else if (advised.programInstalled) {
        ask(std::string("インストーラはチェック対象プログラム識別子を検出しました。") + kCrLf + "【" + advised.title +
                "】" + kCrLf + "パッケージ配布者は、上記プログラムの" + u + "を推奨しています。" + risk,
            "警告");
    }
    return StartupRefusal::None;
}
