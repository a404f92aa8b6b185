#include "services/RunLog.h"

#include "foundation/uStrOp.h"

#include <windows.h>

std::string ActionLogLine(const std::string& action, std::uint32_t code)
{
    if (code == 0) return action + " -> 成功";
    std::string text = ErrorText(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return action + " -> エラー " + std::to_string(code) + " " + text;
}

bool LogFile::Open(const std::string& path)
{
    UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    file_ = std::move(file);
    path_ = path;
    for (const std::string& text : pending_) Put(text);
    pending_.clear();
    return true;
}

void LogFile::Write(const std::string& line)
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char stamp[32];
    // The system's formatter: the C library's would bring a floating-point formatter
    // into SETUP.EXE that nothing uses.
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
              t.wMilliseconds);
    const std::string text = stamp + line + "\r\n";
    if (file_) Put(text);
    else pending_.push_back(text);
}

void LogFile::Put(const std::string& text)
{
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void LogFile::Close()
{
    file_.reset();
}

std::vector<std::string> ProgressLines::Take(const std::string& log, const std::string& detail)
{
    std::vector<std::string> lines;
    // The running text only grows; when it starts anew (the greeting is cleared), so do we.
    if (log.compare(0, seen_.size(), seen_) != 0) seen_.clear();
    const std::size_t end = log.rfind("\r\n");
    if (end != std::string::npos && end + 2 > seen_.size()) {
        for (std::size_t start = seen_.size(); start < end + 2;) {
            const std::size_t lineEnd = log.find("\r\n", start);
            lines.push_back(log.substr(start, lineEnd - start));
            start = lineEnd + 2;
        }
        seen_ = log.substr(0, end + 2);
    }
    if (!detail.empty() && detail != detail_) {
        detail_ = detail;
        std::string flat = "  ";
        for (std::size_t i = 0; i < detail.size(); ++i) {
            if (detail.compare(i, 2, "\r\n") == 0) {
                flat += ' ';
                ++i;
            } else {
                flat += detail[i];
            }
        }
        lines.push_back(flat);
    }
    return lines;
}
