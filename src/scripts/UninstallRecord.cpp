#include "scripts/UninstallRecord.h"

#include "foundation/Handles.h"
#include "foundation/LastError.h"
#include "foundation/uStrOp.h"
#include "scripts/InstalledEntry.h"
#include "scripts/RecordSection.h"
#include "foundation/IniDocument.h"
#include "scripts/ScriptLists.h"
#include "foundation/FilePrim.h"
#include "foundation/uIniFile.h"
#include "services/Registry.h"
#include "services/Views.h"

#include <windows.h>

#include <cstdint>

namespace {

constexpr const char* kRecordName = "UNSETUP.INI";

void LoadList(std::vector<std::string>& into, const IniDocument& doc, const char* section, const char* prefix)
{
    for (std::string& value : ReadOpenList(doc, section, prefix)) into.push_back(std::move(value));
}

// A value as a record line holds it. Every reader takes one pair of enclosing quotes
// off a value ("x" or 'x'); such a value gets a pair more, so reading gives it back whole.
std::string LineValue(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.front() + value + value.front();
    return value;
}

// The key = value lines of a composed section, each value as a line holds it.
std::string LineValues(const std::string& lines)
{
    std::string out;
    for (std::size_t p = 0; p < lines.size();) {
        const std::size_t eol = lines.find("\r\n", p);
        const std::string line = lines.substr(p, eol - p);
        const std::size_t eq = line.find('=');
        out += line.substr(0, eq + 1) + LineValue(line.substr(eq + 1)) + "\r\n";
        p = eol + 2;
    }
    return out;
}

// A list section: this run's entries, then the earlier record's, each kept once.
void AppendList(std::string& text, const RecordSectionInfo& info, const RecordList& list)
{
    RecordSection section(info.prefix);
    for (const auto* source : {&list.current, &list.earlier}) {
        for (const std::string& entry : *source) {
            // A line without identity would end the list for every reader: never written.
            if (GetField(entry, ",", 1).empty()) continue;
            section.Add(entry, info.mergeShared && PosNoCase("/S", entry) != 0);
        }
    }
    text.append("[").append(info.name).append("]\r\n");
    const std::size_t from = text.size();
    section.AppendTo(text);
    // Only a section with quotes can hold a value that needs more of them.
    if (text.find_first_of("\"'", from) != std::string::npos) {
        const std::string lines = text.substr(from);
        text.resize(from);
        text += LineValues(lines);
    }
    text.append("\r\n");
}

// A slot section: the taken slots under their own numbers.
void AppendSlots(std::string& text, const RecordSectionInfo& info, const RelateSlots& slots)
{
    text.append("[").append(info.name).append("]\r\n");
    for (std::size_t n = 0; n < slots.size(); ++n) {
        if (!slots[n].empty()) text += info.prefix + std::to_string(n + 1) + "=" + LineValue(slots[n]) + "\r\n";
    }
    text.append("\r\n");
}

std::string Dots(int count)
{
    std::string dots;
    for (int i = 0; i < count; ++i) dots += "．";
    return dots;
}

// Writes text to path and forces it to disk. Returns 0 or the Win32 error.
DWORD SaveDurably(const std::string& path, const std::string& text)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file) return LastErrorOr();
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        file.reset();
        DeleteFileA(path.c_str());
        return error;
    }
    return 0;
}

// True when the earlier record could be removed: it can be opened for deletion.
bool CanReplace(const std::string& record)
{
    SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    UniqueFile probe(CreateFileA(record.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(probe);
}

} // namespace

namespace {

bool SameExtension(const std::string& slot, const std::string& extension)
{
    const std::string recorded = GetField(slot, ",", 1);
    return recorded.size() == extension.size() && PosNoCase(extension, recorded) == 1;
}

} // namespace

void RecordList::Add(const std::string& entry)
{
    if (!GetField(entry, ",", 1).empty()) current.push_back(entry);
}

void LoadRelateSlot(RecordLists& lists, const std::string& value)
{
    // An empty extension would restore or remove the key "." under the classes root.
    const std::string extension = GetField(value, ",", 1);
    if (extension.empty()) return;
    for (std::string& slot : lists.RestoreRelate) {
        if (slot.empty()) {
            slot = value;
            return;
        }
        if (SameExtension(slot, extension)) return;
    }
}

void AddRelateSlot(RecordLists& lists, const std::string& extension, bool hadDefault, const std::string& previousClass)
{
    if (extension.empty()) return;
    // The whole extension counts: htm is not recorded by html, so its own earlier class
    // is kept and the uninstaller can hand it back.
    for (const std::string& slot : lists.RestoreRelate) {
        if (!slot.empty() && SameExtension(slot, extension)) return;
    }
    for (std::string& slot : lists.RestoreRelate) {
        if (slot.empty()) {
            slot = extension + "," + (hadDefault ? previousClass : std::string());
            return;
        }
    }
}

void LoadPreviousRecord(RecordLists& lists, const std::string& installFolder, const std::string& workFolder)
{
    const std::string record = installFolder + kRecordName;
    if (FileAge(record) == -1) return;
    const std::string copy = workFolder + "UNSETUPQ.INI";
    // The record is read once; the lists come from the copy, which holds the same text
    // unless the copy failed.
    const IniDocument original = IniDocument::Load(record);
    const bool copied = CopyFileReplace(record, copy) == 0;
    const IniDocument fromCopy = copied ? IniDocument() : IniDocument::Load(copy);
    const IniDocument& source = copied ? original : fromCopy;
    for (const RecordSectionInfo& info : kRecordSections) {
        if (info.list) {
            LoadList((lists.*info.list).earlier, source, info.name, info.prefix);
            continue;
        }
        for (std::size_t n = 1; n <= (lists.*info.slots).size(); ++n) {
            const std::string value = original.Get(info.name, info.prefix + std::to_string(n), "");
            if (!value.empty()) LoadRelateSlot(lists, value);
        }
    }
}

std::string UninstallKeyPath(const std::string& unSetupKey)
{
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + unSetupKey;
}

std::string ComposeRecord(const RecordLists& lists, const RecordTexts& t, const std::string& unSetupKey,
                          const std::function<void(int dots)>& progress)
{
    const auto show = [&](int dots) {
        if (progress) progress(dots);
    };
    std::string r;
    r += "[Information]\r\n"
         "Message1=Quillon Installer UnSetup(UnInstall) Initialize File\r\n"
         "Message2=！！！　警告　！！！\r\n"
         "Message3=このファイルをエディタなどで書き換えたり、削除しないでください。\r\n"
         "Message4=書き換えた場合、" +
         t.UnSetupWord + "動作の保証はできません。\r\n\r\n";
    r += "[Title]\r\nUnSetup=" + LineValue(t.UnSetupTitle) + "\r\n\r\n";
    r += "[SetupFolder]\r\nFolder=" + LineValue(t.InstallFolder) + "\r\n\r\n";
    show(4);
    for (const RecordSectionInfo& info : kRecordSections) {
        if (info.list) AppendList(r, info, lists.*info.list);
        else AppendSlots(r, info, lists.*info.slots);
        if (info.dots) show(info.dots);
    }
    r += "[UnSetupOption]\r\n";
    if (!t.UnSetupOption.empty()) r += "CheckBox=" + LineValue(t.UnSetupOption) + "\r\n";
    if (!t.UnSetupCheckBox3.empty()) r += "CheckBox3=" + LineValue(t.UnSetupCheckBox3) + "\r\n";
    if (!t.UnSetupCheckBox4.empty()) r += "CheckBox4=" + LineValue(t.UnSetupCheckBox4) + "\r\n";
    r += "\r\n[BeforeUnInstall]\r\n";
    if (!t.BeforeReadmeFile.empty()) r += "ReadmeFile=" + LineValue(t.BeforeReadmeFile) + "\r\n";
    if (!t.BeforeFile.empty()) r += "File=" + LineValue(t.BeforeFile) + "\r\n";
    r += "\r\n[Extend]\r\nSetupString=" + LineValue(t.SetupWord) + "\r\nUnSetupString=" + LineValue(t.UnSetupWord) +
         "\r\n\r\n";
    // The build that made the record: the uninstaller removes it in that build's views.
    r += "[UnSetupRegistryKey]\r\nKey=" + LineValue(UninstallKeyPath(unSetupKey)) +
         "\r\nView=" + std::to_string(OwnBits()) + "\r\n\r\n";
    r += "[ProgramID]\r\nID=" + LineValue(t.ProgramId) + "\r\n";
    return r;
}

std::string WriteRecord(Host& host, const RecordLists& lists, const RecordTexts& t, const InstalledEntry& entry)
{
    if (PosNoCase("Setup Only.", t.UnSetupTitle) != 0) return {};
    const std::string record = t.InstallFolder + kRecordName;
    if (FileAge(record) != -1 && !CanReplace(record)) {
        host.Ask("既存の「UNSETUP.INI」が削除できませんでした。\r\n" + t.UnSetupWord +
                     "が正常に行われない可能性があります。",
                 "致命的エラー", MB_OK | MB_ICONEXCLAMATION);
    }
    const std::string text = ComposeRecord(lists, t, entry.KeyName,
                                           [&](int dots) { host.ShowProgress(t.MessageLog + Dots(dots), ""); });
    try {
        WriteInstalledEntry(entry);
    } catch (const RegistryError& e) {
        host.Ask(std::string("「プログラムの追加と削除」への登録に失敗しました。\r\n") + e.what(), "警告",
                 MB_OK | MB_ICONEXCLAMATION);
    }

    // The new text reaches the disk before the earlier record is given up, so a crash or
    // a full disk never leaves the installation without a record.
    const std::string fresh = t.InstallFolder + "UNSETUP.INI.new";
    if (SaveDurably(fresh, text) == 0) {
        SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        if (MoveFileExA(fresh.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return record;
        DeleteFileA(fresh.c_str());
    }
    std::string fallback;
    for (int n = 1;; ++n) {
        fallback = t.InstallFolder + "UNTMP" + std::to_string(n) + ".INI";
        if (GetFileAttributesA(fallback.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    const std::string name = Mid(fallback, static_cast<int>(t.InstallFolder.size()) + 1);
    if (SaveDurably(fallback, text) != 0) {
        host.Ask("アンインストール情報ファイルを作成できませんでした。\r\n" + t.UnSetupWord + "は正常に行えません。",
                 "警告", MB_OK | MB_ICONEXCLAMATION);
        return {};
    }
    host.Ask("インストールフォルダに仮ファイル" + name +
                 "を作成しました\r\n"
                 "上記ファイルを「UNSETUP.INI」にリネームしてください。\r\n"
                 "リネームを行わないと、正常に" +
                 t.UnSetupWord + "できません。",
             "警告", MB_OK | MB_ICONEXCLAMATION);
    return fallback;
}

std::string CountedDownKey(const std::string& section, int n)
{
    return section + std::to_string(n);
}

namespace {

// What the section headers of a resume copy say: how many are [Resume] (only the first
// section of a name is read) and whether the last one is, and whether the copy ends with
// a line break. Read in pieces: a record of 100,000 entries is megabytes. Not readable:
// no file, or text in UTF-16 or with a byte-order mark, which the profile functions read.
struct CopyShape {
    bool readable = false;
    int resumeHeaders = 0;
    bool lastIsResume = false;
    bool endsWithBreak = true;
};

CopyShape ReadCopyShape(const std::string& path)
{
    CopyShape shape;
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return shape;
    std::vector<char> piece(64 << 10);
    std::string header; // the current line, from its "[", while it may be a header
    bool inHeader = false, atLineStart = true, first = true;
    char last = '\n';
    // The blanks the profile functions trim around a line and a name.
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; };
    const auto endLine = [&] {
        const std::size_t close = header.rfind(']');
        if (inHeader && close != std::string::npos) {
            std::size_t b = 1, e = close;
            while (b < e && space(header[b])) ++b;
            while (e > b && space(header[e - 1])) --e;
            shape.lastIsResume = MapString(header.substr(b, e - b), LCMAP_UPPERCASE) == "RESUME";
            shape.resumeHeaders += shape.lastIsResume ? 1 : 0;
        }
        header.clear();
        inHeader = false;
        atLineStart = true;
    };
    DWORD got = 0;
    while (ReadFile(file.get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) && got != 0) {
        if (first) {
            first = false;
            int tests = IS_TEXT_UNICODE_UNICODE_MASK | IS_TEXT_UNICODE_REVERSE_MASK;
            const unsigned char b0 = piece[0], b1 = got > 1 ? piece[1] : 0;
            if (b0 == 0xEF || (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) ||
                (got >= 2 && IsTextUnicode(piece.data(), static_cast<int>(got), &tests)))
                return shape;
        }
        for (DWORD i = 0; i < got; ++i) {
            const char c = piece[i];
            if (c == '\r' || c == '\n') {
                endLine();
            } else if (atLineStart) {
                if (space(c)) continue;
                atLineStart = false;
                inHeader = c == '[';
                if (inHeader) header = "[";
            } else if (inHeader) {
                header += c;
            }
        }
        last = piece[got - 1];
    }
    endLine();
    shape.endsWithBreak = last == '\n' || last == '\r';
    shape.readable = true;
    return shape;
}

bool Append(const std::string& path, const std::string& text)
{
    const UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace

bool NameResumeRecord(const std::string& resumePath, const std::string& recordPath)
{
    // A fresh copy gets its section on its end: the profile functions would rewrite the
    // whole copy for it (70 ms for 20,000 entries).
    const CopyShape shape = ReadCopyShape(resumePath);
    if (!shape.readable || shape.resumeHeaders != 0 || recordPath.size() > 32766)
        return WriteIniString(kResumeSection, "Record", recordPath, resumePath);
    return Append(resumePath, std::string(shape.endsWithBreak ? "" : "\r\n") + "[" + kResumeSection +
                                  "]\r\nRecord=" + recordPath + "\r\n");
}

void CountDownMarks::Choose()
{
    const CopyShape shape = ReadCopyShape(path_);
    way_ = shape.readable && shape.resumeHeaders == 1 && shape.lastIsResume ? Way::Append : Way::Profile;
    breakFirst_ = !shape.endsWithBreak;
}

bool CountDownMarks::Mark(const std::string& section, int n)
{
    if (path_.empty()) return false;
    if (way_ == Way::Unknown) Choose();
    const std::string key = CountedDownKey(section, n);
    if (way_ == Way::Profile) return WriteIniString(kResumeSection, key, "CountedDown", path_);
    if (!Append(path_, (breakFirst_ ? "\r\n" : "") + key + "=CountedDown\r\n")) return false;
    breakFirst_ = false;
    return true;
}

std::string ResumeRecordPath(const std::string& windowsFolder, const std::string& recordPath)
{
    // FNV-1a over the path as the file system compares it (ignoring case).
    std::uint32_t hash = 2166136261u;
    for (const char c : MapString(recordPath, LCMAP_UPPERCASE)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char hex[9];
    wsprintfA(hex, "%08X", static_cast<unsigned>(hash));
    return AddBackslash(windowsFolder, "B") + "QURESUME" + hex + ".INI";
}
