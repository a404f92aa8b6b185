#include "app/StartupSequence.h"

#include "app/Startup.h"
#include "app/StartupConfig.h"
#include "app/WinVersion.h"
#include "ui/Back.h"
#include "foundation/uStrOp.h"
#include "ui/Main.h"

namespace {

void ApplyCheckBox(TfrmMain& main, TfrmMain::ControlId id, const CheckBoxState& box)
{
    main.SetChecked(id, box.checked);
    main.SetEnabled(id, box.enabled);
}

} // namespace

StartupEnd RunStartupSequence(AppState& state, TfrmMain& main, TfrmBack& back, Host& host, const StartupInput& input,
                              const FolderPlatform& platform)
{
    const WindowsVersion version = DetectWindowsVersion();
    const bool fine = PrepareStartup(state, input.firstParameter, input.exePath, platform, version);
    const StartupTexts texts = StartupPageTexts(state);
    main.SetText(TfrmMain::kLblTitleA2, texts.titleA2);
    if (!fine) {
        main.SetText(TfrmMain::kLblMessage, texts.message);
        main.SetText(TfrmMain::kBtnEvent, texts.eventCaption);
        main.SetText(TfrmMain::kBtnEnd, texts.endCaption);
        main.SetEnabled(TfrmMain::kBtnEnd, true);
        main.ShowPage(false, false, true);
        main.Focus(TfrmMain::kBtnEnd);
        return StartupEnd::Fatal;
    }

    const GeneralKeys keys = ReadGeneralKeys(state.ScriptFile);
    main.keys = keys;
    const StartupConfig config = ConfigureStartup(state, keys);
    const bool installer = !state.IsUninstaller();

    back.PlaceCredits(config.credits);
    back.SetTitle(state.SetupTitle);
    const std::string folder = installer && !input.dir.empty() ? AddBackslash(input.dir, "B") : config.folder;
    main.SetText(TfrmMain::kTxtFolder, folder);
    if (installer) {
        ApplyCheckBox(main, TfrmMain::kChkSCutDesktop, config.desktop);
        ApplyCheckBox(main, TfrmMain::kChkSCutStartMenu, config.startMenu);
        ApplyCheckBox(main, TfrmMain::kChkSCutStartUp, config.startUp);
        ApplyCheckBox(main, TfrmMain::kChkSCutSendTo, config.sendTo);
    }
    main.SetText(TfrmMain::kLblMessage, config.message);
    if (installer) {
        for (TfrmMain::ControlId id :
             {TfrmMain::kTxtFolder, TfrmMain::kBtnRefer, TfrmMain::kChkOverWrite, TfrmMain::kChkHiSpeed})
            main.SetEnabled(id, config.folderControlsEnabled);
    }
    back.SetTitle(config.title);
    SetWindowTextA(main.Handle(), config.title.c_str());
    main.SetText(TfrmMain::kGrpSetupFolder, config.folderGroupCaption);
    main.SetText(TfrmMain::kGrpOption, config.optionGroupCaption);
    main.SetText(TfrmMain::kBtnEnd, config.endCaption);
    main.txtFolderChange();

    if (installer) {
        main.btnEventClick();
        if (CheckInstallPreconditions(state, keys, folder, host) != StartupRefusal::None) {
            main.Focus(TfrmMain::kBtnEnd);
            main.SetEnabled(TfrmMain::kBtnEvent, false);
            return StartupEnd::Refused;
        }
        return StartupEnd::Ready;
    }
    main.PrepareUninstallPanel();
    state.ReadmePending = 1;
    main.ShowPage(true, false, false);
    main.SetVisible(TfrmMain::kFraTitle, false);
    main.btnEventClick();
    return StartupEnd::Ready;
}
