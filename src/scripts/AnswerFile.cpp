#include "scripts/AnswerFile.h"

#include "foundation/Handles.h"
#include "foundation/IniDocument.h"
#include "foundation/uStrOp.h"

#include <windows.h>

#include <cctype>

namespace {

constexpr const char* kShortcutKeys[4] = {"Desktop", "StartMenu", "StartUp", "SendTo"};
constexpr const char* kDeletionKeys[4] = {"DeleteIni", "DeleteGid", "DeleteCheckBox3", "DeleteCheckBox4"};
// Far beyond any answer file; a larger file is something else given by mistake.
constexpr DWORD kMaxAnswerFileBytes = 1u << 20;

std::string Upper(const std::string& text)
{
    return MapString(text, LCMAP_UPPERCASE);
}

bool Same(const std::string& a, const char* b)
{
    return Upper(a) == Upper(b);
}

// Valid UTF-8 holding at least one character of three or more bytes (every Japanese
// one): text in another encoding than CP932. Two half-width katakana of CP932 can look
// like one two-byte UTF-8 character, so those alone do not count.
bool LooksLikeUtf8(const std::string& bytes)
{
    bool multiByte = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra == 1 && c < 0xC2) || (extra > 0 && i + extra >= bytes.size())) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        }
        multiByte = multiByte || extra >= 2;
        i += 1 + extra;
    }
    return multiByte;
}

// "" when the bytes are CP932 text, else why not.
std::string EncodingProblem(const std::string& bytes, std::wstring& text)
{
    const auto starts = [&](const char* bom, std::size_t n) { return bytes.compare(0, n, bom, n) == 0; };
    if (starts("\xEF\xBB\xBF", 3)) return "UTF-8";
    if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2) || bytes.find('\0') != std::string::npos) return "UTF-16";
    if (LooksLikeUtf8(bytes)) return "UTF-8";
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                      0);
    if (n <= 0) return "不正な文字";
    text.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return {};
}

// Reads the whole file; the system's error code, 0 on success.
DWORD ReadAnswerBytes(const std::string& path, std::string& bytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return GetLastError();
    if (size.QuadPart > kMaxAnswerFileBytes) return ERROR_FILE_TOO_LARGE;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return GetLastError();
    bytes.resize(got);
    return 0;
}

// "[Section] Key=value : " for a message about that line.
std::string Where(const std::string& section, const IniDocument::Line& line)
{
    return "[" + section + "] " + line.name + "=" + line.value + " : ";
}

// Takes one key line of a known section into answers; "" or what is wrong with it.
std::string TakeKey(const std::string& section, const IniDocument::Line& line, AnswerFile& a)
{
    const std::string& v = line.value;
    std::string problem;
    const auto flag = [&](std::optional<bool>& out) {
        if (v == "0" || v == "1") out = v == "1";
        else problem = Where(section, line) + "値は 0 か 1 です";
    };
    const auto choice = [&](std::optional<int>& out) {
        if (v == "1" || v == "2") out = v[0] - '0';
        else problem = Where(section, line) + "値は 1 か 2 です";
    };
    if (Same(section, "Associations")) {
        if (line.name.empty() || line.name.find_first_of(".\\/ ") != std::string::npos)
            return Where(section, line) + "拡張子はドットなしで書きます";
        std::optional<bool> answer;
        flag(answer);
        if (answer) a.associations[line.name] = *answer;
        return problem;
    }
    const bool setup = Same(section, "Setup");
    if (setup && Same(line.name, "Folder")) {
        const bool absolute = (v.size() >= 3 && v[1] == ':' && v[2] == '\\' &&
                               std::isalpha(static_cast<unsigned char>(v[0]))) ||
                              v.rfind("\\\\", 0) == 0;
        if (!absolute || v.size() >= MAX_PATH) return Where(section, line) + "フォルダは絶対パスで書きます";
        a.folder = v;
        return {};
    }
    if (setup && Same(line.name, "AutoOverwrite")) flag(a.overwrite);
    else if (setup && Same(line.name, "HighSpeed")) flag(a.hiSpeed);
    else if (setup && Same(line.name, "Completion")) choice(a.completion);
    else if (!setup && Same(line.name, "DeleteAll")) flag(a.deleteAll);
    else if (!setup && Same(line.name, "Completion")) choice(a.uninstallCompletion);
    else {
        const char* const* keys = setup ? kShortcutKeys : kDeletionKeys;
        std::optional<bool>* slots = setup ? a.shortcuts : a.deletions;
        for (int i = 0; i < 4; ++i) {
            if (Same(line.name, keys[i])) {
                flag(slots[i]);
                return problem;
            }
        }
        return "[" + section + "] " + line.name + " : 不明なキーです";
    }
    return problem;
}

std::string Flag(bool value)
{
    return value ? "1" : "0";
}

} // namespace

std::optional<bool> AnswerFile::Association(const std::string& extension) const
{
    for (const auto& [name, yes] : associations) {
        if (Upper(name) == Upper(extension)) return yes;
    }
    return std::nullopt;
}

std::string LoadAnswerFile(const std::string& path, AnswerFile& answers)
{
    std::string bytes;
    const DWORD code = ReadAnswerBytes(path, bytes);
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return "応答ファイルが見つかりません";
    if (code != 0) {
        std::string why = ErrorText(code);
        while (!why.empty() && (why.back() == '\r' || why.back() == '\n')) why.pop_back();
        return "応答ファイルを読めません（エラー " + std::to_string(code) + " " + why + "）";
    }
    std::wstring text;
    const std::string encoding = EncodingProblem(bytes, text);
    if (!encoding.empty()) return "応答ファイルがCP932（シフトJIS）ではありません（" + encoding + "）";
    std::vector<IniDocument::Line> lines;
    IniDocument::FromText(std::move(text), &lines);
    AnswerFile read;
    std::string section;
    for (const IniDocument::Line& line : lines) {
        if (line.header) {
            section = line.name;
            if (!Same(section, "Setup") && !Same(section, "Associations") && !Same(section, "Uninstall"))
                return "[" + section + "] : 不明なセクションです";
            continue;
        }
        if (line.section == 0) return line.name + " : セクションの外のキーです";
        // A repeated key is not read, as the INI rules say; a key without "=" is missing.
        if (!line.counted || !line.hasValue) continue;
        const std::string problem = TakeKey(section, line, read);
        if (!problem.empty()) return problem;
    }
    answers = std::move(read);
    return {};
}

std::string ComposeAnswerFile(const AnswerFile& a, bool uninstaller)
{
    std::string text;
    const auto put = [&text](const std::string& key, const std::string& value) { text += key + "=" + value + "\r\n"; };
    if (uninstaller) {
        text += "[Uninstall]\r\n";
        for (int i = 0; i < 4; ++i) {
            if (a.deletions[i]) put(kDeletionKeys[i], Flag(*a.deletions[i]));
        }
        if (a.deleteAll) put("DeleteAll", Flag(*a.deleteAll));
        if (a.uninstallCompletion) put("Completion", std::to_string(*a.uninstallCompletion));
        return text;
    }
    text += "[Setup]\r\n";
    if (a.folder) put("Folder", *a.folder);
    if (a.overwrite) put("AutoOverwrite", Flag(*a.overwrite));
    if (a.hiSpeed) put("HighSpeed", Flag(*a.hiSpeed));
    for (int i = 0; i < 4; ++i) {
        if (a.shortcuts[i]) put(kShortcutKeys[i], Flag(*a.shortcuts[i]));
    }
    if (a.completion) put("Completion", std::to_string(*a.completion));
    if (!a.associations.empty()) {
        text += "\r\n[Associations]\r\n";
        for (const auto& [extension, yes] : a.associations) put(extension, Flag(yes));
    }
    return text;
}

unsigned long SaveAnswerFile(const std::string& path, const AnswerFile& answers, bool uninstaller)
{
    const std::string text = ComposeAnswerFile(answers, uninstaller);
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return GetLastError();
    return written == text.size() ? 0 : ERROR_WRITE_FAULT;
}

std::vector<std::string> PresetOptions(WizardOptions& o, const AnswerFile& a, bool uninstaller, bool optionsEditable)
{
    std::vector<std::string> notes;
    const auto take = [&notes](WizardOptions::Box& box, const std::optional<bool>& answer, const char* key) {
        if (!answer) return;
        if (box.enabled) box.checked = *answer;
        else notes.push_back(std::string("応答ファイルの ") + key + " は使えません（選べない項目です）");
    };
    if (uninstaller) {
        // The delete-everything layout shows its box alone.
        const bool deleteAllLayout = !o.boxes[1].visible;
        take(o.boxes[0], deleteAllLayout ? a.deleteAll : a.deletions[0], deleteAllLayout ? "DeleteAll" : "DeleteIni");
        const std::optional<bool>& other = deleteAllLayout ? a.deletions[0] : a.deleteAll;
        if (other)
            notes.push_back(std::string("応答ファイルの ") + (deleteAllLayout ? "DeleteIni" : "DeleteAll") +
                            " は使えません（この記録にない項目です）");
        for (int i = 1; i < 4; ++i) {
            if (!deleteAllLayout) take(o.boxes[i], a.deletions[i], kDeletionKeys[i]);
            else if (a.deletions[i])
                notes.push_back(std::string("応答ファイルの ") + kDeletionKeys[i] +
                                " は使えません（この記録にない項目です）");
        }
        return notes;
    }
    if (optionsEditable) {
        if (a.overwrite) o.overwrite = *a.overwrite;
        if (a.hiSpeed) o.hiSpeed = *a.hiSpeed;
    } else if (a.overwrite || a.hiSpeed) {
        notes.push_back("応答ファイルの AutoOverwrite と HighSpeed は使えません（選べない項目です）");
    }
    for (int i = 0; i < 4; ++i) take(o.boxes[i], a.shortcuts[i], kShortcutKeys[i]);
    for (const auto& [extension, yes] : a.associations) o.associations[Upper(extension)] = yes;
    return notes;
}

std::string AnsweredFolder(const std::string& dirSwitch, const AnswerFile& answers)
{
    if (!dirSwitch.empty()) return dirSwitch;
    return answers.folder.value_or("");
}

AnswerFile ChoicesOf(const WizardOptions& o, bool uninstaller,
                     const std::vector<std::pair<std::string, bool>>& associations, int completion)
{
    AnswerFile a;
    if (completion == 1 || completion == 2) (uninstaller ? a.uninstallCompletion : a.completion) = completion;
    if (uninstaller) {
        // A box without a caption is no box of this record; the run disables the others
        // once it has read them.
        if (!o.boxes[1].visible) {
            if (o.boxes[0].visible) a.deleteAll = o.boxes[0].checked;
            return a;
        }
        for (int i = 0; i < 4; ++i) {
            if (!o.boxes[i].caption.empty()) a.deletions[i] = o.boxes[i].checked;
        }
        return a;
    }
    if (!o.folder.empty()) a.folder = o.folder;
    a.overwrite = o.overwrite;
    a.hiSpeed = o.hiSpeed;
    for (int i = 0; i < 4; ++i) {
        if (o.boxes[i].enabled) a.shortcuts[i] = o.boxes[i].checked;
    }
    for (const auto& [extension, yes] : associations) a.associations[extension] = yes;
    return a;
}
