#include "services/RestartOps.h"

#include "foundation/Handles.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "services/FileOps.h"
#include "foundation/FilePrim.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace {

constexpr DWORD kReplaceAtReboot = MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT; // 5

bool ScheduleMove(Host& host, const std::string& from, const char* to)
{
    if (MoveFileExA(from.c_str(), to, kReplaceAtReboot)) return true;
    host.Ask("MoveFileEx関数が失敗しました。", "内部エラー", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The lines of a text file, split at CR LF, LF or CR; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& path)
{
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string data;
    char buffer[4096];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        data.append(buffer, got);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(data.substr(start));
            break;
        }
        lines.push_back(data.substr(start, end - start));
        start = end + ((data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::string data;
    for (const std::string& line : lines) data += line + "\r\n";
    const UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

// Puts entry at the end of the first [Rename] section: before the empty line that closes
// it, before the next section when no empty line comes first, or at the end of the file.
// Without a [Rename] section one is added, since Windows reads the entries only there.
// WININIT.INI may hold several lines with the same key (NUL=), so it is edited as text:
// the profile API would merge them.
bool AddRenameEntry(const std::string& wininit, const std::string& entry)
{
    if (!Exists(wininit) && !WriteLines(wininit, {"[Rename]"})) return false;
    const auto lines = ReadLines(wininit);
    // Rewriting a file that could not be read would lose its entries.
    if (!lines) return false;
    std::vector<std::string> result;
    bool inRename = false;
    bool placed = false;
    for (const std::string& line : *lines) {
        const bool header = !line.empty() && line[0] == '[';
        if (!placed && inRename && (line.empty() || header)) {
            result.push_back(entry);
            placed = true;
        }
        if (header) inRename = PosNoCase("[Rename]", line) != 0;
        result.push_back(line);
    }
    if (!placed) {
        if (!inRename) result.push_back("[Rename]");
        result.push_back(entry);
    }
    return WriteLines(wininit, result);
}

} // namespace

bool ReplaceAtRestart(Host& host, const std::string& osFamily, const std::string& windowsFolder,
                      const std::string& source, const std::string& target)
{
    // A family that cannot schedule anything gets no copy either: it would only litter
    // the Windows folder.
    if (osFamily != "NT" && osFamily != "notNT") return true;

    const std::string folder = AddBackslash(windowsFolder, "B");
    std::string temporary;
    for (int n = 1;; ++n) {
        temporary = folder + "QSTMP" + std::to_string(n) + ".TMP";
        if (!Exists(temporary)) break;
    }
    CopyFileReplace(source, temporary);

    if (osFamily == "NT") return ScheduleMove(host, temporary, target.c_str());
    return WriteIniString("Rename", GetShortPath(target), GetShortPath(temporary), folder + "WININIT.INI");
}

bool DeleteAtRestart(Host& host, const std::string& osFamily, const std::string& windowsFolder, const std::string& path)
{
    if (osFamily == "NT") return ScheduleMove(host, path, nullptr);
    if (osFamily != "notNT") return true;

    // Attributes that cannot be read count as a folder.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool folder = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::string entry = (folder ? "DirNul=" : "Nul=") + GetShortPath(path);
    return AddRenameEntry(AddBackslash(windowsFolder, "B") + "WININIT.INI", entry);
}
