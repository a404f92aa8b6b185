#include "UninstallFixture.h"

#include "foundation/uStrOp.h"
#include "uninstall/UninstallRun.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr const char* kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string Numbered(const char* prefix, const std::vector<std::string>& values)
{
    std::string text;
    for (std::size_t n = 0; n < values.size(); ++n) text += prefix + std::to_string(n + 1) + "=" + values[n] + "\r\n";
    return text;
}

// One for the "*.INI" box, one for a "*.txt" pattern, one for a subfolder.
const char* const kCanaryNames[] = {"canary.ini", "canary.txt", "canary dir\\inner.txt"};

} // namespace

std::string Record::Text() const
{
    std::string t = "[Information]\r\n"
                    "Message1=Quillon Installer UnSetup(UnInstall) Initialize File\r\n"
                    "Message2=！！！　警告　！！！\r\n"
                    "Message3=このファイルをエディタなどで書き換えたり、削除しないでください。\r\n"
                    "Message4=書き換えた場合、" +
                    unSetupWord + "動作の保証はできません。\r\n\r\n";
    t += "[Title]\r\nUnSetup=Test Program\r\n\r\n";
    t += "[SetupFolder]\r\nFolder=" + installFolder + "\r\n\r\n";
    t += "[DeleteFolder]\r\n" + Numbered("Folder", folders) + "\r\n";
    t += "[DeleteFile]\r\n" + Numbered("File", files) + "\r\n";
    t += "[DeleteShortCut]\r\n" + Numbered("File", shortcuts) + "\r\n";
    t += "[DeleteRegistry]\r\n" + Numbered("Key", registry) + "\r\n";
    t += "[AddDeleteFile]\r\n" + Numbered("File", extraFiles) + "\r\n";
    t += "[RestoreRelate]\r\n" + Numbered("Key", relates) + "\r\n";
    t += "[UnSetupOption]\r\n\r\n";
    t += "[BeforeUnInstall]\r\n" + (beforeFile.empty() ? std::string() : "File=" + beforeFile + "\r\n") + "\r\n";
    t += "[Extend]\r\nSetupString=" + setupWord + "\r\nUnSetupString=" + unSetupWord + "\r\n\r\n";
    t += "[UnSetupRegistryKey]\r\nKey=" + uninstallKey + "\r\n\r\n";
    t += "[ProgramID]\r\nID=" + programId + "\r\n";
    return t;
}

UninstallFixture::UninstallFixture()
{
    // The run moves the process into the temporary folder; TearDown moves it back.
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    startFolder_ = cwd;
    static std::atomic<int> counter{0};
    id = "QuillonTest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);

    for (const std::string* folder : {&app, &outside, &work}) MakeFolder(*folder);
    SetFolders(state);
    state.AppFolder = work;
    state.OsFamily = "NT";
    state.OsName = "Windows XP";
    state.RunMode = "UNSETUP";
    state.WorkFolder = work;
    state.ScriptFile = work + "UNSETUP.INI";

    record.installFolder = app;
    host.options.folder = app;
    SelectBoxes(false, false);
}

UninstallFixture::~UninstallFixture() = default;

void UninstallFixture::TearDown()
{
    SetCurrentDirectoryA(startFolder_.c_str());
    ReleaseHeld();
    for (const auto& [rootKey, path] : keys_) RegDeleteTreeA(rootKey, path.c_str());
    RemoveScratchRegistryKey("Software\\QuillonTest\\" + std::to_string(GetCurrentProcessId()) + "\\" + id);
    HKEY shared = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &shared) == ERROR_SUCCESS) {
        for (const std::string& name : sharedValues_) RegDeleteValueA(shared, name.c_str());
        RegCloseKey(shared);
    }
    if (restartListBefore_) WritePendingRenames(*restartListBefore_);
    for (const std::string& path : extraCanaries_) DeleteFileA(path.c_str());
    if (driveRootCanaries_) {
        DeleteFileA(("Q:\\" + id + ".ini").c_str());
        RemoveTree("Q:\\" + id + " dir\\");
    }
}

void UninstallFixture::Run()
{
    Run(record.Text());
}

void UninstallFixture::Run(const std::string& recordText)
{
    // The start-up takes the words from the record before the run.
    state.SetupWord = record.setupWord;
    state.UnSetupWord = record.unSetupWord;
    ASSERT_TRUE(WriteFileBytes(state.ScriptFile, recordText));
    result = UninstallRun(state, host);
}

void UninstallFixture::Plant(const std::string& path, const std::string& content)
{
    if (!Exists(PathFolder(path))) MakeFolder(PathFolder(path));
    ASSERT_TRUE(WriteFileBytes(path, content.empty() ? path : content)) << path;
}

void UninstallFixture::MakeFolder(const std::string& folder)
{
    // Parents first, at every one-byte "\" (a trail byte of 表 or ソ is no delimiter).
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(folder[i]))) {
            ++i;
            continue;
        }
        if (folder[i] == '\\' && i >= 3) CreateDirectoryA(folder.substr(0, i + 1).c_str(), nullptr);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
}

std::string UninstallFixture::Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string UninstallFixture::ShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::vector<std::string> UninstallFixture::CanaryPaths() const
{
    std::vector<std::string> paths;
    for (const std::string* folder : {&root, &win, &sys, &tmp, &prg, &outside, &smn, &sta, &sup, &dsk, &sen, &myd,
                                      &csmn, &csta, &csup, &cdsk, &cmyd}) {
        for (const char* name : kCanaryNames) paths.push_back(*folder + name);
    }
    if (driveRootCanaries_) {
        paths.push_back("Q:\\" + id + ".ini");
        paths.push_back("Q:\\" + id + " dir\\inner.txt");
    }
    paths.insert(paths.end(), extraCanaries_.begin(), extraCanaries_.end());
    return paths;
}

void UninstallFixture::PlantCanary(const std::string& path)
{
    extraCanaries_.push_back(path);
    Plant(path);
}

void UninstallFixture::PlantCanaries(bool driveRootToo)
{
    driveRootCanaries_ = driveRootToo;
    for (const std::string& path : CanaryPaths()) Plant(path);
}

std::string UninstallFixture::MissingCanaries() const
{
    std::string missing;
    for (const std::string& path : CanaryPaths()) {
        if (ReadFileBytes(path) != path) missing += path + "\n";
    }
    return missing;
}

void UninstallFixture::SelectBoxes(bool ini, bool gid, const std::string& box3, const std::string& box4)
{
    const std::string captions[4] = {"*.INI", "*.GID", box3, box4};
    const bool checked[4] = {ini, gid, !box3.empty(), !box4.empty()};
    for (int i = 0; i < 4; ++i) {
        host.options.boxes[i].caption = captions[i];
        host.options.boxes[i].checked = checked[i];
        host.options.boxes[i].enabled = i < 2 || !captions[i].empty();
        host.options.boxes[i].visible = true;
    }
}

void UninstallFixture::SelectDeleteAll(bool checked)
{
    host.options.boxes[0] = {record.unSetupWord + "フォルダ以下の全ファイル・フォルダ", checked, true, true};
    for (int i = 1; i < 4; ++i) host.options.boxes[i] = {"", false, false, false};
}

std::array<std::string, 8> UninstallFixture::StageLineTexts() const
{
    const std::string& u = state.UnSetupWord;
    return {u + "処理前のプログラム実行．．．",
            "ファイルの" + u + "処理．．．",
            "ショートカットの" + u + "処理．．．",
            "フォルダの" + u + "処理．．．",
            "レジストリの" + u + "処理．．．",
            "関連付けの" + u + "処理．．．",
            "「プログラム(アプリケーション)の追加と削除」の処理．．．",
            state.SetupWord + "フォルダの" + u + "処理．．．"};
}

std::string UninstallFixture::StageLines(const StageWords& words) const
{
    const auto lines = StageLineTexts();
    std::string text = state.UnSetupWord + "を行っています。\r\n\r\n【処理状況】\r\n";
    for (int i = 0; i < 8; ++i) text += lines[i] + words[i] + "\r\n";
    return text;
}

void UninstallFixture::ExpectRanToTheEnd() const
{
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    ASSERT_GE(host.events.size(), 3u);
    EXPECT_EQ(host.events.front(), "begin 0");
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "completion"), host.events.end());
    EXPECT_EQ(host.events.back(), "end");
    std::size_t at = 0;
    for (const std::string& line : StageLineTexts()) {
        at = state.MessageLog.find(line, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << line;
    }
    const std::string completion = CompletionText();
    ASSERT_GE(state.MessageLog.size(), completion.size());
    EXPECT_EQ(state.MessageLog.substr(state.MessageLog.size() - completion.size()), completion);
}

std::string UninstallFixture::FailureSummaryLine() const
{
    return "《情報》" + state.UnSetupWord + "の過程で、一部の処理が失敗しました。\r\n";
}

std::string UninstallFixture::CompletionText() const
{
    return "\r\n【処理完了】\r\n　「次へ(N)」をクリックして、" + state.UnSetupWord + "を完了してください。\r\n";
}

std::string UninstallFixture::ExpectedLog(const StageWords& words, bool failures) const
{
    return StageLines(words) + (failures ? FailureSummaryLine() : std::string()) + CompletionText();
}

std::string UninstallFixture::RestartRemark()
{
    return "(追加情報)このファイルはWindowsの再起動後に削除が試行されます。\r\n";
}

std::string UninstallFixture::FileBlock(const std::string& path, DWORD code, bool remark)
{
    return "<File> " + path + "\r\n" + ErrorText(code) + (remark ? RestartRemark() : std::string()) + "\r\n";
}

std::string UninstallFixture::ShortcutBlock(const std::string& path, DWORD code)
{
    return "<ShortCut> " + path + "\r\n" + ErrorText(code) + "\r\n";
}

std::string UninstallFixture::FolderBlock(const std::string& path, DWORD code)
{
    return "<Folder> " + path + "\r\n" + ErrorText(code) + "\r\n";
}

std::string UninstallFixture::SetupFolderBlock(bool deleteAll) const
{
    return "<SetupFolder> " + state.InstallFolder + "\r\n" +
           (deleteAll ? "全ファイル・フォルダの削除を試みましたが、エラーが発生したため、"
                      : "ファイル・フォルダが残っているため、") +
           state.SetupWord + "フォルダを削除できませんでした。エクスプローラなどから、直接削除してください。\r\n\r\n";
}

DWORD UninstallFixture::RemoveDirectoryCode(const std::string& folder)
{
    if (RemoveDirectoryA(folder.c_str())) return 0;
    return GetLastError();
}

void UninstallFixture::CreateKey(HKEY rootKey, const std::string& path, const std::optional<std::string>& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(rootKey, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << path;
    if (value)
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    RegCloseKey(key);
    keys_.emplace_back(rootKey, path);
}

bool UninstallFixture::KeyExists(HKEY rootKey, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::string> UninstallFixture::DefaultValue(HKEY rootKey, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data);
}

std::string UninstallFixture::UserKey(const std::string& name) const
{
    return "Software\\QuillonTest\\" + std::to_string(GetCurrentProcessId()) + "\\" + id + "\\" + name;
}

void UninstallFixture::SetSharedCount(const std::string& path, DWORD count)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(key);
    sharedValues_.push_back(path);
}

void UninstallFixture::KeepRestartList()
{
    if (!restartListBefore_) restartListBefore_ = ReadPendingRenames();
}

std::string UninstallFixture::AddedRestartEntries() const
{
    // Entries are pairs of zero-ended strings; the list ends with one more zero byte,
    // which new entries go before.
    std::string now = ReadPendingRenames().value_or("");
    std::string before = restartListBefore_ ? restartListBefore_->value_or("") : std::string();
    if (!now.empty() && now.back() == '\0') now.pop_back();
    if (!before.empty() && before.back() == '\0') before.pop_back();
    if (now.compare(0, before.size(), before) != 0) return "<earlier entries changed>";
    return now.substr(before.size());
}

void UninstallFixture::Hold(const std::string& path)
{
    held_.push_back(std::make_unique<HeldFile>(QS_HOLDFILE_EXE, path));
    ASSERT_TRUE(held_.back()->held()) << held_.back()->error();
}

void UninstallFixture::ReleaseHeld()
{
    held_.clear();
}
