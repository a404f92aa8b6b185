#include "ui/Main.h"

#include "foundation/FolderMacros.h"
#include "foundation/Handles.h"
#include "foundation/SystemApi.h"
#include "foundation/uStrOp.h"
#include "services/FileOps.h"
#include "foundation/FilePrim.h"
#include "services/FldrDlg.h"
#include "services/Launch.h"
#include "ui/Controls.h"
#include "ui/WindowClass.h"

#include <algorithm>
#include <vector>

namespace {

const char kCrLf[] = "\r\n";
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Posted to run the start-up outside the activation message itself.
constexpr UINT kMsgStartup = WM_APP + 1;
// Posted by the start button and the browse button: the run and the folder browser take
// long and wait for the user, and a program that pressed the button with a sent BM_CLICK
// would wait with them, unable to answer. The click itself returns at once.
constexpr UINT kMsgStartRun = WM_APP + 2;
constexpr UINT kMsgBrowse = WM_APP + 3;
// A licence or readme is text for reading; beyond this size the rest is not shown.
constexpr std::size_t kMaxReadmeBytes = 1u << 20;
constexpr std::size_t kMaxNonTextBytes = 64u << 10;

using C = ControlKind;

struct Def {
    int parent; // 0: the form, else the container's ID
    ControlDef def;
};

// The window's controls: parents come before their children.
const Def kDefs[] = {
    {0, {TfrmMain::kFraTitle, C::Group, "", 8, 8, 473, 241, false}},
    {TfrmMain::kFraTitle, {TfrmMain::kLblTitleA1, C::Label, "汎用インストーラ", 8, 8, 105, 33, true, true, SS_CENTER}},
    {TfrmMain::kFraTitle,
     {TfrmMain::kLblTitleA2, C::Label, "Quillon Installer", 112, 8, 313, 33, true, true, SS_LEFTNOWORDWRAP}},
    {TfrmMain::kFraTitle, {TfrmMain::kImgTitle1, C::Image, "", 432, 8, 32, 32}},
    {TfrmMain::kFraTitle, {TfrmMain::kLblTitleMessage, C::WrapLabel, "", 16, 56, 441, 177}},
    {0, {TfrmMain::kFraReadme, C::Group, "", 8, 8, 473, 241, false}},
    {TfrmMain::kFraReadme, {TfrmMain::kTxtReadme, C::Memo, "", 8, 16, 457, 217}},
    {TfrmMain::kFraReadme,
     {TfrmMain::kChkEULARead, C::CheckBox, "上記「使用許諾契約書」を確認のうえ、", 8, 216, 457, 17, false}},
    {0, {TfrmMain::kGrpMessage, C::Group, "メッセージ", 8, 8, 473, 89, false}},
    {TfrmMain::kGrpMessage, {TfrmMain::kLblMessage, C::WrapLabel, "", 8, 16, 457, 65}},
    {0, {TfrmMain::kGrpSetupFolder, C::Group, "インストールフォルダ", 8, 104, 473, 49, false}},
    {TfrmMain::kGrpSetupFolder, {TfrmMain::kTxtFolder, C::Edit, "", 8, 16, 401, 24, true, false}},
    {TfrmMain::kGrpSetupFolder, {TfrmMain::kBtnRefer, C::Button, "参照(&R)", 416, 16, 49, 25, true, false}},
    {0, {TfrmMain::kGrpOption, C::Group, "インストールオプション", 8, 160, 473, 89, false}},
    {TfrmMain::kGrpOption,
     {TfrmMain::kChkOverWrite, C::CheckBox, "自動的に上書き(同名ファイルは最新ファイルをコピー)", 8, 16, 297, 17, true,
      false}},
    {TfrmMain::kGrpOption,
     {TfrmMain::kChkHiSpeed, C::CheckBox, "ハイスピードインストール", 312, 16, 153, 17, true, false}},
    {TfrmMain::kGrpOption, {TfrmMain::kFraShortCut, C::Group, "ショートカットの作成", 8, 40, 457, 41}},
    {TfrmMain::kFraShortCut, {TfrmMain::kChkSCutDesktop, C::CheckBox, "デスクトップ", 8, 16, 105, 17, true, false}},
    {TfrmMain::kFraShortCut,
     {TfrmMain::kChkSCutStartMenu, C::CheckBox, "スタートメニュー", 120, 16, 105, 17, true, false}},
    {TfrmMain::kFraShortCut, {TfrmMain::kChkSCutStartUp, C::CheckBox, "スタートアップ", 232, 16, 105, 17, true, false}},
    {TfrmMain::kFraShortCut, {TfrmMain::kChkSCutSendTo, C::CheckBox, "送る", 344, 16, 105, 17, true, false}},
    {TfrmMain::kFraShortCut, {TfrmMain::kLblUnSetupInfo, C::WrapLabel, "", 8, 8, 441, 25, false}},
    {0, {TfrmMain::kFraSelectType, C::Group, "", 8, 8, 473, 241, false}},
    {TfrmMain::kFraSelectType, {TfrmMain::kLblSelectTypeMsg, C::WrapLabel, "", 24, 24, 425, 105}},
    {TfrmMain::kFraSelectType, {TfrmMain::kOptSelectType1, C::RadioButton, "", 24, 136, 425, 17, true, true, WS_GROUP}},
    {TfrmMain::kFraSelectType, {TfrmMain::kOptSelectType2, C::RadioButton, "", 24, 160, 425, 17}},
    // WS_GROUP ends the radio buttons' group: the arrow keys move between the two only.
    {TfrmMain::kFraSelectType, {TfrmMain::kImgSelectType, C::Image, "", 24, 196, 32, 32, true, true, WS_GROUP}},
    {TfrmMain::kFraSelectType, {TfrmMain::kLblSelectTypeA1, C::Label, "汎用インストーラ", 64, 200, 105, 17}},
    {TfrmMain::kFraSelectType, {TfrmMain::kLblSelectTypeA2, C::Label, "Quillon Installer", 64, 216, 200, 17}},
    {0, {TfrmMain::kBtnEvent, C::Button, "", 64, 264, 161, 25, true, false}},
    {0, {TfrmMain::kBtnEnd, C::Button, "セットアップ終了(&E)", 272, 264, 153, 25, true, false}},
    {0, {TfrmMain::kLblFormShare, C::Label, "Can't Delete", 8, 280, 65, 13, false}},
};

RECT ChildRect(HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool FileExists(const std::string& path)
{
    return !path.empty() && FileAge(path) != -1;
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string FormatThousands(std::int64_t value)
{
    const bool negative = value < 0;
    std::string digits = std::to_string(value);
    if (negative) digits.erase(0, 1);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string FreeSpaceCaption(const std::string& folder)
{
    const std::string drive = DrivePart(folder);
    if (!FolderExists(drive)) return "インストールフォルダ(空き容量：不明)";
    std::int64_t bytes = -1;
    if (!GetDiskFreeEx(drive, bytes) && !GetDiskFree(drive, bytes))
        return "インストールフォルダ(空き容量：関数失敗<致命的エラー>";
    return std::string("インストールフォルダ(空き容量：").append(FormatThousands(bytes)).append("Byte)");
}

std::string ReadmeText(const std::string& path, std::size_t maxBytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(maxBytes - got, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + got, want, &n, nullptr) || n == 0) break;
        got += n;
    }
    bytes.resize(got);
    // A NUL means the file is no text; an edit box lays such data out very slowly, so
    // only its beginning is shown.
    if (bytes.find('\0') != std::string::npos && got > kMaxNonTextBytes) {
        bytes.resize(kMaxNonTextBytes);
        got = kMaxNonTextBytes;
    }
    std::string text;
    text.reserve(got + got / 16);
    for (std::size_t i = 0; i < got; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            if (i + 1 < got && bytes[i + 1] == '\n') ++i;
            text += kCrLf;
        } else if (c == '\n') {
            text += kCrLf;
        } else if (c < 0x20 && c != '\t') {
            // NUL would end the box's text; other control codes (a DOS end-of-file mark)
            // are not meant to be seen.
            text += ' ';
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

TfrmMain::TfrmMain(AppState& state, Host& host) : state_(state), host_(host) {}

TfrmMain::~TfrmMain()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND TfrmMain::Control(ControlId id) const
{
    if (id < kFraTitle || id > kLastControl) return nullptr;
    return controls_[id - kFraTitle];
}

HWND TfrmMain::Create(HWND owner)
{
    if (hwnd_ ||
        !RegisterWindowClassOnce(kClassName, WndProc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return nullptr;
    CreateForm(kClassName, "Quillon Installer", kFormStyle, 0, kClientWidth, kClientHeight, owner, this);
    if (!hwnd_) return nullptr;
    fonts_ = FormFonts(WindowDpi(hwnd_));
    fonts_.Add({12, "ＭＳ Ｐゴシック", false, false});
    fonts_.Add({12, "ＭＳ ゴシック", false, true});
    fonts_.Add({16, "ＭＳ Ｐゴシック", false, false});
    fonts_.Add({12, "ＭＳ Ｐゴシック", true, false});
    fonts_.Add({18, "ＭＳ Ｐ明朝", true, false});
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
    if (!CreateControls()) {
        DestroyWindow(hwnd_);
        return nullptr;
    }
    SetProgramIcon(hwnd_);
    return hwnd_;
}

bool TfrmMain::CreateControls()
{
    const int iconSize = Scaled(32);
    icon_ = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, iconSize, iconSize, LR_SHARED));
    if (!icon_) icon_ = ProgramIcon();
    for (const Def& d : kDefs) {
        HWND parent = d.parent ? Control(static_cast<ControlId>(d.parent)) : hwnd_;
        FontId font = kFontUi;
        switch (d.def.id) {
        case kLblTitleA1: font = kFontItalic; break;
        case kLblTitleA2: font = kFontTitle; break;
        case kLblTitleMessage:
        case kTxtReadme: font = kFontFixed; break;
        case kTxtFolder: font = kFontFolder; break;
        }
        HWND child = CreateControl(parent, d.def, fonts_.Get(font), fonts_.Dpi());
        if (!child) return false;
        controls_[d.def.id - kFraTitle] = child;
        if (d.def.kind == C::Image) SendMessageA(child, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    }
    SendMessageA(Control(kTxtReadme), EM_SETLIMITTEXT, 0, 0);
    SetChecked(kChkOverWrite, true);
    SetChecked(kOptSelectType1, true);
    return true;
}

std::string TfrmMain::Text(ControlId id) const
{
    return GetText(Control(id));
}
void TfrmMain::SetText(ControlId id, const std::string& text)
{
    ::SetText(Control(id), text);
}
bool TfrmMain::Enabled(ControlId id) const
{
    return Control(id) && IsWindowEnabled(Control(id));
}
void TfrmMain::SetEnabled(ControlId id, bool enabled)
{
    if (HWND c = Control(id)) EnableWindow(c, enabled);
}
// The control's own visibility flag, as the form framework keeps it, not the parent's.
bool TfrmMain::Visible(ControlId id) const
{
    HWND c = Control(id);
    return c && (GetWindowLongPtrA(c, GWL_STYLE) & WS_VISIBLE) != 0;
}
void TfrmMain::SetVisible(ControlId id, bool visible)
{
    if (HWND c = Control(id)) ShowWindow(c, visible ? SW_SHOWNA : SW_HIDE);
}
bool TfrmMain::Checked(ControlId id) const
{
    return Control(id) && SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void TfrmMain::SetChecked(ControlId id, bool checked)
{
    if (HWND c = Control(id)) SendMessageA(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
void TfrmMain::Focus(ControlId id)
{
    if (HWND c = Control(id); c && IsWindowVisible(c) && IsWindowEnabled(c)) SetFocus(c);
}

int TfrmMain::Ask(const std::string& text, const char* caption, unsigned flags, int unattended)
{
    state_.LastAnswer = host_.Ask(text, caption, flags, unattended);
    return state_.LastAnswer;
}

int TfrmMain::ShowModal()
{
    if (!hwnd_ || showing_) return 0;
    showing_ = true;
    modalResult_ = 0;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    // Activation starts the start-up; without a window manager activation may not come.
    PostMessageA(hwnd_, kMsgStartup, 0, 0);
    const bool ended = RunMessagesUntil(hwnd_, [this] {
        if (!hwnd_) return true;
        if (modalResult_ == 0) return false;
        if (FormCloseQuery()) return true;
        modalResult_ = 0;
        return false;
    });
    if (!ended && modalResult_ == 0) modalResult_ = 2;
    FormClose();
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    showing_ = false;
    return modalResult_;
}

void TfrmMain::RunStartup()
{
    if (startupStarted_ || !Text(kBtnEvent).empty()) return;
    startupStarted_ = true;
    DisableCloseItem(hwnd_);
    if (OnFirstActivate) OnFirstActivate();
}

void TfrmMain::ShowPage(bool title, bool readme, bool messages)
{
    SetVisible(kGrpMessage, messages);
    SetVisible(kGrpSetupFolder, messages);
    SetVisible(kGrpOption, messages);
    SetVisible(kFraReadme, readme);
    SetVisible(kFraTitle, title);
    ProcessPendingMessages();
}

bool TfrmMain::RunChecker()
{
    if (state_.CheckerDone != 0 || keys.InstallChecker.empty() ||
        !FileExists(ProgramFolderPath(state_.AppFolder, keys.InstallChecker)))
        return true;
    SetEnabled(kBtnEvent, false);
    SetEnabled(kBtnEnd, false);
    bool ran = false;
    const CheckerResult result = RunInstallChecker(host_, state_.AppFolder, state_.WindowsFolder, keys.InstallChecker,
                                                   ran);
    SetEnabled(kBtnEnd, true);
    SetForegroundWindow(hwnd_);
    state_.CheckerDone = 1;
    if (!result.allowed) {
        checkerRefused = true;
        Ask(CheckerRefusalText(state_.SetupWord), "警告", MB_OK | MB_ICONEXCLAMATION);
        Focus(kBtnEnd);
        return false;
    }
    if (!result.message.empty()) Ask(result.message, "情報", MB_OK | MB_ICONINFORMATION);
    return true;
}

void TfrmMain::btnEventClick()
{
    const std::string pressed = Text(kBtnEvent);
    // The title page comes before the checker, which the click that leaves it runs.
    if (state_.TitlePending == 1) return ShowTitlePage();
    if (!RunChecker()) return;
    SetEnabled(kBtnEvent, true);
    LeaveTitlePage();
    if (ShowEulaPage()) return;
    LeaveEulaPage();
    if (ShowReadmePage()) return;
    ShowOptionsPage();
    Dispatch(pressed);
}

void TfrmMain::ShowTitlePage()
{
    const std::string& s = state_.SetupWord;
    state_.TitlePending = 0;
    SetVisible(kFraTitle, true);
    const std::string& p = keys.Program;
    std::string message = "　" + p + " " + s + "プログラムへようこそ。この" + s +
                          "プログラムは、あなたのコンピュータに " + p + " を" + s + "します。" + kCrLf + kCrLf + "　" +
                          s + "を開始する前に、必ず、すべてのWindowsプログラムを終了させてください。" + kCrLf + kCrLf +
                          "　「" + s + "終了(E)」を選択すると、" + s + "を行わずに" + s + "プログラムを終了します。" +
                          s + "を続行する場合は、「" + s + "続行(C)」を選択してください。" + kCrLf;
    if (state_.OsFamily == "NT") {
        message += std::string(kCrLf) + "【注意】" + kCrLf + "　Administrator権限での" + s + "を推奨します。" +
                   "Administrator権限を持たないユーザーでの" + s + "は、正常に処理が行われない場合があります。";
    }
    SetText(kLblTitleMessage, message);
    SetButtons(s + "続行(&C)", s + "終了(&E)");
    Focus(kBtnEvent);
}

void TfrmMain::LeaveTitlePage()
{
    if (!Visible(kFraTitle)) return;
    SetVisible(kFraTitle, false);
    ShowWindow(hwnd_, SW_HIDE);
    ProcessPendingMessages();
    WaitProcessingMessages(1000);
    ShowWindow(hwnd_, SW_SHOW);
}

bool TfrmMain::ShowEulaPage()
{
    if (state_.EulaPending != 1) return false;
    state_.EulaPending = 0;
    const std::string file = keys.EulaFile.empty() ? "" : ProgramFolderPath(state_.AppFolder, keys.EulaFile);
    if (!FileExists(file)) return false;
    SetText(kFraReadme, "使用許諾契約書");
    SetButtons("同意する(&A)", "同意しない(&N)");
    SetEnabled(kBtnEvent, false);
    SetReadmeWhite(true);
    LoadReadme(file);
    SetReadmeScrollBars(keys.EulaScrollBars);
    if (keys.EulaCheckBox != "Hide") {
        // "同意する" waits for the box; the text makes room for it.
        SetChecked(kChkEULARead, false);
        SetVisible(kChkEULARead, true);
        ResizeReadme(-Scaled(24));
    } else {
        SetEnabled(kBtnEvent, true);
        Focus(kBtnEvent);
    }
    ShowPage(false, true, false);
    return true;
}

void TfrmMain::LeaveEulaPage()
{
    SetReadmeWhite(false);
    if (!Visible(kChkEULARead)) return;
    ResizeReadme(Scaled(24));
    SetVisible(kChkEULARead, false);
}

bool TfrmMain::ShowReadmePage()
{
    if (state_.ReadmePending != 1) return false;
    state_.ReadmePending = 0;
    const bool installer = !state_.IsUninstaller();
    std::string file;
    if (installer) {
        if (!keys.ReadmeFile.empty()) file = ProgramFolderPath(state_.AppFolder, keys.ReadmeFile);
    } else {
        file = keys.BeforeReadmeFile;
        if (!file.empty() && !keys.SetupFolder.empty()) file = ProgramFolderPath(keys.SetupFolder, file);
    }
    if (!FileExists(file)) return false;
    LoadReadme(file);
    const std::string& word = installer ? state_.SetupWord : state_.UnSetupWord;
    SetText(kFraReadme, installer ? keys.ReadmeTitle : word + "の前にお読みください。");
    SetButtons(word + "続行(&C)", word + "終了(&E)");
    Focus(kBtnEvent);
    SetReadmeScrollBars(keys.ReadmeScrollBars);
    ShowPage(false, true, false);
    return true;
}

void TfrmMain::ShowOptionsPage()
{
    if (state_.OptionsPending != 1) return;
    state_.OptionsPending = 0;
    ShowPage(false, false, true);
    const std::string& s = state_.SetupWord;
    SetButtons(s + "開始(&S)", s + "終了(&E)");
}

void TfrmMain::SetButtons(const std::string& eventCaption, const std::string& endCaption)
{
    SetText(kBtnEvent, eventCaption);
    SetText(kBtnEnd, endCaption);
    SetEnabled(kBtnEvent, true);
    SetEnabled(kBtnEnd, true);
}

void TfrmMain::ResizeReadme(int heightChange)
{
    const RECT r = ChildRect(Control(kTxtReadme));
    SetWindowPos(Control(kTxtReadme), nullptr, 0, 0, r.right - r.left, r.bottom - r.top + heightChange,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::Dispatch(const std::string& caption)
{
    const std::string& s = state_.SetupWord;
    const std::string& u = state_.UnSetupWord;
    // The role decides which run a start caption means, so equal words cannot start the
    // other role's run.
    if ((caption == u + "開始(&S)" && !IsInstaller()) || (caption == s + "開始(&S)" && IsInstaller())) {
        // One run per program: a second press before the run shows does nothing.
        if (!runStarted_) {
            runStarted_ = true;
            PostMessageA(hwnd_, kMsgStartRun, 0, 0);
        }
    } else if (caption == s + "完了(&E)" || caption == u + "完了(&E)" || caption == "続行(&C)") {
        SetEnabled(kBtnEvent, false);
    } else if (caption == s + "続行(&C)") {
        ShowPage(false, false, true);
        SetText(kBtnEvent, s + "開始(&S)");
    } else if (caption == u + "続行(&C)") {
        ShowPage(false, false, true);
        SetText(kBtnEvent, u + "開始(&S)");
    }
}

namespace {

// Opens the browser at the folder in the box when that folder exists.
int CALLBACK SelectCurrentFolder(HWND dialog, UINT msg, LPARAM, LPARAM data)
{
    const auto* folder = reinterpret_cast<const std::string*>(data);
    if (msg == BFFM_INITIALIZED && !folder->empty())
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder->c_str()));
    return 0;
}

} // namespace

void TfrmMain::btnReferClick()
{
    TFolderDialog dialog;
    dialog.Title = "セットアップフォルダを選択してください．";
    std::string current = RemoveBackslash(Text(kTxtFolder), "B");
    if (!IsDirectory(current)) current.clear();
    dialog.Callback = SelectCurrentFolder;
    dialog.CallbackParam = reinterpret_cast<LPARAM>(&current);
    if (dialog.Execute(hwnd_)) SetText(kTxtFolder, AddBackslash(dialog.Directory, "B"));
}

void TfrmMain::txtFolderChange()
{
    SetText(kGrpSetupFolder, FreeSpaceCaption(Text(kTxtFolder)));
}

void TfrmMain::chkEULAReadClick()
{
    SetEnabled(kBtnEvent, Checked(kChkEULARead));
}

bool TfrmMain::FormCloseQuery()
{
    const std::string end = Text(kBtnEnd);
    const bool leavingConfirmed = background && IsWindowEnabled(background);
    if (end == "同意しない(&N)" || leavingConfirmed || end == "終了(&E)" || !Enabled(kBtnEvent)) return true;
    const int answer = Ask(state_.SetupWord + "/" + state_.UnSetupWord + "は終了していません。" + kCrLf +
                               "終了してもよろしいですか？",
                           "終了確認", MB_YESNO | MB_ICONQUESTION, IDYES);
    if (answer == IDNO) return false;
    if (background) EnableWindow(background, TRUE);
    SetModalResult(1);
    return true;
}

void TfrmMain::FormClose()
{
    ProcessPendingMessages();
    state_.WorkLocks.Release();
    RemoveWorkFolders(host_, state_.TempFolder);
    if (hwnd_ && !IsWindowVisible(hwnd_)) NotifyShellOfChanges();
}

void TfrmMain::PrepareUninstallPanel()
{
    const std::string& u = state_.UnSetupWord;
    SetText(kGrpSetupFolder, u + "フォルダ");
    SendMessageA(Control(kTxtFolder), EM_SETREADONLY, TRUE, 0);
    SetEnabled(kTxtFolder, true);
    SetText(kBtnEvent, u + "続行(&C)");
    SetEnabled(kBtnEvent, true);
    SetText(kBtnEnd, u + "終了(&E)");
    SetEnabled(kBtnEnd, true);

    SetText(kGrpOption, u + "オプション");
    SetVisible(kChkOverWrite, false);
    SetVisible(kChkHiSpeed, false);
    SetText(kFraShortCut, "ファイルの追加削除");
    const RECT over = ChildRect(Control(kChkOverWrite));
    const RECT frame = ChildRect(Control(kFraShortCut));
    const RECT group = ChildRect(Control(kGrpOption));
    SetWindowPos(Control(kFraShortCut), nullptr, frame.left, over.top, frame.right - frame.left,
                 (group.bottom - group.top) - Scaled(24), SWP_NOZORDER | SWP_NOACTIVATE);

    const auto boxes = UninstallOptionBoxes(keys, u);
    const ControlId ids[4] = {kChkSCutDesktop, kChkSCutStartMenu, kChkSCutStartUp, kChkSCutSendTo};
    for (int i = 0; i < 4; ++i) {
        SetText(ids[i], boxes[i].caption);
        SetChecked(ids[i], boxes[i].checked);
        SetEnabled(ids[i], boxes[i].enabled);
        SetVisible(ids[i], boxes[i].visible);
    }
    if (!boxes[1].visible) {
        // The single box of the delete-all layout spans the frame.
        const RECT box = ChildRect(Control(kChkSCutDesktop));
        const RECT shortcut = ChildRect(Control(kFraShortCut));
        SetWindowPos(Control(kChkSCutDesktop), nullptr, 0, 0, (shortcut.right - shortcut.left) - Scaled(16),
                     box.bottom - box.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT desktop = ChildRect(Control(kChkSCutDesktop));
    const RECT info = ChildRect(Control(kLblUnSetupInfo));
    SetWindowPos(Control(kLblUnSetupInfo), nullptr, info.left, desktop.bottom + Scaled(2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetText(kLblUnSetupInfo,
            "　" + u + "フォルダの中で、コピーされたファイル以外に追加削除するファイルをチェック(選択)してください。");
    // Two lines of the font are a pixel taller than the table's 25: the label grows to
    // its text as far as the frame has room, so its second line is not cut off.
    const RECT label = ChildRect(Control(kLblUnSetupInfo));
    RECT room = {};
    GetClientRect(Control(kFraShortCut), &room);
    const int height = std::min<int>(WrappedTextHeight(Control(kLblUnSetupInfo)), room.bottom - label.top);
    if (height > label.bottom - label.top)
        SetWindowPos(Control(kLblUnSetupInfo), nullptr, 0, 0, label.right - label.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetVisible(kLblUnSetupInfo, true);
}

void TfrmMain::LoadReadme(const std::string& path)
{
    SetText(kTxtReadme, ReadmeText(path, kMaxReadmeBytes));
}

void TfrmMain::SetReadmeScrollBars(const std::string& value)
{
    DWORD bars;
    if (value == "ssVertical") bars = WS_VSCROLL;
    else if (value == "ssHorizontal") bars = WS_HSCROLL;
    else if (value == "ssBoth") bars = WS_VSCROLL | WS_HSCROLL;
    else return;
    HWND old = Control(kTxtReadme);
    const LONG_PTR style = GetWindowLongPtrA(old, GWL_STYLE);
    // A horizontal bar means long lines scroll instead of wrapping; an edit box decides
    // that when it is created, so the box is made anew.
    const DWORD wanted = bars | ((bars & WS_HSCROLL) ? ES_AUTOHSCROLL : 0);
    if ((style & (WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL)) == wanted) return;
    const RECT r = ChildRect(old);
    const std::string text = GetText(old);
    const DWORD newStyle = (static_cast<DWORD>(style) & ~(WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL)) | wanted;
    HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", newStyle, r.left, r.top, r.right - r.left, r.bottom - r.top,
                               GetParent(old), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTxtReadme)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!box) return;
    SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(kFontFixed)), FALSE);
    SendMessageA(box, EM_SETLIMITTEXT, 0, 0);
    ::SetText(box, text);
    controls_[kTxtReadme - kFraTitle] = box;
    DestroyWindow(old);
}

void TfrmMain::SetReadmeWhite(bool white)
{
    readmeWhite_ = white;
    if (HWND box = Control(kTxtReadme)) InvalidateRect(box, nullptr, TRUE);
}

void TfrmMain::OnCommand(int id, int code)
{
    if (code == EN_CHANGE && id == kTxtFolder) {
        txtFolderChange();
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
    case kBtnEvent: btnEventClick(); break;
    case kBtnEnd: btnEndClick(); break;
    case kBtnRefer: PostMessageA(hwnd_, kMsgBrowse, 0, 0); break;
    case kChkEULARead: chkEULAReadClick(); break;
    case IDOK:
        // Enter without a default button to press (none enabled): nothing.
        break;
    case IDCANCEL: OnEscape(); break;
    }
}

LRESULT TfrmMain::DefaultButton() const
{
    // Enter presses the focused button, as in a dialog box; elsewhere the event button,
    // which leads on through the pages.
    HWND focus = GetFocus();
    const int focusId = focus ? GetDlgCtrlID(focus) : 0;
    if (focus && Control(static_cast<ControlId>(focusId)) == focus &&
        (focusId == kBtnEvent || focusId == kBtnEnd || focusId == kBtnRefer) && IsWindowEnabled(focus))
        return MAKELRESULT(focusId, DC_HASDEFID);
    if (Enabled(kBtnEvent) && IsWindowVisible(Control(kBtnEvent))) return MAKELRESULT(kBtnEvent, DC_HASDEFID);
    return 0;
}

void TfrmMain::OnEscape()
{
    // Esc is the end button wherever the page offers leaving; the close question follows.
    HWND end = Control(kBtnEnd);
    if (end && IsWindowVisible(end) && IsWindowEnabled(end)) SendMessageA(end, BM_CLICK, 0, 0);
}

LRESULT CALLBACK TfrmMain::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = WindowObject<TfrmMain>(hwnd, msg, lp);
    if (self && msg == WM_NCCREATE) self->hwnd_ = hwnd;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        for (HWND& c : self->controls_) c = nullptr;
        if (self->modalResult_ == 0) self->modalResult_ = 2;
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    return self->HandleMessage(msg, wp, lp);
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (LRESULT result; AnswerFormMessage(hwnd_, fonts_, msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && !startupStarted_) PostMessageA(hwnd_, kMsgStartup, 0, 0);
        break;
    case kMsgStartup: RunStartup(); return 0;
    case kMsgStartRun:
        if (IsInstaller() && StartInstallRun) StartInstallRun();
        if (!IsInstaller() && StartUninstallRun) StartUninstallRun();
        return 0;
    case kMsgBrowse: btnReferClick(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case DM_GETDEFID: return DefaultButton();
    case WM_CLOSE:
        // Closing goes through the close query like every other way out.
        if (showing_) SetModalResult(2);
        return 0;
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wp);
        const auto child = reinterpret_cast<HWND>(lp);
        if (child == Control(kTxtReadme)) {
            const COLORREF color = readmeWhite_ ? RGB(255, 255, 255) : GetSysColor(COLOR_WINDOW);
            SetBkColor(dc, color);
            return reinterpret_cast<LRESULT>(readmeWhite_ ? static_cast<HBRUSH>(whiteBrush_.get())
                                                          : GetSysColorBrush(COLOR_WINDOW));
        }
        if (child == Control(kLblTitleA2) || child == Control(kLblSelectTypeA2)) SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}
