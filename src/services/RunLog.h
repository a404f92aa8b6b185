// The run log: a CP932 text file appended line by line as a run goes, and the wording
// of its lines. Writing it never fails a run.
#pragma once
#include "foundation/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

// action + " -> 成功" for code 0, else action + " -> エラー " + code + " " + the system's
// text for it (one line).
std::string ActionLogLine(const std::string& action, std::uint32_t code);

class LogFile {
public:
    // Appends to path from now on, after the lines written before it was opened. False
    // when the file cannot be opened; the lines are then kept for a later Open.
    bool Open(const std::string& path);
    // One line with the local time in front. Written at once, so a run that is killed
    // leaves everything up to its last step; a failed write is ignored.
    void Write(const std::string& line);
    void Close();
    const std::string& Path() const { return path_; }
    bool IsOpen() const { return static_cast<bool>(file_); }

private:
    void Put(const std::string& text);

    UniqueFile file_;
    std::string path_;
    std::vector<std::string> pending_;
};

// Turns what the progress window shows into log lines: each line of the running text
// once it is complete, and each new detail.
class ProgressLines {
public:
    // The lines to log for what the progress window shows now.
    std::vector<std::string> Take(const std::string& log, const std::string& detail);

private:
    std::string seen_;
    std::string detail_;
};
